// Any other POSIX system, with nothing beyond POSIX: parameter 0 is the path
// that the program was started by, where that is a path; code locations
// count from a routine of the program's own; a fault's registers are
// unknown.
#include <errno.h>
#include <string.h>

#include "platform/posix/Kernel.h"
#include "platform/posix/libc/LibcSystem.h"

// A name without a slash was looked up along PATH, by rules that the
// program cannot repeat for certain: no path, then.
long LibcExecutablePath(const char* Program, size_t Length, char* Buffer, size_t Size) {
  if (!Program || !memchr(Program, '/', Length)) return -ENOENT;
  size_t Count = Length < Size ? Length : Size;
  memcpy(Buffer, Program, Count);
  return static_cast<long>(Count);
}

// Offsets from one routine of the image stay the same at every run, and
// those below it wrap around.
const void* KernelImageStart() { return reinterpret_cast<const void*>(&KernelImageStart); }

KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void*) {
  return {nullptr, 0, nullptr};
}
