#include "echo/Spouter.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/Text.h"
#include "tests/FakeRun.h"

namespace {

using namespace std::string_literals;

int RunSpouter(const std::string& CommandLine, DWORD OutputType = FILE_TYPE_DISK) {
  PrepareProcess(CommandLine, OutputType);
  return RunToExit([] { ProcessArguments(); });
}

TEST(ProcessArguments, WritesEachParameterAsItsByteOrItsText) {
  struct Case {
    std::string Arguments;
    std::string Output;
  } Cases[] = {
      {"", ""},
      {"\"Hello, World!\" 010 013", "Hello, World!\n\r"},
      {"\"Hello, World!\" 0D 0A", "Hello, World!\r\n"},
      {"Hello World", "HelloWorld"},
      {"ed", "\xED"},
      {"Ed", "\xED"},
      {"eD EF", "\xED\xEF"},
      {"ok", "ok"},
      {"0g g0", "0gg0"},
      {"00", "\0"s},
      {"000", "\0"s},
      {"10 13", "\x10\x13"},
      {"010 013", "\n\r"},
      {"199 200 249 255", "\xC7\xC8\xF9\xFF"},
      {"256 299 300 999", "256299300999"},
      {"1234 12345", "123412345"},
      {"7 +12 -12 0x1", "7+12-120x1"},
      {"\"0A\"", "\n"},
      {"\"0A \"", "0A "},
      {"0\"A\"", "\n"},
      {"/C x/c", "/Cx/c"},
      {"x /c", "x/c"},
      {"2A3 02A a5a", "2A302Aa5a"},
      {"\xC0\xE1\xE2 \x80\xFF", "\xC0\xE1\xE2\x80\xFF"},
      {"a \"\" b", "ab"},
      {"\" \" \" \"", "  "},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(RunSpouter("SPOUTER " + C.Arguments), 0) << C.Arguments;
    EXPECT_EQ(Fake.Output(), C.Output) << C.Arguments;
  }
}

TEST(ProcessArguments, NoParametersLeavesStandardOutputAlone) {
  EXPECT_EQ(RunSpouter("SPOUTER"), 0);
  EXPECT_EQ(Fake.StdHandleCalls, 0);
  EXPECT_EQ(Fake.WriteCalls, 0);
}

TEST(ProcessArguments, OneWriteStatementPerParameterOnAConsole) {
  EXPECT_EQ(RunSpouter("SPOUTER abc 0D 010 \"x y\"", FILE_TYPE_CHAR), 0);
  EXPECT_EQ(WriteSizes(), "3 1 1 3");
  EXPECT_EQ(RunSpouter("SPOUTER abc 0D 010 \"x y\"", FILE_TYPE_PIPE), 0);
  EXPECT_EQ(WriteSizes(), "8");
}

TEST(ProcessArguments, StopsAtTheFirstFailedStatement) {
  PrepareProcess("SPOUTER one 0A two", FILE_TYPE_CHAR);
  Fake.FailWriteCall = 2;
  Fake.FailWriteCode = 112;
  EXPECT_EQ(RunToExit([] { ProcessArguments(); }), 112);
  std::string Output = Fake.Output();
  ASSERT_EQ(Output.size(), 3u + 32u);
  EXPECT_EQ(Output.substr(0, 20), "oneRuntime error 112");
  EXPECT_EQ(Fake.WriteCalls, 4);  // one, the failed 0A, and the message
}

// The three write statements (hexadecimal pair, decimal triple, text) each
// name their own location.
TEST(ProcessArguments, EachWriteStatementHasItsOwnErrorLocation) {
  std::string Locations[3];
  const char* Lines[] = {"SPOUTER 0A", "SPOUTER 010", "SPOUTER abc"};
  for (int I = 0; I < 3; ++I) {
    PrepareProcess(Lines[I], FILE_TYPE_CHAR);
    Fake.FailWriteCall = 1;
    Fake.FailWriteCode = 5;
    EXPECT_EQ(RunToExit([] { ProcessArguments(); }), 5);
    std::string Output = Fake.Output();
    ASSERT_EQ(Output.size(), 32u);
    Locations[I] = Output.substr(21, 8);
    EXPECT_NE(Locations[I], "00000000");
  }
  EXPECT_NE(Locations[0], Locations[1]);
  EXPECT_NE(Locations[1], Locations[2]);
  EXPECT_NE(Locations[0], Locations[2]);
}

// Texts too long to be held inside a text object: these need the heap.
std::string Long(char Byte, int32_t Extra = 1) {
  return std::string(static_cast<size_t>(Text::InlineCapacity + Extra), Byte);
}

TEST(ProcessArguments, ExhaustedStorageIs203AndReleasesEverything) {
  for (int Failing : {1, 2, 3}) {
    PrepareProcess("SPOUTER " + Long('a') + " 0A " + Long('d'), FILE_TYPE_DISK);
    Fake.FailAllocation = Failing;
    EXPECT_EQ(RunToExit([] { ProcessArguments(); }), 203) << Failing;
    std::string Output = Fake.Output();
    ASSERT_GE(Output.size(), 32u);
    EXPECT_EQ(Output.substr(Output.size() - 32, 21), "Runtime error 203 at ") << Failing;
    EXPECT_EQ(Fake.LiveBlocks, 0) << Failing;
  }
}

TEST(ProcessArguments, NormalEndReleasesEveryByteString) {
  EXPECT_EQ(RunSpouter("SPOUTER a bb 0A 010 \"c d\" " + Long('e')), 0);
  EXPECT_GT(Fake.Allocations, 0);
  EXPECT_EQ(Fake.LiveBlocks, 0);
}

// Only a parameter longer than a text holds inside itself obtains storage,
// once per scan of it: parameter 1 is scanned twice, for the switch test and
// in the walk. The end of the line obtains none, so a run whose next
// allocation would fail still ends normally.
TEST(ProcessArguments, StorageOnlyForLongParametersAndNoneAtTheEnd) {
  struct Case {
    std::string Arguments;
    int Allocations;
  } Cases[] = {
      {"", 0},
      {"\"\"", 0},
      {"x", 0},
      {Long('a', 0) + " 0A 010 " + Long('b', 0), 0},
      {Long('a'), 2},
      {"x " + Long('a') + " 0a " + Long('b', 300), 2},
      {Long('a') + " " + Long('b', 2) + " \"" + Long(' ') + "\" " + Long('c', 70000), 5},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(RunSpouter("SPOUTER " + C.Arguments), 0) << C.Arguments;
    EXPECT_EQ(Fake.Allocations, C.Allocations) << C.Arguments;
    EXPECT_EQ(Fake.LiveBlocks, 0) << C.Arguments;
    std::string Output = Fake.Output();

    PrepareProcess("SPOUTER " + C.Arguments);
    Fake.FailAllocation = C.Allocations + 1;
    EXPECT_EQ(RunToExit([] { ProcessArguments(); }), 0) << C.Arguments;
    EXPECT_EQ(Fake.Output(), Output) << C.Arguments;
  }
}

// Each release of a long parameter, in order: parameter 1 after the switch
// test, then every parameter of the walk once its statement is done.
// The one the heap rejects ends the run with 204 behind the bytes written.
TEST(ProcessArguments, RejectedReleaseIs204AfterTheBytesBeforeIt) {
  const std::string One = Long('a'), Two = Long('b', 200);
  struct Case {
    int Rejected;
    int ExitCode;
    std::string Bytes;
  } Cases[] = {
      {1, 204, ""},
      {2, 204, One},
      {3, 204, One + "\n" + Two},
      {4, 0, One + "\n" + Two},
  };
  for (const Case& C : Cases) {
    PrepareProcess("SPOUTER " + One + " 0A " + Two, FILE_TYPE_DISK);
    Fake.RejectRelease = C.Rejected;
    EXPECT_EQ(RunToExit([] { ProcessArguments(); }), C.ExitCode) << C.Rejected;
    std::string Output = Fake.Output();
    EXPECT_EQ(Fake.LiveBlocks, 0) << C.Rejected;
    if (C.ExitCode == 0) {
      EXPECT_EQ(Output, C.Bytes);
      continue;
    }
    ASSERT_EQ(Output.size(), C.Bytes.size() + 32) << C.Rejected;
    EXPECT_EQ(Output.substr(0, C.Bytes.size()), C.Bytes) << C.Rejected;
    EXPECT_EQ(Output.substr(C.Bytes.size(), 21), "Runtime error 204 at ") << C.Rejected;
    EXPECT_NE(Output.substr(C.Bytes.size() + 21, 8), "00000000") << C.Rejected;
    EXPECT_EQ(Output.substr(C.Bytes.size() + 29), "\0\r\n"s) << C.Rejected;
  }
}

}  // namespace
