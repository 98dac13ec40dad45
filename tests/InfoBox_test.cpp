#include "echo/InfoBox.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "echo/Spouter.h"
#include "tests/FakeRun.h"
#include "tests/Recode.h"

namespace {

std::string JoinLines(const std::vector<std::string>& Lines) {
  std::string All;
  for (size_t I = 0; I < Lines.size(); ++I) All += (I ? "\r\n" : "") + Lines[I];
  return All;
}

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> Lines(1);
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text.compare(I, 2, "\r\n") == 0) {
      Lines.emplace_back();
      ++I;
    } else {
      Lines.back() += Text[I];
    }
  }
  return Lines;
}

TEST(InfoBox, HelpTextIsTheSixteenLinesInWindows1251) {
  const std::vector<std::string> Lines = {
      "Вывод текстовых или бинарных сообщений.",
      "",
      "SPOUTER выражение",
      "",
      "Выражение может содержать произвольный текст.",
      "Для вывода текста с пробелами, его необходимо заключить в кавычки.",
      "Если в выражении встречается трехзначное десятичное или двухзначное "
      "шестнадцатеричное число,",
      "то оно выводится в бинарном виде.",
      "",
      "В отличии от команды ECHO, после вывода сообщения не происходит перехода на новую "
      "строку.",
      "",
      "Пример:",
      "SPOUTER \"Hello, World!\" 010 013",
      "Выведет фразу и перейдет на новую строку (010 013).",
      "SPOUTER \"Hello, World!\" 0A 0D",
      "То же самое, только вывод бинарных данных происходит в шестнадцатеричном формате "
      "(0A 0D).",
  };
  bool Converted;
  std::string Expected = ToWindows1251(JoinLines(Lines), &Converted);
  ASSERT_TRUE(Converted);
  EXPECT_EQ(strlen(HelpText), 618u);
  EXPECT_EQ(std::string(HelpText), Expected);
}

TEST(InfoBox, AboutTextIsNameBlankCopyrightAndCredit) {
  std::vector<std::string> Lines = SplitLines(AboutText);
  ASSERT_EQ(Lines.size(), 4u);
  EXPECT_EQ(Lines[0], "SPOUTER");
  EXPECT_EQ(Lines[1], "");
  EXPECT_NE(Lines[2].find("\xA9 "), std::string::npos) << "the copyright sign in Windows-1251";
  EXPECT_FALSE(Lines[3].empty());
  for (const std::string& Line : Lines) {
    EXPECT_EQ(Line.find_first_of("\r\n"), std::string::npos) << "a lone CR or LF";
    bool Converted;
    FromWindows1251(Line, &Converted);
    EXPECT_TRUE(Converted) << Line;
  }
}

enum class Box { None, About, Help };

TEST(InfoBox, OnlyAnExactFirstParameterIsASwitch) {
  struct Case {
    std::string Arguments;
    Box Shown;
    std::string Output;  // when no box is shown
  } Cases[] = {
      {"/c", Box::About, ""},
      {"/?", Box::Help, ""},
      {"/c anything 0A", Box::About, ""},
      {"/? x", Box::Help, ""},
      {"/? /c", Box::Help, ""},
      {"\"/c\"", Box::About, ""},
      {"/\"?\"", Box::Help, ""},
      {"\"\" /?", Box::Help, ""},
      {"\t/c\t", Box::About, ""},
      {"/C", Box::None, "/C"},
      {"-?", Box::None, "-?"},
      {"\\?", Box::None, "\\?"},
      {"\"/c \"", Box::None, "/c "},
      {"\" /?\"", Box::None, " /?"},
      {"/cc", Box::None, "/cc"},
      {"/??", Box::None, "/??"},
      {"/", Box::None, "/"},
      {"?", Box::None, "?"},
      {"x /?", Box::None, "x/?"},
      {"x /c", Box::None, "x/c"},
      {"0A /c", Box::None, "\n/c"},
  };
  for (const Case& C : Cases) {
    PrepareProcess("SPOUTER " + C.Arguments, FILE_TYPE_CHAR);
    EXPECT_EQ(RunToExit([] { ProcessArguments(); }), 0) << C.Arguments;
    EXPECT_EQ(Fake.Output(), C.Output) << C.Arguments;
    EXPECT_EQ(Fake.LiveBlocks, 0) << C.Arguments;
    if (C.Shown == Box::None) {
      EXPECT_TRUE(Fake.MessageBoxes.empty()) << C.Arguments;
      continue;
    }
    EXPECT_EQ(Fake.StdHandleCalls, 0) << C.Arguments;
    EXPECT_EQ(Fake.WriteCalls, 0) << C.Arguments;
    ASSERT_EQ(Fake.MessageBoxes.size(), 1u) << C.Arguments;
    const FakeMessageBox& Shown = Fake.MessageBoxes[0];
    EXPECT_EQ(Shown.Owner, nullptr);
    EXPECT_EQ(Shown.Style, 0x40u);
    if (C.Shown == Box::About) {
      EXPECT_EQ(Shown.Caption, "Copyright") << C.Arguments;
      EXPECT_EQ(Shown.Text, AboutText) << C.Arguments;
    } else {
      EXPECT_EQ(Shown.Caption, "SPOUTER /?") << C.Arguments;
      EXPECT_EQ(Shown.Text, HelpText) << C.Arguments;
    }
  }
}

TEST(InfoBox, ABoxThatCannotBeShownStillEndsNormally) {
  for (const char* Line : {"SPOUTER /c", "SPOUTER /?"}) {
    PrepareProcess(Line);
    Fake.MessageBoxResult = 0;
    EXPECT_EQ(RunToExit([] { ProcessArguments(); }), 0) << Line;
    EXPECT_EQ(Fake.MessageBoxes.size(), 1u) << Line;
    EXPECT_EQ(Fake.StdHandleCalls, 0) << Line;
    EXPECT_EQ(Fake.WriteCalls, 0) << Line;
  }
}

TEST(InfoBox, NoStorageForTheFirstParameterIs203BeforeAnyBox) {
  // The program token, scanned on the way to parameter 1, is the first
  // text too long to hold inside itself.
  PrepareProcess("\"C:\\Program Files\\SPOUTER\\spouter.exe\" /?");
  Fake.FailAllocation = 1;
  EXPECT_EQ(RunToExit([] { ProcessArguments(); }), 203);
  EXPECT_TRUE(Fake.MessageBoxes.empty());
  EXPECT_EQ(Fake.Output().substr(0, 21), "Runtime error 203 at ");
}

}  // namespace
