// The readouts of the frame being drawn and the windows over them, kept by
// the drawing thread from one frame to the next.

#include "u_viewarea.h"

#include <string.h>

#include <mutex>

// Readouts a frame holds: the box column, the overlay lines, the bars and
// the views' own readouts come to about twenty; more are drawn all the same
// and only not kept clear of.
constexpr U32 VIEWAREA_READOUTS = 48;
constexpr U32 VIEWAREA_COVERS = 8;
// The gap a band keeps from a readout beside it.
constexpr S32 VIEWAREA_GAP = 4;

typedef struct tag_VIEWAREA_COVER {
  LAYER_ID layer;
  VIEWAREA_BOX box;
  BOOLEAN bHid;  // a readout was left out for it in this frame
} VIEWAREA_COVER;

typedef struct tag_VIEWAREA_FRAME {
  BOOLEAN bOpen;
  BOOLEAN bDrawnAgain;  // the last frame was drawn again for its covers
  U32 u32Readouts;
  VIEWAREA_BOX aReadouts[VIEWAREA_READOUTS];
  U32 u32Covers;  // in force: told in the frame before
  VIEWAREA_COVER aCovers[VIEWAREA_COVERS];
  U32 u32Told;  // told in this frame
  VIEWAREA_COVER aTold[VIEWAREA_COVERS];
} VIEWAREA_FRAME;

static thread_local VIEWAREA_FRAME s_frame;

static BOOLEAN VIEWAREA_bMeet(const VIEWAREA_BOX& a, const VIEWAREA_BOX& b) {
  return a.w > 0 && a.h > 0 && b.w > 0 && b.h > 0 && a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h &&
         b.y < a.y + a.h;
}

static BOOLEAN VIEWAREA_bSame(const VIEWAREA_BOX& a, const VIEWAREA_BOX& b) {
  return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

static BOOLEAN VIEWAREA_bOverAReadout(const VIEWAREA_BOX& box) {
  for (U32 i = 0; i < s_frame.u32Readouts; i++) {
    if (VIEWAREA_bMeet(box, s_frame.aReadouts[i])) return TRUE;
  }
  return FALSE;
}

static const VIEWAREA_COVER* VIEWAREA_pFind(const VIEWAREA_COVER* aCovers, U32 u32Count, LAYER_ID layer) {
  for (U32 i = 0; i < u32Count; i++) {
    if (aCovers[i].layer == layer) return &aCovers[i];
  }
  return nullptr;
}

void U_VIEWAREA_vFrameBegins(void) {
  s_frame.bOpen = TRUE;
  s_frame.u32Readouts = 0;
  s_frame.u32Told = 0;
  for (U32 i = 0; i < s_frame.u32Covers; i++) s_frame.aCovers[i].bHid = FALSE;
}

BOOLEAN U_VIEWAREA_bFrameEnds(void) {
  if (!s_frame.bOpen) return FALSE;
  BOOLEAN bAgain = FALSE;
  for (U32 i = 0; i < s_frame.u32Told; i++) {
    const VIEWAREA_COVER& told = s_frame.aTold[i];
    const VIEWAREA_COVER* pWas = VIEWAREA_pFind(s_frame.aCovers, s_frame.u32Covers, told.layer);
    if (pWas != nullptr && VIEWAREA_bSame(pWas->box, told.box)) continue;
    if (VIEWAREA_bOverAReadout(told.box) || (pWas != nullptr && pWas->bHid)) bAgain = TRUE;
  }
  for (U32 i = 0; i < s_frame.u32Covers; i++) {
    const VIEWAREA_COVER& was = s_frame.aCovers[i];
    if (was.bHid && VIEWAREA_pFind(s_frame.aTold, s_frame.u32Told, was.layer) == nullptr) bAgain = TRUE;
  }
  for (U32 i = 0; i < s_frame.u32Told; i++) s_frame.aCovers[i] = s_frame.aTold[i];
  s_frame.u32Covers = s_frame.u32Told;
  s_frame.u32Readouts = 0;
  s_frame.bOpen = FALSE;
  if (s_frame.bDrawnAgain) bAgain = FALSE;
  s_frame.bDrawnAgain = bAgain;
  return bAgain;
}

BOOLEAN U_VIEWAREA_bReadout(const VIEWAREA_BOX* pBox) {
  if (pBox == nullptr || !s_frame.bOpen) return TRUE;
  BOOLEAN bCovered = FALSE;
  for (U32 i = 0; i < s_frame.u32Covers; i++) {
    if (!VIEWAREA_bMeet(*pBox, s_frame.aCovers[i].box)) continue;
    s_frame.aCovers[i].bHid = TRUE;
    bCovered = TRUE;
  }
  if (bCovered) return FALSE;
  if (s_frame.u32Readouts < VIEWAREA_READOUTS) s_frame.aReadouts[s_frame.u32Readouts++] = *pBox;
  return TRUE;
}

void U_VIEWAREA_vCovers(LAYER_ID layer, const VIEWAREA_BOX* pBox) {
  if (pBox == nullptr || !s_frame.bOpen) return;
  VIEWAREA_COVER* pTold = (VIEWAREA_COVER*)VIEWAREA_pFind(s_frame.aTold, s_frame.u32Told, layer);
  if (pTold == nullptr) {
    if (s_frame.u32Told >= VIEWAREA_COVERS) return;
    pTold = &s_frame.aTold[s_frame.u32Told++];
  }
  *pTold = {layer, *pBox, FALSE};
}

// The band's rows met by a readout that also meets its columns: how far
// they reach right, up and down. FALSE when none does.
static BOOLEAN VIEWAREA_bInBand(const VIEWAREA_BOX& band, S32* pRight, S32* pTop, S32* pBottom) {
  BOOLEAN bAny = FALSE;
  for (U32 i = 0; i < s_frame.u32Readouts; i++) {
    const VIEWAREA_BOX& r = s_frame.aReadouts[i];
    if (!VIEWAREA_bMeet(band, r)) continue;
    if (!bAny || r.x + r.w > *pRight) *pRight = r.x + r.w;
    if (!bAny || r.y + r.h > *pTop) *pTop = r.y + r.h;
    if (!bAny || r.y < *pBottom) *pBottom = r.y;
    bAny = TRUE;
  }
  return bAny;
}

BOOLEAN U_VIEWAREA_bPlaceBand(VIEWAREA_BOX* pBand, S32 s32MinWidth, BOOLEAN bUp) {
  if (pBand == nullptr || !s_frame.bOpen) return TRUE;
  VIEWAREA_BOX band = *pBand;
  // Each move passes at least one readout: no more moves than readouts.
  for (U32 moves = 0; moves <= s_frame.u32Readouts; moves++) {
    S32 reach = 0, top = 0, bottom = 0;
    if (!VIEWAREA_bInBand(band, &reach, &top, &bottom)) {
      *pBand = band;
      return TRUE;
    }
    // Right of every readout in its rows, the band meets none of them.
    const S32 left = reach + VIEWAREA_GAP;
    if (band.x + band.w - left >= s32MinWidth) {
      band.w = band.x + band.w - left;
      band.x = left;
      *pBand = band;
      return TRUE;
    }
    band.y = bUp ? top + VIEWAREA_GAP : bottom - VIEWAREA_GAP - band.h;
    if (band.y < 0 || band.y + band.h > (S32)G_SCREEN_HEIGHT) return FALSE;
  }
  return FALSE;
}

// ---------------------------------------------------------------------------
// Covers found by comparing the page before and after a window draws

// One page at a time: the view task's, or a test's frame.
static std::mutex s_keptLock;
static COLOR s_acolKept[G_SCREEN_WIDTH * G_SCREEN_HEIGHT];

static const COLOR* VIEWAREA_pcolRow(const BITMAP* pPage, S32 s32Row) {
  return (const COLOR*)pPage->pBuffer + (size_t)s32Row * pPage->__u32PixelWidthOfBuffer;
}

static BOOLEAN VIEWAREA_bFits(const BITMAP* pPage) {
  return pPage != nullptr && pPage->pixels_wide_full_screen > 0 && pPage->pixels_high_full_screen > 0 &&
         (U32)pPage->pixels_wide_full_screen <= G_SCREEN_WIDTH && (U32)pPage->pixels_high_full_screen <= G_SCREEN_HEIGHT;
}

void U_VIEWAREA_vDrawCovering(LAYER_ID layer, BITMAP* pPage, void (*pfnDraw)(BITMAP* pPage)) {
  if (!s_frame.bOpen || !VIEWAREA_bFits(pPage)) {
    pfnDraw(pPage);
    return;
  }
  std::lock_guard<std::mutex> guard(s_keptLock);
  const S32 w = pPage->pixels_wide_full_screen, h = pPage->pixels_high_full_screen;
  for (S32 r = 0; r < h; r++) {
    memcpy(&s_acolKept[(size_t)r * (size_t)w], VIEWAREA_pcolRow(pPage, r), (size_t)w * sizeof(COLOR));
  }
  pfnDraw(pPage);
  S32 top = -1, bottom = -1, left = w, right = -1;
  for (S32 r = 0; r < h; r++) {
    const COLOR* pNow = VIEWAREA_pcolRow(pPage, r);
    const COLOR* pWas = &s_acolKept[(size_t)r * (size_t)w];
    if (memcmp(pNow, pWas, (size_t)w * sizeof(COLOR)) == 0) continue;
    if (top < 0) top = r;
    bottom = r;
    S32 l = 0, rt = w - 1;
    while (pNow[l] == pWas[l]) l++;
    while (pNow[rt] == pWas[rt]) rt--;
    if (l < left) left = l;
    if (rt > right) right = rt;
  }
  if (top < 0) return;
  // Memory rows run down from the top; boxes are measured up from the bottom.
  const VIEWAREA_BOX box = {left, h - 1 - bottom, right + 1 - left, bottom + 1 - top};
  U_VIEWAREA_vCovers(layer, &box);
}
