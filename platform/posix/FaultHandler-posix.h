// What the rest of the POSIX layer may ask of its fault handler.
#pragma once

// True once the fault handler has taken a fault: the run is ending on the
// fault path, and the heap may be caught in mid-update.
bool HandlingFault();

// Raises Signal with its default action, as if no handler were there: the
// end of a process that a signal is to end.
void RaiseWithDefaultAction(int Signal);
