// The waypoint editor (overlay state 6): a working copy of one waypoint whose
// name, latitude, longitude and icon are edited in place and saved back.
#pragma once

#include "t_nav_edit_int.h"

typedef enum tag_WPT_EDIT_STATE {
  WPT_EDIT_NONE = 0,
  WPT_EDIT_NAME = 1,
  WPT_EDIT_NAME_VALUE = 2,
  WPT_EDIT_LAT = 3,
  WPT_EDIT_LAT_VALUE = 4,
  WPT_EDIT_LON = 5,
  WPT_EDIT_LON_VALUE = 6,
  WPT_EDIT_ICON = 7,
  WPT_EDIT_ICON_VALUE = 8,
  WPT_EDIT_SAVE = 9,
  WPT_EDIT_STATE_COUNT = 10,
} WPT_EDIT_STATE;

typedef struct tag_NAV_WPT_EDIT {
  WPT_EDIT_STATE eState;
  S32 nPosition;  // byte offset of the character being edited
  U32 nIndex;
  WAYPOINT Waypoint;  // sName: 16-bit big-endian, five characters and a zero
  char sLat[U_NAV_POSITION_TEXT_SIZE];
  char sLon[U_NAV_POSITION_TEXT_SIZE];
  NAV_FORMAT_ENUM ePosFormat;
  U32 nLang;
  NAV_EDIT_INDEX_CALLBACK pSave;
  NAV_EDIT_INDEX_CALLBACK pCancel;
  BOOLEAN bLatDirty;
  BOOLEAN bLonDirty;
  BOOLEAN bDirty;
} NAV_WPT_EDIT;

extern NAV_WPT_EDIT s_WptEdit;

// Opens state 6 on the name row with a copy of waypoint slot nIndex; FALSE
// (nothing opened) when the slot holds no waypoint.
BOOLEAN T_NAV_EDIT_bEditWaypointSetup(U32 nIndex, NAV_EDIT_INDEX_CALLBACK pSave, NAV_EDIT_INDEX_CALLBACK pCancel,
                                      NAV_EDIT_TEXT pTitle);

// The field operations; TRUE when the key was acted on.
BOOLEAN T_NAV_bEWIconUp(void);
BOOLEAN T_NAV_bEWIconDown(void);
BOOLEAN T_NAV_bEWNameUp(void);
BOOLEAN T_NAV_bEWNameDown(void);
BOOLEAN T_NAV_bEWNameRight(void);
BOOLEAN T_NAV_bEWNameLeft(void);
BOOLEAN T_NAV_bEWLatUp(void);
BOOLEAN T_NAV_bEWLatDown(void);
BOOLEAN T_NAV_bEWLatRight(void);
BOOLEAN T_NAV_bEWLatLeft(void);
BOOLEAN T_NAV_bEWLonUp(void);
BOOLEAN T_NAV_bEWLonDown(void);
BOOLEAN T_NAV_bEWLonRight(void);
BOOLEAN T_NAV_bEWLonLeft(void);
// Writes the copy back and closes; FALSE (still open, error shown) when a
// changed position does not read or the store refuses it.
BOOLEAN T_NAV_bEWSave(void);
// The confirmation box's answers.
void T_NAV_vEWSave(void);
void T_NAV_vEWCancel(void);

// The name editors' step through the alphabet of nLang (16-bit characters).
U16 NAV_EDIT_u16StepNameChar(U32 nLang, U16 c, BOOLEAN bUp);
// A 16-bit big-endian name as the store keeps it: 8-bit text outside the
// wide languages (u32Size bytes at most, ended within them).
void NAV_EDIT_vNarrowName(char* pStored, const char* pWide, U32 u32Size);

void T_NAV_vEditWaypointRender(BITMAP* pBitmap);

// State 6's keys (mutex 10 held).
BOOLEAN T_NAV_bEditWaypointHandleKeys(const MSG_KEY_CHANGE* pMsg);
