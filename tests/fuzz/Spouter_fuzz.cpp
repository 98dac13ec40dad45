// Fuzzes the echo walk and its output channel on the fake platform: any
// parameter list, any kind of standard output, and an optional failing or
// short WriteFile call, or a failing allocation.
//
// Input: a 10-byte header (see Scenario), then the parameters, separated by
// NUL bytes. The run's writes, write sizes and exit code must equal a
// reference model: the classification of each parameter, the flush policy
// (per statement on a character device, by 128 bytes elsewhere), nothing
// written after a failure but the message, the exit code the low 8 bits of
// the failure code (255 for a code whose low 8 bits are 0), and never a
// WriteFile of zero bytes.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "echo/Spouter.h"
#include "tests/FakeRun.h"

namespace {

constexpr size_t BufferSize = 128;
constexpr DWORD NoProgressCode = 29;  // a write that takes no byte is a write fault

[[noreturn]] void Fail(const char* What) {
  fprintf(stderr, "echo property broken: %s\n", What);
  abort();
}

void Require(bool Holds, const char* What) {
  if (!Holds) Fail(What);
}

enum class Output { Unknown, Disk, Char, Pipe, Other, NoHandle, NoStdHandle, Count };

struct Scenario {
  Output Kind;
  bool QuoteAll;
  int FailWriteCall;
  DWORD FailWriteCode;
  int ShortWriteCall;
  DWORD ShortWriteBytes;
  int FailAllocation;
};
constexpr size_t HeaderSize = 10;

Scenario ReadScenario(const uint8_t* H) {
  Scenario S;
  S.Kind = static_cast<Output>(H[0] % static_cast<int>(Output::Count));
  uint8_t Faults = H[1];
  S.QuoteAll = (Faults & 8) != 0;
  S.FailWriteCall = (Faults & 1) ? H[2] % 40 : 0;
  S.FailWriteCode = H[3] | H[4] << 8 | H[5] << 16 | static_cast<DWORD>(H[6]) << 24;
  S.ShortWriteCall = (Faults & 2) ? H[7] % 40 : 0;
  S.ShortWriteBytes = H[8];
  // An allocation failure is checked on its own, without write faults.
  S.FailAllocation = (Faults & 4) ? H[9] % 64 : 0;
  if (S.FailAllocation) S.FailWriteCall = S.ShortWriteCall = 0;
  return S;
}

bool Usable(Output Kind) {
  return Kind != Output::Unknown && Kind != Output::NoHandle && Kind != Output::NoStdHandle;
}

void SetUpFake(const Scenario& S) {
  static const DWORD Types[] = {FILE_TYPE_UNKNOWN, FILE_TYPE_DISK, FILE_TYPE_CHAR,
                                FILE_TYPE_PIPE,    0x8000,         FILE_TYPE_DISK,
                                FILE_TYPE_DISK};
  Fake.OutputType = Types[static_cast<int>(S.Kind)];
  Fake.NoOutputHandle = S.Kind == Output::NoHandle;
  Fake.StdHandleError = S.Kind == Output::NoStdHandle ? 6 : 0;
  Fake.FailWriteCall = S.FailWriteCall;
  Fake.FailWriteCode = S.FailWriteCode;
  Fake.ShortWriteCall = S.ShortWriteCall;
  Fake.ShortWriteBytes = S.ShortWriteBytes;
  Fake.FailAllocation = S.FailAllocation;
}

bool IsHex(uint8_t B) {
  return (B >= '0' && B <= '9') || (B >= 'a' && B <= 'f') || (B >= 'A' && B <= 'F');
}

int HexValue(uint8_t B) {
  if (B <= '9') return B - '0';
  return (B | 0x20) - 'a' + 10;
}

// What one parameter writes.
std::string Classify(const std::string& P) {
  const uint8_t* B = reinterpret_cast<const uint8_t*>(P.data());
  if (P.size() == 2 && IsHex(B[0]) && IsHex(B[1]))
    return std::string(1, static_cast<char>(HexValue(B[0]) * 16 + HexValue(B[1])));
  if (P.size() == 3 && B[0] >= '0' && B[0] <= '2' && B[1] >= '0' && B[1] <= '9' && B[2] >= '0' &&
      B[2] <= '9') {
    int Value = (B[0] - '0') * 100 + (B[1] - '0') * 10 + (B[2] - '0');
    if (Value < 256) return std::string(1, static_cast<char>(Value));
  }
  return P;
}

void AppendChunks(const std::string& Bytes, std::vector<std::string>& Transfers) {
  for (size_t At = 0; At < Bytes.size(); At += BufferSize)
    Transfers.push_back(Bytes.substr(At, BufferSize));
}

// The transfers a run makes when nothing fails, for the first Statements
// write statements: on a character device each statement by itself, cut
// at 128 bytes; elsewhere the whole stream cut at 128 bytes.
std::vector<std::string> TransfersOf(const std::vector<std::string>& Statements, size_t Count,
                                     bool CharDevice) {
  std::vector<std::string> Transfers;
  std::string Stream;
  for (size_t I = 0; I < Count; ++I) {
    if (CharDevice) AppendChunks(Statements[I], Transfers);
    Stream += Statements[I];
  }
  if (!CharDevice) AppendChunks(Stream, Transfers);
  return Transfers;
}

// A write the model expects: its length and the bytes it starts with. A
// message line's location is not modelled: it differs from build to build.
struct ExpectedWrite {
  std::string Head;
  size_t Length;
};

struct Expectation {
  std::vector<ExpectedWrite> Writes;
  int ExitCode = 0;
};

void ExpectData(const std::string& Bytes, Expectation& E) {
  E.Writes.push_back({Bytes, Bytes.size()});
}

// One write of the message's: lost when its handle is unusable or it is
// the failing call, cut when it is the short one.
void ExpectMessageWrite(const Scenario& S, int Call, const std::string& Head, size_t Length,
                        Expectation& E) {
  if (S.Kind == Output::NoHandle || S.Kind == Output::NoStdHandle || Call == S.FailWriteCall)
    return;
  if (Call == S.ShortWriteCall && S.ShortWriteBytes < Length) Length = S.ShortWriteBytes;
  E.Writes.push_back({Head.substr(0, Length), Length});
}

// The message's two writes come after WriteCalls earlier calls.
void ExpectMessage(const Scenario& S, int WriteCalls, Expectation& E) {
  char Head[32];
  snprintf(Head, sizeof Head, "Runtime error %3d at ", E.ExitCode);
  ExpectMessageWrite(S, WriteCalls + 1, Head, 30, E);
  ExpectMessageWrite(S, WriteCalls + 2, "\r\n", 2, E);
}

int MendedCode(DWORD Code) {
  if (Code == 0) Code = NoProgressCode;  // a failure that names no code
  return (Code & 0xFF) != 0 ? static_cast<int>(Code & 0xFF) : 255;
}

// The run with write faults only: the transfers go out one WriteFile call
// each, a short write continuing with the rest, until a call fails.
Expectation ExpectRun(const Scenario& S, const std::vector<std::string>& Statements) {
  Expectation E;
  if (Statements.empty()) return E;
  if (!Usable(S.Kind)) {
    E.ExitCode = 105;
    ExpectMessage(S, 0, E);
    return E;
  }
  int Call = 0;
  for (const std::string& Transfer :
       TransfersOf(Statements, Statements.size(), S.Kind == Output::Char)) {
    std::string Rest = Transfer;
    for (;;) {
      ++Call;
      if (Call == S.FailWriteCall) {
        E.ExitCode = MendedCode(S.FailWriteCode);
        ExpectMessage(S, Call, E);
        return E;
      }
      if (Call == S.ShortWriteCall && S.ShortWriteBytes < Rest.size()) {
        ExpectData(Rest.substr(0, S.ShortWriteBytes), E);
        if (S.ShortWriteBytes == 0) {
          E.ExitCode = NoProgressCode;
          ExpectMessage(S, Call, E);
          return E;
        }
        Rest.erase(0, S.ShortWriteBytes);
        continue;
      }
      ExpectData(Rest, E);
      break;
    }
  }
  return E;
}

bool IsHexDigit(char C) { return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'F'); }

// The recorded writes against the model's; a whole message line must also
// end in 8 hexadecimal digits and a NUL.
void CheckWrites(const std::vector<ExpectedWrite>& Expected, const char* What) {
  Require(Fake.Writes.size() == Expected.size(), What);
  for (size_t I = 0; I < Expected.size(); ++I) {
    const FakeWrite& W = Fake.Writes[I];
    Require(W.Handle == FakeOutputHandle(), "a write to another handle than standard output");
    Require(W.Bytes.size() == Expected[I].Length, What);
    Require(W.Bytes.compare(0, Expected[I].Head.size(), Expected[I].Head) == 0, What);
    if (Expected[I].Head.size() == 21 && Expected[I].Length == 30) {
      for (size_t At = 21; At < 29; ++At) Require(IsHexDigit(W.Bytes[At]), "message location");
      Require(W.Bytes[29] == '\0', "message end");
    }
  }
}

void CheckWriteFaultRun(const Scenario& S, const std::vector<std::string>& Statements, int Exit) {
  Expectation E = ExpectRun(S, Statements);
  Require(Exit == E.ExitCode, "exit code");
  CheckWrites(E.Writes, "writes differ from the model");
  if (Statements.empty())
    Require(Fake.StdHandleCalls == 0, "standard output touched without output");
}

// A failing allocation ends the run with 203 after some whole statements,
// whose bytes all come out (by the flush policy) before the message; or,
// on an unusable output, possibly with 105 at the first statement first;
// or, if the failing allocation is never reached, normally.
void CheckAllocationRun(const Scenario& S, const std::vector<std::string>& Statements, int Exit) {
  if (Exit != 203) {
    Scenario Plain = S;
    Plain.FailAllocation = 0;
    CheckWriteFaultRun(Plain, Statements, Exit);
    return;
  }
  // The statements done are those whose bytes came out before the message.
  size_t Bytes = 0;
  for (const FakeWrite& W : Fake.Writes) Bytes += W.Bytes.size();
  bool HandleTakesWrites = S.Kind != Output::NoHandle && S.Kind != Output::NoStdHandle;
  size_t MessageBytes = HandleTakesWrites ? 32 : 0;
  size_t Done = 0;
  size_t Written = 0;
  while (Done < Statements.size() && Written + MessageBytes < Bytes)
    Written += Statements[Done++].size();
  Require(Done == 0 || Usable(S.Kind), "bytes written to an unusable output");
  Expectation E;
  E.ExitCode = 203;
  for (const std::string& T : TransfersOf(Statements, Done, S.Kind == Output::Char))
    ExpectData(T, E);
  ExpectMessage(S, static_cast<int>(E.Writes.size()), E);
  CheckWrites(E.Writes, "writes before an allocation failure differ from the model");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < HeaderSize) return 0;
  Scenario S = ReadScenario(Data);

  // Parameters: the NUL-separated pieces, without double quotes, the empty
  // ones left out. Quoted when they hold a separator, or all of them.
  std::vector<std::string> Parameters;
  std::string Line = "SPOUTER";
  std::string Piece;
  for (size_t I = HeaderSize; I <= Size; ++I) {
    if (I < Size && Data[I] != 0) {
      if (Data[I] != '"') Piece.push_back(static_cast<char>(Data[I]));
      continue;
    }
    if (Piece.empty()) continue;
    bool Quote = S.QuoteAll;
    for (char C : Piece) Quote |= static_cast<uint8_t>(C) <= 0x20;
    Line += Quote ? " \"" + Piece + "\"" : " " + Piece;
    Parameters.push_back(Piece);
    Piece.clear();
  }
  // The information switches show a box instead of writing anything.
  bool Switch = !Parameters.empty() && (Parameters[0] == "/c" || Parameters[0] == "/?");
  std::vector<std::string> Statements;
  if (!Switch) {
    for (const std::string& P : Parameters) Statements.push_back(Classify(P));
  }

  PrepareProcess(Line);
  SetUpFake(S);
  int Exit = RunToExit([] { ProcessArguments(); });

  Require(Fake.EmptyWriteCalls == 0, "a WriteFile of zero bytes");
  Require(Fake.MessageBoxes.size() == (Switch && Exit == 0 ? 1u : 0u), "boxes shown");
  Require(Fake.LiveBlocks == 0, "byte strings left allocated");
  if (S.FailAllocation) {
    CheckAllocationRun(S, Statements, Exit);
  } else {
    CheckWriteFaultRun(S, Statements, Exit);
  }
  return 0;
}
