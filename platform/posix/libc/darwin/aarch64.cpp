// 64-bit ARM on macOS: a fault context's registers.
#include <signal.h>
#include <stdint.h>
#include <sys/ucontext.h>

#include "platform/posix/Kernel.h"

// Newer SDKs sign the saved pc and sp and give readers that strip the
// signature; older ones have the plain fields only.
KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
#if defined(__darwin_arm_thread_state64_get_pc)
  return {reinterpret_cast<const void*>(__darwin_arm_thread_state64_get_pc(Machine->__ss)),
          static_cast<uintptr_t>(__darwin_arm_thread_state64_get_sp(Machine->__ss)), nullptr};
#else
  return {reinterpret_cast<const void*>(Machine->__ss.__pc),
          static_cast<uintptr_t>(Machine->__ss.__sp), nullptr};
#endif
}
