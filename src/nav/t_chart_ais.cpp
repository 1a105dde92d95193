// AIS targets over the plan chart: a ship symbol by type and state turned
// to its course, its course line, the collision marks of a target in alarm
// and an optional label, the name the list and the alarm give the ship.

#include "t_chart_ais.h"

#include <math.h>
#include <string.h>

#include "color.h"
#include "g_iconset.h"
#include "g_image32.h"
#include "gr_line.h"
#include "h_database.h"
#include "navmath.h"
#include "t_chart_list.h"
#include "t_chart_overlay.h"
#include "t_nmea_ais.h"
#include "u_convert.h"
#include "u_wstring.h"

typedef enum tag_AIS_STATE {
  AIS_NORMAL = 0,
  AIS_STALE = 1,
  AIS_ALARM = 2,
} AIS_STATE;

// A target unheard for this many whole minutes turns grey.
static constexpr U32 AIS_STALE_MINUTES = 10;

// Each family in its normal, stale and alarm images.
typedef struct tag_AIS_FAMILY {
  const IMAGE32* apImage[3];
} AIS_FAMILY;

static const AIS_FAMILY s_aFamily[] = {
    {{&dredge_boat_0, &dredge_boat_grey0, &dredge_boat_red0}},
    {{&cargo_boat_0, &cargo_boat_grey0, &cargo_boat_red0}},
    {{&passenger_boat_0, &passenger_boat_grey0, &passenger_boat_red0}},
    {{&tug_boat_0, &tug_boat_grey0, &tug_boat_red0}},
    {{&law_boat_0, &law_boat_grey0, &law_boat_red0}},
    {{&tow_boat_0, &tow_boat_grey0, &tow_boat_red0}},
    {{&sail_boat_0, &sail_boat_grey0, &sail_boat_red0}},
    {{&unknown_boat_0, &unknown_boat_grey0, &unknown_boat_red0}},
};

// Ship-type ranges to families, tested in this order.
typedef struct tag_AIS_TYPE_RANGE {
  U8 u8First;
  U8 u8Last;
  U8 u8Family;
} AIS_TYPE_RANGE;

static const AIS_TYPE_RANGE s_aTypes[] = {
    {20, 29, 0}, {33, 34, 0}, {38, 39, 0}, {54, 59, 0}, {40, 49, 1}, {53, 53, 1}, {70, 89, 1}, {30, 30, 2},
    {37, 37, 2}, {60, 69, 2}, {50, 50, 3}, {52, 52, 3}, {35, 35, 4}, {31, 32, 5}, {36, 36, 6},
};

const IMAGE32* T_NAV_vGetAisIcon(U8 u8ShipType, S32 eState) {
  U8 family = 7;
  for (const AIS_TYPE_RANGE& r : s_aTypes) {
    if (u8ShipType >= r.u8First && u8ShipType <= r.u8Last) {
      family = r.u8Family;
      break;
    }
  }
  return s_aFamily[family].apImage[eState >= AIS_NORMAL && eState <= AIS_ALARM ? eState : AIS_NORMAL];
}

// The last position converted for each pool index, and its result.
typedef struct tag_AIS_PLACE {
  POSITION pos;
  POINT pt;
  BOOLEAN bConverted;
  BOOLEAN bKept;
} AIS_PLACE;
static AIS_PLACE s_aPlaces[AIS_MAX_TARGETS];

BOOLEAN T_NAV_bAisPositionMM(S32 nIndex, const POSITION* pPos, POINT* ppt) {
  if (nIndex < 0 || nIndex >= (S32)AIS_MAX_TARGETS) return nv_DegrToMeter(pPos, ppt) == NV_OK;
  AIS_PLACE* p = &s_aPlaces[nIndex];
  if (!p->bKept || memcmp(&p->pos, pPos, sizeof *pPos) != 0) {
    p->pos = *pPos;
    p->bConverted = nv_DegrToMeter(pPos, &p->pt) == NV_OK;
    p->bKept = TRUE;
  }
  *ppt = p->pt;
  return p->bConverted;
}

// Ground metres to pixels along the screen, computed wide and capped at
// twice the clip limit (a huge speed or time must not wrap to a short or
// negative line).
static S32 AIS_nPixels(const NAV_VIEW_INFO* pNVI, double dMetres) {
  const S64 cap = 2 * (S64)(U_NAV_CLIP_PIXELS_X_SCALE / pNVI->nPixelsPerMMM);
  if (!(dMetres > 0.0)) return 0;
  if (dMetres > 4.0e9) return (S32)cap;
  const S64 metres = (S64)dMetres;
  const S64 len = ((((S64)pNVI->nPixelsPerMMM * metres + 512) >> 10) *
                       (S64)U_NAV_u16ScalingMMPerKm(pNVI->ptCenterMM.y) + 0x80000) >> 20;
  return len < 0 || len > cap ? (S32)cap : (S32)len;
}

// The line from p along whole degrees nAngle, len pixels, clipped to the box
// [lo, hi]; its end.
static POINT AIS_ptLine(NAV_VIEW_INFO* pNVI, POINT p, S32 nAngle, S32 len, S32 lo, S32 hi, S32 colour) {
  POINT end = {(S32)(((S64)len * U_NAV_nIntSin(nAngle) + 0x8000) >> 16) + p.x,
               (S32)(((S64)len * U_NAV_nIntCos(nAngle) + 0x8000) >> 16) + p.y};
  POINT a = p, b = end;
  U_NAV_vClipLineToBox(&a, &b, lo, hi);
  T_CHART_vColour(pNVI, colour);
  T_CHART_vTool(pNVI, STD_PEN);
  T_CHART_vSize(pNVI, 1);
  T_CHART_vMove(pNVI, a);
  T_CHART_vLine(pNVI, b);
  return end;
}

static void AIS_vPutCentred(NAV_VIEW_INFO* pNVI, const ICON* pIcon, POINT at) {
  T_CHART_vIcon(pNVI, pIcon, {at.x - pIcon->nWidth / 2, at.y - pIcon->nHeight / 2});
}

static double AIS_dScreenAngle(const NAV_VIEW_INFO* pNVI, double dAngle) {
  if (!isfinite(dAngle)) return 0.0;
  if (pNVI->nChartRotation != 0) dAngle = fmod(fmod(dAngle + 360.0 - pNVI->nChartRotation, 360.0) + 360.0, 360.0);
  return dAngle;
}

static void AIS_vRenderTarget(NAV_VIEW_INFO* pNVI, S32 nIndex, const ais_DeviceInfo* pInfo, U32 u32Now,
                              S32 nCourseTime, BOOLEAN bLabels, double dOwnKnots) {
  const aisTargetINFO* t = &pInfo->aisInfo;
  AIS_STATE eState = AIS_NORMAL;
  if (pInfo->bAisAlarmActive) {
    eState = AIS_ALARM;
  } else if (H_TICK_u32ElapsedTime(pInfo->ReceiveLastTime, u32Now) / 60 > AIS_STALE_MINUTES) {
    eState = AIS_STALE;
  }
  const IMAGE32* pImage = T_NAV_vGetAisIcon(t->ShipType, eState);
  const POSITION pos = {t->Latitude, t->Longitude};
  POINT pt;
  if (!T_NAV_bAisPositionMM(nIndex, &pos, &pt)) return;
  const S32 L = U_NAV_CLIP_PIXELS_X_SCALE / pNVI->nPixelsPerMMM;
  const POINT rel = T_NAV_ptRelative(pNVI, pt);
  if (!(rel.x > -L && rel.x < L && rel.y > -L && rel.y < L)) return;
  POINT p = rel;
  U_NAV_vConvertMMToPixel(&p, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM);
  const BOOLEAN bCog = t->validityFlag[COG_FLAG_INDEX] && isfinite(t->Cog);
  const double dSog = isfinite(t->Sog) && t->Sog > 0.0 ? t->Sog : 0.0;
  const double dTcpa = isfinite(t->TCPA) && t->TCPA > 0.0 ? t->TCPA : 0.0;
  if (!bCog) {
    const POINT corner = {p.x - 1 - pImage->s32Width / 2, p.y - pImage->s32Height / 2};
    T_CHART_vImage(pNVI, pImage, corner);
  } else {
    const double a = AIS_dScreenAngle(pNVI, t->Cog);
    const S32 k = (S32)(fmod(a + 365.0, 360.0) * 0.1);
    const POINT pivot = {pImage->s32Width / 2, pImage->s32Height / 2};
    T_CHART_vTurnedImage(pNVI, pImage, p, pivot, (double)((36 - k) * 10) * M_PI / 180.0);
    const S32 nAngle = (S32)lrint(a);
    const S32 len = nCourseTime > 0 ? AIS_nPixels(pNVI, dSog * 0.5144444444444445 * nCourseTime) : 0;
    const POINT end = AIS_ptLine(pNVI, p, nAngle, len, -800, 800, 0);
    AIS_vPutCentred(pNVI, &AIS_circle, nCourseTime > 0 ? end : p);
    if (pInfo->bAisAlarmActive) {
      const POINT cpa = AIS_ptLine(pNVI, p, nAngle, AIS_nPixels(pNVI, dTcpa * dSog * 30.866666666666667), 0, 1600, 9);
      AIS_vPutCentred(pNVI, &red_x_icon, cpa);
    }
  }
  if (pInfo->bAisAlarmActive) {
    const POINT own = T_NAV_ptRelative(pNVI, pNVI->ptBoatMM);
    if (own.x > -L && own.x < L && own.y > -L && own.y < L) {
      POINT q = own;
      U_NAV_vConvertMMToPixel(&q, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM);
      const S32 nAngle = (S32)lrint(AIS_dScreenAngle(pNVI, pNVI->fBoatHeading));
      const S32 len = dOwnKnots < 0.25 ? 0 : AIS_nPixels(pNVI, dTcpa * dOwnKnots * 1852.0 / 60.0);
      AIS_vPutCentred(pNVI, &red_x_icon, AIS_ptLine(pNVI, q, nAngle, len, 0, 1600, 9));
    }
  }
  if (bLabels) {
    static char sMMSI[512];
    T_NMEA_bAisLabel(t, sMMSI, sizeof sMMSI / 2);
    U_WSTRING_vReplaceNarrowWithWide(sMMSI, sizeof sMMSI);
    T_CHART_vText(pNVI, gCOLOR_pcolColorTable[101], {p.x + 1 + pImage->s32Width / 2, p.y - 9}, T_NAV_pFont14(),
                  sMMSI);
  }
}

void T_NAV_vRenderAIS(NAV_VIEW_INFO* pNVI) {
  S32 nCourseTime = 0;
  if (!H_DATABASE_bFetchS32(FCID("STCL"), &nCourseTime, nullptr, nullptr) || nCourseTime < 0) nCourseTime = 0;
  BOOLEAN bLabel = FALSE;
  const BOOLEAN bLabels =
      H_DATABASE_bFetchBoolean(FCID("SLBL"), &bLabel, nullptr, nullptr) && bLabel && pNVI->nChartScale <= 17;
  const U32 u32Now = T_NMEA_u32AisNow();
  float fOwnSpeed = 0.0f;
  H_DATABASE_bFetchFloat(FCID("ISOG"), &fOwnSpeed, nullptr, nullptr);
  const double dOwnKnots = dConvertFromInternal((double)fOwnSpeed, D_SPEED, U_KNOTS);
  ais_DeviceInfo* pInfo = nullptr;
  for (S32 i = 0; T_NMEA_bScanAisPoints(i, &pInfo); i++) {
    if (pInfo == nullptr) continue;
    T_CHART_vElement(T_CHART_PART_AIS, pInfo->aisInfo.MMSI);
    AIS_vRenderTarget(pNVI, i, pInfo, u32Now, nCourseTime, bLabels, dOwnKnots);
  }
  T_CHART_vColour(pNVI, 0);
}
