// Rebuilding a raw command line from the shell's arguments.
#pragma once

#include <stddef.h>

// A NUL-ended line that the command-line splitter takes apart into exactly
// Arguments[1..Count-1]: each argument loses its double quotes, is quoted
// when it holds a byte from 0x01 to 0x20, and is left out when nothing
// remains of it. The program token comes first and is never empty.
// BuildCommandLine writes it to Line, which holds CommandLineSize bytes.
size_t CommandLineSize(int Count, char* const* Arguments);
void BuildCommandLine(int Count, char* const* Arguments, char* Line);
