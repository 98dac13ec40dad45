// Linux system calls without a C library, for x86-64.
#include "platform/posix/LinuxSystem.h"

#include <sys/mman.h>
#include <sys/syscall.h>

#if !defined(__x86_64__)
#error "the Linux build makes its system calls for x86-64 only"
#endif

namespace {

long Call(long Number, long A = 0, long B = 0, long C = 0, long D = 0, long E = 0, long F = 0) {
  register long R10 asm("r10") = D;
  register long R8 asm("r8") = E;
  register long R9 asm("r9") = F;
  long Result;
  asm volatile("syscall"
               : "=a"(Result)
               : "a"(Number), "D"(A), "S"(B), "d"(C), "r"(R10), "r"(R8), "r"(R9)
               : "rcx", "r11", "memory");
  return Result;
}

template <typename T>
long Arg(T* Pointer) {
  return reinterpret_cast<long>(Pointer);
}

}  // namespace

// A handler returns here, and the kernel restores the interrupted context.
extern "C" void LinuxSignalReturn();
static_assert(SYS_rt_sigreturn == 15, "the return trampoline's call number");
asm(".text\n"
    ".type LinuxSignalReturn,@function\n"
    "LinuxSignalReturn:\n"
    "  mov $15, %eax\n"
    "  syscall\n"
    "  hlt\n");

long LinuxWrite(int Descriptor, const void* Data, size_t Count) {
  return Call(SYS_write, Descriptor, Arg(Data), static_cast<long>(Count));
}

long LinuxReadLink(const char* Path, char* Buffer, size_t Size) {
  return Call(SYS_readlink, Arg(Path), Arg(Buffer), static_cast<long>(Size));
}

long LinuxFileStatus(int Descriptor, struct stat* Status) {
  return Call(SYS_fstat, Descriptor, Arg(Status));
}

long LinuxClose(int Descriptor) { return Call(SYS_close, Descriptor); }

void LinuxExit(int Code) {
  for (;;) Call(SYS_exit_group, Code);
}

void* LinuxMapMemory(size_t Size) {
  long Result = Call(SYS_mmap, 0, static_cast<long>(Size), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (Result < 0 && Result > -4096) return nullptr;
  return reinterpret_cast<void*>(Result);
}

void LinuxUnmapMemory(void* Address, size_t Size) {
  Call(SYS_munmap, Arg(Address), static_cast<long>(Size));
}

long LinuxSetSignalAction(int Signal, const LinuxSignalAction* Action,
                          LinuxSignalAction* Previous) {
  LinuxSignalAction Copy;
  if (Action) {
    Copy = *Action;
    Copy.Flags |= LinuxRestorerFlag;
    Copy.Restorer = LinuxSignalReturn;
  }
  return Call(SYS_rt_sigaction, Signal, Action ? Arg(&Copy) : 0, Arg(Previous), 8);
}

long LinuxSetSignalStack(void* Base, size_t Size) {
  stack_t Stack = {};
  Stack.ss_sp = Base;
  Stack.ss_size = Size;
  return Call(SYS_sigaltstack, Arg(&Stack), 0);
}

long LinuxRaise(int Signal) { return Call(SYS_kill, Call(SYS_getpid), Signal); }
