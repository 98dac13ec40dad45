// Command-line parameters, split from the raw command line on every request.
#pragma once

#include <stdint.h>

#include "runtime/Text.h"

// Parameter Index: 0 is the executable's path, 1 the first token after the
// program token. The empty text when there is no such parameter (a negative
// or past-the-end index included); a parameter is never empty otherwise.
Text GetParameter(int32_t Index);

// The next parameter from Position in the raw command line. *Stop receives
// the position where the scan ended: at the separator or NUL behind the
// parameter, not consumed. The empty text only at the end of the line.
Text ScanParameter(const char* Position, const char** Stop);

// Byte-wise comparison: negative, 0 or positive as A is less than, equal
// to or greater than B. No folding of case, no code page.
int CompareTextBytes(TextView A, TextView B);
