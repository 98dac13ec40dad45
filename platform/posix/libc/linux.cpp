// Linux on its C library, any processor: the program's own file from /proc
// and the image start from the linker. A fault context's registers are the
// processor's, in family/.
#include "platform/posix/Kernel.h"
#include "platform/posix/libc/LibcSystem.h"

extern "C" const char __executable_start[];

long LibcExecutablePath(const char*, char* Buffer, size_t Size) {
  return KernelReadLink("/proc/self/exe", Buffer, Size);
}

const void* KernelImageStart() { return __executable_start; }
