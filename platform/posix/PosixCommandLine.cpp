// Rebuilding a raw command line from the shell's arguments.
#include "platform/posix/PosixCommandLine.h"

namespace {

constexpr char Quote = '"';
const char DefaultProgramToken[] = "spouter";

size_t ByteLength(const char* Argument) {
  const char* End = Argument;
  while (*End) ++End;
  return static_cast<size_t>(End - Argument);
}

// Appends the argument as one token and returns the new end; nothing for
// an argument that is empty without its quotes. The bytes are copied in the
// same pass that finds whether they need quotes; a quote is stored and then
// overwritten, within the room the token may take. The rare token that
// needs quotes moves up by one for the opening quote afterwards.
char* AppendToken(char* Out, const char* Argument) {
  char* End = Out;
  unsigned char Lowest = 0xFF;
  for (const char* P = Argument; *P; ++P) {
    unsigned char Byte = static_cast<unsigned char>(*P);
    *End = static_cast<char>(Byte);
    End += Byte != Quote;
    Lowest = Byte < Lowest ? Byte : Lowest;
  }
  if (End == Out || Lowest > 0x20) return End;
  for (char* P = End; P != Out; --P) *P = P[-1];
  *Out = Quote;
  End[1] = Quote;
  return End + 2;
}

}  // namespace

// Room for the line: every byte of every argument, though its quotes are
// dropped, and for each token two quotes it may gain and a blank before it;
// then the default program token, NUL-ended, where the program's own is
// empty.
size_t CommandLineSize(int Count, char* const* Arguments) {
  size_t Size = sizeof DefaultProgramToken;
  for (int I = 0; I < Count; ++I) Size += ByteLength(Arguments[I]) + 3;
  return Size;
}

void BuildCommandLine(int Count, char* const* Arguments, char* Line) {
  char* Out = AppendToken(Line, Count > 0 ? Arguments[0] : "");
  if (Out == Line) Out = AppendToken(Line, DefaultProgramToken);
  for (int I = 1; I < Count; ++I) {
    // The blank before a token stays only where a token follows it.
    *Out = ' ';
    char* End = AppendToken(Out + 1, Arguments[I]);
    if (End != Out + 1) Out = End;
  }
  *Out = 0;
}
