// x86 instructions that a general protection fault can stand for, for the
// fault handler of both x86 families.
#pragma once

#include <stdint.h>

// Whether the instruction at Bytes is one that user code may not run. Reads
// only the bytes of that instruction that it needs.
bool IsPrivilegedInstruction(const uint8_t* Bytes);

// The fault status of a general protection fault at Instruction, 0 for one
// that its bytes do not explain: a privileged instruction in 64-bit code;
// in 32-bit code also BOUND (at the instruction) and INTO (just behind it).
uint32_t X86InstructionStatus(const uint8_t* Instruction);
uint32_t X86LegacyInstructionStatus(const uint8_t* Instruction);
