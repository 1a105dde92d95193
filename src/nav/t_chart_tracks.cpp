// Saved tracks on the plan chart. A full track is 128 KiB on the medium and
// a frame may show fifty of them: each is read once and kept here until the
// store writes, removes or replaces track files or its header changes.

#include <string.h>

#include <memory>

#include "linuxsvc.h"
#include "t_chart_overlay.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"

typedef struct tag_CHART_TRACK_COPY {
  std::unique_ptr<TRACK> pTrack;
  TRACK_HEADER sHeader;  // the store's header when it was read
  U32 u32Changes;        // the store's change count when it was read
} CHART_TRACK_COPY;

// Used only under mutex 9.
static CHART_TRACK_COPY s_aCopies[NAV_MAX_TRACKS];

static const TRACK* TRK_pTrack(S32 nIndex, const TRACK_HEADER* pHeader) {
  CHART_TRACK_COPY* pCopy = &s_aCopies[nIndex];
  // Taken before the read: a write during it leaves the copy stale.
  const U32 u32Changes = T_NAV_NVRAM_u32TrackChanges();
  if (pCopy->pTrack != nullptr && pCopy->u32Changes == u32Changes &&
      memcmp(&pCopy->sHeader, pHeader, sizeof *pHeader) == 0) {
    return pCopy->pTrack.get();
  }
  if (pCopy->pTrack == nullptr) pCopy->pTrack = std::make_unique<TRACK>();
  const TRACK* pLoaded = T_NAV_NVRAM_pLoadTrack(nIndex);
  memcpy(pCopy->pTrack.get(), pLoaded, sizeof(TRACK));
  T_NAV_NVRAM_vReleaseTrack();
  pCopy->sHeader = *pHeader;
  pCopy->u32Changes = u32Changes;
  return pCopy->pTrack.get();
}

void T_NAV_vRenderSavedTracks(NAV_VIEW_INFO* pNVI, BOOLEAN bUnused) {
  (void)bUnused;
  L_MUTEX_LockWait(RES_NAV_DATA);
  S32 nTrack = -1;
  TRACK_HEADER* pHeader = nullptr;
  while (T_NAV_bScanVisibleTracks(&pNVI->ptCenterMM, U_NAV_CLIP_PIXELS_X_SCALE / pNVI->nPixelsPerMMM, &nTrack,
                                  &pHeader)) {
    if (nTrack < 0 || nTrack >= (S32)NAV_MAX_TRACKS || pHeader == nullptr) continue;
    T_NAV_vRenderTrack(TRK_pTrack(nTrack, pHeader), pNVI, FALSE, T_NAV_nGetTrackStyle((U32)nTrack),
                       T_NAV_nGetTrackColor((U32)nTrack));
  }
  // Slots emptied since they were read give their memory back.
  for (U32 i = 0; i < NAV_MAX_TRACKS; i++) {
    const TRACK_HEADER* p = T_NAV_pGetTrackHeader(i);
    if (s_aCopies[i].pTrack != nullptr && (p == nullptr || p->u16Count == 0)) s_aCopies[i].pTrack.reset();
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
}
