// Modular arithmetic on 64-bit numbers for the accessory handshake. Products
// are formed exactly (128 bits wide), so any modulus below 2^64 works.
#pragma once

#include "basetypes.h"

// b^e mod m by square-and-multiply; 1 for e = 0 (0 when m is 1), 0 for m = 0.
U64 U_MODULARMATH_ullFastModularExponentiate(U64 b, U64 e, U64 m);
// (a x b) mod m without overflow; 0 for m = 0.
U64 U_MODULARMATH_ullMultiplyMod(U64 a, U64 b, U64 m);
// The inverse of e modulo n by the extended Euclidean algorithm, in 0..n-1;
// 0 for e = 0 or n <= 0. Only an inverse when gcd(e, n) = 1.
U64 U_MODULARMATH_ullModuloInverse(S64 e, S64 n);
// Greatest common divisor (gcd(a, 0) = a).
U64 U_MODULARMATH_ullGCD(U64 a, U64 b);
// Least common multiple; 0 when either is 0, and modulo 2^64 beyond that.
U64 U_MODULARMATH_ullLCM(U64 a, U64 b);
