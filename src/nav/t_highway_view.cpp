// The highway frame: the ground seen from behind and above the boat (or the
// cursor), its latitude/longitude grid running to the vanishing point, the
// sky band with its horizon opening, and the compass posts along the far
// edge. Fill and grid are kept per layer and pane and copied back while the
// view has not moved, turned or zoomed; so is the same background with the
// overlay on it, shown again while the overlay's drawing calls stay the same.

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <array>
#include <vector>

#include "color.h"
#include "g_box.h"
#include "g_iconset.h"
#include "g_image32.h"
#include "g_span.h"
#include "g_string.h"
#include "gr_context.h"
#include "gr_line.h"
#include "h_database.h"
#include "navmath.h"
#include "t_chart.h"
#include "t_nav_views.h"
#include "t_chart_overlay.h"
#include "t_highway_int.h"
#include "t_info.h"
#include "t_nav_int.h"
#include "u_datum.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

static constexpr U32 HWY_NO_VIEW = 100;
static constexpr U32 HWY_GROUND = 96;
static constexpr COLOR HWY_SKY = 0x3B51;
static constexpr S32 HWY_SKY_ROW = 385;
static constexpr S32 HWY_OPENING_ROW = 375;
// Half-widths of the horizon opening in the ten rows under the sky band.
static constexpr std::array<S32, 10> s_anOpening = {328, 308, 288, 269, 245, 218, 188, 154, 172, 36};
// Grid spacing in degrees by zoom 9..23.
static constexpr std::array<double, 15> s_adSpacing = {
    1.0 / 7200, 1.0 / 3600, 1.0 / 3600, 1.0 / 1800, 1.0 / 720, 1.0 / 360, 1.0 / 240, 1.0 / 120,
    1.0 / 60,   1.0 / 30,   1.0 / 12,   1.0 / 6,    0.25,      0.5,       1.0};
static constexpr S32 HWY_GRID_LINES = 17;
// A turn smaller than this keeps the saved background.
static constexpr double HWY_SAME_HEADING = 0.0001;

// What a saved background was drawn from; the picture is reused only when
// all of it matches. The colours catch a palette change.
typedef struct tag_HWY_SAVED {
  BOOLEAN bValid;
  LAYER_ID eLayer;
  SPLIT_WINDOW_TYPE ePane;
  WINDOW_LOCATION window;
  NAV_VIEW_INFO NVI;
  S32 nDatum;
  std::array<COLOR, 4> aColours;
  std::array<COLOR, G_SCREEN_WIDTH * G_SCREEN_HEIGHT> aPixels;
  // The same background with the overlay on it.
  T_CHART_COMPOSED composed;
} HWY_SAVED;

static constexpr U32 HWY_SAVED_SLOTS = 3;
static HWY_SAVED* s_apHwySaved[HWY_SAVED_SLOTS];
static U32 s_u32NextSlot;
static U32 s_u32BirdeyeEdge = G_SCREEN_HEIGHT;

U32 T_NAV_u32BirdeyeEdge(void) { return s_u32BirdeyeEdge; }

void T_CHART_vResetHighway(void) {
  for (HWY_SAVED* p : s_apHwySaved) {
    if (p != nullptr) p->bValid = p->composed.bValid = FALSE;
  }
  s_u32BirdeyeEdge = G_SCREEN_HEIGHT;
}

static BOOLEAN HWY_bFetchS32(const char (&key)[5], S32* p) {
  return H_DATABASE_bFetchS32(FCID(key), p, nullptr, nullptr);
}
static BOOLEAN HWY_bFetchFloat(const char (&key)[5], float* p) {
  return H_DATABASE_bFetchFloat(FCID(key), p, nullptr, nullptr);
}

static void HWY_vFill(BITMAP* pBitmap, const WINDOW_LOCATION* w, COLOR colour) {
  const POINT anchor = {w->s32ClipLeft, w->s32ClipBottom};
  G_BOX_vDrawFilled(pBitmap, colour, &anchor, (U32)(w->s32ClipRight - w->s32ClipLeft + 1),
                    (U32)(w->s32ClipTop - w->s32ClipBottom + 1));
}

// The window held to the bitmap and to the saved picture's size.
static BOOLEAN HWY_bWindowOf(const BITMAP* pBitmap, const WINDOW_SPECIFICATION* ps, WINDOW_LOCATION* w) {
  *w = ps->drawWindow;
  const S32 maxX = pBitmap->pixels_wide_full_screen - 1, maxY = pBitmap->pixels_high_full_screen - 1;
  if (w->s32ClipLeft < 0) w->s32ClipLeft = 0;
  if (w->s32ClipBottom < 0) w->s32ClipBottom = 0;
  if (w->s32ClipRight > maxX) w->s32ClipRight = maxX;
  if (w->s32ClipTop > maxY) w->s32ClipTop = maxY;
  if (w->s32ClipRight - w->s32ClipLeft >= (S32)G_SCREEN_WIDTH) w->s32ClipRight = w->s32ClipLeft + G_SCREEN_WIDTH - 1;
  if (w->s32ClipTop - w->s32ClipBottom >= (S32)G_SCREEN_HEIGHT) w->s32ClipTop = w->s32ClipBottom + G_SCREEN_HEIGHT - 1;
  return w->s32ClipRight >= w->s32ClipLeft && w->s32ClipTop >= w->s32ClipBottom;
}

static HWY_SAVED* HWY_pSavedFor(LAYER_ID eLayer, SPLIT_WINDOW_TYPE ePane) {
  for (HWY_SAVED* p : s_apHwySaved) {
    if (p != nullptr && p->eLayer == eLayer && p->ePane == ePane) return p;
  }
  const U32 slot = s_u32NextSlot++ % HWY_SAVED_SLOTS;
  if (s_apHwySaved[slot] == nullptr) s_apHwySaved[slot] = new HWY_SAVED();
  HWY_SAVED* p = s_apHwySaved[slot];
  p->bValid = p->composed.bValid = FALSE;
  p->eLayer = eLayer;
  p->ePane = ePane;
  return p;
}

static void HWY_vCopy(BITMAP* pBitmap, HWY_SAVED* pSaved, COLOR* pKept, BOOLEAN bSave) {
  const WINDOW_LOCATION* w = &pSaved->window;
  T_CHART_vCopyWindow(pBitmap, w->s32ClipLeft, w->s32ClipBottom, w->s32ClipRight - w->s32ClipLeft + 1,
                      w->s32ClipTop - w->s32ClipBottom + 1, pKept, bSave);
}

static std::array<COLOR, 4> HWY_aColours(void) {
  const COLOR* t = gCOLOR_pcolColorTable;
  const U32 p = T_CHART_CHART_PALETTE_START;
  return {t[HWY_GROUND], t[p + 16], t[p + 17], t[p + 18]};
}

static BOOLEAN HWY_bSameView(const HWY_SAVED* pSaved, const NAV_VIEW_INFO* pNVI, const WINDOW_LOCATION* w,
                             S32 nDatum) {
  const NAV_VIEW_INFO* s = &pSaved->NVI;
  return pSaved->bValid && memcmp(&pSaved->window, w, sizeof *w) == 0 && pSaved->nDatum == nDatum &&
         pSaved->aColours == HWY_aColours() && s->CenterOffset.x == pNVI->CenterOffset.x &&
         s->CenterOffset.y == pNVI->CenterOffset.y && s->nChartScale == pNVI->nChartScale &&
         s->nPixelsPerMMM == pNVI->nPixelsPerMMM && s->ptCenterMM.x == pNVI->ptCenterMM.x &&
         s->ptCenterMM.y == pNVI->ptCenterMM.y && fabs((double)s->fHeading - pNVI->fHeading) < HWY_SAME_HEADING;
}

// ---------------------------------------------------------------------------
// The grid

static S32 HWY_nGridColour(double dDegrees) {
  const double a = fabs(dDegrees);
  const double degree = fmod(a, 1.0), minute = fmod(a, 1.0 / 60);
  if (degree < 1.0 / 7200 || degree > 1.0 - 1.0 / 7200) return 16;
  if (minute < 1.0 / 7200 || minute > 1.0 / 60 - 1.0 / 7200) return 17;
  return 18;
}

static void HWY_vGroundLine(NAV_VIEW_INFO* pNVI, POINT a, POINT b) {
  a = T_NAV_ptPerspectivePixel(pNVI, a);
  b = T_NAV_ptPerspectivePixel(pNVI, b);
  gr_SetAbsPenPos(&pNVI->GrContext, a.x, a.y);
  gr_DrawAbsLine(&pNVI->GrContext, b.x, b.y);
}

static void HWY_vRenderGrid(NAV_VIEW_INFO* pNVI, S32 nDatum) {
  const double d = s_adSpacing[(size_t)(pNVI->nChartScale - T_NAV_ZOOM_MIN)];
  POSITION centre;
  if (nv_MeterToDegr(&pNVI->ptCenterMM, &centre) != NV_OK) return;
  const DATUM_PLANE Datum = (DATUM_PLANE)nDatum;
  if (Datum != DATUM_WGS_84) WGS84_2_Datum(centre.lat, centre.lon, &centre.lat, &centre.lon, Datum);
  const double lat0 = centre.lat - fmod(centre.lat, d) - 8 * d, lon0 = centre.lon - fmod(centre.lon, d) - 8 * d;
  const S32 E = pNVI->nEyeOffsetMM;
  for (S32 i = 0; i < HWY_GRID_LINES; i++) {
    const POSITION local = {lat0 + i * d, lon0 + i * d};
    POSITION wgs = local;
    if (Datum != DATUM_WGS_84) Datum_2_WGS84(Datum, local.lat, local.lon, &wgs.lat, &wgs.lon);
    if (wgs.lon > 180.0) wgs.lon -= 360.0;
    if (wgs.lon < -180.0) wgs.lon += 360.0;
    POINT pt;
    if (nv_DegrToMeter(&wgs, &pt) != NV_OK) continue;
    const POINT rel = T_NAV_ptRelative(pNVI, pt);
    S32 lo = 0, hi = 0;
    if (T_CHART_bPerspectiveLimitsX(rel.y, &lo, &hi, &pNVI->RotContext, E)) {
      gr_SetColor(&pNVI->GrContext, HWY_nGridColour(local.lat));
      HWY_vGroundLine(pNVI, {lo, rel.y}, {hi, rel.y});
    }
    if (T_CHART_bPerspectiveLimitsY(rel.x, &lo, &hi, &pNVI->RotContext, E)) {
      gr_SetColor(&pNVI->GrContext, HWY_nGridColour(local.lon));
      HWY_vGroundLine(pNVI, {rel.x, lo}, {rel.x, hi});
    }
  }
}

// ---------------------------------------------------------------------------
// Sky band and compass

static void HWY_vRow(BITMAP* pBitmap, S32 x0, S32 x1, S32 y) {
  if (x1 < x0) return;
  const POINT at = {x0, y};
  G_BOX_vDrawFilled(pBitmap, HWY_SKY, &at, (U32)(x1 - x0 + 1), 1);
}

static void HWY_vRenderSky(NAV_VIEW_INFO* pNVI) {
  BITMAP* b = pNVI->pBitmap;
  const S64 cx = pNVI->CenterOffset.x, origin = T_INFO_u32XOrigin();
  for (size_t k = 0; k < s_anOpening.size(); k++) {
    const S32 y = HWY_OPENING_ROW + (S32)k, w = s_anOpening[k];
    if (origin <= cx - w) HWY_vRow(b, b->s32ClipLeft, (S32)(cx - w), y);
    if (cx + w - 1 <= b->s32ClipRight) HWY_vRow(b, (S32)(cx + w - 1), b->s32ClipRight, y);
  }
  const POINT at = {b->s32ClipLeft, HWY_SKY_ROW};
  G_BOX_vDrawFilled(b, HWY_SKY, &at, (U32)(b->s32ClipRight - b->s32ClipLeft + 1), G_SCREEN_HEIGHT - HWY_SKY_ROW);
}

void T_NAV_vDrawHighwayCompass(NAV_VIEW_INFO* pNVI) {
  if (pNVI == nullptr || pNVI->pBitmap == nullptr) return;
  S32 var = 0;
  U32 u32Units = 0;
  float fVariation = 0.0f;
  if (H_DATABASE_bFetchU32(FCID("SUHD"), &u32Units, nullptr, nullptr) && u32Units == U_DEG_MAGNETIC &&
      HWY_bFetchFloat("IMGV", &fVariation) && fabsf(fVariation) <= 360.0f) {
    var = (S32)lrintf(fVariation);
  }
  const S32 heading = fabsf(pNVI->fHeading) <= 3600.0f ? (S32)lrintf(pNVI->fHeading) : 0;
  S32 b = (((heading - var) / 5 * 5 + 330) % 360 + 360) % 360;
  const S32 E = pNVI->nEyeOffsetMM, zoom = pNVI->nChartScale;
  const FONT_DEF* pFont = T_NAV_pFont14();
  const unsigned nLang = nCurrentLanguage();
  for (int i = 0; i < 14; i++, b = (b + 5) % 360) {
    const S32 t = b + var;
    const S64 sx = (S64)U_NAV_nIntSin(t) * 4, sy = (S64)U_NAV_nIntCos(t) * 4;
    const POINT ground = zoom > 21 ? POINT{(S32)(sx << (zoom - 22)), (S32)(sy << (zoom - 22))}
                                   : POINT{(S32)(sx >> (22 - zoom)), (S32)(sy >> (22 - zoom))};
    if ((T_NAV_u32PerspectiveFails(pNVI, ground) & (HWY_FAIL_LEFT | HWY_FAIL_RIGHT)) != 0 || E <= 0) continue;
    POINT p = T_NAV_ptPerspectivePixel(pNVI, ground);
    if ((U32)p.y < s_u32BirdeyeEdge) s_u32BirdeyeEdge = (U32)p.y;
    if (T_INFO_u32XOrigin() == 0) p.y -= 79;
    const POINT at = {p.x - 1, p.y};
    if (b % 15 != 0) {
      G_ICON_vPut(pNVI->pBitmap, &PostSm_icon, &at);
      continue;
    }
    G_ICON_vPut(pNVI->pBitmap, &PostLrg_icon, &at);
    char sLabel[16];
    const char* sText = sLabel;
    switch (b) {
      case 0: sText = Direction_N[nLang]; break;
      case 90: sText = Direction_E[nLang]; break;
      case 180: sText = Direction_S[nLang]; break;
      case 270: sText = Direction_W[nLang]; break;
      default:
        snprintf(sLabel, sizeof sLabel, "%03d", (int)b);
        U_WSTRING_vReplaceNarrowWithWide(sLabel, sizeof sLabel);
        break;
    }
    const S32 w = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)sText);
    T_NAV_vPutText(pNVI->pBitmap, gCOLOR_pcolColorTable[35], {p.x + 4 - w / 2, p.y + 4 + PostLrg_icon.nHeight},
                   pFont, sText);
  }
}

// ---------------------------------------------------------------------------
// The own boat

static const IMAGE32* const s_apArrow[36] = {
    &birdseyearrow_0,   &birdseyearrow_10,  &birdseyearrow_20,  &birdseyearrow_30,  &birdseyearrow_40,
    &birdseyearrow_50,  &birdseyearrow_60,  &birdseyearrow_70,  &birdseyearrow_80,  &birdseyearrow_90,
    &birdseyearrow_100, &birdseyearrow_110, &birdseyearrow_120, &birdseyearrow_130, &birdseyearrow_140,
    &birdseyearrow_150, &birdseyearrow_160, &birdseyearrow_170, &birdseyearrow_180, &birdseyearrow_190,
    &birdseyearrow_200, &birdseyearrow_210, &birdseyearrow_220, &birdseyearrow_230, &birdseyearrow_240,
    &birdseyearrow_250, &birdseyearrow_260, &birdseyearrow_270, &birdseyearrow_280, &birdseyearrow_290,
    &birdseyearrow_300, &birdseyearrow_310, &birdseyearrow_320, &birdseyearrow_330, &birdseyearrow_340,
    &birdseyearrow_350};

// The arrows lying on the ground, by arrow and by the nearer rows' factor.
static std::array<std::array<std::vector<U8>, 2>, 36> s_aFlatArrows;

// The frame's layer and pane, for the boat's cursor rule.
static LAYER_ID s_eFrameLayer;
static SPLIT_WINDOW_TYPE s_eFramePane;

// The image's pixels, bottom row first, with its runs spelled out; an
// invisible pixel becomes all zero so it can never read as a run.
static BOOLEAN HWY_bDecode(const IMAGE32* pImage, std::vector<U8>* pOut) {
  const S32 w = pImage->s32Width, h = pImage->s32Height;
  if (pImage->data == nullptr || w <= 0 || h <= 0 || w > 256 || h > 256) return FALSE;
  pOut->assign((size_t)w * (size_t)h * 4, 0);
  const U8* src = pImage->data;
  U8 last[4] = {0, 0, 0, 255};
  for (S32 row = 0; row < h; row++) {
    S32 x = 0;
    while (x < w) {
      if (src[0] == 0x5A && src[3] == 0) {
        const S32 n = src[1] | (src[2] << 8);
        src += 4;
        for (S32 k = 0; k < n && x < w; k++, x++) memcpy(&(*pOut)[((size_t)row * w + x) * 4], last, 4);
        continue;
      }
      memcpy(last, src, 4);
      src += 4;
      memcpy(&(*pOut)[((size_t)row * w + x) * 4], last, 4);
      x++;
    }
  }
  for (size_t i = 0; i < pOut->size(); i += 4) {
    if ((*pOut)[i + 3] == 0) memset(&(*pOut)[i], 0, 4);
  }
  return TRUE;
}

static void HWY_vRenderBoat(NAV_VIEW_INFO* pNVI) {
  size_t index = 0;
  float fCursorHeading = 0.0f;
  if (T_NAV_bIsMyBirdsEyeCursorView(s_eFrameLayer, s_eFramePane) && HWY_bFetchFloat("ICHD", &fCursorHeading) &&
      fCursorHeading != 0.0f && isfinite(fCursorHeading)) {
    const double r = fmod(fmod((double)pNVI->fBoatHeading - fCursorHeading + 360.0, 360.0) + 365.0, 360.0);
    const S32 k = (S32)(r * 0.1);
    index = k >= 0 && k < 36 ? (size_t)k : 0;
  }
  const IMAGE32* pArrow = s_apArrow[index];
  const POINT p = T_NAV_ptPerspectivePixel(pNVI, T_NAV_ptRelative(pNVI, pNVI->ptBoatMM));
  const S32 w = pArrow->s32Width, h = pArrow->s32Height;
  const POINT at = {p.x - w / 2, p.y - (S32)((h / 2) * 0.70710677)};
  if ((U32)at.y > s_u32BirdeyeEdge) return;
  // Lying on the ground: the rows pressed together, harder beyond mid-screen.
  // Each of the 72 pictures is made once.
  const BOOLEAN bNear = at.y <= 240;
  std::vector<U8>& flat = s_aFlatArrows[index][bNear];
  if (flat.empty()) {
    std::vector<U8> source;
    if (!HWY_bDecode(pArrow, &source)) return;
    const double f = bNear ? 0.70710677 : 0.42261824;
    flat.assign(source.size(), 0);
    for (S32 r = 0; r < h; r++) {
      const S32 to = (S32)(r * f);
      memcpy(&flat[(size_t)to * w * 4], &source[(size_t)r * w * 4], (size_t)w * 4);
    }
  }
  const IMAGE32 lying = {flat.data(), nullptr, w, h, pArrow->eCompression};
  G_IMAGE32_vPut(pNVI->pBitmap, &lying, &at);
}

// ---------------------------------------------------------------------------
// The frame

void T_NAV_vRenderPerspectiveBoat(NAV_VIEW_INFO* pNVI) {
  if (pNVI != nullptr && pNVI->pBitmap != nullptr && pNVI->nEyeOffsetMM > 0) HWY_vRenderBoat(pNVI);
}

static float HWY_fFinite(float f) { return isfinite(f) && fabsf(f) < 1.0e6f ? f : 0.0f; }

void T_CHART_vDrawHighwayView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  if (pBitmap == nullptr || psWindowSpec == nullptr) return;
  WINDOW_LOCATION w;
  if (!HWY_bWindowOf(pBitmap, psWindowSpec, &w)) return;
  const LAYER_ID eLayer = psWindowSpec->currentLayer;
  const SPLIT_WINDOW_TYPE ePane = psWindowSpec->drawWindowType;
  NAV_VIEW_INFO NVI;
  memset(&NVI, 0, sizeof NVI);
  S32 nZoom = 0;
  if (!HWY_bFetchS32("SNBS", &nZoom) || !T_CHART_bCheckErrorConditions(&NVI.ptBoatMM, &NVI.fBoatHeading)) {
    HWY_vFill(pBitmap, &w, gCOLOR_pcolColorTable[HWY_NO_VIEW]);
    return;
  }
  NVI.nChartScale = nZoom < T_NAV_ZOOM_MIN ? T_NAV_ZOOM_MIN : nZoom > T_NAV_ZOOM_MAX ? T_NAV_ZOOM_MAX : nZoom;
  NVI.ptBoatMM = {U_NAV_nFoldX(NVI.ptBoatMM.x), U_NAV_nClampY(NVI.ptBoatMM.y)};
  float fCompass = 0.0f;
  if (HWY_bFetchFloat("IHDC", &fCompass)) NVI.fBoatHeading = fCompass;
  NVI.fBoatHeading = HWY_fFinite(NVI.fBoatHeading);
  NVI.ptCenterMM = NVI.ptBoatMM;
  BITMAP copy;
  T_CHART_vPrepareWindow(&NVI, &copy, pBitmap, &w, 15);
  // Cursor mode.
  BOOLEAN bActive = FALSE;
  S32 nLat = 0, nLon = 0;
  float fCursorHeading = 0.0f;
  NVI.fHeading = NVI.fBoatHeading;
  if (T_NAV_bIsMyBirdsEyeCursorView(eLayer, ePane) && H_DATABASE_bFetchBoolean(FCID("ICAC"), &bActive, nullptr, nullptr) &&
      bActive && HWY_bFetchS32("ICLT", &nLat) && HWY_bFetchS32("ICLN", &nLon) &&
      HWY_bFetchFloat("ICHD", &fCursorHeading)) {
    NVI.bCursorActive = TRUE;
    NVI.ptCenterMM = {U_NAV_nFoldX(nLon), U_NAV_nClampY(nLat)};
    NVI.fHeading = HWY_fFinite(fCursorHeading);
  }
  gr_ResetRotationContext(&NVI.RotContext);
  gr_SetRotationAngle(&NVI.RotContext, NVI.fHeading);
  T_CHART_vCalculateHighwayParameters(&NVI, w.s32ClipLeft, w.s32ClipRight, eLayer);
  // The background: copied back, or drawn and kept.
  S32 nDatum = 0;
  if (!NAV_bFetchIndex(FCID("SDTM"), &nDatum) || nDatum <= 0 || nDatum > DATUM_Custom_Datum) nDatum = DATUM_WGS_84;
  HWY_SAVED* pSaved = HWY_pSavedFor(eLayer, ePane);
  const BOOLEAN bSameView = HWY_bSameView(pSaved, &NVI, &w, nDatum);
  s_eFrameLayer = eLayer;
  s_eFramePane = ePane;
  const BOOLEAN bOverlay = NVI.nEyeOffsetMM > 0 && NVI.nPixelsPerMMM > 0;
  static T_CHART_LIST s_list;  // the view task's only
  if (bOverlay) {
    HWY_vListOverlay(&NVI, &s_list);
  } else {
    T_CHART_vListInto(&s_list, &NVI);
    T_CHART_vListInto(nullptr, nullptr);
  }
  if (!bSameView) {
    HWY_vFill(pBitmap, &w, gCOLOR_pcolColorTable[HWY_GROUND]);
    if (bOverlay) HWY_vRenderGrid(&NVI, nDatum);
    pSaved->window = w;
    pSaved->NVI = NVI;
    pSaved->nDatum = nDatum;
    pSaved->aColours = HWY_aColours();
    HWY_vCopy(pBitmap, pSaved, pSaved->aPixels.data(), TRUE);
    pSaved->bValid = TRUE;
  }
  T_CHART_vCompose(&NVI, &w, 15, pSaved->aPixels.data(), !bSameView, &pSaved->composed, &s_list);
  if (bOverlay) T_NAV_vRenderPerspectiveBoat(&NVI);
  HWY_vRenderSky(&NVI);
  if (!T_NAV_bIsMyInstrumentView(eLayer) && NVI.nEyeOffsetMM > 0) T_NAV_vDrawHighwayCompass(&NVI);
}
