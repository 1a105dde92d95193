// Receiver answers into the set-up of the external GPS port: bytes through
// the framing (sentences and SiRF binary messages) interleaved with ticks of
// the port's state machine, from a state and receiver type the first byte
// picks. Time passes at once and the line drains at once. Whatever was
// heard, a receiver that then falls silent must leave the set-up states and
// be looked for again.
//
// Input: the start byte (bits 0-2 state, 3-5 receiver type, 6 SBAS already
// done, 7 NMEA output on), then records: a byte below 0x80 is followed by
// that many plus one bytes from the receiver; one from 0x80 on is 1 to 16
// ticks.

#include <stddef.h>
#include <stdint.h>

#include "fuzz_support.h"
#include "h_database.h"
#include "h_memory.h"
#include "t_nmea_internal.h"
#include "t_startup.h"
#include "u_convert.h"

// The line takes everything at once, so no wait of the set-up lasts. The
// link wraps the sleep by its C++ name (targets.cmake).
extern "C" void __wrap__Z13L_CLOCK_Sleepj(U32) { L_QUEUE_Purge(Q_TRANSMIT_UART2); }

static NMEA_PORT_INFO* s_pPort = nullptr;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_vInit();
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_bUpdateEverythingU32(FCID("SDTM"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  L_QUEUE_Define(Q_TRANSMIT_UART2, 1, 1u << 16, nullptr, 0);
  return 0;
}

static void FUZZ_vTick(void) {
  T_NMEA_vPortTick(s_pPort);
  FUZZ_CHECK(s_pPort->eState <= NMEA_STATE_ONLINE);
  FUZZ_CHECK(s_pPort->nTries <= 3);
  // Requests the task mails itself (sentence sets, heading-sensor modes).
  while (void* pMsg = L_MBOX_Receive(M_NMEA)) H_MEMORY_vDumpMail(pMsg);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const NMEA_STATE s_aStates[] = {NMEA_STATE_OFFLINE,       NMEA_STATE_SCAN,          NMEA_STATE_IDENT,
                                         NMEA_STATE_BAUDRATE,      NMEA_STATE_NAVMAN_SBAS_1, NMEA_STATE_NAVMAN_SBAS_2,
                                         NMEA_STATE_NAVMAN_SBAS_3, NMEA_STATE_ONLINE};
  static const GPS_TYPE s_aTypes[] = {GPS_TYPE_DISCONNECTED, GPS_TYPE_LEGACY,   GPS_TYPE_UBLOX,  GPS_TYPE_NAVMAN,
                                      GPS_TYPE_TESEOII,      GPS_TYPE_COMPASS, GPS_TYPE_NAVMAN, GPS_TYPE_NAVMAN};
  FUZZ_INPUT in = {data, size, 0};
  const U8 start = FUZZ_u8Take(&in);
  g_NMEA.u32SystemState = STATE_NORMAL_RUN;
  g_NMEA.bIgnoreInput = FALSE;
  g_NMEA.bNmeaOutOn = (start & 0x80) != 0;
  g_NMEA.s8AcquisitionPeriod = -1;
  s_pPort = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  s_pPort->eState = s_aStates[start & 7];
  s_pPort->eGPSType = s_aTypes[(start >> 3) & 7];
  s_pPort->bConfiguredNavmanSBAS = (start & 0x40) != 0;
  while (!FUZZ_bEnd(&in)) {
    const U8 record = FUZZ_u8Take(&in);
    if (record & 0x80) {
      for (int i = 0; i <= (record & 15); i++) FUZZ_vTick();
      continue;
    }
    U32 got = 0;
    const uint8_t* bytes = FUZZ_pTakeBytes(&in, record + 1u, &got);
    for (U32 i = 0; i < got; i++) T_NMEA_bFrameEntry(s_pPort, bytes[i]);
  }
  // Silence: three unanswered tries of 11 ticks at most in any set-up state.
  for (int i = 0; i < 100; i++) FUZZ_vTick();
  const NMEA_STATE e = s_pPort->eState;
  FUZZ_CHECK(e == NMEA_STATE_OFFLINE || e == NMEA_STATE_SCAN || e == NMEA_STATE_IDENT);
  L_QUEUE_Purge(Q_TRANSMIT_UART2);
  return 0;
}
