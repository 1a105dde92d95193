// Default names, the search by content and the table of waypoints in shown
// groups: the manager's module names them, but they read only the store,
// which asks for them as it saves and the charts draw by.

#include "t_nav_group_store.h"

#include <stdio.h>
#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav_group_data.h"
#include "t_nav_twr.h"
#include "u_wstring.h"

static char s_acDefaultName[NAV_WAYPOINT_NAME_SIZE + 8];

static S32 GROUP_s32NextNumber(void) {
  const S32 n = T_NAV_s32GetMaxWayPointCounter() + 1;
  H_DATABASE_bUpdateValueS32(FCID("SWID"), n, P_NORMAL);
  return n;
}

char* T_NAV_GROUP_pGetDefaultWaypointName(void) {
  BOOLEAN bIce = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr)) bIce = FALSE;
  snprintf(s_acDefaultName, sizeof s_acDefaultName, bIce ? "IC%03d" : "WP%03d", (int)GROUP_s32NextNumber());
  return s_acDefaultName;
}

char* T_NAV_GROUP_pGetDefaultWaypointNameForUNICODE(void) {
  char digits[12];
  snprintf(digits, sizeof digits, "%03d", (int)GROUP_s32NextNumber());
  memset(s_acDefaultName, 0, sizeof s_acDefaultName);
  // Big-endian units with a zero high byte; five digits and the end fit a name.
  for (U32 i = 0; digits[i] != '\0' && 2 * i + 3 < sizeof s_acDefaultName; i++) s_acDefaultName[2 * i + 1] = digits[i];
  return s_acDefaultName;
}

// "RT" and the number of the first free shared route slot; two digits,
// widened, in the wide languages.
char* T_NAV_GROUP_pGetDefaultRouteName(void) {
  const U16 r = T_NAV_u16FindAvailableRoute(FALSE);
  if (r == NAV_NONE) return nullptr;
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  memset(s_acDefaultName, 0, sizeof s_acDefaultName);
  snprintf(s_acDefaultName, sizeof s_acDefaultName, bWide ? "RT%02d" : "RT%03d", (int)r + 1);
  if (bWide) U_WSTRING_vReplaceNarrowWithWide(s_acDefaultName, sizeof s_acDefaultName);
  return s_acDefaultName;
}

U16 T_NAV_GROUP_u16FindWaypoint(WAYPOINT* pWaypoint) {
  if (pWaypoint == nullptr) return NAV_NONE;
  S32 index = -1;
  WAYPOINT* p;
  while (T_NAV_bScanWaypoints(&index, &p, FALSE)) {
    const U8 status = p->u8Status;
    if ((status == WPT_STATUS_SAVED || status == WPT_STATUS_TEMPORARY || status == WPT_STATUS_SAVED_2) &&
        status == pWaypoint->u8Status && T_NAV_bWaypointCompare(p, pWaypoint)) {
      return (U16)index;
    }
  }
  return NAV_NONE;
}

// The visibility table the chart and highway views read under mutex 9. Until
// the navigation task first builds it every waypoint counts as shown, so
// nothing blinks out while the unit starts.
static BOOLEAN s_abWaypointInVisibleGroup[NAV_MAX_WAYPOINTS];
static BOOLEAN s_bVisibilityBuilt;

void T_NAV_GROUP_vCheckWaypointInVisibleGroup(void) {
  static BOOLEAN s_abNext[NAV_MAX_WAYPOINTS];
  L_MUTEX_LockWait(RES_NAV_DATA);
  memset(s_abNext, 0, sizeof s_abNext);
  // A tree that cannot be walked whole keeps the last table.
  if (T_NAV_GROUP_DATA_bMarkVisibleWaypoints(s_abNext)) {
    memcpy(s_abWaypointInVisibleGroup, s_abNext, sizeof s_abNext);
    s_bVisibilityBuilt = TRUE;
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
}

void T_NAV_GROUP_vSetWaypointVisible(S32 nIndex) {
  if (nIndex < 0 || nIndex >= (S32)NAV_MAX_WAYPOINTS) return;
  L_MUTEX_LockWait(RES_NAV_DATA);
  s_abWaypointInVisibleGroup[nIndex] = TRUE;
  L_MUTEX_Unlock(RES_NAV_DATA);
}

BOOLEAN T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(U32 nIndex) {
  if (nIndex >= NAV_MAX_WAYPOINTS) return FALSE;
  return !s_bVisibilityBuilt || s_abWaypointInVisibleGroup[nIndex];
}
