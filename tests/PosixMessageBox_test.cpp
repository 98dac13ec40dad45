#include "platform/posix/PosixMessageBox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/Recode.h"

namespace {

// What WriteTextBox puts on a pipe, and its result. The pipe holds 64 KiB,
// more than any box here.
std::string DrawBox(const char* Text, const char* Caption, bool* Written = nullptr) {
  int Ends[2];
  EXPECT_EQ(pipe(Ends), 0);
  bool Result = WriteTextBox(Ends[1], Text, Caption);
  if (Written) *Written = Result;
  close(Ends[1]);
  std::string Out;
  char Chunk[4096];
  for (ssize_t N; (N = read(Ends[0], Chunk, sizeof Chunk)) > 0;) Out.append(Chunk, N);
  close(Ends[0]);
  return Out;
}

std::string Repeat(const std::string& Piece, int Count) {
  std::string All;
  while (Count-- > 0) All += Piece;
  return All;
}

int Columns(const std::string& Utf8) {
  int Count = 0;
  for (unsigned char Byte : Utf8) Count += (Byte & 0xC0) != 0x80;
  return Count;
}

// The box expected around a title and lines already in UTF-8.
std::string Framed(const std::string& Title, const std::vector<std::string>& Body) {
  int Width = Columns(Title);
  for (const std::string& Line : Body) Width = std::max(Width, Columns(Line));
  auto Rule = [Width](const char* Left, const char* Right) {
    return Left + Repeat("─", Width + 2) + Right + "\n";
  };
  auto Row = [Width](const std::string& Line) {
    return "│ " + Line + std::string(Width - Columns(Line), ' ') + " │\n";
  };
  std::string Box = Rule("┌", "┐") + Row(Title) + Rule("├", "┤");
  for (const std::string& Line : Body) Box += Row(Line);
  return Box + Rule("└", "┘");
}

TEST(PosixMessageBox, EveryWindows1251ByteConvertsAsTheCLibraryDoes) {
  int Unassigned = 0;
  for (int Byte = 0; Byte < 256; ++Byte) {
    char Utf8[4];
    std::string Ours(Utf8, Cp1251ToUtf8(static_cast<uint8_t>(Byte), Utf8));
    EXPECT_EQ(Utf8[Ours.size()], 0) << "byte " << Byte;
    bool Converted;
    std::string Reference = FromWindows1251(std::string(1, static_cast<char>(Byte)), &Converted);
    if (Converted) {
      EXPECT_EQ(Ours, Reference) << "byte " << Byte;
    } else {
      ++Unassigned;
      EXPECT_EQ(Ours, "\xEF\xBF\xBD") << "byte " << Byte;
    }
  }
  EXPECT_LE(Unassigned, 1);
}

TEST(PosixMessageBox, DrawsTheFrameExactly) {
  EXPECT_EQ(DrawBox("ab\r\n\xCF\xF0\xE8", "Caption"),
            "┌─────────┐\n"
            "│ Caption │\n"
            "├─────────┤\n"
            "│ ab      │\n"
            "│ При     │\n"
            "└─────────┘\n");
}

TEST(PosixMessageBox, BreaksAndWrapsLines) {
  const std::string X76 = std::string(76, 'x');
  struct Case {
    std::string Text;
    std::vector<std::string> Lines;
  } Cases[] = {
      {"", {""}},
      {"one\r\ntwo", {"one", "two"}},
      {"one\ntwo\rthree", {"one", "two", "three"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"one\r\n", {"one", ""}},
      {"\r\n\r\n", {"", "", ""}},
      {"a\tb\x01\x7F", {"a?b??"}},
      {"\xA9 \xA8\xB8 \x98", {"© Ёё \xEF\xBF\xBD"}},
      {X76, {X76}},
      {X76 + "x", {X76, "x"}},
      {std::string(153, 'x'), {X76, X76, "x"}},
      {std::string(70, 'x') + " " + std::string(10, 'y'), {std::string(70, 'x'), "yyyyyyyyyy"}},
      {X76 + " y", {X76, "y"}},
      {X76 + "   \r\nz", {X76, "z"}},
      {X76 + "  ", {X76}},
      {"a " + X76, {"a", X76}},
      {" " + X76, {" " + std::string(75, 'x'), "x"}},  // no blank to wrap at but the first
  };
  for (const Case& C : Cases)
    EXPECT_EQ(DrawBox(C.Text.c_str(), "Cap"), Framed("Cap", C.Lines)) << C.Text;
  EXPECT_EQ(DrawBox("ab", "A long caption"), Framed("A long caption", {"ab"}));
  EXPECT_EQ(DrawBox(nullptr, nullptr), Framed("", {""}));
}

TEST(PosixMessageBox, ABoxLargerThanOneWriteArrivesWhole) {
  std::string Text;
  for (int I = 0; I < 120; ++I) Text += (I ? "\r\n" : "") + Repeat("\xC0\xC1 ", 20);
  bool Written = false;
  std::string Drawn = DrawBox(Text.c_str(), "T", &Written);
  EXPECT_TRUE(Written);
  EXPECT_GT(Drawn.size(), 8192u);
  EXPECT_EQ(Drawn, Framed("T", std::vector<std::string>(120, Repeat("АБ ", 20))));
}

TEST(PosixMessageBox, AFailedWriteIsReportedAndNotFatal) {
  int Full = open("/dev/full", O_WRONLY);
  ASSERT_GE(Full, 0);
  EXPECT_FALSE(WriteTextBox(Full, "text", "caption"));
  close(Full);
  EXPECT_FALSE(WriteTextBox(-1, "text", "caption"));
}

}  // namespace
