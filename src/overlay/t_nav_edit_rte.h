// The route editor (overlay state 8): a route's name and its points picked
// from the list of all waypoints, moved and deleted, then saved.
#pragma once

#include "t_nav_edit_int.h"

typedef enum tag_RTE_EDIT_STATE {
  RTE_EDIT_NONE = 0,
  RTE_EDIT_NAME = 1,
  RTE_EDIT_NAME_VALUE = 2,
  RTE_EDIT_WPTS = 3,
  RTE_EDIT_WPTS_ALL = 4,
  RTE_EDIT_WPTS_RTE = 5,
  RTE_EDIT_MENU_UP = 6,
  RTE_EDIT_MENU_DOWN = 7,
  RTE_EDIT_MENU_DEL = 8,
  RTE_EDIT_SAVE = 9,
} RTE_EDIT_STATE;

typedef struct tag_NAV_RTE_EDIT {
  S32 nPosition;  // all-waypoints row, or the name's byte offset
  S32 nTop;
  const U16* au16SortedIndexes;
  RTE_EDIT_STATE eState;
  U32 nCount;  // of the sorted waypoint list
  NAV_WPT_SORT_ORDER eSortBy;
  S32 nRtePosition;
  S32 nRteTop;
  U32 nIndex;
  ROUTE Route;  // sName: 16-bit big-endian
  U32 nLang;
  NAV_EDIT_INDEX_CALLBACK pSave;
  NAV_EDIT_INDEX_CALLBACK pCancel;
  BOOLEAN bDirty;
} NAV_RTE_EDIT;

extern NAV_RTE_EDIT s_RteEdit;

// Opens state 8 on the name row with a copy of route slot nIndex; FALSE
// (nothing opened) beyond the table.
BOOLEAN T_NAV_EDIT_bEditRouteSetup(U32 nIndex, NAV_EDIT_INDEX_CALLBACK pSave, NAV_EDIT_INDEX_CALLBACK pCancel,
                                   NAV_EDIT_TEXT pTitle);
// State 8's keys (mutex 10 held); FALSE for keys other than EXIT and the pad.
BOOLEAN T_NAV_vEditRouteHandleKeys(const MSG_KEY_CHANGE* pMsg);
// The confirmation answers; each acts only while the editor is open.
void T_NAV_vERSave(void);
void T_NAV_vERCancel(void);
