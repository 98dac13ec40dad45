// Linux on its C library, any processor: the program's own file from /proc
// and the image start from the linker. A fault context's registers are the
// processor's, in family/.
#include <errno.h>
#include <unistd.h>

#include "platform/posix/Kernel.h"
#include "platform/posix/libc/LibcSystem.h"

extern "C" const char __executable_start[];

long LibcExecutablePath(const char*, char* Buffer, size_t Size) {
  ssize_t Count = readlink("/proc/self/exe", Buffer, Size);
  return Count < 0 ? -errno : Count;
}

const void* KernelImageStart() { return __executable_start; }
