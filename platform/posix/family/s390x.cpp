// IBM Z on Linux, for both POSIX layers: a fault context's registers.
#include <sys/ucontext.h>

#include "platform/posix/Kernel.h"

KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t& Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
  // The program status word's address; general register 15 is the stack
  // pointer.
  return {reinterpret_cast<const void*>(Machine.psw.addr),
          static_cast<uintptr_t>(Machine.gregs[15]), nullptr};
}
