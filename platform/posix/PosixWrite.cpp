// The write loop under every write of the POSIX layer.
#include "platform/posix/PosixWrite.h"

#include <errno.h>

long WriteWhole(int Descriptor, const void* Data, size_t Count, size_t& Written,
                const DescriptorCalls& Calls) {
  const char* Bytes = static_cast<const char*>(Data);
  Written = 0;
  long Pause = 0;  // milliseconds before the next wait; 0 for none
  while (Written < Count) {
    long Result = Calls.Write(Descriptor, Bytes + Written, Count - Written);
    if (Result > 0) {
      Written += static_cast<size_t>(Result) < Count - Written ? static_cast<size_t>(Result)
                                                               : Count - Written;
      Pause = 0;
      continue;
    }
    // An interrupt is acted on once the write has returned to the run-time:
    // see the interrupt's handler. Until then the bytes still go.
    if (Result == -EINTR) continue;
    if (Result == -EAGAIN || Result == -EWOULDBLOCK) {
      // A descriptor that says it has room and then takes nothing would be
      // asked again at once, for ever: each such answer waits longer before
      // the next question, up to MaxPause.
      if (Pause > 0) Calls.WaitWritable(-1, Pause);
      Pause = Pause == 0 ? 1 : (Pause * 2 < MaxPause ? Pause * 2 : MaxPause);
      Result = Calls.WaitWritable(Descriptor, -1);
      if (Result >= 0 || Result == -EINTR) continue;
    }
    // A write that takes nothing would be tried for ever.
    return Result == 0 ? NoProgressError : -Result;
  }
  return 0;
}
