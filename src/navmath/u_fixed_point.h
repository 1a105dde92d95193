// 16.16 fixed-point maths for integer-only code: table sine and cosine of
// angles in degrees, square root, vector length and the unit normal of two
// vectors. No state, no floating point.
#pragma once

#include "basetypes.h"

// Signed, 16 fractional bits: 65,536 is 1.0; angles are degrees.
typedef S32 FIXED_POINT;

constexpr FIXED_POINT FIXED_POINT_ONE = 65536;

typedef struct tag_POINT_3D {
  FIXED_POINT x;
  FIXED_POINT y;
  FIXED_POINT z;
} VECTOR_3D;

// sin of i/16 degree x 65,536 for i = 0..1440 (generated at build time).
constexpr int FIXED_POINT_SIN_ENTRIES = 1441;
extern const S32 fpnSinLookupTable[FIXED_POINT_SIN_ENTRIES];

// To the nearest 1/16 degree.
FIXED_POINT U_FIXED_POINT_fpnSin(FIXED_POINT fpnAngle);
FIXED_POINT U_FIXED_POINT_fpnCos(FIXED_POINT fpnAngle);
// 0 for 0 and below; 8 significant fractional bits.
FIXED_POINT U_FIXED_POINT_fpnSqrt(FIXED_POINT fpnA);
FIXED_POINT U_FIXED_POINT_fpnVectorLength(const VECTOR_3D* pv3);
// L x R scaled to length 1; the zero vector when L and R are parallel.
void U_FIXED_POINT_vNormalizedCrossProduct(VECTOR_3D* pv3Result, const VECTOR_3D* pv3L, const VECTOR_3D* pv3R);
