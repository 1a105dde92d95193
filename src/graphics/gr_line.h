// The graphic context draws lines and pixels with its current pen, colour,
// raster operation and pattern.
//
// The gr_ functions take y upward; the gf_ functions are the engine's inner
// operations and work in columns and rows from the top. Solid and patterned
// lines leave out their end point, so that a polyline writes each shared
// vertex once (which matters for XOR); a line clipped at an edge writes the
// point on the edge.
#pragma once

#include "gr_context.h"

// Line from the pen to (x, y) with the current tool and pattern; the pen
// moves to (x, y). GR_OUT_OF_CLIP only when nothing of it was drawn.
U32 gr_DrawAbsLine(GRCONTEXTPTR gc, SINT x, SINT y);
// The same; with clip 0 the caller guarantees that the solid or patterned
// line lies inside the clip rectangle, and it is not clipped.
U32 gr_ClipAndDrawAbsLine(GRCONTEXTPTR gc, SINT x, SINT y, SINT clip);
// One point with the current tool and pattern; the pen moves there.
U32 gr_SetPixel(GRCONTEXTPTR gc, SINT x, SINT y);
// The nine pixels round (x, y), as gr_SetPixel on each, row by row from y - 1
// and left to right, would set them; the pen left on the last.
U32 gr_SetPixels3x3(GRCONTEXTPTR gc, SINT x, SINT y);

// gr_SetPixels3x3 for many dots, the pen's raster operation found once:
// nothing may change the context's pen, colour, mode or clip from
// gr_DotsStart on while its dots are drawn.
typedef struct tag_GR_DOTS {
  GRCONTEXTPTR gc;
  BOOLEAN bPlain;  // no pattern, no brush
  U16 u16Keep;
  U16 u16Flip;
} GR_DOTS;
void gr_DotsStart(GR_DOTS* pDots, GRCONTEXTPTR gc);
void gr_DotsPut(const GR_DOTS* pDots, SINT x, SINT y);

// Lines drawn one after another through gr_JoinLine: where lines run on in
// one direction along an axis or a diagonal and drawing them as one line
// writes the same pixels (a brush, no pattern, a raster operation that
// writes a pixel twice as once), they are drawn as one. gr_JoinFlush draws what is
// held; call it before anything else draws or reads the pen.
typedef struct tag_GR_JOINED_LINES {
  GRCONTEXTPTR gc;
  BOOLEAN bJoins;
  BOOLEAN bHeld;    // a line from the pen to the held end
  SINT x, y;        // the held end
  S32 nDx, nDy;     // its direction: -1, 0 or 1 on each axis
} GR_JOINED_LINES;
void gr_JoinStart(GR_JOINED_LINES* pJoin, GRCONTEXTPTR gc);
// As gr_DrawAbsLine, perhaps later.
void gr_JoinLine(GR_JOINED_LINES* pJoin, SINT x, SINT y);
void gr_JoinFlush(GR_JOINED_LINES* pJoin);

// Engine internals, in columns and rows.

static inline bool gf_InClip(const GR_CONTEXT* gc, S64 x, S64 row) {
  return x >= gc->cliporig.px && x <= gc->cliplim.px && row >= gc->cliporig.py && row <= gc->cliplim.py;
}

U32 gf_DrawAbsLine(GRCONTEXTPTR gc, SINT x, SINT row);
U32 gf_DrawRelLine(GRCONTEXTPTR gc, SINT dx, SINT drow);
U32 gf_DrawSolidLine(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2, SINT clip);
U32 gf_DrawPttrnLine(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2, SINT clip);
// Not clipped as a line: every brush pixel is.
U32 gf_DrawBrushLine(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2);
// Cuts the line to the clip rectangle in place. skipFirst: the new start is
// not to be written; drawLast: the new end is. GR_OUT_OF_CLIP when nothing
// of the line lies inside.
U32 gf_ClipLine(GRCONTEXTPTR gc, SINT* x1, SINT* row1, SINT* x2, SINT* row2, SINT* drawLast, SINT* skipFirst);

// Spans from the start pixel toward start + length, which is left out
// (length 0 draws nothing). Not clipped.
void gf_HorLine(GRCONTEXTPTR gc, SINT x, SINT row, SINT length);
void gf_VertLine(GRCONTEXTPTR gc, SINT x, SINT row, SINT length);
// x ... x + length, both included, through the current pattern read as a
// 2-D fill pattern. Not clipped.
void gf_HorLineWithPattern(GRCONTEXTPTR gc, SINT x, SINT row, SINT length);
// Not clipped.
void gf_PutPixel(GRCONTEXTPTR gc, SINT x, SINT row);
COLOR gf_GetPixel(GRCONTEXTPTR gc, SINT x, SINT row);
// The brush at a point reached by the step (dx, drow): the whole square at
// the pen, otherwise only its leading edges. Clipped.
void gf_PutBrushPixel(GRCONTEXTPTR gc, SINT x, SINT row, SINT dx, SINT drow);
// value (16 bits) at bit position of one word with the raster operation;
// from position 32 on nothing is written.
void gf_SetBit(U32* word, U32 position, U32 value, U8 mode);

// Advances the pattern phase: 1 draw this pixel, 0 skip it.
SINT gf_CheckPattern(GRCONTEXTPTR gc);
void gf_ResetPattern(GRCONTEXTPTR gc);

// Decorative styles, chosen by the pattern codes (type 0, index 255) wavy
// and (type 0, index 254) ticked.
constexpr U16 GR_PATTERN_CODE_WAVY = 0xFF00;
constexpr U16 GR_PATTERN_CODE_TICKED = 0xFE00;
U32 gf_DrawUndulatedLine(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2);
U32 gf_DrawCrossLine(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2);
// The half circle of radius 2 on one side of a line running (dx, drow):
// quarters *first, *first + *dir, ... *last of the quarter circle table.
void gf_FindArc(SINT dx, SINT drow, SINT side, SINT* first, SINT* last, SINT* dir);
void gf_DrawArc(GRCONTEXTPTR gc, SINT cx, SINT crow, SINT first, SINT last, SINT dir);
