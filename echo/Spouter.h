// The program's entry.
#pragma once

// Writes the command-line parameters to standard output and ends the
// process; never returns.
extern "C" [[noreturn]] void ProcessArguments();
