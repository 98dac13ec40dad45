// The write loop under every write of the POSIX layer.
#include "platform/posix/PosixWrite.h"

#include <errno.h>

long WriteWhole(int Descriptor, const void* Data, size_t Count, size_t& Written,
                const DescriptorCalls& Calls) {
  const char* Bytes = static_cast<const char*>(Data);
  Written = 0;
  while (Written < Count) {
    long Result = Calls.Write(Descriptor, Bytes + Written, Count - Written);
    if (Result > 0) {
      Written += static_cast<size_t>(Result) < Count - Written ? static_cast<size_t>(Result)
                                                               : Count - Written;
      continue;
    }
    // An interrupt is acted on once the block is out: see the interrupt's
    // handler. Until then the bytes still go.
    if (Result == -EINTR) continue;
    if (Result == -EAGAIN || Result == -EWOULDBLOCK) {
      Result = Calls.WaitWritable(Descriptor);
      if (Result >= 0 || Result == -EINTR) continue;
    }
    // A write that takes nothing would be tried for ever.
    return Result == 0 ? NoProgressError : -Result;
  }
  return 0;
}
