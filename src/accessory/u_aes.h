// The AES block cipher in its table-driven 32-bit form, with separate round
// keys for the two directions. Keys of 128, 192 and 256 bits.
#pragma once

#include "basetypes.h"

// Round-key words for the largest key (14 rounds).
constexpr int U_AES_MAX_RK_WORDS = 60;

// Fills rk (4 x (rounds + 1) words) and returns the round count: 10, 12 or
// 14 for 128, 192 or 256 key bits; 0 for any other size (rk untouched).
int U_AES_nSetupEncrypt(U32* rk, const U8* key, int keybits);
// The same for decryption: the encryption keys in reverse round order, the
// inner ones through InvMixColumns.
int U_AES_nSetupDecrypt(U32* rk, const U8* key, int keybits);
// One 16-byte block; the input and output may be the same buffer.
void U_AES_vEncrypt(const U32* rk, int nrounds, const U8* plaintext, U8* ciphertext);
void U_AES_vDecrypt(const U32* rk, int nrounds, const U8* ciphertext, U8* plaintext);
