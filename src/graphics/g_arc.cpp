// An arc keeps or drops each point of a full circle walk by how far its octant
// is covered. Inside an octant a test value that grows with the angle (a
// co-ordinate, negated where the angle runs against it) is compared with the
// same value at the arc's start and end points.

#include "g_arc.h"

#include <math.h>

#include "g_pixel.h"
#include "g_span.h"
#include "g_walk.h"

static bool ARC_bDraws(ARC_CONDITIONS eCondition, S64 test, S64 start, S64 end) {
  switch (eCondition) {
    case STARTS_HERE:
      return test >= start;
    case ENTIRELY_FILLED:
      return true;
    case ENDS_HERE:
      return test <= end;
    case ALL_HERE:
      return start <= test && test <= end;
    case STARTS_ENDS_HERE:
      return !(test > end && test < start);
    case NO_PART:
    default:
      return false;
  }
}

// Reduces an angle into 0 <= angle < 360; FALSE for a negative or
// non-finite one.
static bool ARC_bReduce(float* pfAngle) {
  if (!(*pfAngle >= 0.0f) || !isfinite(*pfAngle)) return false;
  *pfAngle = fmodf(*pfAngle, 360.0f);
  return true;
}

void G_ARC_vDraw(BITMAP* pDest, COLOR color, POINT* pCenter, U32 u32Radius, float fStartAngle, float fEndAngle) {
  if (u32Radius == 0 || !ARC_bReduce(&fStartAngle) || !ARC_bReduce(&fEndAngle)) return;

  const S32 startOctant = (S32)fStartAngle / 45;
  const S32 endOctant = (S32)fEndAngle / 45;
  ARC_CONDITIONS aeOctant[8] = {NO_PART, NO_PART, NO_PART, NO_PART, NO_PART, NO_PART, NO_PART, NO_PART};
  if (startOctant != endOctant) {
    aeOctant[startOctant] = STARTS_HERE;
    aeOctant[endOctant] = ENDS_HERE;
    for (S32 o = (startOctant + 1) % 8; o != endOctant; o = (o + 1) % 8) aeOctant[o] = ENTIRELY_FILLED;
  } else if (fStartAngle > fEndAngle) {
    for (ARC_CONDITIONS& e : aeOctant) e = ENTIRELY_FILLED;
    aeOctant[startOctant] = STARTS_ENDS_HERE;
  } else {
    aeOctant[startOctant] = ALL_HERE;
  }

  // The unit's long-standing degree factor, kept so that arc ends fall on
  // the same pixels as ever.
  const double kDegreesToRadians = 0.017453;
  const S64 cx = pCenter->x, cy = pCenter->y;
  const double R = (double)u32Radius;
  const S64 xs = (S64)((double)cx + R * cos(fStartAngle * kDegreesToRadians));
  const S64 ys = (S64)((double)cy + R * sin(fStartAngle * kDegreesToRadians));
  const S64 xe = (S64)((double)cx + R * cos(fEndAngle * kDegreesToRadians));
  const S64 ye = (S64)((double)cy + R * sin(fEndAngle * kDegreesToRadians));

  auto tryPoint = [&](int octant, S64 x, S64 y, S64 test, S64 start, S64 end) {
    if (ARC_bDraws(aeOctant[octant], test, start, end)) {
      G_PIXEL_vPut(pDest, G_SPAN_pixSaturate(x), G_SPAN_pixSaturate(y), color);
    }
  };
  G_WALK_vEveryStep(2 * (S64)u32Radius, [&](S64 a, S64 b) {
    tryPoint(0, cx + b, cy + a, cy + a, ys, ye);
    tryPoint(1, cx + a, cy + b, -(cx + a), -xs, -xe);
    tryPoint(2, cx - a, cy + b, -(cx - a), -xs, -xe);
    tryPoint(3, cx - b, cy + a, -(cy + a), -ys, -ye);
    tryPoint(4, cx - b, cy - a, -(cy - a), -ys, -ye);
    tryPoint(5, cx - a, cy - b, cx - a, xs, xe);
    tryPoint(6, cx + a, cy - b, cx + a, xs, xe);
    tryPoint(7, cx + b, cy - a, cy - a, ys, ye);
  });
}
