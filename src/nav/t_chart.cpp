// The highway view's frame geometry: its centre, eye and scale, and the
// ground it shows.

#include "t_chart.h"

#include <math.h>

#include "h_database.h"
#include "t_info.h"

// The highway's centre column, and the row where infinitely far ground would
// lie (above the 480-row screen), without and with a data-box column.
static constexpr S32 HIGHWAY_CENTRE_X_FULL = 400;
static constexpr S32 HIGHWAY_CENTRE_X_FULL_WITH_BOXES = 496;
static constexpr S32 HIGHWAY_CENTRE_Y = 551;
static constexpr S32 HIGHWAY_CENTRE_Y_WITH_BOXES = 455;
static constexpr S32 HIGHWAY_BOXES_MIN_LEFT = 160;
static constexpr S32 HIGHWAY_SCREEN_SPAN = 859;

S32 T_CHART_nCalculateHighwayEyeOffsetMM(S32 zoom) {
  const S32 shift = zoom - 6;
  return shift >= 0 && shift <= 31 ? (S32)(1u << shift) : 0;
}

S32 T_CHART_nCalculateHighwayPixelsPerMMM(S32 zoom) {
  const S32 shift = 32 - zoom;
  if (shift < 0 || shift > 31) return 0;
  const U32 u32Origin = T_INFO_u32XOrigin();
  const S32 perScreen = u32Origin > (U32)HIGHWAY_SCREEN_SPAN ? 0 : (HIGHWAY_SCREEN_SPAN - (S32)u32Origin) / 60;
  return (S32)((U32)perScreen << shift);
}

void T_CHART_vCalculateHighwayParameters(NAV_VIEW_INFO* pNVI, S32 s32ClipLeft, S32 s32ClipRight, S32 eView) {
  const BOOLEAN bBoxes = T_INFO_u32XOrigin() != 0;
  const BOOLEAN bFull = eView == T_CHART_HIGHWAY_VIEW_LAYER;
  if (!bBoxes) {
    pNVI->CenterOffset.x = bFull ? HIGHWAY_CENTRE_X_FULL : (S32)(((S64)s32ClipLeft + s32ClipRight) / 2);
    pNVI->CenterOffset.y = HIGHWAY_CENTRE_Y;
  } else {
    const S32 left = s32ClipLeft > HIGHWAY_BOXES_MIN_LEFT ? s32ClipLeft : HIGHWAY_BOXES_MIN_LEFT;
    pNVI->CenterOffset.x = bFull ? HIGHWAY_CENTRE_X_FULL_WITH_BOXES : (S32)(((S64)left + s32ClipRight) / 2);
    pNVI->CenterOffset.y = HIGHWAY_CENTRE_Y_WITH_BOXES;
  }
  pNVI->nEyeOffsetMM = T_CHART_nCalculateHighwayEyeOffsetMM(pNVI->nChartScale);
  pNVI->nPixelsPerMMM = T_CHART_nCalculateHighwayPixelsPerMMM(pNVI->nChartScale);
  const struct {
    FOURCHARID key;
    S32 value;
  } published[] = {
      {FCID("IBCX"), pNVI->CenterOffset.x}, {FCID("IBCY"), pNVI->CenterOffset.y},
      {FCID("IBEO"), pNVI->nEyeOffsetMM},   {FCID("IBPM"), pNVI->nPixelsPerMMM},
      {FCID("IBCR"), s32ClipRight},
  };
  for (const auto& item : published) {
    H_DATABASE_bUpdateEverythingS32(item.key, item.value, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  }
}

// The visible ground of the highway view, for a line along one axis, is an
// interval of the other coordinate bounded by the circle of radius 4E around
// the boat, the two cone sides and the near line. Each bound comes from a
// linear inequality a * v <= b (or >=) whose direction the sign of a picks.
typedef struct tag_PERSPECTIVE_BOUNDS {
  S64 lower;
  S64 upper;
} PERSPECTIVE_BOUNDS;

static inline S64 Clamp32(S64 v) {
  if (v > 0x7FFFFFFF) return 0x7FFFFFFF;
  if (v < -(S64)0x80000000) return -(S64)0x80000000;
  return v;
}

// v * divisor <= numerator: an upper bound for a positive divisor, a lower
// one for a negative; nothing when the divisor is 0.
static void BoundAtMost(PERSPECTIVE_BOUNDS* b, S64 numerator, S64 divisor) {
  if (divisor == 0) return;
  const S64 v = Clamp32(numerator / divisor);
  if (divisor > 0) {
    if (v < b->upper) b->upper = v;
  } else {
    if (v > b->lower) b->lower = v;
  }
}

// A rotation context holds a sine and cosine x 1,024; anything else is held
// to that range so the products below keep within 64 bits.
static inline S64 Unit1024(S32 v) { return v > 1024 ? 1024 : v < -1024 ? -1024 : v; }

static BOOLEAN bPerspectiveLimits(S64 n, S32* pMin, S32* pMax, S64 kCone1, S64 aCone1, S64 kCone2, S64 aCone2,
                                  S64 kNear, S64 aNear, S64 E) {
  const double radius = 4.0 * (double)E;
  const double room = radius * radius - (double)n * (double)n;
  if (!(room >= 0.0)) return FALSE;
  const S64 reach = Clamp32((S64)sqrt(room));
  PERSPECTIVE_BOUNDS b = {-reach, reach};
  BoundAtMost(&b, kCone1 * n + 1024 * E, aCone1);
  BoundAtMost(&b, kCone2 * n + 1024 * E, aCone2);
  BoundAtMost(&b, kNear * n + 512 * E, aNear);
  *pMin = (S32)b.lower;
  *pMax = (S32)b.upper;
  return b.lower < b.upper;
}

// With the turn x' = (c x - s y) / 1024, y' = (s x + c y) / 1024 the ground
// shown is 2x' - y' <= E, -2x' - y' <= E and 2y' >= -E within 4E of the boat.
BOOLEAN T_CHART_bPerspectiveLimitsX(S32 nY, S32* nMinX, S32* nMaxX, const GP_ROTCONTEXT* pRotContext,
                                    S32 nEyeOffsetMM) {
  const S64 c = Unit1024(pRotContext->IntCosAngle), s = Unit1024(pRotContext->IntSinAngle);
  // x (2c - s) <= (2s + c) y + 1024E; x (-2c - s) <= (c - 2s) y + 1024E;
  // x (-s) <= c y + 512E.
  return bPerspectiveLimits(nY, nMinX, nMaxX, 2 * s + c, 2 * c - s, c - 2 * s, -2 * c - s, c, -s, nEyeOffsetMM);
}

BOOLEAN T_CHART_bPerspectiveLimitsY(S32 nX, S32* nMinY, S32* nMaxY, const GP_ROTCONTEXT* pRotContext,
                                    S32 nEyeOffsetMM) {
  const S64 c = Unit1024(pRotContext->IntCosAngle), s = Unit1024(pRotContext->IntSinAngle);
  // y (-2s - c) <= (s - 2c) x + 1024E; y (2s - c) <= (2c + s) x + 1024E;
  // y (-c) <= s x + 512E.
  return bPerspectiveLimits(nX, nMinY, nMaxY, s - 2 * c, -2 * s - c, 2 * c + s, 2 * s - c, s, -c, nEyeOffsetMM);
}
