// The unit tests run on the C library, which owns the process's entry:
// their system calls go through it.
#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/posix/PosixStart.h"
#include "platform/posix/linux/LinuxFamily.h"

extern "C" long LinuxSystemCall(long Number, long A, long B, long C, long D, long E, long F) {
  long Result = syscall(Number, A, B, C, D, E, F);
  return Result == -1 ? -errno : Result;
}

// No signal is caught through the seam in the unit tests.
void (*const LinuxSignalRestorer)() = nullptr;

// The C library's entry runs the tests, so the seam's own entry never
// hands over to the program.
extern "C" void PosixStart(int, char**) { abort(); }
