// 32-bit x86 Windows: the fault handler's record in the thread's chain of
// frame-based handlers (fs:0), the unwind to the entry's frame, and MXCSR
// in a fault's context.
#include <stddef.h>

#include "platform/win32/FaultFrame.h"

namespace {

// The entry's frame: the handler's registration, and the stack pointer
// from which the error path runs after a fault.
struct EntryFrame {
  EXCEPTION_REGISTRATION_RECORD Registration;
  uintptr_t StackTop;
};

EntryFrame* Entry;

// The head of the thread's chain of exception registrations.
EXCEPTION_REGISTRATION_RECORD* ChainHead() {
  EXCEPTION_REGISTRATION_RECORD* Head;
  asm volatile("movl %%fs:0, %0" : "=r"(Head));
  return Head;
}

void SetChainHead(EXCEPTION_REGISTRATION_RECORD* Head) {
  asm volatile("movl %0, %%fs:0" : : "r"(Head) : "memory");
}

EXCEPTION_DISPOSITION NTAPI EntryFrameHandler(EXCEPTION_RECORD* Record, void* EstablisherFrame,
                                              CONTEXT* Context, void*) {
  if (!ClaimFault(Record, Context)) return ExceptionContinueSearch;
  // Runs the clean-up of every frame below the entry's; the handler's own
  // registration stays at the head of the chain.
  RtlUnwind(EstablisherFrame, nullptr, Record, nullptr);
  // The error path goes on from the entry's frame, as a compiler's
  // __except block does: after a stack overflow, what is left down here is
  // what the system's dispatch left over, a few KiB or less.
  asm volatile("movl %0, %%esp\n\tcall *%1"
               :
               : "r"(Entry->StackTop), "r"(EndFaultedRun)
               : "memory");
  __builtin_unreachable();
}

}  // namespace

void RunInFaultFrame(void (*Program)()) {
  EntryFrame Frame;
  Frame.Registration.Handler = EntryFrameHandler;
  // Nothing below the stack pointer here is in use: the error path may
  // take all of it, 16-byte aligned for its calls.
  uintptr_t Here;
  asm volatile("movl %%esp, %0" : "=r"(Here));
  Frame.StackTop = Here & ~uintptr_t{15};
  // Program ends the process and never returns, so Frame outlives every
  // use of Entry.
  // cppcheck-suppress danglingLifetime
  Entry = &Frame;
  Program();
}

bool LinkFaultFrame() {
  if (!Entry) return false;
  Entry->Registration.Next = ChainHead();
  SetChainHead(&Entry->Registration);
  return true;
}

// Only the head of the chain can be taken off; anywhere else the
// registration stays, and the handler passes every fault on.
void UnlinkFaultFrame() {
  if (ChainHead() == &Entry->Registration) SetChainHead(Entry->Registration.Next);
}

// The extended registers are the FXSAVE image, where MXCSR is at byte 24.
uint32_t FaultMxcsr(const CONTEXT* Context) {
  if ((Context->ContextFlags & CONTEXT_EXTENDED_REGISTERS) != CONTEXT_EXTENDED_REGISTERS) return 0;
  const BYTE* Image = Context->ExtendedRegisters;
  return Image[24] | Image[25] << 8 | Image[26] << 16 | static_cast<uint32_t>(Image[27]) << 24;
}
