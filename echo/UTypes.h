// String helpers of the echo program.
#pragma once

#include <stdint.h>

#include "runtime/Text.h"

// The value of a string of hexadecimal digits, most significant first.
// Only digits are meaningful: any other byte counts as (byte - 55).
int32_t HexToInt(TextView Digits);

// A copy in which "a" to "z" become "A" to "Z"; every other byte is kept.
Text UpperCaseText(TextView Source);
