// Which fault status a caught signal stands for.
#include "platform/posix/PosixFaultStatus.h"

#include <signal.h>

#include "platform/Platform.h"

namespace {

// A status in no row of the fault table: run-time error 255.
constexpr uint32_t OtherFault = 0;

bool IsLegacyPrefixOrRex(uint8_t Byte) {
  switch (Byte) {
    case 0x26: case 0x2E: case 0x36: case 0x3E: case 0x64: case 0x65:
    case 0x66: case 0x67: case 0xF0: case 0xF2: case 0xF3:
      return true;
  }
  return Byte >= 0x40 && Byte <= 0x4F;
}

// 0F-prefixed opcodes that only the kernel may run.
bool IsPrivilegedTwoByte(const uint8_t* Bytes) {
  uint8_t Opcode = Bytes[0];
  switch (Opcode) {
    case 0x06:  // clts
    case 0x07:  // sysret
    case 0x08:  // invd
    case 0x09:  // wbinvd
    case 0x20: case 0x21: case 0x22: case 0x23:  // moves to and from control and debug registers
    case 0x30:  // wrmsr
    case 0x32:  // rdmsr
    case 0x35:  // sysexit
      return true;
  }
  if (Opcode != 0x00 && Opcode != 0x01) return false;
  // Only these two groups go on to a ModRM byte that tells the operation.
  uint8_t ModRm = Bytes[1];
  uint8_t Reg = (ModRm >> 3) & 7;
  bool Memory = (ModRm >> 6) != 3;
  if (Opcode == 0x00) return Reg == 2 || Reg == 3;  // lldt, ltr
  if (ModRm == 0xF8) return true;                   // swapgs
  return Reg == 6 || (Memory && (Reg == 2 || Reg == 3 || Reg == 7));  // lmsw, lgdt, lidt, invlpg
}

// Everything from the stack pointer up to the top is mapped stack, so a
// memory fault there, or just below the stack pointer, is the stack running
// into the unmapped gap below its limit.
bool IsStackOverflow(const SignalFault& Fault) {
  if (Fault.Code <= 0 || Fault.StackPointer == 0) return false;  // sent, not a fault
  uintptr_t Lowest = Fault.StackPointer > StackSlack ? Fault.StackPointer - StackSlack : 0;
  return Fault.Address >= Lowest && Fault.Address < Fault.StackTop;
}

const uint8_t* SkipPrefixes(const uint8_t* Bytes) {
  for (int Prefixes = 0; Prefixes < 14 && IsLegacyPrefixOrRex(*Bytes); ++Prefixes) ++Bytes;
  return Bytes;
}

// In 32-bit code the kernel reports BOUND's fault (at the instruction) and
// INTO's trap (just behind it) as SIGSEGV with no address as well.
uint32_t LegacyTrapStatus(const uint8_t* Instruction) {
  const uint8_t* Opcode = SkipPrefixes(Instruction);
  if (*Opcode == 0x62 && (Opcode[1] >> 6) != 3) return STATUS_ARRAY_BOUNDS_EXCEEDED;
  if (Instruction[-1] == 0xCE) return STATUS_INTEGER_OVERFLOW;
  return OtherFault;
}

uint32_t MemoryFaultStatus(const SignalFault& Fault) {
  // A general protection fault arrives as SIGSEGV with no address; running a
  // privileged instruction is one cause of it.
  if (Fault.Signal == SIGSEGV && Fault.Code == KernelSignalCode && Fault.Instruction) {
    if (IsPrivilegedInstruction(Fault.Instruction)) return STATUS_PRIVILEGED_INSTRUCTION;
    uint32_t Trap = Fault.X86Legacy ? LegacyTrapStatus(Fault.Instruction) : OtherFault;
    if (Trap != OtherFault) return Trap;
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

bool IsPrivilegedInstruction(const uint8_t* Bytes) {
  Bytes = SkipPrefixes(Bytes);
  switch (*Bytes) {
    case 0xF4:  // hlt
    case 0xFA:  // cli
    case 0xFB:  // sti
    case 0x6C: case 0x6D: case 0x6E: case 0x6F:  // ins, outs
    case 0xE4: case 0xE5: case 0xE6: case 0xE7:  // in, out with a port number
    case 0xEC: case 0xED: case 0xEE: case 0xEF:  // in, out through dx
      return true;
    case 0x0F:
      return IsPrivilegedTwoByte(Bytes + 1);
  }
  return false;
}

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
