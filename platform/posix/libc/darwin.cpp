// macOS: the program's own file and its image start (the Mach-O header of
// the main executable, the loader's first image) from the dynamic loader,
// and the registers of a fault context on x86-64 and 64-bit ARM.
#include <errno.h>
#include <mach-o/dyld.h>
#include <signal.h>
#include <stdint.h>
#include <string.h>
#include <sys/ucontext.h>

#include "platform/posix/Kernel.h"
#include "platform/posix/libc/LibcSystem.h"

// The loader writes nothing into a buffer that is too small: the path goes
// through one of the system's longest, and is cut from there.
long LibcExecutablePath(const char*, size_t, char* Buffer, size_t Size) {
  char Path[4096];
  uint32_t Capacity = sizeof Path;
  if (_NSGetExecutablePath(Path, &Capacity) != 0) return -ENAMETOOLONG;
  size_t Length = strlen(Path);
  size_t Count = Length < Size ? Length : Size;
  memcpy(Buffer, Path, Count);
  return static_cast<long>(Count);
}

const void* KernelImageStart() { return _dyld_get_image_header(0); }

KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void* Context) {
  const mcontext_t Machine = static_cast<const ucontext_t*>(Context)->uc_mcontext;
#if defined(__x86_64__)
  // A general protection fault cannot be told from other memory faults
  // here, so the instruction is not decoded.
  return {reinterpret_cast<const void*>(Machine->__ss.__rip),
          static_cast<uintptr_t>(Machine->__ss.__rsp), nullptr};
#elif defined(__aarch64__) && defined(__darwin_arm_thread_state64_get_pc)
  return {reinterpret_cast<const void*>(__darwin_arm_thread_state64_get_pc(Machine->__ss)),
          static_cast<uintptr_t>(__darwin_arm_thread_state64_get_sp(Machine->__ss)), nullptr};
#elif defined(__aarch64__)
  return {reinterpret_cast<const void*>(Machine->__ss.__pc),
          static_cast<uintptr_t>(Machine->__ss.__sp), nullptr};
#else
  (void)Machine;
  return {nullptr, 0, nullptr};
#endif
}
