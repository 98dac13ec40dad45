// Test tool: starts a program with CreateProcessA and an exact command line,
// and with a chosen standard-output handle, then ends with its exit code.
//
//   launcher MODE PROGRAM LINE
//
// LINE is the command line in hexadecimal, two digits a byte ("" for an
// empty line, "null" for none). MODE says what the child gets as standard
// output: "inherit" (the launcher's own), "null" (the null handle),
// "invalid" (INVALID_HANDLE_VALUE) or "closed" (a handle value that names
// nothing in the child). The launcher exits with 120 when it cannot start
// the child.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

namespace {

int HexValue(char Digit) {
  if (Digit >= '0' && Digit <= '9') return Digit - '0';
  if (Digit >= 'a' && Digit <= 'f') return Digit - 'a' + 10;
  if (Digit >= 'A' && Digit <= 'F') return Digit - 'A' + 10;
  return -1;
}

// Decodes Hex into a new NUL-ended buffer; null on a malformed line.
char* DecodeLine(const char* Hex) {
  size_t Length = strlen(Hex);
  if (Length % 2 != 0) return nullptr;
  char* Line = static_cast<char*>(calloc(Length / 2 + 1, 1));
  for (size_t I = 0; I < Length / 2; ++I) {
    int High = HexValue(Hex[2 * I]), Low = HexValue(Hex[2 * I + 1]);
    if (High < 0 || Low < 0) return nullptr;
    Line[I] = static_cast<char>(High * 16 + Low);
  }
  return Line;
}

HANDLE Inheritable(HANDLE Handle) {
  HANDLE Copy = nullptr;
  DuplicateHandle(GetCurrentProcess(), Handle, GetCurrentProcess(), &Copy, 0, TRUE,
                  DUPLICATE_SAME_ACCESS);
  return Copy;
}

[[noreturn]] void Fail(const char* What) {
  fprintf(stderr, "launcher: %s (error %lu)\n", What, GetLastError());
  ExitProcess(120);
}

}  // namespace

int main(int Count, char** Arguments) {
  if (Count != 4) {
    fprintf(stderr, "usage: launcher inherit|null|invalid|closed PROGRAM HEXLINE|null\n");
    return 120;
  }
  const char* Mode = Arguments[1];
  char* Line = nullptr;
  if (strcmp(Arguments[3], "null") != 0) {
    Line = DecodeLine(Arguments[3]);
    if (!Line) Fail("malformed command line");
  }

  STARTUPINFOA Startup;
  memset(&Startup, 0, sizeof Startup);
  Startup.cb = sizeof Startup;
  Startup.dwFlags = STARTF_USESTDHANDLES;
  Startup.hStdInput = Inheritable(GetStdHandle(STD_INPUT_HANDLE));
  Startup.hStdError = Inheritable(GetStdHandle(STD_ERROR_HANDLE));
  if (strcmp(Mode, "inherit") == 0) {
    Startup.hStdOutput = Inheritable(GetStdHandle(STD_OUTPUT_HANDLE));
  } else if (strcmp(Mode, "null") == 0) {
    Startup.hStdOutput = nullptr;
  } else if (strcmp(Mode, "invalid") == 0) {
    Startup.hStdOutput = INVALID_HANDLE_VALUE;
  } else if (strcmp(Mode, "closed") == 0) {
    Startup.hStdOutput = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7FF0));
  } else {
    Fail("unknown mode");
  }

  PROCESS_INFORMATION Process;
  if (!CreateProcessA(Arguments[2], Line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &Startup,
                      &Process))
    Fail("CreateProcessA failed");
  WaitForSingleObject(Process.hProcess, INFINITE);
  DWORD ExitCode = 120;
  if (!GetExitCodeProcess(Process.hProcess, &ExitCode)) Fail("no exit code");
  return static_cast<int>(ExitCode);
}
