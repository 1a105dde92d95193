// Row and column runs. Rows are the hot path of fills and boxes: after the
// first pixels up to a 32-byte boundary they are written sixteen pixels per
// vector (SSE or AVX2 on the host, NEON on the board, through the compiler's
// generic vectors).

#include "g_span.h"

#include <stdint.h>
#include <string.h>

typedef U16 SPAN_V16 __attribute__((vector_size(32)));

// A full frame is memory-bound: the portable build stores two 16-byte halves
// per vector, and on a host with AVX2 the wide build stores the 32 bytes in
// one, which keeps pace with the C library's memset.
G_SPAN_WIDE_CLONES
void G_SPAN_vFill(COLOR* p, size_t count, COLOR color) {
  while (count != 0 && ((uintptr_t)p & 31) != 0) {
    *p++ = color;
    count--;
  }
  // Set lane by lane in a loop: the compilers make one broadcast of this
  // (VDUP on NEON, VPBROADCASTW with AVX2), where SPAN_V16{} + color becomes
  // sixteen lane inserts on the board.
  SPAN_V16 v = {};
  for (int lane = 0; lane < 16; lane++) v[lane] = color;
  SPAN_V16* q = (SPAN_V16*)p;
  const size_t vectors = count / 16;
  size_t i = 0;
  for (; i + 4 <= vectors; i += 4) {
    q[i] = v;
    q[i + 1] = v;
    q[i + 2] = v;
    q[i + 3] = v;
  }
  for (; i < vectors; i++) q[i] = v;
  p += vectors * 16;
  for (count &= 15; count != 0; count--) *p++ = color;
}

// Blending with black, as a pane is dimmed, only scales each channel by
// a / 256. A high-half multiply by a * 256 does that to a red or green field
// in place, and what it brings in below the field is masked off: the whole
// blend in a third fewer steps, with the same truncation.
//
// Below a = 67, as a pane's dimming is, blue keeps less than 8 and red and
// blue go through one multiply: red's product lands on a multiple of 8, so
// blue's share stays in the three bits beneath it.
static inline COLOR SPAN_colDark(COLOR old, U16 a, U16 hi, BOOLEAN bDeep) {
  if (bDeep) {
    const U16 rb = (U16)((U32)(U16)(old & 0xF81F) * hi >> 16) & 0xF807;
    const U16 g = (U16)((U32)(U16)(old & 0x07E0) * hi >> 16) & 0x07E0;
    return (COLOR)(rb | g);
  }
  const U16 r = (U16)((U32)(U16)(old & 0xF800) * hi >> 16) & 0xF800;
  const U16 g = (U16)((U32)(U16)(old & 0x07E0) * hi >> 16) & 0x07E0;
  const U16 b = (U16)((U16)(old & 0x001F) * a) >> 8;
  return (COLOR)(r | g | b);
}

// One row, or two rows pitch apart at the same alignment (p1 null for one).
// A pane is dimmed just after it is drawn, when it has mostly left the
// cache: two rows at a time keep twice the loads in flight. As in
// G_SPAN_vBlend the ends go as two unaligned runs of sixteen, darkened from
// the pixels as they were before the aligned middle and stored after it
// (count is at least 16); they are read from the row itself, not from a copy
// on the stack, whose halves a whole vector cannot be forwarded from.
G_SPAN_WIDE_CLONES
static void SPAN_vDarken(COLOR* p0, COLOR* p1, size_t count, U8 u8Alpha) {
  const U16 a = u8Alpha;
  const U16 hi = (U16)(u8Alpha << 8);
  const BOOLEAN bDeep = 31 * a < 8 * 256;
  auto darken = [a, hi, bDeep](const COLOR* from, COLOR* to, size_t n) {
    if (bDeep) {
      for (size_t i = 0; i < n; i++) to[i] = SPAN_colDark(from[i], a, hi, TRUE);
    } else {
      for (size_t i = 0; i < n; i++) to[i] = SPAN_colDark(from[i], a, hi, FALSE);
    }
  };
  auto darken2 = [a, hi, bDeep](COLOR* __restrict m0, COLOR* __restrict m1, size_t n) {
    if (bDeep) {
      for (size_t i = 0; i < n; i++) {
        m0[i] = SPAN_colDark(m0[i], a, hi, TRUE);
        m1[i] = SPAN_colDark(m1[i], a, hi, TRUE);
      }
    } else {
      for (size_t i = 0; i < n; i++) {
        m0[i] = SPAN_colDark(m0[i], a, hi, FALSE);
        m1[i] = SPAN_colDark(m1[i], a, hi, FALSE);
      }
    }
  };
  COLOR head0[16], tail0[16], head1[16], tail1[16];
  darken(p0, head0, 16);
  darken(p0 + count - 16, tail0, 16);
  if (p1 != nullptr) {
    darken(p1, head1, 16);
    darken(p1 + count - 16, tail1, 16);
  }
  const size_t lead = (size_t)((((uintptr_t)p0 + 31) & ~(uintptr_t)31) - (uintptr_t)p0) / sizeof(COLOR);
  const size_t middle = count > lead ? (count - lead) & ~(size_t)15 : 0;
  COLOR* m0 = (COLOR*)__builtin_assume_aligned(p0 + lead, 32);
  if (p1 == nullptr) {
    darken(m0, m0, middle);
  } else {
    darken2(m0, (COLOR*)__builtin_assume_aligned(p1 + lead, 32), middle);
  }
  memcpy(p0, head0, sizeof head0);
  memcpy(p0 + count - 16, tail0, sizeof tail0);
  if (p1 != nullptr) {
    memcpy(p1, head1, sizeof head1);
    memcpy(p1 + count - 16, tail1, sizeof tail1);
  }
}

// The blend is arithmetic-bound: the wide build handles sixteen pixels per
// instruction.
G_SPAN_WIDE_CLONES
void G_SPAN_vBlend(COLOR* p, size_t count, COLOR color, U8 u8Alpha) {
  if (count < 16) {
    for (; count != 0; count--, p++) *p = G_SPAN_colorBlend(color, *p, u8Alpha);
    return;
  }
  if (color == 0x0000) {
    SPAN_vDarken(p, nullptr, count, u8Alpha);
    return;
  }
  // Every channel product stays below 2^14, so 16-bit lanes hold the blend
  // exactly; the shifts back into place fold the truncating >> 8.
  const U16 n = (U16)(256 - u8Alpha);
  const SPAN_V16 va = SPAN_V16{} + u8Alpha;
  const SPAN_V16 vr = SPAN_V16{} + (U16)((color >> 11) * n);
  const SPAN_V16 vg = SPAN_V16{} + (U16)(((color >> 5) & 63) * n);
  const SPAN_V16 vb = SPAN_V16{} + (U16)((color & 31) * n);
  auto blend = [&](SPAN_V16& v) {
    const SPAN_V16 old = v;
    const SPAN_V16 r = (((old >> 11) * va + vr) << 3) & 0xF800;
    const SPAN_V16 g = ((((old >> 5) & 63) * va + vg) >> 3) & 0x07E0;
    const SPAN_V16 b = ((old & 31) * va + vb) >> 8;
    v = r | g | b;
  };
  // The ends go as two unaligned vectors of the pixels as they were, stored
  // after the aligned middle: where they overlap it they write the same
  // blend of the same pixels, and no pixel is left to a one-by-one loop
  // (a pane's rows seldom start or end on a 32-byte boundary).
  COLOR* pEnd = p + count;
  SPAN_V16 head, tail;
  memcpy(&head, p, sizeof head);
  memcpy(&tail, pEnd - 16, sizeof tail);
  SPAN_V16* q = (SPAN_V16*)(((uintptr_t)p + 31) & ~(uintptr_t)31);
  SPAN_V16* qEnd = (SPAN_V16*)((uintptr_t)pEnd & ~(uintptr_t)31);
  for (; q < qEnd; q++) blend(*q);
  blend(head);
  blend(tail);
  memcpy(p, &head, sizeof head);
  memcpy(pEnd - 16, &tail, sizeof tail);
}

void G_SPAN_vBlendRows(COLOR* pTop, size_t count, size_t rows, size_t pitch, COLOR color, U8 u8Alpha) {
  // From the bottom up: what is left of the rows in the cache is those drawn
  // last, in memory order the lowest.
  size_t r = rows;
  if (color == 0x0000 && count >= 16 && pitch % 16 == 0) {
    for (; r >= 2; r -= 2) SPAN_vDarken(pTop + (r - 2) * pitch, pTop + (r - 1) * pitch, count, u8Alpha);
  }
  for (; r > 0; r--) G_SPAN_vBlend(pTop + (r - 1) * pitch, count, color, u8Alpha);
}

void G_SPAN_vFillColumn(COLOR* p, size_t count, size_t pitch, COLOR color) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    COLOR* q = p + i * pitch;
    q[0] = color;
    q[pitch] = color;
    q[2 * pitch] = color;
    q[3 * pitch] = color;
    q[4 * pitch] = color;
    q[5 * pitch] = color;
    q[6 * pitch] = color;
    q[7 * pitch] = color;
  }
  for (; i < count; i++) p[i * pitch] = color;
}

void G_SPAN_vBlendColumn(COLOR* p, size_t count, size_t pitch, COLOR color, U8 u8Alpha) {
  for (size_t i = 0; i < count; i++) p[i * pitch] = G_SPAN_colorBlend(color, p[i * pitch], u8Alpha);
}
