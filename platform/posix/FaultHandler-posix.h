// What the rest of the POSIX layer may ask of its fault handler.
#pragma once

// True once the fault handler has taken a fault: the run is ending on the
// fault path, and the heap may be caught in mid-update.
bool HandlingFault();
