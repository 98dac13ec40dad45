// 64-bit RISC-V Linux: system-call instruction, entry.
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

// A handler returns through the kernel's own trampoline: this family's
// rt_sigaction record has no restorer field.
void (*const LinuxSignalRestorer)() = nullptr;
