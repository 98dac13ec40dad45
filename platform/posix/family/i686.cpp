// 32-bit x86 on Linux, for both POSIX layers: a fault context's registers and instruction.
#include <sys/ucontext.h>

#include "platform/posix/Kernel.h"
#include "platform/posix/family/X86Instructions.h"

KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t& Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
  return {reinterpret_cast<const void*>(Machine.gregs[REG_EIP]),
          static_cast<uintptr_t>(Machine.gregs[REG_ESP]), X86LegacyInstructionStatus};
}
