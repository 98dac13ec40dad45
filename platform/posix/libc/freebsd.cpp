// FreeBSD: the program's own file from the process's sysctl record, the
// image start from the linker, and per processor the registers of a fault
// context.
// Before the others: sysctl's header takes its types from here.
// clang-format off
#include <sys/types.h>
// clang-format on

#include <errno.h>
#include <signal.h>
#include <sys/sysctl.h>
#include <sys/ucontext.h>

#include "platform/posix/Kernel.h"
#include "platform/posix/libc/LibcSystem.h"

extern "C" const char __executable_start[];

// The length that sysctl reports counts the closing NUL. A buffer that is
// too small receives what fits, and sysctl fails with ENOMEM.
long LibcExecutablePath(const char*, size_t, char* Buffer, size_t Size) {
  int Name[] = {CTL_KERN, KERN_PROC, KERN_PROC_PATHNAME, -1};
  size_t Length = Size;
  if (sysctl(Name, 4, Buffer, &Length, nullptr, 0) != 0)
    return errno == ENOMEM ? static_cast<long>(Size) : -errno;
  return Length > 0 ? static_cast<long>(Length - 1) : 0;
}

const void* KernelImageStart() { return __executable_start; }

// A general protection fault arrives as SIGBUS here, which the fault table
// does not decode: x86 instructions are not looked at.
KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t& Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
#if defined(__x86_64__)
  return {reinterpret_cast<const void*>(Machine.mc_rip), static_cast<uintptr_t>(Machine.mc_rsp),
          nullptr};
#elif defined(__i386__)
  return {reinterpret_cast<const void*>(Machine.mc_eip), static_cast<uintptr_t>(Machine.mc_esp),
          nullptr};
#elif defined(__aarch64__)
  return {reinterpret_cast<const void*>(Machine.mc_gpregs.gp_elr),
          static_cast<uintptr_t>(Machine.mc_gpregs.gp_sp), nullptr};
#elif defined(__riscv)
  return {reinterpret_cast<const void*>(Machine.mc_gpregs.gp_sepc),
          static_cast<uintptr_t>(Machine.mc_gpregs.gp_sp), nullptr};
#else
  (void)Machine;
  return {nullptr, 0, nullptr};
#endif
}
