// The chart task and the plan chart frame. The task only keeps the chart's
// colour sections in step with the palette setting; the frame, run by the
// view task, draws background, grid and ruler, centres the view on the boat
// (ahead of it when moving) or the cursor, keeps the zoom by range or speed,
// and copies its saved background back while nothing moved.

#include <math.h>
#include <string.h>

#include <array>
#include <vector>

#include "color.h"
#include "error.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_span.h"
#include "g_string.h"
#include "gr_context.h"
#include "gr_line.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "msghdr.h"
#include "navmath.h"
#include "t_chart.h"
#include "t_chart_list.h"
#include "t_chart_overlay.h"
#include "t_nav_alarm.h"
#include "t_nav_int.h"
#include "t_nav_twr.h"
#include "u_datum.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// Module state

static constexpr U32 CHART_BACKGROUND = 100;
static constexpr S32 CHART_POPUP_MENU = 13;
static constexpr U8 CHART_ERROR_FRAMES = 8;

typedef enum tag_CHART_GPS_STATE {
  CHART_GPS_START = 0,
  CHART_GPS_NO_RECEIVER = 1,
  CHART_GPS_NO_FIX = 2,
  CHART_GPS_FIX = 3,
} CHART_GPS_STATE;

// A saved background belongs to one layer and pane: a split view's two chart
// panes, or a view change, must never be shown the other's pixels.
typedef struct tag_CHART_SAVED {
  BOOLEAN bValid;
  LAYER_ID eLayer;
  SPLIT_WINDOW_TYPE ePane;
  S32 nWidth;
  S32 nLeft;
  S32 nBottom;
  S32 nHeight;
  NAV_VIEW_INFO NVI;
  std::array<COLOR, G_SCREEN_WIDTH * G_SCREEN_HEIGHT> aPixels;
  // The same background with the overlay on it.
  T_CHART_COMPOSED composed;
} CHART_SAVED;

static constexpr U32 CHART_SAVED_SLOTS = 3;

static struct {
  CHART_GPS_STATE eGPSState;
  U8 u8ErrorCnt;
  U32 eDataBoxOption;
  BOOLEAN bRedrawRequested;
  BOOLEAN bUpdateAutoZoomScale;
  BOOLEAN bHasChartInPopupWindow;
  TIMER_INFO* pAutoZoomTimer;
  U32 u32NextSlot;
  U32 u32Backgrounds;
} s_chart;

static CHART_SAVED* s_apSaved[CHART_SAVED_SLOTS];

// Grid spacing in degrees by zoom 9..23.
static constexpr double dLatLonLineSpacing[T_NAV_ZOOM_MAX - T_NAV_ZOOM_MIN + 1] = {
    1.0 / 7200, 1.0 / 3600, 1.0 / 3600, 1.0 / 1800, 1.0 / 720, 1.0 / 360, 1.0 / 240, 1.0 / 120,
    1.0 / 60,   1.0 / 30,   1.0 / 12,   1.0 / 6,    0.25,      0.5,       1.0};

// The speed bands' zooms: 6 to 20, above 20 to 49, above 49 mph.
static constexpr S32 s_anSpeedZoom[3] = {13, 14, 15};

static S32 CHART_nClampZoom(S32 nZoom) {
  return nZoom < T_NAV_ZOOM_MIN ? T_NAV_ZOOM_MIN : nZoom > T_NAV_ZOOM_MAX ? T_NAV_ZOOM_MAX : nZoom;
}

static BOOLEAN CHART_bFetchS32(const char (&key)[5], S32* p) {
  return H_DATABASE_bFetchS32(FCID(key), p, nullptr, nullptr);
}
static BOOLEAN CHART_bFetchU32(const char (&key)[5], U32* p) {
  return H_DATABASE_bFetchU32(FCID(key), p, nullptr, nullptr);
}
static BOOLEAN CHART_bFetchFloat(const char (&key)[5], float* p, BOOLEAN* pbValid = nullptr) {
  return H_DATABASE_bFetchFloat(FCID(key), p, pbValid, nullptr);
}
static BOOLEAN CHART_bIsTrue(const char (&key)[5]) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(FCID(key), &b, nullptr, nullptr) && b;
}
static void CHART_vPublishFloat(const char (&key)[5], float value) {
  H_DATABASE_bUpdateEverythingFloat(FCID(key), value, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}
static void CHART_vPublishS32(const char (&key)[5], S32 value) {
  H_DATABASE_bUpdateEverythingS32(FCID(key), value, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

// ---------------------------------------------------------------------------
// The task

void T_CHART_vLoadPalettes(U32 u32Palette) {
  const BOOLEAN bBlack = u32Palette == PALETTE3;
  COLOR_vSetColorTableSection(T_CHART_NAV_PALETTE_START, T_CHART_NAV_PALETTE_SIZE,
                              bBlack ? acNavPaletteBlackBackground : acNavPaletteWhiteBackground);
  COLOR_vSetColorTableSection(T_CHART_CHART_PALETTE_START, T_CHART_CHART_PALETTE_SIZE,
                              bBlack ? acCartographyPaletteBlackBackground : acCartographyPaletteWhiteBackground);
}

static void CHART_vReadPalette(void) {
  U32 u32Palette = 0;
  CHART_bFetchU32("SPAL", &u32Palette);
  T_CHART_vLoadPalettes(u32Palette);
}

void T_CHART_vStartUp(void) {
  if (H_DATABASE_bUpdateEverythingU32(FCID("TCRT"), M_CHART, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Chart Task Mailbox");
  }
  H_DATABASE_bRegisterForDataWithConditions(FCID("SPAL"), M_CHART, TRUE, FALSE, FALSE);
  CHART_vReadPalette();
  if (s_chart.pAutoZoomTimer == nullptr) s_chart.pAutoZoomTimer = L_TIMER_Allocate();
  if (s_chart.pAutoZoomTimer != nullptr && CHART_bIsTrue("SAZM")) {
    L_TIMER_Start(s_chart.pAutoZoomTimer, 1000, 1000, SEMA_CHART_AUTOZOOM_CHECK);
  }
  CHART_bFetchU32("SDBO", &s_chart.eDataBoxOption);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SDBO"), M_CHART, TRUE, FALSE, FALSE);
}

void T_CHART_vHandleMail(void) {
  while (void* p = L_MBOX_Receive(M_CHART)) {
    const GENERIC_MESSAGE* pMessage = (const GENERIC_MESSAGE*)p;
    if (pMessage->Cmd == CMD_ID_NEW_DATA && ((const MESSAGE_NEW_DATA*)p)->FourCharId == FCID("SPAL")) {
      T_CHART_vLoadPalettes(((const MESSAGE_NEW_DATA*)p)->dbValue.u32Val);
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
    }
    H_MEMORY_vDumpMail(p);
  }
}

void T_CHART_vMain(void) {
  T_CHART_vStartUp();
  const SEMA events[] = {SEMA_MBOX_CHART, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(events) == SEMA_MBOX_CHART) T_CHART_vHandleMail();
  }
}

void T_CHART_vEnableChartInPopupWindow(BOOLEAN bEnable) {
  s_chart.bHasChartInPopupWindow = bEnable;
  if (!bEnable) s_chart.bRedrawRequested = TRUE;
}

void* T_CHART_vpAlloc(void) { return nullptr; }
void T_CHART_vReRenderAll(void) { s_chart.bRedrawRequested = TRUE; }
S32 T_CHART_nGPSState(void) { return s_chart.eGPSState; }
U32 T_CHART_u32BackgroundsDrawn(void) { return s_chart.u32Backgrounds; }

void T_CHART_vReset(void) {
  s_chart.eGPSState = CHART_GPS_START;
  s_chart.u8ErrorCnt = 0;
  s_chart.bRedrawRequested = FALSE;
  s_chart.bHasChartInPopupWindow = FALSE;
  for (CHART_SAVED* p : s_apSaved) {
    if (p != nullptr) p->bValid = p->composed.bValid = FALSE;
  }
}

// ---------------------------------------------------------------------------
// Zoom rules

S32 T_CHART_sGetAutoRangeScale(const POINT* pptBoatMM, const POINT* pptWaypoint, U32 xSize, U32 ySize) {
  // The short way round: a leg across the 180th meridian is as long as one
  // anywhere else.
  S64 dx = (S64)pptWaypoint->x - pptBoatMM->x;
  if (dx > NV_X_LIMIT) dx -= NV_X_CIRCUMFERENCE;
  if (dx < -NV_X_LIMIT) dx += NV_X_CIRCUMFERENCE;
  S64 dy = (S64)pptWaypoint->y - pptBoatMM->y;
  const U64 adx = dx < 0 ? (U64)-dx : (U64)dx, ady = dy < 0 ? (U64)-dy : (U64)dy;
  auto zoomFor = [](U32 size, U64 d) -> S32 {
    if (d == 0) d = 1;
    const U32 q = (U32)((((U64)size << 20) / d) >> 1);
    if (q == 0) return 32;
    return 31 - (31 - __builtin_clz(q));
  };
  S32 z = zoomFor(xSize, adx);
  const S32 zy = zoomFor(ySize, ady);
  if (zy > z) z = zy;
  if (z < 0 || z > 22) z = 23;
  if (z < 9) z = 9;
  if (z < 11) return 11;
  if (z <= 19) return z + 1;
  return z;
}

S32 T_CHART_s32SpeedZoom(float fSpeedMS) {
  const double mph = (double)fSpeedMS * 3.6 / 1.609344;
  if (!(mph >= 6.0)) return 0;
  if (mph <= 20.0) return s_anSpeedZoom[0];
  if (mph <= 49.0) return s_anSpeedZoom[1];
  return s_anSpeedZoom[2];
}

static void CHART_vSpeedZoom(void) {
  float fSpeed = 0.0f;
  if (!CHART_bFetchFloat("ISOG", &fSpeed)) fSpeed = 0.0f;
  const S32 nZoom = T_CHART_s32SpeedZoom(fSpeed);
  if (nZoom != 0 && s_chart.bUpdateAutoZoomScale) {
    CHART_vPublishS32("SNCS", nZoom);
    s_chart.bUpdateAutoZoomScale = FALSE;
  }
}

// ---------------------------------------------------------------------------
// GPS state

BOOLEAN T_CHART_bGPSNoFix(void) {
  U32 u32Fix = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("IPFI"), &u32Fix, &bValid, nullptr) || !bValid) return FALSE;
  if (u32Fix == 0) return TRUE;
  S32 n = 0;
  float f = 0.0f;
  BOOLEAN bLat = FALSE, bLon = FALSE, bHdg = FALSE;
  H_DATABASE_bFetchS32(FCID("ILAT"), &n, &bLat, nullptr);
  H_DATABASE_bFetchS32(FCID("ILON"), &n, &bLon, nullptr);
  H_DATABASE_bFetchFloat(FCID("IHDG"), &f, &bHdg, nullptr);
  return !(bLat && bLon && bHdg);
}

static void CHART_vRaise(CHART_GPS_STATE eState, const char* const* pText) {
  T_NAV_vSetNavUIError(pText);
  s_chart.eGPSState = eState;
}

static BOOLEAN CHART_bCheckErrorConditions(POINT* pptBoat, float* pfHeading) {
  U32 u32Fix = 0;
  BOOLEAN bFixValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("IPFI"), &u32Fix, &bFixValid, nullptr)) {
    if (s_chart.eGPSState != CHART_GPS_NO_RECEIVER) {
      if (s_chart.u8ErrorCnt < CHART_ERROR_FRAMES) {
        s_chart.u8ErrorCnt++;
      } else {
        CHART_vRaise(CHART_GPS_NO_RECEIVER, No_GPS_Receiver_Connected);
      }
    }
    return FALSE;
  }
  BOOLEAN bPosition = FALSE, bHdg = FALSE;
  DB_DATA_TYPE lat, lon;
  if (H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &lat, &lon, &bPosition)) {
    *pptBoat = {lon.s32Val, lat.s32Val};
    H_DATABASE_bFetchFloat(FCID("IHDG"), pfHeading, &bHdg, nullptr);
  }
  if (bFixValid && u32Fix != 0 && bPosition && bHdg) {
    if (s_chart.eGPSState != CHART_GPS_FIX) {
      T_NAV_vClearNavUIError();
      s_chart.eGPSState = CHART_GPS_FIX;
    }
    s_chart.u8ErrorCnt = 0;
    return TRUE;
  }
  if (s_chart.eGPSState == CHART_GPS_FIX) {
    s_chart.u8ErrorCnt = 0;
    return TRUE;
  }
  const CHART_GPS_STATE eNext = bFixValid ? CHART_GPS_NO_FIX : CHART_GPS_NO_RECEIVER;
  if (s_chart.eGPSState == eNext) return TRUE;
  if (s_chart.u8ErrorCnt < CHART_ERROR_FRAMES - 1) {
    s_chart.u8ErrorCnt++;
  } else {
    CHART_vRaise(eNext, bFixValid ? No_GPS_Position_Fix : No_GPS_Receiver_Connected);
  }
  return TRUE;
}

BOOLEAN T_CHART_bCheckErrorConditions(POINT* pptBoat, float* pfHeading) {
  return CHART_bCheckErrorConditions(pptBoat, pfHeading);
}

// ---------------------------------------------------------------------------
// Drawing helpers

static void CHART_vFillWindow(BITMAP* pBitmap, const WINDOW_LOCATION* w) {
  const POINT anchor = {w->s32ClipLeft, w->s32ClipBottom};
  G_BOX_vDrawFilled(pBitmap, gCOLOR_pcolColorTable[CHART_BACKGROUND], &anchor,
                    (U32)(w->s32ClipRight - w->s32ClipLeft + 1), (U32)(w->s32ClipTop - w->s32ClipBottom + 1));
}

static void CHART_vLine(NAV_VIEW_INFO* pNVI, POINT a, POINT b) {
  U_NAV_vConvertMMToPixel(&a, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM);
  U_NAV_vConvertMMToPixel(&b, &pNVI->RotContext, &pNVI->CenterOffset, pNVI->nPixelsPerMMM);
  gr_SetAbsPenPos(&pNVI->GrContext, a.x, a.y);
  gr_DrawAbsLine(&pNVI->GrContext, b.x, b.y);
}

static S32 CHART_nFoldDx(S64 dx) {
  if (dx > NV_X_LIMIT) dx -= NV_X_CIRCUMFERENCE;
  if (dx < -NV_X_LIMIT) dx += NV_X_CIRCUMFERENCE;
  return (S32)dx;
}

// One latitude line and one longitude line through the position (degrees
// in Datum); TRUE when either lies within the limit of the centre.
static BOOLEAN CHART_bRenderLatLonPair(NAV_VIEW_INFO* pNVI, POSITION pos, S32 nLimitsMM, DATUM_PLANE Datum) {
  POSITION wgs = pos;
  if (Datum != DATUM_WGS_84) Datum_2_WGS84(Datum, pos.lat, pos.lon, &wgs.lat, &wgs.lon);
  POINT pt;
  if (nv_DegrToMeter(&wgs, &pt) != NV_OK) return FALSE;
  auto colourOf = [](double v) -> S32 {
    const double a = fabs(v);
    const double frac = a - floor(a);
    if (frac < 1.0 / 7200 || frac > 1.0 - 1.0 / 7200) return 16;
    const double minutes = fmod(a, 1.0 / 60);
    if (minutes < 1.0 / 7200 || minutes > 1.0 / 60 - 1.0 / 7200) return 17;
    return 18;
  };
  BOOLEAN bDrawn = FALSE;
  const S64 dy = (S64)pt.y - pNVI->ptCenterMM.y;
  if (dy > -nLimitsMM && dy < nLimitsMM) {
    gr_SetColor(&pNVI->GrContext, colourOf(pos.lat));
    CHART_vLine(pNVI, {-nLimitsMM, (S32)dy}, {nLimitsMM, (S32)dy});
    bDrawn = TRUE;
  }
  const S32 dx = CHART_nFoldDx((S64)pt.x - pNVI->ptCenterMM.x);
  if (dx > -nLimitsMM && dx < nLimitsMM) {
    gr_SetColor(&pNVI->GrContext, colourOf(pos.lon));
    CHART_vLine(pNVI, {dx, -nLimitsMM}, {dx, nLimitsMM});
    bDrawn = TRUE;
  }
  return bDrawn;
}

static void CHART_vRenderLatLonLines(NAV_VIEW_INFO* pNVI) {
  const S32 side = pNVI->pBitmap->pixels_wide_full_screen > pNVI->pBitmap->pixels_high_full_screen
                       ? pNVI->pBitmap->pixels_wide_full_screen
                       : pNVI->pBitmap->pixels_high_full_screen;
  const S64 limit64 = ((S64)side << 20) / pNVI->nPixelsPerMMM;
  const S32 limit = limit64 > NV_X_CIRCUMFERENCE ? NV_X_CIRCUMFERENCE : (S32)limit64;
  POSITION centre;
  if (nv_MeterToDegr(&pNVI->ptCenterMM, &centre) != NV_OK) return;
  const double step = dLatLonLineSpacing[pNVI->nChartScale - T_NAV_ZOOM_MIN];
  S32 nDatum = DATUM_WGS_84;
  DATUM_PLANE Datum = DATUM_WGS_84;
  if (NAV_bFetchIndex(FCID("SDTM"), &nDatum) && nDatum > 0 && nDatum <= DATUM_Custom_Datum) {
    Datum = (DATUM_PLANE)nDatum;
    WGS84_2_Datum(centre.lat, centre.lon, &centre.lat, &centre.lon, Datum);
  }
  gr_SetDrawingTool(&pNVI->GrContext, STD_PEN);
  gr_SetPixelSize(&pNVI->GrContext, 1);
  gr_SetPatternStatus(&pNVI->GrContext, FALSE);
  // A pair stops the walk when neither of its lines shows; the screen holds
  // at most a few hundred lines, the guard only bounds a spoiled centre.
  constexpr int kMaxPairs = 4096;
  POSITION p = {centre.lat - fmod(centre.lat, step), centre.lon - fmod(centre.lon, step)};
  if (p.lon < -180.0) p.lon += 360.0;
  const POSITION start = p;
  for (int i = 0; i < kMaxPairs; i++) {
    if (p.lon > 180.0) p.lon -= 360.0;
    if (!CHART_bRenderLatLonPair(pNVI, p, limit, Datum)) break;
    p.lat += step;
    p.lon += step;
  }
  p = {start.lat - step, start.lon - step};
  for (int i = 0; i < kMaxPairs; i++) {
    if (p.lon < -180.0) p.lon += 360.0;
    if (!CHART_bRenderLatLonPair(pNVI, p, limit, Datum)) break;
    p.lat -= step;
    p.lon -= step;
  }
}

// The ruler: a translucent vertical strip one ground length long, outlined,
// with its label in a dark box beside it.
static void CHART_vRenderChartScale(NAV_VIEW_INFO* pNVI, S32 x, S32 y, BOOLEAN bOnRight) {
  const SCALE_BAR_LENGTHS* pRow = T_NAV_pGetScaleBarLengths(pNVI->nChartScale);
  const U64 scaled = (((U64)pRow->nMeters * (U64)pNVI->nPixelsPerMMM + 512) >> 10) *
                         (U64)U_NAV_u16ScalingMMPerKm(pNVI->ptCenterMM.y) + 0x80000;
  const U64 len64 = scaled >> 20;
  const S32 len = len64 > 480 ? 480 : (S32)len64;
  if (s_chart.eDataBoxOption == 2 && x < 160) x += 160;
  BITMAP* pBitmap = pNVI->pBitmap;
  const POINT strip = {x, y - len / 2};
  G_BOX_vDrawFilledAlpha(pBitmap, gCOLOR_pcolColorTable[128], &strip, 4, (U32)len, 128);
  const POINT capLow = {x, y - len / 2 - 4}, capHigh = {x, y + len - len / 2};
  G_BOX_vDrawFilled(pBitmap, gCOLOR_pcolColorTable[128], &capLow, 4, 4);
  G_BOX_vDrawFilled(pBitmap, gCOLOR_pcolColorTable[128], &capHigh, 4, 4);
  const POINT outer = {x - 1, y - len / 2 - 5};
  G_BOX_vDraw(pBitmap, gCOLOR_pcolColorTable[104], &outer, 6, (U32)len + 10);
  const POINT inner = {x, y - len / 2};
  G_BOX_vDraw(pBitmap, gCOLOR_pcolColorTable[105], &inner, 4, (U32)len);
  char sLabel[40];
  T_NAV_vNumberAndUnit(sLabel, sizeof sLabel, pRow->sNumber, " ", pRow->sUnits);
  const FONT_DEF* pFont = T_NAV_pFont14();
  const S32 w = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)sLabel);
  const S32 boxX = bOnRight ? x - w - 12 : x + 8;
  const POINT box = {boxX, y - 9};
  G_BOX_vDrawFilled(pBitmap, gCOLOR_pcolColorTable[238], &box, (U32)w + 8, 19);
  T_NAV_vPutText(pBitmap, gCOLOR_pcolColorTable[35], {boxX + 4, y - 5}, pFont, sLabel);
}

// ---------------------------------------------------------------------------
// The frame

static void CHART_vLookAhead(NAV_VIEW_INFO* pNVI) {
  S32 nOffsetSetting = 0;
  float fThreshold = 0.0f, fSpeed = 0.0f;
  BOOLEAN bThreshold = FALSE, bSpeed = FALSE, bSetting = FALSE;
  const BOOLEAN bOn = !pNVI->bCursorActive && pNVI->nWindowWidth > 0 && pNVI->nWindowHeight > 0 &&
                      NAV_bFetchIndex(FCID("SVOS"), &nOffsetSetting, &bSetting) && bSetting &&
                      nOffsetSetting == 1 && CHART_bFetchFloat("SNOS", &fThreshold, &bThreshold) && bThreshold &&
                      CHART_bFetchFloat("ISOG", &fSpeed, &bSpeed) && bSpeed;
  double share = 0.0;
  if (bOn) {
    // Full look-ahead from the threshold up; it fades over the last mile an
    // hour below it so the boat does not jump back to the centre.
    const double gap = ((double)fThreshold - (double)fSpeed) * 2.2369362920544025;
    share = gap <= 0.0 ? 1.0 : gap < 1.0 ? 1.0 - gap : 0.0;
  }
  if (share <= 0.0) {
    CHART_vPublishFloat("OSXS", 0.0f);
    CHART_vPublishFloat("OSYS", 0.0f);
    CHART_vPublishFloat("OMLC", -380.0f);
    CHART_vPublishFloat("OMPC", pNVI->fBoatHeading);
    return;
  }
  double a = fmod((double)pNVI->nChartRotation - (double)pNVI->fBoatHeading + 90.0, 360.0);
  if (a < 0.0) a += 360.0;
  const double rad = a * M_PI / 180.0;
  const double w3 = pNVI->nWindowWidth / 3, h3 = pNVI->nWindowHeight / 3;
  double ox = cos(rad), oy = sin(rad);
  // Reach the window's third on the side the heading points to.
  const double sx = fabs(ox) > 1e-9 ? w3 / fabs(ox) : 1e18, sy = fabs(oy) > 1e-9 ? h3 / fabs(oy) : 1e18;
  const double s = (sx < sy ? sx : sy) * share;
  ox *= s;
  oy *= s;
  // Back into north-up ground directions, then metres.
  const double back = -(double)pNVI->nChartRotation * M_PI / 180.0;
  const double gx = ox * cos(back) - oy * sin(back), gy = ox * sin(back) + oy * cos(back);
  const double mx = gx * 1048576.0 / pNVI->nPixelsPerMMM, my = gy * 1048576.0 / pNVI->nPixelsPerMMM;
  pNVI->ptCenterMM.x = U_NAV_nFoldX((S32)lrint(fmax(fmin((double)pNVI->ptCenterMM.x + mx, 2e9), -2e9)));
  pNVI->ptCenterMM.y = U_NAV_nClampY((S32)lrint(fmax(fmin((double)pNVI->ptCenterMM.y + my, 2e9), -2e9)));
  CHART_vPublishFloat("OSXS", (float)mx);
  CHART_vPublishFloat("OSYS", (float)my);
  CHART_vPublishFloat("OMLC", pNVI->fBoatHeading);
  CHART_vPublishS32("OMCC", 0);
  CHART_vPublishFloat("OMPC", pNVI->fBoatHeading);
}

static CHART_SAVED* CHART_pSavedFor(LAYER_ID eLayer, SPLIT_WINDOW_TYPE ePane, BOOLEAN* pbFound) {
  for (CHART_SAVED* p : s_apSaved) {
    if (p != nullptr && p->eLayer == eLayer && p->ePane == ePane) {
      *pbFound = TRUE;
      return p;
    }
  }
  *pbFound = FALSE;
  const U32 slot = s_chart.u32NextSlot++ % CHART_SAVED_SLOTS;
  if (s_apSaved[slot] == nullptr) s_apSaved[slot] = new CHART_SAVED();
  s_apSaved[slot]->bValid = s_apSaved[slot]->composed.bValid = FALSE;
  s_apSaved[slot]->eLayer = eLayer;
  s_apSaved[slot]->ePane = ePane;
  return s_apSaved[slot];
}

void T_CHART_vCopyWindow(BITMAP* pBitmap, S32 nLeft, S32 nBottom, S32 nWidth, S32 nHeight, COLOR* pKept,
                         BOOLEAN bSave) {
  if (nWidth <= 0 || nHeight <= 0) return;
  const size_t width = (size_t)nWidth;
  if (nLeft == 0 && width == (size_t)pBitmap->__u32PixelWidthOfBuffer && width <= G_SCREEN_WIDTH) {
    COLOR* pTop = G_SPAN_pcolAt(pBitmap, 0, nBottom + nHeight - 1);
    const size_t bytes = width * (size_t)nHeight * sizeof(COLOR);
    memcpy(bSave ? (void*)pKept : (void*)pTop, bSave ? (const void*)pTop : (const void*)pKept, bytes);
    return;
  }
  for (S32 r = 0; r < nHeight; r++) {
    COLOR* pRow = G_SPAN_pcolAt(pBitmap, nLeft, nBottom + r);
    COLOR* pOut = pKept + (size_t)r * G_SCREEN_WIDTH;
    memcpy(bSave ? pOut : pRow, bSave ? pRow : pOut, width * sizeof(COLOR));
  }
}

void T_CHART_vCopyRect(BITMAP* pBitmap, S32 nLeft, S32 nBottom, S32 nWidth, S32 nHeight, S32 x0, S32 y0, S32 x1,
                       S32 y1, COLOR* pKept, BOOLEAN bSave) {
  if (x0 < nLeft) x0 = nLeft;
  if (y0 < nBottom) y0 = nBottom;
  if (x1 > nLeft + nWidth - 1) x1 = nLeft + nWidth - 1;
  if (y1 > nBottom + nHeight - 1) y1 = nBottom + nHeight - 1;
  if (x0 > x1 || y0 > y1) return;
  const size_t bytes = ((size_t)x1 - x0 + 1) * sizeof(COLOR);
  // The layouts of T_CHART_vCopyWindow: a window as wide as the rows in the
  // bitmap's own row order, any other bottom row first.
  const BOOLEAN bBlock = nLeft == 0 && (size_t)nWidth == (size_t)pBitmap->__u32PixelWidthOfBuffer &&
                         (size_t)nWidth <= G_SCREEN_WIDTH;
  for (S32 y = y0; y <= y1; y++) {
    COLOR* pRow = G_SPAN_pcolAt(pBitmap, x0, y);
    COLOR* pOut = bBlock ? pKept + (size_t)(nBottom + nHeight - 1 - y) * (size_t)nWidth + (size_t)x0
                         : pKept + (size_t)(y - nBottom) * G_SCREEN_WIDTH + (size_t)(x0 - nLeft);
    memcpy(bSave ? pOut : pRow, bSave ? pRow : pOut, bytes);
  }
}

static void CHART_vCopyRows(BITMAP* pBitmap, CHART_SAVED* pSaved, COLOR* pKept, BOOLEAN bSave) {
  T_CHART_vCopyWindow(pBitmap, pSaved->nLeft, pSaved->nBottom, pSaved->nWidth, pSaved->nHeight, pKept, bSave);
}

static BOOLEAN CHART_bWindowOf(const BITMAP* pBitmap, const WINDOW_SPECIFICATION* ps, WINDOW_LOCATION* w) {
  *w = ps->drawWindow;
  if (w->s32ClipLeft < 0) w->s32ClipLeft = 0;
  if (w->s32ClipBottom < 0) w->s32ClipBottom = 0;
  const S32 maxX = pBitmap->pixels_wide_full_screen - 1, maxY = pBitmap->pixels_high_full_screen - 1;
  if (w->s32ClipRight > maxX) w->s32ClipRight = maxX;
  if (w->s32ClipTop > maxY) w->s32ClipTop = maxY;
  if (w->s32ClipRight - w->s32ClipLeft + 1 > (S32)G_SCREEN_WIDTH) w->s32ClipRight = w->s32ClipLeft + G_SCREEN_WIDTH - 1;
  if (w->s32ClipTop - w->s32ClipBottom + 1 > (S32)G_SCREEN_HEIGHT) w->s32ClipTop = w->s32ClipBottom + G_SCREEN_HEIGHT - 1;
  return w->s32ClipRight >= w->s32ClipLeft && w->s32ClipTop >= w->s32ClipBottom;
}

// The bitmap header narrowed to the window, and a context that draws in it;
// u8Transparent is the colour index the context leaves undrawn.
void T_CHART_vPrepareWindow(NAV_VIEW_INFO* pNVI, BITMAP* pCopy, const BITMAP* pBitmap, const WINDOW_LOCATION* w,
                            U8 u8Transparent) {
  *pCopy = *pBitmap;
  pCopy->s32ClipLeft = w->s32ClipLeft;
  pCopy->s32ClipRight = w->s32ClipRight;
  pCopy->s32ClipBottom = w->s32ClipBottom;
  pCopy->s32ClipTop = w->s32ClipTop;
  pNVI->pBitmap = pCopy;
  pNVI->nWindowWidth = w->s32ClipRight - w->s32ClipLeft + 1;
  pNVI->nWindowHeight = w->s32ClipTop - w->s32ClipBottom + 1;
  gr_SetColorPalette(&gCOLOR_pcolColorTable[T_CHART_CHART_PALETTE_START]);
  GR_CONTEXT* gc = &pNVI->GrContext;
  gr_InitGC(gc, (SINT)pBitmap->__u32PixelWidthOfBuffer, pBitmap->pixels_high_full_screen, pBitmap->pBuffer);
  gr_SetPatternStatus(gc, FALSE);
  gr_SetPatternZoom(gc, 1, 1);
  gr_SetPrintingDirection(gc, 0);
  gr_SetTranspAttr(gc, 0, u8Transparent);
  gr_SetClipArea(gc, w->s32ClipLeft, w->s32ClipBottom, pNVI->nWindowWidth, pNVI->nWindowHeight);
}

static void CHART_vPrepare(NAV_VIEW_INFO* pNVI, BITMAP* pCopy, const BITMAP* pBitmap, const WINDOW_LOCATION* w) {
  T_CHART_vPrepareWindow(pNVI, pCopy, pBitmap, w, 0);
  pNVI->CenterOffset = {w->s32ClipLeft + pNVI->nWindowWidth / 2, w->s32ClipBottom + pNVI->nWindowHeight / 2};
}

static void CHART_vSetRotation(NAV_VIEW_INFO* pNVI) {
  gr_ResetRotationContext(&pNVI->RotContext);
  if (pNVI->nChartRotation != 0) gr_SetRotationAngle(&pNVI->RotContext, pNVI->nChartRotation);
}

static void CHART_vAutoRange(NAV_VIEW_INFO* pNVI) {
  S32 nLeg = 0, nDest = 0;
  if (!NAV_bFetchIndex(FCID("INIP"), &nLeg) || nLeg == 0) return;
  if (!NAV_bFetchIndex(FCID("IDWP"), &nDest) || nDest == 65535 || nDest < 0) return;
  if (!CHART_bIsTrue("SARS") || CHART_bIsTrue("ICAC") || CHART_bIsTrue("IARO")) return;
  POINT ptDest;
  L_MUTEX_LockWait(RES_NAV_DATA);
  const WAYPOINT* pDest = T_NAV_pGetWaypoint((U32)nDest);
  const BOOLEAN bKnown = pDest != nullptr && pDest->u8Status >= WPT_STATUS_SAVED && pDest->u8Status <= WPT_STATUS_SAVED_2;
  if (bKnown) ptDest = pDest->pt;
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (!bKnown) return;
  U32 width = (U32)pNVI->nWindowWidth;
  if (s_chart.eDataBoxOption == 2 && width > 160) width -= 160;
  const S32 nZoom = T_CHART_sGetAutoRangeScale(&pNVI->ptBoatMM, &ptDest, width, (U32)pNVI->nWindowHeight);
  if (nZoom != pNVI->nChartScale) {
    CHART_vPublishS32("SNCS", nZoom);
    S32 nNow = nZoom;
    if (CHART_bFetchS32("SNCS", &nNow)) pNVI->nChartScale = CHART_nClampZoom(nNow);
  }
}

static BOOLEAN CHART_bNearSaved(const NAV_VIEW_INFO* pNVI, const NAV_VIEW_INFO* pSaved) {
  const S64 dx = (S64)CHART_nFoldDx((S64)pNVI->ptCenterMM.x - pSaved->ptCenterMM.x);
  const S64 dy = (S64)pNVI->ptCenterMM.y - pSaved->ptCenterMM.y;
  const S64 ppm = (S64)1 << (32 - pNVI->nChartScale);
  // Less than half a pixel on both axes.
  return (dx < 0 ? -dx : dx) * 2 * ppm < ((S64)1 << 20) && (dy < 0 ? -dy : dy) * 2 * ppm < ((S64)1 << 20);
}

// The centre moved to the pixel grid of the saved background's: the whole
// pixels nearest to where it was to go. Every point then lands whole pixels
// from where it lay, and the tracks traced for the old centre serve again.
// A centre less than half a pixel away is the saved one, as before.
static void CHART_vKeepGrid(NAV_VIEW_INFO* pNVI, const NAV_VIEW_INFO* pSaved) {
  const S64 f = pNVI->nPixelsPerMMM;
  if (f <= 0 || f >= ((S64)1 << 20)) return;  // every whole metre moves pixels whole
  const S64 q = ((S64)1 << 20) / f;
  // Half a pixel rounds towards the saved centre, so that a centre this gave
  // gives itself again: a boat standing on half a pixel redraws the same
  // frame, not one a pixel away from the last.
  auto nearest = [q](S64 d) { return (d >= 0 ? (2 * d + q - 1) / (2 * q) : -((-2 * d + q - 1) / (2 * q))) * q; };
  const S64 x = (S64)pSaved->ptCenterMM.x + nearest(CHART_nFoldDx((S64)pNVI->ptCenterMM.x - pSaved->ptCenterMM.x));
  const S64 y = (S64)pSaved->ptCenterMM.y + nearest((S64)pNVI->ptCenterMM.y - pSaved->ptCenterMM.y);
  // Both lie within a pixel of a folded, clamped centre: no 32-bit overflow.
  if (U_NAV_nClampY((S32)y) != y) return;
  pNVI->ptCenterMM = {U_NAV_nFoldX((S32)x), (S32)y};
}

// The whole pixels by which everything moved on the screen when the centre
// moved from the saved one on its pixel grid; FALSE off the grid.
static BOOLEAN CHART_bShift(const NAV_VIEW_INFO* pNVI, const NAV_VIEW_INFO* pSaved, POINT* pShift) {
  const S64 f = pNVI->nPixelsPerMMM;
  if (f <= 0) return FALSE;
  const S64 dx = CHART_nFoldDx((S64)pSaved->ptCenterMM.x - pNVI->ptCenterMM.x);
  const S64 dy = (S64)pSaved->ptCenterMM.y - pNVI->ptCenterMM.y;
  if (f >= ((S64)1 << 20)) {
    *pShift = {(S32)(dx * (f >> 20)), (S32)(dy * (f >> 20))};
    return TRUE;
  }
  const S64 q = ((S64)1 << 20) / f;
  if (dx % q != 0 || dy % q != 0) return FALSE;
  *pShift = {(S32)(dx / q), (S32)(dy / q)};
  return TRUE;
}

void T_CHART_vDrawChartView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  if (pBitmap == nullptr || psWindowSpec == nullptr) return;
  WINDOW_LOCATION w;
  if (!CHART_bWindowOf(pBitmap, psWindowSpec, &w)) return;
  // 1. Zoom by speed.
  if (CHART_bIsTrue("SAZM") && (CHART_bIsTrue("IAZR") || CHART_bIsTrue("IARO"))) CHART_vSpeedZoom();
  // 2. The waypoint manager's chart has the screen.
  if (s_chart.bHasChartInPopupWindow) {
    S32 nMenu = 0;
    if (!NAV_bFetchIndex(FCID("CMNU"), &nMenu) || nMenu == CHART_POPUP_MENU) {
      CHART_vFillWindow(pBitmap, &w);
      return;
    }
    s_chart.bHasChartInPopupWindow = FALSE;
  }
  // 3. Nothing to show without the orientation, the zoom or a position.
  NAV_VIEW_INFO NVI;
  memset(&NVI, 0, sizeof NVI);
  S32 nScale = 0;
  BOOLEAN bCourseUp = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("SCUV"), &bCourseUp, nullptr, nullptr) || !CHART_bFetchS32("SNCS", &nScale) ||
      !CHART_bCheckErrorConditions(&NVI.ptBoatMM, &NVI.fBoatHeading)) {
    CHART_vFillWindow(pBitmap, &w);
    return;
  }
  NVI.nChartScale = CHART_nClampZoom(nScale);
  NVI.ptBoatMM.x = U_NAV_nFoldX(NVI.ptBoatMM.x);
  NVI.ptBoatMM.y = U_NAV_nClampY(NVI.ptBoatMM.y);
  if (!isfinite(NVI.fBoatHeading)) NVI.fBoatHeading = 0.0f;
  // 4.
  BITMAP copy;
  CHART_vPrepare(&NVI, &copy, pBitmap, &w);
  BOOLEAN bFound = FALSE;
  CHART_SAVED* pSaved = CHART_pSavedFor(psWindowSpec->currentLayer, psWindowSpec->drawWindowType, &bFound);
  if (pSaved->nWidth != NVI.nWindowWidth || pSaved->nLeft != w.s32ClipLeft || pSaved->nBottom != w.s32ClipBottom ||
      pSaved->nHeight != NVI.nWindowHeight) {
    pSaved->bValid = FALSE;
  }
  // 5. The cursor.
  S32 nCursorLat = 0, nCursorLon = 0;
  float fCursorHeading = 0.0f;
  NVI.ptCenterMM = NVI.ptBoatMM;
  NVI.fHeading = NVI.fBoatHeading;
  if (CHART_bIsTrue("ICAC") && CHART_bFetchS32("ICLT", &nCursorLat) && CHART_bFetchS32("ICLN", &nCursorLon) &&
      CHART_bFetchFloat("ICHH", &fCursorHeading)) {
    NVI.bCursorActive = TRUE;
    NVI.ptCenterMM = {U_NAV_nFoldX(nCursorLon), U_NAV_nClampY(nCursorLat)};
    NVI.fHeading = isfinite(fCursorHeading) ? fCursorHeading : 0.0f;
  }
  // 6. Rotation: north up, or the cursor's.
  NVI.nChartRotation = 0;
  if (NVI.bCursorActive) {
    float fRotation = 0.0f;
    if (CHART_bFetchFloat("ICHD", &fRotation) && isfinite(fRotation) && fabsf(fRotation) < 1e6f) {
      NVI.nChartRotation = (S32)lrintf(fRotation) % 360;
      if (NVI.nChartRotation < 0) NVI.nChartRotation += 360;
    }
  }
  CHART_vPublishFloat("ICHH", (float)NVI.nChartRotation);
  CHART_vSetRotation(&NVI);
  // 8. 9.
  CHART_vAutoRange(&NVI);
  NVI.nPixelsPerMMM = (S32)(1u << (32 - NVI.nChartScale));
  CHART_vLookAhead(&NVI);
  // 10. The last background, when nothing moved.
  const BOOLEAN bReuse = bFound && !s_chart.bRedrawRequested && pSaved->bValid &&
                         pSaved->NVI.nChartRotation == NVI.nChartRotation &&
                         pSaved->NVI.nChartScale == NVI.nChartScale && CHART_bNearSaved(&NVI, &pSaved->NVI);
  // A chart that only moved is made from its kept picture, moved.
  static std::vector<T_CHART_BOX> s_changes;  // the view task's only
  T_CHART_MOVED moved = {{0, 0}, &s_changes};
  BOOLEAN bMoved = FALSE;
  if (!bReuse && bFound && pSaved->bValid && pSaved->NVI.nChartScale == NVI.nChartScale &&
      NVI.nChartRotation == 0 && pSaved->NVI.nChartRotation == 0) {
    CHART_vKeepGrid(&NVI, &pSaved->NVI);
    bMoved = !s_chart.bRedrawRequested && pSaved->composed.bValid && CHART_bShift(&NVI, &pSaved->NVI, &moved.shift);
  }
  if (bReuse) {
    NVI.ptCenterMM = pSaved->NVI.ptCenterMM;
    NVI.RotContext = pSaved->NVI.RotContext;
    NVI.nPixelsPerMMM = pSaved->NVI.nPixelsPerMMM;
  } else {
    s_chart.bRedrawRequested = FALSE;
    s_chart.u32Backgrounds++;
    // 12. - 14.
    CHART_vFillWindow(pBitmap, &w);
    CHART_vRenderLatLonLines(&NVI);
    const LAYER_ID eLayer = psWindowSpec->currentLayer;
    if (eLayer == (LAYER_ID)53 || eLayer == (LAYER_ID)55) {
      CHART_vRenderChartScale(&NVI, w.s32ClipRight - 6, w.s32ClipBottom + NVI.nWindowHeight / 2, TRUE);
    } else {
      CHART_vRenderChartScale(&NVI, w.s32ClipLeft + 2, w.s32ClipBottom + NVI.nWindowHeight / 2, FALSE);
    }
    // 15. 16.
    CHART_vPublishS32("ICPM", NVI.nPixelsPerMMM);
    pSaved->nWidth = NVI.nWindowWidth;
    pSaved->nHeight = NVI.nWindowHeight;
    pSaved->nLeft = w.s32ClipLeft;
    pSaved->nBottom = w.s32ClipBottom;
    if (bMoved) T_CHART_vBackgroundChanges(pBitmap, &w, pSaved->aPixels.data(), moved.shift, &s_changes);
    pSaved->NVI = NVI;
    CHART_vCopyRows(pBitmap, pSaved, pSaved->aPixels.data(), TRUE);
    pSaved->bValid = TRUE;
  }
  // 17. The overlay, made from the kept picture where it can be.
  static T_CHART_LIST s_list;  // the view task's only
  T_CHART_vListInto(&s_list, &NVI, &pSaved->composed.list);
  T_NAV_vDrawChartOverlay(&NVI, TRUE, FALSE);
  T_CHART_vListInto(nullptr, nullptr);
  T_CHART_vCompose(&NVI, &w, 0, pSaved->aPixels.data(), !bReuse, &pSaved->composed, &s_list,
                   bMoved ? &moved : nullptr);
}

void T_CHART_vDrawChartInPopupWindow(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec,
                                     POINT* pChartCenterPosition, U16* pTwrItemsToShow) {
  if (!s_chart.bHasChartInPopupWindow || pBitmap == nullptr || psWindowSpec == nullptr ||
      pChartCenterPosition == nullptr) {
    return;
  }
  WINDOW_LOCATION w;
  if (!CHART_bWindowOf(pBitmap, psWindowSpec, &w)) return;
  CHART_vFillWindow(pBitmap, &w);
  NAV_VIEW_INFO NVI;
  memset(&NVI, 0, sizeof NVI);
  S32 nZoom = 0;
  if (!CHART_bFetchS32("INCN", &nZoom) || !CHART_bCheckErrorConditions(&NVI.ptBoatMM, &NVI.fBoatHeading)) return;
  NVI.nChartScale = CHART_nClampZoom(nZoom);
  BITMAP copy;
  CHART_vPrepare(&NVI, &copy, pBitmap, &w);
  NVI.ptCenterMM = {U_NAV_nFoldX(pChartCenterPosition->x), U_NAV_nClampY(pChartCenterPosition->y)};
  NVI.nPixelsPerMMM = (S32)(1u << (32 - NVI.nChartScale));
  CHART_vSetRotation(&NVI);
  CHART_vRenderLatLonLines(&NVI);
  CHART_vRenderChartScale(&NVI, w.s32ClipRight - 6, w.s32ClipBottom + NVI.nWindowHeight / 2, TRUE);
  T_NAV_vDrawChartTwrSelected(&NVI, pTwrItemsToShow);
}
