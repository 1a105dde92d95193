// The graphic context keeps its drawing state between calls (clip, pen,
// colour, tool, patterns and the font registry), so that a view sets it once
// and draws many shapes.

#include "gr_context.h"

#include "gr_line.h"

const COLOR* gl_pucPalette = nullptr;
GR_PATTERN_INFO PatternInfo[GR_PATTERN_TYPES];
FONT* FontsRack[GR_FONT_INDEXES];

static SINT gr_Saturate(S64 v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return (SINT)v;
}

SINT gf_RowOf(const GR_CONTEXT* gc, SINT y) { return gr_Saturate((S64)gc->pixdim.ph - 1 - y); }

U32 gr_InitGC(GRCONTEXTPTR gc, SINT width, SINT height, VSCREENPTR buffer) {
  const SINT rowsize = (SINT)(((S64)width + 1) / 2);
  gc->vsptr = buffer;
  gc->npix = 2;
  gc->nbytes = (U32)height * (U32)rowsize * 4u;
  gc->cp.px = 0;
  gc->cp.py = 0;
  gc->mode = GR_MODE_COPY;
  gc->colour = 0xFFFF;
  gc->pixdim.pw = width;
  gc->pixdim.ph = height;
  gc->scrdim.rowsize = rowsize;
  gc->scrdim.nrows = height;
  gc->cliporig.px = 0;
  gc->cliporig.py = 0;
  gc->cliplim.px = gr_Saturate((S64)width - 1);
  gc->cliplim.py = gr_Saturate((S64)height - 1);
  gc->fntattrib.Ftyp = 0;
  gc->fntattrib.Fptr = nullptr;
  gc->fntattrib.fntdir = 0;
  gc->fntattrib.zx = 1;
  gc->fntattrib.zy = 1;
  gc->fntattrib.dimension = 0;
  gc->fntattrib.dotflag = 0;
  gc->status = GC_VIRTUAL;
  gc->transpflag = 0;
  gc->PixelSize = 1;
  gc->DrTool = STD_PEN;
  gc->PrintDir = 0;
  return GR_DONE;
}

// A negative extent counts back from the given edge, as spans do.
static void gr_Extent(SINT from, SINT extent, S64* pLow, S64* pHigh) {
  if (extent >= 0) {
    *pLow = from;
    *pHigh = (S64)from + extent - 1;
  } else {
    *pLow = (S64)from + extent + 1;
    *pHigh = from;
  }
}

U32 gr_SetClipArea(GRCONTEXTPTR gc, SINT x, SINT y, SINT width, SINT height) {
  S64 left, right, bottomY, topY;
  gr_Extent(x, width, &left, &right);
  gr_Extent(y, height, &bottomY, &topY);
  S64 top = (S64)gc->pixdim.ph - 1 - topY;
  S64 bottom = (S64)gc->pixdim.ph - 1 - bottomY;
  bool cut = false;
  if (left < 0) {
    left = 0;
    cut = true;
  }
  if (top < 0) {
    top = 0;
    cut = true;
  }
  if (right > (S64)gc->pixdim.pw - 1) {
    right = (S64)gc->pixdim.pw - 1;
    cut = true;
  }
  if (bottom > (S64)gc->pixdim.ph - 1) {
    bottom = (S64)gc->pixdim.ph - 1;
    cut = true;
  }
  // A rectangle wholly beyond one side is left empty (left > right or top >
  // bottom), so nothing can be drawn through it.
  gc->cliporig.px = gr_Saturate(left);
  gc->cliporig.py = gr_Saturate(top);
  gc->cliplim.px = gr_Saturate(right);
  gc->cliplim.py = gr_Saturate(bottom);
  return cut ? GR_OUT_OF_CLIP : GR_DONE;
}

U32 gr_SetAbsPenPos(GRCONTEXTPTR gc, SINT x, SINT y) {
  gc->cp.px = x;
  gc->cp.py = gf_RowOf(gc, y);
  return gf_InClip(gc, gc->cp.px, gc->cp.py) ? GR_DONE : GR_OUT_OF_CLIP;
}

U32 gr_GetLogicPosition(GRCONTEXTPTR gc, PIXELPOS* out) {
  out->px = gc->cp.px;
  out->py = gf_RowOf(gc, gc->cp.py);
  return GR_DONE;
}

U32 gr_SetColor(GRCONTEXTPTR gc, S32 n) {
  gc->colour = n >= 0 ? (GL_COLOUR)gl_pucPalette[n] : ((GL_COLOUR)n & 0x7FFFFFFFu);
  return GR_DONE;
}

U32 gr_SetColorPalette(const COLOR* palette) {
  gl_pucPalette = palette;
  return GR_DONE;
}

U32 gr_SetGMode(GRCONTEXTPTR gc, U8 mode) {
  gc->mode = mode;
  return (mode == GR_MODE_XOR && gc->DrTool == BRUSH) ? GR_MODE_WITH_BRUSH : GR_DONE;
}

U32 gr_SetDrawingTool(GRCONTEXTPTR gc, DRAWING_TOOL tool) {
  gc->DrTool = tool;
  return (tool == BRUSH && gc->mode == GR_MODE_XOR) ? GR_BRUSH_WITH_MODE : GR_DONE;
}

U32 gr_SetPixelSize(GRCONTEXTPTR gc, SINT n) {
  if (n < 1) return GR_BAD_PIXEL_SIZE;
  gc->PixelSize = n;
  return GR_DONE;
}

U32 gr_SetPatternStatus(GRCONTEXTPTR gc, BOOL on) {
  gc->ptrnattrib.status = on;
  gf_ResetPattern(gc);
  gc->ptrnattrib.zycounter = 0;
  return GR_DONE;
}

// Pattern index of the current type, restarted and unzoomed.
static void gr_SelectPattern(GRCONTEXTPTR gc, U8 index) {
  PATTERNATTRIB* a = &gc->ptrnattrib;
  const GR_PATTERN_INFO* info = &PatternInfo[a->type];
  a->index = index;
  a->ptr = info->start != nullptr ? info->start + (ptrdiff_t)info->stride * index : nullptr;
  a->curbyte = 0;
  a->curbit = 0;
  a->zx = 1;
  a->zy = 1;
  a->zxcounter = 0;
  a->zycounter = 0;
}

U32 gr_SetPatternType(GRCONTEXTPTR gc, U8 type) {
  gc->ptrnattrib.type = type;
  gr_SelectPattern(gc, 0);
  return GR_DONE;
}

U32 gr_SetPatternIndex(GRCONTEXTPTR gc, U8 index) {
  gr_SelectPattern(gc, index);
  return GR_DONE;
}

U32 gr_ResetPattern(GRCONTEXTPTR gc) {
  gf_ResetPattern(gc);
  return GR_DONE;
}

U32 gr_SetPatternZoom(GRCONTEXTPTR gc, U8 zx, U8 zy) {
  if (zx == 0) return GR_BAD_ZOOM;
  gc->ptrnattrib.zx = zx;
  gc->ptrnattrib.zy = zy;
  gc->ptrnattrib.zxcounter = 0;
  gc->ptrnattrib.zycounter = 0;
  return GR_DONE;
}

U32 gr_InitPattern(const U8* start, U8 type, SINT width, SINT height, SINT stride) {
  PatternInfo[type].start = start;
  PatternInfo[type].width = width;
  PatternInfo[type].height = height;
  PatternInfo[type].stride = stride;
  return GR_DONE;
}

static bool gr_bFontIndexValid(SINT index) { return index >= 0 && index < GR_FONT_INDEXES; }

U32 gr_AddFont(FONT* font, SINT index) {
  if (!gr_bFontIndexValid(index)) return GR_BAD_FONT_INDEX;
  FontsRack[index] = font;
  return GR_DONE;
}

U32 gr_SetFontType(GRCONTEXTPTR gc, SINT index) {
  if (!gr_bFontIndexValid(index)) return GR_BAD_FONT_INDEX;
  gc->fntattrib.Ftyp = index;
  gc->fntattrib.Fptr = FontsRack[index];
  return GR_DONE;
}

U32 gr_SetFontDirection(GRCONTEXTPTR gc, SINT dir) {
  gc->fntattrib.fntdir = dir;
  return GR_DONE;
}

U32 gr_SetFontZoom(GRCONTEXTPTR gc, SINT zx, SINT zy) {
  gc->fntattrib.zx = zx;
  gc->fntattrib.zy = zy;
  return GR_DONE;
}

U32 gr_SetPrintingDirection(GRCONTEXTPTR gc, SINT degrees) {
  if (degrees < 0 || degrees >= 360) return GR_BAD_DIRECTION;
  gc->PrintDir = degrees;
  return GR_DONE;
}

U32 gr_SetVideoGraphMode(GRCONTEXTPTR gc) {
  gc->status = GC_PHYSICAL;
  return GR_DONE;
}

U32 gr_ResetVideoGraphMode(GRCONTEXTPTR gc) {
  gc->status = GC_VIRTUAL;
  return GR_DONE;
}

U32 gr_SetPaletteEntry(GRCONTEXTPTR, SINT, GL_COLOUR) { return GR_DONE; }
