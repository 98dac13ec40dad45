// 32-bit ARM Linux (EABI): system calls, entry, signal return, EABI helpers.
#include <string.h>

#include "platform/posix/linux/LinuxFamily.h"

// Written in the instruction set the compiler uses, which the assembler
// must be left in afterwards.
#if defined(__thumb__)
#define SPOUTER_ARM_MODE ".thumb\n"
#define SPOUTER_ARM_FUNCTION(Name) ".thumb_func\n" Name ":\n"
#else
#define SPOUTER_ARM_MODE ".arm\n"
#define SPOUTER_ARM_FUNCTION(Name) Name ":\n"
#endif

asm(".text\n"
    ".syntax unified\n" SPOUTER_ARM_MODE
    ".globl LinuxSystemCall\n"
    ".type LinuxSystemCall,%function\n" SPOUTER_ARM_FUNCTION("LinuxSystemCall")
    "  push {r4, r5, r7, lr}\n"
    "  mov r7, r0\n"
    "  mov r0, r1\n"
    "  mov r1, r2\n"
    "  mov r2, r3\n"
    "  ldr r3, [sp, #16]\n"
    "  ldr r4, [sp, #20]\n"
    "  ldr r5, [sp, #24]\n"
    "  svc #0\n"
    "  pop {r4, r5, r7, pc}\n"
    ".globl _start\n"
    ".type _start,%function\n" SPOUTER_ARM_FUNCTION("_start")
    "  mov r0, #0\n"
    "  mov fp, r0\n"
    "  mov lr, r0\n"
    "  mov r0, sp\n"
    "  mov r1, r0\n"
    "  bic r1, r1, #15\n"
    "  mov sp, r1\n"
    "  bl LinuxStart\n"
    "  udf #0\n"
    // rt_sigreturn is call 173.
    ".type LinuxSignalReturn,%function\n" SPOUTER_ARM_FUNCTION("LinuxSignalReturn")
    "  mov r7, #173\n"
    "  svc #0\n"
    "  udf #0\n");

extern "C" void LinuxSignalReturn();

void (*const LinuxSignalRestorer)() = LinuxSignalReturn;

// The compiler calls these for block copies and clears on this family.
extern "C" {
void __aeabi_memcpy(void* To, const void* From, size_t Count) { memcpy(To, From, Count); }
void __aeabi_memcpy4(void* To, const void* From, size_t Count) { memcpy(To, From, Count); }
void __aeabi_memcpy8(void* To, const void* From, size_t Count) { memcpy(To, From, Count); }
void __aeabi_memmove(void* To, const void* From, size_t Count) { memmove(To, From, Count); }
void __aeabi_memset(void* To, size_t Count, int Value) { memset(To, Value, Count); }
void __aeabi_memclr(void* To, size_t Count) { memset(To, 0, Count); }
void __aeabi_memclr4(void* To, size_t Count) { memset(To, 0, Count); }
void __aeabi_memclr8(void* To, size_t Count) { memset(To, 0, Count); }
}
