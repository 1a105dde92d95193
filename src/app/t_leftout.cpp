// Entries of the task rows whose features are left out of this build. Each
// ends its own task at once; a few say so in the log first. The calls into
// left-out features answer as a unit without them does.

#include "t_leftout.h"

#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "h_database.h"
#include "linuxsvc.h"

void rtxcbug(void) {}

#define LEFT_OUT_TASK(entry) \
  void entry(void) { L_TASK_Terminate(0); }

LEFT_OUT_TASK(T_DUMMY_vMain)
LEFT_OUT_TASK(T_BTNC_vMain)
LEFT_OUT_TASK(T_BAR_vMain)
LEFT_OUT_TASK(T_ACCCOMM_vMain)
LEFT_OUT_TASK(T_BUTTON_vMain)
LEFT_OUT_TASK(T_CHARTINFO_vMain)
LEFT_OUT_TASK(T_HISTORY3D_vMain)
LEFT_OUT_TASK(T_PROCESS3D_vMain)
LEFT_OUT_TASK(T_DEVELOPMENT_vMain)
LEFT_OUT_TASK(T_RENDER3D_vMain)
LEFT_OUT_TASK(T_BATHYMETRY_vMain)
LEFT_OUT_TASK(T_CHART3D_vMain)
LEFT_OUT_TASK(T_HTML_vMain)
LEFT_OUT_TASK(T_ETHERNET_vMain)
LEFT_OUT_TASK(T_SOUND_vMain)
void T_SLPD_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  L_TASK_Terminate(0);
}

LEFT_OUT_TASK(T_SLPTEST_vMain)
void T_SOCKET_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  L_TASK_Terminate(0);
}

LEFT_OUT_TASK(T_XID_vMain)
LEFT_OUT_TASK(T_GMSG_vMain)
LEFT_OUT_TASK(T_GMSGSOCKET_vMain)
LEFT_OUT_TASK(T_GMSGTEST_vMain)
LEFT_OUT_TASK(T_SLPCLIENT_vMain)
LEFT_OUT_TASK(T_SUDPIN_vMain)
LEFT_OUT_TASK(T_SUDPOUT_vMain)
void T_RADAR_vMain(void) {
  log_me("[%d] %s TERMINATED ----------------\n", __LINE__, __func__);
  L_TASK_Terminate(0);
}

LEFT_OUT_TASK(T_RADARDATA_vMain)
LEFT_OUT_TASK(T_RADARSERVER_vMain)
LEFT_OUT_TASK(T_PINGRECORDREAD_vMain)
LEFT_OUT_TASK(T_RADARCLIENT_vMain)
LEFT_OUT_TASK(T_ETHBCAST_vMain)
LEFT_OUT_TASK(T_ETHUPDATER_vMain)
LEFT_OUT_TASK(T_RQXCONTROL_vMain)
LEFT_OUT_TASK(T_RQXBCAST_vMain)
LEFT_OUT_TASK(T_NETPINGRECEIVE_vMain)
LEFT_OUT_TASK(T_NAVRO_vMain)
LEFT_OUT_TASK(T_TESSARYLIVE_vMain)
LEFT_OUT_TASK(T_FENROW_vMain)
LEFT_OUT_TASK(T_NAVROREMOTE_vMain)
LEFT_OUT_TASK(T_CHARTSELECT_vMain)
void T_RADAR_SERVER_CHIRP_vMain(void) {
  log_me("[%d] %s !!!!!!!!!!!!!!!!! TERMINATING CHIRP RADAR TASK  !!!!!!!!!!!!!!!!!!!!!!!!!!!!!\n", __LINE__, __func__);
  L_TASK_Terminate(0);
}

LEFT_OUT_TASK(T_FCIDSERVER_vMain)
LEFT_OUT_TASK(T_VARDEKNETWORK_vMain)

// The network feature that names tracks is left out; a track keeps its own record.
void U_NAVRO_COMMON_vGenerateFerroweUID(struct tag_TRACK*) {}

BOOLEAN U_MAPGENERATOR_bSetTessaryLiveUpdated(void) {
  // An update returns TRUE when it was refused.
  const BOOLEAN bCacdRefused = H_DATABASE_bUpdateValueBoolean(FCID("CACD"), TRUE, P_NORMAL);
  const BOOLEAN bCallRefused = H_DATABASE_bUpdateValueBoolean(FCID("CALL"), TRUE, P_NORMAL);
  return !bCacdRefused && !bCallRefused;
}

float U_RADAR_fConvertIdxToRange(U32, U32) { return 0.125f; }

BOOLEAN U_RADAR_bRadarIpAndMacAddress(char* pcIpAddress, char* pcMacAddress) {
  if (pcIpAddress != nullptr) memset(pcIpAddress, 0, U_RADAR_IP_TEXT_SIZE);
  if (pcMacAddress != nullptr) memset(pcMacAddress, 0, U_RADAR_MAC_TEXT_SIZE);
  return FALSE;
}
