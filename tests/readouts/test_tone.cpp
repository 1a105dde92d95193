// The tone task heard through a recording sink in place of the buzzer.

#include <gtest/gtest.h>

#include <memory>

#include "h_database.h"
#include "readouts_test.h"
#include "t_tone.h"

namespace {

void Set(FOURCHARID key, U32 value) {
  H_DATABASE_bUpdateValueU32(key, value, P_NORMAL);
  rt::Sync(M_TONE);
}

class Tone : public rt::ReadoutsTest {
 protected:
  // The task greets with its start chirp, 1000 Hz at Normal.
  void SetUp() override {
    rt::ReadoutsTest::SetUp();
    Start(rt::TONE);
    ASSERT_TRUE(rt::WaitForEdges(2, 1000));
    EXPECT_EQ(1000.0f, rt::Edges()[0].frequency);
    rt::ClearEdges();
  }
  std::unique_ptr<TONE_BURST> burst;  // outlives the task, which reads it to its end
};

// Hand-counted: repetitions x (sounds and silences of the pulses played +
// the silence between repetitions).
TEST(ToneLength, CountsEveryRepetitionOfThePulsesThatPlay) {
  EXPECT_EQ(600u, T_TONE_u32CalculateToneLength(TONE_GENERAL_ALERT, nullptr));
  EXPECT_EQ(3000u, T_TONE_u32CalculateToneLength(TONE_TEST, nullptr));  // 2 x (100 + 300 + 100 + 1000)
  EXPECT_EQ(0u, T_TONE_u32CalculateToneLength(TONE_USE_CUSTOM, nullptr));
  TONE_BURST nine = {9, 2, {}, 7};
  for (TONE_PULSE& p : nine.tone) p = {{1, 1, 1}, 10, 10};
  EXPECT_EQ(2u * (5 * 20 + 7), T_TONE_u32CalculateToneLength(TONE_USE_CUSTOM, &nine));
  nine.s32RepeatCount = -1;
  EXPECT_EQ(5u * 20 + 7, T_TONE_u32CalculateToneLength(TONE_USE_CUSTOM, &nine)) << "a count below 1 plays once";
}

TEST_F(Tone, AlarmsOnlySilencesClicksAndFishButSoundsAlarmsThroughWhichNoClickIsHeard) {
  Set(FCID("STMD"), TONE_MODE_ALARMS_ONLY);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  L_SEMA_Signal(SEMA_FISH_ALARM_LARGE);
  U_TONE_bPlayTone(TONE_TEST, nullptr, FALSE);
  rt::Sync(M_TONE);
  L_CLOCK_Sleep(150);
  EXPECT_TRUE(rt::Edges().empty());
  U_TONE_bPlayTone(TONE_GENERAL_ALERT, nullptr, TRUE);
  Set(FCID("STMD"), TONE_MODE_ALL);
  L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  ASSERT_TRUE(rt::WaitForEdges(6, 2000));
  L_CLOCK_Sleep(150);
  EXPECT_EQ(6u, rt::Edges().size()) << "the click came while the alert played";
  rt::ExpectPulses(rt::Edges(), 0, 2070, 3, 150, 50);
}

TEST_F(Tone, ANewPitchPlaysTheTestBurstAtItAndAPitchOutOfRangeIsCorrected) {
  Set(FCID("STON"), PITCH_HIGH);
  ASSERT_TRUE(rt::WaitForEdges(6, 1000));
  const std::vector<rt::EDGE> edges = rt::Edges();
  EXPECT_EQ((std::vector<float>{2575, 1650, 3500}),
            (std::vector<float>{edges[0].frequency, edges[2].frequency, edges[4].frequency}));
  rt::ClearEdges();
  Set(FCID("STON"), 7);
  ASSERT_TRUE(rt::WaitForEdges(1, 1000));
  EXPECT_EQ(875.0f, rt::Edges()[0].frequency) << "7 is taken as Low";
  U32 stored = 0;
  H_DATABASE_bFetchU32(FCID("STON"), &stored, nullptr, nullptr);
  EXPECT_EQ((U32)PITCH_LOW, stored);
}

TEST_F(Tone, ACustomBurstOfNinePulsesPlaysItsFive) {
  // Its own heap block, so a read past the fifth pulse is out of bounds.
  burst.reset(new TONE_BURST{9, 1, {}, 0});
  for (int i = 0; i < 5; i++) burst->tone[i] = {{0, 100.0f * (float)(i + 1), 0}, 5, 5};
  U_TONE_bPlayTone(TONE_USE_CUSTOM, burst.get(), TRUE);
  ASSERT_TRUE(rt::WaitForEdges(10, 1000));
  L_CLOCK_Sleep(100);
  const std::vector<rt::EDGE> edges = rt::Edges();
  ASSERT_EQ(10u, edges.size());
  for (int i = 0; i < 5; i++) EXPECT_EQ(100.0f * (float)(i + 1), edges[2 * i].frequency);
}

}  // namespace
