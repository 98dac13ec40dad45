// Byte-string storage on a private heap, so that termination can give back
// in one step whatever the scopes left behind when a run-time error ended
// them without unwinding.
#include "runtime/Text.h"

#include "runtime/System.h"
#include "platform/Platform.h"

namespace {

HANDLE ProgramHeap;

[[noreturn]] void StorageError(uint8_t Code, const void* Caller) {
  RunError(Code, GetCodeLocation(Caller));
}

}  // namespace

// Called from the constructor, which is inlined: the return address lies in
// the code that asked for the text.
__attribute__((noinline)) void Text::Allocate(int32_t Length) {
  const void* Caller = __builtin_return_address(0);
  if (!ProgramHeap) {
    ProgramHeap = HeapCreate(0, 0, 0);
    if (!ProgramHeap) StorageError(203, Caller);
  }
  void* Block = HeapAlloc(ProgramHeap, 0, static_cast<SIZE_T>(Length));
  if (!Block) StorageError(203, Caller);
  Storage_.Block = static_cast<uint8_t*>(Block);
  Length_ = Length;
}

__attribute__((noinline)) void Text::Release() {
  if (!ProgramHeap || !HeapFree(ProgramHeap, 0, Storage_.Block))
    StorageError(204, __builtin_return_address(0));
  Length_ = 0;
}

void ReleaseAllText() {
  if (!ProgramHeap) return;
  HeapDestroy(ProgramHeap);
  ProgramHeap = nullptr;
}
