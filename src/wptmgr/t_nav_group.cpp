// Stand-ins for the waypoint manager until it lands: the store's default
// names, every group shown, a plain scan for a waypoint by content, links
// that are never copied, a selection that whoever needs one sets, and notes
// that go to the log.

#include "t_nav_group.h"

#include <stdio.h>
#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav_twr.h"

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

char* T_NAV_GROUP_pGetDefaultRouteName(void) { return nullptr; }

BOOLEAN T_NAV_GROUP_bCheckWaypointIsInVisibleGroup(U32 nIndex) { return nIndex < NAV_MAX_WAYPOINTS; }

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

U16 T_NAV_GROUP_u16CopyContentForAddLink(U8, U16, U16 itemID) { return itemID; }

static SELECT_EXPORT_DATA s_Selection;

void T_NAV_GROUP_vSetExportSelection(const U16* pIds, U32 u32Count) {
  if (pIds == nullptr) u32Count = 0;
  if (u32Count > NAV_SELECT_EXPORT_MAX) u32Count = NAV_SELECT_EXPORT_MAX;
  if (u32Count > 0) memcpy(s_Selection.SelectedExportIDs, pIds, u32Count * sizeof pIds[0]);
  s_Selection.SelectedExportCount = u32Count;
}

void T_NAV_GROUP_vExportSelectedDataItems(SELECT_EXPORT_DATA* p) {
  if (p == nullptr) return;
  p->SelectedExportCount = s_Selection.SelectedExportCount;
  memcpy(p->SelectedExportIDs, s_Selection.SelectedExportIDs,
         s_Selection.SelectedExportCount * sizeof s_Selection.SelectedExportIDs[0]);
}

BOOLEAN T_NAV_GROUP_vKeepInputStateMode(void) { return FALSE; }

// The manager has no view of the store to rebuild yet.
void T_NAV_GROUP_vRefreshData(void) {}

void T_NAV_GROUP_vSetNavUIRawNoteWithTimeout(const char* text, U32 seconds) {
  log_me("[%d]%s: %s (%u s)\n", __LINE__, __func__, text != nullptr ? text : "", seconds);
}
