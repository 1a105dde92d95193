// Task memory and every message come from eight partitions of equal-size
// blocks, so that memory given back never fragments the heap.
#pragma once

#include "basetypes.h"

// Never null: waits when every fitting partition is empty. A request above
// the largest block (409,696 bytes) is a fatal error.
void* H_MEMORY_pvMalloc(U32 size);
// As H_MEMORY_pvMalloc, but null where that one would wait.
void* H_MEMORY_pvMallocNoWait(U32 size);
// count x size bytes of zeros; an overflowing product is a fatal error.
void* H_MEMORY_pvCalloc(U32 count, U32 size);
void* H_MEMORY_pvRealloc(void* pointer, U32 size);
// Null is ignored; a pointer the heap did not hand out, or one freed twice,
// is a fatal error.
void H_MEMORY_vFree(void* pointer);
// The end of every handled message: freed, or acknowledged when the sender
// asked for it (the block then stays the sender's).
void H_MEMORY_vDumpMail(void* message);
int H_MEMORY_intCompareMapLists(const void* a, const void* b);

// Usable bytes of the largest block.
constexpr U32 H_MEMORY_MAX_REQUEST = 409696;
