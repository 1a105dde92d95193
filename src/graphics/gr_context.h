// The chart and navigation views draw through one drawing state of the line
// engine, laid over a caller's 16-bit pixel buffer.
//
// Callers pass positions with y growing upward from the bottom row, as for a
// BITMAP. Inside the context every position (pen, clip rectangle) is a row
// counted from the top: row = ph - 1 - y. The buffer is rows of rowsize 32-bit
// words, two RGB565 pixels to a word (even x in the low half), which is the
// memory of a BITMAP whose pitch is (width + 1) / 2 words, so a context can be
// laid over a bitmap's pixels.
//
// Every function returns a status word. Drawing reports GR_OUT_OF_CLIP when
// something was clipped away and never writes outside the clip rectangle.
#pragma once

#include "g_types.h"

typedef U32* VSCREENPTR;
typedef U32 GL_COLOUR;
typedef S32 SINT;
typedef S32 BOOL;

// Status words.
constexpr U32 GR_DONE = 0x80000000u;
constexpr U32 GR_OUT_OF_CLIP = 0x10000401u;  // also: clip cut to the context
constexpr U32 GR_MODE_WITH_BRUSH = 0x10000404u;
constexpr U32 GR_BRUSH_WITH_MODE = 0x10000405u;
constexpr U32 GR_BAD_FONT_INDEX = 1028;
constexpr U32 GR_BAD_PIXEL_SIZE = 1049;
constexpr U32 GR_BAD_ZOOM = 1050;         // a pattern zoom of 0
constexpr U32 GR_BAD_BITMAP_HEIGHT = 1051;  // a bitmap height of 0
constexpr U32 GR_BAD_DIRECTION = 1053;

// Raster operations of every pixel write (the context's mode). Any other
// mode writes nothing.
constexpr U8 GR_MODE_COPY = 0;
constexpr U8 GR_MODE_AND = 8;
constexpr U8 GR_MODE_OR = 16;
constexpr U8 GR_MODE_XOR = 24;

// Registry sizes.
constexpr S32 GR_PATTERN_TYPES = 50;
constexpr S32 GR_BITMAP_IDS = 100;
constexpr S32 GR_FONT_INDEXES = 70;

typedef enum tag_GCSTATUS {
  GC_VIRTUAL = 0,
  GC_PHYSICAL = 1,
} GCSTATUS;

typedef enum tag_DRAWING_TOOL {
  STD_PEN = 0,
  BRUSH = 1,
} DRAWING_TOOL;

typedef struct pixelpos_tag {
  SINT px;
  SINT py;
} PIXELPOS;

typedef struct pixeldim_tag {
  SINT pw;
  SINT ph;
} PIXELDIM;

typedef struct screendim_tag {
  SINT rowsize;  // 32-bit words per row
  SINT nrows;
} SCREENDIM;

// A font as the engine hands it out; the engine itself draws no text.
typedef struct font_tag {
  char FontDescr[20];
  const U8* TablePtr;
  SINT PixWidth;
  SINT PixHeight;
  SINT BlockSize;
  SINT RowSize;
  U8 FirstChar;
  U8 LastChar;
  SINT Descender;
} FONT;

typedef struct fontattrib_tag {
  SINT Ftyp;
  FONT* Fptr;
  SINT fntdir;
  SINT zx;
  SINT zy;
  U8 dimension;
  SINT dotflag;
} FONTATTRIB;

typedef struct bitmapattrib_tag {
  U8 type;  // registered bitmap id
  U8 index;  // frame
  const U8* ptr;  // data of the current frame
  U8 bmpdir;
  U8 zx;
  U8 zy;
  U8 transpcolour;  // 4-bit value
} BITMAPATTRIB;

// Phase of a line pattern: bit curbit of byte curbyte, repeated zx times.
typedef struct patternattrib_tag {
  BOOL status;
  U8 type;
  U8 index;
  const U8* ptr;  // first byte of the current pattern
  U8 curbyte;
  U8 curbit;
  U8 zx;
  U8 zy;
  U8 zycounter;
  U8 zxcounter;
} PATTERNATTRIB;

typedef struct gr_context_tag {
  VSCREENPTR vsptr;
  SINT npix;
  U32 nbytes;
  PIXELPOS cp;  // pen; py is a row
  U8 mode;
  GL_COLOUR colour;  // RGB565 in the low 16 bits
  PIXELDIM pixdim;
  SCREENDIM scrdim;
  PIXELPOS cliporig;  // left column, top row (inclusive)
  PIXELPOS cliplim;   // right column, bottom row (inclusive)
  FONTATTRIB fntattrib;
  BITMAPATTRIB bmpattrib;
  PATTERNATTRIB ptrnattrib;
  GCSTATUS status;
  SINT transpflag;
  SINT PixelSize;  // the brush is a square of side 2 * PixelSize - 1
  DRAWING_TOOL DrTool;
  SINT PrintDir;
} GR_CONTEXT;

typedef GR_CONTEXT* GRCONTEXTPTR;

// Registries shared by every context: written during start-up, read while
// drawing. Ids are trusted to lie inside them.
typedef struct tag_GR_PATTERN_INFO {
  const U8* start;
  SINT width;
  SINT height;
  SINT stride;  // bytes per pattern
} GR_PATTERN_INFO;

typedef struct tag_GR_BITMAP_INFO {
  const U8* start;
  SINT width;
  SINT height;
  SINT framesize;
  SINT rowbytes;
} GR_BITMAP_INFO;

// Colour numbers and 4-bit bitmap values index it; platform set-up points it
// at entry 148 of the colour table.
extern const COLOR* gl_pucPalette;
extern GR_PATTERN_INFO PatternInfo[GR_PATTERN_TYPES];
extern GR_BITMAP_INFO BitmapInfo[GR_BITMAP_IDS];
extern FONT* FontsRack[GR_FONT_INDEXES];

// Pen, clip and drawing state over buffer. Leaves the bitmap and pattern
// settings alone: callers set them next.
U32 gr_InitGC(GRCONTEXTPTR gc, SINT width, SINT height, VSCREENPTR buffer);
// Lower-left corner (x, y); a negative width or height counts leftward or
// downward from it. GR_OUT_OF_CLIP when the rectangle had to be cut to the
// context.
U32 gr_SetClipArea(GRCONTEXTPTR gc, SINT x, SINT y, SINT width, SINT height);
// Moves the pen even when it lands outside the clip (GR_OUT_OF_CLIP).
U32 gr_SetAbsPenPos(GRCONTEXTPTR gc, SINT x, SINT y);
// The pen with y upward.
U32 gr_GetLogicPosition(GRCONTEXTPTR gc, PIXELPOS* out);
// n >= 0: palette entry n; n < 0: the RGB565 value in the low bits (the top
// bit only marks a direct colour).
U32 gr_SetColor(GRCONTEXTPTR gc, S32 n);
U32 gr_SetColorPalette(const COLOR* palette);
// XOR with the brush is reported, and kept.
U32 gr_SetGMode(GRCONTEXTPTR gc, U8 mode);
U32 gr_SetDrawingTool(GRCONTEXTPTR gc, DRAWING_TOOL tool);
U32 gr_SetPixelSize(GRCONTEXTPTR gc, SINT n);

// Line patterns. Each setter restarts the phase.
U32 gr_SetPatternStatus(GRCONTEXTPTR gc, BOOL on);
U32 gr_SetPatternType(GRCONTEXTPTR gc, U8 type);
U32 gr_SetPatternIndex(GRCONTEXTPTR gc, U8 index);
U32 gr_ResetPattern(GRCONTEXTPTR gc);
// zx of 0 is refused (GR_BAD_ZOOM) and nothing changes.
U32 gr_SetPatternZoom(GRCONTEXTPTR gc, U8 zx, U8 zy);
U32 gr_InitPattern(const U8* start, U8 type, SINT width, SINT height, SINT stride);

// Registered bitmaps: frames of height rows of 4-bit values, two to a byte,
// high nibble first, the bottom row of the picture first. Registering makes
// the bitmap the context's; a height of 0 is refused (GR_BAD_BITMAP_HEIGHT).
U32 gr_InitBitmap(GRCONTEXTPTR gc, const U8* data, U8 id, SINT width, SINT height, SINT framesize);
U32 gr_SetBitmapZoom(GRCONTEXTPTR gc, U8 zx, U8 zy);
// 0 upright, 1-3 quarter turns clockwise.
U32 gr_SetBitmapDirection(GRCONTEXTPTR gc, U8 dir);
// With flag set, pixels of value colour are not drawn.
U32 gr_SetTranspAttr(GRCONTEXTPTR gc, SINT flag, U8 colour);
// Frame of bitmap id with its bottom-left pixel at the pen, in palette
// colours and the context's raster operation.
U32 gr_PrintBitmapWithType(GRCONTEXTPTR gc, U8 id, SINT frame);

// Fonts are kept for a text facility; nothing here draws with them.
U32 gr_AddFont(FONT* font, SINT index);
U32 gr_SetFontType(GRCONTEXTPTR gc, SINT index);
U32 gr_SetFontDirection(GRCONTEXTPTR gc, SINT dir);
U32 gr_SetFontZoom(GRCONTEXTPTR gc, SINT zx, SINT zy);
// 0-359 degrees, else GR_BAD_DIRECTION.
U32 gr_SetPrintingDirection(GRCONTEXTPTR gc, SINT degrees);
U32 gr_SetVideoGraphMode(GRCONTEXTPTR gc);
U32 gr_ResetVideoGraphMode(GRCONTEXTPTR gc);
// The palette is the colour table's: nothing to set here.
U32 gr_SetPaletteEntry(GRCONTEXTPTR gc, SINT index, GL_COLOUR colour);

// Row of the context for y upward; positions beyond the 32-bit range stay
// beyond every clip rectangle.
SINT gf_RowOf(const GR_CONTEXT* gc, SINT y);
