// Bottom detection, the automatic range and the column of one ping.

#include <gtest/gtest.h>
#include <math.h>

#include <algorithm>
#include <random>
#include <vector>

#include "s_bottom.h"
#include "s_coproc.h"
#include "s_demultiplex.h"
#include "s_sim.h"

namespace {

constexpr double kMetresPerSample = 26 * 0.3048 / 416;  // 0.01905

struct PING {
  U8 floor;
  std::vector<U8> echo;
};

// A ping of the echo model over a window of `samples`, on the narrow or the
// wide beam, `seconds` into the model's day.
PING Simulate(float depth, U32 fish, float seconds, U16 khz, U32 samples, U32 number) {
  S_SIM_CONFIG c;
  S_SIM_vDefaults(&c);
  c.fDepthM = depth;
  c.fDepthSwingM = 0;
  c.u32Fish = fish;
  MULTI_TX tx;
  S_COPROC_vBuildTxSequenceForSingleDown(&tx, 40, TXPOWER_HIGH, 0, samples, khz, 0, FALSE, 236, khz);
  std::vector<U8> block(S_COPROC_u32BlockBytes(samples));
  EXPECT_EQ(block.size(), S_SIM_u32FillBlock(&c, &tx, (TICKS)(seconds * 1000), number, FALSE, block.data(),
                                             (U32)block.size()));
  PING p{0, std::vector<U8>(samples)};
  U8 noise[50];
  S_DEMULTIPLEX_vGetExtractRxData(block.data() + 251, 0, 50, samples, noise, p.echo.data());
  p.floor = S_BOTTOM_u8NoiseFloor(noise, 50);
  return p;
}

TEST(Bottom, SimulatedBottomsAreFoundAtTheirFirstSample) {
  const struct {
    float depth;
    U32 fish;
    S32 sample;  // depth / 0.01905 m, rounded; -1 none
  } rows[] = {
      {1.5f, 2, 79},     // 78.74
      {12.0f, 2, 630},   // 629.92
      {150.0f, 2, 7874}, // 7874.02
      {0.9f, 2, -1},     // 47.2: inside the blanking
  };
  for (const auto& row : rows) {
    for (U16 khz : {200, 83}) {
      PING p = Simulate(row.depth, row.fish, 0.5f, khz, (U32)(1.1 * 2.5 * row.depth / kMetresPerSample), 1);
      EXPECT_EQ(row.sample, S_BOTTOM_s32FindBottom(p.echo.data(), (U32)p.echo.size(), p.floor))
          << row.depth << " m at " << khz << " kHz";
    }
  }
}

TEST(Bottom, HandMadeEchoesFollowTheRule) {
  struct RUN {
    U32 from, count;
    U8 level;
  };
  const struct {
    std::vector<RUN> runs;  // over a floor of 8, 1000 samples
    S32 bottom;
    const char* why;
  } rows[] = {
      {{{300, 3, 250}, {600, 20, 150}}, 600, "a fish stronger than the bottom but three samples long"},
      {{{600, 7, 220}}, -1, "seven samples do not hold"},
      {{{600, 7, 220}, {607, 1, 70}}, 600, "eight do: 70 is above a quarter of the way (61)"},
      {{{40, 30, 220}}, -1, "a return under way when the blanking ends"},
      {{{600, 40, 47}}, -1, "less than 40 above the floor"},
  };
  for (const auto& row : rows) {
    std::vector<U8> e(1000, 8);
    for (const RUN& run : row.runs) std::fill_n(e.begin() + run.from, run.count, run.level);
    EXPECT_EQ(row.bottom, S_BOTTOM_s32FindBottom(e.data(), 1000, 8)) << row.why;
  }
  PING noise = Simulate(12.0f, 0, 0, 200, 400, 3);  // the window ends before the bottom
  EXPECT_EQ(-1, S_BOTTOM_s32FindBottom(noise.echo.data(), 400, noise.floor));
}

// Every 1 cm from 0.3 m to 3 m (the blanking and its double echo), then in
// steps of 1 % to 150 m, on both beams, ten pings a second of model time so
// that fish pass, and a window of 2.5 times the depth so that the double
// echo is always in it. Under the blanking (0.95 m) no bottom is reported;
// past it every ping finds one, and none is further from the truth than 5 %
// or 0.1 m.
TEST(Bottom, ASweepFromThirtyCentimetresToOneHundredFiftyMetresReadsTheTrueDepthOrNone) {
  std::vector<float> depths;
  for (int cm = 30; cm < 300; cm++) depths.push_back(cm / 100.0f);
  for (double d = 3.0; d < 150.0; d *= 1.01) depths.push_back((float)d);
  depths.push_back(150.0f);
  const U32 shortest = (U32)(3.0 * 1.1 / kMetresPerSample);  // the 3 m range's window
  int wrong = 0, pings = 0;
  for (float depth : depths) {
    for (U16 khz : {200, 83}) {
      const U32 samples = std::max(shortest, (U32)(2.5 * depth / kMetresPerSample));
      PING p = Simulate(depth, (U32)pings % 5, 0.1f * (float)pings, khz, samples, (U32)pings);
      pings++;
      const S32 found = S_BOTTOM_s32FindBottom(p.echo.data(), samples, p.floor);
      const double metres = found * kMetresPerSample, off = fabs(metres - depth);
      bool bad;
      if (depth < 0.95f) {
        bad = found >= 0;
      } else if (found < 0) {
        bad = depth >= 1.0f;
      } else {
        bad = off > 0.1 || off > 0.05 * depth;
      }
      if (bad && ++wrong <= 5) ADD_FAILURE() << depth << " m at " << khz << " kHz read as " << metres << " m";
    }
  }
  EXPECT_EQ(0, wrong) << "of " << pings << " pings";
}

TEST(Range, StepsUpAtOnceDownAfterTwentyPingsAndSearchesWithoutABottom) {
  S_BOTTOM_RANGE r;
  S_BOTTOM_vStartRange(&r);
  EXPECT_EQ(30.0f, r.fRangeM);
  const struct {
    bool found;
    float depth;
    float fixed;
    float range;
    const char* why;
  } steps[] = {
      {true, 12, 0, 15, "first bottom: 1.2 x 12 = 14.4 -> 15"},
      {true, 12.7f, 0, 15, "12.7 < 0.85 x 15"},
      {true, 13, 0, 20, "13 > 12.75: up at once, 15.6 -> 20"},
      {true, 5, 0, 20, "target 8, 1 of 20"},
      {true, 17, 0, 20, "17 is not above 17, target 30: the count starts over"},
  };
  for (const auto& s : steps) EXPECT_EQ(s.range, S_BOTTOM_fNextRange(&r, s.found, s.depth, s.fixed)) << s.why;
  for (int i = 1; i < 20; i++) EXPECT_EQ(20.0f, S_BOTTOM_fNextRange(&r, TRUE, 5, 0)) << i;
  EXPECT_EQ(8.0f, S_BOTTOM_fNextRange(&r, TRUE, 5, 0)) << "the twentieth shallower ping";

  EXPECT_EQ(8.0f, S_BOTTOM_fNextRange(&r, FALSE, 0, 0));
  EXPECT_EQ(8.0f, S_BOTTOM_fNextRange(&r, FALSE, 0, 0));
  EXPECT_EQ(10.0f, S_BOTTOM_fNextRange(&r, FALSE, 0, 0)) << "three misses: one step up";
  EXPECT_EQ(3.0f, S_BOTTOM_fNextRange(&r, TRUE, 2, 0)) << "after a search the target at once";
  r.fRangeM = 300;
  for (int i = 0; i < 3; i++) S_BOTTOM_fNextRange(&r, FALSE, 0, 0);
  EXPECT_EQ(3.0f, r.fRangeM) << "the search wraps";
  EXPECT_EQ(300.0f, S_BOTTOM_fTargetRange(260));

  EXPECT_EQ(25.0f, S_BOTTOM_fNextRange(&r, TRUE, 5, 25));
  EXPECT_EQ(2.0f, S_BOTTOM_fNextRange(&r, TRUE, 5, 1));
  EXPECT_EQ(300.0f, S_BOTTOM_fNextRange(&r, FALSE, 0, 500));
  EXPECT_EQ(8.0f, S_BOTTOM_fNextRange(&r, TRUE, 5, 0)) << "back to automatic: the target at once";
}

// Under 0.7 of the step below the range for twenty pings before going
// down; a bottom wavering about the edge between 15 and 20 m (12.75 m, where
// 15 gives way) switches at most once in a minute of one beam's pings.
TEST(Range, GoesDownOnlyWellClearOfTheSmallerStepsEdge) {
  S_BOTTOM_RANGE r;
  S_BOTTOM_vStartRange(&r);
  EXPECT_EQ(20.0f, S_BOTTOM_fNextRange(&r, TRUE, 13, 0));
  for (int i = 0; i < 40; i++) EXPECT_EQ(20.0f, S_BOTTOM_fNextRange(&r, TRUE, 11, 0)) << "11 > 0.7 x 15, ping " << i;
  for (int i = 1; i < 20; i++) EXPECT_EQ(20.0f, S_BOTTOM_fNextRange(&r, TRUE, 10.4f, 0)) << i;
  EXPECT_EQ(15.0f, S_BOTTOM_fNextRange(&r, TRUE, 10.4f, 0)) << "twenty under 10.5: 12.48 -> 15";

  S_BOTTOM_vStartRange(&r);
  float range = S_BOTTOM_fNextRange(&r, TRUE, 12.6f, 0);
  int switches = 0;
  for (int ping = 1; ping < 300; ping++) {  // five a second, a 15 s swing
    const float depth = 12.6f + 0.3f * (float)sin(2 * M_PI * ping / 75.0);
    const float next = S_BOTTOM_fNextRange(&r, TRUE, depth, 0);
    switches += next != range;
    range = next;
  }
  EXPECT_LE(switches, 1);
}

TEST(Column, ABottomStartsAtItsRowAndLevelsFollowTheSensitivity) {
  // 12 m in a 15 m range: row floor(12 / 15 x 480) = 384; its first sample
  // is 630 (12 m / 0.01905 m = 629.9).
  std::vector<U8> e(866, 8);
  for (U32 i = 630; i < 660; i++) e[i] = 220;
  U8 levels[480];
  S_BOTTOM_vMakeColumn(e.data(), (U32)e.size(), 8, 15.0f, 10, levels);
  for (U32 r = 0; r < 384; r++) ASSERT_EQ(0, levels[r]) << r;
  EXPECT_EQ(31, levels[384]);

  // Amplitude 60 over a floor of 8: (52 x 2 x s / 10) >> 3.
  const struct {
    U32 sensitivity;
    U8 level;
  } rows[] = {{10, 13}, {20, 26}, {1, 1}, {5, 6}};
  std::fill(e.begin(), e.end(), 60);
  for (const auto& row : rows) {
    S_BOTTOM_vMakeColumn(e.data(), (U32)e.size(), 8, 15.0f, row.sensitivity, levels);
    EXPECT_EQ(row.level, levels[200]) << row.sensitivity;
  }
  // A 3 m range has rows thinner than a sample; past the last sample rows are empty.
  S_BOTTOM_vMakeColumn(e.data(), 100, 8, 3.0f, 10, levels);
  EXPECT_EQ(13, levels[0]);
  EXPECT_EQ(13, levels[300]);  // 1.877 m: no sample inside, the nearest is 99
  EXPECT_EQ(0, levels[400]);   // 2.5 m: sample 131, past 100
}

}  // namespace
