// The Linux system calls that the POSIX layer makes, made directly: the
// program links no C library. Each returns what the kernel returns, a
// negative error number on failure.
#pragma once

#include <signal.h>
#include <stddef.h>
#include <stdint.h>
#include <sys/stat.h>

long LinuxWrite(int Descriptor, const void* Data, size_t Count);
long LinuxReadLink(const char* Path, char* Buffer, size_t Size);
long LinuxFileStatus(int Descriptor, struct stat* Status);
long LinuxClose(int Descriptor);
[[noreturn]] void LinuxExit(int Code);

// Anonymous read-write memory, or null.
void* LinuxMapMemory(size_t Size);
void LinuxUnmapMemory(void* Address, size_t Size);

typedef void (*LinuxSignalHandler)(int Signal, siginfo_t* Info, void* Context);

// The kernel's own record of a signal's action. Handler is a handler's
// address, or one of the two values below.
struct LinuxSignalAction {
  uintptr_t Handler;
  unsigned long Flags;
  void (*Restorer)();
  uint64_t Mask;  // bit (signal - 1) blocks that signal while the handler runs
};
constexpr unsigned long LinuxRestorerFlag = 0x04000000;
constexpr uintptr_t LinuxDefaultAction = 0;
constexpr uintptr_t LinuxIgnoreSignal = 1;

inline uintptr_t LinuxHandlerAddress(LinuxSignalHandler Handler) {
  return reinterpret_cast<uintptr_t>(Handler);
}

// Sets Action (restored through our own return trampoline); Previous, if
// given, receives the action that was in place.
long LinuxSetSignalAction(int Signal, const LinuxSignalAction* Action,
                          LinuxSignalAction* Previous);
long LinuxSetSignalStack(void* Base, size_t Size);
long LinuxRaise(int Signal);
