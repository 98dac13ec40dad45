// Storage for byte strings without a C library.
#include "platform/posix/PosixHeap.h"

#include <stdint.h>

#include "platform/posix/Kernel.h"

namespace {

// Every mapping the heap holds starts with one of these, in one list.
struct alignas(16) Region {
  Region* Next;
  Region* Previous;
  size_t Size;
};

struct alignas(16) BlockHeader {
  uint32_t Class;  // size class, or BigBlock
  uint32_t Check;  // marks a block that is out; changed when it comes back
  PosixHeap* Owner;
};

// Block sizes, header included, from 2^MinShift to 2^MaxShift bytes.
constexpr int MinShift = 5;
constexpr int MaxShift = 16;
constexpr int ClassCount = MaxShift - MinShift + 1;
constexpr uint32_t BigBlock = 0xFFFFFFFF;
constexpr size_t ChunkSize = size_t{256} << 10;
constexpr size_t PageSize = 4096;
constexpr uint32_t OutMark = 0x5EA1B10C;

struct FreeBlock {
  FreeBlock* Next;
};

uint32_t CheckOf(const BlockHeader* Header) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Header)) ^ OutMark;
}

// The first chunk of one heap at a time is the program's own storage: a run
// whose texts fit in it maps nothing and unmaps nothing.
alignas(16) uint8_t OwnChunk[ChunkSize];
bool OwnChunkInUse;

}  // namespace

struct PosixHeap {
  Region* Regions;
  FreeBlock* Free[ClassCount];
  uint8_t* Bump;  // the unused rest of the newest chunk
  uint8_t* BumpEnd;
};

namespace {

Region* MapRegion(PosixHeap* Heap, size_t Size) {
  Region* Mapped = static_cast<Region*>(KernelMapMemory(Size));
  if (!Mapped) return nullptr;
  Mapped->Size = Size;
  Mapped->Previous = nullptr;
  Mapped->Next = Heap ? Heap->Regions : nullptr;
  if (Heap) {
    if (Heap->Regions) Heap->Regions->Previous = Mapped;
    Heap->Regions = Mapped;
  }
  return Mapped;
}

void UnmapRegion(PosixHeap* Heap, Region* Mapped) {
  if (Mapped->Previous) Mapped->Previous->Next = Mapped->Next;
  else Heap->Regions = Mapped->Next;
  if (Mapped->Next) Mapped->Next->Previous = Mapped->Previous;
  KernelUnmapMemory(Mapped, Mapped->Size);
}

void* HandOut(PosixHeap* Heap, BlockHeader* Header, uint32_t Class) {
  Header->Class = Class;
  Header->Check = CheckOf(Header);
  Header->Owner = Heap;
  return Header + 1;
}

// The smallest class whose blocks hold Bytes after the header.
int ClassFor(size_t Bytes) {
  int Class = 0;
  while ((size_t{1} << (Class + MinShift)) - sizeof(BlockHeader) < Bytes) ++Class;
  return Class;
}

void* AllocateBig(PosixHeap* Heap, size_t Bytes) {
  size_t Overhead = sizeof(Region) + sizeof(BlockHeader);
  if (Bytes > SIZE_MAX - Overhead - PageSize) return nullptr;
  size_t Size = (Overhead + Bytes + PageSize - 1) & ~(PageSize - 1);
  Region* Mapped = MapRegion(Heap, Size);
  if (!Mapped) return nullptr;
  return HandOut(Heap, reinterpret_cast<BlockHeader*>(Mapped + 1), BigBlock);
}

}  // namespace

PosixHeap* CreatePosixHeap() {
  Region* First = reinterpret_cast<Region*>(OwnChunk);
  if (OwnChunkInUse) First = MapRegion(nullptr, ChunkSize);
  if (!First) return nullptr;
  if (First == reinterpret_cast<Region*>(OwnChunk)) {
    OwnChunkInUse = true;
    *First = {nullptr, nullptr, ChunkSize};
  }
  PosixHeap* Heap = reinterpret_cast<PosixHeap*>(First + 1);
  *Heap = PosixHeap();
  Heap->Regions = First;
  Heap->Bump = reinterpret_cast<uint8_t*>(First) + sizeof(Region) +
               ((sizeof(PosixHeap) + 15) & ~size_t{15});
  Heap->BumpEnd = reinterpret_cast<uint8_t*>(First) + ChunkSize;
  return Heap;
}

void DestroyPosixHeap(PosixHeap* Heap) {
  // The heap lives in one of its regions: nothing of it is read once the
  // first unmapping has begun but the link to the next region.
  Region* Mapped = Heap->Regions;
  while (Mapped) {
    Region* Next = Mapped->Next;
    if (Mapped == reinterpret_cast<Region*>(OwnChunk))
      OwnChunkInUse = false;
    else
      KernelUnmapMemory(Mapped, Mapped->Size);
    Mapped = Next;
  }
}

void* AllocateFromPosixHeap(PosixHeap* Heap, size_t Bytes) {
  if (Bytes > (size_t{1} << MaxShift) - sizeof(BlockHeader)) return AllocateBig(Heap, Bytes);
  int Class = ClassFor(Bytes);
  if (FreeBlock* Reused = Heap->Free[Class]) {
    Heap->Free[Class] = Reused->Next;
    return HandOut(Heap, reinterpret_cast<BlockHeader*>(Reused) - 1, Class);
  }
  size_t Size = size_t{1} << (Class + MinShift);
  if (static_cast<size_t>(Heap->BumpEnd - Heap->Bump) < Size) {
    // What is left of the old chunk stays unused: at most one block less.
    Region* Chunk = MapRegion(Heap, ChunkSize);
    if (!Chunk) return nullptr;
    Heap->Bump = reinterpret_cast<uint8_t*>(Chunk + 1);
    Heap->BumpEnd = reinterpret_cast<uint8_t*>(Chunk) + ChunkSize;
  }
  BlockHeader* Header = reinterpret_cast<BlockHeader*>(Heap->Bump);
  Heap->Bump += Size;
  return HandOut(Heap, Header, Class);
}

bool ReleaseToPosixHeap(PosixHeap* Heap, void* Block) {
  if (!Block || reinterpret_cast<uintptr_t>(Block) % 16 != 0) return false;
  BlockHeader* Header = static_cast<BlockHeader*>(Block) - 1;
  if (Header->Owner != Heap || Header->Check != CheckOf(Header)) return false;
  if (Header->Class == BigBlock) {
    UnmapRegion(Heap, reinterpret_cast<Region*>(Header) - 1);
    return true;
  }
  if (Header->Class >= ClassCount) return false;
  Header->Check = ~CheckOf(Header);
  FreeBlock* Freed = static_cast<FreeBlock*>(Block);
  Freed->Next = Heap->Free[Header->Class];
  Heap->Free[Header->Class] = Freed;
  return true;
}
