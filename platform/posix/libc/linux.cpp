// Linux on the GNU C library, any processor: the program's own file from
// /proc, the image start from the linker, and per processor the registers
// of a fault context (a processor not named here reports none), and on
// 32-bit ARM the report of a division by zero.
#include <signal.h>
#include <sys/ucontext.h>

#include "platform/Platform.h"
#include "platform/posix/libc/LibcSystem.h"
#include "platform/posix/Kernel.h"
#include "runtime/FaultHandler.h"
#include "runtime/System.h"

extern "C" const char __executable_start[];

long LibcExecutablePath(const char*, size_t, char* Buffer, size_t Size) {
  return KernelReadLink("/proc/self/exe", Buffer, Size);
}

const void* KernelImageStart() { return __executable_start; }

namespace {

template <typename Register>
KernelFaultRegisters RegistersOf(Register Instruction, Register Stack, bool X86, bool Legacy) {
  return {reinterpret_cast<const void*>(static_cast<uintptr_t>(Instruction)),
          static_cast<uintptr_t>(Stack), X86, Legacy};
}

}  // namespace

KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t& Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
#if defined(__x86_64__)
  return RegistersOf(Machine.gregs[REG_RIP], Machine.gregs[REG_RSP], true, false);
#elif defined(__i386__)
  return RegistersOf(Machine.gregs[REG_EIP], Machine.gregs[REG_ESP], true, true);
#elif defined(__aarch64__)
  return RegistersOf(Machine.pc, Machine.sp, false, false);
#elif defined(__arm__)
  return RegistersOf(Machine.arm_pc, Machine.arm_sp, false, false);
#elif defined(__riscv)
  return RegistersOf(Machine.__gregs[REG_PC], Machine.__gregs[REG_SP], false, false);
#elif defined(__s390__)
  // The program status word's address; general register 15 is the stack
  // pointer.
  return RegistersOf(Machine.psw.addr, Machine.gregs[15], false, false);
#else
  (void)Machine;
  return {nullptr, 0, false, false};
#endif
}

#if defined(__arm__)
// The processor may have no divide instruction. The compiler's division
// routines call this on a division by zero; the C library's would raise a
// signal that tells nothing of its cause.
extern "C" [[noreturn]] void __aeabi_idiv0() {
  RunError(MapFaultStatus(STATUS_INTEGER_DIVIDE_BY_ZERO),
           GetCodeLocation(__builtin_return_address(0)));
}
extern "C" [[noreturn]] void __aeabi_ldiv0() { __aeabi_idiv0(); }
#endif
