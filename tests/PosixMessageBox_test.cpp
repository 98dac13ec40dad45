#include "platform/posix/PosixMessageBox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

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

// The box expected around lines already in UTF-8, Width characters wide.
std::string Framed(const std::vector<std::string>& Title, const std::vector<std::string>& Body,
                   int Width) {
  auto Rule = [Width](const char* Left, const char* Right) {
    return Left + Repeat("─", Width + 2) + Right + "\n";
  };
  auto Rows = [Width](const std::vector<std::string>& Lines, const std::vector<int>& Lengths) {
    std::string All;
    for (size_t I = 0; I < Lines.size(); ++I)
      All += "│ " + Lines[I] + std::string(Width - Lengths[I], ' ') + " │\n";
    return All;
  };
  auto Lengths = [](const std::vector<std::string>& Lines) {
    std::vector<int> All;
    for (const std::string& Line : Lines) {
      int Count = 0;
      for (unsigned char Byte : Line) Count += (Byte & 0xC0) != 0x80;
      All.push_back(Count);
    }
    return All;
  };
  return Rule("┌", "┐") + Rows(Title, Lengths(Title)) + Rule("├", "┤") + Rows(Body, Lengths(Body)) +
         Rule("└", "┘");
}

TEST(PosixMessageBox, EveryWindows1251ByteConvertsAsTheCLibraryDoes) {
  int Unassigned = 0;
  for (int Byte = 0; Byte < 256; ++Byte) {
    char Utf8[3];
    std::string Ours(Utf8, Cp1251ToUtf8(static_cast<uint8_t>(Byte), Utf8));
    bool Converted;
    std::string Reference =
        Recode("CP1251", "UTF-8", std::string(1, static_cast<char>(Byte)), &Converted);
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
  for (const Case& C : Cases) {
    int Width = 3;  // the caption
    for (const std::string& Line : C.Lines) {
      int Count = 0;
      for (unsigned char Byte : Line) Count += (Byte & 0xC0) != 0x80;
      if (Count > Width) Width = Count;
    }
    EXPECT_EQ(DrawBox(C.Text.c_str(), "Cap"), Framed({"Cap"}, C.Lines, Width)) << C.Text;
  }
}

TEST(PosixMessageBox, ACaptionWiderThanTheTextSetsTheWidth) {
  EXPECT_EQ(DrawBox("ab", "A long caption"), Framed({"A long caption"}, {"ab"}, 14));
  EXPECT_EQ(DrawBox(nullptr, nullptr), Framed({""}, {""}, 0));
}

TEST(PosixMessageBox, ABoxLargerThanOneWriteArrivesWhole) {
  std::string Text, Line = Repeat("\xC0\xC1 ", 20);  // 60 characters, 100 UTF-8 bytes
  std::vector<std::string> Lines;
  for (int I = 0; I < 120; ++I) {
    Text += (I ? "\r\n" : "") + Line;
    Lines.push_back(Repeat("АБ ", 20));
  }
  bool Written = false;
  std::string Drawn = DrawBox(Text.c_str(), "T", &Written);
  EXPECT_TRUE(Written);
  EXPECT_GT(Drawn.size(), 8192u);
  EXPECT_EQ(Drawn, Framed({"T"}, Lines, 60));
}

TEST(PosixMessageBox, AFailedWriteIsReportedAndNotFatal) {
  int Full = open("/dev/full", O_WRONLY);
  ASSERT_GE(Full, 0);
  EXPECT_FALSE(WriteTextBox(Full, "text", "caption"));
  close(Full);
  EXPECT_FALSE(WriteTextBox(-1, "text", "caption"));
}

}  // namespace
