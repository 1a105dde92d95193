// Every bitmap's pixel memory remembers where it came from, so that a release
// gives it back to the right heap.
//
// Pixel memory is one block holding a small record just before pBuffer: the
// block's own address (what is handed back on release) and where it came
// from. Blocks that fit the fixed-block heap come from it; a full screen or a
// sonar history (768,000 bytes and more) is larger than its largest block and
// comes from the system heap instead, since asking the fixed-block heap would
// be fatal.

#include "g_buffers.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "h_memory.h"

enum {
  BUFFERS_FROM_SYSTEM_HEAP = 0x1,  // else the fixed-block heap
  BUFFERS_HEADER_OWNED = 0x2,      // the header was allocated here as well
};

typedef struct tag_BUFFERS_PREFIX {
  void* pvBlock;
  U32 u32Flags;
} BUFFERS_PREFIX;

// pBuffer starts a cache line, so that rows of screen width start vector
// aligned and are filled and blended with whole vector stores.
constexpr uintptr_t BUFFERS_ALIGN = 64;

static BUFFERS_PREFIX* BUFFERS_pPrefix(const BITMAP* pBitmap) {
  return (BUFFERS_PREFIX*)((U8*)pBitmap->pBuffer - sizeof(BUFFERS_PREFIX));
}

static U32* BUFFERS_pu32Allocate(U64 u64PixelBytes, BOOLEAN bHeaderOwned) {
  U64 bytes = u64PixelBytes + sizeof(BUFFERS_PREFIX) + BUFFERS_ALIGN - 1;
  U32 flags = bHeaderOwned ? BUFFERS_HEADER_OWNED : 0;
  void* block;
  if (bytes <= H_MEMORY_MAX_REQUEST) {
    block = H_MEMORY_pvMalloc((U32)bytes);
  } else {
    block = (U64)(size_t)bytes == bytes ? malloc((size_t)bytes) : nullptr;
    flags |= BUFFERS_FROM_SYSTEM_HEAP;
  }
  if (block == nullptr) return nullptr;
  uintptr_t at = ((uintptr_t)block + sizeof(BUFFERS_PREFIX) + BUFFERS_ALIGN - 1) & ~(BUFFERS_ALIGN - 1);
  BUFFERS_PREFIX prefix = {block, flags};
  memcpy((U8*)at - sizeof prefix, &prefix, sizeof prefix);
  return (U32*)at;
}

static void BUFFERS_vSetGeometry(BITMAP* pBitmap, U32 u32Width, U32 u32Height) {
  pBitmap->pixels_wide = pBitmap->pixels_wide_full_screen = (S32)u32Width;
  pBitmap->pixels_high = pBitmap->pixels_high_full_screen = (S32)u32Height;
  pBitmap->s32ClipLeft = pBitmap->s32ClipLeft_full_screen = 0;
  pBitmap->s32ClipBottom = pBitmap->s32ClipBottom_full_screen = 0;
  pBitmap->s32ClipRight = pBitmap->s32ClipRight_full_screen = (PIXEL)u32Width - 1;
  pBitmap->s32ClipTop = pBitmap->s32ClipTop_full_screen = (PIXEL)u32Height - 1;
  pBitmap->__u32PixelWidthOfBuffer = (u32Width + 1) & ~1u;
  pBitmap->__u32PixelHeightOfBuffer = (u32Height + 1) & ~1u;
}

void G_BUFFERS_vRestoreWhole(BITMAP* pBitmap) {
  if (pBitmap == nullptr) return;
  pBitmap->pixels_wide = pBitmap->pixels_wide_full_screen;
  pBitmap->pixels_high = pBitmap->pixels_high_full_screen;
  pBitmap->s32ClipLeft = pBitmap->s32ClipLeft_full_screen;
  pBitmap->s32ClipTop = pBitmap->s32ClipTop_full_screen;
  pBitmap->s32ClipRight = pBitmap->s32ClipRight_full_screen;
  pBitmap->s32ClipBottom = pBitmap->s32ClipBottom_full_screen;
}

BITMAP* G_BUFFERS_pCreateBitmap(U32 u32Width, U32 u32Height, BITMAP* pBitmap, const U32* pu32Buffer) {
  BOOLEAN bHeaderOwned = pBitmap == nullptr;
  if (bHeaderOwned) pBitmap = (BITMAP*)H_MEMORY_pvMalloc(sizeof(BITMAP));
  BUFFERS_vSetGeometry(pBitmap, u32Width, u32Height);
  if (pu32Buffer != nullptr) {
    pBitmap->pBuffer = (U32*)pu32Buffer;
  } else {
    U64 bytes = (U64)pBitmap->__u32PixelHeightOfBuffer * pBitmap->__u32PixelWidthOfBuffer * sizeof(COLOR);
    pBitmap->pBuffer = BUFFERS_pu32Allocate(bytes, bHeaderOwned);
  }
  return pBitmap;
}

void G_BUFFERS_vFreeBitmap(BITMAP* pBitmap) {
  if (pBitmap == nullptr) return;
  if (pBitmap->pBuffer == nullptr) {
    // Nothing records who owns the header of a failed allocation.
    H_MEMORY_vFree(pBitmap);
    return;
  }
  BUFFERS_PREFIX prefix;
  memcpy(&prefix, BUFFERS_pPrefix(pBitmap), sizeof prefix);
  pBitmap->pBuffer = nullptr;
  if (prefix.u32Flags & BUFFERS_FROM_SYSTEM_HEAP) {
    free(prefix.pvBlock);
  } else {
    H_MEMORY_vFree(prefix.pvBlock);
  }
  if (prefix.u32Flags & BUFFERS_HEADER_OWNED) H_MEMORY_vFree(pBitmap);
}

BITMAP* G_BUFFERS_pCreateFullScreenBitmap(void) {
  return G_BUFFERS_pCreateBitmap(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, nullptr, nullptr);
}

void G_BUFFERS_vFreeFullScreenBitmap(BITMAP* pBitmap) { G_BUFFERS_vFreeBitmap(pBitmap); }

BITMAP* G_BUFFERS_pCreateFullScreenBitmapHeader(void) {
  BITMAP* pBitmap = (BITMAP*)H_MEMORY_pvMalloc(sizeof(BITMAP));
  BUFFERS_vSetGeometry(pBitmap, G_SCREEN_WIDTH, G_SCREEN_HEIGHT);
  pBitmap->pBuffer = nullptr;
  return pBitmap;
}

void G_BUFFERS_vFreeFullScreenBitmapHeader(BITMAP* pBitmap) { H_MEMORY_vFree(pBitmap); }
