// x86, both families: decoding the instruction of a general protection fault.
#include "platform/posix/family/X86Instructions.h"

#include "platform/Platform.h"

namespace {

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
  return 0;
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

uint32_t X86InstructionStatus(const uint8_t* Instruction) {
  return IsPrivilegedInstruction(Instruction) ? STATUS_PRIVILEGED_INSTRUCTION : 0;
}

uint32_t X86LegacyInstructionStatus(const uint8_t* Instruction) {
  uint32_t Status = X86InstructionStatus(Instruction);
  return Status != 0 ? Status : LegacyTrapStatus(Instruction);
}
