// Which fault status a caught signal stands for: the pure part of the
// POSIX fault handler.
#pragma once

#include <limits.h>
#include <signal.h>
#include <stdint.h>

#include "platform/posix/Kernel.h"

// The si_code of a signal that the kernel raised with no cause of its own,
// as Linux reports an x86 general protection fault. Where the system has no
// such code, no signal matches.
#if defined(SI_KERNEL)
constexpr int KernelSignalCode = SI_KERNEL;
#else
constexpr int KernelSignalCode = INT_MIN;
#endif

// What the handler knows of a caught signal.
struct SignalFault {
  int Signal;
  int Code;                 // si_code: how the signal arose
  uintptr_t Address;        // si_addr: the address a memory fault touched
  uintptr_t StackTop;       // above every frame of the run
  KernelFaultRegisters At;  // where it struck, as far as the system tells
};

// Accesses this far below the stack pointer still belong to the stack:
// pushes, the red zone, a frame being set up.
constexpr uintptr_t StackSlack = uintptr_t{64} * 1024;

// The fault status for Fault, as the platform's fault table knows them.
uint32_t FaultStatusOf(const SignalFault& Fault);
