// 64-bit ARM on Linux, for both POSIX layers: a fault context's registers.
#include <sys/ucontext.h>

#include "platform/posix/Kernel.h"

KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t& Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
  return {reinterpret_cast<const void*>(Machine.pc), static_cast<uintptr_t>(Machine.sp), nullptr};
}
