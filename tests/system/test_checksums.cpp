#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "base64.h"
#include "h_memory.h"
#include "u_crc16.h"
#include "u_crcst.h"

namespace {

const U8* Bytes(const char* text) { return (const U8*)text; }

TEST(Crc16, MatchesTheXmodemValueWhenAugmented) {
  U16 crc = 0xFFFF;
  U_CRC16_vCrc16(&crc, Bytes("abc"), 3, TRUE);
  EXPECT_EQ(0x1EE4, crc);
  const U8 zeros[2] = {0, 0};
  U_CRC16_vCrc16(&crc, zeros, 2, FALSE);
  EXPECT_EQ(0x9DD6, crc);

  crc = 0x1234;
  U_CRC16_vCrc16(&crc, nullptr, 0, TRUE);
  EXPECT_EQ(0, crc);
  // The standard check value of CRC-16/XMODEM.
  U_CRC16_vCrc16(&crc, Bytes("123456789"), 9, TRUE);
  U_CRC16_vCrc16(&crc, zeros, 2, FALSE);
  EXPECT_EQ(0x31C3, crc);
}

TEST(Crc16, WordAndByteStepsAgreeWithTheBlockForm) {
  U16 block = 0, steps = 0, words = 0;
  const U8 data[4] = {0x12, 0x34, 0xAB, 0xCD};
  U_CRC16_vCrc16(&block, data, 4, TRUE);
  for (U8 b : data) steps = U_CRC16_u16CrcByte(b, steps);
  U_CRC16_vCrcU16HighLow(&words, 0x1234, TRUE);
  U_CRC16_vCrcU16HighLow(&words, 0xABCD, FALSE);
  EXPECT_EQ(block, steps);
  EXPECT_EQ(block, words);
}

TEST(Crc32Words, UnreflectedWithoutFinalInversion) {
  // The register of CRC-32/MPEG-2 over "12345678", fed as two words whose
  // bytes go most significant first.
  const U32 words[2] = {0x31323334, 0x35363738};
  EXPECT_EQ(0x49E3C2FBu, U_CRCST_u32Calc(0xFFFFFFFFu, words, 2));
  EXPECT_EQ(0x49E3C2FBu, U_CRCST_u32Calc(U_CRCST_u32Calc(0xFFFFFFFFu, words, 1), words + 1, 1));
  EXPECT_EQ(0x1234u, U_CRCST_u32Calc(0x1234u, words, 0));
}

TEST(Base64, EncodesAndDecodesTheStandardVectors) {
  const struct {
    const char* plain;
    const char* coded;
  } rows[] = {{"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
              {"foobar", "Zm9vYmFy"}};
  for (const auto& row : rows) {
    char* coded = BASE64_pcEncode(Bytes(row.plain), (U32)strlen(row.plain));
    EXPECT_STREQ(row.coded, coded);
    U32 length = 99;
    U8* plain = BASE64_pu8Decode(coded, &length);
    ASSERT_NE(nullptr, plain);
    EXPECT_EQ(std::string(row.plain), std::string((const char*)plain, length));
    H_MEMORY_vFree(plain);
    H_MEMORY_vFree(coded);
  }
  EXPECT_EQ(nullptr, BASE64_pcEncode(Bytes("x"), 0));
  EXPECT_EQ(nullptr, BASE64_pcEncode(nullptr, 3));
}

TEST(Base64, RefusesTextThatIsNotBase64) {
  const char* bad[] = {"ab=c", "abc", "ab!d", "=abc", "a=bc", "Zg==Zg==", "Zm9v\n"};
  for (const char* text : bad) {
    EXPECT_FALSE(BASE64_bIsBase64(text)) << text;
    U32 length = 99;
    EXPECT_EQ(nullptr, BASE64_pu8Decode(text, &length)) << text;
    EXPECT_EQ(0u, length) << text;
  }
  EXPECT_TRUE(BASE64_bIsBase64(""));
  EXPECT_FALSE(BASE64_bIsBase64(nullptr));
  U32 length = 99;
  EXPECT_EQ(nullptr, BASE64_pu8Decode("", &length));
  EXPECT_EQ(0u, length);
}

}  // namespace
