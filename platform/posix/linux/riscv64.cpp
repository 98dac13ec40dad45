// 64-bit RISC-V Linux: system-call instruction, entry, stat record.
#include <asm/stat.h>
#include <sys/syscall.h>

#include "platform/posix/linux/LinuxFamily.h"

// The linker may reach small data through gp, which no C library sets up
// here: the entry does.
asm(".text\n"
    ".globl LinuxSystemCall\n"
    ".type LinuxSystemCall,@function\n"
    "LinuxSystemCall:\n"
    "  mv a7, a0\n"
    "  mv a0, a1\n"
    "  mv a1, a2\n"
    "  mv a2, a3\n"
    "  mv a3, a4\n"
    "  mv a4, a5\n"
    "  mv a5, a6\n"
    "  ecall\n"
    "  ret\n"
    ".globl _start\n"
    ".type _start,@function\n"
    "_start:\n"
    "  .option push\n"
    "  .option norelax\n"
    "  lla gp, __global_pointer$\n"
    "  .option pop\n"
    "  mv a0, sp\n"
    "  andi sp, sp, -16\n"
    "  call LinuxStart\n"
    "  ebreak\n");

// This family's rt_sigaction record has no restorer: a handler returns
// through the kernel's own trampoline, and the kernel reads the mask at
// offset 16. qemu 7's user-mode emulator reads the record as other families
// have it, with a restorer word there and the mask behind it. The one cost of
// running under it is EmulatorMask, a copy of the mask past the end of what
// the kernel reads: a word of stack and a store per call. (The old action's
// mask, which nothing here uses, comes back wrong under qemu.)
struct SignalActionRecord {
  uintptr_t Handler;
  unsigned long Flags;
  uint64_t Mask;
  // cppcheck-suppress unusedStructMember ; only the emulator reads it
  uint64_t EmulatorMask;
};
static_assert(offsetof(SignalActionRecord, Mask) == 16, "the kernel reads the mask at offset 16");

long KernelSetSignalAction(int Signal, const KernelSignalAction* Action,
                           KernelSignalAction* Previous) {
  SignalActionRecord New = {};
  if (Action) New = {Action->Handler, Action->Flags, Action->Mask, Action->Mask};
  SignalActionRecord Old = {};
  long Result = LinuxSystemCall(SYS_rt_sigaction, Signal, Action ? reinterpret_cast<long>(&New) : 0,
                                reinterpret_cast<long>(&Old), sizeof Old.Mask);
  if (Previous) *Previous = {Old.Handler, Old.Flags, Old.Mask};
  return Result;
}

// The kernel's own record of its stat call on this family.
long LinuxStatFileMode(int Descriptor) {
  return StatFileModeBy<struct stat>(SYS_fstat, Descriptor);
}
