// x86-64 Linux: system-call instruction, entry, signal return.
#include "platform/posix/linux/LinuxFamily.h"

asm(".text\n"
    ".globl LinuxSystemCall\n"
    ".type LinuxSystemCall,@function\n"
    "LinuxSystemCall:\n"
    "  mov %rdi, %rax\n"
    "  mov %rsi, %rdi\n"
    "  mov %rdx, %rsi\n"
    "  mov %rcx, %rdx\n"
    "  mov %r8, %r10\n"
    "  mov %r9, %r8\n"
    "  mov 8(%rsp), %r9\n"
    "  syscall\n"
    "  ret\n"
    ".globl _start\n"
    ".type _start,@function\n"
    "_start:\n"
    "  xor %ebp, %ebp\n"
    "  mov %rsp, %rdi\n"
    "  and $-16, %rsp\n"
    "  call LinuxStart\n"
    "  hlt\n"
    // A handler returns here, and the kernel restores the interrupted
    // context: rt_sigreturn is call 15.
    ".type LinuxSignalReturn,@function\n"
    "LinuxSignalReturn:\n"
    "  mov $15, %eax\n"
    "  syscall\n"
    "  hlt\n");

extern "C" void LinuxSignalReturn();

void (*const LinuxSignalRestorer)() = LinuxSignalReturn;
