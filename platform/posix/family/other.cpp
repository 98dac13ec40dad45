// A processor, or a system, without a file of its own: a fault's registers are unknown.
#include "platform/posix/Kernel.h"

KernelFaultRegisters KernelFaultContextOf(const siginfo_t*, const void*) {
  return {nullptr, 0, nullptr};
}
