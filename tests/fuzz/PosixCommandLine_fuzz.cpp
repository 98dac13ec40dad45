// Fuzzes the rebuilding of a raw command line from the shell's arguments on
// Linux. The input's NUL-separated pieces are the arguments, the program's
// name first. The line must fit the size announced for it, and the splitter
// must take it apart into exactly the arguments without their double
// quotes, the empty ones left out, behind a program token that is never
// empty.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "platform/fake/FakePlatform.h"
#include "platform/posix/PosixCommandLine.h"
#include "runtime/CommandLine.h"

namespace {

void Require(bool Holds, const char* What) {
  if (Holds) return;
  fprintf(stderr, "command-line property broken: %s\n", What);
  abort();
}

std::string WithoutQuotes(const std::string& Argument) {
  std::string Kept;
  for (char C : Argument) {
    if (C != '"') Kept.push_back(C);
  }
  return Kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::vector<std::string> Arguments(1);
  for (size_t I = 0; I < Size; ++I) {
    if (Data[I] == 0) {
      Arguments.emplace_back();
    } else {
      Arguments.back().push_back(static_cast<char>(Data[I]));
    }
  }
  std::vector<char*> Pointers;
  for (std::string& A : Arguments) Pointers.push_back(A.data());
  int Count = static_cast<int>(Pointers.size());

  // Exactly the announced size, so that a write past it is caught.
  size_t LineSize = CommandLineSize(Count, Pointers.data());
  char* Line = static_cast<char*>(malloc(LineSize));
  BuildCommandLine(Count, Pointers.data(), Line);

  ResetFakeProcess();
  const char* Position = Line;
  Text Program = ScanParameter(Position, &Position);
  std::string Name = WithoutQuotes(Arguments[0]);
  std::string Token(reinterpret_cast<const char*>(Program.Data()), Program.Length());
  Require(Token == (Name.empty() ? std::string("spouter") : Name), "program token");

  for (int I = 1; I < Count; ++I) {
    std::string Want = WithoutQuotes(Arguments[I]);
    if (Want.empty()) continue;
    Text Got = ScanParameter(Position, &Position);
    Require(std::string(reinterpret_cast<const char*>(Got.Data()), Got.Length()) == Want,
            "parameter differs from its argument");
  }
  Require(ScanParameter(Position, &Position).IsEmpty(), "a parameter beyond the arguments");
  free(Line);
  return 0;
}
