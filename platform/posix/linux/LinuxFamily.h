// What each processor family's file (linux/<family>.cpp) gives the generic
// Linux code: the system-call instruction, the process entry, the return
// from a signal handler and the registers of a fault context. Exactly one
// such file is linked into a program.
#pragma once

#include "platform/posix/Kernel.h"

// Makes system call Number with up to six arguments; the kernel's result.
extern "C" long LinuxSystemCall(long Number, long A = 0, long B = 0, long C = 0, long D = 0,
                                long E = 0, long F = 0);

// The kernel's signal set: 64 signals in words of a long, the first word
// for the lowest signals, whatever the byte order.
typedef unsigned long LinuxKernelMask[64 / (8 * sizeof(unsigned long))];

inline void SetKernelMask(LinuxKernelMask& Words, uint64_t Mask) {
  for (size_t I = 0; I < sizeof Words / sizeof Words[0]; ++I)
    Words[I] = static_cast<unsigned long>(Mask >> (I * 8 * sizeof(unsigned long)));
}

inline uint64_t KernelMaskOf(const LinuxKernelMask& Words) {
  uint64_t Mask = 0;
  for (size_t I = 0; I < sizeof Words / sizeof Words[0]; ++I)
    Mask |= static_cast<uint64_t>(Words[I]) << (I * 8 * sizeof(unsigned long));
  return Mask;
}

// rt_sigaction's record on the families whose handlers return through a
// routine of the caller's, the restorer. The kernel reads the mask right
// behind the restorer, with a long's alignment: a 64-bit field there would
// be aligned to 8 bytes on 32-bit ARM and land 4 bytes too far.
struct LinuxRestorerAction {
  uintptr_t Handler;
  unsigned long Flags;
  void (*Restorer)();
  LinuxKernelMask Mask;
};
static_assert(offsetof(LinuxRestorerAction, Mask) == 3 * sizeof(unsigned long),
              "the signal mask follows handler, flags and restorer");
static_assert(sizeof(LinuxRestorerAction) == 3 * sizeof(unsigned long) + 8,
              "the kernel's signal action record holds a 64-signal mask");
constexpr unsigned long LinuxRestorerFlag = 0x04000000;

// The mode bits of the open file by the family's own stat call, for the
// kernels that lack statx or refuse it.
long LinuxStatFileMode(int Descriptor);

// LinuxStatFileMode by stat call Number, which fills the kernel's Record.
template <typename Record>
long StatFileModeBy(long Number, int Descriptor) {
  Record Status = {};
  long Result = LinuxSystemCall(Number, Descriptor, reinterpret_cast<long>(&Status));
  return Result < 0 ? Result : static_cast<long>(Status.st_mode);
}

// KernelSetSignalAction by that record: a handler returns through Restorer,
// or through the kernel's own return where it is null.
long LinuxSetKernelAction(int Signal, const KernelSignalAction* Action,
                          KernelSignalAction* Previous, void (*Restorer)());

// Called by the family's entry with the stack that the kernel set up: the
// argument count, then the argument vector.
extern "C" [[noreturn]] void LinuxStart(uintptr_t* Stack);
