// Which fault status a caught signal stands for.
#include "platform/posix/PosixFaultStatus.h"

#include <signal.h>

#include "platform/Platform.h"

namespace {

// A status in no row of the fault table: run-time error 255.
constexpr uint32_t OtherFault = 0;

// Everything from the stack pointer up to the top is mapped stack, so a
// memory fault there, or just below the stack pointer, is the stack running
// into the unmapped gap below its limit.
bool IsStackOverflow(const SignalFault& Fault) {
  uintptr_t Pointer = Fault.At.StackPointer;
  if (Fault.Code <= 0 || Pointer == 0) return false;  // sent, not a fault
  uintptr_t Lowest = Pointer > StackSlack ? Pointer - StackSlack : 0;
  return Fault.Address >= Lowest && Fault.Address < Fault.StackTop;
}

uint32_t MemoryFaultStatus(const SignalFault& Fault) {
  // A general protection fault arrives as SIGSEGV with no address; the
  // instruction may tell its cause, such as a privileged instruction. Its
  // bytes are looked at for this fault only, where the processor has just
  // decoded the instruction in full.
  if (Fault.Signal == SIGSEGV && Fault.Code == KernelSignalCode && Fault.At.Instruction &&
      Fault.At.InstructionStatus) {
    uint32_t Status = Fault.At.InstructionStatus(static_cast<const uint8_t*>(Fault.At.Instruction));
    if (Status != OtherFault) return Status;
  }
  return IsStackOverflow(Fault) ? STATUS_STACK_OVERFLOW : STATUS_ACCESS_VIOLATION;
}

uint32_t ArithmeticFaultStatus(int Code) {
  switch (Code) {
    case FPE_INTDIV: return STATUS_INTEGER_DIVIDE_BY_ZERO;
    case FPE_INTOVF: return STATUS_INTEGER_OVERFLOW;
    case FPE_FLTDIV: return STATUS_FLOAT_DIVIDE_BY_ZERO;
    case FPE_FLTOVF: return STATUS_FLOAT_OVERFLOW;
    case FPE_FLTUND: return STATUS_FLOAT_UNDERFLOW;
    case FPE_FLTRES: return STATUS_FLOAT_INEXACT_RESULT;
    case FPE_FLTINV: return STATUS_FLOAT_INVALID_OPERATION;
    case FPE_FLTSUB: return STATUS_ARRAY_BOUNDS_EXCEEDED;
  }
  return OtherFault;
}

}  // namespace

uint32_t FaultStatusOf(const SignalFault& Fault) {
  switch (Fault.Signal) {
    case SIGSEGV:
    case SIGBUS:
      return MemoryFaultStatus(Fault);
    case SIGFPE:
      return ArithmeticFaultStatus(Fault.Code);
    case SIGILL:
      return Fault.Code == ILL_PRVOPC || Fault.Code == ILL_PRVREG ? STATUS_PRIVILEGED_INSTRUCTION
                                                                  : STATUS_ILLEGAL_INSTRUCTION;
    case SIGTRAP:
      return STATUS_BREAKPOINT;
  }
  return OtherFault;
}
