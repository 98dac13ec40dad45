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

__attribute__((noinline)) Text::Text(int32_t Length) {
  if (Length <= 0) return;
  const void* Caller = __builtin_return_address(0);
  if (!ProgramHeap) {
    ProgramHeap = HeapCreate(0, 0, 0);
    if (!ProgramHeap) StorageError(203, Caller);
  }
  void* Block = HeapAlloc(ProgramHeap, 0, static_cast<SIZE_T>(Length));
  if (!Block) StorageError(203, Caller);
  Data_ = static_cast<uint8_t*>(Block);
  Length_ = Length;
}

Text::Text(Text&& Other) : Data_(Other.Data_), Length_(Other.Length_) {
  Other.Data_ = nullptr;
  Other.Length_ = 0;
}

Text& Text::operator=(Text&& Other) {
  if (this != &Other) {
    Release();
    Data_ = Other.Data_;
    Length_ = Other.Length_;
    Other.Data_ = nullptr;
    Other.Length_ = 0;
  }
  return *this;
}

Text::~Text() { Release(); }

__attribute__((noinline)) void Text::Release() {
  if (!Data_) return;
  if (!ProgramHeap || !HeapFree(ProgramHeap, 0, Data_))
    StorageError(204, __builtin_return_address(0));
  Data_ = nullptr;
  Length_ = 0;
}

void ReleaseAllText() {
  if (!ProgramHeap) return;
  HeapDestroy(ProgramHeap);
  ProgramHeap = nullptr;
}
