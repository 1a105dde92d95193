// The handshake's three operations over the key pairs of the key file.
// Challenges come from getrandom, never from the process-wide rand(): they
// must not be predictable, nor repeat within a second.

#include "u_authentication.h"

#include <errno.h>
#include <stdlib.h>
#include <sys/random.h>

#include "linuxsvc.h"
#include "u_acckeys.h"
#include "u_modularmath.h"

// The key pair and a result array for size values; null when either is missing.
static U64* AUTHENTICATION_pullStart(int key, int size, ACCKEYS_RSA* pKey) {
  if (size < 1 || !U_ACCKEYS_bHandshakeKey(key, pKey)) return nullptr;
  U64* pullResult = (U64*)malloc(sizeof(U64) * (size_t)size);
  if (pullResult == nullptr) log_me("[%d]%s: no memory for %d values", __LINE__, __func__, size);
  return pullResult;
}

// A uniform value below n: whole 64-bit draws, those in the last partial
// range of n thrown back.
static BOOLEAN AUTHENTICATION_bRandomBelow(U64 n, U64* pullValue) {
  const U64 limit = UINT64_MAX - UINT64_MAX % n;
  for (int tries = 0; tries < 64; tries++) {
    U64 draw = 0;
    ssize_t got;
    do {
      got = getrandom(&draw, sizeof draw, 0);
    } while (got < 0 && errno == EINTR);
    if (got != (ssize_t)sizeof draw) return FALSE;
    if (draw < limit) {
      *pullValue = draw % n;
      return TRUE;
    }
  }
  return FALSE;
}

U64* U_AUTHENTICATION_ullGetRandomPlaintext(int key, int size) {
  ACCKEYS_RSA tKey;
  U64* pullResult = AUTHENTICATION_pullStart(key, size, &tKey);
  if (pullResult == nullptr) return nullptr;
  for (int i = 0; i < size; i++) {
    if (!AUTHENTICATION_bRandomBelow(tKey.n, &pullResult[i])) {
      log_me("[%d]%s: random generator failed", __LINE__, __func__);
      free(pullResult);
      return nullptr;
    }
  }
  return pullResult;
}

// Raises each value to the key pair's exponent named by pExponent, modulo n.
static U64* AUTHENTICATION_pullConvert(int key, int size, const U64* pullIn, U64 ACCKEYS_RSA::*pExponent) {
  ACCKEYS_RSA tKey;
  U64* pullResult = pullIn == nullptr ? nullptr : AUTHENTICATION_pullStart(key, size, &tKey);
  if (pullResult == nullptr) return nullptr;
  for (int i = 0; i < size; i++) {
    pullResult[i] = U_MODULARMATH_ullFastModularExponentiate(pullIn[i], tKey.*pExponent, tKey.n);
  }
  return pullResult;
}

U64* U_AUTHENTICATION_ullConvertToCiphertext(int key, int size, const U64* plaintext) {
  return AUTHENTICATION_pullConvert(key, size, plaintext, &ACCKEYS_RSA::e);
}

U64* U_AUTHENTICATION_ullConvertToPlaintext(int key, int size, const U64* ciphertext) {
  return AUTHENTICATION_pullConvert(key, size, ciphertext, &ACCKEYS_RSA::d);
}
