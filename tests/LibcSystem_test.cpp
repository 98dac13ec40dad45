// The kernel seam on the C library: the tests themselves start at the
// library's entry through PosixStart, signal actions are set as asked, and
// failures come back as negative error numbers.
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

volatile sig_atomic_t BlockedInHandler;

void RecordBlocked(int, siginfo_t*, void*) {
  sigset_t Current;
  sigprocmask(SIG_BLOCK, nullptr, &Current);
  BlockedInHandler = (sigismember(&Current, SIGUSR1) == 1 ? 1 : 0) |
                     (sigismember(&Current, SIGHUP) == 1 ? 2 : 0);
}

// What the system holds is read back through the C library itself.
TEST(LibcSystem, SignalActionsAreSetAsAsked) {
  struct Row {
    uintptr_t Handler;
    unsigned long Flags;
    long Ignored;
  };
  const Row Rows[] = {
      {KernelIgnoreSignal, 0, 1},
      {KernelHandlerAddress(RecordBlocked), SA_SIGINFO | SA_ONSTACK, 0},
      {KernelDefaultAction, 0, 0},
      {KernelHandlerAddress(RecordBlocked), SA_SIGINFO | SA_NODEFER, 0},
  };
  for (const Row& Set : Rows) {
    ASSERT_EQ(KernelSetSignalAction(SIGUSR1, Set.Handler, Set.Flags), 0);
    struct sigaction Back = {};
    ASSERT_EQ(sigaction(SIGUSR1, nullptr, &Back), 0);
    uintptr_t Handler = Set.Flags & SA_SIGINFO ? reinterpret_cast<uintptr_t>(Back.sa_sigaction)
                                               : reinterpret_cast<uintptr_t>(Back.sa_handler);
    EXPECT_EQ(Handler, Set.Flags & SA_SIGINFO ? Set.Handler
                       : Set.Handler == KernelIgnoreSignal
                           ? reinterpret_cast<uintptr_t>(SIG_IGN)
                           : reinterpret_cast<uintptr_t>(SIG_DFL));
    EXPECT_EQ(static_cast<unsigned long>(Back.sa_flags) & (SA_SIGINFO | SA_ONSTACK | SA_NODEFER),
              Set.Flags);
    EXPECT_EQ(KernelSignalIgnored(SIGUSR1), Set.Ignored);
  }
}

// Only the signal itself is blocked while its handler runs, and with
// SA_NODEFER not even that.
TEST(LibcSystem, AHandlerRunsWithNoOtherSignalBlocked) {
  const unsigned long Flags[] = {SA_SIGINFO, SA_SIGINFO | SA_NODEFER};
  const int Blocked[] = {1, 0};
  for (int I = 0; I < 2; ++I) {
    ASSERT_EQ(KernelSetSignalAction(SIGUSR1, KernelHandlerAddress(RecordBlocked), Flags[I]), 0);
    BlockedInHandler = -1;
    ASSERT_EQ(KernelRaise(SIGUSR1), 0);
    EXPECT_EQ(BlockedInHandler, Blocked[I]);
  }
  KernelSetSignalAction(SIGUSR1, KernelDefaultAction, 0);
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
  EXPECT_EQ(KernelSetSignalAction(0, KernelDefaultAction, 0), -EINVAL);
  EXPECT_EQ(KernelSignalIgnored(0), -EINVAL);
}

// A pipe with room is ready at once; without a descriptor the wait is a
// pause, which ends with nothing ready.
TEST(LibcSystem, AWaitIsForRoomOrAPause) {
  int Pipe[2];
  ASSERT_EQ(pipe(Pipe), 0);
  EXPECT_EQ(KernelWaitWritable(Pipe[1], -1), 1);
  EXPECT_EQ(KernelWaitWritable(-1, 1), 0);
  close(Pipe[0]);
  close(Pipe[1]);
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
