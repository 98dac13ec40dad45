// 64-bit ARM Linux: system-call instruction, entry.
#include "platform/posix/linux/LinuxFamily.h"

asm(".text\n"
    ".globl LinuxSystemCall\n"
    ".type LinuxSystemCall,%function\n"
    "LinuxSystemCall:\n"
    "  mov x8, x0\n"
    "  mov x0, x1\n"
    "  mov x1, x2\n"
    "  mov x2, x3\n"
    "  mov x3, x4\n"
    "  mov x4, x5\n"
    "  mov x5, x6\n"
    "  svc #0\n"
    "  ret\n"
    ".globl _start\n"
    ".type _start,%function\n"
    "_start:\n"
    "  mov x29, #0\n"
    "  mov x30, #0\n"
    "  mov x0, sp\n"
    "  bl LinuxStart\n"
    "  brk #0\n");

// A handler returns through the kernel's own trampoline in the vDSO, which
// every process on this family has; qemu 7 ignores a restorer of ours here
// and returns through its own.
void (*const LinuxSignalRestorer)() = nullptr;
