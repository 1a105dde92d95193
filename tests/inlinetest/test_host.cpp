// The measuring routines against the limits, the backlight steps, the map
// checksum list with coreutils' md5sum, the keypad sequence, and the track.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "h_inlinetest.h"
#include "inline_sink.h"
#include "test_process.h"
#include "u_testdata.h"

namespace {

using namespace inltest;

U64 s_u64Now = 1000000;
U64 FakeClock(void) { return s_u64Now; }

class HostRoutines : public InlineTest {
 protected:
  void TearDown() override {
    H_DATABASE_vSetClock(nullptr);
    InlineTest::TearDown();
  }
  static void Measure(const char (&key)[5], float fValue) {
    H_DATABASE_bUpdateEverythingFloat(FCID(key), fValue, P_NORMAL, D_UNKNOWN, nullptr, 10);
  }
};

TEST_F(HostRoutines, LimitsJudgeTheValueAndAStaleOrMissingReadingIsPending) {
  H_DATABASE_vSetClock(FakeClock);
  U32 shown = 99;
  EXPECT_EQ(PENDING, H_INLINETEST_eTestSpeedWaterTemperatue(&shown, 20, 25));
  Measure("ITMS", 20.4f);
  EXPECT_EQ(PASS, H_INLINETEST_eTestSpeedWaterTemperatue(&shown, 20, 25));
  EXPECT_EQ(20u, shown);
  Measure("ITMS", 25.2f);
  EXPECT_EQ(FAIL, H_INLINETEST_eTestSpeedWaterTemperatue(&shown, 20, 25));
  Measure("ITMS", 19.9f);
  EXPECT_EQ(FAIL, H_INLINETEST_eTestSpeedWaterTemperatue(&shown, 20, 25));
  EXPECT_EQ(FAIL, H_INLINETEST_eTestSpeedWaterTemperatue(&shown, 25, 20)) << "minimum above maximum";

  // Every sensor gone quiet, none may pass on its old value.
  Measure("ITMT", 22.0f);
  Measure("ISTW", 5.0f);
  Measure("IVLT", 12.0f);
  s_u64Now += 11000;
  EXPECT_EQ(PENDING, H_INLINETEST_eTestSpeedWaterTemperatue(&shown, 20, 25));
  EXPECT_EQ(PENDING, H_INLINETEST_eTestTransducerWaterTemperatue(&shown, 20, 25));
  EXPECT_EQ(PENDING, H_INLINETEST_eTestSpeed(&shown, 0, 10));
  EXPECT_EQ(PENDING, H_INLINETEST_eBatteryVoltage(&shown, 13, 11));

  Measure("IVLT", 12.6f);
  EXPECT_EQ(FAIL, H_INLINETEST_eBatteryVoltage(&shown, 12, 10));
  EXPECT_EQ(13u, shown);
  EXPECT_EQ(PASS, H_INLINETEST_eBatteryVoltage(&shown, 13, 13));
  Measure("ISTW", -3.0f);
  EXPECT_EQ(FAIL, H_INLINETEST_eTestSpeed(&shown, 0, 10));
  EXPECT_EQ(0u, shown) << "a negative reading shows as 0";
}

TEST_F(HostRoutines, BacklightStepsWrapAfterTheThirdLevel) {
  std::vector<U32> levels;
  for (int i = 0; i < 4; i++) {
    H_INLINETEST_eTestBackLight();
    S32 level = 0;
    ASSERT_TRUE(H_DATABASE_bFetchS32(FCID("SBAK"), &level, nullptr, nullptr));
    levels.push_back((U32)level);
  }
  // The step is kept across calls: start from wherever the sequence stands.
  const std::vector<std::vector<U32>> rotations = {{3, 6, 10, 3}, {6, 10, 3, 6}, {10, 3, 6, 10}};
  EXPECT_NE(rotations.end(), std::find(rotations.begin(), rotations.end(), levels));
}

TEST_F(HostRoutines, MapListIsCheckedByMd5sumUnlessAlreadyVerified) {
  const std::string dir = TEST_MakeTempDir("velmora-maps");
  std::ofstream(dir + "/a.map") << "chart";
  const TEST_RESULT sum = TEST_Run("/bin/sh", {"-c", "md5sum " + dir + "/a.map > " + dir + "/good.md5"}, {}, 5000);
  ASSERT_EQ(0, sum.status);
  std::ofstream(dir + "/bad.md5") << "00000000000000000000000000000000  " << dir << "/a.map\n";
  EXPECT_FALSE(H_INLINETEST_bVerifyMapChecksums((dir + "/bad.md5").c_str()));
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("SNMV"), nullptr, nullptr, nullptr));
  EXPECT_TRUE(H_INLINETEST_bVerifyMapChecksums((dir + "/good.md5").c_str()));
  U32 verified = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SNMV"), &verified, nullptr, nullptr));
  EXPECT_EQ(1u, verified);
  // Verified once: even a list that would fail is not run.
  EXPECT_TRUE(H_INLINETEST_bVerifyMapChecksums((dir + "/bad.md5").c_str()));
  std::filesystem::remove_all(dir);
}

MSG_KEY_CHANGE Key(U32 key, KEY_STATE state, CURSOR_POSITION cursor = CURSOR_UP) {
  MSG_KEY_CHANGE m = {};
  m.key = key;
  m.state = state;
  m.cursor = cursor;
  return m;
}

TEST_F(HostRoutines, KeypadSequenceFollowsPressAndReleaseAndFallsBackOnAWrongKey) {
  TESTING_KEY step = TESTING_KEY_VIEW_DOWN;
  char last[INLINETEST_KEY_TEXT_SIZE] = "";
  char prev[INLINETEST_KEY_TEXT_SIZE] = "";
  auto press = [&](U32 key, KEY_STATE state, CURSOR_POSITION cursor = CURSOR_UP) {
    const MSG_KEY_CHANGE m = Key(key, state, cursor);
    H_INLINETEST_vHandleKeypadTest(&m, &step, last, prev);
  };
  press(HKEY_MASK_VIEW, KEY_UP);
  EXPECT_EQ(TESTING_KEY_VIEW_DOWN, step);
  EXPECT_STREQ("View Key--Released", last);
  press(HKEY_MASK_VIEW, KEY_DOWN);
  EXPECT_EQ(TESTING_KEY_VIEW_UP, step);
  EXPECT_STREQ("View Key--Pressed", last);
  EXPECT_STREQ("View Key--Released", prev);
  press(HKEY_MASK_MENU, KEY_DOWN);
  EXPECT_EQ(TESTING_KEY_VIEW_DOWN, step) << "a wrong key goes back to the pair's press";

  press(HKEY_MASK_VIEW, KEY_DOWN);
  for (U32 key : {HKEY_MASK_VIEW, HKEY_MASK_MENU, HKEY_MASK_EXIT, HKEY_MASK_POWER}) {
    if (key != HKEY_MASK_VIEW) press(key, KEY_DOWN);
    press(key, KEY_UP);
  }
  EXPECT_EQ(TESTING_KEY_CURSOR_NORTH_DOWN, step);
  press(HKEY_MASK_CURSOR, KEY_DOWN, CURSOR_NORTH_EAST);
  EXPECT_EQ(TESTING_KEY_CURSOR_NORTH_DOWN, step) << "a diagonal changes nothing";
  press(HKEY_MASK_CURSOR, KEY_DOWN, CURSOR_SOUTH);
  EXPECT_EQ(TESTING_KEY_CURSOR_NORTH_DOWN, step);
  for (CURSOR_POSITION c : {CURSOR_NORTH, CURSOR_SOUTH, CURSOR_EAST, CURSOR_WEST}) {
    press(HKEY_MASK_CURSOR, KEY_DOWN, c);
    press(HKEY_MASK_CURSOR, KEY_UP, CURSOR_UP);
  }
  EXPECT_EQ(TESTING_KEY_DONE, step);
  EXPECT_STREQ("Cursor Key--Released", last);
}

TEST(TestData, TheTrackWrapsAfterItsLastFixAndKeepsItsBounds) {
  U_TESTDATA_vInitTestData();
  ASSERT_EQ(1216, U_TESTDATA_nGetTestDataCount());
  double dMinDepth = 1e9, dMaxDepth = 0;
  int nShallowest = -1, nDeepest = -1;
  for (int i = 0; i < 1216; i++) {
    const double lat = U_TESTDATA_dGetLat();
    const double lon = U_TESTDATA_dGetLong();
    EXPECT_TRUE(lat >= 57.824338 && lat <= 57.826168 && lon >= 11.622705 && lon <= 11.625493) << i;
    const double depth = U_TESTDATA_dGetDpt();
    if (depth < dMinDepth) dMinDepth = depth, nShallowest = i;
    if (depth > dMaxDepth) dMaxDepth = depth, nDeepest = i;
    if (i == 1215) {
      EXPECT_DOUBLE_EQ(20.58, depth);
    }
  }
  EXPECT_EQ(919, nShallowest);
  EXPECT_EQ(366, nDeepest);
  EXPECT_DOUBLE_EQ(7.69, dMinDepth);
  EXPECT_DOUBLE_EQ(25.45, dMaxDepth);
  EXPECT_DOUBLE_EQ(57.825268, U_TESTDATA_dGetLat());
  EXPECT_DOUBLE_EQ(11.623562, U_TESTDATA_dGetLong());
}

}  // namespace
