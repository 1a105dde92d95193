// Every number of the software 3-D renderer is fixed point and every
// transform a 4x4 matrix, as laid out here.
//
// Scalars are 16.16 (value x 65536). Matrices use row vectors: a point
// (x, y, z, 1) is multiplied from the left, row 3 holds the translation and
// column 3 produces w. Elements are 16.16 held in 64 bits so that products
// and sums keep their range. Angles: a full turn is 0x40000.
#pragma once

#include "basetypes.h"

typedef S32 i32;
typedef U32 u32;
typedef S64 i64;
typedef U64 u64;
typedef U16 u16;
typedef U8 u8;
typedef S16 i16;

typedef struct tag_tsMatrix {
  i64 m[4][4];  // [row][column]
} tsMatrix;

// Sine and cosine as 2.30 fractions (1.0 = 2^30).
typedef struct tag_TrigRec {
  i32 sin;
  i32 cos;
} TrigRec;

// A quarter sine wave in 2.14 (1.0 = 16384): entry i is 16384 sin(i 90/1023
// degrees) truncated, so the peak sits at 1023 and again at 1024.
extern const i16 SinTab[1025];

void tsMatrix_Trig(i32 angle, TrigRec* t);
// Yaw about the vertical axis, then pitch about the horizontal one,
// translated by the rotated centre (16.16). roll is accepted and not used.
void tsMatrix_Set(tsMatrix* mat, i32 yaw, i32 pitch, i32 roll, i32* center);
void tsMatrix_Identity(tsMatrix* m);
// m0 = m2 x m1, sums in wrapping 64 bits shifted once.
void tsMatrix_Multiply(tsMatrix* m0, tsMatrix* m1, tsMatrix* m2);
// Perspective from a field of view in degrees; clip depth runs from 0 at zn
// to w at zf, and w is the view depth.
void tsMatrix_SetFOV(tsMatrix* m, float fov, float aspect, float zn, float zf);
// Adds a 16.16 translation to row 3.
void tsMatrix_Translatex(tsMatrix* m, i32 x, i32 y, i32 z);
// 16 floats, row-major.
void tsMatrix_ToFloat(float* dst, tsMatrix* m);
// 16 values, row-major: the low 32 bits of each element.
void tsMatrix_ToFix(i32* dst, tsMatrix* m);
