// Outlined text of the sonar views, kept as drawn. A view shows the same few
// texts frame after frame (the depth, the range marks), and laying out and
// rasterising them costs more than copying the whole history. So each text
// is drawn once onto black and once onto white in a small bitmap of its own;
// the two give every pixel's cover and colour, and later frames blend that
// over the pane, a row at a time with no test per pixel: a full cover puts
// the text's colour and none keeps the pane's, by the same sum.

#include <string.h>

#include <algorithm>
#include <mutex>

#include "g_buffers.h"
#include "g_span.h"
#include "g_string.h"
#include "g_truetype.h"
#include "t_n_history_priv.h"
#include "u_wstring.h"

constexpr U32 TEXT_WIDTH = 256;
constexpr U32 TEXT_HEIGHT = 64;
constexpr U32 TEXT_ENTRIES = 12;
constexpr S32 TEXT_BASELINE = 16;  // rows below the baseline, for descenders and the outline
constexpr U32 TEXT_BYTES = 64;

// What a kept text was drawn from. The keys lie together, apart from the
// pictures, so that a look-up reads a few cache lines rather than one line
// in each picture, which the frame's copy of the history has just evicted.
typedef struct tag_TEXT_KEY {
  char ac[TEXT_BYTES];
  U32 u32Bytes;
  const FONT_DEF* pFont;
  U32 u32Language;  // the code page the bytes are drawn in follows it
  COLOR colText;
  COLOR colOutline;
} TEXT_KEY;

typedef struct tag_TEXT_SPRITE {
  U32 u32Advance;
  BOOLEAN bFits;  // narrow enough to be kept
  U32 u32Top, u32Bottom, u32Left, u32Right;  // the rows and columns with cover, bottom and right excluded
  U16 au16Left[TEXT_HEIGHT], au16Right[TEXT_HEIGHT];  // each row's columns with cover, right excluded
  // Each row's covered columns, one row after the other from the top: a
  // frame reads a kept text from memory the copy of the history has just
  // flushed it from, so it reads the fewest lines this way.
  U32 au32Start[TEXT_HEIGHT];
  U8 au8Weight[TEXT_HEIGHT * TEXT_WIDTH];  // the cover in 32nds: 0 untouched .. 32 opaque
  COLOR acol[TEXT_HEIGHT * TEXT_WIDTH];
  // Each row as last blended over a pane of one colour, laid out as acol,
  // and that colour with TEXT_OVER_KEPT set: a readout mostly stands over
  // open water, whose pixels under it are all alike, and a row over the
  // same colour again is a copy.
  U32 au32Over[TEXT_HEIGHT];
  COLOR acolOver[TEXT_HEIGHT * TEXT_WIDTH];
} TEXT_SPRITE;

constexpr U32 TEXT_OVER_KEPT = 0x10000;

static TEXT_KEY s_asKeys[TEXT_ENTRIES];
static TEXT_SPRITE s_asSprites[TEXT_ENTRIES];
static U32 s_u32Next;
static std::mutex s_textLock;
alignas(64) static U32 s_au32Scratch[2][TEXT_WIDTH * TEXT_HEIGHT / 2];

static U32 TEXT_u32Channel(COLOR c, U32 k) {
  const U32 v = k == 0 ? c >> 11 : k == 1 ? (c >> 5) & 0x3F : c & 0x1F;
  const U32 bits = k == 1 ? 6 : 5;
  return (v << (8 - bits)) | (v >> (2 * bits - 8));
}

static COLOR TEXT_colPack(const U32 rgb[3]) {
  return (COLOR)((rgb[0] >> 3) << 11 | (rgb[1] >> 2) << 5 | (rgb[2] >> 3));
}

static const COLOR* TEXT_pcolRow(const BITMAP* pBitmap, U32 u32Row) {
  return (const COLOR*)pBitmap->pBuffer + u32Row * pBitmap->__u32PixelWidthOfBuffer;
}

static void TEXT_vRender(const TEXT_KEY* k, TEXT_SPRITE* p) {
  BITMAP bitmaps[2];
  const COLOR backgrounds[2] = {0x0000, 0xFFFF};
  U32 advance = 0;
  for (U32 b = 0; b < 2; b++) {
    G_BUFFERS_pCreateBitmap(TEXT_WIDTH, TEXT_HEIGHT, &bitmaps[b], s_au32Scratch[b]);
    COLOR* pixels = (COLOR*)bitmaps[b].pBuffer;
    for (U32 i = 0; i < TEXT_WIDTH * TEXT_HEIGHT; i++) pixels[i] = backgrounds[b];
    POINT at = {1, TEXT_BASELINE};
    G_STRING_vPutWithOutline(&bitmaps[b], k->colText, &at, k->pFont, (const BYTE*)k->ac, k->colOutline);
    advance = (U32)(at.x - 1);
  }
  p->u32Advance = advance;
  memset(p->au32Over, 0, sizeof p->au32Over);
  // A glyph taller than the picture stops the text there: such a text is not
  // kept but drawn whole on the page each time.
  p->bFits = advance + 4 < TEXT_WIDTH && advance >= G_STRING_u32GetWidth(k->pFont, (const BYTE*)k->ac);
  p->u32Top = TEXT_HEIGHT, p->u32Bottom = 0, p->u32Left = TEXT_WIDTH, p->u32Right = 0;
  U32 packed = 0;
  for (U32 r = 0; r < TEXT_HEIGHT; r++) {
    const COLOR* onBlack = TEXT_pcolRow(&bitmaps[0], r);
    const COLOR* onWhite = TEXT_pcolRow(&bitmaps[1], r);
    U8 au8Weight[TEXT_WIDTH];
    COLOR acol[TEXT_WIDTH];
    p->au16Left[r] = TEXT_WIDTH, p->au16Right[r] = 0;
    for (U32 x = 0; x < TEXT_WIDTH; x++) {
      // On black a pixel is cover x colour; on white that plus 1 - cover.
      const U32 g0 = TEXT_u32Channel(onBlack[x], 1), g1 = TEXT_u32Channel(onWhite[x], 1);
      const U32 cover = g1 >= g0 ? 255 - (g1 - g0) : 255;
      au8Weight[x] = (U8)((cover + 4) >> 3);
      if (au8Weight[x] > 0) {
        if (r < p->u32Top) p->u32Top = r;
        if (r + 1 > p->u32Bottom) p->u32Bottom = r + 1;
        if (x < p->au16Left[r]) p->au16Left[r] = (U16)x;
        p->au16Right[r] = (U16)(x + 1);
        if (x < p->u32Left) p->u32Left = x;
        if (x + 1 > p->u32Right) p->u32Right = x + 1;
      }
      U32 rgb[3] = {0, 0, 0};
      if (cover > 0) {
        for (U32 k = 0; k < 3; k++) {
          const U32 v = TEXT_u32Channel(onBlack[x], k) * 255 / cover;
          rgb[k] = v > 255 ? 255 : v;
        }
      }
      acol[x] = TEXT_colPack(rgb);
    }
    p->au32Start[r] = packed;
    for (U32 x = p->au16Left[r]; x < p->au16Right[r]; x++, packed++) {
      p->au8Weight[packed] = au8Weight[x];
      p->acol[packed] = acol[x];
    }
  }
}

static TEXT_SPRITE* TEXT_psFind(const FONT_DEF* pFont, const char* pc, U32 u32Bytes, U32 u32Language,
                                      COLOR colText, COLOR colOutline) {
  for (U32 i = 0; i < TEXT_ENTRIES; i++) {
    const TEXT_KEY& k = s_asKeys[i];
    if (k.pFont == pFont && k.u32Bytes == u32Bytes && k.u32Language == u32Language && k.colText == colText &&
        k.colOutline == colOutline && memcmp(k.ac, pc, u32Bytes) == 0) {
      return &s_asSprites[i];
    }
  }
  TEXT_KEY* k = &s_asKeys[s_u32Next];
  TEXT_SPRITE* p = &s_asSprites[s_u32Next];
  s_u32Next = (s_u32Next + 1) % TEXT_ENTRIES;
  *k = {{}, u32Bytes, pFont, u32Language, colText, colOutline};
  memcpy(k->ac, pc, u32Bytes);
  TEXT_vRender(k, p);
  return p;
}

// Each channel weighted in 32nds, in 16-bit sums.
static inline COLOR TEXT_colBlend(COLOR colNew, COLOR colOld, U16 a) {
  const U16 b = (U16)(32 - a);
  const U16 red = (U16)(((U16)((colNew >> 11) * a + (colOld >> 11) * b) >> 5) << 11);
  const U16 green = (U16)(((U16)(((colNew >> 5) & 63) * a + ((colOld >> 5) & 63) * b) >> 5) << 5);
  const U16 blue = (U16)((U16)((colNew & 31) * a + (colOld & 31) * b) >> 5);
  return (COLOR)(red | green | blue);
}

typedef U16 TEXT_V16 __attribute__((vector_size(32)));
typedef U8 TEXT_V8 __attribute__((vector_size(16)));

// Every frame blends the labels over the freshly copied history, in rows
// mostly shorter than a few vectors: so no row ends in a pixel-by-pixel loop.
// Its last sixteen pixels are blended from the pane as it was and stored
// last; where they overlap the vectors before, they store the same sums.
G_SPAN_WIDE_CLONES
static void TEXT_vBlendRow(COLOR* pcolPane, const COLOR* pcolText, const U8* pu8Weight, S32 s32Count) {
  if (s32Count < 16) {
    for (S32 i = 0; i < s32Count; i++) pcolPane[i] = TEXT_colBlend(pcolText[i], pcolPane[i], pu8Weight[i]);
    return;
  }
  // The same sums sixteen pixels at a time, into o.
  auto blend = [](const TEXT_V16& n, TEXT_V16& o, const TEXT_V8& weights) {
    const TEXT_V16 a = __builtin_convertvector(weights, TEXT_V16);
    const TEXT_V16 b = 32 - a;
    const TEXT_V16 red = (((n >> 11) * a + (o >> 11) * b) >> 5) << 11;
    const TEXT_V16 green = ((((n >> 5) & 63) * a + ((o >> 5) & 63) * b) >> 5) << 5;
    const TEXT_V16 blue = ((n & 31) * a + (o & 31) * b) >> 5;
    o = red | green | blue;
  };
  const S32 last = s32Count - 16;
  TEXT_V16 n, o, tail;
  TEXT_V8 w;
  memcpy(&n, pcolText + last, sizeof n);
  memcpy(&tail, pcolPane + last, sizeof tail);
  memcpy(&w, pu8Weight + last, sizeof w);
  blend(n, tail, w);
  for (S32 i = 0; i < last; i += 16) {
    memcpy(&n, pcolText + i, sizeof n);
    memcpy(&o, pcolPane + i, sizeof o);
    memcpy(&w, pu8Weight + i, sizeof w);
    blend(n, o, w);
    memcpy(pcolPane + i, &o, sizeof o);
  }
  memcpy(pcolPane + last, &tail, sizeof tail);
}

// TRUE when the s32Count (> 0) pixels are all of one colour.
G_SPAN_WIDE_CLONES
static BOOLEAN TEXT_bPlain(const COLOR* pcol, S32 s32Count) {
  if (s32Count < 16) {
    U32 u32Differs = 0;
    for (S32 i = 1; i < s32Count; i++) u32Differs |= (U32)(pcol[i] ^ pcol[0]);
    return u32Differs == 0;
  }
  const TEXT_V16 first = pcol[0] - (TEXT_V16){};
  TEXT_V16 differs = {}, v;
  for (S32 i = 0; i + 16 <= s32Count; i += 16) {
    memcpy(&v, pcol + i, sizeof v);
    differs |= v ^ first;
  }
  memcpy(&v, pcol + s32Count - 16, sizeof v);
  differs |= v ^ first;
  U64 au64[4];
  memcpy(au64, &differs, sizeof au64);
  return (au64[0] | au64[1] | au64[2] | au64[3]) == 0;
}

// The text's bytes before its end (two zero bytes in a wide language);
// TEXT_BYTES when it is too long to keep.
static U32 TEXT_u32Bytes(const char* pc) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  for (U32 i = 0; i + 2 < TEXT_BYTES; i += bWide ? 2 : 1) {
    if (pc[i] == '\0' && (!bWide || pc[i + 1] == '\0')) return i;
  }
  return TEXT_BYTES;
}

void HISTORY_vPutText(BITMAP* pBitmap, POINT* pAt, const FONT_DEF* pFont, const char* pc, U32 u32Language,
                      COLOR colText, COLOR colOutline) {
  if (pc == nullptr || pAt == nullptr) return;
  const U32 bytes = TEXT_u32Bytes(pc);
  std::unique_lock<std::mutex> guard(s_textLock);
  TEXT_SPRITE* p = bytes < TEXT_BYTES ? TEXT_psFind(pFont, pc, bytes, u32Language, colText, colOutline) : nullptr;
  if (p == nullptr || !p->bFits) {
    guard.unlock();
    G_STRING_vPutWithOutline(pBitmap, colText, pAt, pFont, (const BYTE*)pc, colOutline);
    return;
  }
  // Sprite row r lies at logical y = baseline + (TEXT_HEIGHT - 1 - TEXT_BASELINE) - r,
  // sprite column c at x = pAt->x - 1 + c.
  const S32 top = pAt->y + (S32)(TEXT_HEIGHT - 1) - TEXT_BASELINE;
  const S32 left = pAt->x - 1;
  for (U32 r = p->u32Top; r < p->u32Bottom; r++) {
    const S32 y = top - (S32)r;
    if (y < pBitmap->s32ClipBottom || y > pBitmap->s32ClipTop) continue;
    const S32 from = std::max(left + (S32)p->au16Left[r], pBitmap->s32ClipLeft);
    const S32 to = std::min(left + (S32)p->au16Right[r], pBitmap->s32ClipRight + 1);
    if (from >= to) continue;
    COLOR* row = (COLOR*)pBitmap->pBuffer +
                 (U32)(pBitmap->pixels_high_full_screen - 1 - y) * pBitmap->__u32PixelWidthOfBuffer;
    const U32 at = p->au32Start[r] + (U32)(from - left - (S32)p->au16Left[r]);
    if (!TEXT_bPlain(row + from, to - from)) {
      TEXT_vBlendRow(row + from, &p->acol[at], &p->au8Weight[at], to - from);
      continue;
    }
    const COLOR colPane = row[from];
    if (p->au32Over[r] != (TEXT_OVER_KEPT | colPane)) {
      const U32 start = p->au32Start[r];
      const S32 count = (S32)p->au16Right[r] - (S32)p->au16Left[r];
      std::fill_n(&p->acolOver[start], count, colPane);
      TEXT_vBlendRow(&p->acolOver[start], &p->acol[start], &p->au8Weight[start], count);
      p->au32Over[r] = TEXT_OVER_KEPT | colPane;
    }
    memcpy(row + from, &p->acolOver[at], (size_t)(to - from) * sizeof(COLOR));
  }
  G_TEXT_BOX box = {pAt->x - 1 + (S32)p->u32Left, top - (S32)p->u32Bottom + 1, pAt->x - 2 + (S32)p->u32Right,
                    top - (S32)p->u32Top};
  if (box.left < pBitmap->s32ClipLeft) box.left = pBitmap->s32ClipLeft;
  if (box.right > pBitmap->s32ClipRight) box.right = pBitmap->s32ClipRight;
  if (box.bottom < pBitmap->s32ClipBottom) box.bottom = pBitmap->s32ClipBottom;
  if (box.top > pBitmap->s32ClipTop) box.top = pBitmap->s32ClipTop;
  G_TRUETYPE_vTextDrawn(pBitmap, pc, pFont, &box);
  pAt->x += (S32)p->u32Advance;
}

U32 HISTORY_u32TextWidth(const FONT_DEF* pFont, const char* pc, U32 u32Language, COLOR colText, COLOR colOutline) {
  if (pc == nullptr) return 0;
  const U32 bytes = TEXT_u32Bytes(pc);
  if (bytes < TEXT_BYTES) {
    std::lock_guard<std::mutex> guard(s_textLock);
    const TEXT_SPRITE* p = TEXT_psFind(pFont, pc, bytes, u32Language, colText, colOutline);
    if (p->bFits) return p->u32Advance;
  }
  return G_STRING_u32GetWidth(pFont, (const BYTE*)pc);
}
