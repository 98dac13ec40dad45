// The top-level fault handler on POSIX: processor faults arrive as signals,
// caught on an alternate stack so that a stack overflow is caught too. Only
// signal-safe work happens here: the handler maps the signal to a fault
// status and ends the run through RunError, which writes with direct calls
// and leaves through _exit.
#include "platform/posix/FaultHandler-posix.h"

#include <signal.h>
#include <stddef.h>

#include "platform/Platform.h"
#include "platform/posix/Kernel.h"
#include "platform/posix/PosixFaultStatus.h"
#include "runtime/FaultHandler.h"
#include "runtime/System.h"

namespace {

const int CaughtSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP};

// A fault while the run-time error path is finishing comes back through
// RunError, and finishing goes on with what is left. A path that keeps
// faulting ends the run at once after this many, with the code that the
// error path already holds.
constexpr int MaxFaults = 8;

// Room for MaxFaults nested signal frames with the run-time error path on
// each; static, since nothing here may allocate.
alignas(16) uint8_t AlternateStack[128 * 1024];

volatile sig_atomic_t Installed;
volatile sig_atomic_t FaultsHandled;
uintptr_t StackTop;

// True for a signal that a process sent (kill, sigqueue and the like),
// false for one that the system raised, a processor fault's. Each system
// has codes of its own beside POSIX's for sent ones; those that number them
// from 0 down (Linux: SI_USER is 0, SI_QUEUE and SI_TKILL below) have them
// all there.
bool WasSent(const siginfo_t* Info) {
  return Info->si_code <= 0 || Info->si_code == SI_USER || Info->si_code == SI_QUEUE;
}

// A fault signal that another process sent is no processor fault: the run
// ends by it, as any program ends that is sent it.
void TopLevelFaultHandler(int Signal, siginfo_t* Info, void* Context) {
  if (!Installed || WasSent(Info)) {
    RaiseWithDefaultAction(Signal);
    return;
  }
  FaultsHandled = FaultsHandled + 1;
  if (FaultsHandled > MaxFaults) ExitProcess(ExitStatus != 0 ? ExitStatus : 255);
  SignalFault Fault = {Signal, Info->si_code, reinterpret_cast<uintptr_t>(Info->si_addr), StackTop,
                       KernelFaultContextOf(Info, Context)};
  // Location 0 would mean that there is nothing to report: where the system
  // does not tell the faulting instruction, the handler stands in for it.
  const void* Location = Fault.At.Instruction;
  if (!Location) Location = reinterpret_cast<const void*>(&TopLevelFaultHandler);
  RunError(MapFaultStatus(FaultStatusOf(Fault)), GetCodeLocation(Location));
}

}  // namespace

void RaiseWithDefaultAction(int Signal) {
  KernelSetSignalAction(Signal, KernelDefaultAction, 0);
  KernelRaise(Signal);
}

bool HandlingFault() { return FaultsHandled > 0; }

void InstallFaultHandler() {
  // A stack overflow faults far below the frames of start-up, and the stack
  // above this frame is mapped: it serves as the top.
  StackTop = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  FaultsHandled = 0;

  // The fields' order differs between systems.
  stack_t Stack = {};
  Stack.ss_sp = AlternateStack;
  Stack.ss_size = sizeof AlternateStack;
  KernelSetSignalStack(Stack);

  // Not deferred: a fault while finishing after a fault must reach the
  // handler again rather than kill the process. Nothing is blocked either:
  // the error path may wait on a reader, and Ctrl+C must still reach the
  // process there.
  for (int Signal : CaughtSignals)
    KernelSetSignalAction(Signal, KernelHandlerAddress(TopLevelFaultHandler),
                          SA_SIGINFO | SA_ONSTACK | SA_NODEFER);
  Installed = 1;
}

// The handlers stay registered, which costs no system call at every exit;
// one that fires after this hands its signal to the default action.
void RemoveFaultHandler() { Installed = 0; }
