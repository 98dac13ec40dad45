#include "platform/posix/PosixWrite.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A descriptor that answers each write with the next scripted result: a
// count to take (at most what was asked), or a negative error number. Past
// the script it takes everything.
struct ScriptedDescriptor {
  std::vector<long> Results;
  size_t Next = 0;
  std::string Taken;
  int Waits = 0;
  std::string Pauses;  // the pauses asked for, in milliseconds
};
ScriptedDescriptor* Script;

long ScriptedWrite(int, const void* Data, size_t Count) {
  long Result = Script->Next < Script->Results.size() ? Script->Results[Script->Next++]
                                                      : static_cast<long>(Count);
  if (Result > static_cast<long>(Count)) Result = static_cast<long>(Count);
  if (Result > 0) Script->Taken.append(static_cast<const char*>(Data), static_cast<size_t>(Result));
  return Result;
}

// A wait on the descriptor is counted; a pause, a wait on none, recorded.
long CountedWait(int Descriptor, long Milliseconds) {
  if (Descriptor >= 0 && Milliseconds == -1) {
    ++Script->Waits;
    return 1;
  }
  EXPECT_LT(Descriptor, 0);
  Script->Pauses += (Script->Pauses.empty() ? "" : " ") + std::to_string(Milliseconds);
  return 0;
}

// Whatever the descriptor does, the bytes it took are a prefix of the block,
// each once, and Written says how many.
TEST(WriteWhole, TakesEachByteOnceWhateverTheDescriptorDoes) {
  const std::string Block = "0123456789abcdefghij";  // 20 bytes
  const struct {
    const char* Name;
    std::vector<long> Results;
    long Error;
    size_t Written;
    int Waits;
    const char* Pauses;
  } Cases[] = {
      {"all at once", {}, 0, 20, 0, ""},
      {"piece by piece", {1, 7, 5}, 0, 20, 0, ""},
      {"interrupted before and after taking some", {-EINTR, 3, -EINTR, -EINTR}, 0, 20, 0, ""},
      {"would block: waits for room", {4, -EAGAIN, 2, -EAGAIN}, 0, 20, 2, ""},
      // Room that the write does not confirm: each wait after the first
      // comes after a longer pause, up to the longest; progress starts over.
      {"says it has room and takes nothing",
       {-EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN, -EAGAIN,
        3, -EAGAIN, -EAGAIN},
       0, 20, 12, "1 2 4 8 16 32 64 100 100 1"},
      {"takes nothing", {5, 0}, NoProgressError, 5, 0, ""},
      {"file-size limit after a part", {8, -EFBIG}, EFBIG, 8, 0, ""},
      {"reader gone at once", {-EPIPE}, EPIPE, 0, 0, ""},
      {"no room on the device", {-ENOSPC}, ENOSPC, 0, 0, ""},
  };
  for (const auto& Case : Cases) {
    ScriptedDescriptor Descriptor{Case.Results};
    Script = &Descriptor;
    size_t Written = 99;
    long Error = WriteWhole(1, Block.data(), Block.size(), Written,
                            {ScriptedWrite, CountedWait});
    EXPECT_EQ(Error, Case.Error) << Case.Name;
    EXPECT_EQ(Written, Case.Written) << Case.Name;
    EXPECT_EQ(Descriptor.Taken, Block.substr(0, Case.Written)) << Case.Name;
    EXPECT_EQ(Descriptor.Waits, Case.Waits) << Case.Name;
    EXPECT_EQ(Descriptor.Pauses, Case.Pauses) << Case.Name;
  }
}

long FailedWait(int, long) { return -EINVAL; }

TEST(WriteWhole, AFailedWaitIsTheWritesError) {
  ScriptedDescriptor Descriptor{{-EAGAIN}};
  Script = &Descriptor;
  size_t Written = 0;
  EXPECT_EQ(WriteWhole(1, "abc", 3, Written, {ScriptedWrite, FailedWait}), EINVAL);
  EXPECT_EQ(Written, 0u);
}

}  // namespace
