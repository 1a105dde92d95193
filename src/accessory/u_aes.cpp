// AES over combined lookup tables. The tables are computed by the compiler
// from the field arithmetic, so no hand-typed constant can be wrong.

#include "u_aes.h"

namespace {

constexpr U8 AES_u8Times2(U8 x) { return (U8)((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00)); }

constexpr U8 AES_u8Multiply(U8 a, U8 b) {
  U8 product = 0;
  while (b != 0) {
    if (b & 1) product ^= a;
    a = AES_u8Times2(a);
    b >>= 1;
  }
  return product;
}

constexpr U32 AES_u32Word(U8 b0, U8 b1, U8 b2, U8 b3) {
  return (U32)b0 << 24 | (U32)b1 << 16 | (U32)b2 << 8 | (U32)b3;
}

constexpr U32 AES_u32RotateRight8(U32 w) { return w >> 8 | w << 24; }

struct AES_TABLES {
  U32 Te[4][256];
  U32 Td[4][256];
  U32 Te4[256];
  U32 Td4[256];
};

constexpr AES_TABLES AES_MakeTables() {
  // The S-box: the multiplicative inverse (through powers of the generator
  // 3) followed by the affine map.
  U8 exp[256] = {}, log[256] = {};
  U8 x = 1;
  for (int i = 0; i < 255; i++) {
    exp[i] = x;
    log[x] = (U8)i;
    x = AES_u8Multiply(x, 3);
  }
  U8 sbox[256] = {}, inverse[256] = {};
  for (int i = 0; i < 256; i++) {
    const U8 inv = i == 0 ? 0 : exp[(255 - log[i]) % 255];
    U8 s = inv;
    for (int r = 1; r <= 4; r++) s ^= (U8)(inv << r | inv >> (8 - r));
    s ^= 0x63;
    sbox[i] = s;
    inverse[s] = (U8)i;
  }
  AES_TABLES t = {};
  for (int i = 0; i < 256; i++) {
    const U8 s = sbox[i], v = inverse[i];
    t.Te[0][i] = AES_u32Word(AES_u8Multiply(s, 2), s, s, AES_u8Multiply(s, 3));
    t.Td[0][i] = AES_u32Word(AES_u8Multiply(v, 14), AES_u8Multiply(v, 9), AES_u8Multiply(v, 13),
                             AES_u8Multiply(v, 11));
    for (int k = 1; k < 4; k++) {
      t.Te[k][i] = AES_u32RotateRight8(t.Te[k - 1][i]);
      t.Td[k][i] = AES_u32RotateRight8(t.Td[k - 1][i]);
    }
    t.Te4[i] = AES_u32Word(s, s, s, s);
    t.Td4[i] = AES_u32Word(v, v, v, v);
  }
  return t;
}

constexpr AES_TABLES s_tAes = AES_MakeTables();

constexpr U32 s_au32Rcon[10] = {0x01000000, 0x02000000, 0x04000000, 0x08000000, 0x10000000,
                                0x20000000, 0x40000000, 0x80000000, 0x1B000000, 0x36000000};

inline U32 AES_u32Load(const U8* p) { return AES_u32Word(p[0], p[1], p[2], p[3]); }

inline void AES_vStore(U8* p, U32 w) {
  p[0] = (U8)(w >> 24);
  p[1] = (U8)(w >> 16);
  p[2] = (U8)(w >> 8);
  p[3] = (U8)w;
}

inline U32 AES_u32Byte(U32 w, int n) { return (w >> (24 - 8 * n)) & 0xFF; }

// One output column of a full round: the top byte of a, the next of b and so
// on, through the four rotated tables.
inline U32 AES_u32Round(const U32 (&T)[4][256], U32 a, U32 b, U32 c, U32 d) {
  return T[0][a >> 24] ^ T[1][(b >> 16) & 0xFF] ^ T[2][(c >> 8) & 0xFF] ^ T[3][d & 0xFF];
}

// The same column of the last round, which has no (Inv)MixColumns.
inline U32 AES_u32Last(const U32* T4, U32 a, U32 b, U32 c, U32 d) {
  return (T4[a >> 24] & 0xFF000000) ^ (T4[(b >> 16) & 0xFF] & 0x00FF0000) ^ (T4[(c >> 8) & 0xFF] & 0x0000FF00) ^
         (T4[d & 0xFF] & 0x000000FF);
}

// SubWord: the last round's column with all four bytes from one word.
inline U32 AES_u32SubWord(U32 w) { return AES_u32Last(s_tAes.Te4, w, w, w, w); }

// A whole block: the first round key, nrounds - 1 rounds through the
// tables, and the last round. Column j of a round takes its bytes from the
// columns j, j + 1, j + 2, j + 3; the inverse cipher from j, j + 3, j + 2, j + 1.
template <bool INVERSE>
void AES_vBlock(const U32* rk, int nrounds, const U8* in, U8* out) {
  const auto& T = INVERSE ? s_tAes.Td : s_tAes.Te;
  const U32* T4 = INVERSE ? s_tAes.Td4 : s_tAes.Te4;
  constexpr int B = INVERSE ? 3 : 1, D = INVERSE ? 1 : 3;
  U32 s[4], t[4];
  for (int j = 0; j < 4; j++) s[j] = AES_u32Load(in + 4 * j) ^ rk[j];
  for (int r = 1; r < nrounds; r++) {
    rk += 4;
#pragma GCC unroll 4
    for (int j = 0; j < 4; j++) t[j] = AES_u32Round(T, s[j], s[(j + B) & 3], s[(j + 2) & 3], s[(j + D) & 3]) ^ rk[j];
#pragma GCC unroll 4
    for (int j = 0; j < 4; j++) s[j] = t[j];
  }
  rk += 4;
  for (int j = 0; j < 4; j++) t[j] = AES_u32Last(T4, s[j], s[(j + B) & 3], s[(j + 2) & 3], s[(j + D) & 3]) ^ rk[j];
  for (int j = 0; j < 4; j++) AES_vStore(out + 4 * j, t[j]);
}

}  // namespace

int U_AES_nSetupEncrypt(U32* rk, const U8* key, int keybits) {
  int nk;
  switch (keybits) {
    case 128: nk = 4; break;
    case 192: nk = 6; break;
    case 256: nk = 8; break;
    default: return 0;
  }
  const int nrounds = nk + 6;
  const int words = 4 * (nrounds + 1);
  for (int i = 0; i < nk; i++) rk[i] = AES_u32Load(key + 4 * i);
  for (int i = nk; i < words; i++) {
    U32 temp = rk[i - 1];
    if (i % nk == 0) {
      temp = AES_u32SubWord(temp << 8 | temp >> 24) ^ s_au32Rcon[i / nk - 1];
    } else if (nk == 8 && i % nk == 4) {
      temp = AES_u32SubWord(temp);
    }
    rk[i] = rk[i - nk] ^ temp;
  }
  return nrounds;
}

int U_AES_nSetupDecrypt(U32* rk, const U8* key, int keybits) {
  const int nrounds = U_AES_nSetupEncrypt(rk, key, keybits);
  if (nrounds == 0) return 0;
  for (int i = 0, j = 4 * nrounds; i < j; i += 4, j -= 4) {
    for (int k = 0; k < 4; k++) {
      const U32 temp = rk[i + k];
      rk[i + k] = rk[j + k];
      rk[j + k] = temp;
    }
  }
  // InvMixColumns of a word w is Td applied to S(w): Td holds InvMixColumns
  // after the inverse S-box, which Te4 undoes.
  for (int i = 4; i < 4 * nrounds; i++) {
    const U32 w = rk[i];
    rk[i] = s_tAes.Td[0][s_tAes.Te4[AES_u32Byte(w, 0)] & 0xFF] ^ s_tAes.Td[1][s_tAes.Te4[AES_u32Byte(w, 1)] & 0xFF] ^
            s_tAes.Td[2][s_tAes.Te4[AES_u32Byte(w, 2)] & 0xFF] ^ s_tAes.Td[3][s_tAes.Te4[AES_u32Byte(w, 3)] & 0xFF];
  }
  return nrounds;
}

void U_AES_vEncrypt(const U32* rk, int nrounds, const U8* plaintext, U8* ciphertext) {
  AES_vBlock<false>(rk, nrounds, plaintext, ciphertext);
}

void U_AES_vDecrypt(const U32* rk, int nrounds, const U8* ciphertext, U8* plaintext) {
  AES_vBlock<true>(rk, nrounds, ciphertext, plaintext);
}
