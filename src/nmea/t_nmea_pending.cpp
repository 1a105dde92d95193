// What the NMEA task asks of its receiver set-up, its NMEA output, its GPS
// diagnostic view and the AIS menus, whose work is built later. Until then
// a plain NMEA receiver needs none of it: each step says once in the log
// what it would have done.

#include "t_nmea_internal.h"

// One log line per step and run, not one per tick.
static void NMEA_vLogOnce(BOOLEAN* pbLogged, const char* pcFunction, const char* pcWhat) {
  if (*pbLogged) return;
  *pbLogged = TRUE;
  log_me("[%d]%s: not built yet: %s", __LINE__, pcFunction, pcWhat);
}

#define NMEA_PENDING(what)                        \
  do {                                            \
    static BOOLEAN s_bLogged = FALSE;             \
    NMEA_vLogOnce(&s_bLogged, __func__, (what));  \
  } while (0)

void T_NMEA_vHandleScanBaudRate(NMEA_PORT_INFO*, int, int) {
  NMEA_PENDING("the baud-rate scan stays at the port's rate");
}
void T_NMEA_vIdentifyGPS(NMEA_PORT_INFO*) { NMEA_PENDING("no identification probes"); }
void T_NMEA_vSetupSentences(NMEA_PORT_INFO*, LAYER_ID) { NMEA_PENDING("receivers keep their sentence set"); }
void T_NMEA_vChangeBaudRate(int, NMEA_PORT_INFO*) { NMEA_PENDING("receivers keep their rate"); }
void T_NMEA_vInitializeGPS(NMEA_RESET, NMEA_PORT_INFO*) { NMEA_PENDING("receivers are not initialised"); }
void T_NMEA_vTransmitUBloxInitialization(NMEA_RESET, NMEA_PORT_INFO*) { NMEA_PENDING("no u-blox initialisation"); }
void T_NMEA_vNavmanSwitchToBinary(NMEA_SERIAL_INFO*) { NMEA_PENDING("no SBAS set-up of SiRF receivers"); }
void T_NMEA_vSendGnssConfiguration(BOOLEAN) { NMEA_PENDING("no GNSS configuration of u-blox receivers"); }
void T_NMEA_vCompassCalibrationStart(void) { NMEA_PENDING("no heading-sensor calibration"); }
void T_NMEA_vHandleTransmit(void) { NMEA_PENDING("no NMEA output"); }
void T_NMEA_vRegisterGPSDiagnosticView(void) { NMEA_PENDING("no GPS diagnostic view"); }
void T_NMEA_vSetupAISMenuItems(void) { NMEA_PENDING("no AIS menus"); }
