// x64 Windows: the fault handler named in the unwind data of the entry's
// frame, the unwind to that frame with RtlUnwindEx, and MXCSR in a fault's
// context. The system finds a frame's handler through the unwind tables of
// every frame below it, so all code here is built with them.
#include "platform/win32/FaultFrame.h"

extern "C" {

EXCEPTION_DISPOSITION EntryFrameHandler(EXCEPTION_RECORD* Record, void* EstablisherFrame,
                                        CONTEXT* Context, DISPATCHER_CONTEXT* Dispatcher);
// Where a fault's unwind lands: inside RunInFaultFrame, behind its call of
// the program.
void FaultContinuation();

}  // extern "C"

// RunInFaultFrame(Program): calls Program in a frame whose unwind data
// names EntryFrameHandler. The handler unwinds a fault to
// FaultContinuation, which ends the run from this frame; a fault on the way
// comes back to the same place.
asm(R"(
        .text
        .p2align 4
        .globl RunInFaultFrame
        .def RunInFaultFrame; .scl 2; .type 32; .endef
        .seh_proc RunInFaultFrame
RunInFaultFrame:
        subq $40, %rsp
        .seh_stackalloc 40
        .seh_endprologue
        .seh_handler EntryFrameHandler, @except
        call *%rcx
        .globl FaultContinuation
FaultContinuation:
        call EndFaultedRun
        int3
        .seh_endproc
)");

namespace {

bool Linked;

}  // namespace

// Named only in the unwind data that the assembly above writes, which
// link-time optimisation does not see: kept by attribute, as is
// EndFaultedRun.
[[gnu::used]] EXCEPTION_DISPOSITION EntryFrameHandler(EXCEPTION_RECORD* Record,
                                                      void* EstablisherFrame, CONTEXT* Context,
                                                      DISPATCHER_CONTEXT* Dispatcher) {
  if (!Linked || !ClaimFault(Record, Context)) return ExceptionContinueSearch;
  // Runs the clean-up of every frame below the entry's and goes on at
  // FaultContinuation with the entry's stack pointer: after a stack
  // overflow the error path then runs with nearly the whole stack. The
  // dispatcher's context is the scratch record that the unwind needs.
  RtlUnwindEx(EstablisherFrame, reinterpret_cast<void*>(FaultContinuation), Record, nullptr,
              Dispatcher->ContextRecord, Dispatcher->HistoryTable);
  __builtin_unreachable();
}

// The handler is in the unwind data for good; it takes faults only while
// linked.
bool LinkFaultFrame() {
  Linked = true;
  return true;
}

void UnlinkFaultFrame() { Linked = false; }

uint32_t FaultMxcsr(const CONTEXT* Context) { return Context->MxCsr; }
