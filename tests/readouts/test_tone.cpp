// The tone task heard through a recording sink in place of the buzzer.

#include <gtest/gtest.h>

#include <memory>

#include "h_database.h"
#include "readouts_test.h"
#include "t_tone.h"

namespace {

using rt::EDGE;

void Play(TONE_SEQUENCE tone, const TONE_BURST* pBurst, BOOLEAN bAlarm) {
  ASSERT_TRUE(U_TONE_bPlayTone(tone, pBurst, bAlarm));
}

void SetU32(FOURCHARID key, U32 value) { H_DATABASE_bUpdateValueU32(key, value, P_NORMAL); }

class Tone : public rt::ReadoutsTest {
 protected:
  // The task greets with its start chirp (1000 Hz at Normal for 50 ms).
  void StartTone() {
    Start(rt::TONE);
    ASSERT_TRUE(rt::WaitForEdges(2, 1000));
    EXPECT_EQ(1000.0f, rt::Edges()[0].frequency);
    rt::ClearEdges();
  }
  std::unique_ptr<TONE_BURST> burst;
};

// Hand-counted: repetitions x (sounds + silences of the pulses played + the
// silence between repetitions).
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
  ASSERT_NO_FATAL_FAILURE(StartTone());
  SetU32(FCID("STMD"), TONE_MODE_ALARMS_ONLY);
  rt::Sync(M_TONE);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  L_SEMA_Signal(SEMA_FISH_ALARM_LARGE);
  Play(TONE_TEST, nullptr, FALSE);
  rt::Sync(M_TONE);
  L_CLOCK_Sleep(150);
  EXPECT_TRUE(rt::Edges().empty());

  Play(TONE_GENERAL_ALERT, nullptr, TRUE);
  rt::Sync(M_TONE);
  SetU32(FCID("STMD"), TONE_MODE_ALL);
  rt::Sync(M_TONE);
  L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  ASSERT_TRUE(rt::WaitForEdges(6, 2000));
  L_CLOCK_Sleep(150);
  const std::vector<EDGE> edges = rt::Edges();
  EXPECT_EQ(6u, edges.size()) << "the click came while the alert played";
  rt::ExpectPulses(edges, 0, 2070, 3, 150, 50);
}

TEST_F(Tone, ANewPitchPlaysTheTestBurstAtItAndAPitchOutOfRangeIsCorrected) {
  ASSERT_NO_FATAL_FAILURE(StartTone());
  SetU32(FCID("STON"), PITCH_HIGH);
  ASSERT_TRUE(rt::WaitForEdges(6, 1000));
  std::vector<EDGE> edges = rt::Edges();
  EXPECT_EQ(2575.0f, edges[0].frequency);
  EXPECT_EQ(1650.0f, edges[2].frequency);
  EXPECT_EQ(3500.0f, edges[4].frequency);

  rt::ClearEdges();
  SetU32(FCID("STON"), 7);
  ASSERT_TRUE(rt::WaitForEdges(1, 1000));
  EXPECT_EQ(875.0f, rt::Edges()[0].frequency) << "7 is taken as Low";
  U32 stored = 0;
  H_DATABASE_bFetchU32(FCID("STON"), &stored, nullptr, nullptr);
  EXPECT_EQ((U32)PITCH_LOW, stored);
}

TEST_F(Tone, ACustomBurstOfNinePulsesPlaysItsFive) {
  ASSERT_NO_FATAL_FAILURE(StartTone());
  // Its own heap block, so a read past the fifth pulse is out of bounds; it
  // outlives the task, which reads it until its very end.
  burst.reset(new TONE_BURST{9, 1, {}, 0});
  for (int i = 0; i < 5; i++) burst->tone[i] = {{0, 100.0f * (float)(i + 1), 0}, 5, 5};
  Play(TONE_USE_CUSTOM, burst.get(), TRUE);
  ASSERT_TRUE(rt::WaitForEdges(10, 1000));
  L_CLOCK_Sleep(100);
  const std::vector<EDGE> edges = rt::Edges();
  ASSERT_EQ(10u, edges.size());
  for (int i = 0; i < 5; i++) EXPECT_EQ(100.0f * (float)(i + 1), edges[2 * i].frequency);
}

}  // namespace
