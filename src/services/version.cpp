// The version record and the start-time check of the stored version.

#include "version.h"

#include <stdio.h>

#include <atomic>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_nvram.h"
#include "u_wstring.h"

static constexpr int VERSION_MAJOR = 2;
static constexpr int VERSION_MINOR = 0;
static constexpr const char* VERSION_DATE = "Mar 13 2019";
static constexpr int VERSION_CPU_MHZ = 800;

static VERSION_INFO s_version_info;
// Set by the start-up task, read later by the navigation store.
static std::atomic<BOOLEAN> s_bVersionChanged{FALSE};
static std::atomic<BOOLEAN> s_bUpgradingToGroupedWaypoints{FALSE};

// Fills a field of size bytes with the text in the current language's form;
// the wide form takes two bytes a character and a two-byte terminator.
static void VERSION_vFill(char* pField, U32 u32Size, const char* pcText) {
  U_WSTRING_vAscii2Unicode(pField, pcText, u32Size - 2, FALSE);
  pField[u32Size - 2] = 0;
  pField[u32Size - 1] = 0;
}

const VERSION_INFO* VERSION_pversion_infoGetCurrentVersion(void) {
  char text[24];
  snprintf(text, sizeof text, "%1d.%03d", VERSION_MAJOR, VERSION_MINOR);
  VERSION_vFill(s_version_info.version, sizeof s_version_info.version, text);
  VERSION_vFill(s_version_info.date, sizeof s_version_info.date, VERSION_DATE);
  snprintf(text, sizeof text, "%dMhz", VERSION_CPU_MHZ);
  VERSION_vFill(s_version_info.speed, sizeof s_version_info.speed, text);
  U32 u32Rev = 0;
  if (H_DATABASE_bFetchU32(FCID("CREV"), &u32Rev, nullptr, nullptr)) {
    snprintf(text, sizeof text, "%u", u32Rev);
  } else {
    snprintf(text, sizeof text, "---");
  }
  VERSION_vFill(s_version_info.rev, sizeof s_version_info.rev, text);
  return &s_version_info;
}

// TRUE when the setting holds a value within its time-out; the value in *pu32Value.
static BOOLEAN VERSION_bValid(FOURCHARID id, U32* pu32Value) {
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(id, pu32Value, &bValid, nullptr) && bValid;
}

BOOLEAN VERSION_bDetectVersionChange(void) {
  U32 u32Stored = 0, u32AgeSaved = 0, u32Age = 0;
  const BOOLEAN bStored = VERSION_bValid(FCID("SFVR"), &u32Stored);
  const BOOLEAN bChanged = !(bStored && u32Stored == VERSION_STORED_NUMBER);
  const BOOLEAN bAgesKept = VERSION_bValid(FCID("SAGS"), &u32AgeSaved) && VERSION_bValid(FCID("SAGE"), &u32Age);
  // Settings lost to damage say nothing of which software last wrote the
  // waypoint store: its tree, groups included, is read as it is rather than
  // rebuilt flat as an upgrade's would be.
  const BOOLEAN bOlderStore = !(bStored && bAgesKept && u32AgeSaved == u32Age);
  s_bUpgradingToGroupedWaypoints.store(bOlderStore && !T_NVRAM_bSettingsLost());
  s_bVersionChanged.store(bChanged);
  if (bChanged) {
    log_me("[%d]%s: software version changed, settings now of version %u", __LINE__, __func__,
           VERSION_STORED_NUMBER);
    H_DATABASE_bUpdateValueU32(FCID("SFVR"), VERSION_STORED_NUMBER, P_NORMAL);
  }
  return bChanged;
}

BOOLEAN VERSION_bIsVersionChanged(void) { return s_bVersionChanged.load(); }

BOOLEAN VERSION_bIsUpgradingToGroupedWaypointManagement(void) { return s_bUpgradingToGroupedWaypoints.load(); }
