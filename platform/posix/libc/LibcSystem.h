// What each system's file (libc/<system>.cpp) gives the layer on the C
// library: the few things POSIX has no call for. Exactly one such file is
// linked into a program; it also provides KernelImageStart of the kernel
// seam, and the processor's file of the system KernelFaultContextOf.
#pragma once

#include <stddef.h>

// The program's own file, as KernelExecutablePath gives it. Program is the
// name that the program was started by, or null.
long LibcExecutablePath(const char* Program, char* Buffer, size_t Size);
