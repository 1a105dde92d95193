// Small 4-bit pictures (track point marks, boats) are registered once by id
// and printed at the pen in palette colours.

#include "gr_context.h"
#include "gr_ink.h"
#include "gr_line.h"

GR_BITMAP_INFO BitmapInfo[GR_BITMAP_IDS];

// The context's bitmap becomes id; the frame pointer starts one frame in,
// until a frame is printed.
static void gr_SelectBitmap(GRCONTEXTPTR gc, U8 id) {
  const GR_BITMAP_INFO* info = &BitmapInfo[id];
  gc->bmpattrib.type = id;
  gc->bmpattrib.index = 0;
  gc->bmpattrib.ptr = info->start != nullptr ? info->start + info->framesize : nullptr;
}

U32 gr_InitBitmap(GRCONTEXTPTR gc, const U8* data, U8 id, SINT width, SINT height, SINT framesize) {
  if (height == 0) return GR_BAD_BITMAP_HEIGHT;
  GR_BITMAP_INFO* info = &BitmapInfo[id];
  info->start = data;
  info->width = width;
  info->height = height;
  info->framesize = framesize;
  info->rowbytes = (SINT)((S64)framesize / height);
  gr_SelectBitmap(gc, id);
  gc->bmpattrib.bmpdir = 0;
  gc->bmpattrib.zx = 1;
  gc->bmpattrib.zy = 1;
  return GR_DONE;
}

U32 gr_SetBitmapZoom(GRCONTEXTPTR gc, U8 zx, U8 zy) {
  gc->bmpattrib.zx = zx;
  gc->bmpattrib.zy = zy;
  return GR_DONE;
}

U32 gr_SetBitmapDirection(GRCONTEXTPTR gc, U8 dir) {
  gc->bmpattrib.bmpdir = dir;
  return GR_DONE;
}

U32 gr_SetTranspAttr(GRCONTEXTPTR gc, SINT flag, U8 colour) {
  gc->transpflag = flag;
  gc->bmpattrib.transpcolour = colour;
  return GR_DONE;
}

// Steps of one direction, in columns and rows: along a bitmap row, and from
// one bitmap row to the next.
typedef struct tag_GR_BITMAP_DIRECTION {
  S8 alongX, alongRow;
  S8 acrossX, acrossRow;
} GR_BITMAP_DIRECTION;

static const GR_BITMAP_DIRECTION s_aBitmapDirections[] = {
    {1, 0, 0, -1},   // 0: rows run right, and follow upward
    {0, 1, 1, 0},    // 1: a quarter turn clockwise
    {-1, 0, 0, 1},   // 2: a half turn
    {0, -1, -1, 0},  // 3: three quarter turns
    {0, -1, 1, 0},   // above 3: the mirror image
};

static U8 gr_Nibble(const U8* row, S64 c) { return (U8)((c & 1) ? (row[c / 2] & 0x0F) : (row[c / 2] >> 4)); }

U32 gr_PrintBitmapWithType(GRCONTEXTPTR gc, U8 id, SINT frame) {
  gr_SelectBitmap(gc, id);
  const GR_BITMAP_INFO* info = &BitmapInfo[id];
  BITMAPATTRIB* a = &gc->bmpattrib;
  a->index = (U8)frame;
  a->ptr = info->start + (ptrdiff_t)info->framesize * frame;
  const GL_COLOUR saved = gc->colour;
  const S64 penX = gc->cp.px, penRow = gc->cp.py;
  bool clipped = false;
  auto put = [&](S64 x, S64 row, U8 v) {
    if (!gf_InClip(gc, x, row)) {
      clipped = true;
      return;
    }
    gc->colour = gl_pucPalette[v];
    gf_PutPixel(gc, (SINT)x, (SINT)row);
  };
  const bool transparent = gc->transpflag != 0;
  if (a->bmpdir == 0 && a->zx == 1 && a->zy == 1) {
    const U8* row = a->ptr;
    for (S64 r = 0; r < info->height; r++, row += info->rowbytes) {
      for (S64 c = 0; c < info->width; c++) {
        const U8 v = gr_Nibble(row, c);
        if (!(transparent && v == a->transpcolour)) put(penX + c, penRow - r, v);
      }
    }
  } else {
    const GR_BITMAP_DIRECTION* d = &s_aBitmapDirections[a->bmpdir > 3 ? 4 : a->bmpdir];
    const U8* row = a->ptr;
    for (S64 r = 0; r < info->height; r++, row += info->rowbytes) {
      for (S64 c = 0; c < info->width; c++) {
        const U8 v = gr_Nibble(row, c);
        if (transparent && v == a->transpcolour) continue;
        for (S64 b = 0; b < a->zy; b++) {
          const S64 across = r * a->zy + b;
          for (S64 k = 0; k < a->zx; k++) {
            const S64 along = c * a->zx + k;
            put(penX + along * d->alongX + across * d->acrossX, penRow + along * d->alongRow + across * d->acrossRow, v);
          }
        }
      }
    }
  }
  gc->colour = saved;
  return clipped ? GR_OUT_OF_CLIP : GR_DONE;
}
