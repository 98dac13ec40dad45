// What each system's file (libc/<system>.cpp) gives the layer on the C
// library: the few things POSIX has no call for. Exactly one such file is
// linked into a program; it also provides KernelFaultContextOf and
// KernelImageStart of the kernel seam.
#pragma once

#include <stddef.h>

// The program's own file, as KernelExecutablePath gives it. Program is the
// name that the program was started by, its Length bytes not NUL-ended
// (the command line may since have been joined behind it), or null.
long LibcExecutablePath(const char* Program, size_t Length, char* Buffer, size_t Size);
