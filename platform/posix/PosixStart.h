// The POSIX program's entry, which each kernel seam's start-up calls once
// the process is set up.
#pragma once

// The arguments as the system passed them. Never returns.
extern "C" [[noreturn]] void PosixStart(int Count, char** Arguments);
