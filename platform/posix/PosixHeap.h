// Storage for byte strings without a C library: an arena. Blocks are handed
// out one after another, from the program's own storage first and then
// from chunks mapped as they are needed; a block given back is only marked,
// and its room is taken back while it is the newest, as the program's texts
// come and go. Destroying a heap gives back everything it holds at once.
#pragma once

#include <stddef.h>

struct PosixHeap;

// A new heap, or null when no memory can be mapped.
PosixHeap* CreatePosixHeap();
// Unmaps every chunk of the heap, the heap itself included.
void DestroyPosixHeap(PosixHeap* Heap);
// At least Bytes bytes aligned to 16, or null when memory runs out.
void* AllocateFromPosixHeap(PosixHeap* Heap, size_t Bytes);
// False, changing nothing, for a block this heap does not have out: one it
// never handed out, or one already given back.
bool ReleaseToPosixHeap(PosixHeap* Heap, void* Block);
