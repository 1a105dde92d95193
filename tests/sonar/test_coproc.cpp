// The co-processor's transmit command, its sample block, and the exchange the
// factory test makes with it.

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "h_coproc.h"
#include "s_coproc.h"
#include "s_demultiplex.h"
#include "sonar_test_util.h"

namespace {

// The command's check: the remainder of the 245 bytes, read as one
// polynomial, by x^16 + x^12 + x^5 + 1, computed bit by bit here. Fed two
// more zero bytes it is the standard XMODEM CRC, whose check value pins it.
U16 BitwiseCrc(const U8* bytes, size_t length) {
  U32 reg = 0;
  for (size_t i = 0; i < length; i++) {
    for (int bit = 7; bit >= 0; bit--) {
      reg = reg << 1 | ((bytes[i] >> bit) & 1);
      if (reg & 0x10000) reg ^= 0x11021;
    }
  }
  return (U16)reg;
}

void Recrc(MULTI_TX* tx) {
  U16 crc = BitwiseCrc(tx->au8Bytes, 245);
  tx->au8Bytes[245] = (U8)crc;
  tx->au8Bytes[246] = (U8)(crc >> 8);
}

TEST(TransmitCommand, EveryByteIsWrittenAndTheCrcCoversThemAll) {
  ASSERT_EQ(0x31C3, BitwiseCrc((const U8*)"123456789\0\0", 11));
  MULTI_TX tx;
  memset(&tx, 0xA5, sizeof tx);
  S_COPROC_vBuildTxSequenceForSingleDown(&tx, 40, TXPOWER_HIGH, 7, 4096, 200, 1, FALSE, 236, 190);
  // version, kind single-down, no beam, receiver 1, 40 cycles, power 3, no
  // flags, baseband 236, bandwidth 7, 200 and 190 kHz, 26 us, N 4096, 50 noise.
  const U8 head[22] = {1, 1, 0xFF, 1, 40, 3, 0, 236, 7, 0, 200, 0, 190, 0, 26, 0, 0x00, 0x10, 0, 0, 50, 0};
  EXPECT_EQ(0, memcmp(head, tx.au8Bytes, sizeof head));
  for (U32 i = 22; i < 245; i++) ASSERT_EQ(0, tx.au8Bytes[i]) << i;
  U16 crc = BitwiseCrc(tx.au8Bytes, 245);
  EXPECT_EQ(crc & 0xFF, tx.au8Bytes[245]);
  EXPECT_EQ(crc >> 8, tx.au8Bytes[246]);

  // The side beams listen on their own receivers and sweep nothing; a power
  // above full counts as full, the sample count is clamped.
  const struct {
    BEAM beam;
    U32 samples;
    U8 receiver;
    U32 clamped;
  } sides[] = {{BEAM_IMAGING_LEFT, 0, 1, 1}, {BEAM_IMAGING_RIGHT, 40000, 2, 32950}, {BEAM_IMAGING_DOWN, 99, 2, 99}};
  for (const auto& side : sides) {
    S_COPROC_vBuildSingleBeamSSPing455kHzLR(&tx, side.beam, 20, (TXPOWER)9, 2, side.samples, 455, TRUE);
    S_COPROC_TX_FIELDS f;
    ASSERT_TRUE(S_COPROC_bDecode(&tx, &f));
    EXPECT_EQ(2, f.u8Kind);
    EXPECT_EQ(side.beam, f.u8Beam);
    EXPECT_EQ(side.receiver, f.u8Receiver);
    EXPECT_EQ(3, f.u8Power);
    EXPECT_EQ(1, f.u8Flags);
    EXPECT_EQ(455, f.u16EndKHz);
    EXPECT_EQ(side.clamped, f.u32EchoSamples);
  }
}

TEST(TransmitCommand, TheCoprocessorRefusesWhatItCannotTrust) {
  sonartest::WriteConfig("realtime = 0\n");
  MULTI_TX good;
  S_COPROC_vBuildTxSequenceForSingleDown(&good, 40, TXPOWER_HIGH, 0, 4096, 200, 0, FALSE, 236, 200);
  U8 block[300];
  EXPECT_EQ(0, H_COPROC_s32Transfer(block, sizeof block, RECEIVE_FROM_COPROC)) << "nothing was sent";

  for (U32 at : {0u, 1u, 100u, 246u}) {
    MULTI_TX bad = good;
    bad.au8Bytes[at] ^= 0x10;
    EXPECT_EQ(-1, H_COPROC_s32Transfer(bad.au8Bytes, 247, SEND_TO_COPROC)) << "byte " << at;
  }
  for (U32 n : {0u, 32951u}) {
    MULTI_TX bad = good;
    for (U32 i = 0; i < 4; i++) bad.au8Bytes[16 + i] = (U8)(n >> (8 * i));
    Recrc(&bad);
    EXPECT_EQ(-1, H_COPROC_s32Transfer(bad.au8Bytes, 247, SEND_TO_COPROC)) << "N " << n;
  }
  EXPECT_EQ(-1, H_COPROC_s32Transfer(good.au8Bytes, 246, SEND_TO_COPROC));
  EXPECT_EQ(-1, H_COPROC_s32Transfer(good.au8Bytes, 247, (COPROC_DIRECTION)3));
  EXPECT_EQ(0, H_COPROC_s32Transfer(block, sizeof block, RECEIVE_FROM_COPROC)) << "refusals leave nothing pending";

  // A reader shorter than the block gets its part, marked as cut.
  ASSERT_EQ(247, H_COPROC_s32Transfer(good.au8Bytes, 247, SEND_TO_COPROC));
  EXPECT_EQ(300, H_COPROC_s32Transfer(block, sizeof block, RECEIVE_FROM_COPROC));
  EXPECT_EQ(0x03, block[247]);

  sonartest::WriteConfig("coproc = 0\n");
  EXPECT_FALSE(H_COPROC_bCoprocessorReady());
  EXPECT_EQ(0, H_COPROC_s32Transfer(good.au8Bytes, 247, SEND_TO_COPROC));
}

// The factory test's ping: beam 0 at 200 kHz, 4096 samples, channel 0.
struct FACTORY_PING {
  S32 count;
  bool echoedSame;
  U8 noise[50];
  U8 echo[4096];
  std::vector<U8> other[2];
};

FACTORY_PING FactoryPing(BOOLEAN bNoTransmit) {
  FACTORY_PING p{};
  MULTI_TX tx;
  S_COPROC_vBuildTxSequenceForSingleDown(&tx, 40, TXPOWER_HIGH, 0, 4096, 200, 0, bNoTransmit, 236, 200);
  EXPECT_EQ(247, H_COPROC_s32Transfer(tx.au8Bytes, 247, SEND_TO_COPROC));
  p.count = H_COPROC_s32Transfer(gpu8NonCachedDataBlock, S_COPROC_BLOCK_BYTES, RECEIVE_FROM_COPROC);
  TX_SEQUENCE echoed;
  const U8* samples = nullptr;
  EXPECT_TRUE(S_DEMULTIPLEX_bExtractTxSequence(gpu8NonCachedDataBlock, &echoed, &samples));
  p.echoedSame = memcmp(&echoed, &tx, sizeof tx) == 0;
  S_DEMULTIPLEX_vGetExtractRxData(samples, 0, 50, 4096, p.noise, p.echo);
  for (U32 c = 1; c <= 2; c++) {
    p.other[c - 1].resize(4146);
    S_DEMULTIPLEX_vGetExtractRxData(samples, c, 50, 4096, p.other[c - 1].data(), p.other[c - 1].data() + 50);
  }
  return p;
}

U32 Mean(const U8* v, U32 n) {
  U32 sum = 0;
  for (U32 i = 0; i < n; i++) sum += v[i];
  return (sum + n / 2) / n;
}

TEST(FactoryPing, ABottomAtThreeMetresIsTheSignalTheTestLooksFor) {
  sonartest::WriteConfig("depth_m = 3.0\ndepth_swing_m = 0\nfish = 0\nseed = 1\n");
  FACTORY_PING p = FactoryPing(FALSE);
  EXPECT_EQ(12689, p.count);  // 251 + 3 x (50 + 4096)
  EXPECT_TRUE(p.echoedSame);
  U32 peakAt = 50;
  for (U32 i = 50; i < 4096; i++) peakAt = p.echo[i] > p.echo[peakAt] ? i : peakAt;
  // 3.0 m at 26 us a sample and 416 us a foot: sample 157.5.
  EXPECT_TRUE(peakAt == 157 || peakAt == 158) << peakAt;
  EXPECT_EQ(220, p.echo[peakAt]);
  U32 noise = Mean(p.noise, 50);
  EXPECT_GE(noise, 6u);
  EXPECT_LE(noise, 10u);
  for (const auto& channel : p.other) EXPECT_LT(*std::max_element(channel.begin(), channel.end()), 40);

  for (int quiet = 0; quiet < 2; quiet++) {
    if (quiet == 1) sonartest::WriteConfig("depth_m = 3.0\ndepth_swing_m = 0\nfish = 0\npresent = 0\n");
    FACTORY_PING q = FactoryPing(quiet == 0);
    EXPECT_EQ(12689, q.count);
    U32 floor = Mean(q.noise, 50);
    EXPECT_LT(*std::max_element(q.echo + 50, q.echo + 4096), floor + 30) << (quiet ? "no transducer" : "no transmit");
  }
}

TEST(Demultiplexer, EachChannelComesOutInItsOwnOrder) {
  const U32 noise = 5, echo = 10;
  std::vector<U8> samples(3 * (noise + echo));
  for (U32 k = 0; k < noise + echo; k++) {
    for (U32 c = 0; c < 3; c++) samples[3 * k + c] = (U8)(c << 6 | k);
  }
  for (U32 c = 0; c < 4; c++) {
    std::vector<U8> n(noise, 0xEE), e(echo, 0xEE);
    S_DEMULTIPLEX_vGetExtractRxData(samples.data(), c, noise, echo, n.data(), e.data());
    for (U32 k = 0; k < noise; k++) EXPECT_EQ(c < 3 ? (U8)(c << 6 | k) : 0xEE, n[k]) << c;
    for (U32 j = 0; j < echo; j++) EXPECT_EQ(c < 3 ? (U8)(c << 6 | (noise + j)) : 0xEE, e[j]) << c;
  }
  std::vector<U8> e(echo, 0);
  S_DEMULTIPLEX_vGetExtractRxData(samples.data(), 2, noise, echo, nullptr, e.data());
  EXPECT_EQ(2 << 6 | noise, e[0]);
}

}  // namespace
