// The waypoint forms: "Create New Waypoint" at the boat's position and
// "Edit Waypoint" for the highlighted waypoint, their checks and saves.

#include <stdio.h>
#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_info.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_nav_group.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_twr.h"
#include "u_language.h"
#include "u_nav.h"
#include "u_wstring.h"
#include "ui_texts.h"

// Every icon in number order; the position of 71 holds 0.
const U16 ICONCATEGORY_DEFAULT_ARRAY[WPM_ICON_ALL_COUNT] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27,
    28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55,
    56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 0,  72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82};

enum { ROW_NAME = 0, ROW_CATEGORY, ROW_ICON, ROW_VISIBILITY, ROW_LAT, ROW_LON, ROW_SAVE };

static EDIT_FIELD s_aWaypointFields[8];
static POPUP_EDIT_WINDOW s_WaypointForm;
static WAYPOINT s_Waypoint;
static char s_strOriginWpLat[U_NAV_POSITION_TEXT_SIZE];
static char s_strOriginWpLon[U_NAV_POSITION_TEXT_SIZE];
static char s_acWptFooter[64];
static const char* s_apWptFooter[2] = {s_acWptFooter, nullptr};

static NAV_FORMAT_ENUM WPM_eFormat(const char** ppLat, const char** ppLon) {
  U32 format = F_DD_MM_MMM;
  H_DATABASE_bFetchU32(FCID("SIPF"), &format, nullptr, nullptr);
  switch (format) {
    case F_DD_DDDDD:
      *ppLat = "S 79 99999 ";
      *ppLon = "W 199 99999 ";
      return F_DD_DDDDD;
    case F_DD_MM_SS:
      *ppLat = "S 79 59 99 ";
      *ppLon = "W 199 59 99 ";
      return F_DD_MM_SS;
    default:
      *ppLat = "S 79 59 999 ";
      *ppLon = "W 199 59 999 ";
      return F_DD_MM_MMM;
  }
}

// The formatter writes a wide language's position as wide text, which an
// 8-bit reading of it takes for empty: the row keeps it in that form.
static void WPM_vPositionRow(EDIT_FIELD* f, DATA_TYPE eType, double d, NAV_FORMAT_ENUM eFormat, const char* mask) {
  char text[U_NAV_POSITION_TEXT_SIZE] = {};
  const unsigned nLanguage = nCurrentLanguage();
  U_NAV_vFormatPosition(eType, d, text, eFormat, nLanguage, IPS_SPACE);
  memset(f->value_string, 0, sizeof f->value_string);
  f->candidate_mask = mask;
  if (nLanguage >= LANGUAGE_FIRST_WIDE) {
    U_WSTRING_vw_strncpy(f->value_string, text, sizeof f->value_string - 2, TRUE);
    f->string_len = (U16)(U_WSTRING_u32w_strlen(f->value_string, TRUE) / 2);
    f->type = EDIT_TYPE_CHAR_U;
    return;
  }
  const size_t n = strnlen(text, sizeof f->value_string - 1);
  memcpy(f->value_string, text, n);
  f->string_len = (U16)n;
}

// The default name of a new waypoint in the current string form.
static const char* WPM_pcDefaultWaypointName(void) {
  if (!U_WSTRING_bIsUnicodeLanguage()) return T_NAV_GROUP_pGetDefaultWaypointName();
  static char s_acWide[NAV_WAYPOINT_NAME_SIZE + 2];
  memset(s_acWide, 0, sizeof s_acWide);
  const char* pcDigits = T_NAV_GROUP_pGetDefaultWaypointNameForUNICODE();
  U32 o = 0;
  if (WPM_WaypointNameShape().pcWideMask[0] == EDIT_TYPE_MIXED_CHAR) {
    // The plain waypoint type comes first.
    s_acWide[0] = (char)0xFD;
    s_acWide[1] = (char)0xFF;
    o = 2;
  }
  memcpy(s_acWide + o, pcDigits, sizeof s_acWide - 2 - o);
  return s_acWide;
}

static void WPM_vFillFields(const POINT& pt, const char* pcName, U8 u8Icon, BOOLEAN bHide, U32 u32DateTime) {
  memset(s_aWaypointFields, 0, sizeof s_aWaypointFields);
  EDIT_FIELD* f = s_aWaypointFields;
  WPM_vNameRow(&f[ROW_NAME], pcName, NAV_WAYPOINT_NAME_SIZE, WPM_WaypointNameShape());
  f[ROW_CATEGORY] = WPM_Row(Icon_Category, EDIT_TYPE_STRING_LIST);
  f[ROW_CATEGORY].pDisplayList = s_StringListIconCategory;
  f[ROW_CATEGORY].nDisplayList = WPM_SEARCH_CATEGORIES;
  f[ROW_CATEGORY].pHookDataFunc = T_NAV_GROUP_vEditIconCategoryChange;
  f[ROW_ICON] = WPM_Row(Icon, EDIT_TYPE_ICON_ARRAY);
  f[ROW_ICON].pDisplayList = ICONCATEGORY_DEFAULT_ARRAY;
  f[ROW_ICON].nDisplayList = WPM_ICON_ALL_COUNT;
  for (U32 i = 0; i < WPM_ICON_ALL_COUNT; i++) {
    if (ICONCATEGORY_DEFAULT_ARRAY[i] == u8Icon) {
      f[ROW_ICON].value_string[0] = (char)i;
      break;
    }
  }
  WPM_vVisibilityRow(&f[ROW_VISIBILITY], bHide);
  const char *latMask, *lonMask;
  const NAV_FORMAT_ENUM eFormat = WPM_eFormat(&latMask, &lonMask);
  POSITION pos = {};
  nv_MeterToDegr(&pt, &pos);
  f[ROW_LAT] = WPM_Row(Latitude, EDIT_TYPE_CHAR);
  f[ROW_LON] = WPM_Row(Longitude, EDIT_TYPE_CHAR);
  WPM_vPositionRow(&f[ROW_LAT], D_POSITION_LAT, pos.lat, eFormat, latMask);
  WPM_vPositionRow(&f[ROW_LON], D_POSITION_LON, pos.lon, eFormat, lonMask);
  f[ROW_SAVE] = WPM_Row(Save, EDIT_TYPE_SAVE);
  WPM_vCreatedLine(s_acWptFooter, sizeof s_acWptFooter, u32DateTime);
}

static BOOLEAN T_NAV_GROUP_vUpdateEditDataWaypoint(POPUP_WINDOW*) {
  EDIT_FIELD* f = s_aWaypointFields;
  WPM_vTakeName(s_Waypoint.sName, sizeof s_Waypoint.sName, &f[ROW_NAME]);
  const U8 iconIndex = (U8)f[ROW_ICON].value_string[0];
  const U16* pIcons = (const U16*)f[ROW_ICON].pDisplayList;
  s_Waypoint.u8Icon = (U8)pIcons[iconIndex < f[ROW_ICON].nDisplayList ? iconIndex : 0];
  s_Waypoint.bHide = f[ROW_VISIBILITY].value_string[0] == 0;
  if (WPM_bBlankName(s_Waypoint.sName)) return FALSE;
  char lat[U_NAV_POSITION_TEXT_SIZE], lon[U_NAV_POSITION_TEXT_SIZE];
  WPM_vRowText(&f[ROW_LAT], lat, sizeof lat);
  WPM_vRowText(&f[ROW_LON], lon, sizeof lon);
  if (strcmp(lat, s_strOriginWpLat) == 0 && strcmp(lon, s_strOriginWpLon) == 0) return TRUE;
  const char *latMask, *lonMask;
  const NAV_FORMAT_ENUM eFormat = WPM_eFormat(&latMask, &lonMask);
  // The parser reads the rows in the form they are written in.
  const char* pcLat = WPM_bWideRow(&f[ROW_LAT]) ? f[ROW_LAT].value_string : lat;
  const char* pcLon = WPM_bWideRow(&f[ROW_LON]) ? f[ROW_LON].value_string : lon;
  POSITION pos = {};
  if (!U_NAV_bParsePosition(D_POSITION_LAT, pcLat, &pos.lat, eFormat, nCurrentLanguage()) || pos.lat < -80.0 ||
      pos.lat > 80.0) {
    return FALSE;
  }
  if (!U_NAV_bParsePosition(D_POSITION_LON, pcLon, &pos.lon, eFormat, nCurrentLanguage()) ||
      pos.lon < -180.0 || pos.lon > 180.0) {
    T_NAV_vSetNavUIError(Invalid_Longitude);
    return FALSE;
  }
  nv_DegrToMeter(&pos, &s_Waypoint.pt);
  return TRUE;
}

static U16 WPM_u16AddNew(const WAYPOINT& from) {
  WAYPOINT w = from;
  w.u8Status = from.u8Status == 3 ? 3 : 1;
  T_NAV_TWR_vTemporarilyEnableCLWCUpdateForAllModels(TRUE);
  const U16 index = T_NAV_nAddWaypoint(&w, FALSE);
  T_NAV_TWR_vTemporarilyEnableCLWCUpdateForAllModels(FALSE);
  // A waypoint no group holds would go at the next collection: it is not
  // kept. A group that holds its like already needs no copy; one without
  // room for the link refuses it as a full table does.
  const U16 group = g_WPM.u16CurrentGroupID;
  if (index != NAV_NONE && !T_NAV_GROUP_DATA_bAddLink(group, index)) {
    const BOOLEAN bFull = !T_NAV_bHasSameContentLinkInTargetGroup(group, index);
    T_NAV_bDeleteWaypoint(index, FALSE);
    if (bFull) T_NAV_vSetNavUIError(No_Waypoints);
    return NAV_NONE;
  }
  if (index == NAV_NONE) T_NAV_vSetNavUIError(No_Waypoints);
  return index;
}

static void T_NAV_GROUP_vSaveWaypoint(void* pData, U32 nIndex) {
  WAYPOINT* pCopy = (WAYPOINT*)pData;
  s_strOriginWpLat[0] = 0;
  s_strOriginWpLon[0] = 0;
  U16 highlight = NAV_NONE;
  if (nIndex == NAV_NONE) {
    g_WPMForm.bNewWaypointCreated = FALSE;
    highlight = WPM_u16AddNew(*pCopy);
    if (highlight == NAV_NONE) return;
  } else {
    const WAYPOINT* pStored = T_NAV_pGetWaypoint(nIndex);
    if (pStored == nullptr) return;
    pCopy->u16Depth = pStored->u16Depth;
    pCopy->u32DateTime = pStored->u32DateTime;
    if (pCopy->bWpNotShared == pStored->bWpNotShared) {
      WAYPOINT w = *pCopy;
      w.u8Status = pStored->u8Status;
      T_NAV_bSaveWaypoint(nIndex, &w, FALSE, FALSE);
      highlight = (U16)nIndex;
    } else {
      highlight = WPM_u16AddNew(*pCopy);
      if (highlight != NAV_NONE) T_NAV_GROUP_DATA_bRemoveLink(g_WPM.u16CurrentGroupID, (U16)nIndex);
      T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
    }
  }
  WPM_vReenter(highlight);
  g_WPM.eInputState = STATE_ITEM_LIST;
  T_NAV_vActivateUpdateHideStatus();
}

static void WPM_vInstallWptForm(const char* const* strTitle, U32 u32Index) {
  WPM_vInstallForm(&s_WaypointForm, s_aWaypointFields,
                   {strTitle, 410, 457, T_NAV_GROUP_vUpdateEditDataWaypoint, T_NAV_GROUP_vSaveWaypoint, &s_Waypoint,
                    u32Index, s_apWptFooter});
}

void T_NAV_GROUP_vNewWaypoint(U32) {
  memset(&s_Waypoint, 0, sizeof s_Waypoint);
  if (!WPM_bNeedFix()) return;
  DB_DATA_TYPE lat = {}, lon = {};
  H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &lat, &lon, nullptr);
  if (!T_NAV_vRoomForWptOrGroup(FALSE)) {
    T_NAV_vSetNavUIError(No_Waypoints);
    WPM_vClick(FALSE);
    return;
  }
  s_Waypoint.pt = {lon.s32Val, lat.s32Val};
  g_WPMForm.s32OldWaypointCount2Name = T_NAV_s32GetMaxWayPointCounter();
  const char* pcName = WPM_pcDefaultWaypointName();
  U32 dt = 0;
  H_DATABASE_bFetchU32(FCID("IDTM"), &dt, nullptr, nullptr);
  s_Waypoint.u32DateTime = dt;
  WPM_vFillFields(s_Waypoint.pt, pcName, (U8)WPM_u32DefaultIcon(), FALSE, dt);
  g_WPMForm.bNewWaypointCreated = TRUE;
  s_strOriginWpLat[0] = 0;
  s_strOriginWpLon[0] = 0;
  WPM_vInstallWptForm(Create_New_Waypoint, NAV_NONE);
}

void T_NAV_GROUP_vEditWaypoint(U32) {
  if (g_WPM.u16HighlightIndex >= g_WPM.u16ShowItemsCount) return;
  const U16 id = g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex];
  if (WPM_eClass(id) != WPM_ITEM_WAYPOINT) return;
  const U32 index = id & 0x0FFF;
  ROUTE* pRoute = T_NAV_pGetCurrentRoute();
  if (pRoute != nullptr && T_NAV_bWaypointUsedInRoute(index, pRoute)) {
    T_NAV_vSetNavUINote(Data_In_Use_Cannot_Edit, nullptr, FALSE);
    WPM_vClick(FALSE);
    return;
  }
  WPM_pOpenWaypointEdit(index);
}

POPUP_EDIT_WINDOW* WPM_pOpenWaypointEdit(U32 index) {
  const WAYPOINT* pStored = T_NAV_pGetWaypoint(index);
  if (pStored == nullptr) return nullptr;
  s_Waypoint.pt = pStored->pt;
  s_Waypoint.u8Status = pStored->u8Status;
  char name[NAV_WAYPOINT_NAME_SIZE + 1] = {};
  memcpy(name, pStored->sName, NAV_WAYPOINT_NAME_SIZE);
  WPM_vFillFields(pStored->pt, name, pStored->u8Icon, pStored->bHide, pStored->u32DateTime);
  WPM_vRowText(&s_aWaypointFields[ROW_LAT], s_strOriginWpLat, sizeof s_strOriginWpLat);
  WPM_vRowText(&s_aWaypointFields[ROW_LON], s_strOriginWpLon, sizeof s_strOriginWpLon);
  WPM_vInstallWptForm(Edit_Waypoint, index);
  return &s_WaypointForm;
}

// ---------------------------------------------------------------------------
// "Save as Waypoint"

static EDIT_FIELD s_aSaveAsFields[3];
static POPUP_EDIT_WINDOW s_SaveAsForm;
static WAYPOINT s_SaveAsWaypoint;

static BOOLEAN T_NAV_GROUP_vUpdateSaveAsDataWaypoint(POPUP_WINDOW*) {
  const WAYPOINT* pStored = T_NAV_pGetWaypoint(s_SaveAsForm.u32Index & 0x0FFF);
  if (pStored == nullptr) return FALSE;
  WPM_vTakeName(s_SaveAsWaypoint.sName, sizeof s_SaveAsWaypoint.sName, &s_aSaveAsFields[0]);
  if (memcmp(s_SaveAsWaypoint.sName, pStored->sName, sizeof s_SaveAsWaypoint.sName) == 0) {
    T_NAV_vSetNavUIError(Must_Specify_New_Name);
    return FALSE;
  }
  char name[NAV_WAYPOINT_NAME_SIZE];
  memcpy(name, s_SaveAsWaypoint.sName, sizeof name);
  s_SaveAsWaypoint = *pStored;
  memcpy(s_SaveAsWaypoint.sName, name, sizeof name);
  return TRUE;
}

static void T_NAV_GROUP_vWaypointSaveAs(void* pData, U32) {
  const U16 index = WPM_u16AddNew(*(const WAYPOINT*)pData);
  WPM_vReenter(index);
  g_WPM.eInputState = STATE_ITEM_LIST;
}

void T_NAV_GROUP_vSaveAsWaypoint(U32) {
  if (g_WPM.u16HighlightIndex >= g_WPM.u16ShowItemsCount) return;
  const U16 id = g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex];
  if (WPM_eClass(id) != WPM_ITEM_WAYPOINT) return;
  const WAYPOINT* pStored = T_NAV_pGetWaypoint(id & 0x0FFF);
  if (pStored == nullptr) return;
  memset(s_aSaveAsFields, 0, sizeof s_aSaveAsFields);
  WPM_vNameRow(&s_aSaveAsFields[0], pStored->sName, NAV_WAYPOINT_NAME_SIZE, WPM_WaypointNameShape());
  s_aSaveAsFields[1] = WPM_Row(Save, EDIT_TYPE_SAVE);
  WPM_vInstallForm(&s_SaveAsForm, s_aSaveAsFields,
                   {Save_As_Waypoint, 410, 148, T_NAV_GROUP_vUpdateSaveAsDataWaypoint, T_NAV_GROUP_vWaypointSaveAs,
                    &s_SaveAsWaypoint, id, nullptr});
}
