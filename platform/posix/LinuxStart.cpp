// The process entry of the Linux build: no C library starts the program.
// The kernel leaves the argument count and vector on the stack.
#include <stdint.h>

extern "C" [[noreturn]] void PosixStart(uintptr_t* Stack);

asm(".text\n"
    ".globl _start\n"
    ".type _start,@function\n"
    "_start:\n"
    "  xor %ebp, %ebp\n"
    "  mov %rsp, %rdi\n"
    "  and $-16, %rsp\n"
    "  call PosixStart\n"
    "  hlt\n");
