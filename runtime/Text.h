// Byte strings: counted bytes in the process's ANSI code page, never
// converted. Storage comes from the program's heap; a request it cannot
// meet is run-time error 203, a release it rejects 204.
#pragma once

#include <stdint.h>

// A borrowed run of bytes, for constants and for reading a Text.
struct TextView {
  const uint8_t* Data;
  int32_t Length;
};

// An owned byte string. The empty string holds no storage.
class Text {
 public:
  Text() = default;
  // Storage for exactly Length bytes, contents undefined.
  explicit Text(int32_t Length);
  Text(Text&& Other);
  Text& operator=(Text&& Other);
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  ~Text();

  int32_t Length() const { return Length_; }
  bool IsEmpty() const { return Length_ == 0; }
  uint8_t* Data() { return Data_; }
  const uint8_t* Data() const { return Data_; }
  TextView View() const { return {Data_, Length_}; }

 private:
  void Release();

  uint8_t* Data_ = nullptr;
  int32_t Length_ = 0;
};

// A view of a string literal, without its terminating NUL.
template <int32_t N>
constexpr TextView LiteralText(const char (&Bytes)[N]) {
  return {reinterpret_cast<const uint8_t*>(Bytes), N - 1};
}

// Gives back every byte string still allocated; run once, at termination.
void ReleaseAllText();
