#include "echo/UTypes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TextView ViewOf(const std::string& Bytes) {
  return {reinterpret_cast<const uint8_t*>(Bytes.data()), static_cast<int32_t>(Bytes.size())};
}

TEST(HexToInt, ReadsDigitsOfEitherCaseMostSignificantFirst) {
  struct Case {
    const char* Digits;
    int32_t Value;
  } Cases[] = {
      {"00", 0x00}, {"09", 0x09}, {"0A", 0x0A}, {"0a", 0x0A}, {"10", 0x10},  {"7F", 0x7F},
      {"80", 0x80}, {"ed", 0xED}, {"Ed", 0xED}, {"fF", 0xFF}, {"FF", 0xFF},  {"F", 0xF},
      {"", 0},      {"1234", 0x1234}, {"abcdef", 0xABCDEF},
  };
  for (const Case& C : Cases) EXPECT_EQ(HexToInt(ViewOf(C.Digits)), C.Value) << C.Digits;
}

TEST(UpperCaseText, RaisesOnlyAsciiLowerCaseLetters) {
  // Bytes around the a-z range, and the upper half, stay as they are.
  std::string Source = "`az{@AZ[09 \x80\xE0\xFF\0x"s;
  std::string Expected = "`AZ{@AZ[09 \x80\xE0\xFF\0X"s;
  Text Upper = UpperCaseText(ViewOf(Source));
  ASSERT_EQ(Upper.Length(), static_cast<int32_t>(Source.size()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Upper.Data()), Upper.Length()), Expected);
}

TEST(UpperCaseText, EmptyGivesEmpty) { EXPECT_TRUE(UpperCaseText(ViewOf("")).IsEmpty()); }

}  // namespace
