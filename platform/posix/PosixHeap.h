// Storage for byte strings without a C library: blocks in power-of-two size
// classes carved from chunks (the first one static, the others mapped),
// larger ones mapped on their own. Destroying a heap gives back everything
// it holds at once.
#pragma once

#include <stddef.h>

struct PosixHeap;

// A new heap, or null when no memory can be mapped.
PosixHeap* CreatePosixHeap();
// Unmaps every block and chunk of the heap, the heap itself included.
void DestroyPosixHeap(PosixHeap* Heap);
// At least Bytes bytes aligned to 16, or null when memory runs out.
void* AllocateFromPosixHeap(PosixHeap* Heap, size_t Bytes);
// False, changing nothing, for a block this heap does not have out: one it
// never handed out, or one already given back.
bool ReleaseToPosixHeap(PosixHeap* Heap, void* Block);
