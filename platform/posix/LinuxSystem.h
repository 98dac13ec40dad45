// The kernel services that the POSIX layer is built on, one call each. On
// Linux they are system calls made directly (the program links no C
// library); elsewhere the C library's POSIX calls provide them. Each
// returns a negative error number on failure.
#pragma once

#include <signal.h>
#include <stddef.h>
#include <stdint.h>

long LinuxWrite(int Descriptor, const void* Data, size_t Count);
// Waits until the descriptor can take bytes again; an interrupt ends the
// wait early.
long LinuxWaitWritable(int Descriptor);
// The target of the link at Path, not NUL-ended; its length.
long LinuxReadLink(const char* Path, char* Buffer, size_t Size);
// The path of the program's own file, not NUL-ended; its length (Size when
// cut short).
long LinuxExecutablePath(char* Buffer, size_t Size);
// The file type and mode bits of the open file (test them with S_ISCHR
// and the like).
long LinuxFileMode(int Descriptor);
// A new descriptor for the same open file.
long LinuxDuplicate(int Descriptor);
long LinuxClose(int Descriptor);
[[noreturn]] void LinuxExit(int Code);

// Anonymous read-write memory, or null.
void* LinuxMapMemory(size_t Size);
void LinuxUnmapMemory(void* Address, size_t Size);

typedef void (*LinuxSignalHandler)(int Signal, siginfo_t* Info, void* Context);

// What a signal does. Handler is a handler's address, or one of the two
// values below.
struct LinuxSignalAction {
  uintptr_t Handler;
  unsigned long Flags;
  uint64_t Mask;  // bit (signal - 1) blocks that signal while the handler runs
};
constexpr uintptr_t LinuxDefaultAction = 0;
constexpr uintptr_t LinuxIgnoreSignal = 1;

inline uintptr_t LinuxHandlerAddress(LinuxSignalHandler Handler) {
  return reinterpret_cast<uintptr_t>(Handler);
}

// Sets Action; Previous, if given, receives the action that was in place
// (its Handler and Flags).
long LinuxSetSignalAction(int Signal, const LinuxSignalAction* Action,
                          LinuxSignalAction* Previous);
long LinuxSetSignalStack(void* Base, size_t Size);
long LinuxRaise(int Signal);

// Where a signal struck, from the context that its handler was given.
struct LinuxFaultRegisters {
  const void* Instruction;  // the faulting instruction, or null when unknown
  uintptr_t StackPointer;   // 0 when unknown
  // The x86 instruction bytes at Instruction may be decoded (x86 only),
  // and whether the code runs in 32-bit mode, where BOUND and INTO exist.
  bool X86Instruction;
  bool X86Legacy;
};
LinuxFaultRegisters LinuxFaultContextOf(const siginfo_t* Info, const void* Context);

// The address in the program's image that code locations count from: the
// image's start, where the system tells it, so that a location is the same
// at every run wherever the image was loaded.
const void* LinuxImageStart();

// The program's entry once the process is set up: the arguments as the
// shell passed them. Never returns.
extern "C" [[noreturn]] void PosixStart(int Count, char** Arguments);
