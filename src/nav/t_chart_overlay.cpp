// What the navigation subsystem puts over a plan chart, in a fixed order so
// that the boat and the north arrow always stay on top: tracks, routes,
// waypoints with their names, the own boat, the north arrow and the
// orientation text. The ruler tables for every zoom live here too.

#include "t_chart_overlay.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <array>
#include <span>

#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_iconset.h"
#include "g_image32.h"
#include "g_string.h"
#include "gr_context.h"
#include "gr_line.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_chart.h"
#include "t_chart_ais.h"
#include "t_chart_marks.h"
#include "t_nav_group_store.h"
#include "t_chart_list.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "u_language.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// Ruler lengths by zoom 9..23

#define ROW(a, b, c, u, m) {a, b, c, u, m}
static const SCALE_BAR_LENGTHS ScaleBarKM[15] = {
    ROW("10", "20", "30", m, 10),        ROW("15", "30", "45", m, 15),       ROW("25", "50", "75", m, 25),
    ROW("50", "100", "150", m, 50),      ROW("100", "200", "300", m, 100),   ROW("250", "500", "750", m, 250),
    ROW("500", "1000", "1500", m, 500),  ROW("1", "2", "3", km, 1000),       ROW("2", "4", "6", km, 2000),
    ROW("5", "10", "15", km, 5000),      ROW("10", "20", "30", km, 10000),   ROW("15", "30", "45", km, 15000),
    ROW("25", "50", "75", km, 25000),    ROW("50", "100", "150", km, 50000), ROW("100", "200", "300", km, 100000),
};
static const SCALE_BAR_LENGTHS ScaleBarNM_M[15] = {
    ROW("10", "20", "30", m, 10),         ROW("15", "30", "45", m, 15),      ROW("25", "50", "75", m, 25),
    ROW("50", "100", "150", m, 50),       ROW("100", "200", "300", m, 100),  ROW("250", "500", "750", m, 250),
    ROW("0.25", "0.5", "0.75", nm, 463),  ROW("0.5", "1", "1.5", nm, 926),   ROW("1", "2", "3", nm, 1852),
    ROW("2", "4", "6", nm, 3704),         ROW("5", "10", "15", nm, 9260),    ROW("10", "20", "30", nm, 18520),
    ROW("15", "30", "45", nm, 27780),     ROW("25", "50", "75", nm, 46300),  ROW("50", "100", "150", nm, 92600),
};
static const SCALE_BAR_LENGTHS ScaleBarNM_FT[15] = {
    ROW("20", "40", "60", ft, 6),          ROW("50", "100", "150", ft, 15),     ROW("100", "200", "300", ft, 30),
    ROW("200", "400", "600", ft, 61),      ROW("500", "1000", "1500", ft, 152), ROW("1000", "2000", "3000", ft, 305),
    ROW("0.25", "0.5", "0.75", nm, 463),   ROW("0.5", "1", "1.5", nm, 926),     ROW("1", "2", "3", nm, 1852),
    ROW("2", "4", "6", nm, 3704),          ROW("5", "10", "15", nm, 9260),      ROW("10", "20", "30", nm, 18520),
    ROW("15", "30", "45", nm, 27780),      ROW("25", "50", "75", nm, 46300),    ROW("50", "100", "150", nm, 92600),
};
static const SCALE_BAR_LENGTHS ScaleBarSM[15] = {
    ROW("20", "40", "60", ft, 6),          ROW("50", "100", "150", ft, 15),     ROW("100", "200", "300", ft, 30),
    ROW("200", "400", "600", ft, 61),      ROW("500", "1000", "1500", ft, 152), ROW("1000", "2000", "3000", ft, 305),
    ROW("0.25", "0.5", "0.75", sm, 402),   ROW("0.5", "1", "1.5", sm, 805),     ROW("1", "2", "3", sm, 1609),
    ROW("2", "4", "6", sm, 3219),          ROW("5", "10", "15", sm, 8047),      ROW("10", "20", "30", sm, 16093),
    ROW("20", "40", "60", sm, 32187),      ROW("50", "100", "150", sm, 80467),  ROW("100", "200", "300", sm, 160934),
};
#undef ROW

void T_NAV_vNumberAndUnit(char* pcOut, U32 u32Size, const char* pcNumber, const char* pcSeparator,
                          const char* const* ppUnit) {
  if (pcOut == nullptr || u32Size < 2) return;
  memset(pcOut, 0, u32Size);
  const char* pcUnit = ppUnit[nCurrentLanguage()];
  if (!U_WSTRING_bIsUnicodeLanguage()) {
    snprintf(pcOut, u32Size, "%s%s%s", pcNumber, pcSeparator, pcUnit);
    return;
  }
  U32 o = 0;
  auto put = [&](U32 c) {
    if (o + 4 > u32Size) return;
    pcOut[o++] = (char)(c >> 8);
    pcOut[o++] = (char)c;
  };
  for (const char* p : {pcNumber, pcSeparator}) {
    for (; *p != 0; p++) put((U8)*p);
  }
  for (const U8* p = (const U8*)pcUnit; p[0] != 0 || p[1] != 0; p += 2) put((U32)p[0] << 8 | p[1]);
}

const SCALE_BAR_LENGTHS* T_NAV_pGetScaleBarLengths(S32 nZoom) {
  if (nZoom < T_NAV_ZOOM_MIN) nZoom = T_NAV_ZOOM_MIN;
  if (nZoom > T_NAV_ZOOM_MAX) nZoom = T_NAV_ZOOM_MAX;
  const S32 row = nZoom - T_NAV_ZOOM_MIN;
  switch (H_DATABASE_CurrentUnits(D_DISTANCE)) {
    case U_KM:
      return &ScaleBarKM[row];
    case U_NAUT_MILES_M:
      return &ScaleBarNM_M[row];
    case U_NAUT_MILES_FT:
      return &ScaleBarNM_FT[row];
    default:
      return &ScaleBarSM[row];
  }
}

// ---------------------------------------------------------------------------
// Shared helpers

// Metres from the centre at which lines are cut: 800 pixels, and as many
// more (or fewer) as asked.
static S32 OVL_nClipLimit(const NAV_VIEW_INFO* pNVI, S32 nMorePixels = 0) {
  const S64 v = ((((S64)U_NAV_CLIP_PIXELS_X_SCALE >> 20) + nMorePixels) << 20) / pNVI->nPixelsPerMMM;
  return v > 0x7FFFFFFF ? 0x7FFFFFFF : (S32)v;
}

static S32 OVL_nView(const NAV_VIEW_INFO* pNVI, S32 nMorePixels = 0) {
  const S32 side = pNVI->pBitmap->pixels_wide_full_screen > pNVI->pBitmap->pixels_high_full_screen
                       ? pNVI->pBitmap->pixels_wide_full_screen
                       : pNVI->pBitmap->pixels_high_full_screen;
  const S64 v = (((S64)side + nMorePixels) << 20) / pNVI->nPixelsPerMMM;
  return v > 0x7FFFFFFF ? 0x7FFFFFFF : (S32)v;
}

// A position relative to the centre, x the short way round.
POINT T_NAV_ptRelative(const NAV_VIEW_INFO* pNVI, POINT pt) {
  S64 dx = (S64)pt.x - pNVI->ptCenterMM.x;
  if (dx > NV_X_LIMIT) dx -= NV_X_CIRCUMFERENCE;
  if (dx < -NV_X_LIMIT) dx += NV_X_CIRCUMFERENCE;
  S64 dy = (S64)pt.y - pNVI->ptCenterMM.y;
  auto cut = [](S64 v) -> S32 { return v > 0x7FFFFFFF ? 0x7FFFFFFF : v < -0x7FFFFFFF ? -0x7FFFFFFF : (S32)v; };
  return {cut(dx), cut(dy)};
}

static BOOLEAN OVL_bInside(POINT p, S32 limit) { return p.x > -limit && p.x < limit && p.y > -limit && p.y < limit; }

static BOOLEAN OVL_bUnturned(const NAV_VIEW_INFO* pNVI) {
  return pNVI->RotContext.IntSinAngle == 0 && pNVI->RotContext.IntCosAngle == 1024;
}

// Unturned, the turn gives every point back as it was (1,024 x, rounded,
// over 1,024): it is left out.
static POINT OVL_ptPixel(const NAV_VIEW_INFO* pNVI, POINT p) {
  U_NAV_vConvertMMToPixel(&p, OVL_bUnturned(pNVI) ? nullptr : &pNVI->RotContext, &pNVI->CenterOffset,
                          pNVI->nPixelsPerMMM);
  return p;
}

static U32 OVL_u32Palette(void) {
  U32 u = 0;
  H_DATABASE_bFetchU32(FCID("SPAL"), &u, nullptr, nullptr);
  return u;
}

static BOOLEAN OVL_bIsTrue(const char (&key)[5]) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(FCID(key), &b, nullptr, nullptr) && b;
}

static void OVL_vPen(NAV_VIEW_INFO* pNVI, S32 colour, DRAWING_TOOL tool, S32 size) {
  T_CHART_vColour(pNVI, colour);
  T_CHART_vTool(pNVI, tool);
  T_CHART_vSize(pNVI, size);
}

static void OVL_vResetPen(NAV_VIEW_INFO* pNVI) {
  T_CHART_vPatternStatus(pNVI, FALSE);
  T_CHART_vTool(pNVI, STD_PEN);
  T_CHART_vSize(pNVI, 1);
}

// A colour-table entry for the context.
static S32 OVL_nEntry(U32 u32Entry) { return (S32)(0x80000000u | gCOLOR_pcolColorTable[u32Entry]); }

const FONT_DEF* T_NAV_pFont14(void) {
  return U_WSTRING_bIsUnicodeLanguage() ? arialuni_size14_font_def_ptr : myriad_pro_bold_size14_font_def_ptr;
}

const FONT_DEF* T_NAV_pFont17(void) {
  return U_WSTRING_bIsUnicodeLanguage() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
}

// The open polyline through points relative to the centre, clipped to the
// square of the clip limit so no product leaves 32 bits: its pen moves and
// lines in pixels.
template <typename MOVE, typename LINE>
static void OVL_vPolyLine(const POINT* pptBuffer, S32 nPointCount, const NAV_VIEW_INFO* pNVI, MOVE&& move,
                          LINE&& line, S32 nMorePixels = 0) {
  if (nPointCount <= 0) return;
  const S32 L = OVL_nClipLimit(pNVI, nMorePixels);
  BOOLEAN bPrevInside = OVL_bInside(pptBuffer[0], L);
  if (bPrevInside) move(OVL_ptPixel(pNVI, pptBuffer[0]));
  for (S32 i = 1; i < nPointCount; i++) {
    const POINT P = pptBuffer[i - 1], Q = pptBuffer[i];
    const BOOLEAN bQInside = OVL_bInside(Q, L);
    if (bPrevInside && bQInside) {
      line(OVL_ptPixel(pNVI, Q));
      continue;
    }
    if (!bPrevInside && ((P.x < -L && Q.x < -L) || (P.x > L && Q.x > L) || (P.y < -L && Q.y < -L) ||
                         (P.y > L && Q.y > L))) {
      bPrevInside = FALSE;
      continue;
    }
    POINT a = P, b = Q;
    U_NAV_vClipLineToBox(&a, &b, -L, L);
    bPrevInside = b.x == Q.x && b.y == Q.y;
    if (a.x >= -L && a.x <= L && a.y >= -L && a.y <= L && b.x >= -L && b.x <= L && b.y >= -L && b.y <= L) {
      move(OVL_ptPixel(pNVI, a));
      line(OVL_ptPixel(pNVI, b));
    }
  }
}

void T_NAV_vRenderPolyLineMM(POINT* pptBuffer, S32 nPointCount, NAV_VIEW_INFO* pNVI) {
  OVL_vPolyLine(
      pptBuffer, nPointCount, pNVI, [pNVI](POINT p) { T_CHART_vMove(pNVI, p); },
      [pNVI](POINT p) { T_CHART_vLine(pNVI, p); });
}

// Text stops at the bitmap's edges only: a pane's text is kept inside the
// pane by narrowing the bitmap to it, and a line that would reach above or
// below the pane is left out.
static BOOLEAN OVL_bTextBitmap(const BITMAP* pBitmap, const FONT_DEF* pFont, S32 y, BITMAP* pOut) {
  if (y - (S32)G_FONTS_u32GetDescenderHeight(pFont) < pBitmap->s32ClipBottom ||
      y + (S32)G_FONTS_u32GetAscenderHeight(pFont) > pBitmap->s32ClipTop) {
    return FALSE;
  }
  *pOut = *pBitmap;
  if (pOut->pixels_wide > pOut->s32ClipRight + 1) pOut->pixels_wide = pOut->s32ClipRight + 1;
  if (pOut->pixels_high > pOut->s32ClipTop + 1) pOut->pixels_high = pOut->s32ClipTop + 1;
  return TRUE;
}

BOOLEAN T_NAV_bTextShows(const BITMAP* pBitmap, POINT at, const FONT_DEF* pFont, BOOLEAN bOutlined) {
  BITMAP pane;
  if (!bOutlined) return OVL_bTextBitmap(pBitmap, pFont, at.y, &pane);
  return at.x - 1 >= pBitmap->s32ClipLeft && OVL_bTextBitmap(pBitmap, pFont, at.y - 1, &pane) &&
         OVL_bTextBitmap(pBitmap, pFont, at.y + 1, &pane);
}

S32 T_NAV_s32PutText(BITMAP* pBitmap, COLOR colour, POINT at, const FONT_DEF* pFont, const char* sText) {
  BITMAP pane;
  if (sText == nullptr || !OVL_bTextBitmap(pBitmap, pFont, at.y, &pane)) return INT32_MIN;
  G_STRING_vPut(&pane, colour, &at, pFont, (const BYTE*)sText);
  return at.x;
}

void T_NAV_vPutText(BITMAP* pBitmap, COLOR colour, POINT at, const FONT_DEF* pFont, const char* sText) {
  T_NAV_s32PutText(pBitmap, colour, at, pFont, sText);
}

// The outline's copies reach one pixel further each way.
S32 T_NAV_s32RenderOutlinedName(BITMAP* pBitmap, POINT at, const FONT_DEF* pFont, const char* sName, COLOR text,
                                COLOR outline) {
  BITMAP pane;
  if (sName == nullptr || !T_NAV_bTextShows(pBitmap, at, pFont, TRUE) ||
      !OVL_bTextBitmap(pBitmap, pFont, at.y, &pane)) {
    return INT32_MIN;
  }
  pane.pixels_wide -= 1;
  G_STRING_vPutWithOutline(&pane, text, &at, pFont, (const BYTE*)sName, outline);
  return at.x;
}

void T_NAV_vRenderOutlinedName(BITMAP* pBitmap, POINT at, const FONT_DEF* pFont, const char* sName, COLOR text,
                               COLOR outline) {
  T_NAV_s32RenderOutlinedName(pBitmap, at, pFont, sName, text, outline);
}

// ---------------------------------------------------------------------------
// Tracks

void T_NAV_vAddTrackStep(T_NAV_STEP_SINK* pSink, T_NAV_TRACK_STEP_KIND eKind, POINT p, U8 u8Dot) {
  std::vector<T_NAV_TRACK_STEP>& steps = *pSink->pSteps;
  const BOOLEAN bStill = eKind == T_NAV_TRACK_LINE && !steps.empty() && pSink->pen.x == p.x && pSink->pen.y == p.y;
  if (pSink->bDropRepeats && !steps.empty()) {
    if (eKind == T_NAV_TRACK_MOVE && steps.back().eKind == T_NAV_TRACK_MOVE) steps.pop_back();
    if (bStill && pSink->bStill) return;
  }
  steps.push_back({p.x, p.y, eKind, u8Dot});
  pSink->bStill = bStill;
  pSink->pen = p;
}

static void OVL_vGroupBlocks(const std::vector<T_NAV_TRACK_BLOCK>& blocks, std::vector<T_NAV_TRACK_BLOCK>* pGroups) {
  pGroups->clear();
  for (size_t k = 0; k < blocks.size(); k += T_NAV_TRACK_GROUP_BLOCKS) {
    T_NAV_TRACK_BLOCK g = blocks[k];
    const size_t end = k + T_NAV_TRACK_GROUP_BLOCKS < blocks.size() ? k + T_NAV_TRACK_GROUP_BLOCKS : blocks.size();
    for (size_t i = k + 1; i < end; i++) {
      const T_NAV_TRACK_BLOCK& b = blocks[i];
      g.nMinX = b.nMinX < g.nMinX ? b.nMinX : g.nMinX;
      g.nMaxX = b.nMaxX > g.nMaxX ? b.nMaxX : g.nMaxX;
      g.nMinY = b.nMinY < g.nMinY ? b.nMinY : g.nMinY;
      g.nMaxY = b.nMaxY > g.nMaxY ? b.nMaxY : g.nMaxY;
      g.bAllNormal = g.bAllNormal && b.bAllNormal;
      g.eLast = b.eLast;
      g.u16Count = (U16)(g.u16Count + b.u16Count);
    }
    pGroups->push_back(g);
  }
}

void T_NAV_vIndexTrack(const TRACK* pTrack, T_NAV_TRACK_INDEX* pIndex) {
  std::vector<T_NAV_TRACK_BLOCK>* pBlocks = &pIndex->blocks;
  pBlocks->clear();
  pIndex->groups.clear();
  if (pTrack == nullptr) return;
  U16 it = 0, depth = 0;
  POINT pt = {0, 0};
  for (;;) {
    T_NAV_TRACK_BLOCK b;
    memset(&b, 0, sizeof b);
    b.ptBefore = pt;
    b.u16It = it;
    b.bAllNormal = TRUE;
    while (b.u16Count < T_NAV_TRACK_BLOCK_POINTS) {
      const U16 before = it;
      const TRACKPOINT_TYPE e = U_NAV_eScanTrack(pTrack, &it, &pt, &depth);
      if (e == TRACKPOINT_INVALID) {
        it = before;
        break;
      }
      if (b.u16Count == 0) b.nMinX = b.nMaxX = pt.x, b.nMinY = b.nMaxY = pt.y;
      b.nMinX = pt.x < b.nMinX ? pt.x : b.nMinX;
      b.nMaxX = pt.x > b.nMaxX ? pt.x : b.nMaxX;
      b.nMinY = pt.y < b.nMinY ? pt.y : b.nMinY;
      b.nMaxY = pt.y > b.nMaxY ? pt.y : b.nMaxY;
      if (e != TRACKPOINT_NORMAL) b.bAllNormal = FALSE;
      b.eLast = (U8)e;
      b.u16Count++;
    }
    if (b.u16Count == 0) break;
    pBlocks->push_back(b);
  }
  OVL_vGroupBlocks(*pBlocks, &pIndex->groups);
}

// How a block of points lies in the view: all outside it, all on one pixel
// inside it, all inside it within a box of pixels, or none of these.
typedef enum tag_OVL_BLOCK_LIES {
  OVL_BLOCK_MIXED,
  OVL_BLOCK_HIDDEN,
  OVL_BLOCK_ONE_PIXEL,
  OVL_BLOCK_INSIDE,
} OVL_BLOCK_LIES;

// *pPixel and *pFar: the corners of the pixels the block's points fall on,
// for a block inside the view.
static OVL_BLOCK_LIES OVL_eBlockLies(const T_NAV_TRACK_BLOCK& b, const NAV_VIEW_INFO* pNVI, S32 V, POINT* pPixel,
                                     POINT* pFar) {
  // Points are taken the short way round one by one: the box holds for
  // them all only where none of them is.
  const S64 x0 = (S64)b.nMinX - pNVI->ptCenterMM.x, x1 = (S64)b.nMaxX - pNVI->ptCenterMM.x;
  const S64 y0 = (S64)b.nMinY - pNVI->ptCenterMM.y, y1 = (S64)b.nMaxY - pNVI->ptCenterMM.y;
  if (x0 < -NV_X_LIMIT || x1 > NV_X_LIMIT || y0 < -0x7FFFFFFF || y1 > 0x7FFFFFFF) return OVL_BLOCK_MIXED;
  if (x1 <= -V || x0 >= V || y1 <= -V || y0 >= V) return OVL_BLOCK_HIDDEN;
  if (!b.bAllNormal || x0 <= -V || x1 >= V || y0 <= -V || y1 >= V) return OVL_BLOCK_MIXED;
  // A pixel is a rounded, rising function of each turned axis, which is
  // linear in the point: the box's corners bound every point's pixel.
  // Unturned, x and y each follow one axis: two corners bound them.
  const POINT c[4] = {{(S32)x0, (S32)y0}, {(S32)x1, (S32)y1}, {(S32)x1, (S32)y0}, {(S32)x0, (S32)y1}};
  const int corners = OVL_bUnturned(pNVI) ? 2 : 4;
  POINT lo = OVL_ptPixel(pNVI, c[0]), hi = lo;
  for (int k = 1; k < corners; k++) {
    const POINT q = OVL_ptPixel(pNVI, c[k]);
    lo = {q.x < lo.x ? q.x : lo.x, q.y < lo.y ? q.y : lo.y};
    hi = {q.x > hi.x ? q.x : hi.x, q.y > hi.y ? q.y : hi.y};
  }
  *pPixel = lo;
  *pFar = hi;
  return lo.x == hi.x && lo.y == hi.y ? OVL_BLOCK_ONE_PIXEL : OVL_BLOCK_INSIDE;
}

// Where, relative to the centre, the pixels within three of a dot lie on an
// unturned chart: [lo, hi] on each axis, or not bValid.
typedef struct tag_OVL_NEAR_DOT {
  BOOLEAN bValid;
  BOOLEAN abAxis[2];  // x, y found
  POINT dot;
  POINT lo;
  POINT hi;
} OVL_NEAR_DOT;

// The positions whose pixel on one axis lies within [from, to]: unturned,
// a pixel is the position times the factor over 2^20, rounded, plus the
// centre's pixel (a large factor is taken as 16 times the position by a
// sixteenth of the factor). Found by that sum turned round, and checked.
// The chart's factors are powers of two, whose quotients are shifts: any
// other factor goes without windows.
static BOOLEAN OVL_bAxisWindow(const NAV_VIEW_INFO* pNVI, BOOLEAN bY, S32 from, S32 to, S32* pLo, S32* pHi) {
  const S64 factor = pNVI->nPixelsPerMMM;
  if (factor <= 0 || (factor & (factor - 1)) != 0) return FALSE;
  const int shift = __builtin_ctzll((U64)factor);
  const S64 centre = bY ? pNVI->CenterOffset.y : pNVI->CenterOffset.x;
  // pixel(v) >= from, and pixel(v) <= to.
  const S64 lo = -((-(((S64)from - centre) * 1048576 - 524288)) >> shift);
  const S64 hi = ((((S64)to - centre + 1) * 1048576 - 524288 - 1) >> shift);
  if (lo > hi || lo < -0x7FFFFFF || hi > 0x7FFFFFF) return FALSE;
  auto pixel = [&](S64 v) {
    const POINT q = OVL_ptPixel(pNVI, bY ? POINT{0, (S32)v} : POINT{(S32)v, 0});
    return bY ? q.y : q.x;
  };
  if (pixel(lo) < from || pixel(hi) > to) return FALSE;
  *pLo = (S32)lo;
  *pHi = (S32)hi;
  return TRUE;
}

// Each axis found again only when the dot moved along it: a track along a
// row or a column keeps the other.
static void OVL_vNearDot(const NAV_VIEW_INFO* pNVI, POINT dot, OVL_NEAR_DOT* pNear) {
  if (dot.x != pNear->dot.x || !pNear->abAxis[0]) {
    pNear->abAxis[0] = OVL_bAxisWindow(pNVI, FALSE, dot.x - 3, dot.x + 3, &pNear->lo.x, &pNear->hi.x);
  }
  if (dot.y != pNear->dot.y || !pNear->abAxis[1]) {
    pNear->abAxis[1] = OVL_bAxisWindow(pNVI, TRUE, dot.y - 3, dot.y + 3, &pNear->lo.y, &pNear->hi.y);
  }
  pNear->dot = dot;
  pNear->bValid = pNear->abAxis[0] && pNear->abAxis[1];
}

// The first of blocks [k, end) that is not a block of normal points lying
// wholly within [x0, x1] x [y0, y1] after the track's first block, or end:
// the blocks of a dotted trace near its last dot, passed in a tight loop.
static size_t OVL_nPastWindow(const std::vector<T_NAV_TRACK_BLOCK>& blocks, size_t k, size_t end, S64 x0, S64 x1,
                              S64 y0, S64 y1) {
  const T_NAV_TRACK_BLOCK* p = blocks.data();
  while (k < end && p[k].bAllNormal && p[k].u16It != 0 && p[k].nMinX >= x0 && p[k].nMaxX <= x1 && p[k].nMinY >= y0 &&
         p[k].nMaxY <= y1) {
    k++;
  }
  return k;
}

// What a track draws, in pixels: pen moves, lines and dots.
void T_NAV_vTraceTrack(const TRACK* pTrack, const NAV_VIEW_INFO* pNVI, BOOLEAN bCurrentTrack, U32 u32Style,
                       std::vector<T_NAV_TRACK_STEP>* pSteps, const T_NAV_TRACK_INDEX* pIndex, T_NAV_TRACE_END* pEnd,
                       S32 nMorePixels) {
  if (pEnd != nullptr) *pEnd = {FALSE, TRACKPOINT_INVALID, FALSE, {0, 0}};
  pSteps->clear();
  if (pTrack == nullptr || pTrack->sHeader.u16Count == 0) return;
  T_NAV_STEP_SINK sink = {pSteps, u32Style != 1, FALSE, {0, 0}};
  auto move = [&](POINT p) { T_NAV_vAddTrackStep(&sink, T_NAV_TRACK_MOVE, p, 0); };
  auto line = [&](POINT p) { T_NAV_vAddTrackStep(&sink, T_NAV_TRACK_LINE, p, 0); };
  const S32 V = OVL_nView(pNVI, nMorePixels);
  U16 it = 0;
  POINT pt = {0, 0};
  U16 depth = 0;
  BOOLEAN bPrevVisible = FALSE;
  TRACKPOINT_TYPE eLast = TRACKPOINT_INVALID;
  POINT lastDot = {-1000, -1000};
  // One point of the track at pixel p when visible.
  auto visit = [&](TRACKPOINT_TYPE e, BOOLEAN bVisible, POINT p) {
    if (bVisible) {
      if (u32Style == 0) {
        if (!(p.x - lastDot.x >= -3 && p.x - lastDot.x <= 3 && p.y - lastDot.y >= -3 && p.y - lastDot.y <= 3)) {
          if (e == TRACKPOINT_NORMAL) T_NAV_vAddTrackStep(&sink, T_NAV_TRACK_DOT, p, 0);
          lastDot = p;
        }
      } else if (bPrevVisible && e == TRACKPOINT_NORMAL) {
        line(p);
      } else {
        move(p);
      }
    }
    bPrevVisible = bVisible && e == TRACKPOINT_NORMAL;
    if (bVisible && it == 1) bPrevVisible = TRUE;  // the first point starts the line
    eLast = e;
  };
  auto scan = [&](U32 u32Points) {
    for (U32 k = 0; k < u32Points; k++) {
      const TRACKPOINT_TYPE e = U_NAV_eScanTrack(pTrack, &it, &pt, &depth);
      if (e == TRACKPOINT_INVALID) return FALSE;
      const POINT rel = T_NAV_ptRelative(pNVI, pt);
      const BOOLEAN bVisible = rel.x > -V && rel.x < V && rel.y > -V && rel.y < V;
      visit(e, bVisible, bVisible ? OVL_ptPixel(pNVI, rel) : POINT{0, 0});
    }
    return TRUE;
  };
  // Dots: on an unturned chart, where the pixels within three of the last
  // dot lie, in positions relative to the centre. A block inside both is
  // passed without finding its pixels, which is most of a dotted trace's
  // work at a zoom.
  OVL_NEAR_DOT near = {FALSE, {FALSE, FALSE}, {-1000, -1000}, {0, 0}, {0, 0}};
  const BOOLEAN bNearWindows = u32Style == 0 && OVL_bUnturned(pNVI);
  auto nearWithout = [&](const T_NAV_TRACK_BLOCK& b) -> BOOLEAN {
    if (!bNearWindows || b.u16It == 0 || !b.bAllNormal) return FALSE;
    if (near.dot.x != lastDot.x || near.dot.y != lastDot.y) OVL_vNearDot(pNVI, lastDot, &near);
    if (!near.bValid) return FALSE;
    const S64 x0 = (S64)b.nMinX - pNVI->ptCenterMM.x, x1 = (S64)b.nMaxX - pNVI->ptCenterMM.x;
    const S64 y0 = (S64)b.nMinY - pNVI->ptCenterMM.y, y1 = (S64)b.nMaxY - pNVI->ptCenterMM.y;
    return x0 >= near.lo.x && x1 <= near.hi.x && y0 >= near.lo.y && y1 <= near.hi.y && x0 > -V && x1 < V &&
           y0 > -V && y1 < V;
  };
  // A block or group wholly hidden or on one pixel at once; FALSE when its
  // points must be looked at.
  auto passed = [&](const T_NAV_TRACK_BLOCK& b) {
    if (nearWithout(b)) {
      it = 2;
      bPrevVisible = TRUE;
      eLast = TRACKPOINT_NORMAL;
      return TRUE;
    }
    POINT p = {0, 0}, far = {0, 0};
    const OVL_BLOCK_LIES eLies = b.u16It == 0 ? OVL_BLOCK_MIXED : OVL_eBlockLies(b, pNVI, V, &p, &far);
    // Dots within three pixels of the last one add nothing, wherever they
    // fall within that.
    const BOOLEAN bNearDot = eLies == OVL_BLOCK_INSIDE && u32Style == 0 && p.x - lastDot.x >= -3 &&
                             far.x - lastDot.x <= 3 && p.y - lastDot.y >= -3 && far.y - lastDot.y <= 3;
    if (eLies == OVL_BLOCK_MIXED || (eLies == OVL_BLOCK_INSIDE && !bNearDot)) return FALSE;
    it = 2;  // past the first point, whose rule is not for these
    if (eLies == OVL_BLOCK_HIDDEN) {
      bPrevVisible = FALSE;
      eLast = (TRACKPOINT_TYPE)b.eLast;
      return TRUE;
    }
    if (bNearDot) {
      bPrevVisible = TRUE;
      eLast = TRACKPOINT_NORMAL;
      return TRUE;
    }
    // Every point after the second on the same pixel adds nothing, except on
    // a dotted pen whose phase runs on with each.
    const U32 n = u32Style == 1 ? b.u16Count : b.u16Count < 2 ? 1 : 2;
    for (U32 k = 0; k < n; k++) visit(TRACKPOINT_NORMAL, TRUE, p);
    return TRUE;
  };
  // Dots on an unturned chart, where every factor the zoom gives is a power
  // of two (a large one loses nothing to the projection's prescale): a
  // position within the view has its pixel by a multiply and a shift, the
  // sums far inside 32 bits, so a block of normal points inside the view is
  // passed, put on one pixel or looked into by the corners of its box
  // alone. The view lies within half the globe, where positions are taken
  // as they lie.
  const S64 factor = pNVI->nPixelsPerMMM, cx = pNVI->ptCenterMM.x, cy = pNVI->ptCenterMM.y;
  const BOOLEAN bQuickDots = pIndex != nullptr && u32Style == 0 && OVL_bUnturned(pNVI) && factor > 0 &&
                             (factor <= 65536 || factor % 16 == 0) && V <= NV_X_LIMIT;
  auto pixel = [&](S64 rel, S32 centre) { return (S64)((rel * factor + 0x80000) >> 20) + centre; };
  // Most blocks lie near the last dot: the positions of its window that lie
  // in the view, found again when the dot moves, pass them by comparisons.
  typedef struct {
    POINT dot;
    BOOLEAN bValid;
    S64 x0, x1, y0, y1;
  } OVL_DOT_WINDOW;
  OVL_DOT_WINDOW window = {lastDot, FALSE, 0, 0, 0, 0};
  enum { OVL_DOTS_UNKNOWN, OVL_DOTS_PASSED, OVL_DOTS_LOOK };
  auto freshWindow = [&]() {
    if (window.dot.x == lastDot.x && window.dot.y == lastDot.y) return;
    OVL_vNearDot(pNVI, lastDot, &near);
    window = {lastDot, near.bValid, std::max(cx + near.lo.x, cx - V + 1), std::min(cx + near.hi.x, cx + V - 1),
              std::max(cy + near.lo.y, cy - V + 1), std::min(cy + near.hi.y, cy + V - 1)};
  };
  auto passedWhole = [&]() {
    it = 2;
    bPrevVisible = TRUE;
    eLast = TRACKPOINT_NORMAL;
    return OVL_DOTS_PASSED;
  };
  // From k on, past the blocks near the last dot.
  auto pastWindow = [&](const std::vector<T_NAV_TRACK_BLOCK>& v, size_t k, size_t end) {
    if (!bQuickDots) return k;
    freshWindow();
    if (!window.bValid) return k;
    const size_t past = OVL_nPastWindow(v, k, end, window.x0, window.x1, window.y0, window.y1);
    if (past != k) passedWhole();
    return past;
  };
  auto quickDots = [&](const T_NAV_TRACK_BLOCK& b) {
    if (!bQuickDots || b.u16It == 0 || !b.bAllNormal) return OVL_DOTS_UNKNOWN;
    const S64 x0 = b.nMinX - cx, x1 = b.nMaxX - cx, y0 = b.nMinY - cy, y1 = b.nMaxY - cy;
    if (x0 <= -V || x1 >= V || y0 <= -V || y1 >= V) return OVL_DOTS_UNKNOWN;
    const S64 px0 = pixel(x0, pNVI->CenterOffset.x), px1 = pixel(x1, pNVI->CenterOffset.x);
    const S64 py0 = pixel(y0, pNVI->CenterOffset.y), py1 = pixel(y1, pNVI->CenterOffset.y);
    if (px0 - lastDot.x >= -3 && px1 - lastDot.x <= 3 && py0 - lastDot.y >= -3 && py1 - lastDot.y <= 3) {
      return passedWhole();
    }
    if (px0 != px1 || py0 != py1) return OVL_DOTS_LOOK;
    const POINT p = {(S32)px0, (S32)py0};
    T_NAV_vAddTrackStep(&sink, T_NAV_TRACK_DOT, p, 0);
    lastDot = p;
    return passedWhole();
  };
  if (pIndex == nullptr) {
    while (scan(1)) {
    }
  } else {
    const std::vector<T_NAV_TRACK_BLOCK>& blocks = pIndex->blocks;
    for (size_t g = 0; g < pIndex->groups.size(); g++) {
      g = pastWindow(pIndex->groups, g, pIndex->groups.size());
      if (g == pIndex->groups.size()) break;
      const auto eGroup = quickDots(pIndex->groups[g]);
      if (eGroup == OVL_DOTS_PASSED || (eGroup == OVL_DOTS_UNKNOWN && passed(pIndex->groups[g]))) continue;
      const size_t first = g * T_NAV_TRACK_GROUP_BLOCKS;
      const size_t end = first + T_NAV_TRACK_GROUP_BLOCKS < blocks.size() ? first + T_NAV_TRACK_GROUP_BLOCKS : blocks.size();
      for (size_t k = first; k < end; k++) {
        k = pastWindow(blocks, k, end);
        if (k == end) break;
        const auto eBlock = quickDots(blocks[k]);
        if (eBlock == OVL_DOTS_PASSED || (eBlock == OVL_DOTS_UNKNOWN && passed(blocks[k]))) continue;
        it = blocks[k].u16It;
        pt = blocks[k].ptBefore;
        scan(blocks[k].u16Count);
      }
    }
  }
  const T_NAV_TRACE_END end = {bPrevVisible, (U8)eLast, sink.bStill, sink.pen};
  if (pEnd != nullptr) {
    *pEnd = end;
  } else if (bCurrentTrack) {
    T_NAV_vTraceRunOn(pNVI, u32Style, &end, pSteps, nMorePixels);
  }
}

void T_NAV_vTraceRunOn(const NAV_VIEW_INFO* pNVI, U32 u32Style, const T_NAV_TRACE_END* pEnd,
                       std::vector<T_NAV_TRACK_STEP>* pSteps, S32 nMorePixels) {
  if (u32Style == 0 || !pEnd->bPrevVisible) return;
  const S32 V = OVL_nView(pNVI, nMorePixels);
  const POINT rel = T_NAV_ptRelative(pNVI, pNVI->ptBoatMM);
  if (!(rel.x > -V && rel.x < V && rel.y > -V && rel.y < V)) return;
  T_NAV_STEP_SINK sink = {pSteps, u32Style != 1, pEnd->bStill, pEnd->pen};
  T_NAV_vAddTrackStep(&sink, pEnd->eLast == TRACKPOINT_NORMAL ? T_NAV_TRACK_LINE : T_NAV_TRACK_MOVE,
                      OVL_ptPixel(pNVI, rel), 0);
}

// The steps straight into the context; with places, only the lines and dots
// that meet them, the pen moved past the others as drawing them would. A
// patterned pen draws every step, its phase running on with every pixel.
static void OVL_vSteps(NAV_VIEW_INFO* pNVI, std::span<const T_NAV_TRACK_STEP> steps,
                       const std::vector<T_CHART_BOX>* pPlaces = nullptr, POINT shift = {0, 0}) {
  GR_CONTEXT* gc = &pNVI->GrContext;
  if (gc->ptrnattrib.status) pPlaces = nullptr;
  // A track a pixel at a time is mostly lines of one pixel, each with a line
  // to the pen after it: drawn as the longer lines they make up. Mending
  // draws only the lines that meet the places, one by one.
  GR_JOINED_LINES join;
  gr_JoinStart(&join, gc);
  if (pPlaces != nullptr) join.bJoins = FALSE;
  GR_DOTS dots;
  gr_DotsStart(&dots, gc);
  for (const T_NAV_TRACK_STEP& kept : steps) {
    const T_NAV_TRACK_STEP s = {kept.x + shift.x, kept.y + shift.y, kept.eKind, kept.u8Dot};
    if (s.eKind != T_NAV_TRACK_LINE) gr_JoinFlush(&join);
    switch (s.eKind) {
      case T_NAV_TRACK_MOVE:
        gr_SetAbsPenPos(gc, s.x, s.y);
        break;
      case T_NAV_TRACK_LINE:
        if (pPlaces != nullptr) {
          const POINT pen = {gc->cp.px, gf_RowOf(gc, gc->cp.py)};
          if (!T_CHART_bMeetsPlaces(T_CHART_lineBox(gc, pen, {s.x, s.y}), pPlaces)) {
            gr_SetAbsPenPos(gc, s.x, s.y);
            break;
          }
        }
        gr_JoinLine(&join, s.x, s.y);
        break;
      case T_NAV_TRACK_DOT:
        if (pPlaces != nullptr &&
            !T_CHART_bMeetsPlaces(T_CHART_lineBox(gc, {s.x - 1, s.y - 1}, {s.x + 1, s.y + 1}), pPlaces)) {
          gr_SetAbsPenPos(gc, s.x + 1, s.y + 1);
          break;
        }
        gr_DotsPut(&dots, s.x, s.y);
        break;
    }
  }
  gr_JoinFlush(&join);
}

void T_NAV_vStepsExtent(std::span<const T_NAV_TRACK_STEP> steps, const ICON* const* apDots,
                        T_CHART_EXTENT* pExtent, POINT shift) {
  const GR_CONTEXT* st = pExtent->pState;
  pExtent->bPen = FALSE;
  // Where the steps leave the pen: the last that moves it. Icon dots never
  // move it: among them, where a box is wanted, the walk below, which takes
  // every step, finds it on the way.
  const BOOLEAN bWalkFindsPen = apDots != nullptr && pExtent->bBoxWanted;
  for (size_t k = bWalkFindsPen ? 0 : steps.size(); k-- > 0;) {
    const T_NAV_TRACK_STEP& s = steps[k];
    if (s.eKind == T_NAV_TRACK_DOT && apDots != nullptr) continue;
    const POINT p = {s.x + shift.x, s.y + shift.y};
    pExtent->bPen = TRUE;
    pExtent->pen = s.eKind == T_NAV_TRACK_DOT ? POINT{p.x + 1, p.y + 1} : p;
    break;
  }
  if (!pExtent->bBoxWanted) return;
  // Every line's and dot's box is the box round its corners widened by the
  // same pen, so their union is the box round all the corners, widened once.
  S32 x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
  auto take = [&](POINT a) {
    x0 = a.x < x0 ? a.x : x0;
    y0 = a.y < y0 ? a.y : y0;
    x1 = a.x > x1 ? a.x : x1;
    y1 = a.y > y1 ? a.y : y1;
  };
  POINT pen = {st->cp.px, gf_RowOf(st, st->cp.py)};
  // Neighbouring dots are mostly of one size.
  const ICON* pSized = nullptr;
  POINT size = {0, 0};
  for (const T_NAV_TRACK_STEP& s : steps) {
    const POINT p = {s.x + shift.x, s.y + shift.y};
    switch (s.eKind) {
      case T_NAV_TRACK_MOVE:
        break;
      case T_NAV_TRACK_LINE:
        take(pen);
        take(p);
        break;
      case T_NAV_TRACK_DOT:
        if (apDots != nullptr) {
          const ICON* pDot = apDots[s.u8Dot];
          if (pDot != pSized) {
            pSized = pDot;
            size = {(S32)G_ICON_u32GetWidth(pDot), (S32)G_ICON_u32GetHeight(pDot)};
          }
          take(p);
          take({p.x + size.x, p.y + size.y});
          continue;
        }
        take({p.x - 1, p.y - 1});
        take({p.x + 1, p.y + 1});
        pen = {p.x + 1, p.y + 1};
        continue;
    }
    pen = p;
    if (bWalkFindsPen) {
      pExtent->bPen = TRUE;
      pExtent->pen = p;
    }
  }
  pExtent->box = x0 <= x1 ? T_CHART_lineBox(st, {x0, y0}, {x1, y1}) : T_CHART_empty();
}

// The thin lines among the steps that reach outside the inner box: a line
// cut at a window's edge starts its walk there. Dots are cut pixel by
// pixel and brush lines not at all; a patterned pen's phase runs on past a
// cut, so it is not told apart.
static void OVL_vStepsEdges(std::span<const T_NAV_TRACK_STEP> steps, T_CHART_EXTENT* pExtent, POINT shift) {
  const GR_CONTEXT* st = pExtent->pState;
  if (st->ptrnattrib.status) return;
  pExtent->bEdgesTold = TRUE;
  if (st->DrTool == BRUSH && st->PixelSize >= 2) return;
  const T_CHART_BOX& inner = *pExtent->pInner;
  POINT pen = {st->cp.px, gf_RowOf(st, st->cp.py)};
  for (const T_NAV_TRACK_STEP& s : steps) {
    const POINT p = {s.x + shift.x, s.y + shift.y};
    if (s.eKind == T_NAV_TRACK_LINE) {
      const T_CHART_BOX b = T_CHART_lineBox(st, pen, p);
      if (b.x0 < inner.x0 || b.x1 > inner.x1 || b.y0 < inner.y0 || b.y1 > inner.y1) pExtent->pEdges->push_back(b);
    }
    pen = s.eKind == T_NAV_TRACK_DOT ? POINT{p.x + 1, p.y + 1} : p;
  }
}

// Steps a to a + b of the op's kept steps, moved by (x, y).
static void OVL_vKeptSteps(NAV_VIEW_INFO* pNVI, const T_CHART_OP* pOp, const char*, T_CHART_EXTENT* pExtent,
                           BOOLEAN bDraw) {
  const std::vector<T_NAV_TRACK_STEP>& all = *(const std::vector<T_NAV_TRACK_STEP>*)pOp->p;
  const size_t first = (size_t)pOp->a < all.size() ? (size_t)pOp->a : all.size();
  const size_t count = (size_t)pOp->b < all.size() - first ? (size_t)pOp->b : all.size() - first;
  const std::span<const T_NAV_TRACK_STEP> steps(all.data() + first, count);
  const POINT shift = {pOp->x, pOp->y};
  if (pExtent != nullptr && pExtent->pEdges != nullptr) return OVL_vStepsEdges(steps, pExtent, shift);
  if (pExtent != nullptr && pExtent->pPlaces == nullptr) T_NAV_vStepsExtent(steps, nullptr, pExtent, shift);
  if (bDraw) OVL_vSteps(pNVI, steps, pExtent != nullptr ? pExtent->pPlaces : nullptr, shift);
}

BOOLEAN T_NAV_bSameSteps(const T_NAV_TRACK_STEP* a, const T_NAV_TRACK_STEP* b, size_t n) {
  for (size_t k = 0; k < n; k++) {
    if (a[k].x != b[k].x || a[k].y != b[k].y || a[k].eKind != b[k].eKind || a[k].u8Dot != b[k].u8Dot) return FALSE;
  }
  return TRUE;
}

void T_NAV_vKeepSteps(T_NAV_KEPT_STEPS* pKept, std::vector<T_NAV_TRACK_STEP>* pNew, U32* pu32Next) {
  std::swap(pKept->steps, *pNew);
  const std::vector<T_NAV_TRACK_STEP>& before = *pNew;
  const std::vector<T_NAV_TRACK_STEP>& now = pKept->steps;
  const size_t chunks = (now.size() + T_NAV_STEP_CHUNK - 1) / T_NAV_STEP_CHUNK;
  pKept->serials.resize(chunks);
  for (size_t k = 0; k < chunks; k++) {
    const size_t first = k * T_NAV_STEP_CHUNK;
    const size_t n = now.size() - first < T_NAV_STEP_CHUNK ? now.size() - first : T_NAV_STEP_CHUNK;
    const BOOLEAN bSame = pKept->bKept && k < pKept->serialsBefore && first + n <= before.size() &&
                          (n == T_NAV_STEP_CHUNK || before.size() == now.size()) &&
                          T_NAV_bSameSteps(&before[first], &now[first], n);
    if (!bSame) {
      if (++*pu32Next == 0) ++*pu32Next;
      pKept->serials[k] = *pu32Next;
    }
  }
  pKept->serialsBefore = chunks;
  pKept->bKept = TRUE;
}

void T_NAV_vTrackPen(NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color) {
  u32Color &= 15;
  const U32 pal = OVL_u32Palette();
  if (pal == 1 && u32Color == 15) u32Color = 0;
  if (pal == 2 && u32Color == 12) u32Color = 15;
  if (pal == 3 && u32Color == 0) u32Color = 15;
  T_CHART_vPatternStatus(pNVI, FALSE);
  OVL_vPen(pNVI, (S32)u32Color, STD_PEN, 1);
  if (u32Style == 1) {
    T_CHART_vPatternType(pNVI, 49);
    T_CHART_vPatternIndex(pNVI, 0);
    T_CHART_vPatternReset(pNVI);
    T_CHART_vPatternStatus(pNVI, TRUE);
  } else if (u32Style == 3) {
    T_CHART_vTool(pNVI, BRUSH);
    T_CHART_vSize(pNVI, 2);
  }
}

// Kept steps as calls by reference, one for each serial.
static void OVL_vCallKeptSteps(NAV_VIEW_INFO* pNVI, const std::vector<T_NAV_TRACK_STEP>& steps, const U32* pSerials,
                               size_t nSerials, POINT shift = {0, 0}) {
  const size_t chunk = nSerials > 1 ? T_NAV_STEP_CHUNK : steps.size();
  for (size_t k = 0; k < nSerials; k++) {
    T_CHART_OP op = T_CHART_op();
    op.p = &steps;
    op.x = shift.x;
    op.y = shift.y;
    op.a = (S32)(k * chunk);
    op.b = (S32)chunk;
    op.n = (S32)pSerials[k];
    op.u8Flags = T_CHART_CALL_MOVES;
    if (k * chunk < steps.size() && steps[k * chunk].eKind == T_NAV_TRACK_MOVE) op.u8Flags |= T_CHART_CALL_SETS_PEN;
    T_CHART_vCall(pNVI, OVL_vKeptSteps, op, nullptr, 0);
  }
}

void T_NAV_vPlayKeptSteps(const T_NAV_KEPT_STEPS* pKept, NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color,
                          POINT shift, std::span<const T_NAV_TRACK_STEP> tail) {
  T_NAV_vTrackPen(pNVI, u32Style, u32Color);
  if (T_CHART_bListing()) {
    OVL_vCallKeptSteps(pNVI, pKept->steps, pKept->serials.data(), pKept->serials.size(), shift);
    for (const T_NAV_TRACK_STEP& s : tail) {
      const POINT p = {s.x + shift.x, s.y + shift.y};
      if (s.eKind == T_NAV_TRACK_MOVE) T_CHART_vMove(pNVI, p);
      if (s.eKind == T_NAV_TRACK_LINE) T_CHART_vLine(pNVI, p);
    }
  } else {
    OVL_vSteps(pNVI, pKept->steps, nullptr, shift);
    OVL_vSteps(pNVI, tail, nullptr, shift);
  }
  OVL_vResetPen(pNVI);
}

void T_NAV_vPlayTrack(const std::vector<T_NAV_TRACK_STEP>& steps, NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color,
                      U32 u32Serial) {
  T_NAV_vTrackPen(pNVI, u32Style, u32Color);
  if (!T_CHART_bListing()) {
    OVL_vSteps(pNVI, steps);
  } else if (u32Serial != 0) {
    OVL_vCallKeptSteps(pNVI, steps, &u32Serial, 1);
  } else {
    for (const T_NAV_TRACK_STEP& s : steps) {
      if (s.eKind == T_NAV_TRACK_MOVE) T_CHART_vMove(pNVI, {s.x, s.y});
      if (s.eKind == T_NAV_TRACK_LINE) T_CHART_vLine(pNVI, {s.x, s.y});
      if (s.eKind != T_NAV_TRACK_DOT) continue;
      for (S32 dy = -1; dy <= 1; dy++) {
        for (S32 dx = -1; dx <= 1; dx++) T_CHART_vPixel(pNVI, {s.x + dx, s.y + dy});
      }
    }
  }
  OVL_vResetPen(pNVI);
}

void T_NAV_vRenderTrack(const TRACK* pTrack, NAV_VIEW_INFO* pNVI, BOOLEAN bCurrentTrack, U32 u32Style,
                        U32 u32Color) {
  if (pTrack == nullptr || pTrack->sHeader.u16Count == 0) return;
  if (bCurrentTrack) {
    BOOLEAN bVisible = TRUE;
    if (H_DATABASE_bFetchBoolean(FCID("SCTV"), &bVisible, nullptr, nullptr) && !bVisible) return;
  }
  static std::vector<T_NAV_TRACK_STEP> s_steps;  // the view task's only
  T_NAV_vTraceTrack(pTrack, pNVI, bCurrentTrack, u32Style, &s_steps);
  T_NAV_vPlayTrack(s_steps, pNVI, u32Style, u32Color);
}

// ---------------------------------------------------------------------------
// Routes

static BOOLEAN OVL_bWaypointAt(U32 nIndex, POINT* ppt) {
  const WAYPOINT* p = T_NAV_pGetWaypoint(nIndex);
  if (p == nullptr || p->u8Status < WPT_STATUS_SAVED || p->u8Status > WPT_STATUS_SAVED_2) return FALSE;
  *ppt = p->pt;
  return TRUE;
}

// What every route's label of one frame looks up: the cursor waypoint, and
// for each shown route the newest shown route starting where it does (as
// T_NAV_TWR_s32GetIndexOfLastRouteStartingAt finds it). Found once for the
// frame instead of once a label, each a walk of all routes.
typedef struct tag_OVL_ROUTE_LABELS {
  S32 nCursor;
  std::array<S32, NAV_MAX_ROUTES> anNewest;
} OVL_ROUTE_LABELS;

static void OVL_vFindRouteLabels(OVL_ROUTE_LABELS* pLabels) {
  pLabels->nCursor = 65535;
  if (!NAV_bFetchIndex(FCID("ICWP"), &pLabels->nCursor)) pLabels->nCursor = 65535;
  std::array<S32, NAV_MAX_ROUTES> anStart;
  std::array<U32, NAV_MAX_ROUTES> au32Time;
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    const ROUTE* pRoute = T_NAV_pGetRoute(r);
    const BOOLEAN bShown = pRoute != nullptr && pRoute->nCount != 0 && !pRoute->bHide;
    anStart[r] = bShown ? (S32)pRoute->anWaypoint[0] : -1;
    au32Time[r] = bShown ? pRoute->u32DateTime : 0;
  }
  for (U32 r = 0; r < NAV_MAX_ROUTES; r++) {
    S32 found = -1;
    for (U32 q = 0; q < NAV_MAX_ROUTES && anStart[r] >= 0; q++) {
      if (anStart[q] == anStart[r] && (found < 0 || au32Time[q] > au32Time[(U32)found])) found = (S32)q;
    }
    pLabels->anNewest[r] = found;
  }
}

// The name of the newest shown route that starts where this one does, beside
// its first waypoint; boxed when that waypoint is under the cursor. Without
// pLabels (of this frame, whose route nRoute this is), looked up for this
// label alone.
static void OVL_vRenderRouteLabel(const ROUTE* pRoute, NAV_VIEW_INFO* pNVI, BOOLEAN bHighlighted,
                                  const OVL_ROUTE_LABELS* pLabels, S32 nRoute) {
  const U16 first = pRoute->anWaypoint[0];
  POINT pt;
  if (!OVL_bWaypointAt(first, &pt)) return;
  const POINT rel = T_NAV_ptRelative(pNVI, pt);
  if (!OVL_bInside(rel, OVL_nClipLimit(pNVI))) return;
  char sName[NAV_ROUTE_NAME_SIZE + 2];
  S32 nCursor = 65535;
  if (pLabels == nullptr) {
    if (!T_NAV_TWR_bGetNameOfLastRouteStartingAt(first, sName)) return;
    NAV_bFetchIndex(FCID("ICWP"), &nCursor);
  } else {
    const S32 nNewest = nRoute >= 0 && nRoute < (S32)NAV_MAX_ROUTES ? pLabels->anNewest[(size_t)nRoute] : -1;
    if (nNewest < 0) return;
    memset(sName, 0, sizeof sName);
    memcpy(sName, T_NAV_pGetRoute((U32)nNewest)->sName, NAV_ROUTE_NAME_SIZE);
    nCursor = pLabels->nCursor;
  }
  sName[NAV_ROUTE_NAME_SIZE] = 0;
  const POINT p = OVL_ptPixel(pNVI, rel);
  const POINT at = {p.x + 16, p.y - 39};
  const BOOLEAN bCursor = nCursor == (S32)first;
  const FONT_DEF* pFont = bCursor ? T_NAV_pFont17() : T_NAV_pFont14();
  COLOR text = gCOLOR_pcolColorTable[bHighlighted ? 35 : 101];
  COLOR outline = gCOLOR_pcolColorTable[bHighlighted ? 32 : 35];
  if (text == outline) outline = gCOLOR_pcolColorTable[32];
  if (bCursor) {
    const S32 w = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)sName);
    const POINT box = bHighlighted ? POINT{at.x - 4, at.y - 1} : at;
    const BITMAP* b = pNVI->pBitmap;
    const S32 boxWidth = w + (bHighlighted ? 9 : 1), boxHeight = bHighlighted ? 23 : 25;
    if (box.x >= b->s32ClipLeft && box.x + boxWidth <= b->s32ClipRight + 1 && box.y >= b->s32ClipBottom &&
        box.y + boxHeight <= b->s32ClipTop + 1) {
      T_CHART_vBox(pNVI, gCOLOR_pcolColorTable[bHighlighted ? 238 : 100], box, (U32)boxWidth,
                        (U32)boxHeight);
    }
  }
  T_CHART_vOutlined(pNVI, at, pFont, sName, text, outline);
}

// A saved route's polyline kept as steps for the points and projection it
// was traced from: a frame lists it as one call.
// It is traced for the anchor of the chart's centre, as tracks are, so that
// a pan or the boat's fix moves it rather than tracing it anew.
typedef struct tag_OVL_KEPT_ROUTE {
  BOOLEAN bTraced;
  S32 nUsed;
  POINT aRel[NAV_MAX_ROUTE_POINTS];
  S32 anProjection[6];  // turn, centre offset, factor and reach
  T_NAV_KEPT_STEPS kept;
} OVL_KEPT_ROUTE;
static OVL_KEPT_ROUTE s_aKeptRoutes[NAV_MAX_ROUTES + 1];  // the last for the cursor's route
static U32 s_u32RouteSerials;

// aPoints are the route's points, aCentred the same relative to the centre.
static void OVL_vKeptPolyLine(OVL_KEPT_ROUTE* pKept, const POINT* aPoints, const POINT* aCentred, S32 nUsed,
                              NAV_VIEW_INFO* pNVI) {
  T_NAV_ANCHOR anchor = T_NAV_anchor(pNVI);
  NAV_VIEW_INFO anchored = *pNVI;
  anchored.ptCenterMM = anchor.ptAnchorMM;
  POINT aRel[NAV_MAX_ROUTE_POINTS];
  // A leg is cut where it leaves the box round the centre, and a cut made
  // for another centre walks other pixels: only a route whose points every
  // centre of the anchor's square holds uncut is traced for the anchor.
  const S32 near = OVL_nClipLimit(pNVI, -anchor.nMorePixels);
  for (S32 i = 0; i < nUsed; i++) {
    aRel[i] = T_NAV_ptRelative(&anchored, aPoints[i]);
    if (aRel[i].x > near || aRel[i].x < -near || aRel[i].y > near || aRel[i].y < -near) {
      anchor = {pNVI->ptCenterMM, {0, 0}, 0};
      anchored.ptCenterMM = anchor.ptAnchorMM;
      memcpy(aRel, aCentred, (size_t)nUsed * sizeof(POINT));
      break;
    }
  }
  const S32 anProjection[6] = {pNVI->RotContext.IntCosAngle, pNVI->RotContext.IntSinAngle, pNVI->CenterOffset.x,
                               pNVI->CenterOffset.y, pNVI->nPixelsPerMMM, anchor.nMorePixels};
  if (!pKept->bTraced || pKept->nUsed != nUsed || memcmp(pKept->anProjection, anProjection, sizeof anProjection) != 0 ||
      memcmp(pKept->aRel, aRel, (size_t)nUsed * sizeof(POINT)) != 0) {
    static std::vector<T_NAV_TRACK_STEP> s_steps;  // the view task's only
    s_steps.clear();
    T_NAV_STEP_SINK sink = {&s_steps, FALSE, FALSE, {0, 0}};
    OVL_vPolyLine(
        aRel, nUsed, &anchored, [&](POINT p) { T_NAV_vAddTrackStep(&sink, T_NAV_TRACK_MOVE, p, 0); },
        [&](POINT p) { T_NAV_vAddTrackStep(&sink, T_NAV_TRACK_LINE, p, 0); }, anchor.nMorePixels);
    T_NAV_vKeepSteps(&pKept->kept, &s_steps, &s_u32RouteSerials);
    pKept->nUsed = nUsed;
    memcpy(pKept->aRel, aRel, (size_t)nUsed * sizeof(POINT));
    memcpy(pKept->anProjection, anProjection, sizeof anProjection);
    pKept->bTraced = TRUE;
  }
  OVL_vCallKeptSteps(pNVI, pKept->kept.steps, pKept->kept.serials.data(), pKept->kept.serials.size(), anchor.shift);
}

static void OVL_vRenderSavedRoute(const ROUTE* pRoute, NAV_VIEW_INFO* pNVI, BOOLEAN bHighlightedRoute,
                                  OVL_KEPT_ROUTE* pKept, const OVL_ROUTE_LABELS* pLabels, S32 nRoute);

void T_NAV_vRenderSavedRoute(const ROUTE* pRoute, NAV_VIEW_INFO* pNVI, BOOLEAN bHighlightedRoute) {
  OVL_vRenderSavedRoute(pRoute, pNVI, bHighlightedRoute, nullptr, nullptr, -1);
}

static void OVL_vRenderSavedRoute(const ROUTE* pRoute, NAV_VIEW_INFO* pNVI, BOOLEAN bHighlightedRoute,
                                  OVL_KEPT_ROUTE* pKept, const OVL_ROUTE_LABELS* pLabels, S32 nRoute) {
  // Files and imports may claim more points than a route holds.
  const S32 n = pRoute->nCount > NAV_MAX_ROUTE_POINTS ? (S32)NAV_MAX_ROUTE_POINTS : (S32)pRoute->nCount;
  if (n == 0) return;
  POINT aRel[NAV_MAX_ROUTE_POINTS], aPoints[NAV_MAX_ROUTE_POINTS];
  S32 used = 0;
  S32 minX = 0x7FFFFFFF, maxX = -0x7FFFFFFF, minY = 0x7FFFFFFF, maxY = -0x7FFFFFFF;
  for (S32 i = 0; i < n; i++) {
    POINT pt;
    if (!OVL_bWaypointAt(pRoute->anWaypoint[i], &pt)) continue;
    aPoints[used] = pt;
    aRel[used] = T_NAV_ptRelative(pNVI, pt);
    minX = aRel[used].x < minX ? aRel[used].x : minX;
    maxX = aRel[used].x > maxX ? aRel[used].x : maxX;
    minY = aRel[used].y < minY ? aRel[used].y : minY;
    maxY = aRel[used].y > maxY ? aRel[used].y : maxY;
    used++;
  }
  const S32 V = OVL_nView(pNVI);
  if (used == 0 || maxX < -V || minX > V || maxY < -V || minY > V) return;
  const S32 colour = bHighlightedRoute ? OVL_nEntry(36) : OVL_u32Palette() == 1 ? OVL_nEntry(32) : (S32)0x8000BDD7u;
  OVL_vPen(pNVI, colour, BRUSH, 2);
  if (pKept != nullptr && T_CHART_bListing()) {
    OVL_vKeptPolyLine(pKept, aPoints, aRel, used, pNVI);
  } else {
    T_NAV_vRenderPolyLineMM(aRel, used, pNVI);
  }
  OVL_vResetPen(pNVI);
  OVL_vRenderRouteLabel(pRoute, pNVI, bHighlightedRoute, pLabels, nRoute);
}

// The view a section of the list follows from, as its inputs hold it.
typedef struct tag_OVL_VIEW_FROM {
  POINT ptCenterMM;
  POINT CenterOffset;
  S32 nPixelsPerMMM;
  S32 nCos;
  S32 nSin;
  S32 anClip[8];  // the bitmap's clip, its size and its full screen's
} OVL_VIEW_FROM;

static OVL_VIEW_FROM OVL_viewFrom(const NAV_VIEW_INFO* pNVI) {
  OVL_VIEW_FROM v;
  memset(&v, 0, sizeof v);  // compared byte for byte, padding too
  v.ptCenterMM = pNVI->ptCenterMM;
  v.CenterOffset = pNVI->CenterOffset;
  v.nPixelsPerMMM = pNVI->nPixelsPerMMM;
  v.nCos = pNVI->RotContext.IntCosAngle;
  v.nSin = pNVI->RotContext.IntSinAngle;
  const BITMAP* b = pNVI->pBitmap;
  const S32 anClip[8] = {b->s32ClipLeft, b->s32ClipRight, b->s32ClipBottom, b->s32ClipTop,
                         b->pixels_wide, b->pixels_high, b->pixels_wide_full_screen, b->pixels_high_full_screen};
  memcpy(v.anClip, anClip, sizeof anClip);
  return v;
}

// What the shown saved routes follow from, byte for byte: the view, the
// colours and fonts, the labels' look-ups, every route record, and for each
// route drawn its points' waypoints and the serials of its kept steps, which
// another pane's view may have traced anew since.
typedef struct tag_OVL_ROUTES_FROM {
  OVL_VIEW_FROM view;
  U32 u32Palette;
  COLOR acolColours[6];
  const FONT_DEF* apFonts[2];
  S32 nCurrent;
  OVL_ROUTE_LABELS labels;
  ROUTE aRoutes[NAV_MAX_ROUTES];
} OVL_ROUTES_FROM;

typedef struct tag_OVL_ROUTE_POINT_FROM {
  POINT pt;
  S32 bValid;
} OVL_ROUTE_POINT_FROM;

static BOOLEAN OVL_bRouteDrawn(const ROUTE* pRoute, S32 nRoute, S32 nCurrent) {
  return pRoute != nullptr && pRoute->nCount != 0 && !pRoute->bHide && nRoute != nCurrent;
}

// The kept steps' serials of every route drawn, from byte at of *pOut; the
// inputs' size.
static size_t OVL_u32RouteSerials(S32 nCurrent, size_t at, std::vector<U8>* pOut) {
  size_t size = at;
  for (S32 i = 0; i < (S32)NAV_MAX_ROUTES; i++) {
    if (!OVL_bRouteDrawn(T_NAV_pGetRoute((U32)i), i, nCurrent)) continue;
    size += (1 + s_aKeptRoutes[i].kept.serials.size()) * sizeof(U32);
  }
  if (pOut->size() < size) pOut->resize(size);
  U8* p = pOut->data() + at;
  for (S32 i = 0; i < (S32)NAV_MAX_ROUTES; i++) {
    if (!OVL_bRouteDrawn(T_NAV_pGetRoute((U32)i), i, nCurrent)) continue;
    const std::vector<U32>& serials = s_aKeptRoutes[i].kept.serials;
    const U32 nSerials = (U32)serials.size();
    memcpy(p, &nSerials, sizeof nSerials);
    p += sizeof nSerials;
    if (nSerials > 0) memcpy(p, serials.data(), nSerials * sizeof(U32));
    p += nSerials * sizeof(U32);
  }
  return size;
}

// The inputs whole into *pOut, their size; where the serials begin to *pAt.
static size_t OVL_u32RouteInputs(const NAV_VIEW_INFO* pNVI, S32 nCurrent, const OVL_ROUTE_LABELS& labels,
                                 std::vector<U8>* pOut, size_t* pAt) {
  static OVL_ROUTES_FROM from;  // the view task's only
  memset(&from, 0, sizeof from);  // compared byte for byte, padding too
  from.view = OVL_viewFrom(pNVI);
  from.u32Palette = OVL_u32Palette();
  const U32 au32Entries[6] = {32, 35, 36, 100, 101, 238};
  for (size_t k = 0; k < 6; k++) from.acolColours[k] = gCOLOR_pcolColorTable[au32Entries[k]];
  from.apFonts[0] = T_NAV_pFont14();
  from.apFonts[1] = T_NAV_pFont17();
  from.nCurrent = nCurrent;
  from.labels = labels;
  size_t size = sizeof from;
  for (S32 i = 0; i < (S32)NAV_MAX_ROUTES; i++) {
    const ROUTE* pRoute = T_NAV_pGetRoute((U32)i);
    if (pRoute != nullptr) memcpy(&from.aRoutes[i], pRoute, sizeof *pRoute);
    if (!OVL_bRouteDrawn(&from.aRoutes[i], i, nCurrent)) continue;
    const U32 n = from.aRoutes[i].nCount;
    size += (n > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : n) * sizeof(OVL_ROUTE_POINT_FROM);
  }
  if (pOut->size() < size) pOut->resize(size);
  memcpy(pOut->data(), &from, sizeof from);
  OVL_ROUTE_POINT_FROM* pPoints = (OVL_ROUTE_POINT_FROM*)(void*)(pOut->data() + sizeof from);
  for (S32 i = 0; i < (S32)NAV_MAX_ROUTES; i++) {
    const ROUTE* pRoute = &from.aRoutes[i];
    if (!OVL_bRouteDrawn(pRoute, i, nCurrent)) continue;
    const U32 n = pRoute->nCount > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : pRoute->nCount;
    for (U32 k = 0; k < n; k++) {
      OVL_ROUTE_POINT_FROM point = {{0, 0}, 0};
      point.bValid = OVL_bWaypointAt(pRoute->anWaypoint[k], &point.pt);
      memcpy(pPoints++, &point, sizeof point);
    }
  }
  *pAt = size;
  return OVL_u32RouteSerials(nCurrent, size, pOut);
}

static void OVL_vRenderAllSavedRoutes(NAV_VIEW_INFO* pNVI) {
  S32 nCurrent = -1;
  H_DATABASE_bFetchS32(FCID("CCRT"), &nCurrent, nullptr, nullptr);
  static OVL_ROUTE_LABELS s_labels;  // the view task's only
  OVL_vFindRouteLabels(&s_labels);
  // Fifty routes of fifty points are many look-ups a frame: while nothing
  // they follow from changed, the kept list's calls are taken as they are.
  static std::vector<U8> s_inputs;  // the view task's only
  const BOOLEAN bSection = T_CHART_bListing();
  BOOLEAN bKept = FALSE;
  size_t at = 0;
  if (bSection) {
    const size_t size = OVL_u32RouteInputs(pNVI, nCurrent, s_labels, &s_inputs, &at);
    bKept = T_CHART_bSectionKept(T_CHART_PART_SAVED_ROUTE, s_inputs.data(), size);
  }
  for (S32 i = 0; i < (S32)NAV_MAX_ROUTES && !bKept; i++) {
    const ROUTE* pRoute = T_NAV_pGetRoute((U32)i);
    if (!OVL_bRouteDrawn(pRoute, i, nCurrent)) continue;
    T_CHART_vElement(T_CHART_PART_SAVED_ROUTE, (U32)i + 1);
    OVL_vRenderSavedRoute(pRoute, pNVI, FALSE, &s_aKeptRoutes[i], &s_labels, i);
  }
  if (bSection) {
    // Drawn, the inputs are as the routes now stand: one drawn for another
    // view was traced anew.
    const size_t size = bKept ? 0 : OVL_u32RouteSerials(nCurrent, at, &s_inputs);
    T_CHART_vSectionEnd(bKept ? nullptr : s_inputs.data(), size);
  }
  // The route that starts at the cursor waypoint again, on top and in red.
  const S32 nCursor = s_labels.nCursor;
  if (nCursor == 65535 || nCursor < 0) return;
  const S32 nRoute = T_NAV_TWR_s32GetIndexOfLastRouteStartingAt(nCursor);
  const ROUTE* pRoute = nRoute >= 0 ? T_NAV_pGetRoute((U32)nRoute) : nullptr;
  if (pRoute != nullptr && pRoute->nCount != 0 && !pRoute->bHide && nCurrent != (S32)NAV_MAX_ROUTES) {
    T_CHART_vElement(T_CHART_PART_CURSOR_ROUTE, 0);
    OVL_vRenderSavedRoute(pRoute, pNVI, TRUE, &s_aKeptRoutes[NAV_MAX_ROUTES], &s_labels, nRoute);
  }
}

// The legs of the saved route being travelled that the navigation leaves
// out (a start in its middle, skipped waypoints), in grey.
static void OVL_vRenderSkippedLegs(NAV_VIEW_INFO* pNVI) {
  if (g_NAV.s32CurrentRoute < 0) return;
  const ROUTE* pStored = T_NAV_pGetRoute((U32)g_NAV.s32CurrentRoute);
  if (pStored == nullptr) return;
  const ROUTE* pRoute = &g_NAV.CurrentRoute;
  const U32 nStored = pStored->nCount > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : pStored->nCount;
  const U32 nNavigated = pRoute->nCount > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : pRoute->nCount;
  if (nStored == 0) return;
  BOOLEAN abSkipped[NAV_MAX_ROUTE_POINTS];
  for (U32 i = 0; i < nStored; i++) {
    abSkipped[i] = TRUE;
    for (U32 k = 0; k < nNavigated && abSkipped[i]; k++) abSkipped[i] = pRoute->anWaypoint[k] != pStored->anWaypoint[i];
  }
  OVL_vPen(pNVI, 7, BRUSH, 2);
  auto leg = [pNVI](U16 from, U16 to) {
    POINT a, b;
    if (!OVL_bWaypointAt(from, &a) || !OVL_bWaypointAt(to, &b)) return;
    POINT seg[2] = {T_NAV_ptRelative(pNVI, a), T_NAV_ptRelative(pNVI, b)};
    T_NAV_vRenderPolyLineMM(seg, 2, pNVI);
  };
  if (abSkipped[0] && nNavigated != 0) leg(pRoute->anWaypoint[0], pStored->anWaypoint[0]);
  for (U32 i = 1; i < nStored; i++) {
    if (abSkipped[i - 1] || abSkipped[i]) leg(pStored->anWaypoint[i - 1], pStored->anWaypoint[i]);
  }
  OVL_vResetPen(pNVI);
}

void T_NAV_vRenderRoute(NAV_VIEW_INFO* pNVI) {
  const ROUTE* pRoute = &g_NAV.CurrentRoute;
  const S32 n = pRoute->nCount > NAV_MAX_ROUTE_POINTS ? (S32)NAV_MAX_ROUTE_POINTS : (S32)pRoute->nCount;
  if (n == 0) return;
  const S32 L = OVL_nClipLimit(pNVI);
  POINT ptLast;
  if (!OVL_bWaypointAt(pRoute->anWaypoint[n - 1], &ptLast)) return;
  const U32 pal = OVL_u32Palette();
  S32 cursorColour = pal == 1 ? OVL_nEntry(32) : OVL_nEntry(35);
  if (g_NAV.u16MOBWaypoint != NAV_NONE || OVL_bIsTrue("CCNC")) {
    // Straight to the destination: no legs, no arrival circle, no corridor.
    // A man overboard is steered to from wherever the boat is, as on the
    // highway.
    POINT a = T_NAV_ptRelative(pNVI, pNVI->ptBoatMM), b = T_NAV_ptRelative(pNVI, ptLast);
    U_NAV_vClipLineToBox(&a, &b, -L, L);
    OVL_vPen(pNVI, 20, BRUSH, 1);
    POINT seg[2] = {a, b};
    T_NAV_vRenderPolyLineMM(seg, 2, pNVI);
    cursorColour = OVL_nEntry(32);
  } else {
    OVL_vRenderSkippedLegs(pNVI);
    POINT aRel[NAV_MAX_ROUTE_POINTS];
    const U32 used = g_NAV.nRoutePointUsed > NAV_MAX_ROUTE_POINTS ? NAV_MAX_ROUTE_POINTS : g_NAV.nRoutePointUsed;
    for (U32 i = 0; i < used; i++) aRel[i] = T_NAV_ptRelative(pNVI, g_NAV.aptRoutePoint[i]);
    U32 target = g_NAV.nRoutePointTarget;
    if (target >= used) target = used == 0 ? 0 : used - 1;
    OVL_vPen(pNVI, 7, BRUSH, 2);
    if (target > 1) T_NAV_vRenderPolyLineMM(&aRel[1], (S32)target, pNVI);
    if (used >= 2 && target >= 1) {
      OVL_vPen(pNVI, cursorColour, BRUSH, 2);
      S32 nLeg = 0;
      NAV_bFetchIndex(FCID("INIP"), &nLeg);
      POINT leg[2] = {aRel[target - 1], aRel[target]};
      if (g_NAV.bStartedRouteInMiddle && nLeg > 0 && (U32)nLeg < used) leg[0] = aRel[0], leg[1] = aRel[nLeg];
      T_NAV_vRenderPolyLineMM(leg, 2, pNVI);
      OVL_vPen(pNVI, OVL_nEntry(238), BRUSH, 2);
      T_NAV_vRenderPolyLineMM(&aRel[target], (S32)(used - target), pNVI);
    }
  }
  OVL_vResetPen(pNVI);
  if (pNVI->bCursorActive) {
    POINT a = {0, 0}, b = T_NAV_ptRelative(pNVI, ptLast);
    U_NAV_vClipLineToBox(&a, &b, -L, L);
    const POINT pb = OVL_ptPixel(pNVI, b);
    OVL_vPen(pNVI, cursorColour, STD_PEN, 3);
    T_CHART_vPatternType(pNVI, 49);
    T_CHART_vPatternIndex(pNVI, 0);
    T_CHART_vPatternStatus(pNVI, TRUE);
    T_CHART_vMove(pNVI, pb);
    T_CHART_vLine(pNVI, {pNVI->CenterOffset.x, pNVI->CenterOffset.y});
    OVL_vResetPen(pNVI);
  }
}

// ---------------------------------------------------------------------------
// Waypoints

// A waypoint's shown name: at most its first 10 bytes, in 16-bit characters
// in a wide language. sOut (NAV_WAYPOINT_NAME_SIZE + 8 bytes) always ends
// in zeros; FALSE when there is nothing to show. With a room (pixels, icon
// included) the name is cut to what fits before "...", nothing when not
// even one character does.
static constexpr size_t OVL_SHOWN_NAME_SIZE = NAV_WAYPOINT_NAME_SIZE + 8;
static BOOLEAN OVL_bShownName(const char* pcName, BOOLEAN bCut, S32 room, S32 iconWidth, const FONT_DEF* pFont,
                              char (&sOut)[OVL_SHOWN_NAME_SIZE]) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const size_t unit = bWide ? 2 : 1;
  size_t n = 0;
  while (n + unit <= 10 && !(pcName[n] == 0 && (unit == 1 || pcName[n + 1] == 0))) n += unit;
  memset(sOut, 0, sizeof sOut);
  memcpy(sOut, pcName, n);
  if (n == 0) return FALSE;
  if (!bCut) return TRUE;
  static const char s_acWideDots[] = {0, '.', 0, '.', 0, '.', 0, 0};
  const char* pcDots = bWide ? s_acWideDots : "...";
  const S32 nameWidth = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)sOut);
  const S32 dotsWidth = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pcDots);
  if (iconWidth + nameWidth < room) return TRUE;
  memset(sOut, 0, sizeof sOut);
  if (room <= iconWidth + dotsWidth) return FALSE;
  const S32 budget = room - iconWidth - dotsWidth;
  S32 sum = 0;
  size_t k = 0;
  while (k < n) {
    S32 cw;
    if (bWide) {
      const char one[4] = {pcName[k], pcName[k + 1], 0, 0};
      cw = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)one);
    } else {
      cw = (S32)G_FONTS_u32GetWidth(pFont, (BYTE)pcName[k]);
    }
    if (sum + cw >= budget) break;
    sum += cw;
    k += unit;
  }
  memcpy(sOut, pcName, k);
  memcpy(sOut + k, pcDots, 3 * unit);
  return TRUE;
}

// What every waypoint of one frame is drawn with, read once for all of them.
typedef struct tag_OVL_WAYPOINT_LOOK {
  BOOLEAN bDeclutter;
  BOOLEAN bLight;
  BOOLEAN bProximity;
  U32 u32RingDiameter;
  const FONT_DEF* pFont;
} OVL_WAYPOINT_LOOK;

static OVL_WAYPOINT_LOOK OVL_waypointLook(const NAV_VIEW_INFO* pNVI) {
  OVL_WAYPOINT_LOOK look;
  look.bDeclutter = OVL_bIsTrue("SNWD");
  look.bLight = OVL_u32Palette() == 1;
  look.bProximity = T_NAV_bProximityWanted(pNVI);
  look.u32RingDiameter = T_NAV_u32CastingRingDiameter(pNVI);
  look.pFont = T_NAV_pFont14();
  return look;
}

static void OVL_vRenderWaypoint(S32 nIndex, const WAYPOINT* pWaypoint, NAV_VIEW_INFO* pNVI, S32 s32DeclutterWaypoint,
                                const OVL_WAYPOINT_LOOK& look) {
  if (pWaypoint->u8Status < WPT_STATUS_SAVED || pWaypoint->u8Status > WPT_STATUS_SAVED_2) return;
  const POINT rel = T_NAV_ptRelative(pNVI, pWaypoint->pt);
  if (!OVL_bInside(rel, OVL_nClipLimit(pNVI))) return;
  const BOOLEAN bDeclutter = look.bDeclutter;
  const BOOLEAN bHidden = bDeclutter && s32DeclutterWaypoint == -1 && pWaypoint->u8Icon != NAV_MOB_ICON;
  const ICON* pIcon = bHidden ? &Waypoint_dctr_icon : T_NAV_pWaypointIcon(pWaypoint->u8Icon);
  const ROUTE* pRoute = &g_NAV.CurrentRoute;
  if (pRoute->nCount != 0 && pRoute->anWaypoint[0] == (U16)nIndex) pIcon = &WaypointStart_icon;
  const POINT p = OVL_ptPixel(pNVI, rel);
  const S32 w = (S32)G_ICON_u32GetWidth(pIcon), h = (S32)G_ICON_u32GetHeight(pIcon);
  const POINT corner = {p.x + 1 - w / 2, p.y - h / 2};
  T_CHART_vElement(T_CHART_PART_WAYPOINT, (U32)nIndex + 1);
  T_CHART_vIcon(pNVI, pIcon, corner);
  const POINT centre = {corner.x + w / 2, corner.y + h / 2};
  if (!(bDeclutter && s32DeclutterWaypoint == -1)) T_NAV_vDrawCastingRingsOf(pNVI, centre, look.u32RingDiameter);
  if (look.bProximity) T_NAV_vAddProximityIndex(nIndex);
  if (bHidden) return;
  char sShown[OVL_SHOWN_NAME_SIZE];
  const FONT_DEF* pFont = look.pFont;
  const BOOLEAN bCut = bDeclutter && s32DeclutterWaypoint > 0;
  const S64 room64 = bCut ? ((S64)s32DeclutterWaypoint * pNVI->nPixelsPerMMM + 0x80000) >> 20 : 0;
  const S32 room = room64 > 100000 ? 100000 : (S32)room64;
  if (!OVL_bShownName(pWaypoint->sName, bCut, room, w, pFont, sShown)) return;
  T_CHART_vOutlined(pNVI, {p.x + 1 + w / 2, p.y - 9}, pFont, sShown, gCOLOR_pcolColorTable[look.bLight ? 32 : 35],
                    gCOLOR_pcolColorTable[look.bLight ? 35 : 32]);
}

void T_NAV_vRenderWaypoint(S32 nIndex, const WAYPOINT* pWaypoint, NAV_VIEW_INFO* pNVI, S32 s32DeclutterWaypoint) {
  OVL_vRenderWaypoint(nIndex, pWaypoint, pNVI, s32DeclutterWaypoint, OVL_waypointLook(pNVI));
}

// Everything the waypoints' calls follow from besides their records: the
// look, the view, the colours and the route's start.
typedef struct tag_OVL_WAYPOINTS_FROM {
  const FONT_DEF* pFont;
  U32 u32RingDiameter;
  BOOLEAN bDeclutter;
  BOOLEAN bLight;
  BOOLEAN bWide;
  OVL_VIEW_FROM view;
  COLOR acolColours[3];
  S32 nStart;
} OVL_WAYPOINTS_FROM;

// A waypoint slot that draws, as its calls follow from it: the slot, the
// record and its declutter room. Slots that draw nothing leave nothing.
typedef struct tag_OVL_WAYPOINT_FROM {
  S32 nIndex;
  WAYPOINT record;
  S32 nDeclutter;
} OVL_WAYPOINT_FROM;

static BOOLEAN OVL_bWaypointDrawn(S32 nIndex, const WAYPOINT* pWaypoint) {
  // Most slots of a store are free or groups, which draw nothing.
  if (pWaypoint == nullptr || pWaypoint->bHide || pWaypoint->u8Status < WPT_STATUS_SAVED ||
      pWaypoint->u8Status > WPT_STATUS_SAVED_2) {
    return FALSE;
  }
  return pWaypoint->u8Status == WPT_STATUS_TEMPORARY || T_NAV_GROUP_bCheckWaypointIsInVisibleGroup((U32)nIndex);
}

// The waypoints' inputs, written in the order they are drawn into pOut
// (kept at its largest size, so that no frame fills it first); their size.
static size_t OVL_u32WaypointInputs(const NAV_VIEW_INFO* pNVI, const OVL_WAYPOINT_LOOK& look, const S32* pDeclutter,
                                  std::vector<U8>* pOut) {
  OVL_WAYPOINTS_FROM from;
  memset(&from, 0, sizeof from);  // compared byte for byte, padding too
  from.pFont = look.pFont;
  from.u32RingDiameter = look.u32RingDiameter;
  from.bDeclutter = look.bDeclutter;
  from.bLight = look.bLight;
  from.bWide = U_WSTRING_bIsUnicodeLanguage();
  from.view = OVL_viewFrom(pNVI);
  from.acolColours[0] = gCOLOR_pcolColorTable[32];
  from.acolColours[1] = gCOLOR_pcolColorTable[35];
  from.acolColours[2] = gCOLOR_pcolColorTable[37];
  from.nStart = g_NAV.CurrentRoute.nCount != 0 ? g_NAV.CurrentRoute.anWaypoint[0] : -1;
  if (pOut->size() < sizeof from + NAV_MAX_WAYPOINTS * sizeof(OVL_WAYPOINT_FROM)) {
    pOut->resize(sizeof from + NAV_MAX_WAYPOINTS * sizeof(OVL_WAYPOINT_FROM));
  }
  memcpy(pOut->data(), &from, sizeof from);
  OVL_WAYPOINT_FROM* pSlots = (OVL_WAYPOINT_FROM*)(pOut->data() + sizeof from);
  size_t n = 0;
  S32 nIndex = -1;
  WAYPOINT* pWaypoint = nullptr;
  while (T_NAV_bScanWaypoints(&nIndex, &pWaypoint, FALSE) && n < NAV_MAX_WAYPOINTS) {
    if (!OVL_bWaypointDrawn(nIndex, pWaypoint)) continue;
    OVL_WAYPOINT_FROM slot;
    slot.nIndex = nIndex;
    slot.record = *pWaypoint;
    slot.nDeclutter = nIndex >= 0 && nIndex < (S32)NAV_MAX_WAYPOINTS && pDeclutter != nullptr ? pDeclutter[nIndex] : 0;
    memcpy(&pSlots[n++], &slot, sizeof slot);
  }
  return sizeof from + n * sizeof(OVL_WAYPOINT_FROM);
}

static void OVL_vRenderWaypoints(NAV_VIEW_INFO* pNVI, BOOLEAN bLeftPane) {
  const S32* pDeclutter = T_NAV_TWR_pGetDeclutterWaypointTable(bLeftPane);
  const OVL_WAYPOINT_LOOK look = OVL_waypointLook(pNVI);
  // A full store's waypoints are most of a frame's calls; while nothing
  // they follow from changed, the kept list's are taken as they are. The
  // proximity candidates are gathered while drawing, so not then.
  static std::vector<U8> s_inputs;  // the view task's only
  const BOOLEAN bSection = T_CHART_bListing() && !look.bProximity;
  if (bSection) {
    const size_t size = OVL_u32WaypointInputs(pNVI, look, pDeclutter, &s_inputs);
    if (T_CHART_bSectionKept(T_CHART_PART_WAYPOINT, s_inputs.data(), size)) {
      T_CHART_vSectionEnd();
      return;
    }
  }
  S32 nIndex = -1;
  WAYPOINT* pWaypoint = nullptr;
  while (T_NAV_bScanWaypoints(&nIndex, &pWaypoint, FALSE)) {
    if (!OVL_bWaypointDrawn(nIndex, pWaypoint)) continue;
    const S32 d = pDeclutter != nullptr && nIndex >= 0 && nIndex < (S32)NAV_MAX_WAYPOINTS ? pDeclutter[nIndex] : 0;
    OVL_vRenderWaypoint(nIndex, pWaypoint, pNVI, d, look);
  }
  if (bSection) T_CHART_vSectionEnd();
}

// ---------------------------------------------------------------------------
// Boat and north arrow

void T_NAV_vRenderBoat(NAV_VIEW_INFO* pNVI) {
  const COLOR lineColour = gCOLOR_pcolColorTable[OVL_u32Palette() == 1 ? 32 : 35];
  const S32 L = OVL_nClipLimit(pNVI);
  POINT rel = T_NAV_ptRelative(pNVI, pNVI->ptBoatMM);
  if (!OVL_bInside(rel, L)) {
    if (pNVI->bCursorActive) {
      POINT a = {0, 0};
      U_NAV_vClipLineToBox(&a, &rel, -L, L);
      const POINT p = OVL_ptPixel(pNVI, rel);
      OVL_vPen(pNVI, (S32)(0x80000000u | lineColour), STD_PEN, 1);
      T_CHART_vMove(pNVI, {pNVI->CenterOffset.x, pNVI->CenterOffset.y});
      T_CHART_vLine(pNVI, p);
    }
    return;
  }
  const POINT p = OVL_ptPixel(pNVI, rel);
  if (pNVI->bCursorActive) {
    OVL_vPen(pNVI, (S32)(0x80000000u | lineColour), BRUSH, 3);
    T_CHART_vMove(pNVI, p);
    T_CHART_vLine(pNVI, {pNVI->CenterOffset.x, pNVI->CenterOffset.y});
    OVL_vResetPen(pNVI);
  }
  float fSpeed = 0.0f;
  U32 u32Source = 0;
  BOOLEAN bPCDemo = FALSE;
  H_DATABASE_bFetchFloat(FCID("ISOG"), &fSpeed, nullptr, nullptr);
  H_DATABASE_bFetchU32(FCID("GPSC"), &u32Source, nullptr, nullptr);
  H_DATABASE_bFetchBoolean(FCID("IPCD"), &bPCDemo, nullptr, nullptr);
  const BOOLEAN bNoFix = T_CHART_bGPSNoFix();
  const BOOLEAN bIce = g_NAV.bInIceMode;
  if (!(fSpeed >= 0.25f) && u32Source != 5 && !bPCDemo) {
    const ICON* pIcon = bNoFix ? &boat_icon_no_gps : bIce ? &Ice_icon_stationary : &boat_icon_stationary;
    const POINT at = {p.x - 1 - pIcon->nWidth / 2, p.y - pIcon->nHeight / 2};
    T_CHART_vIcon(pNVI, pIcon, at);
    return;
  }
  double h = pNVI->fBoatHeading;
  if (!isfinite(h)) h = 0.0;
  if (pNVI->nChartRotation != 0) h = fmod(fmod(h - pNVI->nChartRotation, 360.0) + 360.0, 360.0);
  if (bNoFix) {
    const POINT at = {p.x - 1 - boat_icon_no_gps.nWidth / 2, p.y - boat_icon_no_gps.nHeight / 2};
    T_CHART_vIcon(pNVI, &boat_icon_no_gps, at);
    return;
  }
  const IMAGE32* pImage = pNVI->nChartScale <= 13   ? (bIce ? &boat_icon_ice_0 : &boat_icon_0)
                          : pNVI->nChartScale <= 21 ? (bIce ? &boat_icon_ice_0_medium : &boat_icon_0_medium)
                                                    : (bIce ? &boat_icon_ice_0_small : &boat_icon_0_small);
  const S32 k = (S32)(fmod(fmod(h + 365.0, 360.0) + 360.0, 360.0) * 0.1);
  const POINT centre = {pImage->s32Width / 2, pImage->s32Height / 2};
  // The lines start under the boat, which stays on top.
  T_NAV_vRenderCourseLines(pNVI, p, h, fSpeed);
  T_CHART_vTurnedImage(pNVI, pImage, p, centre, (double)((36 - k) * 10) * M_PI / 180.0);
}

void T_NAV_vRenderNupArrow(NAV_VIEW_INFO* pNVI) {
  const BITMAP* b = pNVI->pBitmap;
  S32 x = b->s32ClipLeft + pNVI->nWindowWidth - 10 - NupBox.nWidth - NupArrow.nWidth / 2;
  S32 y = b->s32ClipBottom + 25;
  S32 nView = 0;
  if (!H_DATABASE_bFetchS32(FCID("CVEW"), &nView, nullptr, nullptr) || nView == -3) nView = U_VIEW_eCurrentView();
  if (nView == 53 || nView == 55) y = b->s32ClipBottom + 111;
  if (nView == 40) x = pNVI->nWindowWidth - 10 - NupBox.nWidth - NupArrow.nWidth / 2;
  const POINT box = {x, y};
  T_CHART_vIcon(pNVI, &NupBox, box);
  const S32 dh = NupBox.nHeight - NupArrow.nHeight;
  const POINT at = {x - 4 + NupBox.nWidth, y + 1 + NupBox.nHeight - NupArrow.nHeight / 2 + (dh < 0 ? -dh : dh) / 2};
  const POINT centre = {NupArrow.nWidth / 2, NupArrow.nHeight / 2};
  T_CHART_vTurnedIcon(pNVI, &NupArrow, at, centre, pNVI->RotContext.AngleRad);
}

static void OVL_vRenderOrientationText(NAV_VIEW_INFO* pNVI, S32 nOrientation) {
  const char* sText = nullptr;
  float fCompass = 0.0f;
  BOOLEAN bValid = FALSE;
  switch (nOrientation) {
    case 0:
      sText = "N-up";
      break;
    case 1:
      sText = H_DATABASE_bFetchFloat(FCID("IHDC"), &fCompass, &bValid, nullptr) && bValid ? "H-up" : "COG";
      break;
    case 2:
      sText = "C-up";
      break;
    default:
      return;
  }
  const BITMAP* b = pNVI->pBitmap;
  const S32 nView = U_VIEW_eCurrentView();
  POINT at = {pNVI->nWindowWidth + b->s32ClipLeft - NupBox.nWidth - NupArrow.nWidth / 2 - 4,
              b->s32ClipBottom + (nView == 53 || nView == 55 ? 111 : 25) + NupBox.nHeight / 2 - 6};
  if (nView == 40) {
    at = {pNVI->nWindowWidth - NupBox.nWidth - NupArrow.nWidth / 2 - 4, b->s32ClipBottom + 19 + NupBox.nHeight / 2};
  }
  char sShown[16];
  snprintf(sShown, sizeof sShown, "%s", sText);
  U_WSTRING_vReplaceNarrowWithWide(sShown, sizeof sShown);
  T_CHART_vText(pNVI, gCOLOR_pcolColorTable[35], at, T_NAV_pFont14(), sShown);
}

// ---------------------------------------------------------------------------
// The overlay

void T_NAV_vDrawChartOverlay(NAV_VIEW_INFO* pNVI, BOOLEAN bRenderCursorWaypoint, BOOLEAN bLeftPane) {
  if (pNVI == nullptr || pNVI->pBitmap == nullptr || pNVI->nPixelsPerMMM <= 0) return;
  const BOOLEAN bCursor = OVL_bIsTrue("ICAC");
  L_MUTEX_LockWait(RES_NAV_DATA);
  T_NAV_vClearProximity();
  BOOLEAN bAIS = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SAIS"), &bAIS, nullptr, nullptr);
  L_MUTEX_LockWait(RES_AIS_DATA);
  if (bAIS) T_NAV_vRenderAIS(pNVI);
  L_MUTEX_Unlock(RES_AIS_DATA);
  T_CHART_vElement(T_CHART_PART_TARGET, 0);
  T_NAV_vRenderWaypointTarget(pNVI);
  T_CHART_vElement(T_CHART_PART_GRID, 0);
  T_NAV_vRenderWaypointGrid(pNVI);
  T_CHART_vElement(T_CHART_PART_OUTLINE, 0);
  T_NAV_vRender3DViewOutline(pNVI);
  T_CHART_vElement(T_CHART_PART_ALARMS, 0);
  T_NAV_vRenderAlarmLimits(pNVI);
  T_NAV_vRenderSavedTracks(pNVI, FALSE);
  U32 u32Style = 2, u32Colour = 0;
  if (!H_DATABASE_bFetchU32(FCID("SNCP"), &u32Style, nullptr, nullptr)) u32Style = 0;
  if (!H_DATABASE_bFetchU32(FCID("SNCC"), &u32Colour, nullptr, nullptr)) u32Colour = 0;
  T_CHART_vElement(T_CHART_PART_CURRENT_TRACK, 0);
  T_NAV_vRenderCurrentTrack(&g_NAV.CurrentTrack, pNVI, u32Style, u32Colour);
  OVL_vRenderAllSavedRoutes(pNVI);
  T_CHART_vElement(T_CHART_PART_ROUTE, 0);
  T_NAV_vRenderRoute(pNVI);
  OVL_vRenderWaypoints(pNVI, bLeftPane);
  T_CHART_vElement(T_CHART_PART_PROXIMITY, 0);
  T_NAV_vRenderProximityFlags(pNVI, bCursor);
  T_CHART_vElement(T_CHART_PART_CURSOR, 0);
  if (bRenderCursorWaypoint) T_NAV_vRenderCursorWaypoint(pNVI);
  L_MUTEX_Unlock(RES_NAV_DATA);
  T_CHART_vElement(T_CHART_PART_BOAT, 0);
  T_NAV_vRenderBoat(pNVI);
  T_CHART_vElement(T_CHART_PART_NORTH, 0);
  S32 nOrientation = 0;
  if (OVL_bIsTrue("SNUP")) {
    nOrientation = OVL_bIsTrue("SCUV") ? 1 : 0;
    T_NAV_vRenderNupArrow(pNVI);
    OVL_vRenderOrientationText(pNVI, nOrientation);
  }
}
