// Writing a whole block to a descriptor, whatever a single write does with
// it: takes part of it, is interrupted, would block, or takes nothing.
#pragma once

#include <stddef.h>

#include "platform/posix/Kernel.h"

// The calls that WriteWhole makes; each returns a negative error number on
// failure.
struct DescriptorCalls {
  long (*Write)(int Descriptor, const void* Data, size_t Count);
  long (*WaitWritable)(int Descriptor, long Milliseconds);
};

// The longest pause between two questions to a descriptor that keeps
// saying it has room and then takes nothing.
constexpr long MaxPause = 100;

// The error of a write that took nothing and reported nothing wrong, the
// code that Windows gives a write fault.
constexpr long NoProgressError = 29;

// Writes all Count bytes of Data. A partial or interrupted write goes on
// with the rest; on a descriptor that does not block, it waits for room,
// pausing ever longer while the descriptor's answers disagree.
// Returns 0, or the error number of the write that failed; Written is the
// count of bytes taken either way, so that nothing is handed over twice.
long WriteWhole(int Descriptor, const void* Data, size_t Count, size_t& Written,
                const DescriptorCalls& Calls);

inline long WriteWhole(int Descriptor, const void* Data, size_t Count, size_t& Written) {
  return WriteWhole(Descriptor, Data, Count, Written, {KernelWrite, KernelWaitWritable});
}
