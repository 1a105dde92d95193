// The speed task with a stand-in paddle-wheel and poll clock: each poll is
// the timer's signal, answered once the sensor was read and the task's
// mailbox is served again.

#include <gtest/gtest.h>

#include <atomic>

#include "h_database.h"
#include "readouts_test.h"
#include "t_speed.h"
#include "t_startup.h"

namespace {

using Names = std::vector<std::string>;

std::atomic<int> s_polls{0};
std::atomic<bool> s_bSensor{false};
std::atomic<float> s_fSensor{0.0f};
std::atomic<U32> s_u32Elapsed{1000};

BOOLEAN FakeSensor(float* pfSpeed) {
  s_polls++;
  if (s_bSensor) *pfSpeed = s_fSensor;
  return s_bSensor ? TRUE : FALSE;
}

U32 FakeElapsed(U32*) { return s_u32Elapsed; }

float Float(FOURCHARID id) {
  float f = -1.0f;
  EXPECT_TRUE(H_DATABASE_bFetchFloat(id, &f, nullptr, nullptr)) << std::string((const char*)&id, 4);
  return f;
}

class Speed : public rt::ReadoutsTest {
 protected:
  void SetUp() override {
    rt::ReadoutsTest::SetUp();
    s_polls = 0;
    s_bSensor = false;
    s_u32Elapsed = 1000;
    T_SPEED_vSetSource(FakeSensor, FakeElapsed);
  }
  void Run(U32 state = STATE_NORMAL_RUN) {
    H_DATABASE_bUpdateValueU32(FCID("CCST"), state, P_NORMAL);
    Start(rt::SPEED);
    rt::Send(M_SPEED, CMD_ID_RUN_SYSTEM);
    rt::MenuNames();
  }
  void TearDown() override {
    rt::ReadoutsTest::TearDown();
    T_SPEED_vSetSource(nullptr, nullptr);
  }
  static void Poll(bool bSensor, float fSpeed = 0.0f) {
    s_bSensor = bSensor;
    s_fSensor = fSpeed;
    const int n = s_polls + 1;
    L_SEMA_Signal(SEMA_TIMER_SPEED);
    ASSERT_TRUE(rt::WaitFor([n] { return s_polls >= n; }));
    rt::Sync(M_SPEED);
  }
};

TEST_F(Speed, ASensorThatStartsDeliveringShowsWaterSpeedOnTheSecondReadingWithItsCalibration) {
  H_DATABASE_bUpdateEverythingS32(FCID("SCAS"), 10, P_NORMAL, D_PERCENT, nullptr, DB_NEVER_STALE);
  Run();
  Poll(false);
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("ISPD"), nullptr, nullptr, nullptr)) << "no speed at all";
  Poll(true, 10.0f);
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("ISTW"), nullptr, nullptr, nullptr));
  EXPECT_NEAR(11.0f, Float(FCID("ISPD")), 1e-4) << "the boat speed exists at once";
  EXPECT_EQ((Names{"Units - Speed", "Units - Distance", "Triplog Reset"}), rt::MenuNames());
  Poll(true, 10.0f);
  EXPECT_NEAR(11.0f, Float(FCID("ISTW")), 1e-4);
  EXPECT_EQ(Names{"Speed Calibration"}, rt::MenuNames());
  H_DATABASE_bUpdateValueS32(FCID("SCAS"), -20, P_NORMAL);
  rt::Sync(M_SPEED);
  Poll(true, 10.0f);
  EXPECT_NEAR(8.0f, Float(FCID("ISTW")), 1e-4);
  Poll(false);
  Poll(true, 20.0f);
  EXPECT_NEAR(8.0f, Float(FCID("ISTW")), 1e-4) << "a gap makes the next reading a first one again";
  Poll(true, 20.0f);
  EXPECT_NEAR(16.0f, Float(FCID("ISTW")), 1e-4);
  EXPECT_TRUE(rt::MenuNames().empty()) << "the menus come once";
}

TEST_F(Speed, AValidGpsSpeedIsTheBoatSpeedAndTheTripLogCountsWholeSecondsAndResets) {
  Run();
  H_DATABASE_bUpdateEverythingFloat(FCID("ISOG"), 4.0f, P_NORMAL, D_SPEED, nullptr, DB_NEVER_STALE);
  Poll(true, 10.0f);
  EXPECT_FLOAT_EQ(4.0f, Float(FCID("ISPD")));
  EXPECT_FLOAT_EQ(0.0f, Float(FCID("ITLS"))) << "no time yet";
  s_u32Elapsed = 1500;
  Poll(true, 10.0f);
  U32 u32Time = 0;
  H_DATABASE_bFetchU32(FCID("STLT"), &u32Time, nullptr, nullptr);
  EXPECT_EQ(1u, u32Time);
  EXPECT_NEAR(6.0f, Float(FCID("STLD")), 1e-4) << "4 units a second for 1.5 s";
  EXPECT_NEAR(4.0f, Float(FCID("ITLS")), 1e-4) << "distance over 1.5 s, not over the whole second";
  s_u32Elapsed = 500;
  Poll(true, 10.0f);
  H_DATABASE_bFetchU32(FCID("STLT"), &u32Time, nullptr, nullptr);
  EXPECT_EQ(2u, u32Time) << "the half seconds add up";

  rt::ForgetClicks();
  T_SPEED_vResetTripLog();
  EXPECT_EQ(1, rt::Click());
  H_DATABASE_bFetchU32(FCID("STLT"), &u32Time, nullptr, nullptr);
  EXPECT_EQ(0u, u32Time);
  EXPECT_FLOAT_EQ(0.0f, Float(FCID("STLD")));
  s_u32Elapsed = 400;
  Poll(true, 10.0f);
  EXPECT_FLOAT_EQ(0.0f, Float(FCID("ITLS"))) << "until a second has passed";
  EXPECT_NEAR(1.6f, Float(FCID("STLD")), 1e-4) << "the trip goes on from zero";
}

TEST_F(Speed, PointOfSaleWithoutASensorWandersBetweenFourAndNineNine) {
  Run(STATE_POINT_OF_SALE);
  float fLow = 100.0f, fHigh = 0.0f;
  for (int i = 0; i < 60; i++) {
    Poll(false);
    const float f = Float(FCID("ISPD"));
    fLow = std::min(fLow, f);
    fHigh = std::max(fHigh, f);
  }
  EXPECT_GE(fLow, 4.0f);
  EXPECT_LE(fHigh, 9.9f);
  EXPECT_GT(fHigh, fLow) << "it moves";
}

}  // namespace
