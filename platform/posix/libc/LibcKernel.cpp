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
#include <sys/mman.h>
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

// Signals 1 to 64 fit KernelSignalAction's mask; a system that has fewer
// refuses the rest, and they stay out of the set.
constexpr int MaskSignals = 64;

long Checked(long Result) { return Result < 0 ? -errno : Result; }

sigset_t SignalSetOf(uint64_t Mask) {
  sigset_t Set;
  sigemptyset(&Set);
  for (int Signal = 1; Signal <= MaskSignals; ++Signal) {
    if (Mask >> (Signal - 1) & 1) sigaddset(&Set, Signal);
  }
  return Set;
}

uint64_t MaskOf(const sigset_t& Set) {
  uint64_t Mask = 0;
  for (int Signal = 1; Signal <= MaskSignals; ++Signal) {
    if (sigismember(&Set, Signal) == 1) Mask |= uint64_t{1} << (Signal - 1);
  }
  return Mask;
}

struct sigaction ActionOf(const KernelSignalAction& Action) {
  struct sigaction Result = {};
  Result.sa_flags = static_cast<int>(Action.Flags);
  Result.sa_mask = SignalSetOf(Action.Mask);
  if (Action.Flags & SA_SIGINFO)
    Result.sa_sigaction = reinterpret_cast<KernelSignalHandler>(Action.Handler);
  else if (Action.Handler == KernelDefaultAction)
    Result.sa_handler = SIG_DFL;
  else if (Action.Handler == KernelIgnoreSignal)
    Result.sa_handler = SIG_IGN;
  else
    Result.sa_handler = reinterpret_cast<void (*)(int)>(Action.Handler);
  return Result;
}

KernelSignalAction SeamActionOf(const struct sigaction& Action) {
  KernelSignalAction Result = {};
  Result.Flags = static_cast<unsigned long>(static_cast<unsigned>(Action.sa_flags));
  Result.Mask = MaskOf(Action.sa_mask);
  if (Action.sa_flags & SA_SIGINFO)
    Result.Handler = reinterpret_cast<uintptr_t>(Action.sa_sigaction);
  else if (Action.sa_handler == SIG_DFL)
    Result.Handler = KernelDefaultAction;
  else if (Action.sa_handler == SIG_IGN)
    Result.Handler = KernelIgnoreSignal;
  else
    Result.Handler = reinterpret_cast<uintptr_t>(Action.sa_handler);
  return Result;
}

}  // namespace

long KernelWrite(int Descriptor, const void* Data, size_t Count) {
  return Checked(write(Descriptor, Data, Count));
}

long KernelWaitWritable(int Descriptor) {
  struct pollfd Wanted = {Descriptor, POLLOUT, 0};
  return Checked(poll(&Wanted, 1, -1));
}

long KernelPause(long Milliseconds) { return Checked(poll(nullptr, 0, static_cast<int>(Milliseconds))); }

long KernelReadLink(const char* Path, char* Buffer, size_t Size) {
  return Checked(readlink(Path, Buffer, Size));
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

// Anonymous mappings are newer than POSIX.1-2008. Without them the C
// library's allocator serves: mapping /dev/zero would cost a descriptor and
// two calls, and not every system can map it.
#if defined(MAP_ANONYMOUS)
void* KernelMapMemory(size_t Size) {
  void* Address = mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return Address == MAP_FAILED ? nullptr : Address;
}

void KernelUnmapMemory(void* Address, size_t Size) { munmap(Address, Size); }
#else
void* KernelMapMemory(size_t Size) {
  void* Address = nullptr;
  return posix_memalign(&Address, 16, Size) == 0 ? Address : nullptr;
}

void KernelUnmapMemory(void* Address, size_t) { free(Address); }
#endif

long KernelSetSignalAction(int Signal, const KernelSignalAction* Action,
                           KernelSignalAction* Previous) {
  struct sigaction New = {};
  if (Action) New = ActionOf(*Action);
  struct sigaction Old = {};
  if (sigaction(Signal, Action ? &New : nullptr, &Old) != 0) return -errno;
  if (Previous) *Previous = SeamActionOf(Old);
  return 0;
}

long KernelBlockSignals(uint64_t Mask) {
  sigset_t Set = SignalSetOf(Mask);
  return sigprocmask(SIG_BLOCK, &Set, nullptr) == 0 ? 0 : -errno;
}

// Each system has codes of its own beside POSIX's for signals that a
// process sent; those that number them from 0 down (Linux) have them all
// there.
bool KernelSignalWasSent(const siginfo_t* Info) {
  return Info->si_code <= 0 || Info->si_code == SI_USER || Info->si_code == SI_QUEUE;
}

long KernelSetSignalStack(void* Base, size_t Size) {
  stack_t Stack = {};
  Stack.ss_sp = Base;
  Stack.ss_size = Size;
  return sigaltstack(&Stack, nullptr) == 0 ? 0 : -errno;
}

long KernelRaise(int Signal) { return raise(Signal) == 0 ? 0 : -errno; }

int main(int Count, char** Arguments) {
  ProgramName = Count > 0 ? Arguments[0] : nullptr;
  PosixStart(Count, Arguments);
}
