// Running medians over a line of 8-bit samples. Windows of 3 and 5 decide by
// comparisons, 7 keeps its window sorted and moves one sample per step, and
// any other length counts its window into a histogram.

#include "u_median.h"

#include <string.h>

static constexpr int WINDOW7 = 7;
static constexpr int WINDOW7_MIDDLE = 3;

static inline void Swap(U32& a, U32& b) {
  const U32 t = a;
  a = b;
  b = t;
}

U32 u32FastMedian5(const U32 x1, const U32 x2, const U32 x3, const U32 x4, const U32 x5) {
  U32 a = x1, b = x2, c = x3, d = x4;
  if (a > b) Swap(a, b);
  if (c > d) Swap(c, d);
  // The smaller of the two pair minima lies below three others: it cannot
  // be the median, so the fifth value takes its place.
  if (a < c) {
    a = x5;
    if (a > b) Swap(a, b);
  } else {
    c = x5;
    if (c > d) Swap(c, d);
  }
  // The median is now the second smallest of the two sorted pairs.
  if (a < c) return b < c ? b : c;
  return d < a ? d : a;
}

void U_MEDIAN_vReplace7(S32* pnSortedIndex, U8* pu8SortedData, S32 nIndexOut, S32 nIndexIn, U8 u8DataIn) {
  int p = 0;
  while (p < WINDOW7 && pnSortedIndex[p] != nIndexOut) p++;
  if (p == WINDOW7) return;
  int q = 0;
  while (q < WINDOW7 && pu8SortedData[q] < u8DataIn) q++;
  int at = p;
  if (q < p) {
    memmove(pnSortedIndex + q + 1, pnSortedIndex + q, (size_t)(p - q) * sizeof *pnSortedIndex);
    memmove(pu8SortedData + q + 1, pu8SortedData + q, (size_t)(p - q));
    at = q;
  } else if (q > p + 1) {
    memmove(pnSortedIndex + p, pnSortedIndex + p + 1, (size_t)(q - 1 - p) * sizeof *pnSortedIndex);
    memmove(pu8SortedData + p, pu8SortedData + p + 1, (size_t)(q - 1 - p));
    at = q - 1;
  }
  pnSortedIndex[at] = nIndexIn;
  pu8SortedData[at] = u8DataIn;
}

static void Filter7(const U8* in, U8* out, U32 len) {
  if (len < WINDOW7) return;
  S32 index[WINDOW7];
  U8 value[WINDOW7];
  // Before the line, the first sample repeats: four copies, then samples
  // 1..3 each before the first value that is not smaller.
  for (int i = 0; i < 4; i++) {
    index[i] = 0;
    value[i] = in[0];
  }
  for (int n = 4, s = 1; s <= 3; s++, n++) {
    int q = 0;
    while (q < n && value[q] < in[s]) q++;
    memmove(index + q + 1, index + q, (size_t)(n - q) * sizeof *index);
    memmove(value + q + 1, value + q, (size_t)(n - q));
    index[q] = s;
    value[q] = in[s];
  }
  out[0] = value[WINDOW7_MIDDLE];
  for (U32 i = 1; i <= 3; i++) {
    U_MEDIAN_vReplace7(index, value, 0, (S32)(i + 3), in[i + 3]);
    out[i] = value[WINDOW7_MIDDLE];
  }
  for (U32 i = 4; i + 4 <= len; i++) {
    U_MEDIAN_vReplace7(index, value, (S32)(i - 4), (S32)(i + 3), in[i + 3]);
    out[i] = value[WINDOW7_MIDDLE];
  }
  // After the line, the last sample repeats; its pairs take an index no
  // later step asks for.
  for (U32 k = 0; k < 3; k++) {
    U_MEDIAN_vReplace7(index, value, (S32)(len - 7 + k), (S32)len, in[len - 1]);
    out[len - 3 + k] = value[WINDOW7_MIDDLE];
  }
}

static void Filter5(const U8* in, U8* out, U32 len) {
  if (len < 4) {
    memmove(out, in, len);
    return;
  }
  out[0] = in[0];
  out[1] = (U8)u32FastMedian5(in[0], in[0], in[1], in[2], in[3]);
  for (U32 i = 2; i + 3 <= len; i++) out[i] = (U8)u32FastMedian5(in[i - 2], in[i - 1], in[i], in[i + 1], in[i + 2]);
  out[len - 2] = (U8)u32FastMedian5(in[len - 4], in[len - 3], in[len - 2], in[len - 1], in[len - 1]);
  out[len - 1] = in[len - 1];
}

static void Filter3(const U8* in, U8* out, U32 len) {
  if (len == 0) return;
  out[0] = in[0];
  for (U32 i = 1; i + 1 < len; i++) {
    const U8 a = in[i - 1], b = in[i], c = in[i + 1];
    U8 m;
    if (a < b) {
      m = b < c ? b : (a > c ? a : c);
    } else {
      m = c < b ? b : (a < c ? a : c);
    }
    out[i] = m;
  }
  out[len - 1] = in[len - 1];
}

// Any other length: window i - L/2 .. i + L/2, the ends repeating. Runs past
// the ends are counted at once, so a window far longer than the line costs
// no more than the line.
static void FilterHistogram(const U8* in, U8* out, U32 len, U32 window) {
  if (len == 0) return;
  const S64 half = window / 2;
  U64 rank = ((U64)window + 1) / 2;
  if (rank == 0) rank = 1;
  U64 histogram[256];
  for (U32 i = 0; i < len; i++) {
    memset(histogram, 0, sizeof histogram);
    const S64 first = (S64)i - half, last = (S64)i + half;
    if (first < 0) histogram[in[0]] += (U64)(-first);
    if (last > (S64)len - 1) histogram[in[len - 1]] += (U64)(last - ((S64)len - 1));
    const S64 from = first < 0 ? 0 : first, to = last > (S64)len - 1 ? (S64)len - 1 : last;
    for (S64 pos = from; pos <= to; pos++) histogram[in[pos]]++;
    U64 count = 0;
    int v = 0;
    for (; v < 255; v++) {
      count += histogram[v];
      if (count >= rank) break;
    }
    out[i] = (U8)v;
  }
}

void U_MEDIAN_vFilter(const U8* pu8Data, const U8* pu8Filtered, const U32 u32DataLength, const U32 u32FilterLength) {
  if (pu8Data == nullptr || pu8Filtered == nullptr) return;
  U8* out = const_cast<U8*>(pu8Filtered);
  switch (u32FilterLength) {
    case 3:
      Filter3(pu8Data, out, u32DataLength);
      break;
    case 5:
      Filter5(pu8Data, out, u32DataLength);
      break;
    case 7:
      Filter7(pu8Data, out, u32DataLength);
      break;
    default:
      FilterHistogram(pu8Data, out, u32DataLength, u32FilterLength);
      break;
  }
}
