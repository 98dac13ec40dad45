// Ctrl+C on POSIX: recorded by the signal handler, acted on at a safe point.
#include "platform/posix/PosixInterrupt.h"

#include <signal.h>

#include "platform/Platform.h"
#include "platform/posix/FaultHandler-posix.h"
#include "platform/posix/Kernel.h"
#include "runtime/FaultHandler.h"
#include "runtime/System.h"

namespace {

volatile sig_atomic_t Interrupted;
bool RunEndedByInterrupt;

// Only signal-safe work: a flag, or the default action for the second one,
// which takes effect as the handler returns and unblocks the signal.
void InterruptHandler(int Signal, siginfo_t*, void*) {
  if (Interrupted) {
    RaiseWithDefaultAction(Signal);
    return;
  }
  Interrupted = 1;
}

}  // namespace

void InstallInterruptHandler() {
  // No SA_RESTART: a write that blocks returns with what it took, so that a
  // second interrupt finds the process out of the kernel.
  KernelSignalAction Action = {};
  Action.Handler = KernelHandlerAddress(InterruptHandler);
  Action.Flags = SA_SIGINFO | SA_ONSTACK;
  KernelSignalAction Previous = {};
  KernelSetSignalAction(SIGINT, &Action, &Previous);
  if (Previous.Handler == KernelIgnoreSignal) KernelSetSignalAction(SIGINT, &Previous, nullptr);
}

void EndRunIfInterrupted(const void* Where) {
  // A run already ending with an error keeps its code: the interrupt only
  // stops it where it would block.
  if (!Interrupted || ExitStatus != 0) return;
  RunEndedByInterrupt = true;
  RunError(MapFaultStatus(STATUS_CONTROL_C_EXIT), GetCodeLocation(Where));
}

void EndProcessIfInterrupted() {
  if (RunEndedByInterrupt) RaiseWithDefaultAction(SIGINT);
}
