// Where the Windows fault handler registers: its record must lie above
// every frame of the run, so the entry runs the program inside a frame that
// holds it.
#pragma once

// Calls Program, which must not return, from a frame that keeps the fault
// handler's registration; InstallFaultHandler links it in.
void RunInFaultFrame(void (*Program)());
