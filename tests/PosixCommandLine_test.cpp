#include "platform/posix/PosixCommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/CommandLine.h"
#include "tests/FakeRun.h"

namespace {

// The raw line rebuilt from Arguments, and what the splitter makes of it.
std::string Rebuild(std::vector<std::string> Arguments) {
  std::vector<char*> Pointers;
  for (std::string& A : Arguments) Pointers.push_back(A.data());
  int Count = static_cast<int>(Pointers.size());
  // Room for exactly the size asked for, and a guard behind it.
  std::string Line(CommandLineSize(Count, Pointers.data()) + 1, '#');
  BuildCommandLine(Count, Pointers.data(), Line.data());
  EXPECT_EQ(Line.back(), '#') << "wrote past the size it asked for";
  return Line.c_str();
}

std::vector<std::string> SplitAgain(const std::string& Line) {
  PrepareProcess(Line);
  std::vector<std::string> Found;
  for (int32_t I = 1;; ++I) {
    Text P = GetParameter(I);
    if (P.IsEmpty()) break;
    Found.emplace_back(reinterpret_cast<const char*>(P.Data()), P.Length());
  }
  return Found;
}

TEST(BuildCommandLine, SplitsBackIntoTheShellsArguments) {
  struct Case {
    std::vector<std::string> Arguments;
    std::string Line;
    std::vector<std::string> Parameters;
  } Cases[] = {
      {{"spouter", "Hello, World!", "0D", "0A"}, "spouter \"Hello, World!\" 0D 0A",
       {"Hello, World!", "0D", "0A"}},
      {{"./spouter"}, "./spouter", {}},
      {{"spouter", "", "a", ""}, "spouter a", {"a"}},
      {{"spouter", "\"\"", "\"0A\""}, "spouter 0A", {"0A"}},
      {{"spouter", "a\"b\"c"}, "spouter abc", {"abc"}},
      {{"spouter", "tab\there", "nl\nx", " "}, "spouter \"tab\there\" \"nl\nx\" \" \"",
       {"tab\there", "nl\nx", " "}},
      {{"spouter", "\x01", "\x20"}, "spouter \"\x01\" \" \"", {"\x01", " "}},
      {{"spouter", "back\\slash", "\xC0\xFF\x21"}, "spouter back\\slash \xC0\xFF\x21",
       {"back\\slash", "\xC0\xFF\x21"}},
      {{"my prog", "x"}, "\"my prog\" x", {"x"}},
      {{"", "x"}, "spouter x", {"x"}},
      {{"\"\"", "x"}, "spouter x", {"x"}},
  };
  for (const Case& C : Cases) {
    std::string Line = Rebuild(C.Arguments);
    EXPECT_EQ(Line, C.Line);
    EXPECT_EQ(SplitAgain(Line), C.Parameters) << Line;
  }
}

// Arguments one behind the other, each NUL-ended, as the kernel leaves
// them; Join reports what JoinArgumentsInPlace made of them.
struct Laid {
  std::string Bytes;
  std::vector<char*> Pointers;
  explicit Laid(const std::vector<std::string>& Arguments) {
    for (const std::string& A : Arguments) Bytes += A + '\0';
    for (size_t At = 0, I = 0; I < Arguments.size(); At += Arguments[I++].size() + 1)
      Pointers.push_back(&Bytes[At]);
  }
  const char* Join() { return JoinArgumentsInPlace(static_cast<int>(Pointers.size()), Pointers.data()); }
};

// In place when the rebuilt line is the arguments with blanks between them
// (none of these holds a quote), and then it is that line; otherwise nothing
// is touched.
TEST(JoinArgumentsInPlace, GivesTheRebuiltLineOrLeavesTheArgumentsAlone) {
  std::vector<std::vector<std::string>> Cases = {
      {"spouter", "Hello,", "World!", "0D", "0A"}, {"./spouter"}, {"spouter", "\xC0\xFF\x21", "x"},
      {"spouter", "Hello, World!"}, {"spouter", "", "a"}, {"spouter", "a", ""}, {"", "x"},
      {"spouter", "a\"b"}, {"spouter", "\x01"}, {"spouter", "\x21", "tab\t"}, {"my prog", "x"},
      {"spouter", "!a!", "!"}, {"spouter", "b!\"", "x"},
  };
  for (const std::vector<std::string>& Arguments : Cases) {
    std::string Joined;
    for (const std::string& A : Arguments) Joined += (Joined.empty() ? "" : " ") + A;
    std::string Line = Rebuild(Arguments);
    Laid Kernel(Arguments);
    std::string Before = Kernel.Bytes;
    const char* Result = Kernel.Join();
    if (Line == Joined && !Arguments[0].empty()) {
      ASSERT_EQ(Result, Kernel.Pointers[0]) << Line;
      EXPECT_EQ(std::string(Result), Line);
    } else {
      EXPECT_EQ(Result, nullptr) << Line;
      EXPECT_EQ(Kernel.Bytes, Before) << Line;
    }
  }
}

TEST(JoinArgumentsInPlace, NeedsTheArgumentsOneBehindTheOther) {
  Laid Apart({"spouter", "a", "b"});
  std::string Before = Apart.Bytes;
  std::string Elsewhere = "b";  // the same bytes, but not behind "a"
  Apart.Pointers[2] = Elsewhere.data();
  EXPECT_EQ(Apart.Join(), nullptr);
  EXPECT_EQ(Apart.Bytes, Before);
  EXPECT_EQ(JoinArgumentsInPlace(0, nullptr), nullptr);
}

TEST(BuildCommandLine, NoArgumentsAtAllStillHasAProgramToken) {
  char Line[16];
  ASSERT_LE(CommandLineSize(0, nullptr), sizeof Line);
  BuildCommandLine(0, nullptr, Line);
  EXPECT_STREQ(Line, "spouter");
}

}  // namespace
