// Storage for byte strings without a C library.
#include "platform/posix/PosixHeap.h"

#include <stdint.h>

#include "platform/posix/Kernel.h"

namespace {

// Every chunk starts with one of these; the newest is first in the list.
struct alignas(16) Chunk {
  Chunk* Previous;
  size_t Size;
};

struct alignas(16) BlockHeader {
  size_t Size;  // header included
  uintptr_t Check;  // while it is out: Mark, by the block's and its heap's address
};

constexpr size_t ChunkSize = size_t{256} << 10;
constexpr size_t PageSize = 4096;
constexpr uintptr_t Mark = 0x5EA1B10C;

// The first chunk of one heap at a time is the program's own storage: a run
// whose texts fit in it maps nothing and unmaps nothing.
alignas(16) uint8_t OwnChunk[ChunkSize];
bool OwnChunkInUse;

}  // namespace

struct PosixHeap {
  Chunk* Newest;
  uint8_t* Bump;  // the unused rest of the newest chunk
  uint8_t* End;
};

namespace {

uintptr_t CheckOf(const PosixHeap* Heap, const BlockHeader* Header) {
  return reinterpret_cast<uintptr_t>(Header) ^ reinterpret_cast<uintptr_t>(Heap) ^ Mark;
}

void UseChunk(PosixHeap* Heap, Chunk* Fresh, size_t Size) {
  *Fresh = {Heap->Newest, Size};
  Heap->Newest = Fresh;
  Heap->Bump = reinterpret_cast<uint8_t*>(Fresh + 1);
  Heap->End = reinterpret_cast<uint8_t*>(Fresh) + Size;
}

}  // namespace

PosixHeap* CreatePosixHeap() {
  Chunk* First = reinterpret_cast<Chunk*>(OwnChunk);
  if (OwnChunkInUse) First = static_cast<Chunk*>(KernelMapMemory(ChunkSize));
  if (!First) return nullptr;
  if (First == reinterpret_cast<Chunk*>(OwnChunk)) OwnChunkInUse = true;
  PosixHeap Made = {};
  UseChunk(&Made, First, ChunkSize);
  // The heap's own record is its first chunk's first block.
  PosixHeap* Heap = reinterpret_cast<PosixHeap*>(Made.Bump);
  *Heap = Made;
  Heap->Bump += (sizeof(PosixHeap) + 15) & ~size_t{15};
  return Heap;
}

void DestroyPosixHeap(PosixHeap* Heap) {
  // The heap lives in its oldest chunk: nothing of it is read once the
  // first unmapping has begun but the link to the next chunk.
  Chunk* Mapped = Heap->Newest;
  while (Mapped) {
    Chunk* Previous = Mapped->Previous;
    if (Mapped == reinterpret_cast<Chunk*>(OwnChunk))
      OwnChunkInUse = false;
    else
      KernelUnmapMemory(Mapped, Mapped->Size);
    Mapped = Previous;
  }
}

void* AllocateFromPosixHeap(PosixHeap* Heap, size_t Bytes) {
  if (Bytes > SIZE_MAX - sizeof(Chunk) - sizeof(BlockHeader) - PageSize) return nullptr;
  size_t Size = (sizeof(BlockHeader) + Bytes + 15) & ~size_t{15};
  if (static_cast<size_t>(Heap->End - Heap->Bump) < Size) {
    // What is left of the old chunk stays unused.
    size_t Wanted = (sizeof(Chunk) + Size + PageSize - 1) & ~(PageSize - 1);
    if (Wanted < ChunkSize) Wanted = ChunkSize;
    Chunk* Fresh = static_cast<Chunk*>(KernelMapMemory(Wanted));
    if (!Fresh) return nullptr;
    UseChunk(Heap, Fresh, Wanted);
  }
  BlockHeader* Header = reinterpret_cast<BlockHeader*>(Heap->Bump);
  *Header = {Size, CheckOf(Heap, Header)};
  Heap->Bump += Size;
  return Header + 1;
}

bool ReleaseToPosixHeap(PosixHeap* Heap, void* Block) {
  if (!Block || reinterpret_cast<uintptr_t>(Block) % 16 != 0) return false;
  BlockHeader* Header = static_cast<BlockHeader*>(Block) - 1;
  if (Header->Check != CheckOf(Heap, Header)) return false;
  Header->Check = 0;
  if (reinterpret_cast<uint8_t*>(Header) + Header->Size == Heap->Bump)
    Heap->Bump = reinterpret_cast<uint8_t*>(Header);
  return true;
}
