// The software version the unit shows and reports, and whether this start
// runs a different version from the one that wrote the stored settings.
#pragma once

#include "basetypes.h"

// The version number kept in the settings (SFVR) by the version that wrote them.
constexpr U32 VERSION_STORED_NUMBER = 2000;

// Every field is text in the current language's form (wide in a wide
// language), terminated within its size.
struct VERSION_INFO {
  char version[40];
  char date[40];
  char speed[20];
  char rev[20];
};

// The one record, refreshed at every call (rev follows CREV, "---" while
// CREV is absent; the form follows the current language).
const VERSION_INFO* VERSION_pversion_infoGetCurrentVersion(void);
// Called once at start, after the stored settings are restored: notes whether
// the version changed (SFVR is not a valid VERSION_STORED_NUMBER) and whether
// the stored data predates grouped waypoint management (SFVR, SAGS and SAGE
// not all valid, or SAGS differs from SAGE). A changed version writes SFVR
// at the normal priority. Returns the version-changed flag.
BOOLEAN VERSION_bDetectVersionChange(void);
// The two flags of the last detection; FALSE before it.
BOOLEAN VERSION_bIsVersionChanged(void);
BOOLEAN VERSION_bIsUpgradingToGroupedWaypointManagement(void);
