// Ctrl+C on POSIX. An interrupt is only recorded where it strikes; the
// run-time ends the run by it at its next safe point (InterruptPending),
// and the process then ends by the interrupt itself, as shells expect of a
// program that they interrupted.
#pragma once

// Catches SIGINT, unless the caller has it ignored: then it stays ignored
// at every moment. A second interrupt before the run could end by the first
// (a reader that does not read, say) ends the process at once.
void InstallInterruptHandler();

// From now on an interrupt ends the process at once, by SIGINT, with no
// message: for a run that is only showing a box and never writes to
// standard output. One that already arrived ends it now.
void EndProcessAtInterrupt();

// Ends the process by SIGINT if an interrupt arrived; otherwise returns.
void EndProcessIfInterrupted();
