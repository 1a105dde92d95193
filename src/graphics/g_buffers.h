// Bitmaps are made and released here, so that their pixel memory always goes
// back where it came from.
#pragma once

#include "g_types.h"

// Sets up pBitmap (or a new header from the heap when it is null) for
// u32Width x u32Height pixels: both clip sets cover the whole bitmap, pitch and
// buffer rows are rounded up to even. With pu32Buffer the caller keeps
// ownership of that memory; otherwise the pixels are allocated here, and
// pBuffer is null if that failed.
BITMAP* G_BUFFERS_pCreateBitmap(U32 u32Width, U32 u32Height, BITMAP* pBitmap, const U32* pu32Buffer);
// Releases the pixels and the header. Only for bitmaps whose pixels were
// allocated by G_BUFFERS_pCreateBitmap; a header the caller supplied stays
// the caller's.
void G_BUFFERS_vFreeBitmap(BITMAP* pBitmap);

// A new 800 x 480 bitmap with its own pixels.
BITMAP* G_BUFFERS_pCreateFullScreenBitmap(void);
// The clip and the size back to the whole bitmap, after a drawing that
// narrowed them.
void G_BUFFERS_vRestoreWhole(BITMAP* pBitmap);
void G_BUFFERS_vFreeFullScreenBitmap(BITMAP* pBitmap);

// A new 800 x 480 header without pixels: the caller points pBuffer at a frame.
BITMAP* G_BUFFERS_pCreateFullScreenBitmapHeader(void);
void G_BUFFERS_vFreeFullScreenBitmapHeader(BITMAP* pBitmap);
