// Byte strings: counted bytes in the process's ANSI code page, never
// converted. Short ones live inside the object; longer ones come from the
// program's heap, where a request it cannot meet is run-time error 203 and
// a release it rejects 204.
#pragma once

#include <stdint.h>

// A borrowed run of bytes, for constants and for reading a Text.
struct TextView {
  const uint8_t* Data;
  int32_t Length;
};

// An owned byte string. The empty string and every string of up to
// InlineCapacity bytes hold no heap storage. Data() points into the object
// itself for a short string, so it is good only until the text is moved.
class Text {
 public:
  static constexpr int32_t InlineCapacity = 24;

  Text() = default;
  // Storage for exactly Length bytes, contents undefined; none for a
  // Length of 0 or less.
  explicit Text(int32_t Length) {
    if (Length > InlineCapacity) {
      Allocate(Length);
    } else if (Length > 0) {
      Length_ = Length;
    }
  }
  Text(Text&& Other) : Length_(Other.Length_), Storage_(Other.Storage_) { Other.Length_ = 0; }
  Text& operator=(Text&& Other) {
    if (this != &Other) {
      if (OnHeap()) Release();
      Length_ = Other.Length_;
      Storage_ = Other.Storage_;
      Other.Length_ = 0;
    }
    return *this;
  }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  ~Text() {
    if (OnHeap()) Release();
  }

  int32_t Length() const { return Length_; }
  bool IsEmpty() const { return Length_ == 0; }
  uint8_t* Data() { return OnHeap() ? Storage_.Block : Storage_.Bytes; }
  const uint8_t* Data() const { return OnHeap() ? Storage_.Block : Storage_.Bytes; }
  TextView View() const { return {Data(), Length_}; }

 private:
  bool OnHeap() const { return Length_ > InlineCapacity; }
  void Allocate(int32_t Length);
  void Release();

  int32_t Length_ = 0;
  // Which member is in use follows from Length_ alone, so a move copies
  // the whole union: the pointer of a long text, the bytes of a short one.
  // It is left unset: no byte of it counts until Length_ says so.
  union Storage {
    uint8_t* Block;
    uint8_t Bytes[InlineCapacity];
  } Storage_;
};

// A view of a string literal, without its terminating NUL.
template <int32_t N>
constexpr TextView LiteralText(const char (&Bytes)[N]) {
  return {reinterpret_cast<const uint8_t*>(Bytes), N - 1};
}

// Gives back every byte string still allocated; run once, at termination.
void ReleaseAllText();
