#include "g_icon.h"

#include <stdint.h>
#include <string.h>

#include <array>
#include <vector>

#include "color.h"
#include "g_span.h"
#include "g_image32.h"
#include "g_kept.h"
#include "g_pixel.h"
#include "u_rle.h"

namespace {

const COLOR* s_pcolorLookup = nullptr;

// The 16 colours the 4-bit indexes show now.
const COLOR* IconLookup(void) { return s_pcolorLookup != nullptr ? s_pcolorLookup : gCOLOR_pcolColorTable + 80; }

G_ICON_PUT_PIXEL_FUNCTION* const s_apRotatedWriters[3] = {
    G_ICON_vRot90PutPixel,
    G_ICON_vRot180PutPixel,
    G_ICON_vRot270PutPixel,
};

// Reads the 4-bit values of one layout in drawing order (top row first).
typedef struct tag_NIBBLE_SOURCE {
  ICON_COMPRESSION eKind;
  const BITMAP* pBitmap;  // kind 0
  const U8* pu8Data;      // kinds 1, 2
  U32 u32Position;        // kinds 1, 2: nibbles read, never reset at row ends
  NIBBLE_RLE_STATE rle;   // kinds 3, 4
} NIBBLE_SOURCE;

void SourceInit(NIBBLE_SOURCE* pSource, ICON_COMPRESSION eKind, const void* pData) {
  pSource->eKind = eKind;
  pSource->pBitmap = (const BITMAP*)pData;
  pSource->pu8Data = (const U8*)pData;
  pSource->u32Position = 0;
  if (eKind == ICON_RLE_BUFFERS || eKind == ICON_RLE_TRANSPARENT_COLOR) U_RLE_NIBBLE_vInit(&pSource->rle, (const U8*)pData);
}

U8 SourceNext(NIBBLE_SOURCE* pSource, S32 row, S32 nX) {
  switch (pSource->eKind) {
    case ICON_PADDED_BITMAPS:
      return G_ICON_u8GetIconPixelColor(pSource->pBitmap, row, nX);
    case ICON_UNPADDED_BUFFERS:
    case ICON_TRANSPARENT_COLOR: {
      const U8 b = pSource->pu8Data[pSource->u32Position / 2];
      const U8 v = (pSource->u32Position & 1) ? (U8)(b & 0x0F) : (U8)(b >> 4);
      pSource->u32Position++;
      return v;
    }
    default:
      return U_RLE_NIBBLE_u8GetNext(&pSource->rle);
  }
}

bool HasTransparentIndex(ICON_COMPRESSION eKind) {
  return eKind == ICON_TRANSPARENT_COLOR || eKind == ICON_RLE_TRANSPARENT_COLOR;
}

}  // namespace

void G_ICON_vRot0PutPixel(BITMAP* pDest, const POINT* pptAnchor, S32 nX, S32 nY, COLOR color, void*) {
  G_PIXEL_vPut(pDest, pptAnchor->x + nX, pptAnchor->y + nY, color);
}

void G_ICON_vRot90PutPixel(BITMAP* pDest, const POINT* pptAnchor, S32 nX, S32 nY, COLOR color, void*) {
  G_PIXEL_vPut(pDest, pptAnchor->x + nY, pptAnchor->y - nX, color);
}

void G_ICON_vRot180PutPixel(BITMAP* pDest, const POINT* pptAnchor, S32 nX, S32 nY, COLOR color, void*) {
  G_PIXEL_vPut(pDest, pptAnchor->x - nX, pptAnchor->y - nY, color);
}

void G_ICON_vRot270PutPixel(BITMAP* pDest, const POINT* pptAnchor, S32 nX, S32 nY, COLOR color, void*) {
  G_PIXEL_vPut(pDest, pptAnchor->x - nY, pptAnchor->y + nX, color);
}

U8 G_ICON_u8GetIconPixelColor(const BITMAP* pBitmap, S32 row, S32 nX) {
  // The nibble is taken from the pixel's place in the whole buffer, which is
  // also its place in its row when rows are padded to whole words.
  const size_t index = (size_t)row * pBitmap->__u32PixelWidthOfBuffer + (size_t)nX;
  const U32 word = pBitmap->pBuffer[index / 8];
  return (U8)((word >> ((7 - (index % 8)) * 4)) & 0x0F);
}

// Each drawn pixel of a 4-bit icon, top row first: visit(nX, nY, index).
// FALSE for an icon that draws nothing (null, unknown kind, no size, a
// transparent index missing).
template <typename VISIT>
static bool DecodeIcon(const ICON* pIcon, VISIT&& visit) {
  if (pIcon == nullptr || (U32)pIcon->eCompression > ICON_RLE_TRANSPARENT_COLOR) return false;
  if (pIcon->nWidth <= 0 || pIcon->nHeight <= 0) return false;
  const ICON_COMPRESSION eKind = pIcon->eCompression;
  if (HasTransparentIndex(eKind) && pIcon->pMask == nullptr) return false;
  NIBBLE_SOURCE pixels, mask;
  SourceInit(&pixels, eKind, pIcon->pBitmap);
  const bool hasMask = !HasTransparentIndex(eKind) && pIcon->pMask != nullptr;
  if (hasMask) SourceInit(&mask, eKind, pIcon->pMask);
  const S32 transparent = HasTransparentIndex(eKind) ? *(const U8*)pIcon->pMask : -1;
  for (S32 nY = pIcon->nHeight - 1; nY >= 0; nY--) {
    const S32 row = pIcon->nHeight - 1 - nY;
    for (S32 nX = 0; nX < pIcon->nWidth; nX++) {
      const U8 index = SourceNext(&pixels, row, nX);
      if (hasMask && SourceNext(&mask, row, nX) == 15) continue;
      if (index == transparent) continue;
      visit(nX, nY, index);
    }
  }
  return true;
}

void G_ICON_vDecompressAndPutIndirect(BITMAP* pDest, const ICON* pIcon, const POINT* pptAnchor,
                                      G_ICON_PUT_PIXEL_FUNCTION* pPutPixel, void* vpOther) {
  const COLOR* lookup = IconLookup();
  DecodeIcon(pIcon, [&](S32 nX, S32 nY, U8 index) { pPutPixel(pDest, pptAnchor, nX, nY, lookup[index], vpOther); });
}

// A 4-bit icon compiled into the program, decoded once: its drawn pixels
// as runs along its rows, each pixel's colour index kept, so that a draw
// looks the colours up as G_ICON_vPut does and writes each run at once.
typedef struct tag_KEPT_ICON_RUN {
  S32 nY;  // icon row, counted from the bottom
  S32 nX;
  U32 u32Count;
  U32 u32First;  // its first index in au8Index
} KEPT_ICON_RUN;

typedef struct tag_KEPT_ICON {
  const void* pKey;  // the icon
  std::vector<KEPT_ICON_RUN> runs;
  std::vector<U8> indices;
} KEPT_ICON;

static G_KEPT_TABLE<KEPT_ICON, 1024> s_keptIcons;

static const KEPT_ICON* KeptIcon(const ICON* pIcon) {
  return G_KEPT_pFind(&s_keptIcons, pIcon, [](const void* pKey) {
    KEPT_ICON* k = new KEPT_ICON();
    k->pKey = pKey;
    DecodeIcon((const ICON*)pKey, [k](S32 nX, S32 nY, U8 index) {
      const bool bJoins = !k->runs.empty() && k->runs.back().nY == nY &&
                          k->runs.back().nX + (S32)k->runs.back().u32Count == nX;
      if (!bJoins) k->runs.push_back({nY, nX, 0, (U32)k->indices.size()});
      k->runs.back().u32Count++;
      k->indices.push_back(index);
    });
    return k;
  });
}

// An icon G_ICON_vPutKept decodes and keeps.
static bool IsKeptKind(const ICON* pIcon) {
  return pIcon != nullptr && (U32)pIcon->eCompression <= ICON_RLE_TRANSPARENT_COLOR && pIcon->nWidth > 0 &&
         pIcon->nHeight > 0 && !(HasTransparentIndex(pIcon->eCompression) && pIcon->pMask == nullptr);
}

// The runs of a kept icon inside the clip; copy(p, first, n) writes n pixels
// at p from the icon's pixel first on.
template <typename COPY>
static void PutKeptRuns(BITMAP* pDest, const ICON* pIcon, const KEPT_ICON* k, const POINT* pptLowerLeft, COPY&& copy) {
  const S64 left = pDest->s32ClipLeft, right = pDest->s32ClipRight;
  if (pptLowerLeft->x >= left && (S64)pptLowerLeft->x + pIcon->nWidth - 1 <= right &&
      pptLowerLeft->y >= pDest->s32ClipBottom && (S64)pptLowerLeft->y + pIcon->nHeight - 1 <= pDest->s32ClipTop) {
    // Wholly inside the clip (a track's dots, mostly): each run from the
    // icon's corner, rows up the icon being rows back in memory.
    COLOR* pCorner = G_SPAN_pcolAt(pDest, pptLowerLeft->x, pptLowerLeft->y);
    const ptrdiff_t pitch = (ptrdiff_t)pDest->__u32PixelWidthOfBuffer;
    for (const KEPT_ICON_RUN& run : k->runs) copy(pCorner - run.nY * pitch + run.nX, run.u32First, run.u32Count);
    return;
  }
  for (const KEPT_ICON_RUN& run : k->runs) {
    const S64 y = (S64)pptLowerLeft->y + run.nY;
    if (y < pDest->s32ClipBottom || y > pDest->s32ClipTop) continue;
    const S64 x0 = (S64)pptLowerLeft->x + run.nX, x1 = x0 + run.u32Count - 1;
    const S64 from = x0 > left ? x0 : left, to = x1 < right ? x1 : right;
    if (from > to) continue;
    copy(G_SPAN_pcolAt(pDest, (PIXEL)from, (PIXEL)y), run.u32First + (U32)(from - x0), (U32)(to - from + 1));
  }
}

void G_ICON_vPutKept(BITMAP* pDest, const ICON* pIcon, const POINT* pptLowerLeft) {
  if (pIcon != nullptr && pIcon->eCompression == ICON_PNG_IMAGE32) {
    G_IMAGE32_vPutOldKept(pDest, pIcon, pptLowerLeft);
    return;
  }
  const KEPT_ICON* k = IsKeptKind(pIcon) ? KeptIcon(pIcon) : nullptr;
  if (k == nullptr) {
    G_ICON_vPut(pDest, pIcon, pptLowerLeft);
    return;
  }
  const COLOR* lookup = IconLookup();
  PutKeptRuns(pDest, pIcon, k, pptLowerLeft, [&](COLOR* p, U32 first, U32 n) {
    const U8* pIndex = &k->indices[first];
    for (U32 i = 0; i < n; i++) p[i] = lookup[pIndex[i]];
  });
}

void G_ICON_vTakeColours(G_ICON_COLOURED* pColoured, const ICON* pIcon) {
  std::array<COLOR, 16> now;
  memcpy(now.data(), IconLookup(), sizeof now);
  if (pColoured->bTaken && pColoured->pIcon == pIcon && pColoured->aLookup == now) return;
  pColoured->bTaken = TRUE;
  pColoured->pIcon = pIcon;
  pColoured->aLookup = now;
  const KEPT_ICON* k = IsKeptKind(pIcon) ? KeptIcon(pIcon) : nullptr;
  pColoured->pKept = k;
  pColoured->colours.clear();
  if (k == nullptr) return;
  // The indexes are nibbles.
  for (U8 index : k->indices) pColoured->colours.push_back(now[index & 15]);
}

void G_ICON_vPutColoured(BITMAP* pDest, const G_ICON_COLOURED* pColoured, const POINT* pptLowerLeft) {
  const KEPT_ICON* k = (const KEPT_ICON*)pColoured->pKept;
  if (k == nullptr) {
    G_ICON_vPutKept(pDest, pColoured->pIcon, pptLowerLeft);
    return;
  }
  const COLOR* pColours = pColoured->colours.data();
  PutKeptRuns(pDest, pColoured->pIcon, k, pptLowerLeft,
              [&](COLOR* p, U32 first, U32 n) { memcpy(p, pColours + first, (size_t)n * sizeof(COLOR)); });
}

void G_ICON_vPut(BITMAP* pDest, const ICON* pIcon, const POINT* pptLowerLeft) {
  if (pIcon != nullptr && pIcon->eCompression == ICON_PNG_IMAGE32) {
    G_IMAGE32_vPutOld(pDest, pIcon, pptLowerLeft);
    return;
  }
  G_ICON_vDecompressAndPutIndirect(pDest, pIcon, pptLowerLeft, G_ICON_vRot0PutPixel, nullptr);
}

void G_ICON_vPutRotatedAngle(BITMAP* pDest, const ICON* pIcon, const POINT* pptAnchor, const POINT* pptRotateCenter,
                             double dRotateAngle) {
  if (pIcon != nullptr && pIcon->eCompression == ICON_PNG_IMAGE32) {
    G_IMAGE32_vPutRotatedOld(pDest, pIcon, pptAnchor, pptRotateCenter, dRotateAngle);
    return;
  }
  // q = (degrees + 45) / 90 truncated toward zero; decided in double so that
  // no angle, however large, overflows a conversion.
  const double q = (45.0 + dRotateAngle * 57.29577951471995) * 0.011111111111111112;
  G_ICON_PUT_PIXEL_FUNCTION* writer = G_ICON_vRot0PutPixel;
  if (q >= 1.0 && q < 4.0) writer = s_apRotatedWriters[(int)q - 1];
  G_ICON_vDecompressAndPutIndirect(pDest, pIcon, pptAnchor, writer, nullptr);
}

void G_ICON_vPutRotatedAngleKept(BITMAP* pDest, const ICON* pIcon, const POINT* pptAnchor,
                                 const POINT* pptRotateCenter, double dRotateAngle) {
  if (pIcon != nullptr && pIcon->eCompression == ICON_PNG_IMAGE32) {
    G_IMAGE32_vPutRotatedOldKept(pDest, pIcon, pptAnchor, pptRotateCenter, dRotateAngle);
    return;
  }
  G_ICON_vPutRotatedAngle(pDest, pIcon, pptAnchor, pptRotateCenter, dRotateAngle);
}

void G_ICON_vPutRotated(BITMAP* pDest, const ICON* pIcon, const POINT* pptAnchor, G_ICON_ROTATION eRotation) {
  G_ICON_PUT_PIXEL_FUNCTION* writer = G_ICON_vRot0PutPixel;
  if ((U32)eRotation >= 1 && (U32)eRotation <= 3) writer = s_apRotatedWriters[(U32)eRotation - 1];
  G_ICON_vDecompressAndPutIndirect(pDest, pIcon, pptAnchor, writer, nullptr);
}

U32 G_ICON_u32GetWidth(const ICON* pIcon) { return pIcon == nullptr ? 0 : (U32)pIcon->nWidth; }

U32 G_ICON_u32GetHeight(const ICON* pIcon) { return pIcon == nullptr ? 0 : (U32)pIcon->nHeight; }

void G_ICON_vSetIconPalette(const COLOR* pcolorTable) { s_pcolorLookup = pcolorTable; }
