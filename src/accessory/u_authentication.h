// The accessory handshake: an RSA-style exchange on 64-bit numbers. The
// challenger encrypts random plaintexts with public key k and sends them
// with k; the other side answers with the decryptions under private key k.
// The ten key pairs come from the key file (u_acckeys.h).
#pragma once

#include "basetypes.h"

// size random values below n of key k, from the system's cryptographic
// generator. Every result array is malloc'd (8 x size bytes) and the caller
// frees it; null for a key outside 0-9 or not in the key file, a size below
// 1, a failed allocation or a generator that cannot deliver.
U64* U_AUTHENTICATION_ullGetRandomPlaintext(int key, int size);
// Element i = plaintext[i]^e mod n of key k; null as above.
U64* U_AUTHENTICATION_ullConvertToCiphertext(int key, int size, const U64* plaintext);
// Element i = ciphertext[i]^d mod n of key k; null as above.
U64* U_AUTHENTICATION_ullConvertToPlaintext(int key, int size, const U64* ciphertext);
