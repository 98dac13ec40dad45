// The file mode by the stat call, which each family here has on every
// kernel, with the kernel's own record of it: the 64-bit call where the
// family has two. The record's name is the C library's too: a file of its own.
#include <asm/stat.h>
#include <sys/syscall.h>

#include "platform/posix/linux/LinuxFamily.h"

#if defined(SYS_fstat64)
typedef struct stat64 LinuxStat;
constexpr long StatCall = SYS_fstat64;
#else
typedef struct stat LinuxStat;
constexpr long StatCall = SYS_fstat;
#endif

long KernelFileMode(int Descriptor) {
  LinuxStat Status = {};
  long Result = LinuxSystemCall(StatCall, Descriptor, reinterpret_cast<long>(&Status));
  return Result < 0 ? Result : static_cast<long>(Status.st_mode);
}
