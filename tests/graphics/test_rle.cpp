#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "u_rle.h"

namespace {

typedef std::vector<U8> BYTES;

std::vector<U8> Decode(const BYTES& stream, size_t count) {
  NIBBLE_RLE_STATE state;
  U_RLE_NIBBLE_vInit(&state, stream.data());
  std::vector<U8> out;
  for (size_t i = 0; i < count; i++) out.push_back(U_RLE_NIBBLE_u8GetNext(&state));
  return out;
}

TEST(NibbleRle, StreamsDecodeToTheirValues) {
  const struct {
    BYTES stream;
    std::vector<U8> values;
  } rows[] = {
      {{0x2F}, {15}},                              // marker 2, one plain value
      {{0x21, 0x20}, {1, 2}},                      // marker with count 0: the marker itself
      {{0xF0, 0xF3, 0x70}, {0, 7, 7, 7, 7}},       // count 3: four copies of the next value
      {{0x22, 0x80, 0x50}, {2, 5}},                // extended count 0
      {{0x32, 0x32, 0xBB, 0xB0}, {2, 3, 3, 3, 11, 11, 11}},       // count 2 of the marker
      {{0x11, 0x9F, 0x40}, std::vector<U8>(32, 4)},               // extended count 31
  };
  for (const auto& row : rows) {
    // Exactly sized, so that a read past the stream is caught.
    EXPECT_EQ(row.values, Decode(row.stream, row.values.size()));
  }
}

TEST(NibbleRle, SeventeenEqualValuesBecomeOneExtendedRunWithTheLowestUnusedMarker) {
  BYTES in(8, 0x55);
  in.push_back(0x50);  // 17 fives and a zero: 1 is the rarest value
  BYTES out(in.size(), 0xEE);
  ASSERT_EQ(3, U_RLE_NIBBLE_nCompress(in.data(), out.data(), (int)in.size()));
  EXPECT_EQ(0x11, out[0]);  // marker 1, then marker 1 ...
  EXPECT_EQ(0x90, out[1]);  // ... count 8 + 1, 0 (17 copies) ...
  EXPECT_EQ(0x50, out[2]);  // ... of 5, then the plain zero
}

TEST(NibbleRle, AlternatingNibblesDoNotPayAndNothingIsWrittenPastTheBuffer) {
  BYTES in = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23};
  BYTES out(in.size());
  EXPECT_EQ(-1, U_RLE_NIBBLE_nCompress(in.data(), out.data(), (int)in.size()));
  EXPECT_EQ(1, U_RLE_NIBBLE_nCompress(in.data(), nullptr, 0));
  EXPECT_TRUE(U_RLE_NIBBLE_bVerify(in.data(), nullptr, 0));
}

TEST(NibbleRle, CompressedBuffersVerifyAndDecompressToTheInput) {
  std::mt19937 random(8);
  int compressed = 0;
  for (int trial = 0; trial < 300; trial++) {
    // Runs of random length (up to 300 nibbles, past the longest run of 128)
    // over a few values, so most buffers pay.
    std::vector<U8> nibbles;
    const size_t target = 2 + random() % 600;
    const U32 values = 1 + random() % 16;
    while (nibbles.size() < target) {
      const U8 v = (U8)(random() % values);
      const size_t run = (random() % 4 == 0) ? 1 + random() % 300 : 1 + random() % 4;
      for (size_t k = 0; k < run && nibbles.size() < target; k++) nibbles.push_back(v);
    }
    if (nibbles.size() % 2) nibbles.push_back(0);
    BYTES in(nibbles.size() / 2);
    for (size_t i = 0; i < in.size(); i++) in[i] = (U8)(nibbles[2 * i] << 4 | nibbles[2 * i + 1]);

    BYTES out(in.size());
    const int n = U_RLE_NIBBLE_nCompress(in.data(), out.data(), (int)in.size());
    if (n == -1) continue;
    compressed++;
    ASSERT_GT(n, 0);
    ASSERT_LE(n, (int)in.size());  // shorter in nibbles, perhaps not in bytes
    out.resize((size_t)n);  // exact, so that readers past the stream are caught
    EXPECT_TRUE(U_RLE_NIBBLE_bVerify(in.data(), out.data(), (int)in.size()));
    BYTES back(in.size());
    U_RLE_NIBBLE_vDecompress(back.data(), out.data(), (int)in.size());
    EXPECT_EQ(in, back);
    BYTES changed = in;
    changed[random() % changed.size()] ^= 0x10;
    EXPECT_FALSE(U_RLE_NIBBLE_bVerify(changed.data(), out.data(), (int)in.size()));
  }
  EXPECT_GT(compressed, 200);
}

BYTES ByteCompress(BYTES in) {
  BYTES out(in.size() + in.size() / 256 + 1);
  const int n = U_RLE_Compress(in.data(), out.data(), (unsigned)in.size());
  out.resize((size_t)n);
  return out;
}

BYTES ByteUncompress(BYTES coded, size_t decodedSize) {
  BYTES out(decodedSize);
  U_RLE_Uncompress(coded.data(), out.data(), (unsigned)coded.size());
  return out;
}

TEST(ByteRle, RunsAndMarkersAreCodedAsSpecifiedAndDecodeBack) {
  // In each input 0 never occurs but 1 does, so 0 is the marker except where
  // the input holds every value.
  const struct {
    BYTES in;
    BYTES coded;
  } rows[] = {
      {{}, {}},
      {{7, 7, 7}, {0, 7, 7, 7}},
      {{7, 7, 7, 7}, {0, 0, 3, 7}},
      {BYTES(129, 9), {0, 0, 0x80, 0x80, 9}},
      {BYTES(32768, 9), {0, 0, 0xFF, 0xFF, 9}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.coded, ByteCompress(row.in));
    EXPECT_EQ(row.in, ByteUncompress(row.coded, row.in.size()));
  }

  // The marker (0, rarer than every other value) three times in a row is
  // written as marker, 2.
  BYTES in = {0, 0, 0};
  for (int k = 0; k < 4; k++) {
    for (int v = 1; v < 256; v++) in.push_back((U8)v);
  }
  const BYTES coded = ByteCompress(in);
  ASSERT_EQ(1u + 2 + 4 * 255, coded.size());
  EXPECT_EQ(0, coded[0]);
  EXPECT_EQ(0, coded[1]);
  EXPECT_EQ(2, coded[2]);
  EXPECT_EQ(1, coded[3]);
  EXPECT_EQ(in, ByteUncompress(coded, in.size()));
}

TEST(ByteRle, LongAndRandomInputsRoundTripWithinTheStatedBound) {
  std::mt19937 random(31);
  for (int trial = 0; trial < 100; trial++) {
    BYTES in;
    const size_t size = random() % 70000;
    while (in.size() < size) {
      const U8 v = (U8)(random() % 5);
      const size_t run = (random() % 8 == 0) ? random() % 40000 : 1 + random() % 3;
      in.insert(in.end(), std::min(run, size - in.size()), v);
    }
    const BYTES coded = ByteCompress(in);
    EXPECT_LE(coded.size(), in.size() + in.size() / 256 + 1);
    EXPECT_EQ(in, ByteUncompress(coded, in.size()));
  }
}

TEST(ByteRle, ASymbolCutOffByTheEndOfTheInputIsNotCompletedFromBeyondIt) {
  const BYTES cut[] = {{0, 5, 0}, {0, 5, 0, 0x85}, {0, 5, 0, 9}};
  for (const BYTES& coded : cut) {
    BYTES out = ByteUncompress(coded, 4);
    EXPECT_EQ(5, out[0]);
    EXPECT_EQ(0, out[1]);
  }
}

}  // namespace
