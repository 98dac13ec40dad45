// Platform services, by their Win32 names. On Windows these are the real
// functions; elsewhere our own layer or the test fake provides the same
// contracts. Exactly one implementation is linked into a program.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)

#include <windows.h>

#else

extern "C" {

typedef int BOOL;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef void* HANDLE;
typedef void* HMODULE;
typedef void* HWND;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* LPOVERLAPPED;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef unsigned int UINT;
typedef size_t SIZE_T;

#define WINAPI
#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(intptr_t{-1}))
#define STD_INPUT_HANDLE ((DWORD)-10)
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)
#define FILE_TYPE_UNKNOWN 0x0000
#define FILE_TYPE_DISK 0x0001
#define FILE_TYPE_CHAR 0x0002
#define FILE_TYPE_PIPE 0x0003
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_WRITE_FAULT 29L
#define MB_ICONINFORMATION 0x00000040L
#define IDOK 1

// Fault statuses: what a processor fault is reported as.
#define STATUS_BREAKPOINT ((DWORD)0x80000003)
#define STATUS_ACCESS_VIOLATION ((DWORD)0xC0000005)
#define STATUS_ILLEGAL_INSTRUCTION ((DWORD)0xC000001D)
#define STATUS_ARRAY_BOUNDS_EXCEEDED ((DWORD)0xC000008C)
#define STATUS_FLOAT_DENORMAL_OPERAND ((DWORD)0xC000008D)
#define STATUS_FLOAT_DIVIDE_BY_ZERO ((DWORD)0xC000008E)
#define STATUS_FLOAT_INEXACT_RESULT ((DWORD)0xC000008F)
#define STATUS_FLOAT_INVALID_OPERATION ((DWORD)0xC0000090)
#define STATUS_FLOAT_OVERFLOW ((DWORD)0xC0000091)
#define STATUS_FLOAT_STACK_CHECK ((DWORD)0xC0000092)
#define STATUS_FLOAT_UNDERFLOW ((DWORD)0xC0000093)
#define STATUS_INTEGER_DIVIDE_BY_ZERO ((DWORD)0xC0000094)
#define STATUS_INTEGER_OVERFLOW ((DWORD)0xC0000095)
#define STATUS_PRIVILEGED_INSTRUCTION ((DWORD)0xC0000096)
#define STATUS_STACK_OVERFLOW ((DWORD)0xC00000FD)
#define STATUS_CONTROL_C_EXIT ((DWORD)0xC000013A)

// The raw command line: NUL-ended, program token first, the same text on
// every call.
LPSTR WINAPI GetCommandLineA(void);
// The position of the character after the one at Current; never past the
// terminating NUL.
LPSTR WINAPI CharNextA(const char* Current);
// The executable's path in Buffer, cut to Size bytes; the count written,
// 0 on failure. Module must be null (the program itself).
DWORD WINAPI GetModuleFileNameA(HMODULE Module, LPSTR Buffer, DWORD Size);

HANDLE WINAPI GetStdHandle(DWORD Which);
DWORD WINAPI GetFileType(HANDLE File);
// Writes the whole block or fails; the error code is then GetLastError's.
// Written is the count of bytes taken either way.
BOOL WINAPI WriteFile(HANDLE File, LPCVOID Data, DWORD Count, LPDWORD Written,
                      LPOVERLAPPED Overlapped);
DWORD WINAPI GetLastError(void);
BOOL WINAPI CloseHandle(HANDLE Object);
[[noreturn]] void WINAPI ExitProcess(unsigned ExitCode);

// A private heap: HeapDestroy gives back every block still allocated in it.
HANDLE WINAPI HeapCreate(DWORD Options, SIZE_T InitialSize, SIZE_T MaximumSize);
BOOL WINAPI HeapDestroy(HANDLE Heap);
LPVOID WINAPI HeapAlloc(HANDLE Heap, DWORD Flags, SIZE_T Bytes);
// FALSE for a block this heap did not hand out.
BOOL WINAPI HeapFree(HANDLE Heap, DWORD Flags, LPVOID Block);

// Shows Text (NUL-ended, lines separated by CR LF) under Caption and
// returns when the box is gone: the button chosen, IDOK for the only one,
// or 0 when no box could be shown.
int WINAPI MessageBoxA(HWND Owner, LPCSTR Text, LPCSTR Caption, UINT Style);

}  // extern "C"

#endif

// The value shown for a code address in run-time error messages: stable
// from run to run, whatever address the image was loaded at.
uint32_t GetCodeLocation(const void* Address);

// True once Ctrl+C has reached a process that ends by it at the run-time's
// own safe points, and from then on. Where the system ends a process by
// Ctrl+C itself (a Windows console), it is always false.
bool InterruptPending();

// True when every character of the raw command line is a single byte, so
// that CharNextA always steps one byte on; the splitter then steps by
// itself. False wherever the code page may have longer characters.
bool CharactersAreSingleBytes();
