// The ground the bird's-eye pane shows, outlined on the plan pane of the
// chart and bird's-eye splits.

#include <math.h>

#include "gp_rotate.h"
#include "gr_line.h"
#include "h_database.h"
#include "t_chart_list.h"
#include "t_chart_overlay.h"
#include "u_view.h"

// The searches stop once the step falls below this (degrees).
static constexpr double OUTLINE_ANGLE_STEP_MIN = 0.01;
static constexpr double OUTLINE_ARC_STEP = 8.0;
static constexpr S32 OUTLINE_MAX_POINTS = 20;

static BOOLEAN OTL_bFetchS32(const char (&key)[5], S32* pValue) {
  return H_DATABASE_bFetchS32(FCID(key), pValue, nullptr, nullptr);
}

// The bird's-eye pixel of a point in that view's own frame (x right, y ahead
// of the boat).
static POINT OTL_ptPixel(const NAV_VIEW_INFO* pBird, POINT p) {
  U_NAV_vConvertMMToHighwayViewPixel(&p, 0, nullptr, &pBird->CenterOffset, pBird->nPixelsPerMMM,
                                     pBird->nEyeOffsetMM);
  return p;
}

// The ground point on the bird's-eye pixel (right edge, bottom row); both
// pixel coordinates grow with their ground coordinate inside the searched
// square, so one halving step on each axis per round finds it.
static POINT OTL_ptNearCorner(const NAV_VIEW_INFO* pBird, S32 nRightEdge) {
  S64 step = pBird->nEyeOffsetMM / 2;
  POINT p = {(S32)step, (S32)-step};
  while (step > 0) {
    const POINT px = OTL_ptPixel(pBird, p);
    p.x = (S32)(px.x < nRightEdge ? p.x + step : p.x - step);
    p.y = (S32)(px.y < 0 ? p.y + step : p.y - step);
    step /= 2;
  }
  return p;
}

static POINT OTL_ptOnHorizon(S32 nHorizon, double dDegrees) {
  const double r = dDegrees * M_PI / 180.0;
  return {(S32)lround(nHorizon * sin(r)), (S32)lround(nHorizon * cos(r))};
}

// The angle off the heading at which the far edge leaves the pane.
static double OTL_dFarAngle(const NAV_VIEW_INFO* pBird, S32 nRightEdge) {
  double a = 32.0, step = 32.0;
  while (step >= OUTLINE_ANGLE_STEP_MIN) {
    step /= 2.0;
    const POINT px = OTL_ptPixel(pBird, OTL_ptOnHorizon(pBird->nHorizonMM, a));
    a += px.x < nRightEdge ? step : -step;
  }
  return a;
}

// Where the bird's-eye pane looks from, and which way: the cursor when it
// drives that pane, else the boat with the heading the pane turns by.
static void OTL_vEye(const NAV_VIEW_INFO* pNVI, POINT* pCentre, float* pfHeading) {
  *pCentre = pNVI->ptBoatMM;
  *pfHeading = pNVI->fBoatHeading;
  float fCompass = 0.0f;
  if (H_DATABASE_bFetchFloat(FCID("IHDC"), &fCompass, nullptr, nullptr)) *pfHeading = fCompass;
  BOOLEAN bActive = FALSE;
  S32 nLat = 0, nLon = 0;
  float fCursor = 0.0f;
  if (H_DATABASE_bFetchBoolean(FCID("ICAC"), &bActive, nullptr, nullptr) && bActive && OTL_bFetchS32("ICLT", &nLat) &&
      OTL_bFetchS32("ICLN", &nLon) && H_DATABASE_bFetchFloat(FCID("ICHD"), &fCursor, nullptr, nullptr)) {
    *pCentre = {U_NAV_nFoldX(nLon), U_NAV_nClampY(nLat)};
    *pfHeading = fCursor;
  }
  if (!isfinite(*pfHeading) || fabsf(*pfHeading) > 3600.0f) *pfHeading = 0.0f;
}

S32 T_NAV_nBuild3DViewOutline(const NAV_VIEW_INFO* pNVI, POINT* pOut) {
  NAV_VIEW_INFO bird = {};
  S32 nRight = 0;
  if (!OTL_bFetchS32("IBCR", &nRight) || !OTL_bFetchS32("IBCX", &bird.CenterOffset.x) ||
      !OTL_bFetchS32("IBCY", &bird.CenterOffset.y) || !OTL_bFetchS32("IBEO", &bird.nEyeOffsetMM) ||
      !OTL_bFetchS32("IBPM", &bird.nPixelsPerMMM)) {
    return 0;
  }
  // Another build of the pane could have published anything: only the
  // geometry the pane itself can produce is outlined.
  if (bird.nEyeOffsetMM <= 1 || bird.nEyeOffsetMM > (1 << 24) || bird.nPixelsPerMMM <= 0 ||
      nRight <= bird.CenterOffset.x) {
    return 0;
  }
  bird.nHorizonMM = 4 * bird.nEyeOffsetMM;
  const POINT near = OTL_ptNearCorner(&bird, nRight);
  const double a = OTL_dFarAngle(&bird, nRight);
  S32 n = 0;
  pOut[n++] = {-near.x, near.y};
  pOut[n++] = near;
  const S32 nSteps = (S32)ceil(2.0 * a / OUTLINE_ARC_STEP);
  for (S32 i = 0; i <= nSteps && n < OUTLINE_MAX_POINTS - 1; i++) {
    const double d = i == nSteps ? -a : a - OUTLINE_ARC_STEP * i;
    pOut[n++] = OTL_ptOnHorizon(bird.nHorizonMM, d);
  }
  pOut[n++] = pOut[0];
  // From the pane's own frame back onto the ground, then relative to the
  // plan pane's centre.
  POINT centre;
  float fHeading = 0.0f;
  OTL_vEye(pNVI, &centre, &fHeading);
  GP_ROTCONTEXT back;
  gr_ResetRotationContext(&back);
  gr_SetRotationAngle(&back, -(double)fHeading);
  const POINT offset = T_NAV_ptRelative(pNVI, centre);
  for (S32 i = 0; i < n; i++) {
    U_NAV_vRotatePoint(&back, &pOut[i], &pOut[i]);
    pOut[i] = {U_NAV_s32Cut((S64)pOut[i].x + offset.x), U_NAV_s32Cut((S64)pOut[i].y + offset.y)};
  }
  return n;
}

void T_NAV_vRender3DViewOutline(NAV_VIEW_INFO* pNVI) {
  const S32 nView = U_VIEW_eCurrentView();
  if (nView != 54 && nView != 55) return;
  BOOLEAN bShow = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("SPVO"), &bShow, nullptr, nullptr) || !bShow) return;
  POINT aOutline[OUTLINE_MAX_POINTS];
  const S32 n = T_NAV_nBuild3DViewOutline(pNVI, aOutline);
  if (n < 2) return;
  T_CHART_vColour(pNVI, 32);
  T_CHART_vTool(pNVI, BRUSH);
  T_CHART_vSize(pNVI, 2);
  T_NAV_vRenderPolyLineMM(aOutline, n, pNVI);
  T_CHART_vTool(pNVI, STD_PEN);
  T_CHART_vSize(pNVI, 1);
}
