// String helpers of the echo program.
#include "echo/UTypes.h"

int32_t HexToInt(TextView Digits) {
  Text Upper = UpperCaseText(Digits);
  uint32_t Value = 0;
  uint32_t Multiplier = 1;
  for (int32_t I = Upper.Length() - 1; I >= 0; --I) {
    uint8_t Byte = Upper.Data()[I];
    uint32_t Digit = Byte >= '0' && Byte <= '9' ? Byte - 48u : Byte - 65u + 10u;
    Value += Digit * Multiplier;
    Multiplier *= 16;
  }
  return static_cast<int32_t>(Value);
}

Text UpperCaseText(TextView Source) {
  Text Result(Source.Length);
  for (int32_t I = 0; I < Source.Length; ++I) {
    uint8_t Byte = Source.Data[I];
    Result.Data()[I] = Byte >= 'a' && Byte <= 'z' ? static_cast<uint8_t>(Byte - 32) : Byte;
  }
  return Result;
}
