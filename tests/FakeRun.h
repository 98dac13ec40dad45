// Running the program, or a piece of the run-time, on the fake platform up
// to its ExitProcess.
#pragma once

#include <setjmp.h>

#include <string>

#include "platform/fake/FakePlatform.h"

// Runs Body, which must end in ExitProcess, and returns the exit code.
template <typename Body>
int RunToExit(Body Run) {
  jmp_buf Jump;
  Fake.ExitJump = &Jump;
  if (setjmp(Jump) == 0) Run();
  Fake.ExitJump = nullptr;
  return Fake.ExitCode;
}

// A fresh fake process with the given raw command line and standard output.
inline void PrepareProcess(const std::string& CommandLine, DWORD OutputType = FILE_TYPE_DISK) {
  ResetFakeProcess();
  Fake.CommandLine = CommandLine;
  Fake.OutputType = OutputType;
}

// Sizes of the successful WriteFile calls, in order.
inline std::string WriteSizes() {
  std::string Sizes;
  for (const FakeWrite& Write : Fake.Writes) {
    if (!Sizes.empty()) Sizes += ' ';
    Sizes += std::to_string(Write.Bytes.size());
  }
  return Sizes;
}
