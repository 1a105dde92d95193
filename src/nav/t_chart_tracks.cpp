// Saved tracks on the plan chart. A full track is 128 KiB on the medium and
// a frame may show fifty of them: each is read once and kept here until the
// store writes, removes or replaces track files or its header changes. Its
// pixel steps are kept too, and drawn again, moved with the chart, while
// the chart moves by whole pixels and neither zooms nor turns.

#include <string.h>

#include <memory>
#include <vector>

#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_chart_list.h"
#include "t_chart_overlay.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"

// What the pixels of a trace depend on besides the track.
typedef struct tag_CHART_TRACK_VIEW {
  POINT ptAnchorMM;
  S32 nMorePixels;
  POINT CenterOffset;
  S32 nPixelsPerMMM;
  S32 nCos;
  S32 nSin;
  S32 nWide;
  S32 nHigh;
  U32 u32Style;
} CHART_TRACK_VIEW;

typedef struct tag_CHART_TRACK_COPY {
  std::unique_ptr<TRACK> pTrack;
  TRACK_HEADER sHeader;  // the store's header when it was read
  U32 u32Changes;        // the store's change count when it was read
  U32 u32Read;           // which read of any copy this is
  T_NAV_TRACK_INDEX index;  // of the copy
  BOOLEAN bTraced;
  CHART_TRACK_VIEW view;  // of the steps
  T_NAV_KEPT_STEPS kept;
} CHART_TRACK_COPY;

// Used only under mutex 9.
static CHART_TRACK_COPY s_aCopies[NAV_MAX_TRACKS];
static U32 s_u32Reads;
static U32 s_u32Traces;

// Pixels of a square this wide on the pixel grid share one anchor.
static constexpr S64 TRK_ANCHOR_CELL = 256;

// A trace from the anchor (T_NAV_anchor) reaches a square further than one
// from the centre, so that it holds every point such a trace would.
typedef T_NAV_ANCHOR CHART_TRACK_ANCHOR;

T_NAV_ANCHOR T_NAV_anchor(const NAV_VIEW_INFO* pNVI) {
  const CHART_TRACK_ANCHOR same = {pNVI->ptCenterMM, {0, 0}, 0};
  const S64 f = pNVI->nPixelsPerMMM;
  if (pNVI->RotContext.IntSinAngle != 0 || pNVI->RotContext.IntCosAngle != 1024 || f <= 0 || (f & (f - 1)) != 0) {
    return same;
  }
  // The least move of the centre that moves pixels by whole ones, and the
  // square's side: metres, whether a pixel is many of them or a part of one.
  const S64 q = f >= ((S64)1 << 20) ? 1 : ((S64)1 << 20) / f;
  const S64 cell = f >= ((S64)1 << 20) ? TRK_ANCHOR_CELL / (f >> 20) : q * TRK_ANCHOR_CELL;
  if (cell <= 0) return same;
  CHART_TRACK_ANCHOR a = {pNVI->ptCenterMM, {0, 0}, (S32)TRK_ANCHOR_CELL};
  for (int axis = 0; axis < 2; axis++) {
    const S64 c = axis == 0 ? pNVI->ptCenterMM.x : pNVI->ptCenterMM.y;
    const S64 phase = ((c % q) + q) % q;
    const S64 steps = c - phase >= 0 ? (c - phase) / cell : -((phase - c + cell - 1) / cell);
    const S64 anchor = phase + steps * cell;
    // Left of the fold x would come back the long way round.
    if (anchor < (axis == 0 ? -(S64)NV_X_LIMIT : -(S64)0x7FFFFFFF)) return same;
    const S32 shift = (S32)(((anchor - c) * f) >> 20);
    if (axis == 0) {
      a.ptAnchorMM.x = (S32)anchor;
      a.shift.x = shift;
    } else {
      a.ptAnchorMM.y = (S32)anchor;
      a.shift.y = shift;
    }
  }
  return a;
}

// The view with the anchor for its centre.
static NAV_VIEW_INFO TRK_anchored(const NAV_VIEW_INFO* pNVI, const CHART_TRACK_ANCHOR& a) {
  NAV_VIEW_INFO nvi = *pNVI;
  nvi.ptCenterMM = a.ptAnchorMM;
  return nvi;
}

static CHART_TRACK_VIEW TRK_view(const NAV_VIEW_INFO* pNVI, const CHART_TRACK_ANCHOR& a, U32 u32Style) {
  CHART_TRACK_VIEW v;
  memset(&v, 0, sizeof v);  // compared whole
  v.ptAnchorMM = a.ptAnchorMM;
  v.nMorePixels = a.nMorePixels;
  v.CenterOffset = pNVI->CenterOffset;
  v.nPixelsPerMMM = pNVI->nPixelsPerMMM;
  v.nCos = pNVI->RotContext.IntCosAngle;
  v.nSin = pNVI->RotContext.IntSinAngle;
  v.nWide = pNVI->pBitmap->pixels_wide_full_screen;
  v.nHigh = pNVI->pBitmap->pixels_high_full_screen;
  // Lines of every style but the dotted one trace alike.
  v.u32Style = u32Style == 0 || u32Style == 1 ? u32Style : 2;
  return v;
}

static CHART_TRACK_COPY* TRK_pCopy(S32 nIndex, const TRACK_HEADER* pHeader) {
  CHART_TRACK_COPY* pCopy = &s_aCopies[nIndex];
  // Taken before the read: a write during it leaves the copy stale.
  const U32 u32Changes = T_NAV_NVRAM_u32TrackChanges();
  if (pCopy->pTrack != nullptr && pCopy->u32Changes == u32Changes &&
      memcmp(&pCopy->sHeader, pHeader, sizeof *pHeader) == 0) {
    return pCopy;
  }
  if (pCopy->pTrack == nullptr) pCopy->pTrack = std::make_unique<TRACK>();
  const TRACK* pLoaded = T_NAV_NVRAM_pLoadTrack(nIndex);
  memcpy(pCopy->pTrack.get(), pLoaded, sizeof(TRACK));
  T_NAV_NVRAM_vReleaseTrack();
  pCopy->sHeader = *pHeader;
  pCopy->u32Changes = u32Changes;
  pCopy->u32Read = ++s_u32Reads;
  T_NAV_vIndexTrack(pCopy->pTrack.get(), &pCopy->index);
  pCopy->bTraced = FALSE;
  return pCopy;
}

const TRACK* T_NAV_pSavedTrackCopy(S32 nIndex, const TRACK_HEADER* pHeader, U32* pu32Read) {
  if (nIndex < 0 || nIndex >= (S32)NAV_MAX_TRACKS || pHeader == nullptr) return nullptr;
  const CHART_TRACK_COPY* pCopy = TRK_pCopy(nIndex, pHeader);
  if (pu32Read != nullptr) *pu32Read = pCopy->u32Read;
  return pCopy->pTrack.get();
}

static void TRK_vRender(S32 nIndex, const TRACK_HEADER* pHeader, NAV_VIEW_INFO* pNVI) {
  CHART_TRACK_COPY* pCopy = TRK_pCopy(nIndex, pHeader);
  const U32 u32Style = T_NAV_nGetTrackStyle((U32)nIndex);
  const CHART_TRACK_ANCHOR anchor = T_NAV_anchor(pNVI);
  const CHART_TRACK_VIEW view = TRK_view(pNVI, anchor, u32Style);
  if (!pCopy->bTraced || memcmp(&pCopy->view, &view, sizeof view) != 0) {
    static std::vector<T_NAV_TRACK_STEP> s_steps;  // the view task's only
    const NAV_VIEW_INFO anchored = TRK_anchored(pNVI, anchor);
    T_NAV_vTraceTrack(pCopy->pTrack.get(), &anchored, FALSE, u32Style, &s_steps, &pCopy->index, nullptr,
                      anchor.nMorePixels);
    T_NAV_vKeepSteps(&pCopy->kept, &s_steps, &s_u32Traces);
    pCopy->view = view;
    pCopy->bTraced = TRUE;
  }
  T_NAV_vPlayKeptSteps(&pCopy->kept, pNVI, u32Style, T_NAV_nGetTrackColor((U32)nIndex), anchor.shift);
}

// The current track grows by appending, which changes its header; while
// header, view and boat stay, its steps stay too. They are kept in chunks:
// when the boat moves only the run on to the boat changes, and a kept
// picture is then mended there alone.
typedef struct tag_CHART_CURRENT_TRACK {
  BOOLEAN bTraced;
  TRACK_HEADER sHeader;
  T_NAV_TRACK_INDEX index;  // of the track with that header
  CHART_TRACK_VIEW view;
  std::vector<T_NAV_TRACK_STEP> base;  // without the run on to the boat
  T_NAV_TRACE_END end;
  POINT ptBoatMM;
  T_NAV_KEPT_STEPS kept;               // the base, or all of it but a last move the run on replaces
  size_t keptSteps;
  std::vector<T_NAV_TRACK_STEP> tail;  // the run on to the boat, after kept
} CHART_CURRENT_TRACK;
static CHART_CURRENT_TRACK s_current;

void T_NAV_vRenderCurrentTrack(const TRACK* pTrack, NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color) {
  BOOLEAN bVisible = TRUE;
  if (H_DATABASE_bFetchBoolean(FCID("SCTV"), &bVisible, nullptr, nullptr) && !bVisible) return;
  if (pTrack->sHeader.u16Count == 0) return;
  const CHART_TRACK_ANCHOR anchor = T_NAV_anchor(pNVI);
  const CHART_TRACK_VIEW view = TRK_view(pNVI, anchor, u32Style);
  const BOOLEAN bNewTrack = !s_current.bTraced || memcmp(&s_current.sHeader, &pTrack->sHeader, sizeof pTrack->sHeader) != 0;
  const BOOLEAN bNewBase = bNewTrack || memcmp(&s_current.view, &view, sizeof view) != 0;
  if (bNewBase || s_current.ptBoatMM.x != pNVI->ptBoatMM.x || s_current.ptBoatMM.y != pNVI->ptBoatMM.y) {
    const NAV_VIEW_INFO anchored = TRK_anchored(pNVI, anchor);
    if (bNewTrack) T_NAV_vIndexTrack(pTrack, &s_current.index);
    if (bNewBase) {
      T_NAV_vTraceTrack(pTrack, &anchored, TRUE, u32Style, &s_current.base, &s_current.index, &s_current.end,
                        anchor.nMorePixels);
    }
    // The run on is listed apart: as the boat moves, the chunk it would end
    // does not change with it. It is traced after the base's last step
    // alone, the only one a step added looks back at: that one stays, or a
    // move replaces it.
    const std::vector<T_NAV_TRACK_STEP>& base = s_current.base;
    std::vector<T_NAV_TRACK_STEP>& run = s_current.tail;
    run.assign(base.empty() ? base.end() : base.end() - 1, base.end());
    T_NAV_vTraceRunOn(&anchored, u32Style, &s_current.end, &run, anchor.nMorePixels);
    const BOOLEAN bLastStays = !base.empty() && !run.empty() && T_NAV_bSameSteps(&run[0], &base.back(), 1);
    if (bLastStays) run.erase(run.begin());
    const size_t keptSteps = base.size() - (base.empty() || bLastStays ? 0 : 1);
    if (bNewBase || keptSteps != s_current.keptSteps) {
      static std::vector<T_NAV_TRACK_STEP> s_steps;  // the view task's only
      s_steps.assign(base.begin(), base.begin() + (ptrdiff_t)keptSteps);
      T_NAV_vKeepSteps(&s_current.kept, &s_steps, &s_u32Traces);
      s_current.keptSteps = keptSteps;
    }
    s_current.sHeader = pTrack->sHeader;
    s_current.view = view;
    s_current.ptBoatMM = pNVI->ptBoatMM;
    s_current.bTraced = TRUE;
  }
  T_NAV_vPlayKeptSteps(&s_current.kept, pNVI, u32Style, u32Color, anchor.shift, s_current.tail);
}

void T_NAV_vRenderSavedTracks(NAV_VIEW_INFO* pNVI, BOOLEAN bUnused) {
  (void)bUnused;
  if (pNVI == nullptr || pNVI->pBitmap == nullptr || pNVI->nPixelsPerMMM <= 0) return;
  L_MUTEX_LockWait(RES_NAV_DATA);
  S32 nTrack = -1;
  TRACK_HEADER* pHeader = nullptr;
  while (T_NAV_bScanVisibleTracks(&pNVI->ptCenterMM, U_NAV_CLIP_PIXELS_X_SCALE / pNVI->nPixelsPerMMM, &nTrack,
                                  &pHeader)) {
    if (nTrack < 0 || nTrack >= (S32)NAV_MAX_TRACKS || pHeader == nullptr) continue;
    T_CHART_vElement(T_CHART_PART_SAVED_TRACK, (U32)nTrack);
    TRK_vRender(nTrack, pHeader, pNVI);
  }
  // Slots emptied since they were read give their memory back.
  for (U32 i = 0; i < NAV_MAX_TRACKS; i++) {
    const TRACK_HEADER* p = T_NAV_pGetTrackHeader(i);
    if (s_aCopies[i].pTrack != nullptr && (p == nullptr || p->u16Count == 0)) {
      s_aCopies[i].pTrack.reset();
      s_aCopies[i].kept = T_NAV_KEPT_STEPS();
      s_aCopies[i].bTraced = FALSE;
    }
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
}
