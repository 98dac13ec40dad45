// The kernel seam: the services that the POSIX layer is built on, one call
// each, as system calls made directly on Linux (linux/, no C library) or as
// the C library's POSIX calls (libc/). Each returns a negative error number
// on failure.
#pragma once

#include <signal.h>
#include <stddef.h>
#include <stdint.h>

long KernelWrite(int Descriptor, const void* Data, size_t Count);
// Waits until the descriptor can take bytes again, or until Milliseconds
// have passed (-1: no limit); an interrupt ends the wait early. A negative
// Descriptor is not waited on: the call only sleeps.
long KernelWaitWritable(int Descriptor, long Milliseconds);
// The path of the program's own file, not NUL-ended; its length (Size when
// cut short).
long KernelExecutablePath(char* Buffer, size_t Size);
// The file type and mode bits of the open file (test them with S_ISCHR
// and the like).
long KernelFileMode(int Descriptor);
// 1 when the descriptor is open for writing, 0 when it is open but not for
// writing (only for reading, say).
long KernelOpenForWriting(int Descriptor);
// A new descriptor for the same open file.
long KernelDuplicate(int Descriptor);
long KernelClose(int Descriptor);
[[noreturn]] void KernelExit(int Code);

// Anonymous read-write memory, or null.
void* KernelMapMemory(size_t Size);
void KernelUnmapMemory(void* Address, size_t Size);

typedef void (*KernelSignalHandler)(int Signal, siginfo_t* Info, void* Context);

// What a signal does: a handler's address, which Flags must take with
// SA_SIGINFO, or one of these two.
constexpr uintptr_t KernelDefaultAction = 0;
constexpr uintptr_t KernelIgnoreSignal = 1;

inline uintptr_t KernelHandlerAddress(KernelSignalHandler Handler) {
  return reinterpret_cast<uintptr_t>(Handler);
}

// Sets the signal's action to Handler with Flags. No other signal is
// blocked while the handler runs.
long KernelSetSignalAction(int Signal, uintptr_t Handler, unsigned long Flags);
// 1 when the signal is ignored, 0 when it is not.
long KernelSignalIgnored(int Signal);
// Adds the signals of Mask (bit signal - 1) to those blocked.
long KernelBlockSignals(uint64_t Mask);
long KernelSetSignalStack(const stack_t& Stack);
long KernelRaise(int Signal);

// Where a signal struck, from the context that its handler was given.
struct KernelFaultRegisters {
  const void* Instruction;  // the faulting instruction, or null when unknown
  uintptr_t StackPointer;   // 0 when unknown
  // The fault status that a general protection fault at Instruction stands
  // for by the instruction's bytes (0 for none that it tells), where the
  // processor family can tell one; null elsewhere.
  uint32_t (*InstructionStatus)(const uint8_t* Instruction);
};
KernelFaultRegisters KernelFaultContextOf(const siginfo_t* Info, const void* Context);

// The address in the program's image that code locations count from: the
// image's start, where the system tells it, so that a location is the same
// at every run wherever the image was loaded.
const void* KernelImageStart();
