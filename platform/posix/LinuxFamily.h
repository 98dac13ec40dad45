// What each processor family's file (linux-<family>.cpp) gives the generic
// Linux code: the system-call instruction, the process entry, the return
// from a signal handler and the registers of a fault context. Exactly one
// such file is linked into a program.
#pragma once

#include "platform/posix/LinuxSystem.h"

// Makes system call Number with up to six arguments; the kernel's result.
extern "C" long LinuxSystemCall(long Number, long A = 0, long B = 0, long C = 0, long D = 0,
                                long E = 0, long F = 0);

// rt_sigaction's record on the families whose handlers return through a
// routine of the caller's, the restorer.
struct LinuxRestorerAction {
  uintptr_t Handler;
  unsigned long Flags;
  void (*Restorer)();
  uint64_t Mask;
};
constexpr unsigned long LinuxRestorerFlag = 0x04000000;

// LinuxSetSignalAction for those families, with Restorer as the return.
long LinuxSetActionWithRestorer(int Signal, const LinuxSignalAction* Action,
                                LinuxSignalAction* Previous, void (*Restorer)());

// Called by the family's entry with the stack that the kernel set up: the
// argument count, then the argument vector.
extern "C" [[noreturn]] void LinuxStart(uintptr_t* Stack);
