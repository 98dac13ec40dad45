// Fuzzes the command-line splitter with arbitrary raw command lines. The
// first input byte picks the code page (bit 0: double-byte characters); the
// rest, up to its first NUL, is the line.
//
// Checked on every line: the linear walk of the echo program and
// GetParameter(i) both equal an independent reference splitter; the walk
// stops right after the last parameter; the same index gives the same text
// twice; no parameter holds a NUL, a double quote that starts a character,
// or a byte 0x01-0x20 that starts a character outside a quoted section.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "platform/fake/FakePlatform.h"
#include "runtime/CommandLine.h"

namespace {

[[noreturn]] void Fail(const char* What, size_t Index) {
  fprintf(stderr, "splitter property broken: %s (parameter %zu)\n", What, Index);
  abort();
}

void Require(bool Holds, const char* What, size_t Index = 0) {
  if (!Holds) Fail(What, Index);
}

std::string Str(const Text& T) {
  return std::string(reinterpret_cast<const char*>(T.Data()), static_cast<size_t>(T.Length()));
}

enum : char { StartsCharacter = 1, Quoted = 2 };

struct Token {
  std::string Bytes;
  std::string Marks;  // per byte: StartsCharacter, Quoted
  size_t End = 0;     // offset in the line where the token stopped
};

// A state machine over the line, written apart from the implementation:
// between tokens, in a token, in a quoted section.
class ReferenceSplitter {
 public:
  ReferenceSplitter(const std::string& Line, bool DoubleByte)
      : Line_(Line), DoubleByte_(DoubleByte) {}

  // Every token, the program token first. A token that comes out empty
  // ends the list.
  std::vector<Token> Split() {
    std::vector<Token> Tokens;
    size_t At = 0;
    for (;;) {
      At = SkipToToken(At);
      Token T = ReadToken(At);
      At = T.End;
      bool Empty = T.Bytes.empty();
      Tokens.push_back(std::move(T));
      if (Empty) return Tokens;
    }
  }

 private:
  uint8_t ByteAt(size_t At) const {
    return At < Line_.size() ? static_cast<uint8_t>(Line_[At]) : 0;
  }

  size_t CharacterLength(size_t At) const {
    uint8_t Lead = ByteAt(At);
    if (DoubleByte_ && Lead >= 0x81 && Lead <= 0xFE && ByteAt(At + 1) != 0) return 2;
    return 1;
  }

  size_t SkipToToken(size_t At) const {
    for (;;) {
      uint8_t B = ByteAt(At);
      if (B >= 0x01 && B <= 0x20) {
        At += 1;
      } else if (B == '"' && ByteAt(At + 1) == '"') {
        At += 2;
      } else {
        return At;
      }
    }
  }

  Token ReadToken(size_t At) const {
    Token T;
    bool InQuotes = false;
    for (;;) {
      uint8_t B = ByteAt(At);
      if (B == 0 || (!InQuotes && B <= 0x20)) break;
      if (B == '"') {
        InQuotes = !InQuotes;
        At += 1;
        continue;
      }
      size_t Length = CharacterLength(At);
      for (size_t I = 0; I < Length; ++I) {
        T.Bytes.push_back(Line_[At + I]);
        T.Marks.push_back(
            static_cast<char>((I == 0 ? StartsCharacter : 0) | (InQuotes ? Quoted : 0)));
      }
      At += Length;
    }
    T.End = At;
    return T;
  }

  const std::string& Line_;
  bool DoubleByte_;
};

void CheckToken(const Token& T, size_t Index) {
  for (size_t I = 0; I < T.Bytes.size(); ++I) {
    uint8_t B = static_cast<uint8_t>(T.Bytes[I]);
    Require(B != 0, "NUL in a parameter", Index);
    if (!(T.Marks[I] & StartsCharacter)) continue;
    Require(B != '"', "double quote in a parameter", Index);
    Require(B > 0x20 || (T.Marks[I] & Quoted), "control byte outside quotes", Index);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  ResetFakeProcess();
  Fake.DoubleByteCharacters = (Data[0] & 1) != 0;
  std::string Line(reinterpret_cast<const char*>(Data + 1), Size - 1);
  Line.resize(Line.find('\0') == std::string::npos ? Line.size() : Line.find('\0'));
  Fake.CommandLine = Line;

  std::vector<Token> Expected = ReferenceSplitter(Line, Fake.DoubleByteCharacters).Split();
  size_t Count = Expected.size() - 1;  // the program token, parameters, the empty end
  if (Count > 0) Count -= 1;
  for (size_t I = 1; I < Expected.size(); ++I) CheckToken(Expected[I], I);

  // The echo program's walk: one pass, each scan where the last stopped.
  const char* Start = GetCommandLineA();
  const char* Position = Start;
  Text Program = ScanParameter(Position, &Position);
  Require(Str(Program) == Expected[0].Bytes, "program token");
  std::vector<std::string> Walked;
  for (;;) {
    Text Parameter = ScanParameter(Position, &Position);
    size_t Index = Walked.size() + 1;
    if (Index < Expected.size()) {
      Require(static_cast<size_t>(Position - Start) == Expected[Index].End, "scan stop", Index);
    }
    Require(static_cast<uint8_t>(*Position) <= 0x20, "scan stopped inside a token", Index);
    if (Parameter.IsEmpty()) break;
    Walked.push_back(Str(Parameter));
  }
  Require(Walked.size() == Count, "number of parameters", Walked.size());
  for (size_t I = 0; I < Count; ++I) {
    Require(Walked[I] == Expected[I + 1].Bytes, "walk differs from reference", I + 1);
    if (!Fake.DoubleByteCharacters) {
      Require(Walked[I].find('"') == std::string::npos, "double quote", I + 1);
      Require(Walked[I].find('\0') == std::string::npos, "NUL", I + 1);
    }
  }

  // By index: every one when there are few, a sample otherwise (each call
  // scans the line from its start); the last one asked for a second time.
  auto CheckIndex = [&](size_t I) {
    std::string Want = I <= Count ? Walked[I - 1] : std::string();
    Require(Str(GetParameter(static_cast<int32_t>(I))) == Want,
            "GetParameter differs from the walk", I);
  };
  if (Count <= 4) {
    for (size_t I = 1; I <= Count + 1; ++I) CheckIndex(I);
  } else {
    for (size_t I : {size_t{1}, Count / 2, Count, Count + 1}) CheckIndex(I);
  }
  if (Count > 0) {
    Require(Str(GetParameter(static_cast<int32_t>(Count))) == Walked[Count - 1],
            "GetParameter differs on a second call", Count);
  }
  Require(GetParameter(-1).IsEmpty(), "negative index");
  Require(Str(GetParameter(0)) == Fake.ModulePath, "index 0");
  return 0;
}
