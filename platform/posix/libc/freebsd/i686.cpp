// 32-bit x86 on FreeBSD: a fault context's registers.
#include <signal.h>
#include <sys/ucontext.h>

#include "platform/posix/Kernel.h"

// A general protection fault arrives as SIGBUS here, which the fault table
// does not decode: x86 instructions are not looked at.
KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t& Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
  return {reinterpret_cast<const void*>(Machine.mc_eip), static_cast<uintptr_t>(Machine.mc_esp),
          nullptr};
}
