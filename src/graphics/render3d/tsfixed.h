// Arithmetic shared by the renderer's modules; not for its callers.
#pragma once

#include "tsmatrix.h"

// Wrapping 64-bit arithmetic: fixed-point products of out-of-range values
// wrap as the hardware does instead of being undefined.
static inline i64 TS_Mul(i64 a, i64 b) { return (i64)((u64)a * (u64)b); }
static inline i64 TS_Add(i64 a, i64 b) { return (i64)((u64)a + (u64)b); }
static inline i64 TS_Sub(i64 a, i64 b) { return (i64)((u64)a - (u64)b); }
static inline i64 TS_Shl(i64 a, int s) { return (i64)((u64)a << s); }
// Product of two 16.16 values.
static inline i64 TS_FixMul(i64 a, i64 b) { return TS_Mul(a, b) >> 16; }
// n / d truncated; d is not 0. The one quotient that does not fit (the least
// value over -1) wraps instead of trapping.
static inline i64 TS_Div(i64 n, i64 d) { return d == -1 ? TS_Sub(0, n) : n / d; }
