// AES, SHA-1 and the link cipher's chaining held to OpenSSL over random
// keys, blocks, lengths and chunkings (host builds only).

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <string.h>

#include <random>

#include "acc_test_util.h"
#include "u_aes.h"
#include "u_navrocrypt.h"
#include "u_sha1.h"

namespace {

const EVP_CIPHER* Cipher(int bits, bool cbc) {
  if (cbc) return bits == 128 ? EVP_aes_128_cbc() : EVP_aes_256_cbc();
  return bits == 128 ? EVP_aes_128_ecb() : bits == 192 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
}

// OpenSSL's encryption (or decryption) of whole blocks, no padding, zero IV.
BYTES OpenSsl(const BYTES& key, const BYTES& in, bool encrypt, bool cbc = false) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  const U8 iv[16] = {};
  BYTES out(in.size() + 16);
  int n = 0, tail = 0;
  EVP_CipherInit_ex(ctx, Cipher((int)key.size() * 8, cbc), nullptr, key.data(), iv, encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_CipherUpdate(ctx, out.data(), &n, in.data(), (int)in.size());
  EVP_CipherFinal_ex(ctx, out.data() + n, &tail);
  EVP_CIPHER_CTX_free(ctx);
  out.resize((size_t)(n + tail));
  return out;
}

BYTES Random(std::mt19937& rng, size_t n) {
  BYTES out(n);
  for (U8& b : out) b = (U8)rng();
  return out;
}

TEST(OpenSslPeer, AesAgreesOnTenThousandRandomKeysAndBlocks) {
  std::mt19937 rng(46);
  for (int i = 0; i < 10000; i++) {
    const int bits = i % 10 < 8 ? 128 : i % 10 == 8 ? 192 : 256;
    const BYTES key = Random(rng, (size_t)bits / 8), block = Random(rng, 16);
    U32 rk[U_AES_MAX_RK_WORDS];
    BYTES out(16);
    U_AES_vEncrypt(rk, U_AES_nSetupEncrypt(rk, key.data(), bits), block.data(), out.data());
    ASSERT_EQ(OpenSsl(key, block, true), out) << i;
    U_AES_vDecrypt(rk, U_AES_nSetupDecrypt(rk, key.data(), bits), block.data(), out.data());
    ASSERT_EQ(OpenSsl(key, block, false), out) << i;
  }
}

TEST(OpenSslPeer, Sha1AgreesOnRandomLengthsInRandomChunksAndAtTheBlockEdges) {
  std::mt19937 rng(180);
  std::vector<size_t> lengths = {0, 55, 56, 63, 64, 65, 119, 120, 128};
  for (int i = 0; i < 300; i++) lengths.push_back(rng() % 5000);
  for (size_t length : lengths) {
    const BYTES message = Random(rng, length);
    SHA1_CTX context;
    U_SHA1_vReset(&context);
    for (size_t at = 0; at < length;) {
      const size_t chunk = std::min<size_t>(length - at, rng() % 150);
      U_SHA1_vInput(&context, message.data() + at, (U32)chunk);
      at += chunk;
    }
    ASSERT_FALSE(U_SHA1_bFinal(&context));
    U8 expected[SHA_DIGEST_LENGTH];
    SHA1(message.data(), message.size(), expected);
    for (int w = 0; w < 5; w++) {
      const U32 word = (U32)expected[4 * w] << 24 | (U32)expected[4 * w + 1] << 16 | expected[4 * w + 2] << 8 |
                       expected[4 * w + 3];
      ASSERT_EQ(word, context.H[w]) << "length " << length;
    }
  }
}

TEST(OpenSslPeer, ChainingIsCbcWithAZeroVectorAndTheAuthRecordUsesTheDerivedKey) {
  std::mt19937 rng(47);
  for (U32 length : {16u, 17u, 48u, 160u}) {
    const BYTES key = Random(rng, 16), data = Random(rng, (length + 15) / 16 * 16);
    U32 rk[U_AES_MAX_RK_WORDS];
    const int rounds = U_AES_nSetupEncrypt(rk, key.data(), 128);
    BYTES chained = data;
    U_NAVROCRYPT_vChainEncrypt(chained.data(), length, rk, rounds);
    EXPECT_EQ(OpenSsl(key, data, true, true), chained) << length << " bytes: whole blocks";
    U_NAVROCRYPT_vChainDecrypt(chained.data(), length, rk, U_AES_nSetupDecrypt(rk, key.data(), 128));
    EXPECT_EQ(data, chained);
  }
  UseTestKeys();
  ASSERT_TRUE(U_NAVROCRYPT_bInit());
  U8 initial[U_ACCKEYS_LINK_KEY_BYTES], derived[32];
  ASSERT_TRUE(U_ACCKEYS_bLinkKey(initial));
  U_NAVROCRYPT_vDeriveLinkKey(initial, derived);  // the derivation itself is held to a Python model
  const BYTES record = Random(rng, sizeof(NAVROCRYPT_AUTH));
  NAVROCRYPT_AUTH auth;
  memcpy(&auth, record.data(), sizeof auth);
  ASSERT_TRUE(U_NAVROCRYPT_bEncryptAuth(&auth));
  EXPECT_EQ(OpenSsl(BYTES(derived, derived + 32), record, true, true), BYTES((U8*)&auth, (U8*)&auth + sizeof auth));
}

}  // namespace
