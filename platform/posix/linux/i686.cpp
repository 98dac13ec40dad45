// 32-bit x86 Linux: system-call instruction, entry, signal return.
#include "platform/posix/linux/LinuxFamily.h"

// The call's number and arguments come on the stack; the kernel takes them
// in eax, ebx, ecx, edx, esi, edi and ebp, four of which must be kept.
asm(".text\n"
    ".globl LinuxSystemCall\n"
    ".type LinuxSystemCall,@function\n"
    "LinuxSystemCall:\n"
    "  push %ebp\n"
    "  push %edi\n"
    "  push %esi\n"
    "  push %ebx\n"
    "  mov 20(%esp), %eax\n"
    "  mov 24(%esp), %ebx\n"
    "  mov 28(%esp), %ecx\n"
    "  mov 32(%esp), %edx\n"
    "  mov 36(%esp), %esi\n"
    "  mov 40(%esp), %edi\n"
    "  mov 44(%esp), %ebp\n"
    "  int $0x80\n"
    "  pop %ebx\n"
    "  pop %esi\n"
    "  pop %edi\n"
    "  pop %ebp\n"
    "  ret\n"
    ".globl _start\n"
    ".type _start,@function\n"
    "_start:\n"
    "  xor %ebp, %ebp\n"
    "  mov %esp, %eax\n"
    "  and $-16, %esp\n"
    "  sub $12, %esp\n"
    "  push %eax\n"
    "  call LinuxStart\n"
    "  hlt\n"
    // rt_sigreturn is call 173.
    ".type LinuxSignalReturn,@function\n"
    "LinuxSignalReturn:\n"
    "  mov $173, %eax\n"
    "  int $0x80\n"
    "  hlt\n");

extern "C" void LinuxSignalReturn();

void (*const LinuxSignalRestorer)() = LinuxSignalReturn;
