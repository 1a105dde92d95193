// The lines ahead of a moving boat on the plan chart: the course projection
// (setting SCCP: 0 none, 1 the run of the next ten minutes, 2 a run long
// enough to read at the zoom, 3 on to the pane's edge) with the distance it
// covers at its end, and the compass heading line (SNHL) on to the edge.

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "color.h"
#include "gr_context.h"
#include "gr_line.h"
#include "h_database.h"
#include "t_chart_list.h"
#include "t_chart_marks.h"
#include "t_chart_overlay.h"
#include "u_convert.h"
#include "u_language.h"
#include "u_nav.h"
#include "u_wstring.h"
#include "ui_texts.h"

// Far enough to leave any pane; the graphic context cuts the line there.
static constexpr double CRS_EDGE_PIXELS = 1200.0;
static constexpr S32 CRS_FIXED_MINUTES = 10;
// The spans the automatic style chooses from, in minutes; a day and more
// is shown as such rather than as a distance.
static constexpr S32 s_anSpanMinutes[] = {1, 2, 5, 10, 15, 30, 60, 120, 240, 480, 960, 1440};
static constexpr S32 CRS_DAY_MINUTES = 1400;

static POINT CRS_ptAlong(POINT from, double dHeading, double dPixels) {
  const double a = dHeading * M_PI / 180.0;
  return {from.x + (S32)lround(sin(a) * dPixels), from.y + (S32)lround(cos(a) * dPixels)};
}

static void CRS_vLine(NAV_VIEW_INFO* pNVI, POINT from, POINT to, S32 size) {
  T_CHART_vColour(pNVI, (S32)(0x80000000u | gCOLOR_pcolColorTable[39]));
  T_CHART_vTool(pNVI, size > 1 ? BRUSH : STD_PEN);
  T_CHART_vSize(pNVI, size);
  T_CHART_vMove(pNVI, from);
  T_CHART_vLine(pNVI, to);
  T_CHART_vTool(pNVI, STD_PEN);
  T_CHART_vSize(pNVI, 1);
}

// A ground distance in the short or long unit of the distance setting, in
// the current language's form; a setting without a unit pair says so.
static void CRS_vDistanceText(double dMetres, char* sOut, size_t size) {
  U32 u32Units = U_STAT_MILES;
  H_DATABASE_bFetchU32(FCID("SUDS"), &u32Units, nullptr, nullptr);
  const double feet = dMetres / 0.3048;
  // Below a long unit: the short one without decimals; else the long one with one.
  BOOLEAN bShort = FALSE;
  double dShort = dMetres, dLong = 0.0;
  const char* const* ppShort = m;
  const char* const* ppLong = nm;
  switch (u32Units) {
    case U_STAT_MILES:
      bShort = feet < 5280.0;
      dShort = feet;
      dLong = feet / 5280.0;
      ppShort = ft;
      ppLong = sm;
      break;
    case U_NAUT_MILES:
    case U_NAUT_MILES_FT:
      bShort = dMetres < 1852.0;
      dShort = feet;
      dLong = dMetres / 1852.0;
      ppShort = ft;
      break;
    case U_KM:
      bShort = dMetres < 1000.0;
      dLong = dMetres / 1000.0;
      ppLong = km;
      break;
    case U_NAUT_MILES_M:
      bShort = dMetres < 1852.0;
      dLong = dMetres / 1852.0;
      break;
    default:
      // Cut short if need be, and always ended (by two zero bytes when wide).
      memset(sOut, 0, size);
      U_WSTRING_vw_strncpy(sOut, Unknown[nCurrentLanguage()], (U32)size - 2, FALSE);
      return;
  }
  char sNumber[24];
  snprintf(sNumber, sizeof sNumber, bShort ? "%.0f" : "%.1f", bShort ? dShort : dLong);
  T_NAV_vNumberAndUnit(sOut, (U32)size, sNumber, "", bShort ? ppShort : ppLong);
}

// Pixels per ground metre at the chart centre.
static double CRS_dPixelsPerMetre(const NAV_VIEW_INFO* pNVI) {
  return (double)U_NAV_u16ScalingMMPerKm(pNVI->ptCenterMM.y) / 1024.0 * (double)pNVI->nPixelsPerMMM / 1048576.0;
}

void T_NAV_vRenderCourseLines(NAV_VIEW_INFO* pNVI, POINT ptBoat, double dHeading, float fSpeed) {
  U32 u32Style = 0;
  H_DATABASE_bFetchU32(FCID("SCCP"), &u32Style, nullptr, nullptr);
  BOOLEAN bHeadingLine = FALSE;
  float fCompass = 0.0f;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchBoolean(FCID("SNHL"), &bHeadingLine, nullptr, nullptr) && bHeadingLine &&
      H_DATABASE_bFetchFloat(FCID("IHDC"), &fCompass, &bValid, nullptr) && bValid && isfinite(fCompass)) {
    CRS_vLine(pNVI, ptBoat, CRS_ptAlong(ptBoat, (double)fCompass - pNVI->nChartRotation, CRS_EDGE_PIXELS), 1);
  }
  if (u32Style == 0 || !isfinite(dHeading)) return;
  if (u32Style >= 3) {
    CRS_vLine(pNVI, ptBoat, CRS_ptAlong(ptBoat, dHeading, CRS_EDGE_PIXELS), 2);
    return;
  }
  if (!(fSpeed > 0.0f) || !isfinite(fSpeed)) return;
  const double dPerMetre = CRS_dPixelsPerMetre(pNVI);
  S32 nMinutes = CRS_FIXED_MINUTES;
  if (u32Style == 2) {
    // The shortest span whose run reaches a quarter of the pane's height.
    const double dWanted = (pNVI->pBitmap->s32ClipTop - pNVI->pBitmap->s32ClipBottom + 1) / 4.0;
    for (S32 m : s_anSpanMinutes) {
      nMinutes = m;
      if ((double)fSpeed * 60.0 * m * dPerMetre >= dWanted) break;
    }
  }
  const double dMetres = (double)fSpeed * 60.0 * nMinutes;
  const double dPixels = dMetres * dPerMetre;
  const POINT end = CRS_ptAlong(ptBoat, dHeading, dPixels < CRS_EDGE_PIXELS ? dPixels : CRS_EDGE_PIXELS);
  CRS_vLine(pNVI, ptBoat, end, 2);
  // A short bar across the end, and what the run covers.
  CRS_vLine(pNVI, CRS_ptAlong(end, dHeading - 90.0, 6.0), CRS_ptAlong(end, dHeading + 90.0, 6.0), 2);
  char sText[40] = {};
  if (nMinutes >= CRS_DAY_MINUTES) {
    U_WSTRING_vw_strncpy(sText, More_Than_A_Day[nCurrentLanguage()], sizeof sText - 2, FALSE);
  } else {
    CRS_vDistanceText(dMetres, sText, sizeof sText);
  }
  U32 u32Palette = 0;
  H_DATABASE_bFetchU32(FCID("SPAL"), &u32Palette, nullptr, nullptr);
  const BOOLEAN bLight = u32Palette == 1;
  T_CHART_vOutlined(pNVI, {end.x + 8, end.y - 6}, T_NAV_pFont14(), sText, gCOLOR_pcolColorTable[bLight ? 32 : 35],
                    gCOLOR_pcolColorTable[bLight ? 35 : 32]);
}
