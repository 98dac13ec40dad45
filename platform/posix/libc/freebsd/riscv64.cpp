// 64-bit RISC-V on FreeBSD: a fault context's registers.
#include <signal.h>
#include <sys/ucontext.h>

#include "platform/posix/Kernel.h"

KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t& Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
  return {reinterpret_cast<const void*>(Machine.mc_gpregs.gp_sepc),
          static_cast<uintptr_t>(Machine.mc_gpregs.gp_sp), nullptr};
}
