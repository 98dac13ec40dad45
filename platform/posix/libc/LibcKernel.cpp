// The kernel seam on the C library's POSIX.1-2008 calls, with the XSI option
// that alternate signal stacks and their flags belong to: only generic POSIX
// code lives here. What POSIX has no call for is in libc/<system>.cpp.
#if defined(_GNU_SOURCE) || !defined(__STRICT_ANSI__)
#error "the portable layer is built without the compiler's and the C library's extensions"
#endif
#if !defined(_POSIX_C_SOURCE) || _POSIX_C_SOURCE != 200809L || _XOPEN_SOURCE != 700
#error "the portable layer is built for POSIX.1-2008 with XSI and nothing newer"
#endif

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/Kernel.h"
#include "platform/posix/PosixStart.h"
#include "platform/posix/libc/LibcSystem.h"

// The GNU C library's names for its BSD, System V and GNU extensions.
#if defined(__USE_GNU) || defined(__USE_MISC)
#error "the C library's extensions are visible to the portable layer"
#endif

namespace {

const char* ProgramName;

long Checked(long Result) { return Result < 0 ? -errno : Result; }

}  // namespace

long KernelWrite(int Descriptor, const void* Data, size_t Count) {
  return Checked(write(Descriptor, Data, Count));
}

long KernelWaitWritable(int Descriptor, long Milliseconds) {
  struct pollfd Wanted = {Descriptor, POLLOUT, 0};
  return Checked(poll(&Wanted, 1, static_cast<int>(Milliseconds)));
}

long KernelExecutablePath(char* Buffer, size_t Size) {
  return LibcExecutablePath(ProgramName, Buffer, Size);
}

long KernelFileMode(int Descriptor) {
  struct stat Status;
  if (fstat(Descriptor, &Status) != 0) return -errno;
  return static_cast<long>(Status.st_mode);
}

long KernelOpenForWriting(int Descriptor) {
  int Flags = fcntl(Descriptor, F_GETFL);
  if (Flags < 0) return -errno;
  return (Flags & O_ACCMODE) != O_RDONLY ? 1 : 0;
}

long KernelDuplicate(int Descriptor) { return Checked(dup(Descriptor)); }

long KernelClose(int Descriptor) { return Checked(close(Descriptor)); }

void KernelExit(int Code) { _exit(Code); }

// Anonymous mappings are newer than POSIX.1-2008, and mapping /dev/zero
// would cost a descriptor and two calls: the C library's allocator serves.
void* KernelMapMemory(size_t Size) {
  void* Address = nullptr;
  return posix_memalign(&Address, 16, Size) == 0 ? Address : nullptr;
}

void KernelUnmapMemory(void* Address, size_t) { free(Address); }

long KernelSetSignalAction(int Signal, uintptr_t Handler, unsigned long Flags) {
  struct sigaction Action = {};
  sigemptyset(&Action.sa_mask);
  Action.sa_flags = static_cast<int>(Flags);
  if (Flags & SA_SIGINFO)
    Action.sa_sigaction = reinterpret_cast<KernelSignalHandler>(Handler);
  else
    Action.sa_handler = Handler == KernelIgnoreSignal ? SIG_IGN : SIG_DFL;
  return sigaction(Signal, &Action, nullptr) == 0 ? 0 : -errno;
}

long KernelSignalIgnored(int Signal) {
  struct sigaction Current = {};
  if (sigaction(Signal, nullptr, &Current) != 0) return -errno;
  return !(Current.sa_flags & SA_SIGINFO) && Current.sa_handler == SIG_IGN ? 1 : 0;
}

// Signals 1 to 64 fit the mask; a system that has fewer refuses the rest,
// and they stay out of the set.
long KernelBlockSignals(uint64_t Mask) {
  sigset_t Set;
  sigemptyset(&Set);
  for (int Signal = 1; Signal <= 64; ++Signal)
    if (Mask >> (Signal - 1) & 1) sigaddset(&Set, Signal);
  return sigprocmask(SIG_BLOCK, &Set, nullptr) == 0 ? 0 : -errno;
}

long KernelSetSignalStack(const stack_t& Stack) {
  return sigaltstack(&Stack, nullptr) == 0 ? 0 : -errno;
}

long KernelRaise(int Signal) { return raise(Signal) == 0 ? 0 : -errno; }

int main(int Count, char** Arguments) {
  ProgramName = Count > 0 ? Arguments[0] : nullptr;
  PosixStart(Count, Arguments);
}
