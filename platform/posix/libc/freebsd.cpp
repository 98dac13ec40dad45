// FreeBSD: the program's own file from the process's sysctl record and the
// image start from the linker. A fault context's registers are the
// processor's, in freebsd/.
// Before the others: sysctl's header takes its types from here.
// clang-format off
#include <sys/types.h>
// clang-format on

#include <errno.h>
#include <sys/sysctl.h>

#include "platform/posix/Kernel.h"
#include "platform/posix/libc/LibcSystem.h"

extern "C" const char __executable_start[];

// The length that sysctl reports counts the closing NUL. A buffer that is
// too small receives what fits, and sysctl fails with ENOMEM.
long LibcExecutablePath(const char*, char* Buffer, size_t Size) {
  int Name[] = {CTL_KERN, KERN_PROC, KERN_PROC_PATHNAME, -1};
  size_t Length = Size;
  if (sysctl(Name, 4, Buffer, &Length, nullptr, 0) != 0)
    return errno == ENOMEM ? static_cast<long>(Size) : -errno;
  return Length > 0 ? static_cast<long>(Length - 1) : 0;
}

const void* KernelImageStart() { return __executable_start; }
