#include "g_truetype.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CACHE_H
#include FT_GLYPH_H

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "g_fontdata.h"
#include "g_image32.h"
#include "g_span.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "u_unicode.h"
#include "u_wstring.h"

const FONT_DEF MyriadPro_Bold_QXcoding = {{g_au8TtfLatinBold}, 0, 0, 0, g_u32TtfLatinBoldSize, 0};
const FONT_DEF MyriadPro_Regular_QXcoding = {{g_au8TtfLatinRegular}, 0, 0, 0, g_u32TtfLatinRegularSize, 0};
const FONT_DEF ARIALUNI = {{g_au8TtfUnicode}, 0, 0, 0, g_u32TtfUnicodeSize, 0};

FONT_DEF myriad_pro_fonts[2][TTF_SIZE_COUNT];
FONT_DEF arialuni_fonts[1][TTF_SIZE_COUNT];

typedef struct tag_FontFaceDescriptor {
  const U8* pData;
  long nSize;
  FT_Face face;
  // Index of the face's Unicode character map. The map cache files a lookup
  // through "the current map" under index 0, where page 1 of the Latin faces
  // lives, so Unicode lookups name their map explicitly.
  int nUnicodeMap;
} FontFaceDescriptor;

typedef struct tag_FontInfo {
  FTC_ScalerRec scaler;
  FTC_ImageTypeRec imageType;
} FontInfo;

enum { FACE_BOLD = 0, FACE_REGULAR = 1, FACE_UNICODE = 2, FACE_COUNT = 3 };

static FontFaceDescriptor s_FontFaceDesciptor[FACE_COUNT];
static FontInfo s_FontInfo[FACE_COUNT][TTF_SIZE_COUNT];
// Width of "0" per style (bold, regular, Unicode face) and size index.
static S32 s_s32FixedWidths[FACE_COUNT][256];

// Flags set by callers outside the lock and read inside it.
static std::atomic<int> s_nCharmap{0};
static std::atomic<BOOLEAN> s_bASCII{FALSE};
static std::atomic<BOOLEAN> s_bReady{FALSE};

static FT_Library s_FontLibrary;
static FTC_Manager s_ftc_Manager;
static FTC_SBitCache s_sbits_cache;
static FTC_CMapCache s_cmap_cache;
// Glyphs too large for the small-bitmap cache (8-bit sizes and 7-bit
// bearings and advances) come from here instead.
static FTC_ImageCache s_image_cache;

static constexpr U8 TRUETYPE_FT_LOAD_RENDER = 4;
static constexpr U32 TRUETYPE_BIG_SIZE_LIMIT = 130;

// The FreeType pixel size of size index i.
static constexpr S32 PixelSize(U32 i) { return (S32)(i * 60 / 44); }

static FT_Error G_TRUETYPE_FaceRequester(FTC_FaceID face_id, FT_Library library, FT_Pointer request_data,
                                         FT_Face* aface) {
  (void)request_data;
  FontFaceDescriptor* pDesc = nullptr;
  for (FontFaceDescriptor& d : s_FontFaceDesciptor) {
    if ((FTC_FaceID)&d == face_id) pDesc = &d;
  }
  if (pDesc == nullptr || pDesc->pData == nullptr) {
    log_me("Unknown face id: %p", face_id);
    return 1;
  }
  if (pDesc->face == nullptr) {
    FT_Error error = FT_New_Memory_Face(library, pDesc->pData, pDesc->nSize, 0, &pDesc->face);
    if (error != 0) {
      pDesc->face = nullptr;
      return error;
    }
    pDesc->nUnicodeMap = 0;
    for (int i = pDesc->face->num_charmaps - 1; i >= 0; i--) {
      if (pDesc->face->charmaps[i]->encoding == FT_ENCODING_UNICODE) pDesc->nUnicodeMap = i;
    }
  }
  *aface = pDesc->face;
  if (pDesc == &s_FontFaceDesciptor[FACE_UNICODE]) return FT_Select_Charmap(pDesc->face, FT_ENCODING_UNICODE);
  return 0;
}

// The face record behind a font handle, or null for a handle never filled.
static const FontInfo* InfoOf(const FONT_DEF* pFont) {
  if (pFont == nullptr || pFont->pu8TTFdata == nullptr) return nullptr;
  for (int f = 0; f < FACE_COUNT; f++) {
    const FontInfo* pFirst = &s_FontInfo[f][0];
    const U8* p = pFont->pu8TTFdata;
    if (p >= (const U8*)pFirst && p < (const U8*)(pFirst + TTF_SIZE_COUNT)) return (const FontInfo*)p;
  }
  return nullptr;
}

typedef struct tag_GLYPH_IMAGE {
  S32 s32Width;
  S32 s32Rows;
  S32 s32Top;
  S32 s32Pitch;
  const U8* pu8Buffer;
  S32 s32Left;     // the font's: from the pen to the bitmap's first column
  S32 s32Advance;  // the font's: from the pen to the next pen, hinted
} GLYPH_IMAGE;

// The rendered glyph; it stays valid until the next cache call.
static BOOLEAN G_TRUETYPE_bGlyphImage(const FontInfo* pInfo, FT_UInt glyph, GLYPH_IMAGE* pImage) {
  FTC_SBit sbit = nullptr;
  FTC_ImageTypeRec type = pInfo->imageType;
  if (FTC_SBitCache_Lookup(s_sbits_cache, &type, glyph, &sbit, nullptr) != 0 || sbit == nullptr) return FALSE;
  // The small-bitmap cache marks a glyph it cannot hold as missing: no
  // buffer and a width of 255.
  if (!(sbit->buffer == nullptr && sbit->width == 255)) {
    *pImage = {sbit->width, sbit->height, sbit->top, sbit->pitch, sbit->buffer, sbit->left, sbit->xadvance};
    return TRUE;
  }
  FT_Glyph image = nullptr;
  if (FTC_ImageCache_Lookup(s_image_cache, &type, glyph, &image, nullptr) != 0 || image == nullptr) return FALSE;
  if (image->format != FT_GLYPH_FORMAT_BITMAP) return FALSE;
  const FT_BitmapGlyph bitmap = (FT_BitmapGlyph)image;
  if (bitmap->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return FALSE;
  // The image's advance is in 16.16 pixels.
  *pImage = {(S32)bitmap->bitmap.width,
             (S32)bitmap->bitmap.rows,
             bitmap->top,
             bitmap->bitmap.pitch,
             bitmap->bitmap.buffer,
             bitmap->left,
             (S32)((image->advance.x + 0x8000) >> 16)};
  return TRUE;
}

// Rendered glyphs are kept here, above FreeType: its cache manager holds one
// size object (four on a domestic model) and few bytes, so a frame drawing in
// several sizes would otherwise create a size and render its glyphs again for
// nearly every text. A glyph is found by face, size, character map and
// character; the cache holds the glyph index and the coverage rows, packed.
// All its memory is fixed (about 470 KB with the size records below): when
// the pool or the slots run out, everything is let go at once and refilled
// from FreeType.
constexpr U32 GLYPH_POOL_BYTES = G_TRUETYPE_GLYPH_POOL_BYTES;
constexpr U32 GLYPH_SLOTS = 3072;
constexpr U32 GLYPH_BUCKETS = 4096;
// A bigger glyph (a huge digit, a wide character at the largest sizes) is
// drawn from FreeType each time rather than crowding out the text sizes.
constexpr U32 GLYPH_LARGEST = GLYPH_POOL_BYTES / 16;
static_assert((GLYPH_BUCKETS & (GLYPH_BUCKETS - 1)) == 0 && GLYPH_SLOTS < 0xFFFF);

typedef struct tag_GLYPH_SLOT {
  U64 u64Key;
  U32 u32Offset;  // of the coverage rows in the pool
  U32 u32Glyph;   // 0: the map has no glyph for the character
  S16 s16Width;
  S16 s16Rows;
  S16 s16Top;
  S16 s16Left;
  S16 s16Advance;
  U16 u16Next;  // the next slot of the bucket + 1, 0 at the end
} GLYPH_SLOT;

static U8 s_au8GlyphPool[GLYPH_POOL_BYTES];
static GLYPH_SLOT s_aGlyphSlots[GLYPH_SLOTS];
static U16 s_au16GlyphBuckets[GLYPH_BUCKETS];  // first slot + 1, 0 for none
static U32 s_u32GlyphSlotsUsed;
static U32 s_u32GlyphPoolUsed;

// A size's face and scale, looked up from FreeType once.
typedef struct tag_SIZE_METRICS {
  FT_Face face;  // null until the size was first looked up
  FT_Fixed xScale;
} SIZE_METRICS;

static SIZE_METRICS s_SizeMetrics[(size_t)FACE_COUNT * (size_t)TTF_SIZE_COUNT];

// The kerning of glyph pairs in font units, by font, direct-mapped: FreeType
// searches the face's kerning table for every pair of every text, which cost
// the waypoint labels of a busy chart more than drawing them.
constexpr U32 KERNING_SLOTS = 1024;
typedef struct tag_KERNING_SLOT {
  U32 u32Left;  // 0: empty, glyph 0 is never kerned
  U32 u32Right;
  U16 u16Font;
  S32 s32Delta;  // 0 also where FreeType had no answer
} KERNING_SLOT;
static KERNING_SLOT s_aKerning[KERNING_SLOTS];

static_assert(sizeof s_au8GlyphPool + sizeof s_aGlyphSlots + sizeof s_au16GlyphBuckets + sizeof s_SizeMetrics +
                      sizeof s_aKerning <=
                  512 * 1024,
              "the text caches' memory");

// The last text measured, under the font lock: a label is measured where
// it is placed and again where it is drawn, one right after the other.
typedef struct tag_LAST_WIDTH {
  const FontInfo* pInfo;
  U32 u32Height;
  U8 u8Mode;
  U8 u8Length;
  char acText[22];
  S32 s32Width;
} LAST_WIDTH;
static LAST_WIDTH s_lastWidth;

static void G_TRUETYPE_vForgetGlyphs(void) {
  memset(s_au16GlyphBuckets, 0, sizeof s_au16GlyphBuckets);
  s_u32GlyphSlotsUsed = 0;
  s_u32GlyphPoolUsed = 0;
  memset(s_aKerning, 0, sizeof s_aKerning);
  s_lastWidth.pInfo = nullptr;
}

// The font's position in s_FontInfo, which also indexes s_SizeMetrics.
static ptrdiff_t FontIndex(const FontInfo* pInfo) { return pInfo - &s_FontInfo[0][0]; }

// Keeps a glyph (and its image, when image is not null) for the key. Images
// the blend cannot read as packed rows are not kept.
static void G_TRUETYPE_vKeepGlyph(U64 u64Key, U32 u32Bucket, FT_UInt glyph, const GLYPH_IMAGE* pImage) {
  const GLYPH_IMAGE none = {0, 0, 0, 0, nullptr, 0, 0};
  const GLYPH_IMAGE& image = pImage == nullptr ? none : *pImage;
  if (image.s32Width < 0 || image.s32Rows < 0 || image.s32Pitch < image.s32Width || image.s32Width > INT16_MAX ||
      image.s32Rows > INT16_MAX || image.s32Top < INT16_MIN || image.s32Top > INT16_MAX || image.s32Left < INT16_MIN ||
      image.s32Left > INT16_MAX || image.s32Advance < INT16_MIN || image.s32Advance > INT16_MAX) {
    return;
  }
  const U64 u64Bytes = (U64)image.s32Width * (U64)image.s32Rows;
  if (u64Bytes > GLYPH_LARGEST) return;
  if (s_u32GlyphSlotsUsed == GLYPH_SLOTS || s_u32GlyphPoolUsed + u64Bytes > GLYPH_POOL_BYTES) {
    G_TRUETYPE_vForgetGlyphs();
  }
  const U32 u32Slot = s_u32GlyphSlotsUsed++;
  GLYPH_SLOT& slot = s_aGlyphSlots[u32Slot];
  slot = {u64Key,           s_u32GlyphPoolUsed,  (U32)glyph,
          (S16)image.s32Width, (S16)image.s32Rows, (S16)image.s32Top,
          (S16)image.s32Left,  (S16)image.s32Advance, s_au16GlyphBuckets[u32Bucket]};
  for (S32 r = 0; r < image.s32Rows && image.s32Width > 0; r++) {
    memcpy(s_au8GlyphPool + slot.u32Offset + (size_t)r * (size_t)image.s32Width,
           image.pu8Buffer + (ptrdiff_t)r * image.s32Pitch, (size_t)image.s32Width);
  }
  s_u32GlyphPoolUsed += (U32)u64Bytes;
  s_au16GlyphBuckets[u32Bucket] = (U16)(u32Slot + 1);
}

// The glyph of the character in map nMap of the font's face (0 for none) and,
// when TRUE, its image, which stays valid until the next look-up.
static BOOLEAN G_TRUETYPE_bFindGlyph(const FontInfo* pInfo, FT_Int nMap, FT_UInt32 code, FT_UInt* pGlyph,
                                     GLYPH_IMAGE* pImage) {
  const U64 u64Key = (U64)FontIndex(pInfo) << 40 | (U64)((U32)nMap & 0xFF) << 32 | code;
  const U32 u32Bucket = (U32)((u64Key * 0x9E3779B97F4A7C15ull) >> 52) & (GLYPH_BUCKETS - 1);
  for (U16 n = s_au16GlyphBuckets[u32Bucket]; n != 0; n = s_aGlyphSlots[n - 1].u16Next) {
    const GLYPH_SLOT& slot = s_aGlyphSlots[n - 1];
    if (slot.u64Key != u64Key) continue;
    *pGlyph = slot.u32Glyph;
    *pImage = {slot.s16Width, slot.s16Rows,  slot.s16Top, slot.s16Width, s_au8GlyphPool + slot.u32Offset,
               slot.s16Left,  slot.s16Advance};
    return slot.u32Glyph != 0;
  }
  *pGlyph = FTC_CMapCache_Lookup(s_cmap_cache, pInfo->scaler.face_id, nMap, code);
  if (*pGlyph == 0) {
    G_TRUETYPE_vKeepGlyph(u64Key, u32Bucket, 0, nullptr);
    return FALSE;
  }
  if (!G_TRUETYPE_bGlyphImage(pInfo, *pGlyph, pImage)) return FALSE;
  G_TRUETYPE_vKeepGlyph(u64Key, u32Bucket, *pGlyph, pImage);
  return TRUE;
}

static COLOR G_TRUETYPE_GetBlendedColor(COLOR colorText, COLOR colorOld, U32 a) {
  const U32 r = (((U32)colorText >> 11) * a + ((U32)colorOld >> 11) * (255 - a)) / 255;
  const U32 g = ((((U32)colorText >> 5) & 0x3F) * a + (((U32)colorOld >> 5) & 0x3F) * (255 - a)) / 255;
  const U32 b = (((U32)colorText & 0x1F) * a + ((U32)colorOld & 0x1F) * (255 - a)) / 255;
  return (COLOR)(r << 11 | g << 5 | b);
}

typedef U16 G_TRUETYPE_V8 __attribute__((vector_size(16)));
typedef U8 G_TRUETYPE_COVER8 __attribute__((vector_size(8)));
typedef U16 G_TRUETYPE_V16 __attribute__((vector_size(32)));
typedef U8 G_TRUETYPE_COVER16 __attribute__((vector_size(16)));

// LANES pixels of a row at a time, u32Count >= LANES, by the same sums as
// one pixel: no cover keeps the pixel and full cover gives the text colour
// there too. The sums fit 16-bit lanes, whose division by 255 is a multiply
// and a shift. The last LANES are blended from the row as it was and stored
// last, where they overlap the ones before with the same values.
template <typename V, typename C>
static inline __attribute__((always_inline)) void G_TRUETYPE_vBlendLanes(COLOR* pRow, const U8* pCoverage,
                                                                         U32 u32Count, COLOR colorText) {
  constexpr U32 LANES = sizeof(C);
  const V red = V{} + (U16)(colorText >> 11);
  const V green = V{} + (U16)((colorText >> 5) & 0x3F);
  const V blue = V{} + (U16)(colorText & 0x1F);
  auto blend = [&](V& old, const C& cover) {
    const V a = __builtin_convertvector(cover, V);
    const V n = 255 - a;
    const V r = red * a + (old >> 11) * n;
    const V g = green * a + ((old >> 5) & 0x3F) * n;
    const V b = blue * a + (old & 0x1F) * n;
    old = (r / 255 << 11) | (g / 255 << 5) | b / 255;
  };
  const U32 last = u32Count - LANES;
  V tail, pixels;
  C cover;
  memcpy(&tail, pRow + last, sizeof tail);
  memcpy(&cover, pCoverage + last, sizeof cover);
  blend(tail, cover);
  for (U32 c = 0; c < last; c += LANES) {
    memcpy(&pixels, pRow + c, sizeof pixels);
    memcpy(&cover, pCoverage + c, sizeof cover);
    blend(pixels, cover);
    memcpy(pRow + c, &pixels, sizeof pixels);
  }
  memcpy(pRow + last, &tail, sizeof tail);
}

// One glyph row of u32Count pixels. Most rows of a dialog's glyphs are 8 to
// 16 pixels wide and half their pixels partly covered; a kept label's rows
// are several glyphs wide. From 8 pixels on, a row is blended 8 at a time,
// and from 16 on 16 at a time (two registers where the processor's are
// narrower).
G_SPAN_WIDE_CLONES
static void G_TRUETYPE_vBlendRow(COLOR* pRow, const U8* pCoverage, U32 u32Count, COLOR colorText) {
  if (u32Count < 8) {
    for (U32 c = 0; c < u32Count; c++) {
      const U32 a = pCoverage[c];
      if (a == 0) continue;
      pRow[c] = a == 255 ? colorText : G_TRUETYPE_GetBlendedColor(colorText, pRow[c], a);
    }
  } else if (u32Count < 16) {
    G_TRUETYPE_vBlendLanes<G_TRUETYPE_V8, G_TRUETYPE_COVER8>(pRow, pCoverage, u32Count, colorText);
  } else {
    G_TRUETYPE_vBlendLanes<G_TRUETYPE_V16, G_TRUETYPE_COVER16>(pRow, pCoverage, u32Count, colorText);
  }
}

static void G_TRUETYPE_vBlendGlyph(BITMAP* pBmp, const GLYPH_IMAGE& image, PIXEL x, PIXEL y, S32 s32Columns,
                                   COLOR colorText) {
  // A glyph left of column 0 (after a negative kerning) keeps only its
  // visible columns.
  const S32 s32First = x < 0 ? -x : 0;
  if (s32First >= s32Columns) return;
  COLOR* pPixels = (COLOR*)pBmp->pBuffer;
  for (S32 r = 0; r < image.s32Rows; r++) {
    const U8* pCoverage = image.pu8Buffer + (ptrdiff_t)(image.s32Rows - 1 - r) * image.s32Pitch;
    COLOR* pRow = pPixels + (ptrdiff_t)(pBmp->pixels_high_full_screen - 1 - (y + r)) * pBmp->__u32PixelWidthOfBuffer + x;
    G_TRUETYPE_vBlendRow(pRow + s32First, pCoverage + s32First, (U32)(s32Columns - s32First), colorText);
  }
}

// Under the font lock: the font's size, or null when FreeType cannot give it.
static const SIZE_METRICS* G_TRUETYPE_pFaceAtSize(const FontInfo* pInfo) {
  SIZE_METRICS& metrics = s_SizeMetrics[FontIndex(pInfo)];
  if (metrics.face == nullptr) {
    FTC_ScalerRec scaler = pInfo->scaler;
    FT_Size size = nullptr;
    if (FTC_Manager_LookupSize(s_ftc_Manager, &scaler, &size) != 0 || size == nullptr) return nullptr;
    metrics = {size->face, size->metrics.x_scale};
  }
  return &metrics;
}

// Wide text mixes two faces: Latin letters, digits and their signs are drawn
// from a Latin face, so that a readout keeps the weight it has in the other
// languages, and only the wide characters come from the Unicode face, which
// has one weight. A font of the Unicode face takes its Latin from the bold
// face; a font of a Latin face takes its wide characters from the Unicode
// face at the same size.
static BOOLEAN G_TRUETYPE_bLatinCode(FT_UInt32 code) {
  return code >= 0x21 && code < 0x250 && !(code >= 0x7F && code < 0xA0);
}

static const FontInfo* G_TRUETYPE_pLatinPartner(const FontInfo* pInfo) {
  const ptrdiff_t index = FontIndex(pInfo);
  if (index / (ptrdiff_t)TTF_SIZE_COUNT != FACE_UNICODE) return pInfo;
  return &s_FontInfo[FACE_BOLD][index % (ptrdiff_t)TTF_SIZE_COUNT];
}

static const FontInfo* G_TRUETYPE_pWidePartner(const FontInfo* pInfo) {
  if (s_FontFaceDesciptor[FACE_UNICODE].pData == nullptr) return pInfo;
  return &s_FontInfo[FACE_UNICODE][FontIndex(pInfo) % (ptrdiff_t)TTF_SIZE_COUNT];
}

// The glyph of one character of wide text, from the first of its faces that
// has one; the face is returned in *ppFrom.
static BOOLEAN G_TRUETYPE_bFindWideGlyph(const FontInfo* pInfo, FT_UInt32 code, const FontInfo** ppFrom,
                                         const SIZE_METRICS** ppSize, FT_UInt* pGlyph, GLYPH_IMAGE* pImage) {
  const BOOLEAN bLatin = G_TRUETYPE_bLatinCode(code);
  const FontInfo* apTry[2] = {bLatin ? G_TRUETYPE_pLatinPartner(pInfo) : G_TRUETYPE_pWidePartner(pInfo),
                              bLatin ? G_TRUETYPE_pWidePartner(pInfo) : pInfo};
  *pGlyph = 0;
  for (int k = 0; k < 2; k++) {
    if (k == 1 && apTry[1] == apTry[0]) break;
    const SIZE_METRICS* pSize = G_TRUETYPE_pFaceAtSize(apTry[k]);
    if (pSize == nullptr) continue;
    const FontFaceDescriptor* pDesc = (const FontFaceDescriptor*)apTry[k]->scaler.face_id;
    const BOOLEAN bImage = G_TRUETYPE_bFindGlyph(apTry[k], pDesc->nUnicodeMap, code, pGlyph, pImage);
    if (*pGlyph == 0) continue;
    *ppFrom = apTry[k];
    *ppSize = pSize;
    return bImage;
  }
  return FALSE;
}

// One character's glyph in the face that draws it: of wide text through the
// faces' Unicode maps, else through map nMap of the font's own face.
static BOOLEAN G_TRUETYPE_bLookUp(const FontInfo* pInfo, BOOLEAN bUnicode, FT_Int nMap, FT_UInt32 code,
                                  const FontInfo** ppFrom, const SIZE_METRICS** ppSize, FT_UInt* pGlyph,
                                  GLYPH_IMAGE* pImage) {
  if (bUnicode) return G_TRUETYPE_bFindWideGlyph(pInfo, code, ppFrom, ppSize, pGlyph, pImage);
  return G_TRUETYPE_bFindGlyph(pInfo, nMap, code, pGlyph, pImage);
}

// Where a glyph goes from the pen, and how much room it takes before the
// next one's gap. The pen moves by the bitmap's width, which a mark reaching
// out beside its letter (an ogonek, a comma below, a caron) would widen: a
// letter with marks is spaced as its base letter is, moved by what the font
// places differently (its bearing and advance against the base's), so that
// "č" stands where "c" would and a word does not come apart at it.
typedef struct tag_GLYPH_PLACE {
  S32 s32Offset;
  S32 s32Room;
} GLYPH_PLACE;

typedef struct tag_BASE_GLYPH {
  BOOLEAN bFound;
  const FontInfo* pFrom;
  S32 s32Width;
  S32 s32Left;
  S32 s32Advance;
} BASE_GLYPH;

// A letter whose ink reaches past its advance (the arms of a bold k, the
// bar of a T) overlaps the next one in the font: its room is cut by that
// overhang, or the even gap after it reads as a space ("Türk çe").
static GLYPH_PLACE G_TRUETYPE_place(const GLYPH_IMAGE& image, const FontInfo* pFrom, const BASE_GLYPH& base) {
  S32 s32Offset = 0, s32Room = image.s32Width;
  S32 s32Overhang = image.s32Left + image.s32Width - image.s32Advance;
  if (base.bFound && base.pFrom == pFrom) {
    s32Offset = image.s32Left - base.s32Left;
    s32Room = base.s32Width + image.s32Advance - base.s32Advance;
    s32Overhang = base.s32Left + base.s32Width - base.s32Advance;
  }
  if (s32Overhang > 0) s32Room -= s32Overhang;
  return {s32Offset, s32Room > 0 ? s32Room : 0};
}

// Under the font lock: the kerning of the pair in the font's face, unscaled.
static S32 G_TRUETYPE_s32Kerning(const FontInfo* pInfo, const SIZE_METRICS* pSize, FT_UInt left, FT_UInt right) {
  const U16 u16Font = (U16)FontIndex(pInfo);
  const U64 u64Key = (U64)u16Font << 48 ^ (U64)left << 24 ^ right;
  KERNING_SLOT& slot = s_aKerning[(U32)((u64Key * 0x9E3779B97F4A7C15ull) >> 52) & (KERNING_SLOTS - 1)];
  if (slot.u32Left != left || slot.u32Right != right || slot.u16Font != u16Font) {
    FT_Vector delta;
    const BOOLEAN bKerned = FT_Get_Kerning(pSize->face, left, right, FT_KERNING_UNSCALED, &delta) == 0 &&
                            delta.x >= INT32_MIN && delta.x <= INT32_MAX;
    slot = {(U32)left, (U32)right, u16Font, bKerned ? (S32)delta.x : 0};
  }
  return slot.s32Delta;
}

// Walks the text as drawing does, handing every glyph and its pen position to
// plot, which returns FALSE to stop the walk there. Wide text in a wide
// language unless b8Bit. Returns the pen position after the last glyph.
template <typename PLOT>
static S32 G_TRUETYPE_s32WalkWith(const char* pText, PIXEL x, const FontInfo* pInfo, U32 u32Height,
                                  const SIZE_METRICS* pSize, BOOLEAN b8Bit, PLOT&& plot) {
  const BOOLEAN bUnicode = !b8Bit && U_WSTRING_bIsUnicodeLanguage();
  const BOOLEAN bASCII = s_bASCII.load(std::memory_order_relaxed);
  const int nCharmap = s_nCharmap.load(std::memory_order_relaxed);
  const U32 u32Length = b8Bit ? (U32)strlen(pText) : U_WSTRING_u32w_strlen(pText, FALSE);
  const U32 u32Step = bUnicode ? 2 : 1;
  const FontFaceDescriptor* pDesc = (const FontFaceDescriptor*)pInfo->scaler.face_id;
  FT_UInt previous = 0;
  const FontInfo* pPrevious = nullptr;
  for (U32 i = 0; i + u32Step <= u32Length; i += u32Step) {
    FT_UInt32 code;
    BOOLEAN bSpace;
    if (bUnicode) {
      code = (FT_UInt32)((U8)pText[i] << 8 | (U8)pText[i + 1]);
      bSpace = code == 0x20 || code == 0x3000;
    } else {
      code = (U8)pText[i];
      bSpace = code == 0x20;
    }
    if (bSpace) {
      x += (S32)(u32Height / 2);
      previous = 0;
      continue;
    }
    // The glyph is always looked up in the face that draws it: through its
    // default (Unicode) map for wide text and in ASCII mode, else through the
    // code page of the font set.
    const FT_Int nMap = bASCII ? pDesc->nUnicodeMap : nCharmap;
    // The base letter first: its image goes with the next look-up, its
    // numbers stay.
    const BOOLEAN bUnicodeCode = bUnicode || nMap == pDesc->nUnicodeMap || nMap > 1;
    const FT_UInt32 baseCode = bUnicodeCode ? U_UNICODE_u16BaseLetter((UCHAR16)code)
                                            : U_UNICODE_u8BaseLetter((U8)code, nMap);
    BASE_GLYPH base = {FALSE, nullptr, 0, 0, 0};
    FT_UInt glyph = 0;
    GLYPH_IMAGE image;
    const FontInfo* pFrom = pInfo;
    const SIZE_METRICS* pFromSize = pSize;
    if (baseCode != 0 && G_TRUETYPE_bLookUp(pInfo, bUnicode, nMap, baseCode, &pFrom, &pFromSize, &glyph, &image)) {
      base = {TRUE, pFrom, image.s32Width, image.s32Left, image.s32Advance};
    }
    glyph = 0;
    pFrom = pInfo;
    pFromSize = pSize;
    const BOOLEAN bImage = G_TRUETYPE_bLookUp(pInfo, bUnicode, nMap, code, &pFrom, &pFromSize, &glyph, &image);
    if (glyph == 0) {
      previous = 0;
      continue;
    }
    // Kerning in font units scaled by the size, as FreeType scales it for
    // the face's active size, without needing that size to be active; only
    // between two glyphs of one face.
    if (previous != 0 && pPrevious == pFrom && FT_HAS_KERNING(pFromSize->face)) {
      x += (S32)(FT_MulFix(G_TRUETYPE_s32Kerning(pFrom, pFromSize, previous, glyph), pFromSize->xScale) >> 6);
    }
    if (!bImage) continue;
    const GLYPH_PLACE place = G_TRUETYPE_place(image, pFrom, base);
    if (!plot(image, x + place.s32Offset)) break;
    x += place.s32Room + (S32)(u32Height >> 6) + 1;
    previous = glyph;
    pPrevious = pFrom;
  }
  return x;
}

// Walks the text as drawing does; draws into pBmp when it is not null, and
// then widens *pBox by every glyph drawn. Returns the pen position after the
// last glyph, starting from x.
static S32 G_TRUETYPE_s32Walk(BITMAP* pBmp, const char* pText, PIXEL x, PIXEL yBaseline, COLOR colorText,
                              const FontInfo* pInfo, U32 u32Height, const SIZE_METRICS* pSize, G_TEXT_BOX* pBox) {
  return G_TRUETYPE_s32WalkWith(pText, x, pInfo, u32Height, pSize, FALSE, [&](const GLYPH_IMAGE& image, PIXEL at) {
    if (pBmp == nullptr) return TRUE;
    const PIXEL y = yBaseline + image.s32Top - image.s32Rows;
    if (y + image.s32Rows >= pBmp->pixels_high || y < 0) return FALSE;
    S32 s32Columns = image.s32Width;
    if (at + s32Columns > pBmp->pixels_wide) s32Columns = pBmp->pixels_wide - at;
    if (s32Columns <= 0 && image.s32Width > 0) return FALSE;
    G_TRUETYPE_vBlendGlyph(pBmp, image, at, y, s32Columns, colorText);
    if (pBox != nullptr && s32Columns > 0 && image.s32Rows > 0) {
      const PIXEL left = at < 0 ? 0 : at;
      if (left < pBox->left) pBox->left = left;
      if (at + s32Columns - 1 > pBox->right) pBox->right = at + s32Columns - 1;
      if (y < pBox->bottom) pBox->bottom = y;
      if (y + image.s32Rows - 1 > pBox->top) pBox->top = y + image.s32Rows - 1;
    }
    return TRUE;
  });
}

static std::atomic<G_TEXT_OBSERVER*> s_pfnTextObserver{nullptr};

void G_TRUETYPE_vSetTextObserver(G_TEXT_OBSERVER* pfnObserver) { s_pfnTextObserver.store(pfnObserver); }

void G_TRUETYPE_vTextDrawn(const BITMAP* pBmp, const char* pText, const FONT_DEF* pFont, const G_TEXT_BOX* pBox) {
  G_TEXT_OBSERVER* pfn = s_pfnTextObserver.load();
  if (pfn != nullptr && pBox != nullptr && pBox->left <= pBox->right && pBox->bottom <= pBox->top) {
    pfn(pBmp, pText, pFont, pBox);
  }
}


// The modes a walk reads besides its text and font.
static U8 G_TRUETYPE_u8WalkMode(void) {
  return (U8)((U_WSTRING_bIsUnicodeLanguage() ? 1 : 0) | (s_bASCII.load(std::memory_order_relaxed) ? 2 : 0) |
              s_nCharmap.load(std::memory_order_relaxed) << 2);
}

// ---------------------------------------------------------------------------
// Kept texts. A chart's or the highway's labels are drawn again every frame,
// and most rows of their glyphs are narrower than the sixteen pixels that
// two blends of eight take. A text drawn a second time is kept as the cover
// of all its glyphs together, and drawn from then on a row of the whole text
// at a time. That draws what its glyphs draw one by one wherever no two of
// them cover one pixel: a blend without cover keeps the pixel, so every
// pixel is blended once, by the glyph that covers it. A text whose glyphs
// share a pixel (a kerned pair that touches) is kept as such and drawn glyph
// by glyph, and so is a text where the bitmap's edges would stop or cut the
// walk. The cover is the walk's, of glyphs that do not change while the
// fonts stay loaded. All memory is fixed: when it is full, new texts are
// drawn glyph by glyph, and once that has happened often, every text is let
// go, so that the texts of the frames drawn now take the place of older ones.
constexpr U32 TEXT_POOL_BYTES = G_TRUETYPE_TEXT_POOL_BYTES;
constexpr U32 TEXT_SLOTS = 2048;
constexpr U32 TEXT_BUCKETS = 4096;
constexpr U32 TEXT_LONGEST = 32;    // bytes of text
constexpr U32 TEXT_LARGEST = 8192;  // bytes of cover and spans
constexpr U32 TEXT_GLYPHS = 64;
static_assert((TEXT_BUCKETS & (TEXT_BUCKETS - 1)) == 0 && TEXT_SLOTS < 0xFFFF);

typedef enum tag_TEXT_KIND { TEXT_SEEN, TEXT_COVER, TEXT_BY_GLYPH } TEXT_KIND;

// Places relative to the pen's start and the baseline, y up as in the bitmap.
typedef struct tag_TEXT_SLOT {
  const FontInfo* pInfo;
  U32 u32Height;
  U8 u8Mode;
  U8 u8Length;
  U8 eKind;  // TEXT_KIND
  U16 u16Next;  // the next slot of the bucket + 1, 0 at the end
  char acText[TEXT_LONGEST];
  S32 s32End;       // the pen after the text
  S32 s32Low;       // the lowest bottom row of any glyph, and the highest
  S32 s32High;      // top row + 1: the walk stops at a glyph beyond the bitmap
  S32 s32FirstX;    // the first column of a glyph with columns, and the
  S32 s32EndX;      // end of the last: the walk cuts a glyph beyond the bitmap
  G_TEXT_BOX ink;   // of the glyphs with pixels; left > right for none
  S32 s32Columns;   // of the cover, from ink.left
  S32 s32Rows;      // of the cover, down from ink.top
  U32 u32Offset;    // in the pool: each row's first covered column and
                    // their count, two U16s, then the cover's rows
} TEXT_SLOT;

alignas(4) static U8 s_au8TextPool[TEXT_POOL_BYTES];
static TEXT_SLOT s_aTextSlots[TEXT_SLOTS];
static U16 s_au16TextBuckets[TEXT_BUCKETS];
static U32 s_u32TextSlotsUsed;
static U32 s_u32TextPoolUsed;
static U32 s_u32TextsLetGo;
static U32 s_u32TextMisses;  // texts left without room since the last let-go

static void G_TRUETYPE_vForgetTexts(void) {
  memset(s_au16TextBuckets, 0, sizeof s_au16TextBuckets);
  s_u32TextSlotsUsed = 0;
  s_u32TextPoolUsed = 0;
  s_u32TextMisses = 0;
}

static U32 G_TRUETYPE_u32TextBucket(const TEXT_SLOT& key) {
  U64 h = 0xCBF29CE484222325ull ^ (U64)FontIndex(key.pInfo) ^ (U64)key.u32Height << 16 ^ (U64)key.u8Mode << 48;
  for (U32 i = 0; i < key.u8Length; i++) h = (h ^ (U8)key.acText[i]) * 0x100000001B3ull;
  return (U32)((h * 0x9E3779B97F4A7C15ull) >> 52) & (TEXT_BUCKETS - 1);
}

static TEXT_SLOT* G_TRUETYPE_pFindText(const TEXT_SLOT& key, U32 u32Bucket) {
  for (U16 n = s_au16TextBuckets[u32Bucket]; n != 0; n = s_aTextSlots[n - 1].u16Next) {
    TEXT_SLOT* p = &s_aTextSlots[n - 1];
    if (p->pInfo == key.pInfo && p->u32Height == key.u32Height && p->u8Mode == key.u8Mode &&
        p->u8Length == key.u8Length && memcmp(p->acText, key.acText, key.u8Length) == 0) {
      return p;
    }
  }
  return nullptr;
}

// Room for a text of u32Bytes more. Without it the text is drawn glyph by
// glyph; once that has happened as often as there are slots, every text is
// let go, so that those drawn now take the place of those drawn before.
static BOOLEAN G_TRUETYPE_bTextRoom(U32 u32Bytes) {
  if (s_u32TextSlotsUsed < TEXT_SLOTS && s_u32TextPoolUsed + u32Bytes <= TEXT_POOL_BYTES) return TRUE;
  if (++s_u32TextMisses >= TEXT_SLOTS) {
    G_TRUETYPE_vForgetTexts();
    s_u32TextsLetGo++;
  }
  return FALSE;
}

static void G_TRUETYPE_vKeepSeen(const TEXT_SLOT& key, U32 u32Bucket) {
  TEXT_SLOT* p = &s_aTextSlots[s_u32TextSlotsUsed++];
  *p = key;
  p->eKind = TEXT_SEEN;
  p->u16Next = s_au16TextBuckets[u32Bucket];
  s_au16TextBuckets[u32Bucket] = (U16)s_u32TextSlotsUsed;
}

typedef struct tag_TEXT_GLYPH {
  S32 s32At;
  S32 s32Top;
  S32 s32Rows;
  S32 s32Width;
} TEXT_GLYPH;

// The kept form of a text seen before: its places from one walk, its cover
// from a second one, which meets the same glyphs; into pu8Cover, aligned
// for its U16 spans.
static void G_TRUETYPE_vBuildText(TEXT_SLOT* pSlot, const char* pText, const SIZE_METRICS* pSize, U8* pu8Cover,
                                  U32* pu32Bytes) {
  TEXT_GLYPH aGlyphs[TEXT_GLYPHS];
  U32 n = 0;
  BOOLEAN bTooMany = FALSE;
  S32 low = INT32_MAX, high = INT32_MIN, firstX = INT32_MAX, endX = INT32_MIN;
  G_TEXT_BOX ink = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  pSlot->s32End = G_TRUETYPE_s32WalkWith(pText, 0, pSlot->pInfo, pSlot->u32Height, pSize, FALSE,
                                         [&](const GLYPH_IMAGE& image, PIXEL at) {
    if (n == TEXT_GLYPHS) {
      bTooMany = TRUE;
      return FALSE;
    }
    aGlyphs[n++] = {at, image.s32Top, image.s32Rows, image.s32Width};
    low = std::min(low, image.s32Top - image.s32Rows);
    high = std::max(high, image.s32Top);
    if (image.s32Width > 0) {
      firstX = std::min(firstX, at);
      endX = std::max(endX, at + image.s32Width);
    }
    if (image.s32Width > 0 && image.s32Rows > 0) {
      ink = {std::min(ink.left, at), std::min(ink.bottom, image.s32Top - image.s32Rows),
             std::max(ink.right, at + image.s32Width - 1), std::max(ink.top, image.s32Top - 1)};
    }
    return TRUE;
  });
  pSlot->eKind = TEXT_BY_GLYPH;
  *pu32Bytes = 0;
  if (bTooMany) return;
  pSlot->s32Low = low;
  pSlot->s32High = high;
  pSlot->s32FirstX = firstX;
  pSlot->s32EndX = endX;
  pSlot->ink = ink;
  pSlot->s32Columns = ink.left <= ink.right ? ink.right - ink.left + 1 : 0;
  pSlot->s32Rows = ink.left <= ink.right ? ink.top - ink.bottom + 1 : 0;
  const S64 s64Spans = 4 * (S64)pSlot->s32Rows, s64Bytes = s64Spans + (S64)pSlot->s32Columns * pSlot->s32Rows;
  // A text without ink (spaces) only moves the pen: the walk does that.
  if (s64Bytes == 0 || s64Bytes > (S64)TEXT_LARGEST) return;
  U16* pSpans = (U16*)(void*)pu8Cover;
  pu8Cover += s64Spans;
  memset(pu8Cover, 0, (size_t)(s64Bytes - s64Spans));
  U32 k = 0;
  BOOLEAN bShared = FALSE;
  G_TRUETYPE_s32WalkWith(pText, 0, pSlot->pInfo, pSlot->u32Height, pSize, FALSE,
                         [&](const GLYPH_IMAGE& image, PIXEL at) -> BOOLEAN {
    const TEXT_GLYPH* g = k < n ? &aGlyphs[k] : nullptr;
    k++;
    if (g == nullptr || g->s32At != at || g->s32Top != image.s32Top || g->s32Rows != image.s32Rows ||
        g->s32Width != image.s32Width) {
      bShared = TRUE;  // not the glyphs of the first walk: not kept
      return FALSE;
    }
    for (S32 r = 0; r < image.s32Rows && image.s32Width > 0; r++) {
      const U8* pFrom = image.pu8Buffer + (ptrdiff_t)r * image.s32Pitch;
      U8* pTo = pu8Cover + (ptrdiff_t)(ink.top - (image.s32Top - 1) + r) * pSlot->s32Columns + (at - ink.left);
      for (S32 c = 0; c < image.s32Width; c++) {
        if (pFrom[c] == 0) continue;
        if (pTo[c] != 0) bShared = TRUE;
        pTo[c] = pFrom[c];
      }
    }
    return (BOOLEAN)!bShared;
  });
  if (bShared || k != n) return;
  for (S32 r = 0; r < pSlot->s32Rows; r++) {
    const U8* pRow = pu8Cover + (ptrdiff_t)r * pSlot->s32Columns;
    S32 first = 0, last = pSlot->s32Columns - 1;
    while (first <= last && pRow[first] == 0) first++;
    while (last >= first && pRow[last] == 0) last--;
    pSpans[2 * r] = (U16)first;
    pSpans[2 * r + 1] = (U16)(last - first + 1);
  }
  pSlot->eKind = TEXT_COVER;
  *pu32Bytes = (U32)s64Bytes;
}

// The slot of a text as drawn now, and its bucket; FALSE for a text too
// long or empty to keep.
static BOOLEAN G_TRUETYPE_bTextKey(const char* pText, const FontInfo* pInfo, U32 u32Height, TEXT_SLOT* pKey,
                                   U32* pu32Bucket) {
  const U32 u32Length = U_WSTRING_u32w_strlen(pText, FALSE);
  if (u32Length == 0 || u32Length > TEXT_LONGEST) return FALSE;
  memset(pKey, 0, sizeof *pKey);
  pKey->pInfo = pInfo;
  pKey->u32Height = u32Height;
  pKey->u8Mode = G_TRUETYPE_u8WalkMode();
  pKey->u8Length = (U8)u32Length;
  memcpy(pKey->acText, pText, u32Length);
  *pu32Bucket = G_TRUETYPE_u32TextBucket(*pKey);
  return TRUE;
}

// Under the font lock: draws the text from its kept cover when it has one
// and lies wholly inside the bitmap; FALSE for the glyph walk to draw it.
static BOOLEAN G_TRUETYPE_bDrawKept(BITMAP* pBmp, const char* pText, PIXEL x, PIXEL yBaseline, COLOR colorText,
                                    const FontInfo* pInfo, U32 u32Height, const SIZE_METRICS* pSize,
                                    G_TEXT_BOX* pBox, S32* ps32End) {
  TEXT_SLOT key;
  U32 u32Bucket = 0;
  if (!G_TRUETYPE_bTextKey(pText, pInfo, u32Height, &key, &u32Bucket)) return FALSE;
  TEXT_SLOT* pSlot = G_TRUETYPE_pFindText(key, u32Bucket);
  if (pSlot == nullptr) {
    // Seen once: a text drawn only once is not worth its cover.
    if (G_TRUETYPE_bTextRoom(0)) G_TRUETYPE_vKeepSeen(key, u32Bucket);
    return FALSE;
  }
  if (pSlot->eKind == TEXT_SEEN) {
    if (!G_TRUETYPE_bTextRoom(TEXT_LARGEST)) return FALSE;
    alignas(4) static U8 s_au8Cover[TEXT_LARGEST];  // under the font lock
    U32 u32Bytes = 0;
    G_TRUETYPE_vBuildText(&key, pText, pSize, s_au8Cover, &u32Bytes);
    if (key.eKind != TEXT_COVER) {
      pSlot->eKind = TEXT_BY_GLYPH;
      return FALSE;
    }
    const U16 u16Next = pSlot->u16Next;
    *pSlot = key;
    pSlot->u16Next = u16Next;
    pSlot->u32Offset = s_u32TextPoolUsed;
    memcpy(s_au8TextPool + s_u32TextPoolUsed, s_au8Cover, u32Bytes);
    s_u32TextPoolUsed += (u32Bytes + 3) & ~3u;
  }
  if (pSlot->eKind != TEXT_COVER) return FALSE;
  const S64 left = (S64)x + pSlot->s32FirstX, right = (S64)x + pSlot->s32EndX;
  if ((S64)yBaseline + pSlot->s32Low < 0 || (S64)yBaseline + pSlot->s32High >= pBmp->pixels_high || left < 0 ||
      right > pBmp->pixels_wide) {
    return FALSE;
  }
  const U16* pSpans = (const U16*)(const void*)(s_au8TextPool + pSlot->u32Offset);
  const U8* pCover = s_au8TextPool + pSlot->u32Offset + 4 * (size_t)pSlot->s32Rows;
  COLOR* pPixels = (COLOR*)pBmp->pBuffer;
  const S64 top = (S64)yBaseline + pSlot->ink.top, column = (S64)x + pSlot->ink.left;
  for (S32 r = 0; r < pSlot->s32Rows; r++) {
    const U32 u32Count = pSpans[2 * r + 1];
    if (u32Count == 0) continue;
    COLOR* pRow = pPixels + (ptrdiff_t)(pBmp->pixels_high_full_screen - 1 - (top - r)) * pBmp->__u32PixelWidthOfBuffer +
                  column + pSpans[2 * r];
    G_TRUETYPE_vBlendRow(pRow, pCover + (ptrdiff_t)r * pSlot->s32Columns + pSpans[2 * r], u32Count, colorText);
  }
  if (pSlot->ink.left <= pSlot->ink.right) {
    pBox->left = std::min(pBox->left, (PIXEL)(x + pSlot->ink.left));
    pBox->right = std::max(pBox->right, (PIXEL)(x + pSlot->ink.right));
    pBox->bottom = std::min(pBox->bottom, (PIXEL)(yBaseline + pSlot->ink.bottom));
    pBox->top = std::max(pBox->top, (PIXEL)(yBaseline + pSlot->ink.top));
  }
  *ps32End = x + pSlot->s32End;
  return TRUE;
}

void G_TRUETYPE_vTextCacheUse(U32* pu32Texts, U32* pu32Bytes, U32* pu32LetGo) {
  L_MUTEX_LockWait(RES_TRUETYPE_FONT);
  if (pu32Texts != nullptr) *pu32Texts = s_u32TextSlotsUsed;
  if (pu32Bytes != nullptr) *pu32Bytes = s_u32TextPoolUsed;
  if (pu32LetGo != nullptr) *pu32LetGo = s_u32TextsLetGo;
  L_MUTEX_Unlock(RES_TRUETYPE_FONT);
}

U32 G_TRUETYPE_M_u32GetWidth(const char* pText, const FONT_DEF* pFontPtr) {
  const FontInfo* pInfo = InfoOf(pFontPtr);
  if (pText == nullptr || pInfo == nullptr || !s_bReady.load()) return 0;
  L_MUTEX_LockWait(RES_TRUETYPE_FONT);
  S32 s32Width = 0;
  const SIZE_METRICS* pSize = G_TRUETYPE_pFaceAtSize(pInfo);
  const U32 u32Length = U_WSTRING_u32w_strlen(pText, FALSE);
  if (pSize != nullptr && u32Length != 0) {
    LAST_WIDTH* pLast = &s_lastWidth;
    const U8 u8Mode = G_TRUETYPE_u8WalkMode();
    if (pLast->pInfo == pInfo && pLast->u32Height == pFontPtr->u32Height && pLast->u8Mode == u8Mode &&
        pLast->u8Length == u32Length && memcmp(pLast->acText, pText, u32Length) == 0) {
      s32Width = pLast->s32Width;
    } else {
      // A kept text knows where its pen ends.
      TEXT_SLOT key;
      U32 u32Bucket = 0;
      const TEXT_SLOT* pKept = G_TRUETYPE_bTextKey(pText, pInfo, pFontPtr->u32Height, &key, &u32Bucket)
                                   ? G_TRUETYPE_pFindText(key, u32Bucket)
                                   : nullptr;
      s32Width = pKept != nullptr && pKept->eKind == TEXT_COVER
                     ? pKept->s32End
                     : G_TRUETYPE_s32Walk(nullptr, pText, 0, 0, 0, pInfo, pFontPtr->u32Height, pSize, nullptr);
      if (u32Length <= sizeof pLast->acText) {
        *pLast = {pInfo, pFontPtr->u32Height, u8Mode, (U8)u32Length, {}, s32Width};
        memcpy(pLast->acText, pText, u32Length);
      }
    }
  }
  L_MUTEX_Unlock(RES_TRUETYPE_FONT);
  return s32Width > 0 ? (U32)s32Width : 0;
}

BOOLEAN G_TRUETYPE_M_bInkBox(const char* pText, const FONT_DEF* pFontPtr, G_TEXT_BOX* pBox) {
  const FontInfo* pInfo = InfoOf(pFontPtr);
  if (pText == nullptr || pBox == nullptr || pInfo == nullptr || !s_bReady.load()) return FALSE;
  G_TEXT_BOX box = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  L_MUTEX_LockWait(RES_TRUETYPE_FONT);
  const SIZE_METRICS* pSize = G_TRUETYPE_pFaceAtSize(pInfo);
  if (pSize != nullptr) {
    G_TRUETYPE_s32WalkWith(pText, 0, pInfo, pFontPtr->u32Height, pSize, FALSE, [&](const GLYPH_IMAGE& image, PIXEL at) {
      if (image.s32Width <= 0 || image.s32Rows <= 0) return TRUE;
      const PIXEL bottom = image.s32Top - image.s32Rows;
      if (at < box.left) box.left = at;
      if (at + image.s32Width - 1 > box.right) box.right = at + image.s32Width - 1;
      if (bottom < box.bottom) box.bottom = bottom;
      if (image.s32Top - 1 > box.top) box.top = image.s32Top - 1;
      return TRUE;
    });
  }
  L_MUTEX_Unlock(RES_TRUETYPE_FONT);
  if (box.left > box.right) return FALSE;
  *pBox = box;
  return TRUE;
}

static void G_TRUETYPE_vDraw(BITMAP* pBmp, const char* pText, POINT* pAnchor, COLOR colorText,
                             const FONT_DEF* pFontPtr, BOOLEAN bMove) {
  const FontInfo* pInfo = InfoOf(pFontPtr);
  if (pBmp == nullptr || pText == nullptr || pAnchor == nullptr || pInfo == nullptr || !s_bReady.load()) return;
  if (pAnchor->x < pBmp->s32ClipLeft || pAnchor->x > pBmp->s32ClipRight) return;
  L_MUTEX_LockWait(RES_TRUETYPE_FONT);
  const SIZE_METRICS* pSize = G_TRUETYPE_pFaceAtSize(pInfo);
  const PIXEL x = pAnchor->x;
  // x + width can only be 0 when x is not positive.
  const BOOLEAN bEmpty = x <= 0 && (S64)x + (S64)G_TRUETYPE_M_u32GetWidth(pText, pFontPtr) == 0;
  G_TEXT_BOX box = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  if (pSize != nullptr && !bEmpty && (U32)x < (U32)pBmp->pixels_wide) {
    S32 s32End = 0;
    if (!G_TRUETYPE_bDrawKept(pBmp, pText, x, pAnchor->y, colorText, pInfo, pFontPtr->u32Height, pSize, &box,
                              &s32End)) {
      s32End = G_TRUETYPE_s32Walk(pBmp, pText, x, pAnchor->y, colorText, pInfo, pFontPtr->u32Height, pSize, &box);
    }
    if (bMove) pAnchor->x = s32End;
  }
  L_MUTEX_Unlock(RES_TRUETYPE_FONT);
  G_TRUETYPE_vTextDrawn(pBmp, pText, pFontPtr, &box);
}

void G_TRUETYPE_M_vPut(BITMAP* pBmp, const char* pText, POINT* pAnchor, COLOR colorText, const FONT_DEF* pFontPtr) {
  G_TRUETYPE_vDraw(pBmp, pText, pAnchor, colorText, pFontPtr, TRUE);
}

// The text is rendered into a 32-bit image with its baseline 32 rows up, and
// the image is turned onto the bitmap.
constexpr S32 ROTATED_BASELINE = 32;

void G_TRUETYPE_M_vPutRotated(BITMAP* pBmp, const char* pText, const POINT* pptAnchor, COLOR colorText,
                              const FONT_DEF* pFontPtr, const POINT* pptRotateCenter, double dRotateAngle) {
  const FontInfo* pInfo = InfoOf(pFontPtr);
  if (pBmp == nullptr || pText == nullptr || pptAnchor == nullptr || pptRotateCenter == nullptr || pInfo == nullptr ||
      !s_bReady.load()) {
    return;
  }
  L_MUTEX_LockWait(RES_TRUETYPE_FONT);
  const SIZE_METRICS* pSize = G_TRUETYPE_pFaceAtSize(pInfo);
  const U32 u32Height = pFontPtr->u32Height;
  const S32 s32TextWidth = pSize == nullptr ? 0 : G_TRUETYPE_s32WalkWith(pText, 0, pInfo, u32Height, pSize, TRUE,
                                                                       [](const GLYPH_IMAGE&, PIXEL) { return TRUE; });
  const S64 s64Width = (S64)(s32TextWidth > 0 ? s32TextWidth : 0) + 32;
  const S64 s64Rows = (S64)u32Height + 34;
  // No text turns that needs more than the heap's largest block.
  if (pSize == nullptr || s64Width * s64Rows * 4 > (S64)H_MEMORY_MAX_REQUEST) {
    if (pSize != nullptr) log_me("[%d]%s: text too large to turn", __LINE__, __func__);
    L_MUTEX_Unlock(RES_TRUETYPE_FONT);
    return;
  }
  const S32 s32Width = (S32)s64Width, s32Rows = (S32)s64Rows;
  // One picture serves every call, under the font lock: it grows to the
  // largest text turned so far and is never given back.
  static std::vector<U8> s_picture;
  s_picture.assign((size_t)s32Width * (size_t)s32Rows * 4, 0);
  U8* pu8Pixels = s_picture.data();
  const U8 u8Red = (U8)((colorText >> 8) & 0xF8), u8Green = (U8)((colorText >> 3) & 0xFC),
           u8Blue = (U8)((colorText << 3) & 0xFF);
  G_TRUETYPE_s32WalkWith(pText, 0, pInfo, u32Height, pSize, TRUE, [&](const GLYPH_IMAGE& image, PIXEL x) {
    const S32 y = ROTATED_BASELINE + image.s32Top - image.s32Rows;
    if (y + image.s32Rows >= s32Rows || y < 0) return FALSE;
    for (S32 r = 0; r < image.s32Rows; r++) {
      const U8* pCoverage = image.pu8Buffer + (ptrdiff_t)(image.s32Rows - 1 - r) * image.s32Pitch;
      // A first letter's mark may reach left of the picture.
      const S32 s32First = x < 0 ? -x : 0;
      U8* pUnit = pu8Pixels + ((ptrdiff_t)(y + r) * s32Width + x + s32First) * 4;
      for (S32 c = s32First; c < image.s32Width && x + c < s32Width; c++, pUnit += 4) {
        if (pCoverage[c] == 0) continue;
        pUnit[0] = u8Red;
        pUnit[1] = u8Green;
        pUnit[2] = u8Blue;
        pUnit[3] = pCoverage[c];
      }
    }
    return TRUE;
  });
  const IMAGE32 picture = {pu8Pixels, nullptr, s32Width, s32Rows, 0};
  const POINT center = {pptRotateCenter->x, pptRotateCenter->y + ROTATED_BASELINE};
  G_IMAGE32_vPutRotated(pBmp, &picture, pptAnchor, &center, dRotateAngle);
  L_MUTEX_Unlock(RES_TRUETYPE_FONT);
}

void G_TRUETYPE_vSelectFontSet(int nSelectSet) {
  s_nCharmap.store(nSelectSet == 1 || nSelectSet == 2 ? nSelectSet : 0, std::memory_order_relaxed);
}

void G_TRUETYPE_vSetASCIIMode(BOOLEAN bASCII) { s_bASCII.store(bASCII, std::memory_order_relaxed); }

static const FONT_DEF* G_TRUETYPE_pGetFont(U32 u32Size, U32 u32FontStyle) {
  if (u32Size < 1 || u32Size >= TTF_SIZE_COUNT) return nullptr;
  // A regular text keeps its thin Latin letters in a wide language; its
  // wide characters come from the Unicode face all the same.
  if (U_WSTRING_bIsUnicodeLanguage() && u32FontStyle != 1) return &arialuni_fonts[0][u32Size];
  return &myriad_pro_fonts[u32FontStyle == 1 ? 1 : 0][u32Size];
}

static U32 SizeForLanguage(U32 u32Size) {
  return U_WSTRING_bIsUnicodeLanguage() && u32Size > TRUETYPE_BIG_SIZE_LIMIT ? TRUETYPE_BIG_SIZE_LIMIT : u32Size;
}

void G_TRUETYPE_vPut(BITMAP* pBmp, const char* pText, const POINT* pAnchor, COLOR colorText, U32 u32Height,
                     U32 u32FontStyle) {
  if (pAnchor == nullptr) return;
  POINT anchor = *pAnchor;
  G_TRUETYPE_vDraw(pBmp, pText, &anchor, colorText, G_TRUETYPE_pGetFont(SizeForLanguage(u32Height), u32FontStyle),
                   FALSE);
}

U32 G_TRUETYPE_u32GetWidth(const char* pText, U32 u32Size, U32 u32FontStyle) {
  return G_TRUETYPE_M_u32GetWidth(pText, G_TRUETYPE_pGetFont(u32Size, u32FontStyle));
}

void G_TRUETYPE_vPutRotated(BITMAP* pBmp, const char* pText, const POINT* pptAnchor, const POINT* pptRotateCenter,
                            double dRotateAngle, COLOR colorText, U32 u32Height, U32 u32FontStyle) {
  G_TRUETYPE_M_vPutRotated(pBmp, pText, pptAnchor, colorText, G_TRUETYPE_pGetFont(u32Height, u32FontStyle),
                           pptRotateCenter, dRotateAngle);
}

// One character of 8-bit text in the current text form.
static void OneCharacter(char acOut[4], char c) {
  if (U_WSTRING_bIsUnicodeLanguage()) {
    acOut[0] = 0;
    acOut[1] = c;
    acOut[2] = 0;
    acOut[3] = 0;
  } else {
    acOut[0] = c;
    acOut[1] = 0;
  }
}

static BOOLEAN bFixedWidthCharacter(char c) { return (c >= '0' && c <= '9') || c == '/' || c == '-'; }

static S32 FixedWidth(U32 u32Size, U32 u32FontStyle) {
  if (u32Size >= 256) return 0;
  const int nStyle = U_WSTRING_bIsUnicodeLanguage() ? FACE_UNICODE : (u32FontStyle == 1 ? 1 : 0);
  return s_s32FixedWidths[nStyle][u32Size];
}

// Walks a number as the fixed-width drawing lays it out; draws when pBmp is
// not null. Only the first '.' is the decimal point.
static S32 G_TRUETYPE_s32NumWalk(BITMAP* pBmp, const char* pText, const POINT* pAnchor, COLOR colorText,
                                 U32 u32Height, U32 u32FontStyle) {
  if (pText == nullptr) return 0;
  const U32 u32Size = SizeForLanguage(u32Height);
  const U32 u32PointSize = (U32)(u32Size * 0.7);
  S32 s32Pen = 0;
  BOOLEAN bPointSeen = FALSE;
  for (const char* p = pText; *p != 0; p++) {
    char acChar[4];
    OneCharacter(acChar, *p);
    const BOOLEAN bPoint = *p == '.' && !bPointSeen;
    const U32 u32CharSize = bPoint ? u32PointSize : u32Size;
    if (pBmp != nullptr && pAnchor != nullptr) {
      const POINT at = {pAnchor->x + s32Pen, pAnchor->y};
      G_TRUETYPE_vPut(pBmp, acChar, &at, colorText, u32CharSize, u32FontStyle);
    }
    if (bPoint) {
      bPointSeen = TRUE;
      s32Pen += FixedWidth(u32PointSize, u32FontStyle) / 2;
    } else if (bFixedWidthCharacter(*p)) {
      s32Pen += FixedWidth(u32Size, u32FontStyle);
    } else {
      s32Pen += (S32)G_TRUETYPE_u32GetWidth(acChar, u32Size, u32FontStyle);
    }
  }
  return s32Pen;
}

void G_TRUETYPE_vPutNumWidthFixed(BITMAP* pBmp, const char* pText, const POINT* pAnchor, COLOR colorText,
                                  U32 u32Height, U32 u32FontStyle) {
  if (pBmp == nullptr || pAnchor == nullptr) return;
  G_TRUETYPE_s32NumWalk(pBmp, pText, pAnchor, colorText, u32Height, u32FontStyle);
}

U32 G_TRUETYPE_u32GetWidthNumWidthFixed(const char* pText, U32 u32Height, U32 u32FontStyle) {
  const S32 s32Width = G_TRUETYPE_s32NumWalk(nullptr, pText, nullptr, 0, u32Height, u32FontStyle);
  return s32Width > 0 ? (U32)s32Width : 0;
}

static void G_TRUETYPE_vSetMetrics(FONT_DEF* pFonts, const FontInfo* pInfos) {
  for (U32 i = 0; i < TTF_SIZE_COUNT; i++) {
    FTC_ScalerRec scaler = pInfos[i].scaler;
    FT_Size size = nullptr;
    if (FTC_Manager_LookupSize(s_ftc_Manager, &scaler, &size) != 0 || size == nullptr) continue;
    pFonts[i].u32Ascender = (U32)(size->metrics.height / 64);
    pFonts[i].u32Descender = (U32)(-(size->metrics.descender / 64));
    pFonts[i].u32MaxWidth = (U32)(size->metrics.max_advance / 64);
  }
}

static void G_TRUETYPE_vSetFixedWidths(int nRow, U32 u32Style) {
  char acZero[4];
  OneCharacter(acZero, '0');
  for (U32 i = 0; i < 256; i++) {
    s_s32FixedWidths[nRow][i] = (S32)G_TRUETYPE_M_u32GetWidth(acZero, G_TRUETYPE_pGetFont(i, u32Style));
  }
}

static void G_TRUETYPE_vShutDownFreeType(void) {
  s_bReady.store(FALSE);
  if (s_ftc_Manager != nullptr) FTC_Manager_Done(s_ftc_Manager);
  if (s_FontLibrary != nullptr) FT_Done_FreeType(s_FontLibrary);
  s_ftc_Manager = nullptr;
  s_FontLibrary = nullptr;
  for (FontFaceDescriptor& d : s_FontFaceDesciptor) d = {nullptr, 0, nullptr, 0};
  for (SIZE_METRICS& m : s_SizeMetrics) m = SIZE_METRICS{};
  G_TRUETYPE_vForgetGlyphs();
  G_TRUETYPE_vForgetTexts();
}

// Called again, it starts over with empty caches.
BOOLEAN G_TRUETYPE_bInit(void) {
  L_MUTEX_LockWait(RES_TRUETYPE_FONT);
  G_TRUETYPE_vShutDownFreeType();
  const BOOLEAN bDomestic = MODEL_bDomesticModel();
  const FONT_DEF* apFiles[FACE_COUNT] = {&MyriadPro_Bold_QXcoding, &MyriadPro_Regular_QXcoding, &ARIALUNI};
  const int nFaces = bDomestic ? 2 : 3;
  for (int f = 0; f < nFaces; f++) {
    s_FontFaceDesciptor[f] = {apFiles[f]->pu8TTFdata, (long)apFiles[f]->u32MaxWidth, nullptr, 0};
  }
  for (FONT_DEF* pRow : {myriad_pro_fonts[0], myriad_pro_fonts[1], arialuni_fonts[0]}) {
    for (U32 i = 0; i < TTF_SIZE_COUNT; i++) pRow[i] = FONT_DEF{};
  }
  FONT_DEF* apRows[FACE_COUNT] = {myriad_pro_fonts[0], myriad_pro_fonts[1], arialuni_fonts[0]};
  for (int f = 0; f < nFaces; f++) {
    for (U32 i = 0; i < TTF_SIZE_COUNT; i++) {
      FontInfo& info = s_FontInfo[f][i];
      info = FontInfo{};
      info.scaler.face_id = (FTC_FaceID)&s_FontFaceDesciptor[f];
      info.scaler.width = info.scaler.height = (FT_UInt)PixelSize(i);
      info.scaler.pixel = 1;
      info.imageType.face_id = info.scaler.face_id;
      info.imageType.width = info.imageType.height = (FT_UInt)PixelSize(i);
      info.imageType.flags = TRUETYPE_FT_LOAD_RENDER;
      apRows[f][i].pu8TTFdata = (const U8*)&info;
      apRows[f][i].u32Height = i;
    }
  }
  BOOLEAN bOk = FT_Init_FreeType(&s_FontLibrary) == 0;
  if (bOk) {
    bOk = FTC_Manager_New(s_FontLibrary, bDomestic ? 2 : 3, bDomestic ? 4 : 1, bDomestic ? 262144 : 32768,
                          G_TRUETYPE_FaceRequester, nullptr, &s_ftc_Manager) == 0;
  }
  bOk = bOk && FTC_SBitCache_New(s_ftc_Manager, &s_sbits_cache) == 0;
  bOk = bOk && FTC_CMapCache_New(s_ftc_Manager, &s_cmap_cache) == 0;
  bOk = bOk && FTC_ImageCache_New(s_ftc_Manager, &s_image_cache) == 0;
  if (!bOk) {
    log_me("truetype: FreeType could not be set up");
    L_MUTEX_Unlock(RES_TRUETYPE_FONT);
    return FALSE;
  }
  s_bReady.store(TRUE);
  G_TRUETYPE_vSetMetrics(myriad_pro_fonts[0], s_FontInfo[FACE_BOLD]);
  G_TRUETYPE_vSetMetrics(myriad_pro_fonts[1], s_FontInfo[FACE_REGULAR]);
  G_TRUETYPE_vSetFixedWidths(FACE_BOLD, 0);
  G_TRUETYPE_vSetFixedWidths(FACE_REGULAR, 1);
  if (bDomestic) {
    // No Unicode face: its handles draw with the regular face instead of
    // pointing at empty fonts.
    for (U32 i = 0; i < TTF_SIZE_COUNT; i++) arialuni_fonts[0][i] = myriad_pro_fonts[1][i];
  } else {
    G_TRUETYPE_vSetMetrics(arialuni_fonts[0], s_FontInfo[FACE_UNICODE]);
  }
  G_TRUETYPE_vSetFixedWidths(FACE_UNICODE, 0);
  // The zeros of every size measured above are not what screens draw.
  G_TRUETYPE_vForgetGlyphs();
  G_TRUETYPE_vForgetTexts();
  L_MUTEX_Unlock(RES_TRUETYPE_FONT);
  return TRUE;
}

void G_TRUETYPE_vGlyphCacheUse(U32* pu32Glyphs, U32* pu32Bytes) {
  L_MUTEX_LockWait(RES_TRUETYPE_FONT);
  if (pu32Glyphs != nullptr) *pu32Glyphs = s_u32GlyphSlotsUsed;
  if (pu32Bytes != nullptr) *pu32Bytes = s_u32GlyphPoolUsed;
  L_MUTEX_Unlock(RES_TRUETYPE_FONT);
}
