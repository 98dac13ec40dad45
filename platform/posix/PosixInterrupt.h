// Ctrl+C on POSIX. An interrupt is only recorded where it strikes; the run
// ends by it at the next point where each byte is either written or still
// in the channel's buffer, and the process then ends by the interrupt
// itself, as shells expect of a program that they interrupted.
#pragma once

// Catches SIGINT, unless the parent has it ignored. A second interrupt
// before the run could end by the first (a reader that does not read, say)
// ends the process at once.
void InstallInterruptHandler();

// If an interrupt has arrived and the run is not already ending with a
// run-time error, ends the run with the interrupt's, located at Where.
void EndRunIfInterrupted(const void* Where);

// When the run ended by the interrupt, ends the process by SIGINT;
// otherwise returns.
void EndProcessIfInterrupted();
