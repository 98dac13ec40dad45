// macOS: the program's own file and its image start (the Mach-O header of
// the main executable, the loader's first image) from the dynamic loader.
// A fault context's registers are the processor's, in darwin/.
#include <errno.h>
#include <mach-o/dyld.h>
#include <stdint.h>
#include <string.h>

#include "platform/posix/Kernel.h"
#include "platform/posix/libc/LibcSystem.h"

// The loader writes nothing into a buffer that is too small: the path goes
// through one of the system's longest, and is cut from there.
long LibcExecutablePath(const char*, char* Buffer, size_t Size) {
  char Path[4096];
  uint32_t Capacity = sizeof Path;
  if (_NSGetExecutablePath(Path, &Capacity) != 0) return -ENAMETOOLONG;
  size_t Length = strlen(Path);
  size_t Count = Length < Size ? Length : Size;
  memcpy(Buffer, Path, Count);
  return static_cast<long>(Count);
}

const void* KernelImageStart() { return _dyld_get_image_header(0); }
