// Ctrl+C on POSIX: recorded by the signal handler, acted on at a safe point.
#include "platform/posix/PosixInterrupt.h"

#include <signal.h>

#include "platform/Platform.h"
#include "platform/posix/FaultHandler-posix.h"
#include "platform/posix/Kernel.h"

namespace {

volatile sig_atomic_t Interrupted;
volatile sig_atomic_t EndsAtOnce;

// Only signal-safe work: a flag, or the default action, which takes effect
// as the handler returns and unblocks the signal.
void InterruptHandler(int Signal, siginfo_t*, void*) {
  if (Interrupted || EndsAtOnce) {
    RaiseWithDefaultAction(Signal);
    return;
  }
  Interrupted = 1;
}

}  // namespace

void InstallInterruptHandler() {
  // Asked first: an ignored interrupt must not be caught even for the
  // moment between installing and putting "ignore" back. Where the action
  // cannot be read, it is not changed either.
  if (KernelSignalIgnored(SIGINT) != 0) return;
  // No SA_RESTART: a write that blocks returns with what it took, so that a
  // second interrupt finds the process out of the kernel.
  KernelSetSignalAction(SIGINT, KernelHandlerAddress(InterruptHandler), SA_SIGINFO | SA_ONSTACK);
}

void EndProcessAtInterrupt() {
  EndsAtOnce = 1;
  EndProcessIfInterrupted();
}

void EndProcessIfInterrupted() {
  if (Interrupted) RaiseWithDefaultAction(SIGINT);
}

bool InterruptPending() { return Interrupted != 0; }
