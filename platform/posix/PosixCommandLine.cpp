// Rebuilding a raw command line from the shell's arguments.
#include "platform/posix/PosixCommandLine.h"

namespace {

constexpr char Quote = '"';
const char DefaultProgramToken[] = "spouter";

bool NeedsQuotes(const char* Argument) {
  for (const char* P = Argument; *P; ++P) {
    unsigned char Byte = static_cast<unsigned char>(*P);
    if (Byte <= 0x20) return true;
  }
  return false;
}

// Bytes of Argument without its double quotes.
size_t UnquotedLength(const char* Argument) {
  size_t Length = 0;
  for (const char* P = Argument; *P; ++P) Length += *P != Quote;
  return Length;
}

// Appends the argument as one token and returns the new end; nothing for
// an argument that is empty without its quotes.
char* AppendToken(char* Out, const char* Argument) {
  if (UnquotedLength(Argument) == 0) return Out;
  bool Quoted = NeedsQuotes(Argument);
  if (Quoted) *Out++ = Quote;
  for (const char* P = Argument; *P; ++P) {
    if (*P != Quote) *Out++ = *P;
  }
  if (Quoted) *Out++ = Quote;
  return Out;
}

const char* ProgramToken(int Count, char* const* Arguments) {
  return Count > 0 && UnquotedLength(Arguments[0]) > 0 ? Arguments[0] : DefaultProgramToken;
}

}  // namespace

size_t CommandLineSize(int Count, char* const* Arguments) {
  // Each token may gain two quotes and a blank before it; then the NUL.
  size_t Size = UnquotedLength(ProgramToken(Count, Arguments)) + 3;
  for (int I = 1; I < Count; ++I) Size += UnquotedLength(Arguments[I]) + 3;
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
