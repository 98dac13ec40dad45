// 64-bit RISC-V on Linux, for both POSIX layers: a fault context's registers.
#include <sys/ucontext.h>

#include "platform/posix/Kernel.h"

KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t& Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
  return {reinterpret_cast<const void*>(Machine.__gregs[REG_PC]),
          static_cast<uintptr_t>(Machine.__gregs[REG_SP]), nullptr};
}
