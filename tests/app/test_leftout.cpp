// The calls other features make into features left out of this build.

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "h_database.h"
#include "t_leftout.h"

namespace {

TEST(LeftOutFeatures, LiveMapUpdateSetsBothKeysUnlessAStrongerWriterHoldsOne) {
  H_DATABASE_vInit();
  BOOLEAN value = FALSE;
  EXPECT_TRUE(U_MAPGENERATOR_bSetTessaryLiveUpdated());
  for (FOURCHARID key : {FCID("CACD"), FCID("CALL")}) {
    ASSERT_TRUE(H_DATABASE_bFetchBoolean(key, &value, nullptr, nullptr));
    EXPECT_TRUE(value);
  }
  EXPECT_TRUE(H_DATABASE_bUpdateValueBoolean(FCID("CALL"), FALSE, P_NVR)) << "written at the normal priority";
  ASSERT_FALSE(H_DATABASE_bUpdateValueBoolean(FCID("CACD"), FALSE, P_TESTMODE));
  EXPECT_FALSE(U_MAPGENERATOR_bSetTessaryLiveUpdated());
  H_DATABASE_vInit();
}

TEST(LeftOutFeatures, RadarAnswersAsAUnitWithoutOne) {
  EXPECT_EQ(0.125f, U_RADAR_fConvertIdxToRange(0, 0));
  EXPECT_EQ(0.125f, U_RADAR_fConvertIdxToRange(17, 0xFFFFFFFFu));
  char ip[17], mac[19];
  memset(ip, 'i', sizeof ip);
  memset(mac, 'm', sizeof mac);
  EXPECT_FALSE(U_RADAR_bRadarIpAndMacAddress(ip, mac));
  EXPECT_EQ(std::string(16, '\0') + 'i', std::string(ip, sizeof ip)) << "16 bytes cleared, no more";
  EXPECT_EQ(std::string(18, '\0') + 'm', std::string(mac, sizeof mac)) << "18 bytes cleared, no more";
  EXPECT_FALSE(U_RADAR_bRadarIpAndMacAddress(nullptr, nullptr));
  U_NAVRO_COMMON_vGenerateFerroweUID(nullptr);
}

}  // namespace
