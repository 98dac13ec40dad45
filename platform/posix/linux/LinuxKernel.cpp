// Linux system calls without a C library: only what every processor family
// shares. The call numbers are each target's own, from <sys/syscall.h>.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/syscall.h>

#include "platform/posix/Kernel.h"
#include "platform/posix/PosixStart.h"
#include "platform/posix/linux/LinuxFamily.h"

extern "C" const char __executable_start[];

namespace {

template <typename T>
long Arg(T* Pointer) {
  return reinterpret_cast<long>(Pointer);
}

long Size(size_t Count) { return static_cast<long>(Count); }

}  // namespace

long KernelWrite(int Descriptor, const void* Data, size_t Count) {
  return LinuxSystemCall(SYS_write, Descriptor, Arg(Data), Size(Count));
}

// Every family has ppoll; the older poll is missing on the newer ones. Its
// timeout is the kernel's timespec, two longs on every family: seconds,
// then nanoseconds.
long KernelWaitWritable(int Descriptor, long Milliseconds) {
  struct pollfd Wanted = {Descriptor, POLLOUT, 0};
  long Timeout[2] = {Milliseconds / 1000, Milliseconds % 1000 * 1000000};
  return LinuxSystemCall(SYS_ppoll, Arg(&Wanted), 1, Milliseconds < 0 ? 0 : Arg(Timeout), 0,
                         sizeof(uint64_t));
}

// The newer families have no readlink; every family has readlinkat.
long KernelExecutablePath(char* Buffer, size_t Count) {
  return LinuxSystemCall(SYS_readlinkat, AT_FDCWD, Arg("/proc/self/exe"), Arg(Buffer), Size(Count));
}

// A descriptor opened with O_PATH takes no bytes either.
long KernelOpenForWriting(int Descriptor) {
  long Flags = LinuxSystemCall(SYS_fcntl, Descriptor, F_GETFL);
  if (Flags < 0) return Flags;
  return (Flags & O_ACCMODE) != O_RDONLY && !(Flags & O_PATH) ? 1 : 0;
}

long KernelDuplicate(int Descriptor) { return LinuxSystemCall(SYS_dup, Descriptor); }

long KernelClose(int Descriptor) { return LinuxSystemCall(SYS_close, Descriptor); }

void KernelExit(int Code) {
  for (;;) LinuxSystemCall(SYS_exit_group, Code);
}

void* KernelMapMemory(size_t Count) {
  // 32-bit families map by mmap2, whose offset counts pages; it is 0 here.
#if defined(SYS_mmap2)
  constexpr long MapCall = SYS_mmap2;
#else
  constexpr long MapCall = SYS_mmap;
#endif
  long Result = LinuxSystemCall(MapCall, 0, Size(Count), PROT_READ | PROT_WRITE,
                                MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (Result < 0 && Result > -4096) return nullptr;
  return reinterpret_cast<void*>(Result);
}

void KernelUnmapMemory(void* Address, size_t Count) {
  LinuxSystemCall(SYS_munmap, Arg(Address), Size(Count));
}

long KernelSetSignalAction(int Signal, uintptr_t Handler, unsigned long Flags) {
  LinuxSignalAction Action = {Handler, Flags, LinuxSignalRestorer, {}};
  if (LinuxSignalRestorer) Action.Flags |= LinuxRestorerFlag;
  return LinuxSystemCall(SYS_rt_sigaction, Signal, Arg(&Action), 0, sizeof Action.Mask);
}

long KernelSignalIgnored(int Signal) {
  LinuxSignalAction Current = {};
  long Result = LinuxSystemCall(SYS_rt_sigaction, Signal, 0, Arg(&Current), sizeof Current.Mask);
  return Result < 0 ? Result : Current.Handler == KernelIgnoreSignal ? 1 : 0;
}

// The kernel's set is 64 bits in words of a long, the lowest signals
// first: a uint64_t's bytes, on the families here, which are all 64-bit or
// little-endian.
long KernelBlockSignals(uint64_t Mask) {
  return LinuxSystemCall(SYS_rt_sigprocmask, SIG_BLOCK, Arg(&Mask), 0, sizeof Mask);
}

long KernelSetSignalStack(const stack_t& Stack) {
  return LinuxSystemCall(SYS_sigaltstack, Arg(&Stack), 0);
}

long KernelRaise(int Signal) {
  return LinuxSystemCall(SYS_kill, LinuxSystemCall(SYS_getpid), Signal);
}

const void* KernelImageStart() { return __executable_start; }

// The family's entry comes here with the stack that the kernel set up.
// Only its assembly calls this, which link-time optimisation does not see:
// kept by attribute.
extern "C" [[gnu::used]] void LinuxStart(uintptr_t* Stack) {
  PosixStart(static_cast<int>(Stack[0]), reinterpret_cast<char**>(Stack + 1));
}
