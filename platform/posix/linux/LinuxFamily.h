// What each processor family's file (linux/<family>.cpp) gives the generic
// Linux code: the system-call instruction, the process entry, the return
// from a signal handler and the registers of a fault context. Exactly one
// such file is linked into a program.
#pragma once

#include "platform/posix/Kernel.h"

// Makes system call Number with up to six arguments; the kernel's result.
extern "C" long LinuxSystemCall(long Number, long A = 0, long B = 0, long C = 0, long D = 0,
                                long E = 0, long F = 0);

// rt_sigaction's record, with an empty mask: a handler returns through
// Restorer where the family gives one. The families without a restorer
// field (riscv64) read the mask where Restorer is, which is null there, so
// that the one record serves them all.
struct LinuxSignalAction {
  uintptr_t Handler;
  unsigned long Flags;
  void (*Restorer)();
  uint32_t Mask[2];  // 64 signals, aligned to a long at most as the kernel reads them
};
static_assert(offsetof(LinuxSignalAction, Mask) == 3 * sizeof(unsigned long),
              "the signal mask follows handler, flags and restorer");
constexpr unsigned long LinuxRestorerFlag = 0x04000000;

// The family's return from a signal handler, or null where the kernel
// gives the return itself.
extern void (*const LinuxSignalRestorer)();

// Called by the family's entry with the stack that the kernel set up: the
// argument count, then the argument vector.
extern "C" [[noreturn]] void LinuxStart(uintptr_t* Stack);
