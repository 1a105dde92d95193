// Entries of the task rows whose features are left out of this build: each
// ends its task at once. Beside them, the few calls other features make into
// left-out ones, kept with their calling shapes so that callers need no
// build switch.
#pragma once

#include "basetypes.h"

void rtxcbug(void);
void T_DUMMY_vMain(void);
void T_BTNC_vMain(void);
void T_BAR_vMain(void);
void T_ACCCOMM_vMain(void);
void T_BUTTON_vMain(void);
void T_CHARTINFO_vMain(void);
void T_HISTORY3D_vMain(void);
void T_PROCESS3D_vMain(void);
void T_DEVELOPMENT_vMain(void);
void T_RENDER3D_vMain(void);
void T_BATHYMETRY_vMain(void);
void T_CHART3D_vMain(void);
void T_HTML_vMain(void);
void T_ETHERNET_vMain(void);
void T_SOUND_vMain(void);
void T_SLPD_vMain(void);
void T_SLPTEST_vMain(void);
void T_SOCKET_vMain(void);
void T_XID_vMain(void);
void T_GMSG_vMain(void);
void T_GMSGSOCKET_vMain(void);
void T_GMSGTEST_vMain(void);
void T_SLPCLIENT_vMain(void);
void T_SUDPIN_vMain(void);
void T_SUDPOUT_vMain(void);
void T_RADAR_vMain(void);
void T_RADARDATA_vMain(void);
void T_RADARSERVER_vMain(void);
void T_PINGRECORDREAD_vMain(void);
void T_RADARCLIENT_vMain(void);
void T_ETHBCAST_vMain(void);
void T_ETHUPDATER_vMain(void);
void T_RQXCONTROL_vMain(void);
void T_RQXBCAST_vMain(void);
void T_NETPINGRECEIVE_vMain(void);
void T_NAVRO_vMain(void);
void T_TESSARYLIVE_vMain(void);
void T_FENROW_vMain(void);
void T_NAVROREMOTE_vMain(void);
void T_CHARTSELECT_vMain(void);
void T_RADAR_SERVER_CHIRP_vMain(void);
void T_FCIDSERVER_vMain(void);
void T_VARDEKNETWORK_vMain(void);

// The track record type is not defined yet; its callers pass their record.
struct tag_TRACK;
// Does nothing: tracks carry no identity for the left-out network feature.
void U_NAVRO_COMMON_vGenerateFerroweUID(struct tag_TRACK* pTrack);
// Sets CACD and CALL to TRUE at the normal priority, as the live-map feature
// does when its map is up to date. TRUE when both writes were taken.
BOOLEAN U_MAPGENERATOR_bSetTessaryLiveUpdated(void);
// The left-out radar's range of a range index: 0.125 whatever is asked.
float U_RADAR_fConvertIdxToRange(U32 u32Index, U32 u32Range);
// No radar: clears the address text (U_RADAR_IP_TEXT_SIZE bytes) and the
// hardware address text (U_RADAR_MAC_TEXT_SIZE bytes) that are not null, and
// returns FALSE.
constexpr U32 U_RADAR_IP_TEXT_SIZE = 16;
constexpr U32 U_RADAR_MAC_TEXT_SIZE = 18;
BOOLEAN U_RADAR_bRadarIpAndMacAddress(char* pcIpAddress, char* pcMacAddress);
