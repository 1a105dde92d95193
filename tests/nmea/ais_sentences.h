// AIS sentences fed to the decoder, and a clean pool and database for each
// AIS test.
#pragma once

#include <gtest/gtest.h>
#include <math.h>

#include <string>

#include "ais_manager.h"
#include "ais_payload.h"
#include "h_database.h"
#include "t_nmea_internal.h"
#include "u_convert.h"

namespace aist {

inline void Feed(const std::string& sentence) { T_NMEA_bAisDecodeVDM(sentence.c_str(), T_NMEA_u32AisNow()); }

inline const ais_DeviceInfo* Held(U32 mmsi) {
  ais_DeviceInfo* p = nullptr;
  const S32 index = T_NMEA_s32GetAisIndex(mmsi);
  return index >= 0 && T_NMEA_bScanAisPoints(index, &p) ? p : nullptr;
}

class Ais : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    U_CONVERT_vInitialiseConversionUtility();
    H_DATABASE_bUpdateEverythingBoolean(FCID("SAIS"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    T_NMEA_vSetAisClock(nullptr);
    T_NMEA_vAisInit();
  }
  void TearDown() override {
    T_NMEA_vSetAisClock(nullptr);
  }
};

}  // namespace aist
