// Splitting the raw command line: bytes 0x01-0x20 separate, double quotes
// open and close sections, nothing escapes a quote.
#include "runtime/CommandLine.h"

#include "platform/Platform.h"

namespace {

constexpr uint8_t Quote = 0x22;
constexpr int32_t ModulePathCapacity = 261;

uint8_t ByteAt(const char* Position) { return static_cast<uint8_t>(*Position); }

bool IsSeparator(uint8_t Byte) { return Byte >= 0x01 && Byte <= 0x20; }

// The character after the one at Position. Where every character is one
// byte the step needs no call, so both passes of a scan are plain loops
// over bytes; elsewhere the code page decides.
template <bool SingleBytes>
const char* NextCharacter(const char* Position) {
  if (SingleBytes) return Position + 1;
  return CharNextA(Position);
}

// The end of the parameter that starts at Position. Quotes counts the
// quote bytes stepped over on the way, which the parameter does not keep;
// every other byte up to the end belongs to a character it keeps.
template <bool SingleBytes>
const char* FindParameterEnd(const char* Position, int32_t* Quotes) {
  while (ByteAt(Position) > 0x20) {
    if (ByteAt(Position) == Quote) {
      ++*Quotes;
      ++Position;
      while (ByteAt(Position) != 0 && ByteAt(Position) != Quote)
        Position = NextCharacter<SingleBytes>(Position);
      if (ByteAt(Position) == Quote) {
        ++*Quotes;
        ++Position;
      }
    } else {
      Position = NextCharacter<SingleBytes>(Position);
    }
  }
  return Position;
}

// Copies the characters of the parameter from Position to End to Out,
// without its quotes. A character's further bytes are copied untested: in
// a code page with longer characters they may look like a quote.
template <bool SingleBytes>
void CopyParameter(const char* Position, const char* End, uint8_t* Out) {
  while (Position != End) {
    if (ByteAt(Position) == Quote) {
      ++Position;
      continue;
    }
    const char* Next = NextCharacter<SingleBytes>(Position);
    while (Position != Next) *Out++ = ByteAt(Position++);
  }
}

template <bool SingleBytes>
Text ScanFrom(const char* Position, const char** Stop) {
  for (;;) {
    while (IsSeparator(ByteAt(Position))) Position = NextCharacter<SingleBytes>(Position);
    if (ByteAt(Position) != Quote || ByteAt(Position + 1) != Quote) break;
    Position += 2;
  }

  // Measured first, so that the storage is obtained once at its exact size.
  int32_t Quotes = 0;
  const char* End = FindParameterEnd<SingleBytes>(Position, &Quotes);
  Text Result(static_cast<int32_t>(End - Position) - Quotes);
  CopyParameter<SingleBytes>(Position, End, Result.Data());
  *Stop = End;
  return Result;
}

}  // namespace

Text ScanParameter(const char* Position, const char** Stop) {
  if (CharactersAreSingleBytes()) return ScanFrom<true>(Position, Stop);
  return ScanFrom<false>(Position, Stop);
}

Text GetParameter(int32_t Index) {
  if (Index == 0) {
    char Path[ModulePathCapacity];
    DWORD Count = GetModuleFileNameA(nullptr, Path, ModulePathCapacity);
    if (Count > ModulePathCapacity) Count = ModulePathCapacity;
    Text Result(static_cast<int32_t>(Count));
    for (DWORD I = 0; I < Count; ++I) Result.Data()[I] = static_cast<uint8_t>(Path[I]);
    return Result;
  }

  // The first scan takes the program token, so scan N + 1 yields parameter N.
  Text Result;
  const char* Position = GetCommandLineA();
  for (;;) {
    Result = ScanParameter(Position, &Position);
    if (Index == 0 || Result.IsEmpty()) break;
    if (Index > 0) --Index;  // a negative index runs to the end of the line
  }
  return Result;
}

int CompareTextBytes(TextView A, TextView B) {
  int32_t Shorter = A.Length < B.Length ? A.Length : B.Length;
  for (int32_t I = 0; I < Shorter; ++I) {
    if (A.Data[I] != B.Data[I]) return A.Data[I] < B.Data[I] ? -1 : 1;
  }
  if (A.Length == B.Length) return 0;
  return A.Length < B.Length ? -1 : 1;
}
