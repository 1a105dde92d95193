// Backlight, paddlewheel, buzzer and the device paths, over a rig's files.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "dd_devpath.h"
#include "h_backlight.h"
#include "h_database.h"
#include "h_ppi_motor.h"
#include "h_speed.h"
#include "h_tone.h"
#include "linuxsvc.h"
#include "platform_rig.h"
#include "test_timing.h"
#include "u_convert.h"

namespace {

const std::string kBrightness = "/sys/class/backlight/pwm-backlight/brightness";
const FOURCHARID SBAK = FCID("SBAK");

S32 Level() {
  S32 level = -1;
  H_DATABASE_bFetchS32(SBAK, &level, nullptr, nullptr);
  return level;
}

TEST(DevicePath, BoardPathsLieUnderTheRigWhenOneIsNamed) {
  char buffer[64];
  // The program's own rig is named again afterwards, for the tests after.
  const char* pcRig = getenv("VELMORA_DEVROOT");
  const std::string rig = pcRig != nullptr ? pcRig : "";
  setenv("VELMORA_DEVROOT", "/rig", 1);
  EXPECT_STREQ("/rig/dev/fb0", DD_DEVPATH_pcResolve("/dev/fb0", buffer, sizeof buffer));
  EXPECT_EQ(nullptr, DD_DEVPATH_pcResolve("/dev/fb0", buffer, 8));
  unsetenv("VELMORA_DEVROOT");
  EXPECT_STREQ("/dev/fb0", DD_DEVPATH_pcResolve("/dev/fb0", buffer, sizeof buffer));
  if (pcRig != nullptr) setenv("VELMORA_DEVROOT", rig.c_str(), 1);
}

TEST(Backlight, EachLevelWritesItsBrightnessAndLevelsBeyondTenWriteNothing) {
  RIG_Dir();
  const struct {
    int level;
    const char* text;
  } rows[] = {{0, "1"}, {1, "2"}, {2, "4"}, {3, "10"}, {4, "25"}, {5, "50"},
              {6, "75"}, {7, "113"}, {8, "150"}, {9, "200"}, {10, "250"}};
  for (const auto& row : rows) {
    H_BACKLIGHT_vChangeIntensity((DISPLAY_BACKLIGHT)row.level);
    EXPECT_EQ(row.text, RIG_ReadFile(kBrightness)) << row.level;
  }
  RIG_vWriteFile(kBrightness, "untouched");
  H_BACKLIGHT_vChangeIntensity((DISPLAY_BACKLIGHT)11);
  H_BACKLIGHT_vChangeIntensity((DISPLAY_BACKLIGHT)-1);
  EXPECT_EQ("untouched", RIG_ReadFile(kBrightness));
  H_BACKLIGHT_vEnableDisableBacklight(0);
  EXPECT_EQ("0", RIG_ReadFile("/sys/class/pwm/ehrpwm.2:0/run"));
  H_BACKLIGHT_vEnableDisableBacklight(1);
  EXPECT_EQ("1", RIG_ReadFile("/sys/class/pwm/ehrpwm.2:0/run"));
}

TEST(Backlight, SetupStartsNoDarkerThanFiveAndNoBrighterThanTen) {
  RIG_Dir();
  const struct {
    S32 stored;  // -1: nothing stored
    BOOLEAN bIce;
    S32 level;
    const char* text;
  } rows[] = {
      {3, FALSE, 5, "50"}, {7, FALSE, 7, "113"}, {12, FALSE, 10, "250"}, {-1, FALSE, 10, "250"}, {-1, TRUE, 7, "113"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.stored);
    H_DATABASE_vInit();
    if (row.stored >= 0) H_DATABASE_bUpdateValueS32(SBAK, row.stored, P_NORMAL);
    H_DATABASE_bUpdateValueBoolean(FCID("SICE"), row.bIce, P_NORMAL);
    RIG_vWriteFile(kBrightness, "");
    H_BACKLIGHT_vSetup(M_DISPLAY);
    EXPECT_EQ(row.text, RIG_ReadFile(kBrightness));
    EXPECT_EQ(row.level, Level());
  }
}

TEST(Backlight, TheBoardRevisionIsReadAsTextOfAtMostFourDigits) {
  RIG_vWriteFile("/sys/module/board_am335x_Halcyra/parameters/system_id", "123456789");
  ::testing::internal::CaptureStdout();
  H_DATABASE_vInit();
  H_BACKLIGHT_vSetup(M_DISPLAY);
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string::npos, out.find("revision bits 0x4d2")) << out;
  RIG_vWriteFile("/sys/module/board_am335x_Halcyra/parameters/system_id", "0\n");
}

TEST(Backlight, StepsStayWithinZeroToTenAndSaveRestoresTheLevel) {
  RIG_Dir();
  const struct {
    S32 level;
    S32 amount;
    BOOLEAN result;
    S32 after;
  } rows[] = {{9, 3, TRUE, 10}, {10, 1, FALSE, 10}, {4, 0, FALSE, 4}, {1, -3, TRUE, 0}, {0, -1, FALSE, 0}, {5, -2, TRUE, 3}};
  for (const auto& row : rows) {
    H_DATABASE_vInit();
    H_DATABASE_bUpdateValueS32(SBAK, row.level, P_NORMAL);
    EXPECT_EQ(row.result, H_BACKLIGHT_bChange(row.amount)) << row.level << " " << row.amount;
    EXPECT_EQ(row.after, Level());
  }
  H_DATABASE_vInit();
  EXPECT_FALSE(H_BACKLIGHT_bChange(1));
  H_DATABASE_bUpdateValueS32(SBAK, 6, P_NORMAL);
  H_BACKLIGHT_vSave();
  H_DATABASE_bUpdateValueS32(SBAK, 2, P_NORMAL);
  H_BACKLIGHT_vRestore();
  EXPECT_EQ(6, Level());
}

void SetPulseCount(U32 count) { RIG_vWriteFile("/dev/paddlewheel", std::string((const char*)&count, 4)); }

// Pulses over about `ms` between two looks, checked against the band's
// knots per 10 Hz. FALSE, checking nothing, when the interval the clock
// brackets around the looks reaches out of the band of rates [lowHz,
// highHz), as a look woken late on a loaded machine can make it.
bool SpeedInBand(U32 pulses, double ms, double knotsPer10Hz, double lowHz, double highHz) {
  float speed = -1;
  SetPulseCount(1000);
  double before = RIG_dNowMs();
  H_SPEED_bGetSpeed(&speed);
  double after = RIG_dNowMs();
  SetPulseCount(1000 + pulses);
  usleep((useconds_t)(ms * 1000));
  double before2 = RIG_dNowMs();
  BOOLEAN found = H_SPEED_bGetSpeed(&speed);
  double after2 = RIG_dNowMs();
  double fastest = pulses / ((before2 - after - 1) / 1000.0);
  double slowest = pulses / ((after2 - before + 1) / 1000.0);
  if (slowest < lowHz || fastest >= highHz) return false;
  EXPECT_TRUE(found);
  EXPECT_GE(speed, dConvertToInternal(slowest * knotsPer10Hz * 0.1, D_SPEED, U_KNOTS) * 0.999);
  EXPECT_LE(speed, dConvertToInternal(fastest * knotsPer10Hz * 0.1, D_SPEED, U_KNOTS) * 1.001);
  return true;
}

void ExpectSpeed(U32 pulses, double ms, double knotsPer10Hz, double lowHz, double highHz) {
  for (int i = 0; i < 5; i++) {
    if (SpeedInBand(pulses, ms, knotsPer10Hz, lowHz, highHz)) return;
  }
  ADD_FAILURE() << "every look came too late to keep " << pulses << " pulses in their band";
}

TEST(Speed, PulseRatesBecomeSpeedsThroughTheCalibrationOfTheirBand) {
  RIG_Dir();
  U_CONVERT_vInitialiseConversionUtility();
  SetPulseCount(500);
  H_SPEED_vInit();
  float speed = -1;
  EXPECT_FALSE(H_SPEED_bGetSpeed(&speed));
  EXPECT_EQ(-1, speed);
  // 100 pulses in a second: band 9 (91 Hz up to 101), 19.35 knots.
  ExpectSpeed(100, 1000, 1.934801, 91, 101);
  // 5 pulses in half a second: band 0 (below 11 Hz), 2.21 knots.
  ExpectSpeed(5, 500, 2.206389, 0, 11);
  // No pulse since: once some time has gone by, the speed is found to be 0.
  EXPECT_TRUE(TEST_bWaitUntil(
      [&] {
        speed = -1;
        return H_SPEED_bGetSpeed(&speed) && speed == 0;
      },
      1000))
      << speed;
}

TEST(Speed, AnImplausibleSpeedIsStoredButNotFound) {
  RIG_Dir();
  U_CONVERT_vInitialiseConversionUtility();
  SetPulseCount(0xFFFFFF00u);
  H_SPEED_vInit();
  float speed = 0;
  H_SPEED_bGetSpeed(&speed);
  // 10,000 pulses in 100 ms, across the counter's wrap: far beyond 50 m/s.
  SetPulseCount(0xFFFFFF00u + 10000);
  usleep(100000);
  EXPECT_FALSE(H_SPEED_bGetSpeed(&speed));
  EXPECT_GT(speed, 50);
}

TEST(SpeedDeathTest, AMissingPaddlewheelIsFatal) {
  RIG_Dir();
  unlink(RIG_Path("/dev/paddlewheel").c_str());
  EXPECT_EXIT(H_SPEED_vInit(), ::testing::ExitedWithCode(10), "");
  SetPulseCount(0);
}

std::string Tones(const std::string& path) { return RIG_ReadFile(path); }

TEST(Tone, EachToneAppendsItsWholeHertzToTheOpenBuzzer) {
  RIG_vWriteFile("/dev/buzzer0", "");
  H_TONE_vInit();
  H_TONE_vStartTone(2000.7f);
  S32 hz = 0;
  ASSERT_EQ(4u, Tones("/dev/buzzer0").size());
  memcpy(&hz, Tones("/dev/buzzer0").data(), 4);
  EXPECT_EQ(2000, hz);

  // A second tone goes to the buzzer already open, not to a new file.
  ASSERT_EQ(0, rename(RIG_Path("/dev/buzzer0").c_str(), RIG_Path("/dev/buzzer0.old").c_str()));
  RIG_vWriteFile("/dev/buzzer0", "");
  H_TONE_vStartTone(440.0f);
  EXPECT_EQ(8u, Tones("/dev/buzzer0.old").size());
  EXPECT_EQ(0u, Tones("/dev/buzzer0").size());

  H_TONE_vStopTone();
  H_TONE_vStartTone(1000.0f);
  EXPECT_EQ(4u, Tones("/dev/buzzer0").size());
  H_TONE_vStopTone();
}

TEST(Tone, WithoutBuzzer0TheOtherBuzzerSoundsAndNotoneSoundsNothing) {
  unlink(RIG_Path("/dev/buzzer0").c_str());
  RIG_vWriteFile("/dev/buzzer", "");
  H_TONE_vStartTone(3000.0f);
  EXPECT_EQ(4u, Tones("/dev/buzzer").size());
  H_TONE_vStopTone();

  opt_notone = 1;
  H_TONE_vStartTone(3000.0f);
  H_TONE_vStopTone();
  opt_notone = 0;
  EXPECT_EQ(4u, Tones("/dev/buzzer").size());
  unlink(RIG_Path("/dev/buzzer").c_str());
  H_TONE_vStartTone(3000.0f);
  H_TONE_vStopTone();
}

TEST(SweepMotor, StepsTurnModuloATurnOnlyWhileSweeping) {
  H_DATABASE_vInit();
  H_PPI_MOTOR_vInitialize();
  BOOLEAN clockwise = FALSE;
  EXPECT_EQ(1200, H_PPI_MOTOR_s32Step(100, &clockwise));
  H_PPI_MOTOR_vStartSweeping(TRUE);
  EXPECT_EQ(100, H_PPI_MOTOR_s32Step(500, &clockwise));
  EXPECT_TRUE(clockwise);
  H_PPI_MOTOR_vSetSweepArea(50, 200);
  EXPECT_EQ(1550, H_PPI_MOTOR_s32Step(100, &clockwise));
  EXPECT_FALSE(clockwise);
  H_PPI_MOTOR_vSweepAreaStart();
  EXPECT_EQ(50, H_PPI_MOTOR_s32Step(100, &clockwise));
  H_PPI_MOTOR_vReturnFullSweep();
  EXPECT_EQ(1210, H_PPI_MOTOR_s32Step(10, nullptr));
  H_PPI_MOTOR_vStartSweeping(FALSE);
}

}  // namespace
