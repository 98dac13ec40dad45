// x86-64 on macOS: a fault context's registers.
#include <signal.h>
#include <stdint.h>
#include <sys/ucontext.h>

#include "platform/posix/Kernel.h"

// A general protection fault cannot be told from other memory faults here,
// so the instruction is not decoded.
KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
  return {reinterpret_cast<const void*>(Machine->__ss.__rip),
          static_cast<uintptr_t>(Machine->__ss.__rsp), nullptr};
}
