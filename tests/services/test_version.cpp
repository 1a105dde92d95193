// The version record and the start-time check of the stored version.

#include <gtest/gtest.h>

#include <string>

#include "h_database.h"
#include "text_util.h"
#include "u_language.h"
#include "version.h"

namespace {

class Version : public LanguageTest {
 protected:
  static void Store(FOURCHARID key, U32 value) { ASSERT_FALSE(H_DATABASE_bUpdateValueU32(key, value, P_NVR)); }
  // A write at the store's priority is refused only while a normal-priority
  // write holds the setting.
  static bool WrittenAtNormalPriority(FOURCHARID key) {
    U32 value = 0;
    H_DATABASE_bFetchU32(key, &value, nullptr, nullptr);
    return H_DATABASE_bUpdateValueU32(key, value + 1, P_NVR);
  }
};

TEST_F(Version, RecordShowsRevisionOrDashesInTheLanguagesForm) {
  const VERSION_INFO* info = VERSION_pversion_infoGetCurrentVersion();
  EXPECT_STREQ("2.000", info->version);
  EXPECT_STREQ("Mar 13 2019", info->date);
  EXPECT_STREQ("800Mhz", info->speed);
  EXPECT_STREQ("---", info->rev) << "CREV absent";
  Store(FCID("CREV"), 4021);
  EXPECT_STREQ("4021", VERSION_pversion_infoGetCurrentVersion()->rev);
  Store(FCID("CREV"), 4294967295u);
  SetLanguage(LANGUAGE_JAPANESE);
  info = VERSION_pversion_infoGetCurrentVersion();
  EXPECT_EQ(u"2.000", Units(info->version));
  EXPECT_EQ(u"Mar 13 2019", Units(info->date));
  EXPECT_EQ(u"429496729", Units(info->rev)) << "nine units and the terminator fill 20 bytes";
}

TEST_F(Version, SameVersionWithKeptAgesChangesNothing) {
  Store(FCID("SFVR"), 2000);
  Store(FCID("SAGS"), 1200);
  Store(FCID("SAGE"), 1200);
  EXPECT_FALSE(VERSION_bDetectVersionChange());
  EXPECT_FALSE(VERSION_bIsVersionChanged());
  EXPECT_FALSE(VERSION_bIsUpgradingToGroupedWaypointManagement());
  EXPECT_FALSE(WrittenAtNormalPriority(FCID("SFVR")));
}

TEST_F(Version, AnAbsentOrOtherVersionIsAChangeAndIsWritten) {
  EXPECT_TRUE(VERSION_bDetectVersionChange()) << "SFVR absent";
  EXPECT_TRUE(VERSION_bIsVersionChanged());
  EXPECT_TRUE(VERSION_bIsUpgradingToGroupedWaypointManagement());
  U32 value = 0;
  ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("SFVR"), &value, nullptr, nullptr));
  EXPECT_EQ(2000u, value);
  EXPECT_TRUE(WrittenAtNormalPriority(FCID("SFVR")));

  H_DATABASE_vInit();
  Store(FCID("SFVR"), 1999);
  Store(FCID("SAGS"), 600);
  Store(FCID("SAGE"), 1200);
  EXPECT_TRUE(VERSION_bDetectVersionChange());
  EXPECT_TRUE(VERSION_bIsUpgradingToGroupedWaypointManagement()) << "ages differ";
  H_DATABASE_vInit();
  Store(FCID("SFVR"), 2000);
  Store(FCID("SAGE"), 1200);
  EXPECT_FALSE(VERSION_bDetectVersionChange());
  EXPECT_TRUE(VERSION_bIsUpgradingToGroupedWaypointManagement()) << "SAGS absent";
}

}  // namespace
