// Profiles hold their values in ordinary settings, so these tests watch the
// live settings and the profile rows move into each other, found by key.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "db_test_util.h"
#include "h_profile.h"

namespace {

using dbtest::Drain;

constexpr MBOX kWatcher = M_DORVISH;

const std::vector<std::string> kChartKeys = {"SNWD", "SNCM", "SCLG", "SCSS", "SCTC", "SNUP", "SAZM",
                                             "SARS", "SLAY", "SCOR", "SUHD", "SDTM", "SCCP", "SCSN",
                                             "SCDL", "SCMB", "SVOS", "SNGA", "SCSD", "SNOS"};

const std::vector<std::string> kSonarKeys = {"STVG", "SSIN", "SSBL", "SSNF", "SSMD", "SSWA", "SRPS", "SSFI", "SSFS",
                                             "SUDP", "SSSP", "SSS2", "SSQL", "SSBV", "SSZW", "SSDL", "SSCL", "SSPL",
                                             "SSWV", "SSSS", "SSSN", "SSSL", "SITM", "SSSC", "SDSS", "SDSN", "SDSL",
                                             "SDSC", "SSS8", "SSS4", "SSRW", "SSSR", "SSLD", "SDPO", "SSUD", "SSBR"};

FOURCHARID Id(const std::string& key) {
  return (U32)(U8)key[0] | (U32)(U8)key[1] << 8 | (U32)(U8)key[2] << 16 | (U32)(U8)key[3] << 24;
}

// Profiles copy value words whatever the setting's type: so do the tests.
void Set(const std::string& key, U32 value) {
  DB_DATA_TYPE word = {};
  word.u32Val = value;
  ASSERT_FALSE(H_DATABASE_bUpdateValue(Id(key), word, P_NORMAL));
}

std::optional<U32> Get(const std::string& key) {
  DB_DATA_TYPE word;
  if (!H_DATABASE_bFetch(Id(key), &word, nullptr, nullptr)) return std::nullopt;
  return word.u32Val;
}

U32 ChartDefault(U32 row) { return row == 8 ? 0xFFFFFFFFu : row == 19 ? 2u : 0u; }

// Keys the watcher heard of, each as often as it was written.
std::multiset<std::string> Written() {
  std::multiset<std::string> keys;
  for (const dbtest::NOTICE& n : Drain(kWatcher)) keys.insert(dbtest::KeyText(n.id));
  return keys;
}

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vSetClock(nullptr);
    H_DATABASE_vInit();
    // The templates are the module's own state: bring them back to the defaults.
    for (U32 r = 0; r < kChartKeys.size(); r++) Set(kChartKeys[r], ChartDefault(r));
    H_PROFILE_vSetChartDefaultValue();
    H_PROFILE_vSetNavDefaultValue();
    H_PROFILE_vSetChartLayerDefaultValue();
    for (const std::string& key : kSonarKeys) Set(key, 0);
    H_PROFILE_vSetSonarDefaultValue();
    H_DATABASE_vInit();
    H_PROFILE_bResetChartMenuSetting();
    H_PROFILE_bResetSonarMenuSetting();
  }
  void TearDown() override {
    Drain(kWatcher);
    H_DATABASE_vInit();
  }
  static void Watch(const std::vector<std::string>& keys) {
    for (const std::string& k : keys) H_DATABASE_bRegisterForDataWithConditions(Id(k), kWatcher, FALSE, FALSE, TRUE);
  }
};

TEST_F(ProfileTest, SwitchingWritesOnlyTheSettingsThatDiffer) {
  Set("S202", 5);           // profile 1: SNCM differs
  Set("S220", 2);           // SNOS as the default
  Set("S209", 0xFFFFFFFF);  // SLAY as the default
  Set("S310", 8);           // profile 2: SCOR
  ASSERT_TRUE(H_PROFILE_bLoadChartProfile(nullptr));
  Watch(kChartKeys);

  ASSERT_TRUE(H_PROFILE_bUpdateChartMenuSetting(1));
  EXPECT_EQ(std::multiset<std::string>{"SNCM"}, Written());
  EXPECT_EQ(5u, Get("SNCM"));
  ASSERT_TRUE(H_PROFILE_bUpdateChartMenuSetting(1));
  EXPECT_TRUE(Written().empty()) << "the current profile again";
  ASSERT_TRUE(H_PROFILE_bUpdateChartMenuSetting(2));
  EXPECT_EQ((std::multiset<std::string>{"SNCM", "SCOR"}), Written());
  EXPECT_EQ(0u, Get("SNCM"));
  EXPECT_EQ(8u, Get("SCOR"));

  for (int index : {-1, 3, 1000}) EXPECT_FALSE(H_PROFILE_bUpdateChartMenuSetting(index)) << index;
  EXPECT_TRUE(Written().empty());
}

TEST_F(ProfileTest, LoadTakesTheStoredValuesAndTheCurrentIndex) {
  Set("S209", 7);  // SLAY of profile 1
  Set("SUPC", 1);
  ASSERT_TRUE(H_PROFILE_bLoadChartProfile(nullptr));
  Watch(kChartKeys);
  ASSERT_TRUE(H_PROFILE_bRestoreChartMenuSetting());
  EXPECT_EQ(std::multiset<std::string>{"SLAY"}, Written()) << "only what differs from the template";
  EXPECT_EQ(7u, Get("SLAY"));

  // A stored index of no profile is not taken.
  Set("SUPC", 3);
  ASSERT_TRUE(H_PROFILE_bLoadChartProfile(nullptr));
  ASSERT_TRUE(H_PROFILE_bRestoreChartMenuSetting());
  EXPECT_TRUE(Written().empty());
}

TEST_F(ProfileTest, TheLayerHasItsOwnRow) {
  ASSERT_TRUE(H_PROFILE_bLoadChartProfile(nullptr));
  DB_DATA_TYPE value;
  value.vpPointer = nullptr;
  value.RawData = 3;
  EXPECT_TRUE(H_PROFILE_bSaveChartNonMenuSetting(Id("SLAY"), value));
  value.RawData = 9;
  EXPECT_TRUE(H_PROFILE_bSaveChartNonMenuSetting(Id("SCTC"), value)) << "ignored";
  ASSERT_TRUE(H_PROFILE_bSaveChartProfile(nullptr));
  EXPECT_EQ(3u, Get("S109"));
  EXPECT_EQ(0u, Get("S105")) << "SCTC keeps its value";
  EXPECT_EQ(0xFFFFFFFFu, Get("S209"));
}

TEST_F(ProfileTest, EachSetDefaultRefreshesItsOwnRows) {
  const std::set<U32> chartRows = {2, 3, 9, 10, 11, 13, 14};
  const std::set<U32> navRows = {0, 1, 5, 6, 7, 8, 12, 15, 16, 17, 18, 19};
  const struct {
    void (*pfRefresh)(void);
    std::set<U32> rows;
  } steps[] = {{H_PROFILE_vSetChartDefaultValue, chartRows},
               {H_PROFILE_vSetNavDefaultValue, navRows},
               {H_PROFILE_vSetChartLayerDefaultValue, {8}}};
  for (U32 r = 0; r < kChartKeys.size(); r++) Set(kChartKeys[r], 100 + r);
  std::set<U32> refreshed;
  for (const auto& step : steps) {
    step.pfRefresh();
    refreshed.insert(step.rows.begin(), step.rows.end());
    H_PROFILE_bResetChartMenuSetting();
    ASSERT_TRUE(H_PROFILE_bSaveChartProfile(nullptr));
    for (U32 r = 0; r < kChartKeys.size(); r++) {
      const std::string storage = "S1" + std::string(1, (char)('0' + (r + 1) / 10)) + (char)('0' + (r + 1) % 10);
      EXPECT_EQ(refreshed.count(r) ? 100 + r : ChartDefault(r), Get(storage)) << kChartKeys[r];
    }
  }
}

TEST_F(ProfileTest, SonarRowsAreFoundByKeyAndStoredPastFortySixAndFortyEight) {
  ASSERT_TRUE(H_PROFILE_bLoadSonarProfile(nullptr));
  DB_DATA_TYPE value;
  value.vpPointer = nullptr;
  value.RawData = 11;
  ASSERT_TRUE(H_PROFILE_bSaveSonarNonMenuSetting(Id("SDSC"), value));
  EXPECT_FALSE(H_PROFILE_bSaveSonarNonMenuSetting(Id("SNON"), value));
  ASSERT_TRUE(H_PROFILE_bSaveSonarProfile(nullptr));

  const struct {
    const char* storage;
    std::optional<U32> value;
  } rows[] = {{"S121", 0u},           {"S145", 0u}, {"S146", std::nullopt}, {"S147", 0u},
              {"S148", std::nullopt}, {"S149", 0u}, {"S150", 11u},          {"S151", std::nullopt},
              {"S152", 0u},           {"S159", 0u}, {"S160", std::nullopt}, {"S250", 0u}};
  for (const auto& row : rows) EXPECT_EQ(row.value, Get(row.storage)) << row.storage;

  // SDSC of profile 0 differs from profile 1: switching writes it once.
  Watch({"SDSC", "STVG", "SSBR"});
  ASSERT_TRUE(H_PROFILE_bUpdateSonarMenuSetting(1));
  EXPECT_EQ(std::multiset<std::string>{"SDSC"}, Written());
  EXPECT_EQ(0u, Get("SDSC"));
}

}  // namespace
