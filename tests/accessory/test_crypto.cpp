// AES and SHA-1 against the NIST vectors and the standards' examples; the
// handshake's arithmetic against hand values and the test key pairs; the
// link cipher's envelope. OpenSSL comparisons are in test_openssl_peer.cpp.

#include <gtest/gtest.h>
#include <string.h>

#include <sstream>

#include "acc_test_util.h"
#include "h_memory.h"
#include "u_aes.h"
#include "u_authentication.h"
#include "u_modularmath.h"
#include "u_navrocrypt.h"
#include "u_sha1.h"

namespace {

BYTES Sha1(const BYTES& message) {
  SHA1_CTX context;
  U_SHA1_vReset(&context);
  U_SHA1_vInput(&context, message.data(), (U32)message.size());
  EXPECT_FALSE(U_SHA1_bFinal(&context));
  BYTES digest;
  for (U32 word : context.H) {
    for (int shift = 24; shift >= 0; shift -= 8) digest.push_back((U8)(word >> shift));
  }
  return digest;
}

// Both directions of an ECB record, block by block, the second in place.
void CheckAesRecord(const RSP_RECORD& r, const std::string& where) {
  const BYTES key = Unhex(r.fields.at("KEY"));
  const bool encrypt = r.section == "[ENCRYPT]";
  const BYTES in = Unhex(r.fields.at(encrypt ? "PLAINTEXT" : "CIPHERTEXT"));
  const BYTES expected = Unhex(r.fields.at(encrypt ? "CIPHERTEXT" : "PLAINTEXT"));
  U32 rk[U_AES_MAX_RK_WORDS];
  const int rounds = encrypt ? U_AES_nSetupEncrypt(rk, key.data(), (int)key.size() * 8)
                             : U_AES_nSetupDecrypt(rk, key.data(), (int)key.size() * 8);
  BYTES out(in.size()), inPlace = in;
  for (size_t b = 0; b < in.size(); b += 16) {
    if (encrypt) {
      U_AES_vEncrypt(rk, rounds, &in[b], &out[b]);
      U_AES_vEncrypt(rk, rounds, &inPlace[b], &inPlace[b]);
    } else {
      U_AES_vDecrypt(rk, rounds, &in[b], &out[b]);
      U_AES_vDecrypt(rk, rounds, &inPlace[b], &inPlace[b]);
    }
  }
  EXPECT_EQ(expected, out) << where;
  EXPECT_EQ(expected, inPlace) << where << " in place";
}

TEST(Aes, MatchesEveryNistRecordAndTheStandardsExamples) {
  int records = 0;
  for (const char* file : {"ECBGFSbox128", "ECBKeySbox128", "ECBVarKey128", "ECBVarTxt128", "ECBMMT128",
                           "FIPS197-examples"}) {
    for (const RSP_RECORD& r : RspRecords(std::string("crypto/aes128-ecb/") + file + ".rsp")) {
      CheckAesRecord(r, std::string(file) + " " + r.section + " " + r.fields.at("COUNT"));
      records++;
    }
  }
  EXPECT_EQ(396, records);
  // FIPS-197 appendix C.2 and C.3: the 192- and 256-bit keys.
  const std::string plain = "00112233445566778899aabbccddeeff";
  CheckAesRecord({"[ENCRYPT]", {{"KEY", "000102030405060708090a0b0c0d0e0f1011121314151617"},
                                {"PLAINTEXT", plain}, {"CIPHERTEXT", "dda97ca4864cdfe06eaf70a0ec0d7191"}}}, "C.2");
  CheckAesRecord({"[DECRYPT]", {{"KEY", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"},
                                {"CIPHERTEXT", "8ea2b7ca516745bfeafc49904b496089"}, {"PLAINTEXT", plain}}}, "C.3");
  U32 rk[U_AES_MAX_RK_WORDS];
  EXPECT_EQ(0, U_AES_nSetupEncrypt(rk, Unhex(plain).data(), 64));
}

TEST(Sha1, MatchesTheNistShortLongAndMonteRecordsAndTheStandardsExamples) {
  int records = 0;
  for (const char* file : {"SHA1ShortMsg", "SHA1LongMsg"}) {
    for (const RSP_RECORD& r : RspRecords(std::string("crypto/sha1/") + file + ".rsp")) {
      if (!r.fields.count("Msg")) continue;
      BYTES message = Unhex(r.fields.at("Msg"));
      message.resize(std::stoul(r.fields.at("Len")) / 8);
      EXPECT_EQ(r.fields.at("MD"), Hex(Sha1(message).data(), 20)) << file << " Len " << r.fields.at("Len");
      records++;
    }
  }
  EXPECT_EQ(86, records);

  const std::vector<RSP_RECORD> monte = RspRecords("crypto/sha1/SHA1Monte.rsp");
  BYTES seed = Unhex(monte.at(0).fields.at("Seed"));
  for (size_t i = 1; i < monte.size(); i++) {
    BYTES md[3] = {seed, seed, seed};
    for (int j = 3; j < 1003; j++) {
      BYTES joined = md[0];
      joined.insert(joined.end(), md[1].begin(), md[1].end());
      joined.insert(joined.end(), md[2].begin(), md[2].end());
      md[0] = md[1];
      md[1] = md[2];
      md[2] = Sha1(joined);
    }
    seed = md[2];
    EXPECT_EQ(monte[i].fields.at("MD"), Hex(seed.data(), 20)) << "checkpoint " << monte[i].fields.at("COUNT");
  }

  std::istringstream examples(TestData("crypto/sha1/SHA1-FIPS180-examples.txt"));
  std::string line;
  int cases = 0;
  while (std::getline(examples, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::string text = line.substr(0, line.find('\t'));
    const std::string message = text == "a x 1000000" ? std::string(1000000, 'a') : text;
    EXPECT_EQ(line.substr(line.find('\t') + 1), Hex(Sha1(BYTES(message.begin(), message.end())).data(), 20)) << text;
    cases++;
  }
  EXPECT_EQ(3, cases);
}

TEST(Sha1, InputAfterTheFinishCorruptsTheContextAndLeavesTheDigest) {
  SHA1_CTX context;
  U_SHA1_vReset(&context);
  U_SHA1_vInput(&context, "abc", 3);
  EXPECT_FALSE(U_SHA1_bFinal(&context));
  EXPECT_EQ(0xA9993E36u, context.H[0]);
  U_SHA1_vInput(&context, "d", 1);
  EXPECT_TRUE(U_SHA1_bFinal(&context));
  EXPECT_EQ(0xA9993E36u, context.H[0]);
}

TEST(ModularMath, GivesTheHandComputedValues) {
  EXPECT_EQ(445u, U_MODULARMATH_ullFastModularExponentiate(4, 13, 497));  // 4^13 = 67108864 = 135027 x 497 + 445
  EXPECT_EQ(1u, U_MODULARMATH_ullFastModularExponentiate(123, 0, 7));
  EXPECT_EQ(0u, U_MODULARMATH_ullFastModularExponentiate(5, 3, 0)) << "a zero modulus is refused";
  EXPECT_EQ(4u, U_MODULARMATH_ullModuloInverse(3, 11));  // 3 x 4 = 12 = 11 + 1
  EXPECT_EQ(1u, U_MODULARMATH_ullModuloInverse(1, 97));
  EXPECT_EQ(0u, U_MODULARMATH_ullModuloInverse(0, 97));
  EXPECT_EQ(6u, U_MODULARMATH_ullGCD(12, 18));
  EXPECT_EQ(12u, U_MODULARMATH_ullLCM(4, 6));
  // (2^64 - 1)^2 mod (2^64 - 59): 2^64 = 59, so the base is 58 and 58^2 = 3364.
  EXPECT_EQ(3364u, U_MODULARMATH_ullMultiplyMod(~0ull, ~0ull, ~0ull - 58));
}

TEST(Handshake, EveryTestKeyPairRoundTripsAndUnknownKeysAreRefused) {
  UseTestKeys();
  for (int key = 0; key < 10; key++) {
    U64* challenge = U_AUTHENTICATION_ullGetRandomPlaintext(key, 8);
    ASSERT_NE(nullptr, challenge) << key;
    U64* cipher = U_AUTHENTICATION_ullConvertToCiphertext(key, 8, challenge);
    U64* plain = U_AUTHENTICATION_ullConvertToPlaintext(key, 8, cipher);
    EXPECT_EQ(0, memcmp(challenge, plain, 8 * sizeof(U64))) << "key " << key;
    EXPECT_NE(0, memcmp(challenge, cipher, 8 * sizeof(U64))) << "key " << key;
    free(challenge);
    free(cipher);
    free(plain);
  }
  U64* first = U_AUTHENTICATION_ullGetRandomPlaintext(0, 4);
  U64* second = U_AUTHENTICATION_ullGetRandomPlaintext(0, 4);
  EXPECT_NE(0, memcmp(first, second, 4 * sizeof(U64))) << "no reseeding from the clock";
  free(first);
  free(second);
  const U64 value = 5;
  EXPECT_EQ(nullptr, U_AUTHENTICATION_ullConvertToPlaintext(10, 1, &value));
  EXPECT_EQ(nullptr, U_AUTHENTICATION_ullConvertToPlaintext(-1, 1, &value));
  EXPECT_EQ(nullptr, U_AUTHENTICATION_ullGetRandomPlaintext(0, 0));
  UseTestKeys(false);
  EXPECT_EQ(nullptr, U_AUTHENTICATION_ullConvertToPlaintext(0, 1, &value)) << "no key file, no handshake";
  UseTestKeys();
}

// A payload type of n bytes of 0xA5, for the envelope.
int g_nPayload;
BYTES g_received;
int PayloadLength(void*, const G_DATA_TYPE*) { return g_nPayload; }
int PayloadSerialize(void*, void** ppv, int* pnRemaining, int*, const G_DATA_TYPE*) {
  memset(*ppv, 0xA5, (size_t)*pnRemaining);
  return *pnRemaining;
}
int PayloadDeserialize(void**, void* pv, int* pnRemaining, int*, const G_DATA_TYPE*) {
  g_received.assign((U8*)pv, (U8*)pv + *pnRemaining);
  return 0;
}
const G_DATA_TYPE s_payload = {"payload", PayloadSerialize, PayloadDeserialize, PayloadLength, nullptr, nullptr};
const G_DATA_TYPE* const s_components[] = {&s_payload};
const G_DATA_TYPE s_envelope = {"envelope", U_NAVROCRYPT_nGmsgSerializer, U_NAVROCRYPT_nGmsgDeserializer,
                                U_NAVROCRYPT_nGmsgLength, U_NAVROCRYPT_nGmsgDeallocator, s_components};

TEST(LinkCipher, EnvelopesAreBlockSizedCarryTheirPayloadAndRefuseBadLengths) {
  U_NAVROCRYPT_vSetDataKey(Unhex("000102030405060708090a0b0c0d0e0f").data());
  U_NAVROCRYPT_vSetIVector(Unhex("00000000000000000000000000000000").data());
  for (const auto& [payload, size] : {std::pair{14, 32}, {15, 48}, {0, 32}, {30, 48}}) {
    g_nPayload = payload;
    void* record = nullptr;
    int remaining = 0, used = 0;
    ASSERT_EQ(size, U_NAVROCRYPT_nGmsgSerializer(nullptr, &record, &remaining, &used, &s_envelope)) << payload;
    BYTES copy((U8*)record, (U8*)record + size);
    EXPECT_EQ(0, U_NAVROCRYPT_nGmsgDeserializer(nullptr, record, &used, &remaining, &s_envelope));
    EXPECT_EQ(BYTES((size_t)payload, 0xA5), g_received);
    // The record's first block, opened alone, shows the vector counted on by 11 a record.
    if (payload == 15) {
      U32 rk[44];
      U_AES_vDecrypt(rk, U_AES_nSetupDecrypt(rk, Unhex("000102030405060708090a0b0c0d0e0f").data(), 128),
                     copy.data(), copy.data());
      EXPECT_EQ(22, copy[0]) << "the second record";
    }
    H_MEMORY_vFree(record);
  }
  for (int bad : {16, 40}) {
    BYTES record(48, 0x5A);
    int remaining = bad, used = 0;
    EXPECT_EQ(-1, U_NAVROCRYPT_nGmsgDeserializer(nullptr, record.data(), &remaining, &used, &s_envelope));
    EXPECT_EQ(BYTES(48, 0x5A), record) << bad << " bytes: nothing decrypted";
  }
  char small[16];
  void* given = small;
  int remaining = sizeof small, used = 0;
  g_nPayload = 1;
  EXPECT_EQ(-10, U_NAVROCRYPT_nGmsgSerializer(nullptr, &given, &remaining, &used, &s_envelope));
}

TEST(LinkCipher, AuthRecordRoundTripsUnderTheLinkKeyAndNeedsTheKeyFile) {
  UseTestKeys(false);
  EXPECT_FALSE(U_NAVROCRYPT_bInit());
  NAVROCRYPT_AUTH auth;
  memset(&auth, 7, sizeof auth);
  EXPECT_FALSE(U_NAVROCRYPT_bEncryptAuth(&auth));
  UseTestKeys();
  ASSERT_TRUE(U_NAVROCRYPT_bInit());
  const NAVROCRYPT_AUTH original = auth;
  ASSERT_TRUE(U_NAVROCRYPT_bEncryptAuth(&auth));
  EXPECT_NE(0, memcmp(&original, &auth, sizeof auth));
  ASSERT_TRUE(U_NAVROCRYPT_bDecryptAuth(&auth));
  EXPECT_EQ(0, memcmp(&original, &auth, sizeof auth));
}

}  // namespace
