// Integer navigation maths, the plan and highway projections with their
// clipping, the ground scale and position text.
//
// The projections were laid out for 32-bit products that stay in range once
// the caller has clipped; here every product is formed in 64 bits (wrapping
// rather than overflowing for absurd input, see u_nav.h) and cut to 32 bits
// where the result is stored.

#include "u_nav.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "navmath.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

static inline S64 Mul64(S64 a, S64 b) { return U_NAV_s64WrapMul(a, b); }
static inline S64 Add64(S64 a, S64 b) { return U_NAV_s64WrapAdd(a, b); }
static inline S64 Sub64(S64 a, S64 b) { return (S64)((U64)a - (U64)b); }
static inline S32 Cut32(S64 v) { return U_NAV_s32Cut(v); }
static inline S32 Saturate32(S64 v) {
  if (v > 0x7FFFFFFF) return 0x7FFFFFFF;
  if (v < -(S64)0x80000000) return (S32)0x80000000;
  return (S32)v;
}

// ---- Integer trigonometry and headings ----

S32 U_NAV_nIntSin(S32 nAngle) {
  S64 n = nAngle < 0 ? -(S64)nAngle : (S64)nAngle;
  if (n >= 360) n = n < 720 ? n - 360 : n % 360;
  S32 r;
  if (n <= 90) {
    r = anSinTable[n];
  } else if (n <= 180) {
    r = anSinTable[180 - n];
  } else if (n <= 270) {
    r = -anSinTable[n - 180];
  } else {
    r = -anSinTable[360 - n];
  }
  return nAngle < 0 ? -r : r;
}

// Reduced first so that the quarter turn added cannot leave the 32-bit range.
S32 U_NAV_nIntCos(S32 nAngle) { return U_NAV_nIntSin(nAngle % 360 + 90); }

S32 U_NAV_nIntLog2(S32 n) {
  U32 v = n < 0 ? 0u - (U32)n : (U32)n;
  S32 bit = 0;
  while (v > 1) {
    v >>= 1;
    bit++;
  }
  return bit;
}

BOOLEAN U_NAV_bDistanceLessThanOrEqual(POINT ptMM, S32 nThresholdMM) {
  S64 ax = llabs((S64)ptMM.x), ay = llabs((S64)ptMM.y), t = nThresholdMM;
  if (ax > t || ay > t) return FALSE;
  if (t >= ax + ay) return TRUE;
  // Squares must stay within 31 bits: big thresholds lose low bits first.
  if (t >= 32768) {
    const S32 shift = U_NAV_nIntLog2((S32)t) - 14;
    ax >>= shift;
    ay >>= shift;
    t >>= shift;
  }
  return ax * ax + ay * ay <= t * t;
}

S16 U_NAV_nHeadingDiff(U16 nHeading1, U16 nHeading2) {
  const S32 d = (S32)nHeading1 - (S32)nHeading2;
  return (S16)(((d + 179) % 360 + 360) % 360 - 179);
}

U16 U_NAV_nHeadingSum(U16 nHeading, S16 nOffset) {
  return (U16)((((S32)nHeading + nOffset) % 360 + 360) % 360);
}

// ---- Ground scale ----

U16 U_NAV_u16ScalingMMPerKm(S32 nLatMM) {
  const S64 index = (llabs((S64)nLatMM) + 32768) >> 16;
  return au16ScalingMMPerKm[index < U_NAV_SCALING_ENTRIES ? index : U_NAV_SCALING_ENTRIES - 1];
}

// ---- Projections ----

static constexpr S32 HIGHWAY_PRESCALE_LIMIT = 0x40000;

static inline void Turn(const GP_ROTCONTEXT* pRot, S32 x, S32 y, S32* pxOut, S32* pyOut) {
  POINT p = {x, y};
  U_NAV_vRotatePoint(pRot, &p, &p);
  *pxOut = p.x;
  *pyOut = p.y;
}

void U_NAV_vConvertMMToPixelNoRotation(POINT* pPoint, const POINT* pCenterOffset, S32 nPixelsPerMMM) {
  U_NAV_vConvertMMToPixel(pPoint, nullptr, pCenterOffset, nPixelsPerMMM);
}

// The view's factor, and the point, altitude and eye scaled with it.
static inline void HighwayPrescale(S32* px, S32* py, S32* pAlt, S32* pEye, S32* pFactor) {
  if (*pFactor <= HIGHWAY_PRESCALE_LIMIT) return;
  *px = Cut32((S64)*px * 16);
  *py = Cut32((S64)*py * 16);
  *pAlt = Cut32((S64)*pAlt * 16);
  *pEye = Cut32((S64)*pEye * 16);
  *pFactor >>= 4;
}

// A turned, prescaled point in front of the eye to its pixel's x and y.
static inline S32 HighwayPixelX(S64 x, S64 y, S32 eye, S32 factor, S32 nCenterX) {
  const S64 X = U_NAV_s64RoundedDivide(Mul64(eye, x), y + eye);
  return Cut32(Add64(nCenterX, Add64(Mul64(X, factor), 0x80000) >> 20));
}

static inline S32 HighwayPixelY(S64 y, S32 alt, S32 eye, S32 factor, S32 nCenterY) {
  const S64 Y = U_NAV_s64RoundedDivide(Mul64((S64)alt - eye / 2, eye), y + eye);
  return Cut32(Add64(nCenterY, Add64(Mul64(Y, factor), 0x80000) >> 20));
}

void U_NAV_vConvertMMToHighwayViewPixel(POINT* pPoint, S32 nAltitude, const GP_ROTCONTEXT* pRotContext,
                                        const POINT* pCenterOffset, S32 nPixelsPerMMM, S32 nEyeOffsetMM) {
  S32 x = pPoint->x, y = pPoint->y, alt = nAltitude, eye = nEyeOffsetMM, factor = nPixelsPerMMM;
  HighwayPrescale(&x, &y, &alt, &eye, &factor);
  if (pRotContext != nullptr) Turn(pRotContext, x, y, &x, &y);
  if ((S64)y <= -(S64)eye) {
    pPoint->x = 0;
    pPoint->y = 0;
    return;
  }
  pPoint->x = HighwayPixelX(x, y, eye, factor, pCenterOffset->x);
  pPoint->y = HighwayPixelY(y, alt, eye, factor, pCenterOffset->y);
}

BOOLEAN U_NAV_bHighwayViewPixelBox(POINT ptLow, POINT ptHigh, const GP_ROTCONTEXT* pRotContext,
                                   const POINT* pCenterOffset, S32 nPixelsPerMMM, S32 nEyeOffsetMM, POINT* pptLow,
                                   POINT* pptHigh) {
  // Every turned axis is a rounded, rising function of a linear one, so the
  // box's corners bound it; x' / (y' + eye) is monotonic in each of x' and y'
  // alone, so the corners of the turned bounds bound the pixel's x.
  S32 alt = 0, eye = nEyeOffsetMM, factor = nPixelsPerMMM, unused = 0;
  S32 x0 = ptLow.x, y0 = ptLow.y, x1 = ptHigh.x, y1 = ptHigh.y;
  HighwayPrescale(&x0, &y0, &alt, &eye, &factor);
  HighwayPrescale(&x1, &y1, &unused, &unused, &unused);
  if (factor <= 0 || eye <= 0) return FALSE;
  const POINT corners[4] = {{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}};
  S64 xLo = 0, xHi = 0, yLo = 0, yHi = 0;
  for (int k = 0; k < 4; k++) {
    S32 x = corners[k].x, y = corners[k].y;
    if (pRotContext != nullptr) Turn(pRotContext, x, y, &x, &y);
    if (k == 0 || x < xLo) xLo = x;
    if (k == 0 || x > xHi) xHi = x;
    if (k == 0 || y < yLo) yLo = y;
    if (k == 0 || y > yHi) yHi = y;
  }
  if (yLo <= -(S64)eye) return FALSE;
  const S32 ax[4] = {HighwayPixelX(xLo, yLo, eye, factor, pCenterOffset->x),
                     HighwayPixelX(xLo, yHi, eye, factor, pCenterOffset->x),
                     HighwayPixelX(xHi, yLo, eye, factor, pCenterOffset->x),
                     HighwayPixelX(xHi, yHi, eye, factor, pCenterOffset->x)};
  const S32 ay[2] = {HighwayPixelY(yLo, alt, eye, factor, pCenterOffset->y),
                     HighwayPixelY(yHi, alt, eye, factor, pCenterOffset->y)};
  pptLow->x = pptHigh->x = ax[0];
  for (int k = 1; k < 4; k++) {
    if (ax[k] < pptLow->x) pptLow->x = ax[k];
    if (ax[k] > pptHigh->x) pptHigh->x = ax[k];
  }
  pptLow->y = ay[0] < ay[1] ? ay[0] : ay[1];
  pptHigh->y = ay[0] < ay[1] ? ay[1] : ay[0];
  return TRUE;
}

void U_NAV_vHighwayPrepare(U_NAV_HIGHWAY* pHighway, const GP_ROTCONTEXT* pRotContext, const POINT* pCenterOffset,
                           S32 nPixelsPerMMM, S32 nEyeOffsetMM) {
  memset(pHighway, 0, sizeof *pHighway);
  if (pRotContext != nullptr) {
    pHighway->rot = *pRotContext;
  } else {
    pHighway->rot.IntCosAngle = 1024;  // turns every point onto itself
  }
  S32 unused = 0, alt = 0;
  pHighway->nEye = nEyeOffsetMM;
  pHighway->nFactor = nPixelsPerMMM;
  pHighway->bScaled = nPixelsPerMMM > HIGHWAY_PRESCALE_LIMIT;
  HighwayPrescale(&unused, &unused, &alt, &pHighway->nEye, &pHighway->nFactor);
  pHighway->ptCenterOffset = *pCenterOffset;
}

POINT U_NAV_ptHighwayPixel(const U_NAV_HIGHWAY* pHighway, POINT ptTurned) {
  const S32 eye = pHighway->nEye, factor = pHighway->nFactor;
  if ((S64)ptTurned.y <= -(S64)eye) return {0, 0};
  return {HighwayPixelX(ptTurned.x, ptTurned.y, eye, factor, pHighway->ptCenterOffset.x),
          HighwayPixelY(ptTurned.y, 0, eye, factor, pHighway->ptCenterOffset.y)};
}

static inline S64 FloorDivide(S64 n, S64 d) { return n / d - (n % d != 0 && n < 0 ? 1 : 0); }

// The least quotient q whose pixel, centre + floor((q * factor + 2^19) /
// 2^20), lies at offset v or beyond.
static inline S64 HighwayLeastQuotient(S64 v, S64 factor) { return -FloorDivide(-(v * 0x100000 - 0x80000), factor); }

void U_NAV_vHighwayKeepQuotients(U_NAV_HIGHWAY* pHighway, U_NAV_HIGHWAY_QUOTIENTS* pKept) {
  pHighway->pKept = nullptr;
  if (pKept == nullptr || pHighway->nFactor <= 0) return;
  if (pKept->nFactor != pHighway->nFactor) {
    for (S32 v = -U_NAV_HIGHWAY_KEPT_OFFSETS; v <= U_NAV_HIGHWAY_KEPT_OFFSETS; v++) {
      pKept->as64Quotient[v + U_NAV_HIGHWAY_KEPT_OFFSETS] = HighwayLeastQuotient(v, pHighway->nFactor);
    }
    pKept->nFactor = pHighway->nFactor;
  }
  pHighway->pKept = pKept;
}

// The quotients whose pixels lie within [low, high] of the centre:
// [*pqLow, *pqHigh].
static void HighwayQuotients(const U_NAV_HIGHWAY* pHighway, S64 low, S64 high, S64* pqLow, S64* pqHigh) {
  const U_NAV_HIGHWAY_QUOTIENTS* pKept = pHighway->pKept;
  const S64 R = U_NAV_HIGHWAY_KEPT_OFFSETS;
  if (pKept != nullptr && pKept->nFactor == pHighway->nFactor && low >= -R && high + 1 <= R) {
    *pqLow = pKept->as64Quotient[low + R];
    *pqHigh = pKept->as64Quotient[high + 1 + R] - 1;
    return;
  }
  *pqLow = HighwayLeastQuotient(low, pHighway->nFactor);
  *pqHigh = HighwayLeastQuotient(high + 1, pHighway->nFactor) - 1;
}

void U_NAV_vHighwayNear(const U_NAV_HIGHWAY* pHighway, POINT ptPixel, S32 nReach, U_NAV_HIGHWAY_NEAR* pNear) {
  memset(pNear, 0, sizeof *pNear);
  const S64 eye = pHighway->nEye, factor = pHighway->nFactor;
  // Products of these with a depth (under 2^32) or a coordinate stay under
  // 2^62.
  constexpr S64 LIMIT = (S64)1 << 29;
  if (eye <= 0 || eye >= LIMIT || factor <= 0 || nReach < 0) return;
  S64 xLow = 0, xHigh = 0, yLow = 0, yHigh = 0;
  const S64 dx = (S64)ptPixel.x - pHighway->ptCenterOffset.x, dy = (S64)ptPixel.y - pHighway->ptCenterOffset.y;
  HighwayQuotients(pHighway, dx - nReach, dx + nReach, &xLow, &xHigh);
  HighwayQuotients(pHighway, dy - nReach, dy + nReach, &yLow, &yHigh);
  for (S64 q : {xLow, xHigh, yLow, yHigh}) {
    if (q <= -LIMIT || q >= LIMIT) return;
  }
  // A quotient rounded half away from zero is at most h where the exact
  // one is below h + 1/2, and at least l where it is above l - 1/2.
  pNear->s64XLow = 2 * xLow - 1;
  pNear->s64XHigh = 2 * xHigh + 1;
  pNear->s64YLow = 2 * yLow - 1;
  pNear->s64YHigh = 2 * yHigh + 1;
  pNear->s64TwiceEye = 2 * eye;
  pNear->s64TwiceHeight = 2 * (-(eye / 2) * eye);
  pNear->nEye = (S32)eye;
  pNear->bAny = TRUE;
}

BOOLEAN U_NAV_bHighwayNearBox(const U_NAV_HIGHWAY* pHighway, const U_NAV_HIGHWAY_NEAR* pNear, POINT ptLow,
                              POINT ptHigh) {
  if (!pNear->bAny) return FALSE;
  // Within 2^30 after the prescale, a point's turn neither wraps nor cuts.
  const S64 scale = pHighway->bScaled ? 16 : 1, LIMIT = (S64)1 << 30;
  const S64 x0 = ptLow.x * scale, x1 = ptHigh.x * scale, y0 = ptLow.y * scale, y1 = ptHigh.y * scale;
  if (x0 <= -LIMIT || x1 >= LIMIT || y0 <= -LIMIT || y1 >= LIMIT || x0 > x1 || y0 > y1) return FALSE;
  // Every point's exact turn lies in the hull of the corners' exact turns,
  // and rounding moves a corner and a point by at most half a unit on each
  // axis. The tests are linear in the turned point, so they hold over the
  // box where they hold at the rounded corners with one unit to spare each
  // way.
  const S64 c = pHighway->rot.IntCosAngle, s = pHighway->rot.IntSinAngle, N = pNear->nEye;
  const S64 TE = pNear->s64TwiceEye, TH = pNear->s64TwiceHeight;
  const S64 ax[4] = {x0, x1, x0, x1}, ay[4] = {y0, y0, y1, y1};
  S64 dMin = 0, dMax = 0, lowMax = 0, highMax = 0;
  for (int k = 0; k < 4; k++) {
    const S64 tx = (c * ax[k] - s * ay[k] + 512) >> 10, D = ((c * ay[k] + s * ax[k] + 512) >> 10) + N;
    const S64 low = pNear->s64XLow * D - TE * tx, high = TE * tx - pNear->s64XHigh * D;
    if (k == 0 || D < dMin) dMin = D;
    if (k == 0 || D > dMax) dMax = D;
    if (k == 0 || low > lowMax) lowMax = low;
    if (k == 0 || high > highMax) highMax = high;
  }
  dMin--;
  dMax++;
  return dMin > 0 && pNear->s64YLow * dMin < TH && pNear->s64YLow * dMax < TH && TH < pNear->s64YHigh * dMin &&
         TH < pNear->s64YHigh * dMax && lowMax + llabs(pNear->s64XLow) + TE < 0 &&
         highMax + llabs(pNear->s64XHigh) + TE < 0;
}

// ---- Clipping ----

static constexpr S64 CLIP_ONE = (S64)1 << 30;

// Where along a run of length len (> 0) a limit at signed distance dist from
// the start lies, in units of 2^-30; just outside [0, 1] when it lies
// behind the start or beyond the end.
static inline S64 ClipParameter(S64 dist, S64 len) {
  if (dist < 0) return -1;
  if (dist > len) return CLIP_ONE + 1;
  return (dist << 30) / len;
}

static inline S32 Clamp(S64 v, S32 lo, S32 hi) {
  if (v < lo) return lo;
  if (v > hi) return hi;
  return (S32)v;
}

void U_NAV_vClipLineToBox(POINT* ppt0, POINT* ppt1, S32 nLowerLimit, S32 nUpperLimit) {
  const S64 start[2] = {ppt0->x, ppt0->y};
  const S64 delta[2] = {(S64)ppt1->x - ppt0->x, (S64)ppt1->y - ppt0->y};
  S64 enter = 0, leave = CLIP_ONE;
  for (int axis = 0; axis < 2; axis++) {
    const S64 d = delta[axis];
    if (d == 0) continue;
    const S64 len = llabs(d);
    const S64 toLower = nLowerLimit - start[axis], toUpper = nUpperLimit - start[axis];
    const S64 tEnter = ClipParameter(d > 0 ? toLower : -toUpper, len);
    const S64 tLeave = ClipParameter(d > 0 ? toUpper : -toLower, len);
    if (tEnter > enter) enter = tEnter;
    if (tLeave < leave) leave = tLeave;
  }
  S64 end0[2] = {start[0], start[1]};
  S64 end1[2] = {ppt1->x, ppt1->y};
  for (int axis = 0; axis < 2; axis++) {
    // One step past each cut point, so the new ends lie strictly inside.
    if (enter != 0) end0[axis] = start[axis] + (((enter + 1) * delta[axis]) >> 30);
    if (leave != CLIP_ONE) end1[axis] = start[axis] + (((leave - 1) * delta[axis]) >> 30);
  }
  ppt0->x = Clamp(end0[0], nLowerLimit, nUpperLimit);
  ppt0->y = Clamp(end0[1], nLowerLimit, nUpperLimit);
  ppt1->x = Clamp(end1[0], nLowerLimit, nUpperLimit);
  ppt1->y = Clamp(end1[1], nLowerLimit, nUpperLimit);
}

static inline S32 BitLength(U64 v) { return v == 0 ? 0 : 64 - __builtin_clzll(v); }

// v / 2^s rounded half up, without forming v + 2^(s-1).
static inline S64 ShiftRounded(S64 v, S32 s) { return (v >> s) + ((v >> (s - 1)) & 1); }

S32 U_NAV_s32LineSegmentIntersection(POINT pt1, POINT pt2, POINT pt3, POINT pt4, S32* ps32CrossProduct) {
  const S64 d1x = (S64)pt2.x - pt1.x, d1y = (S64)pt2.y - pt1.y;
  const S64 d2x = (S64)pt4.x - pt3.x, d2y = (S64)pt4.y - pt3.y;
  S64 D = Sub64(Mul64(d1x, d2y), Mul64(d1y, d2x));
  if (ps32CrossProduct != nullptr) *ps32CrossProduct = Saturate32(D);
  if (D == 0) return 0x7FFFFFFF;
  S64 N = Sub64(Mul64((S64)pt1.y - pt3.y, d2x), Mul64(d2y, (S64)pt1.x - pt3.x));
  const S32 bits = BitLength(N < 0 ? 0 - (U64)N : (U64)N);
  // N x 2^16 must fit in 63 bits: both sides lose the same low bits.
  if (bits > 47) {
    const S32 shift = bits - 46;
    const BOOLEAN bPositive = (N > 0) == (D > 0);
    N = ShiftRounded(N, shift);
    D = ShiftRounded(D, shift);
    if (D == 0) return bPositive ? 0x7FFFFFFF : (S32)0x80000000;
  }
  return Saturate32(N * 65536 / D);
}

// The highway view's visible ground in the turned frame, eye at (0, -E): a
// cone of slope +-2 from the eye, cut by the near line y = -E/2 and by a roof
// whose far corners lie on the circle of radius 4E around the boat. Each edge
// runs with the visible side on its left.
typedef struct tag_HIGHWAY_EDGE {
  POINT from;
  POINT to;
} HIGHWAY_EDGE;

static void HighwayEdges(S32 E, HIGHWAY_EDGE edges[5]) {
  const POINT eye = {0, Cut32(-(S64)E)};
  const POINT nearRight = {E / 4, Cut32(-(S64)E / 2)};
  const POINT nearLeft = {-(E / 4), nearRight.y};
  const POINT farRight = {Cut32(2220 * (S64)E / 1024), Cut32(3415 * (S64)E / 1024)};
  const POINT farLeft = {Cut32(-2220 * (S64)E / 1024), farRight.y};
  const POINT top = {0, Cut32(4 * (S64)E)};
  edges[0] = {eye, nearRight};
  edges[1] = {nearLeft, eye};
  edges[2] = {nearLeft, nearRight};
  edges[3] = {top, farLeft};
  edges[4] = {farRight, top};
}

BOOLEAN U_NAV_bClipLineToHighwayView(POINT* ppt0, POINT* ppt1, const GP_ROTCONTEXT* pRotContext,
                                     S32 nEyeOffsetMM) {
  POINT r0 = *ppt0, r1 = *ppt1;
  if (pRotContext != nullptr) {
    U_NAV_vRotatePoint(pRotContext, ppt0, &r0);
    U_NAV_vRotatePoint(pRotContext, ppt1, &r1);
  }
  HIGHWAY_EDGE edges[5];
  HighwayEdges(nEyeOffsetMM, edges);
  S64 tMin = 0, tMax = U_NAV_HIGHWAY_UNIT;
  for (const HIGHWAY_EDGE& edge : edges) {
    S32 cross = 0;
    const S32 t = U_NAV_s32LineSegmentIntersection(r0, r1, edge.from, edge.to, &cross);
    if (cross == 0) {
      // Parallel to this edge: wholly on one side of it.
      const S64 side = Sub64(Mul64((S64)edge.to.x - edge.from.x, (S64)r0.y - edge.from.y),
                             Mul64((S64)edge.to.y - edge.from.y, (S64)r0.x - edge.from.x));
      if (side < 0) return FALSE;
      continue;
    }
    if (cross < 0) {
      if (t > tMin) tMin = t;
    } else {
      if (t < tMax) tMax = t;
    }
    if (tMax <= tMin) return FALSE;
  }
  const S64 x0 = ppt0->x, y0 = ppt0->y;
  const S64 dx = (S64)ppt1->x - x0, dy = (S64)ppt1->y - y0;
  if (tMin != 0) {
    ppt0->x = Cut32(x0 + (((tMin + 1) * dx) >> 16));
    ppt0->y = Cut32(y0 + (((tMin + 1) * dy) >> 16));
  }
  if (tMax != U_NAV_HIGHWAY_UNIT) {
    ppt1->x = Cut32(x0 + (((tMax - 1) * dx) >> 16));
    ppt1->y = Cut32(y0 + (((tMax - 1) * dy) >> 16));
  }
  return TRUE;
}

// ---- Position text ----

static constexpr U32 POSITION_NUMBER_CHARS = 30;
static constexpr U32 HEMISPHERE_CHARS = 4;
static constexpr U32 PARSE_WIDE_CHARS = 40;
static constexpr U32 PARSE_NARROW_CHARS = 20;
static constexpr U16 UNIT_BLANK = 0x0020;
static constexpr U16 UNIT_IDEOGRAPHIC_SPACE = 0x3000;

// Wide text is 16-bit big-endian units.
static inline U16 UnitAt(const char* p, U32 u32Index) {
  return (U16)((U8)p[2 * u32Index] << 8 | (U8)p[2 * u32Index + 1]);
}

// |value| in the notation, as 8-bit text of at most 30 characters.
static void FormatNumber(BOOLEAN bLatitude, double a, NAV_FORMAT_ENUM eFormat, char* out, U32 u32Size) {
  if (eFormat == F_DD_DDDDD) {
    snprintf(out, u32Size, bLatitude ? "%08.5f\xBA" : "%09.5f\xBA", a);
    return;
  }
  double degrees = floor(a);
  if (eFormat == F_DD_MM_SS) {
    const double m = (a - degrees) * 60.0;
    double minutes = floor(m);
    double seconds = floor(0.5 + (m - minutes) * 60.0);
    if (seconds >= 59.5) {
      seconds = 0.0;
      minutes += 1.0;
    }
    if (minutes >= 59.5) {
      minutes = 0.0;
      degrees += 1.0;
    }
    snprintf(out, u32Size, bLatitude ? "%02.0f\xBA%02.0f'%02.0f\"" : "%03.0f\xBA%02.0f'%02.0f\"", degrees, minutes,
             seconds);
    return;
  }
  double minutes = (a - degrees) * 60.0;
  // 59.9995 and above would print as 60.000.
  if (minutes >= 59.9995) {
    minutes = 0.0;
    degrees += 1.0;
  }
  snprintf(out, u32Size, bLatitude ? "%02.0f\xBA%06.3f'" : "%03.0f\xBA%06.3f'", degrees, minutes);
}

void U_NAV_vFormatPosition(DATA_TYPE eType, double dValue, char* sValue, NAV_FORMAT_ENUM eFormat, U32 nLang,
                           INFO_POSITION_SPACING ePositionHasSpace) {
  if (sValue == nullptr) return;
  if (nLang >= UI_TEXT_LANGUAGES) nLang = LANGUAGE_ENGLISH;
  const BOOLEAN bLatitude = eType == D_POSITION_LAT;
  const BOOLEAN bPositive = dValue >= 0.0;
  const char* pcLetter = (bLatitude ? (bPositive ? Direction_N : Direction_S)
                                    : (bPositive ? Direction_E : Direction_W))[nLang];
  // The blank and the number as 8-bit text, widened after the letter in a
  // wide language (starting with a blank or two digits, it never passes for
  // text that is wide already).
  char acTail[1 + POSITION_NUMBER_CHARS + 1];
  const U32 u32Blank = ePositionHasSpace == IPS_SPACE ? 1 : 0;
  acTail[0] = ' ';
  FormatNumber(bLatitude, fabs(dValue), eFormat, acTail + u32Blank, POSITION_NUMBER_CHARS + 1);
  if (nLang >= UI_TEXT_FIRST_WIDE) {
    U32 n = 0;
    while (n < 2 * HEMISPHERE_CHARS && UnitAt(pcLetter, n / 2) != 0) {
      sValue[n] = pcLetter[n];
      sValue[n + 1] = pcLetter[n + 1];
      n += 2;
    }
    U_WSTRING_vAscii2Unicode(sValue + n, acTail, 0, TRUE);
    for (char* p = sValue + n; UnitAt(p, 0) != 0; p += 2) {
      if (UnitAt(p, 0) == U_NAV_DEGREE_SIGN) p[1] = (char)U_NAV_WIDE_DEGREE_SIGN;
    }
    return;
  }
  const U32 n = (U32)strnlen(pcLetter, HEMISPHERE_CHARS);
  memcpy(sValue, pcLetter, n);
  memcpy(sValue + n, acTail, strlen(acTail) + 1);
}

// Degrees, then minutes after the degree sign up to an apostrophe, then
// seconds up to a double quote; 0 without a degree sign.
static double dParseNumber(char* text) {
  char* pDegree = strchr(text, (char)U_NAV_DEGREE_SIGN);
  if (pDegree == nullptr) return 0.0;
  *pDegree = 0;
  double value = strtod(text, nullptr);
  char* pMinutes = pDegree + 1;
  char* pApostrophe = strchr(pMinutes, '\'');
  if (pApostrophe == nullptr) return value;
  *pApostrophe = 0;
  value += strtod(pMinutes, nullptr) / 60.0;
  char* pSeconds = pApostrophe + 1;
  char* pQuote = strchr(pSeconds, '"');
  if (pQuote == nullptr) return value;
  *pQuote = 0;
  return value + strtod(pSeconds, nullptr) / 3600.0;
}

BOOLEAN U_NAV_bParsePosition(DATA_TYPE eType, const char* sValue, double* pdValue, NAV_FORMAT_ENUM eFormat,
                             U32 nLang) {
  // The text is read in the current language's form and letters.
  (void)eFormat;
  (void)nLang;
  if (sValue == nullptr || pdValue == nullptr) return FALSE;
  const unsigned language = nCurrentLanguage();
  const BOOLEAN bWide = language >= UI_TEXT_FIRST_WIDE;
  const BOOLEAN bLatitude = eType == D_POSITION_LAT;
  const char* pcNegative = (bLatitude ? Direction_S : Direction_W)[language];
  const char* pcPositive = (bLatitude ? Direction_N : Direction_E)[language];
  // The narrowing keeps room for a byte per wide byte: 40 units need 81.
  char acNumber[2 * PARSE_WIDE_CHARS + 1];
  U16 first, negative, positive;
  if (bWide) {
    first = UnitAt(sValue, 0);
    if (first == 0) return FALSE;
    const U16 second = UnitAt(sValue, 1);
    if (second != UNIT_BLANK && second != UNIT_IDEOGRAPHIC_SPACE) return FALSE;
    U_WSTRING_vUnicode2Ascii(acNumber, sValue + 4, sizeof acNumber, TRUE);
    // Wide text carries Unicode's degree sign, narrowed here to its low byte.
    for (char* p = acNumber; *p != 0; p++) {
      if ((U8)*p == (U8)U_NAV_WIDE_DEGREE_SIGN) *p = (char)U_NAV_DEGREE_SIGN;
    }
    negative = UnitAt(pcNegative, 0);
    positive = UnitAt(pcPositive, 0);
  } else {
    first = (U8)sValue[0];
    if (first == 0 || sValue[1] != ' ') return FALSE;
    strncpy(acNumber, sValue + 2, PARSE_NARROW_CHARS);
    acNumber[PARSE_NARROW_CHARS] = 0;
    negative = (U8)pcNegative[0];
    positive = (U8)pcPositive[0];
  }
  const double value = dParseNumber(acNumber);
  if (first == negative) {
    *pdValue = -value;
    return TRUE;
  }
  *pdValue = value;
  return first == positive;
}

// ---- Track ring ----
//
// Adding a point is on the journal replay's path for every entry of two
// full journals, so the ring indexes wrap by a subtraction, not a division.

constexpr U32 TRACK_N = TRACK_DELTA_ENTRIES;

static inline S32 TRACK_nFold(S64 x) {
  if (x >= -NV_X_LIMIT && x <= NV_X_LIMIT) return (S32)x;
  S64 v = (x + NV_X_LIMIT) % NV_X_CIRCUMFERENCE;
  if (v < 0) v += NV_X_CIRCUMFERENCE;
  return (S32)(v - NV_X_LIMIT);
}

static inline S32 TRACK_nClamp(S64 y) { return (S32)(y > NV_Y_LIMIT ? NV_Y_LIMIT : (y < -NV_Y_LIMIT ? -NV_Y_LIMIT : y)); }

S32 U_NAV_nFoldX(S32 x) { return TRACK_nFold(x); }
S32 U_NAV_nClampY(S32 y) { return TRACK_nClamp(y); }

// Any index into the ring; below 2N (the usual case) without a division.
static inline U32 TRACK_u32Ring(U32 index) {
  return index < TRACK_N ? index : (index < 2 * TRACK_N ? index - TRACK_N : index % TRACK_N);
}

static inline BOOLEAN TRACK_bIsEntry(const TRACK_DELTA_DEPTH_TRIPLE* p, S16 value) {
  return p->x == value && p->y == value;
}

void U_NAV_vClearTrack(TRACK_HEADER* pTrackHeader) {
  if (pTrackHeader == nullptr) return;
  pTrackHeader->u16Count = 0;
  pTrackHeader->u16FirstDelta = 0;
}

static inline BOOLEAN TRACK_bGapAt(const TRACK* pTrack, U32 first, U32 index) {
  // Entry number k (1 = oldest) of the ring index; the step must be k + 2.
  const U32 k = (index >= first ? index - first : index + TRACK_N - first) + 1;
  if (k + 2 > (U32)pTrack->sHeader.u16Count - 1) return FALSE;
  return TRACK_bIsEntry(&pTrack->aDelta[index], TRACK_GAP_FIRST) &&
         TRACK_bIsEntry(&pTrack->aDelta[TRACK_u32Ring(index + 1)], TRACK_GAP_SECOND);
}

BOOLEAN U_NAV_bTrackDeltaIsGapPoint(const TRACK* pTrack, U32 u32Index) {
  if (pTrack->sHeader.u16Count <= 1 || u32Index >= TRACK_N) return FALSE;
  return TRACK_bGapAt(pTrack, TRACK_u32Ring(pTrack->sHeader.u16FirstDelta), u32Index);
}

// Drops the oldest point, and a gap marker in front of the next one with it.
static void TRACK_vDropOldest(TRACK* pTrack) {
  TRACK_HEADER* h = &pTrack->sHeader;
  U32 first = TRACK_u32Ring(h->u16FirstDelta);
  U32 dropped = 1;
  if (TRACK_bIsEntry(&pTrack->aDelta[first], TRACK_GAP_FIRST) && TRACK_bGapAt(pTrack, first, first)) {
    first = TRACK_u32Ring(first + 2);
    dropped = 3;
  }
  const TRACK_DELTA_DEPTH_TRIPLE* step = &pTrack->aDelta[first];
  h->ptFirst.x = TRACK_nFold((S64)h->ptFirst.x + step->x);
  h->ptFirst.y = TRACK_nClamp((S64)h->ptFirst.y + step->y);
  h->u16Count = (U16)(h->u16Count > dropped ? h->u16Count - dropped : 1);
  h->u16FirstDelta = (U16)TRACK_u32Ring(first + 1);
}

static inline void TRACK_vPut(TRACK* pTrack, S32 x, S32 y, U16 u16Depth) {
  TRACK_HEADER* h = &pTrack->sHeader;
  TRACK_DELTA_DEPTH_TRIPLE* e = &pTrack->aDelta[TRACK_u32Ring((U32)h->u16FirstDelta + h->u16Count - 1)];
  e->x = (S16)x;
  e->y = (S16)y;
  e->u16Depth = u16Depth;
  h->u16Count++;
}

// x moved by a circumference toward xLast when that is the short way round.
static inline S32 TRACK_nNearX(S32 x, S32 xLast) {
  if ((S64)x - xLast > NV_X_LIMIT || (S64)xLast - x > NV_X_LIMIT) {
    if (x < 0) return x + NV_X_CIRCUMFERENCE;
    if (x > 0) return x - NV_X_CIRCUMFERENCE;
  }
  return x;
}

static inline BOOLEAN TRACK_bFits(S64 d) { return d < 32768 && d > -32768; }

void U_NAV_vAddTrackPoint(TRACK* pTrack, POINT ptNew, U16 u16Depth, BOOLEAN bGapPoint) {
  if (pTrack == nullptr) return;
  TRACK_HEADER* h = &pTrack->sHeader;
  // Out of range, the halving below would never end.
  ptNew.x = TRACK_nFold(ptNew.x);
  ptNew.y = TRACK_nClamp(ptNew.y);
  if (h->u16Count == 0) {
    h->ptFirst = h->ptLast = h->ptLowerLeft = h->ptUpperRight = ptNew;
    h->u16FirstDelta = (U16)TRACK_u32Ring(h->u16FirstDelta);
    h->u16Count = 1;
    return;
  }
  S32 x = TRACK_nNearX(ptNew.x, h->ptLast.x);
  while (!TRACK_bFits((S64)x - h->ptLast.x) || !TRACK_bFits((S64)ptNew.y - h->ptLast.y)) {
    // Each middle point is at most half as far, so the recursion is shallow.
    const POINT mid = {TRACK_nFold(((S64)h->ptLast.x + x) / 2), TRACK_nClamp(((S64)h->ptLast.y + ptNew.y) / 2)};
    U_NAV_vAddTrackPoint(pTrack, mid, u16Depth, bGapPoint);
    x = TRACK_nNearX(ptNew.x, h->ptLast.x);
  }
  if (bGapPoint) {
    while (h->u16Count > TRACK_MAX_COUNT - 3) TRACK_vDropOldest(pTrack);
    TRACK_vPut(pTrack, TRACK_GAP_FIRST, TRACK_GAP_FIRST, 0);
    TRACK_vPut(pTrack, TRACK_GAP_SECOND, TRACK_GAP_SECOND, 0);
  } else {
    while (h->u16Count >= TRACK_MAX_COUNT) TRACK_vDropOldest(pTrack);
  }
  TRACK_vPut(pTrack, x - h->ptLast.x, ptNew.y - h->ptLast.y, u16Depth);
  h->ptLast.x = TRACK_nFold(x);
  h->ptLast.y = ptNew.y;
  if (h->ptLast.x < h->ptLowerLeft.x) h->ptLowerLeft.x = h->ptLast.x;
  if (h->ptLast.y < h->ptLowerLeft.y) h->ptLowerLeft.y = h->ptLast.y;
  if (h->ptLast.x > h->ptUpperRight.x) h->ptUpperRight.x = h->ptLast.x;
  if (h->ptLast.y > h->ptUpperRight.y) h->ptUpperRight.y = h->ptLast.y;
}

void U_NAV_vAddTrackSteps(TRACK* pTrack, const TRACK_DELTA_DEPTH_TRIPLE* pSteps, U32 u32Steps) {
  if (pTrack == nullptr || pSteps == nullptr) return;
  TRACK_HEADER* h = &pTrack->sHeader;
  TRACK_DELTA_DEPTH_TRIPLE* ring = pTrack->aDelta;
  // The header's moving parts as plain locals, so that they stay in
  // registers: in memory the ring's 16-bit entries could alias them.
  U32 count = 0, first = 0;
  S32 firstX = 0, firstY = 0, lastX = 0, lastY = 0, minX = 0, minY = 0, maxX = 0, maxY = 0;
  auto Load = [&] {
    count = h->u16Count;
    first = TRACK_u32Ring(h->u16FirstDelta);
    firstX = h->ptFirst.x, firstY = h->ptFirst.y, lastX = h->ptLast.x, lastY = h->ptLast.y;
    minX = h->ptLowerLeft.x, minY = h->ptLowerLeft.y, maxX = h->ptUpperRight.x, maxY = h->ptUpperRight.y;
  };
  auto Store = [&] {
    h->u16Count = (U16)count;
    h->u16FirstDelta = (U16)first;
    h->ptFirst = {firstX, firstY};
    h->ptLast = {lastX, lastY};
    h->ptLowerLeft = {minX, minY};
    h->ptUpperRight = {maxX, maxY};
  };
  Load();
  for (U32 i = 0; i < u32Steps; i++) {
    const TRACK_DELTA_DEPTH_TRIPLE step = pSteps[i];
    const S64 y = (S64)lastY + step.y;
    // A step that adding the point would store otherwise (halved, clamped),
    // or a track without a point to step from, goes the general way.
    if (count - 1 >= TRACK_MAX_COUNT || step.x == -32768 || step.y == -32768 || y > NV_Y_LIMIT || y < -NV_Y_LIMIT) {
      Store();
      U_NAV_vAddTrackPoint(pTrack, {TRACK_nFold((S64)lastX + step.x), TRACK_nClamp(y)}, step.u16Depth, FALSE);
      Load();
      continue;
    }
    if (count == TRACK_MAX_COUNT) {
      U32 oldest = first, dropped = 1;
      if (TRACK_bIsEntry(&ring[oldest], TRACK_GAP_FIRST) &&
          TRACK_bIsEntry(&ring[TRACK_u32Ring(oldest + 1)], TRACK_GAP_SECOND)) {
        oldest = TRACK_u32Ring(oldest + 2);
        dropped = 3;
      }
      firstX = TRACK_nFold((S64)firstX + ring[oldest].x);
      firstY = TRACK_nClamp((S64)firstY + ring[oldest].y);
      count -= dropped;
      first = oldest + 1 < TRACK_N ? oldest + 1 : 0;
    }
    const U32 at = first + count - 1;
    ring[at < TRACK_N ? at : at - TRACK_N] = step;
    count++;
    lastX = TRACK_nFold((S64)lastX + step.x);
    lastY = (S32)y;
    minX = lastX < minX ? lastX : minX;
    minY = lastY < minY ? lastY : minY;
    maxX = lastX > maxX ? lastX : maxX;
    maxY = lastY > maxY ? lastY : maxY;
  }
  Store();
}

BOOLEAN U_NAV_bScanPlainSteps(const TRACK* pTrack, U16* pu16Iterator, POINT ptFrom, U32 u32Count, POINT* aOut) {
  const TRACK_HEADER* h = &pTrack->sHeader;
  const U32 it = *pu16Iterator;
  if (it == 0 || it + u32Count > h->u16Count) return FALSE;
  U32 index = TRACK_u32Ring(TRACK_u32Ring(h->u16FirstDelta) + it - 1);
  // Wrapping sums: a caller's wrong promise gives wrong points, not
  // undefined ones.
  U32 x = (U32)ptFrom.x, y = (U32)ptFrom.y;
  for (U32 k = 0; k < u32Count;) {
    // Up to the ring's end, then on from its start.
    const U32 n = u32Count - k < TRACK_N - index ? u32Count - k : TRACK_N - index;
    const TRACK_DELTA_DEPTH_TRIPLE* e = &pTrack->aDelta[index];
    for (U32 i = 0; i < n; i++, k++) {
      x += (U32)(S32)e[i].x;
      y += (U32)(S32)e[i].y;
      aOut[k] = {(S32)x, (S32)y};
    }
    index = 0;
  }
  *pu16Iterator = (U16)(it + u32Count);
  return TRUE;
}

TRACKPOINT_TYPE U_NAV_eScanTrack(const TRACK* pTrack, U16* pu16Iterator, POINT* ppt, U16* pu16Depth) {
  const TRACK_HEADER* h = &pTrack->sHeader;
  const U16 it = *pu16Iterator;
  if (it >= h->u16Count) {
    *pu16Iterator = (U16)(it + 1);
    return TRACKPOINT_INVALID;
  }
  if (it == 0) {
    *ppt = h->ptFirst;
    if (pu16Depth != nullptr) *pu16Depth = 0;
    *pu16Iterator = 1;
    return TRACKPOINT_NORMAL;
  }
  const U32 first = TRACK_u32Ring(h->u16FirstDelta);
  U32 index = TRACK_u32Ring(first + it - 1);
  TRACKPOINT_TYPE eType = TRACKPOINT_NORMAL;
  U32 next = (U32)it + 1;
  if (TRACK_bIsEntry(&pTrack->aDelta[index], TRACK_GAP_FIRST) && TRACK_bGapAt(pTrack, first, index)) {
    eType = TRACKPOINT_GAP;
    index = TRACK_u32Ring(index + 2);
    next += 2;
  }
  const TRACK_DELTA_DEPTH_TRIPLE* e = &pTrack->aDelta[index];
  ppt->x = TRACK_nFold((S64)ppt->x + e->x);
  ppt->y = TRACK_nClamp((S64)ppt->y + e->y);
  if (pu16Depth != nullptr) *pu16Depth = e->u16Depth;
  *pu16Iterator = (U16)next;
  return eType;
}
