#include "runtime/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/FakeRun.h"

namespace {

using namespace std::string_literals;

std::string Str(const Text& T) {
  return std::string(reinterpret_cast<const char*>(T.Data()), T.Length());
}

TextView ViewOf(const std::string& Bytes) {
  return {reinterpret_cast<const uint8_t*>(Bytes.data()), static_cast<int32_t>(Bytes.size())};
}

// Parameters 1, 2, ... of a raw command line, by index, up to the first
// empty one.
std::vector<std::string> ParametersOf(const std::string& Line) {
  PrepareProcess(Line);
  std::vector<std::string> Found;
  for (int32_t I = 1;; ++I) {
    Text P = GetParameter(I);
    if (P.IsEmpty()) break;
    Found.push_back(Str(P));
  }
  return Found;
}

struct SplitCase {
  std::string Line;
  std::vector<std::string> Parameters;
};

TEST(GetParameter, SplitsByQuotingRules) {
  const SplitCase Cases[] = {
      {"SPOUTER a b c", {"a", "b", "c"}},
      {"SPOUTER \"Hello, World!\" 010 013", {"Hello, World!", "010", "013"}},
      {"SPOUTER a\"b c\"d", {"ab cd"}},
      {"SPOUTER ab\"cd ef", {"abcd ef"}},
      {"SPOUTER \"a\"\"b\"", {"ab"}},
      {"SPOUTER a\\\"b c\"", {"a\\b c"}},
      {"SPOUTER \"\" x", {"x"}},
      {"SPOUTER a \"\" b", {"a", "b"}},
      {"SPOUTER \"\"\"\"x", {"x"}},
      {"SPOUTER \"\"\" x", {" x"}},
      {"SPOUTER \" \"", {" "}},
      {"SPOUTER x \"\"", {"x"}},
      {"SPOUTER \"", {}},
      {"SPOUTER \"/c\"", {"/c"}},
      {"SPOUTER /\"c\"", {"/c"}},
      {"SPOUTER", {}},
      {"", {}},
      {"   ", {}},
      {"\"C:\\Program Files\\spouter.exe\" a", {"a"}},
      {"\"\" SPOUTER x", {"x"}},  // a leading empty pair is dropped
      {"SPOUTER   a    b   ", {"a", "b"}},
      {"SPOUTER \"\" \"\" \"\"", {}},
      {"SPOUTER \"\"\"\"", {}},
      {"SPOUTER a\"\"b", {"ab"}},  // an empty pair inside a parameter joins it
      {"SPOUTER \"a b\"c\" d\"", {"a bc d"}},
      // a text's full inline size of plain bytes, then a section
      {"SPOUTER " + std::string(Text::InlineCapacity, 'p') + "\"q r\" s",
       {std::string(Text::InlineCapacity, 'p') + "q r", "s"}},
  };
  for (const SplitCase& C : Cases) EXPECT_EQ(ParametersOf(C.Line), C.Parameters) << C.Line;
}

TEST(GetParameter, EveryControlByteSeparatesOutsideQuotesAndIsKeptInside) {
  for (int Byte = 0x01; Byte <= 0x20; ++Byte) {
    std::string S(1, static_cast<char>(Byte));
    EXPECT_EQ(ParametersOf("SPOUTER a" + S + "b"), (std::vector<std::string>{"a", "b"})) << Byte;
    EXPECT_EQ(ParametersOf("SPOUTER" + S + S + "a" + S + S + "b" + S),
              (std::vector<std::string>{"a", "b"}))
        << Byte;
    EXPECT_EQ(ParametersOf("SPOUTER \"a" + S + "b\""), (std::vector<std::string>{"a" + S + "b"}))
        << Byte;
  }
}

TEST(GetParameter, UpperBytesAreOrdinary) {
  for (int Byte = 0x7F; Byte <= 0xFF; ++Byte) {
    std::string S(1, static_cast<char>(Byte));
    EXPECT_EQ(ParametersOf("SPOUTER a" + S + "b " + S), (std::vector<std::string>{"a" + S + "b", S}))
        << Byte;
  }
}

// In a double-byte code page only a character's first byte is tested: a
// trail byte that looks like a quote or a separator is copied with it.
TEST(GetParameter, TrailBytesOfDoubleByteCharactersAreNeverTested) {
  const SplitCase Cases[] = {
      {"SPOUTER \x81\" x\"", {"\x81\"", "x"}},
      {"SPOUTER \"\x81\" b\"", {"\x81\" b"}},
      {"SPOUTER \x81 a", {"\x81 a"}},
      {"SPOUTER \x81\t\x82\x01 z", {"\x81\t\x82\x01", "z"}},
      {"SPOUTER \"\"\xFE\"\"", {"\xFE\""}},  // the pair is dropped, the next quote is a trail
      {"SPOUTER a\x81", {"a\x81"}},           // a lead byte before the NUL stands alone
      {"SPOUTER ab\x81 c d", {"ab\x81 c", "d"}},  // ASCII first, then a blank as a trail
      {"SPOUTER \x80\" b\"", {"\x80 b"}},     // 0x80 leads nothing
  };
  for (const SplitCase& C : Cases) {
    PrepareProcess(C.Line);
    Fake.DoubleByteCharacters = true;
    std::vector<std::string> Found;
    for (int32_t I = 1;; ++I) {
      Text P = GetParameter(I);
      if (P.IsEmpty()) break;
      Found.push_back(Str(P));
    }
    EXPECT_EQ(Found, C.Parameters) << C.Line;
  }
}

TEST(GetParameter, IndexOutsideTheLineIsEmpty) {
  PrepareProcess("SPOUTER a b");
  const int32_t Indices[] = {3, 4, 1000, -1, -2, INT32_MIN, INT32_MAX};
  for (int32_t I : Indices) EXPECT_TRUE(GetParameter(I).IsEmpty()) << I;
}

TEST(GetParameter, SameIndexTwiceGivesEqualText) {
  PrepareProcess("SPOUTER one \"t w o\" three");
  EXPECT_EQ(Str(GetParameter(2)), "t w o");
  EXPECT_EQ(Str(GetParameter(1)), "one");
  EXPECT_EQ(Str(GetParameter(2)), "t w o");
}

TEST(GetParameter, IndexZeroIsTheExecutablePathWhateverTheLineSays) {
  PrepareProcess("other.exe a");
  Fake.ModulePath = "/usr/local/bin/spouter";
  EXPECT_EQ(Str(GetParameter(0)), "/usr/local/bin/spouter");

  Fake.ModulePath = std::string(300, 'p');  // cut to the 261-byte buffer
  EXPECT_EQ(Str(GetParameter(0)), std::string(261, 'p'));

  Fake.ModulePath = "";  // the platform fails: 0 bytes
  EXPECT_TRUE(GetParameter(0).IsEmpty());
}

TEST(ScanParameter, StopsAtTheSeparatorOrNulBehindTheParameter) {
  const char* Line = "  ab\"c d\"e\tf";
  const char* Stop = nullptr;
  Text First = ScanParameter(Line, &Stop);
  EXPECT_EQ(Str(First), "abc de");
  EXPECT_EQ(Stop - Line, 10);  // the tab, not consumed
  Text Second = ScanParameter(Stop, &Stop);
  EXPECT_EQ(Str(Second), "f");
  EXPECT_EQ(*Stop, '\0');
  EXPECT_TRUE(ScanParameter(Stop, &Stop).IsEmpty());
  EXPECT_EQ(*Stop, '\0');
}

TEST(ScanParameter, UnclosedSectionStopsAtTheNul) {
  const char* Line = "\"ab";
  const char* Stop = nullptr;
  EXPECT_EQ(Str(ScanParameter(Line, &Stop)), "ab");
  EXPECT_EQ(Stop, Line + 3);
}

// A short text lives inside its object, so a move must carry its bytes; a
// long one hands over its block. Neither obtains storage anew.
TEST(ScanParameter, ResultsAroundTheInlineSizeSurviveMoves) {
  const int32_t Lengths[] = {1, Text::InlineCapacity - 1, Text::InlineCapacity,
                             Text::InlineCapacity + 1, 300};
  for (int32_t Length : Lengths) {
    PrepareProcess("");
    std::string Bytes;
    for (int32_t I = 0; I < Length; ++I) Bytes.push_back(static_cast<char>('A' + I % 26));
    const std::string Line = " " + Bytes + " z";
    const char* Stop = nullptr;
    Text Scanned = ScanParameter(Line.c_str(), &Stop);
    Text Moved(static_cast<Text&&>(Scanned));
    EXPECT_TRUE(Scanned.IsEmpty()) << Length;
    Text Assigned = ScanParameter(Stop, &Stop);
    EXPECT_EQ(Str(Assigned), "z");
    Assigned = static_cast<Text&&>(Moved);
    EXPECT_TRUE(Moved.IsEmpty()) << Length;
    EXPECT_EQ(Str(Assigned), Bytes) << Length;
    EXPECT_EQ(Assigned.View().Data, Assigned.Data()) << Length;
    EXPECT_EQ(Fake.Allocations, Length > Text::InlineCapacity ? 1 : 0) << Length;
    Assigned = Text();
    EXPECT_EQ(Fake.LiveBlocks, 0) << Length;
  }
}

TEST(CompareTextBytes, OrdersByUnsignedBytesThenLength) {
  struct Case {
    std::string A, B;
    int Sign;
  } Cases[] = {
      {"/c", "/c", 0},   {"/C", "/c", -1},     {"/c", "/cx", -1}, {"", "/c", -1},
      {"", "", 0},       {"a", "B", 1},        {"\x80", "\x7F", 1}, {"x\x80", "x\x7F", 1},
      {"/?", "/c", -1},  {"\xFF", "\x01", 1},  {"a\0b"s, "a\0c"s, -1},
  };
  for (const Case& C : Cases) {
    int Result = CompareTextBytes(ViewOf(C.A), ViewOf(C.B));
    EXPECT_EQ((Result > 0) - (Result < 0), C.Sign) << C.A << " vs " << C.B;
    int Reverse = CompareTextBytes(ViewOf(C.B), ViewOf(C.A));
    EXPECT_EQ((Reverse > 0) - (Reverse < 0), -C.Sign) << C.B << " vs " << C.A;
  }
}

TEST(GetParameter, StorageFailureIsRunTimeError203WithAMessage) {
  // Longer than a text holds inside itself, so it needs the heap.
  PrepareProcess("SPOUTER " + std::string(Text::InlineCapacity + 1, 'a'));
  Fake.FailAllocation = 1;
  int Code = RunToExit([] { GetParameter(1); });
  EXPECT_EQ(Code, 203);
  std::string Output = Fake.Output();
  ASSERT_EQ(Output.size(), 32u);
  EXPECT_EQ(Output.substr(0, 21), "Runtime error 203 at ");
}

}  // namespace
