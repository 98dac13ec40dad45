// A recording stand-in for the platform services, for unit tests.
#include "platform/fake/FakePlatform.h"

#include <stdlib.h>

#include <set>

#include "runtime/FaultHandler.h"
#include "runtime/System.h"

FakePlatform Fake;

namespace {

DWORD LastError;

struct FakeHeap {
  std::set<void*> Blocks;
};

}  // namespace

std::string FakePlatform::Output() const {
  std::string All;
  for (const FakeWrite& Write : Writes) All += Write.Bytes;
  return All;
}

void ResetFakeProcess() {
  Fake = FakePlatform();
  InputChannel = TextChannel();
  OutputChannel = TextChannel();
  ErrorChannel = TextChannel();
  IoErrorCode = 0;
  ExitStatus = 0;
  ErrorLocation = 0;
  StartedModules = 0;
  LastError = 0;
}

extern "C" {

LPSTR WINAPI GetCommandLineA(void) { return Fake.CommandLine.data(); }

LPSTR WINAPI CharNextA(const char* Current) {
  if (*Current == 0) return const_cast<char*>(Current);
  uint8_t Lead = static_cast<uint8_t>(*Current);
  bool TwoBytes = Fake.DoubleByteCharacters && Lead >= 0x81 && Lead <= 0xFE && Current[1] != 0;
  return const_cast<char*>(Current + (TwoBytes ? 2 : 1));
}

DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR Buffer, DWORD Size) {
  DWORD Count = 0;
  for (; Count < Size && Count < Fake.ModulePath.size(); ++Count) Buffer[Count] = Fake.ModulePath[Count];
  if (Count < Size) Buffer[Count] = 0;
  return Count;
}

HANDLE WINAPI GetStdHandle(DWORD Which) {
  ++Fake.StdHandleCalls;
  if (Fake.StdHandleError != 0) {
    LastError = Fake.StdHandleError;
    return INVALID_HANDLE_VALUE;
  }
  if (Which == STD_OUTPUT_HANDLE) return Fake.NoOutputHandle ? nullptr : FakeOutputHandle();
  if (Which == STD_ERROR_HANDLE) return FakeErrorHandle();
  return nullptr;
}

DWORD WINAPI GetFileType(HANDLE File) {
  ++Fake.FileTypeCalls;
  return File == FakeOutputHandle() ? Fake.OutputType : FILE_TYPE_UNKNOWN;
}

BOOL WINAPI WriteFile(HANDLE File, LPCVOID Data, DWORD Count, LPDWORD Written, LPOVERLAPPED) {
  int Call = ++Fake.WriteCalls;
  if (Count == 0) ++Fake.EmptyWriteCalls;
  if (File != FakeOutputHandle() && File != FakeErrorHandle()) {
    LastError = ERROR_INVALID_HANDLE;
    if (Written) *Written = 0;
    return FALSE;
  }
  if (Call == Fake.FailWriteCall) {
    LastError = Fake.FailWriteCode;
    if (Written) *Written = 0;
    return FALSE;
  }
  if (Call == Fake.ShortWriteCall && Fake.ShortWriteBytes < Count) Count = Fake.ShortWriteBytes;
  Fake.Writes.push_back({File, std::string(static_cast<const char*>(Data), Count)});
  if (Written) *Written = Count;
  return TRUE;
}

DWORD WINAPI GetLastError(void) { return LastError; }

BOOL WINAPI CloseHandle(HANDLE) {
  ++Fake.CloseHandleCalls;
  return TRUE;
}

void WINAPI ExitProcess(unsigned ExitCode) {
  Fake.ExitCode = static_cast<int>(ExitCode);
  Fake.FaultHandlerActiveAtExit = Fake.FaultHandlerActive;
  if (Fake.ExitJump) longjmp(*Fake.ExitJump, 1);
  abort();  // a test ran the program without a place to come back to
}

HANDLE WINAPI HeapCreate(DWORD, SIZE_T, SIZE_T) { return new FakeHeap; }

BOOL WINAPI HeapDestroy(HANDLE Handle) {
  FakeHeap* Heap = static_cast<FakeHeap*>(Handle);
  for (void* Block : Heap->Blocks) free(Block);
  Fake.LiveBlocks -= static_cast<int>(Heap->Blocks.size());
  delete Heap;
  return TRUE;
}

LPVOID WINAPI HeapAlloc(HANDLE Handle, DWORD, SIZE_T Bytes) {
  if (++Fake.Allocations == Fake.FailAllocation) return nullptr;
  void* Block = malloc(Bytes);
  static_cast<FakeHeap*>(Handle)->Blocks.insert(Block);
  ++Fake.LiveBlocks;
  return Block;
}

BOOL WINAPI HeapFree(HANDLE Handle, DWORD, LPVOID Block) {
  if (++Fake.Releases == Fake.RejectRelease) return FALSE;  // the block stays live
  if (!static_cast<FakeHeap*>(Handle)->Blocks.erase(Block)) return FALSE;
  free(Block);
  --Fake.LiveBlocks;
  return TRUE;
}

int WINAPI MessageBoxA(HWND Owner, LPCSTR Text, LPCSTR Caption, UINT Style) {
  Fake.MessageBoxes.push_back({Owner, Text, Caption, Style});
  return Fake.MessageBoxResult;
}

}  // extern "C"

// The fault handler catches nothing here; tests see when it is in place.
void InstallFaultHandler() {
  ++Fake.FaultHandlerInstalls;
  Fake.FaultHandlerActive = true;
}

void RemoveFaultHandler() {
  ++Fake.FaultHandlerRemovals;
  Fake.FaultHandlerActive = false;
}

bool CharactersAreSingleBytes() { return !Fake.DoubleByteCharacters; }

bool InterruptPending() {
  return Fake.InterruptAtWriteCall == -1 ||
         (Fake.InterruptAtWriteCall > 0 && Fake.WriteCalls >= Fake.InterruptAtWriteCall);
}

uint32_t GetCodeLocation(const void* Address) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Address));
}
