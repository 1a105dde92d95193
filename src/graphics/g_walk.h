// Circles, rounded corners and arcs share one half-step circle walk, so that
// all of them round off alike.
// Internal to the graphics library.
//
// The walk runs on a doubled grid: with a doubled radius D it keeps i (from
// 0), d (from D) and an error term e (from -D) while i <= d, and hands the
// drawing step the halves a = i / 2 and b = d / 2 (a <= b), so every drawn
// radius is D / 2 rounded down. The three shapes differ in their error rule
// and in which steps draw; steps that do not draw still advance.
#pragma once

#include "basetypes.h"

// Circles: draws on even i; e += 2i + 1, and d steps down when e >= 0.
template <typename DRAW>
static inline void G_WALK_vCircle(S64 s64Doubled, DRAW&& fnDraw) {
  S64 i = 0, d = s64Doubled, e = -s64Doubled;
  while (i <= d) {
    if ((i & 1) == 0) fnDraw(i / 2, d / 2);
    e += 2 * i + 1;
    i++;
    if (e >= 0) {
      e -= 2 * d - 1;
      d--;
    }
  }
}

// Rounded outlines and arcs: draws on every i; d steps down when e > 0.
template <typename DRAW>
static inline void G_WALK_vEveryStep(S64 s64Doubled, DRAW&& fnDraw) {
  S64 i = 0, d = s64Doubled, e = -s64Doubled;
  while (i <= d) {
    fnDraw(i / 2, d / 2);
    e += 2 * i + 1;
    i++;
    if (e > 0) {
      e -= 2 * d - 1;
      d--;
    }
  }
}

// Rounded filled boxes: draws on even i; e += i, and d steps down when e >= 0.
template <typename DRAW>
static inline void G_WALK_vRoundedFill(S64 s64Doubled, DRAW&& fnDraw) {
  S64 i = 0, d = s64Doubled, e = -s64Doubled;
  while (i <= d) {
    if ((i & 1) == 0) fnDraw(i / 2, d / 2);
    e += i;
    i++;
    if (e >= 0) {
      e -= d;
      d--;
    }
  }
}
