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

// Walks one parameter from Start, calling Take for every character that
// belongs to it. Returns the position where the parameter ends.
template <bool SingleBytes, typename Visitor>
const char* WalkParameter(const char* Start, Visitor Take) {
  const char* Position = Start;
  while (ByteAt(Position) > 0x20) {
    if (ByteAt(Position) == Quote) {
      ++Position;
      while (ByteAt(Position) != 0 && ByteAt(Position) != Quote) {
        const char* Next = NextCharacter<SingleBytes>(Position);
        Take(Position, Next);
        Position = Next;
      }
      if (ByteAt(Position) == Quote) ++Position;
    } else {
      const char* Next = NextCharacter<SingleBytes>(Position);
      Take(Position, Next);
      Position = Next;
    }
  }
  return Position;
}

template <bool SingleBytes>
Text ScanFrom(const char* Position, const char** Stop) {
  for (;;) {
    while (IsSeparator(ByteAt(Position))) Position = NextCharacter<SingleBytes>(Position);
    if (ByteAt(Position) != Quote || ByteAt(Position + 1) != Quote) break;
    Position += 2;
  }

  // Counted first, so that the storage is obtained once at its exact size.
  int32_t Count = 0;
  WalkParameter<SingleBytes>(Position, [&Count](const char* From, const char* To) {
    Count += static_cast<int32_t>(To - From);
  });

  Text Result(Count);
  uint8_t* Out = Result.Data();
  *Stop = WalkParameter<SingleBytes>(Position, [&Out](const char* From, const char* To) {
    while (From != To) *Out++ = static_cast<uint8_t>(*From++);
  });
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
