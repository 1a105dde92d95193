// Bytes from a serial line into the sentence framing of the external GPS
// port, and each line of them straight into the parser as well, so that
// sentences with a wrong checksum still reach every field reader. The first
// byte picks the system state and whether the port has seen AIS.

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "h_database.h"
#include "t_nmea_internal.h"
#include "t_startup.h"
#include "u_convert.h"

static NMEA_PORT_INFO* s_pPort = nullptr;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A rig of its own, so that a sentence's date never sets the host's clock.
  char dir[] = "/tmp/velmora-fuzz-nmea-XXXXXX";
  if (mkdtemp(dir) != nullptr) setenv("VELMORA_DEVROOT", dir, 1);
  opt_nolog = 1;
  LSVC_vInit();
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_bUpdateEverythingU32(FCID("SDTM"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SAIS"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  // No UART task drains the replies here: room for every reply of an input.
  L_QUEUE_Define(Q_TRANSMIT_UART2, 1, 1u << 20, nullptr, 0);
  s_pPort = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const U32 s_aStates[] = {STATE_NORMAL_RUN, STATE_SIMULATION, STATE_POINT_OF_SALE, STATE_BURN_IN};
  g_NMEA.u32SystemState = s_aStates[data[0] & 3];
  s_pPort->bChannelIsAIS = (data[0] & 4) != 0;
  for (size_t i = 1; i < size; i++) T_NMEA_bFrameEntry(s_pPort, (U16)(data[i] | (data[0] & 8 ? (i & 0x100) : 0)));
  std::string text((const char*)data + 1, size - 1);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && (line[0] == '$' || line[0] == '!')) T_NMEA_vParseSentence(line.c_str() + 1, s_pPort);
    start = end + 1;
  }
  L_QUEUE_Purge(Q_TRANSMIT_UART2);
  return 0;
}
