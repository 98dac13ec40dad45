// The kernel seam on the C library: the tests themselves start at the
// library's entry through PosixStart, signal actions keep their handlers and
// masks both ways, and failures come back as negative error numbers.
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/posix/Kernel.h"
#include "platform/posix/PosixStart.h"

extern "C" void PosixStart(int Count, char** Arguments) {
  testing::InitGoogleTest(&Count, Arguments);
  exit(RUN_ALL_TESTS());
}

namespace {

uint64_t Bit(int Signal) { return uint64_t{1} << (Signal - 1); }

volatile sig_atomic_t BlockedInHandler;

void RecordBlocked(int, siginfo_t*, void*) {
  sigset_t Current;
  sigprocmask(SIG_BLOCK, nullptr, &Current);
  BlockedInHandler = (sigismember(&Current, SIGHUP) == 1 ? 1 : 0) |
                     (sigismember(&Current, SIGUSR2) == 1 ? 2 : 0) |
                     (sigismember(&Current, SIGTERM) == 1 ? 4 : 0);
}

TEST(LibcSystem, SignalActionsComeBackAsTheyWereSet) {
  struct Row {
    uintptr_t Handler;
    unsigned long Flags;
    uint64_t Mask;
  };
  const Row Rows[] = {
      {KernelDefaultAction, 0, 0},
      {KernelIgnoreSignal, 0, Bit(SIGHUP)},
      {KernelHandlerAddress(RecordBlocked), SA_SIGINFO | SA_ONSTACK,
       Bit(SIGHUP) | Bit(SIGUSR2) | Bit(SIGTERM)},
  };
  for (const Row& Set : Rows) {
    KernelSignalAction Action = {Set.Handler, Set.Flags, Set.Mask};
    ASSERT_EQ(KernelSetSignalAction(SIGUSR1, &Action, nullptr), 0);
    KernelSignalAction Back = {};
    ASSERT_EQ(KernelSetSignalAction(SIGUSR1, nullptr, &Back), 0);
    EXPECT_EQ(Back.Handler, Set.Handler);
    EXPECT_EQ(Back.Flags & (SA_SIGINFO | SA_ONSTACK | SA_NODEFER), Set.Flags);
    EXPECT_EQ(Back.Mask, Set.Mask);
  }
}

TEST(LibcSystem, TheMaskBlocksItsSignalsWhileTheHandlerRuns) {
  KernelSignalAction Action = {KernelHandlerAddress(RecordBlocked), SA_SIGINFO,
                               Bit(SIGHUP) | Bit(SIGUSR2)};
  KernelSignalAction Previous = {};
  ASSERT_EQ(KernelSetSignalAction(SIGUSR1, &Action, &Previous), 0);
  BlockedInHandler = -1;
  ASSERT_EQ(KernelRaise(SIGUSR1), 0);
  EXPECT_EQ(BlockedInHandler, 1 | 2);
  KernelSetSignalAction(SIGUSR1, &Previous, nullptr);
}

TEST(LibcSystem, FailuresAreNegativeErrorNumbers) {
  int Pipe[2];
  ASSERT_EQ(pipe(Pipe), 0);
  EXPECT_TRUE(S_ISFIFO(KernelFileMode(Pipe[0])));
  EXPECT_EQ(KernelWrite(Pipe[1], "ab", 2), 2);
  EXPECT_EQ(KernelClose(Pipe[0]), 0);
  EXPECT_EQ(KernelClose(Pipe[1]), 0);
  EXPECT_EQ(KernelFileMode(Pipe[0]), -EBADF);
  EXPECT_EQ(KernelWrite(Pipe[1], "ab", 2), -EBADF);
  EXPECT_EQ(KernelClose(Pipe[1]), -EBADF);
  EXPECT_EQ(KernelSetSignalAction(0, nullptr, nullptr), -EINVAL);
}

// Exhausted memory ends in run-time error 203 only if the seam says so
// instead of failing in some other way; where an emulator cannot be starved,
// an impossible request stands in for it.
TEST(LibcSystem, MemoryIsAlignedWholeOrNull) {
  EXPECT_EQ(KernelMapMemory(SIZE_MAX / 2), nullptr);
  const size_t Size = size_t{1} << 20;
  uint8_t* Block = static_cast<uint8_t*>(KernelMapMemory(Size));
  ASSERT_NE(Block, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(Block) % 16, 0u);
  memset(Block, 0x5A, Size);
  EXPECT_EQ(Block[Size - 1], 0x5A);
  KernelUnmapMemory(Block, Size);
}

// Run by its path, as the test runner does: the path names this program,
// and a short buffer gets its start.
TEST(LibcSystem, TheExecutablePathNamesThisProgram) {
  char Path[4096];
  long Length = KernelExecutablePath(Path, sizeof Path);
  ASSERT_GT(Length, 0);
  std::string Whole(Path, static_cast<size_t>(Length));
  EXPECT_NE(Whole.find("spouter_unit_tests"), std::string::npos) << Whole;
  char Short[4];
  ASSERT_EQ(KernelExecutablePath(Short, sizeof Short), 4);
  EXPECT_EQ(std::string(Short, 4), Whole.substr(0, 4));
}

}  // namespace
