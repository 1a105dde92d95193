// Lines of VDM sentences into the AIS decoder and the target pool as the
// NMEA task hands them over, each followed by the collision values and the
// navigation task's one-second pass, on a clock that moves 37 seconds a
// line so that targets also time out.

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "h_database.h"
#include "navmath.h"
#include "t_nmea_internal.h"
#include "u_convert.h"

static U32 s_u32Clock;

static void AIS_vAlarm(BOOLEAN, ais_DeviceInfo* p) {
  // What the navigation task would write into the entry.
  snprintf(p->sAlarmString, sizeof p->sAlarmString, "AIS Alarm for <%u>", p->aisInfo.MMSI);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  LSVC_vInit();
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  const POSITION own = {52.0, 4.0};
  POINT mm;
  nv_DegrToMeter(&own, &mm);
  H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), mm.y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ILON"), mm.x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ISOG"), (float)dConvertToInternal(8.0, D_SPEED, U_KNOTS), P_NORMAL,
                                    D_SPEED, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), 45.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("SCPA"), 1.0f, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("STCP"), 15, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SAIS"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  T_NMEA_vSetAisClock([] { return s_u32Clock; });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  T_NMEA_vAisInit();
  std::string text((const char*)data, size);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line[0] == '!') line.erase(0, 1);
    if (T_NMEA_bAisDecodeVDM(line.c_str(), s_u32Clock)) T_NMEA_vAisCalculateCollisionValue();
    s_u32Clock += 37;
    T_NMEA_vAisCheckTargets(AIS_vAlarm);
  }
  return 0;
}
