// 32-bit ARM on Linux, for both POSIX layers: a fault context's registers, division by zero.
#include <sys/ucontext.h>

#include "platform/Platform.h"
#include "platform/posix/Kernel.h"
#include "runtime/FaultHandler.h"
#include "runtime/System.h"

KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t& Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
  return {reinterpret_cast<const void*>(Machine.arm_pc), static_cast<uintptr_t>(Machine.arm_sp),
          nullptr};
}

// The processor may have no divide instruction. The compiler's division
// routines call this on a division by zero, which is then the same run-time
// error as where the processor traps it.
extern "C" {
[[noreturn]] void __aeabi_idiv0() {
  RunError(MapFaultStatus(STATUS_INTEGER_DIVIDE_BY_ZERO),
           GetCodeLocation(__builtin_return_address(0)));
}
[[noreturn]] void __aeabi_ldiv0() { __aeabi_idiv0(); }
}
