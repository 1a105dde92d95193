// 16.16 fixed-point trigonometry, roots and vectors, all in integers.

#include "u_fixed_point.h"

static constexpr S64 FP_DEG_90 = 90 * (S64)FIXED_POINT_ONE;
static constexpr S64 FP_DEG_180 = 180 * (S64)FIXED_POINT_ONE;
static constexpr S64 FP_DEG_360 = 360 * (S64)FIXED_POINT_ONE;

FIXED_POINT U_FIXED_POINT_fpnSin(FIXED_POINT fpnAngle) {
  BOOLEAN bNegative = fpnAngle < 0;
  S64 a = bNegative ? -(S64)fpnAngle : (S64)fpnAngle;
  // 360 itself stays: it folds to 0 below.
  while (a > FP_DEG_360) a -= FP_DEG_360;
  S64 x;
  if (a >= FP_DEG_180) {
    x = a - FP_DEG_180;
    bNegative = !bNegative;
    if (x > FP_DEG_90) x = FP_DEG_360 - a;
  } else {
    x = a > FP_DEG_90 ? FP_DEG_180 - a : a;
  }
  const S32 s = fpnSinLookupTable[(x + 2048) >> 12];
  return bNegative ? -s : s;
}

FIXED_POINT U_FIXED_POINT_fpnCos(FIXED_POINT fpnAngle) {
  return U_FIXED_POINT_fpnSin((FIXED_POINT)((U32)fpnAngle + (U32)FP_DEG_90));
}

// floor(sqrt(v)), two bits of v per step, as long division works digits.
static U64 IntegerSqrt(U64 v, int pairs) {
  U64 root = 0, remainder = 0;
  for (int i = pairs - 1; i >= 0; i--) {
    remainder = (remainder << 2) | ((v >> (2 * i)) & 3);
    const U64 trial = (root << 2) | 1;
    root <<= 1;
    if (remainder >= trial) {
      remainder -= trial;
      root |= 1;
    }
  }
  return root;
}

FIXED_POINT U_FIXED_POINT_fpnSqrt(FIXED_POINT fpnA) {
  if (fpnA <= 0) return 0;
  return (FIXED_POINT)(IntegerSqrt((U32)fpnA, 16) << 8);
}

static U32 LengthOf(S32 x, S32 y, S32 z) {
  const U64 sum = (U64)((S64)x * x) + (U64)((S64)y * y) + (U64)((S64)z * z);
  return (U32)IntegerSqrt(sum, 32);
}

FIXED_POINT U_FIXED_POINT_fpnVectorLength(const VECTOR_3D* pv3) { return (FIXED_POINT)LengthOf(pv3->x, pv3->y, pv3->z); }

static inline S32 Product16(S32 a, S32 b) { return (S32)(((S64)a * b) >> 16); }

void U_FIXED_POINT_vNormalizedCrossProduct(VECTOR_3D* pv3Result, const VECTOR_3D* pv3L, const VECTOR_3D* pv3R) {
  VECTOR_3D c;
  c.x = (S32)((U32)Product16(pv3L->y, pv3R->z) - (U32)Product16(pv3L->z, pv3R->y));
  c.y = (S32)((U32)Product16(pv3L->z, pv3R->x) - (U32)Product16(pv3L->x, pv3R->z));
  c.z = (S32)((U32)Product16(pv3L->x, pv3R->y) - (U32)Product16(pv3L->y, pv3R->x));
  *pv3Result = c;
  const U32 length = LengthOf(c.x, c.y, c.z);
  if (length == 0) return;
  pv3Result->x = (S32)((S64)c.x * FIXED_POINT_ONE / (S64)length);
  pv3Result->y = (S32)((S64)c.y * FIXED_POINT_ONE / (S64)length);
  pv3Result->z = (S32)((S64)c.z * FIXED_POINT_ONE / (S64)length);
}
