// Modular arithmetic of the handshake. A product of two residues needs 128
// bits; where the compiler has no such type (the 32-bit board) it is formed
// by doubling and adding, which never leaves the range of the modulus.

#include "u_modularmath.h"

U64 U_MODULARMATH_ullMultiplyMod(U64 a, U64 b, U64 m) {
  if (m == 0) return 0;
#ifdef __SIZEOF_INT128__
  return (U64)((unsigned __int128)a * b % m);
#else
  a %= m;
  b %= m;
  U64 result = 0;
  for (int bit = 63; bit >= 0; bit--) {
    // result = 2 x result mod m, without the sum overflowing 64 bits.
    result = result >= m - result ? result - (m - result) : result + result;
    if ((b >> bit) & 1) result = result >= m - a ? result - (m - a) : result + a;
  }
  return result;
#endif
}

U64 U_MODULARMATH_ullFastModularExponentiate(U64 b, U64 e, U64 m) {
  if (m == 0) return 0;
  U64 result = 1 % m;
  U64 base = b % m;
  while (e != 0) {
    if (e & 1) result = U_MODULARMATH_ullMultiplyMod(result, base, m);
    e >>= 1;
    if (e != 0) base = U_MODULARMATH_ullMultiplyMod(base, base, m);
  }
  return result;
}

U64 U_MODULARMATH_ullModuloInverse(S64 e, S64 n) {
  if (e == 0 || n <= 0) return 0;
  S64 a = e % n, b = n, x = 1, xPrev = 0;
  if (a < 0) a += n;
  if (a == 0) return 0;
  for (;;) {
    const S64 q = b / a;
    const S64 r = b - q * a;
    if (r == 0) break;
    const S64 xNext = xPrev - q * x;
    b = a;
    a = r;
    xPrev = x;
    x = xNext;
  }
  if (x < 0) x += n;
  return (U64)x;
}

U64 U_MODULARMATH_ullGCD(U64 a, U64 b) {
  while (b != 0) {
    const U64 r = a % b;
    a = b;
    b = r;
  }
  return a;
}

U64 U_MODULARMATH_ullLCM(U64 a, U64 b) {
  if (a == 0 || b == 0) return 0;
  return a / U_MODULARMATH_ullGCD(a, b) * b;
}
