// The memory helpers that the compiler may call on its own, for a program
// linked without any C run-time. Built without builtins, so that none of
// these loops is turned back into a call of itself.
#include <stddef.h>

extern "C" {

void* memcpy(void* Destination, const void* Source, size_t Count) {
  unsigned char* To = static_cast<unsigned char*>(Destination);
  const unsigned char* From = static_cast<const unsigned char*>(Source);
  while (Count--) *To++ = *From++;
  return Destination;
}

void* memmove(void* Destination, const void* Source, size_t Count) {
  unsigned char* To = static_cast<unsigned char*>(Destination);
  const unsigned char* From = static_cast<const unsigned char*>(Source);
  if (To < From) {
    while (Count--) *To++ = *From++;
  } else {
    while (Count--) To[Count] = From[Count];
  }
  return Destination;
}

void* memset(void* Destination, int Value, size_t Count) {
  unsigned char* To = static_cast<unsigned char*>(Destination);
  while (Count--) *To++ = static_cast<unsigned char>(Value);
  return Destination;
}

int memcmp(const void* A, const void* B, size_t Count) {
  const unsigned char* Left = static_cast<const unsigned char*>(A);
  const unsigned char* Right = static_cast<const unsigned char*>(B);
  for (; Count--; ++Left, ++Right) {
    if (*Left != *Right) return *Left < *Right ? -1 : 1;
  }
  return 0;
}

size_t strlen(const char* Text) {
  size_t Length = 0;
  while (Text[Length]) ++Length;
  return Length;
}

}  // extern "C"
