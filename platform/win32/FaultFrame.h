// Between the Windows fault handler and the one file per processor family
// that hooks it into the system's exception dispatch: 32-bit x86 links a
// record into the thread's chain of frame-based handlers, x64 names the
// handler in the unwind data of the entry's frame. Either way a fault that
// nothing below handled reaches the entry's frame, the stack is unwound to
// it, and the run ends there, with the whole stack above the fault's to use.
#pragma once

#include <stdint.h>
#include <windows.h>

// In the family's file.

// Calls Program, which must not return, inside the frame whose handler
// takes every fault of the run.
extern "C" void RunInFaultFrame(void (*Program)());
// Makes that frame's handler live; false when there is no frame to register
// in, and the system's own handling stands.
bool LinkFaultFrame();
// Takes the handler out where the family can; a handler left in place
// passes every fault on once the common part says it is removed.
void UnlinkFaultFrame();
// MXCSR, the SSE control and status register, as the faulting context
// holds it; 0 when the context holds none.
uint32_t FaultMxcsr(const CONTEXT* Context);

// In FaultHandler-win32.cpp, for the family's handler.

// Whether the handler takes this fault: never while the system unwinds,
// before installation or after removal, or when an attached debugger
// claims it. A fault taken is recorded for EndFaultedRun.
bool ClaimFault(EXCEPTION_RECORD* Record, CONTEXT* Context);
// Ends the run with the recorded fault's run-time error. Called in the
// entry's frame once the stack is unwound to it.
extern "C" [[noreturn]] void EndFaultedRun();
