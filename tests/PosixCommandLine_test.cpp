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

TEST(BuildCommandLine, NoArgumentsAtAllStillHasAProgramToken) {
  char Line[16];
  ASSERT_LE(CommandLineSize(0, nullptr), sizeof Line);
  BuildCommandLine(0, nullptr, Line);
  EXPECT_STREQ(Line, "spouter");
}

}  // namespace
