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

// Bytes of Argument without its double quotes.
size_t UnquotedLength(const char* Argument) {
  size_t Length = 0;
  for (const char* P = Argument; *P; ++P) Length += *P != Quote;
  return Length;
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

const char* ProgramToken(int Count, char* const* Arguments) {
  return Count > 0 && UnquotedLength(Arguments[0]) > 0 ? Arguments[0] : DefaultProgramToken;
}

}  // namespace

// Room for the line: every byte of every argument, though its quotes are
// dropped, and for each token two quotes it may gain and a blank before it;
// then the NUL.
size_t CommandLineSize(int Count, char* const* Arguments) {
  size_t Size = ByteLength(ProgramToken(Count, Arguments)) + 3;
  for (int I = 1; I < Count; ++I) Size += ByteLength(Arguments[I]) + 3;
  return Size;
}

void BuildCommandLine(int Count, char* const* Arguments, char* Line) {
  char* Out = AppendToken(Line, ProgramToken(Count, Arguments));
  for (int I = 1; I < Count; ++I) {
    char* Separator = Out;
    Out = AppendToken(Out + 1, Arguments[I]);
    if (Out == Separator + 1) {
      Out = Separator;  // nothing was appended: no blank either
    } else {
      *Separator = ' ';
    }
  }
  *Out = 0;
}
