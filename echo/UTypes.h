// String helpers of the echo program. They are defined here, inline, so
// that a caller that knows the length (the driver's two validated digits)
// gets them unrolled, with the working text held inside its frame.
#pragma once

#include <stdint.h>

#include "runtime/Text.h"

// A copy in which "a" to "z" become "A" to "Z"; every other byte is kept.
inline Text UpperCaseText(TextView Source) {
  Text Result(Source.Length);
  uint8_t* Out = Result.Data();
  for (int32_t I = 0; I < Source.Length; ++I) {
    uint8_t Byte = Source.Data[I];
    Out[I] = Byte >= 'a' && Byte <= 'z' ? static_cast<uint8_t>(Byte - 32) : Byte;
  }
  return Result;
}

// The value of a string of hexadecimal digits, most significant first.
// Only digits are meaningful: any other byte counts as (byte - 55).
inline int32_t HexToInt(TextView Digits) {
  Text Upper = UpperCaseText(Digits);
  const uint8_t* Bytes = Upper.Data();
  uint32_t Value = 0;
  uint32_t Multiplier = 1;
  for (int32_t I = Upper.Length() - 1; I >= 0; --I) {
    uint8_t Byte = Bytes[I];
    uint32_t Digit = Byte >= '0' && Byte <= '9' ? Byte - 48u : Byte - 65u + 10u;
    Value += Digit * Multiplier;
    Multiplier *= 16;
  }
  return static_cast<int32_t>(Value);
}
