// Any other POSIX system, with nothing beyond POSIX: parameter 0 is the path
// that the program was started by, where that is a path; code locations
// count from a routine of the program's own. A fault's registers are
// unknown (family/other.cpp).
#include <errno.h>
#include <string.h>

#include "platform/posix/Kernel.h"
#include "platform/posix/libc/LibcSystem.h"

// A name without a slash was looked up along PATH, by rules that the
// program cannot repeat for certain: no path, then.
long LibcExecutablePath(const char* Program, char* Buffer, size_t Size) {
  if (!Program || !strchr(Program, '/')) return -ENOENT;
  size_t Length = strlen(Program);
  size_t Count = Length < Size ? Length : Size;
  memcpy(Buffer, Program, Count);
  return static_cast<long>(Count);
}

// Offsets from one routine of the image stay the same at every run, and
// those below it wrap around.
const void* KernelImageStart() { return reinterpret_cast<const void*>(&KernelImageStart); }
