// The ticked line and the wavy line are decorative styles drawn on their own
// rather than through the line pattern. Both are stepped along the major axis
// with the minor axis in 16.16 fixed point, clip every pixel, and run the
// pattern off while they draw; switching it back on at the end restarts its
// phase.

#include "gr_ink.h"
#include "gr_line.h"

// A line stepped along its major axis: position i is (major0 + sMajor * i,
// (minor16 + slope16 * i) >> 16), the minor axis rounded.
typedef struct tag_GR_STEPPER {
  bool xMajor;
  S64 count;  // positions 0 .. count - 1; the end point is left out
  S64 major0;
  S64 sMajor;
  S64 minor16;
  S64 slope16;
} GR_STEPPER;

static GR_STEPPER gr_Stepper(SINT x1, SINT row1, SINT x2, SINT row2) {
  const S64 dx = (S64)x2 - x1, drow = (S64)row2 - row1;
  GR_STEPPER s;
  s.xMajor = (dx < 0 ? -dx : dx) >= (drow < 0 ? -drow : drow);
  const S64 dMajor = s.xMajor ? dx : drow, dMinor = s.xMajor ? drow : dx;
  s.count = dMajor < 0 ? -dMajor : dMajor;
  s.major0 = s.xMajor ? x1 : row1;
  s.sMajor = dMajor < 0 ? -1 : 1;
  s.minor16 = (S64)(s.xMajor ? row1 : x1) * 65536 + 32768;
  s.slope16 = s.count == 0 ? 0 : dMinor * 65536 / s.count;
  return s;
}

// Positions first .. last that can reach the clip when drawn with a reach of
// margin pixels along the major axis.
static void gr_StepRange(const GR_CONTEXT* gc, const GR_STEPPER* s, S64 margin, S64* pFirst, S64* pLast) {
  const S64 lo = (s->xMajor ? gc->cliporig.px : gc->cliporig.py) - margin;
  const S64 hi = (s->xMajor ? gc->cliplim.px : gc->cliplim.py) + margin;
  S64 first = s->sMajor > 0 ? lo - s->major0 : s->major0 - hi;
  S64 last = s->sMajor > 0 ? hi - s->major0 : s->major0 - lo;
  *pFirst = first < 0 ? 0 : first;
  *pLast = last > s->count - 1 ? s->count - 1 : last;
}

// Position i moved by (along, across) pixels, as a column and a row.
static void gr_StepPoint(const GR_STEPPER* s, S64 i, S64 along, S64 across, S64* pX, S64* pRow) {
  const S64 major = s->major0 + s->sMajor * i + along;
  const S64 minor = ((s->minor16 + s->slope16 * i) >> 16) + across;
  *pX = s->xMajor ? major : minor;
  *pRow = s->xMajor ? minor : major;
}

static void gr_PutClipped(const GR_CONTEXT* gc, GR_INK ink, S64 x, S64 row) {
  if (gf_InClip(gc, x, row)) gr_Ink(gr_PixelAt(gc, x, row), ink);
}

// A dash of three, a gap of two, a dash of two, every seven positions; each
// period starts with a tick of four pixels across the line, two on either
// side, set back along the line by the slope so that it stands square to
// it.
U32 gf_DrawCrossLine(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2) {
  gr_SetPatternStatus(gc, 0);
  const GR_INK ink = gr_InkOf(gc);
  const GR_STEPPER s = gr_Stepper(x1, row1, x2, row2);
  S64 first, last;
  gr_StepRange(gc, &s, 3, &first, &last);
  static const S64 s_aTickAcross[] = {-2, -1, 1, 2};
  for (S64 i = first; i <= last; i++) {
    const S64 phase = i % 7;
    if (phase == 3 || phase == 4) continue;
    S64 x, row;
    gr_StepPoint(&s, i, 0, 0, &x, &row);
    gr_PutClipped(gc, ink, x, row);
    if (phase != 0) continue;
    for (S64 across : s_aTickAcross) {
      const S64 along = -s.sMajor * ((across * s.slope16 + (across * s.slope16 >= 0 ? 32768 : -32768)) / 65536);
      gr_StepPoint(&s, i, along, across, &x, &row);
      gr_PutClipped(gc, ink, x, row);
    }
  }
  gc->cp.px = x2;
  gc->cp.py = row2;
  gr_SetPatternStatus(gc, 1);
  return GR_DONE;
}

// A quarter circle of radius 2, from its top to its side.
static const S64 s_aArcX[4] = {0, 1, 2, 2};
static const S64 s_aArcY[4] = {2, 2, 1, 0};
// Quarters 0 upper right, 1 upper left, 2 lower left, 3 lower right (y up).
static const S64 s_aQuarterSignX[4] = {1, -1, -1, 1};
static const S64 s_aQuarterSignY[4] = {1, 1, -1, -1};

void gf_FindArc(SINT dx, SINT drow, SINT side, SINT* first, SINT* last, SINT* dir) {
  const bool flat = (dx < 0 ? -(S64)dx : dx) >= (drow < 0 ? -(S64)drow : drow);
  // From the quarter nearer the start of the line to the one nearer its end.
  if (flat) {
    const bool rightward = dx >= 0;
    if (side == 0) {  // above
      *first = rightward ? 1 : 0;
      *last = rightward ? 0 : 1;
      *dir = rightward ? -1 : 1;
    } else {
      *first = rightward ? 2 : 3;
      *last = rightward ? 3 : 2;
      *dir = rightward ? 1 : -1;
    }
  } else {
    const bool upward = drow < 0;
    if (side == 0) {  // right
      *first = upward ? 3 : 0;
      *last = upward ? 0 : 3;
      *dir = upward ? 1 : -1;
    } else {
      *first = upward ? 2 : 1;
      *last = upward ? 1 : 2;
      *dir = upward ? -1 : 1;
    }
  }
}

// The quarters first to last about (cx, crow). The two quarters of a half
// circle share one table point, written once; the points where the arc
// meets its line are the joints, which the caller writes.
void gf_DrawArc(GRCONTEXTPTR gc, SINT cx, SINT crow, SINT first, SINT last, SINT dir) {
  const GR_INK ink = gr_InkOf(gc);
  const SINT q0 = first & 3, qn = last & 3;
  const bool upperOrLower = s_aQuarterSignY[q0] == s_aQuarterSignY[qn];
  const int shared = upperOrLower ? 0 : 3, onLine = upperOrLower ? 3 : 0;
  SINT q = q0;
  for (int n = 0; n < 4; n++) {
    for (int i = 0; i < 4; i++) {
      if (q0 != qn && (i == onLine || (i == shared && q != q0))) continue;
      gr_PutClipped(gc, ink, (S64)cx + s_aQuarterSignX[q] * s_aArcX[i], (S64)crow - s_aQuarterSignY[q] * s_aArcY[i]);
    }
    if (q == qn) break;
    q = (q + dir) & 3;
  }
}

// Half circles of radius 2 on alternating sides, one every four positions,
// joined on the line; a last stub shorter than an arc is drawn straight.
U32 gf_DrawUndulatedLine(GRCONTEXTPTR gc, SINT x1, SINT row1, SINT x2, SINT row2) {
  gr_SetPatternStatus(gc, 0);
  const GR_INK ink = gr_InkOf(gc);
  const GR_STEPPER s = gr_Stepper(x1, row1, x2, row2);
  SINT first, last, dir;
  S64 from, to;
  gr_StepRange(gc, &s, 4, &from, &to);
  const S64 arcs = s.count / 4;
  for (S64 i = from - from % 4; i <= to; i += 4) {
    S64 x, row;
    gr_StepPoint(&s, i, 0, 0, &x, &row);
    if (i / 4 >= arcs) {
      for (S64 k = i; k <= to; k++) {
        gr_StepPoint(&s, k, 0, 0, &x, &row);
        gr_PutClipped(gc, ink, x, row);
      }
      break;
    }
    // Joints lie inside the clip; gr_SetPixel takes y upward.
    if (gf_InClip(gc, x, row)) gr_SetPixel(gc, (SINT)x, gf_RowOf(gc, (SINT)row));
    gf_FindArc(s.xMajor ? (SINT)s.sMajor : 0, s.xMajor ? 0 : (SINT)s.sMajor, (SINT)((i / 4) & 1), &first, &last,
               &dir);
    gr_StepPoint(&s, i + 2, 0, 0, &x, &row);
    if (x >= INT32_MIN + 2 && x <= INT32_MAX - 2 && row >= INT32_MIN + 2 && row <= INT32_MAX - 2) {
      gf_DrawArc(gc, (SINT)x, (SINT)row, first, last, dir);
    }
  }
  gc->cp.px = x2;
  gc->cp.py = row2;
  gr_SetPatternStatus(gc, 1);
  return GR_DONE;
}
