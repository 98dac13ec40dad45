// A recording stand-in for the platform services, for unit tests. Tests set
// the inputs in Fake, run code, and read what happened from its fields.
#pragma once

#include <setjmp.h>

#include <string>
#include <vector>

#include "platform/Platform.h"

struct FakeWrite {
  HANDLE Handle;
  std::string Bytes;
};

struct FakeMessageBox {
  HWND Owner;
  std::string Text;
  std::string Caption;
  UINT Style;
};

struct FakePlatform {
  // Inputs.
  std::string CommandLine;
  std::string ModulePath = "/opt/spouter/spouter";
  DWORD OutputType = FILE_TYPE_CHAR;  // what GetFileType says of standard output
  bool NoOutputHandle = false;        // GetStdHandle gives the null handle
  DWORD StdHandleError = 0;           // non-zero: GetStdHandle fails with it
  int FailWriteCall = 0;              // 1-based WriteFile call that fails, 0 for none
  DWORD FailWriteCode = 0;
  int ShortWriteCall = 0;  // 1-based WriteFile call that reports fewer bytes
  DWORD ShortWriteBytes = 0;
  int FailAllocation = 0;  // 1-based HeapAlloc call that fails, 0 for none
  int RejectRelease = 0;   // 1-based HeapFree call that fails, 0 for none
  // CharNextA takes 0x81-0xFE, followed by anything but NUL, as one
  // two-byte character, as a double-byte code page does.
  bool DoubleByteCharacters = false;
  // InterruptPending answers true from this 1-based WriteFile call on (the
  // call is made), or from the start when -1; 0 for never.
  int InterruptAtWriteCall = 0;
  // What MessageBoxA answers; 0 when it cannot show a box.
  int MessageBoxResult = IDOK;

  // What happened.
  // Successful WriteFile calls and the bytes they took. Writes to anything
  // but the standard output and error handles fail.
  std::vector<FakeWrite> Writes;
  int WriteCalls = 0;             // every WriteFile call, failed ones included
  int EmptyWriteCalls = 0;        // WriteFile calls asked to write 0 bytes
  int StdHandleCalls = 0;
  int FileTypeCalls = 0;
  int CloseHandleCalls = 0;
  int Allocations = 0;
  int Releases = 0;    // HeapFree calls, rejected ones included
  int LiveBlocks = 0;  // allocated and not yet given back
  int ExitCode = -1;
  int FaultHandlerInstalls = 0;
  int FaultHandlerRemovals = 0;
  bool FaultHandlerActive = false;        // installed and not yet removed
  bool FaultHandlerActiveAtExit = false;  // as ExitProcess found it
  std::vector<FakeMessageBox> MessageBoxes;  // every MessageBoxA call

  // ExitProcess records the code and jumps here.
  jmp_buf* ExitJump = nullptr;

  // Everything the successful writes carried, in order.
  std::string Output() const;
};

extern FakePlatform Fake;

inline HANDLE FakeOutputHandle() { return reinterpret_cast<HANDLE>(intptr_t{0x11}); }
inline HANDLE FakeErrorHandle() { return reinterpret_cast<HANDLE>(intptr_t{0x12}); }

// Resets Fake to its defaults and the run-time's process-wide state to how
// a new process finds it.
void ResetFakeProcess();
