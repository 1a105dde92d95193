// The waypoint editor's fields and keys. The name is always edited as
// 16-bit characters; the position texts are in the language's own text form.

#include "t_nav_edit_wpt.h"

#include <math.h>
#include <string.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_nav_alarm.h"
#include "u_datum.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

NAV_WPT_EDIT s_WptEdit;

namespace {

constexpr U8 WPT_ICON_LAST = 70;
constexpr U8 WPT_ICON_SKIPPED = 30;
constexpr S32 WPT_NAME_LAST = 8;  // byte offset of the fifth character
constexpr U8 WPT_STATUS_FIXED = 3;
constexpr U16 WPT_IDEOGRAPHIC_SPACE = 0x3000;

// ---- characters of a text in the current text form

U32 EW_u32Step(void) { return U_WSTRING_bIsUnicodeLanguage() ? 2 : 1; }

U16 EW_u16At(const char* s, S32 n) {
  if (EW_u32Step() == 1) return (U8)s[n];
  return (U16)(((U8)s[n] << 8) | (U8)s[n + 1]);
}

void EW_vPut(char* s, S32 n, U16 c) {
  if (EW_u32Step() == 1) {
    s[n] = (char)c;
  } else {
    s[n] = (char)(c >> 8);
    s[n + 1] = (char)c;
  }
}

BOOLEAN EW_bDigit(U16 c) { return (c >= '0' && c <= '9') || (c >= 0xFF10 && c <= 0xFF19); }

// First character of a language text, as the position texts hold it.
U16 EW_u16First(NAV_EDIT_TEXT pText) { return EW_u16At(NAV_EDIT_pText(pText, s_WptEdit.nLang), 0); }

// ---- name (16-bit big-endian whatever the language)

char* EW_pName(void) { return s_WptEdit.Waypoint.sName; }
U16 EW_u16Name(S32 n) { return (U16)(((U8)EW_pName()[n] << 8) | (U8)EW_pName()[n + 1]); }
void EW_vName(S32 n, U16 c) {
  EW_pName()[n] = (char)(c >> 8);
  EW_pName()[n + 1] = (char)c;
}
BOOLEAN EW_bSpace(U16 c) { return c == ' ' || c == WPT_IDEOGRAPHIC_SPACE; }

// Cuts the name at byte offset nFrom and drops its trailing spaces.
void EW_vTrimName(S32 nFrom) {
  for (S32 n = nFrom; n < (S32)NAV_WAYPOINT_NAME_SIZE; n += 2) EW_vName(n, 0);
  for (S32 n = WPT_NAME_LAST; n >= 0; n -= 2) {
    const U16 c = EW_u16Name(n);
    if (c != 0 && !EW_bSpace(c)) break;
    EW_vName(n, 0);
  }
}

BOOLEAN EW_bPresetName(void) {
  const U32 lang = nCurrentLanguage();
  return s_WptEdit.nPosition == 0 && lang >= LANGUAGE_KOREAN && lang <= LANGUAGE_KOREAN + 2;
}

// The preset ids in table order; a value not in the table is -1.
S32 EW_s32PresetRow(U16 id) {
  for (U32 i = 0; i < NAV_EDIT_PRESET_ROWS; i++) {
    if (T_NAV_EDIT_sGetChineseWyptType((U8)i)->u16Id == id) return (S32)i;
  }
  return -1;
}

BOOLEAN EW_bNameStep(BOOLEAN bUp) {
  const S32 n = s_WptEdit.nPosition;
  if (n < 0 || n > WPT_NAME_LAST) return FALSE;
  if (EW_bPresetName()) {
    const S32 last = (S32)NAV_EDIT_PRESET_ROWS - 1;
    const S32 row = EW_s32PresetRow(EW_u16Name(0));
    S32 next = 0;
    if (bUp) {
      next = row < 0 || row >= last ? 0 : row + 1;
    } else {
      next = row <= 0 ? last : row - 1;
    }
    EW_vName(0, T_NAV_EDIT_sGetChineseWyptType((U8)next)->u16Id);
  } else {
    EW_vName(n, NAV_EDIT_u16StepNameChar(s_WptEdit.nLang, EW_u16Name(n), bUp));
  }
  s_WptEdit.bDirty = TRUE;
  return TRUE;
}

// ---- position texts

char* EW_pText(BOOLEAN bLat) { return bLat ? s_WptEdit.sLat : s_WptEdit.sLon; }

S32 EW_s32Length(const char* s) {
  S32 n = 0;
  while (EW_u16At(s, n) != 0 && n < (S32)U_NAV_POSITION_TEXT_SIZE - 2) n += (S32)EW_u32Step();
  return n;
}

U16 EW_u16Limit(const char* s, S32 n, BOOLEAN bLat) {
  const U16 before = n > 0 ? EW_u16At(s, n - (S32)EW_u32Step()) : 0;
  if (before == ' ') return bLat ? 7 : 1;
  if (before == U_NAV_DEGREE_SIGN || before == U_NAV_WIDE_DEGREE_SIGN || before == '\'') return 5;
  return 9;
}

BOOLEAN EW_bPosStep(BOOLEAN bLat, BOOLEAN bUp) {
  char* s = EW_pText(bLat);
  const S32 n = s_WptEdit.nPosition;
  if (n < 0 || n >= EW_s32Length(s)) return FALSE;
  const U16 c = EW_u16At(s, n);
  const U16 a = EW_u16First(bLat ? Direction_N : Direction_E);
  const U16 b = EW_u16First(bLat ? Direction_S : Direction_W);
  if (c == a || c == b) {
    EW_vPut(s, n, c == a ? b : a);
  } else if (EW_bDigit(c)) {
    const U16 zero = c >= 0xFF10 ? 0xFF10 : '0';
    const U16 limit = EW_u16Limit(s, n, bLat);
    U16 d = (U16)(c - zero);
    d = bUp ? (d >= limit ? 0 : d + 1) : (d == 0 || d > limit ? limit : d - 1);
    EW_vPut(s, n, (U16)(zero + d));
  } else {
    return FALSE;
  }
  (bLat ? s_WptEdit.bLatDirty : s_WptEdit.bLonDirty) = TRUE;
  s_WptEdit.bDirty = TRUE;
  return TRUE;
}

// A position text as degrees, within range of its kind.
BOOLEAN EW_bRead(BOOLEAN bLat, double* pd) {
  double d = 0;
  if (!U_NAV_bParsePosition(bLat ? D_POSITION_LAT : D_POSITION_LON, EW_pText(bLat), &d, s_WptEdit.ePosFormat,
                            s_WptEdit.nLang)) {
    return FALSE;
  }
  const double limit = bLat ? 90.0 : 180.0;
  if (!(fabs(d) <= limit)) return FALSE;
  *pd = d;
  return TRUE;
}

// A changed text that does not read keeps the editor in its value.
BOOLEAN EW_bCheck(BOOLEAN bLat) {
  double d = 0;
  if (!(bLat ? s_WptEdit.bLatDirty : s_WptEdit.bLonDirty) || EW_bRead(bLat, &d)) return TRUE;
  T_NAV_vSetNavUIError(bLat ? Invalid_Latitude : Invalid_Longitude);
  return FALSE;
}

BOOLEAN EW_bPosLeave(BOOLEAN bLat, WPT_EDIT_STATE eNext) {
  if (!EW_bCheck(bLat)) return FALSE;
  s_WptEdit.nPosition = 0;
  s_WptEdit.eState = eNext;
  return TRUE;
}

BOOLEAN EW_bPosRight(BOOLEAN bLat) {
  const char* s = EW_pText(bLat);
  const S32 step = (S32)EW_u32Step();
  const S32 length = EW_s32Length(s);
  for (S32 n = s_WptEdit.nPosition + step; n < length; n += step) {
    if (EW_bDigit(EW_u16At(s, n))) {
      s_WptEdit.nPosition = n;
      return TRUE;
    }
  }
  return EW_bPosLeave(bLat, bLat ? WPT_EDIT_LON : WPT_EDIT_ICON);
}

BOOLEAN EW_bPosLeft(BOOLEAN bLat) {
  const char* s = EW_pText(bLat);
  const S32 step = (S32)EW_u32Step();
  if (s_WptEdit.nPosition <= 0) return EW_bPosLeave(bLat, bLat ? WPT_EDIT_LAT : WPT_EDIT_LON);
  S32 n = s_WptEdit.nPosition - step;
  while (n > 0 && !EW_bDigit(EW_u16At(s, n))) n -= step;
  s_WptEdit.nPosition = n < 0 ? 0 : n;
  return TRUE;
}

// ---- saving

BOOLEAN EW_bSaveCommon(void) {
  WAYPOINT w = s_WptEdit.Waypoint;
  if (s_WptEdit.bLatDirty || s_WptEdit.bLonDirty) {
    POSITION pos = {};
    if (!EW_bCheck(TRUE) || !EW_bCheck(FALSE)) return FALSE;
    EW_bRead(TRUE, &pos.lat);
    EW_bRead(FALSE, &pos.lon);
    U32 datum = 0;
    if (H_DATABASE_bFetchU32(FCID("SDTM"), &datum, nullptr, nullptr)) {
      Datum_2_WGS84((DATUM_PLANE)datum, pos.lat, pos.lon, &pos.lat, &pos.lon);
    }
    POINT pt = {};
    if (nv_DegrToMeter(&pos, &pt) < NV_WARN_BASE) {
      T_NAV_vSetNavUIError(s_WptEdit.bLatDirty ? Invalid_Latitude : Invalid_Longitude);
      return FALSE;
    }
    if (s_WptEdit.bLatDirty) w.pt.y = pt.y;
    if (s_WptEdit.bLonDirty) w.pt.x = pt.x;
  }
  NAV_EDIT_vNarrowName(w.sName, s_WptEdit.Waypoint.sName, NAV_WAYPOINT_NAME_SIZE);
  if (!T_NAV_bSaveWaypoint(s_WptEdit.nIndex, &w, FALSE, FALSE)) return FALSE;
  const NAV_EDIT_INDEX_CALLBACK pSave = s_WptEdit.pSave;
  NAV_EDIT_vClose();
  if (pSave != nullptr) pSave(s_WptEdit.nIndex);
  return TRUE;
}

// ---- keys

typedef BOOLEAN (*EW_ACTION)(void);

// Directions NORTH, EAST, SOUTH, WEST.
constexpr EW_ACTION s_apAction[WPT_EDIT_STATE_COUNT][4] = {
    {nullptr, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
    {T_NAV_bEWNameUp, T_NAV_bEWNameRight, T_NAV_bEWNameDown, T_NAV_bEWNameLeft},
    {nullptr, nullptr, nullptr, nullptr},
    {T_NAV_bEWLatUp, T_NAV_bEWLatRight, T_NAV_bEWLatDown, T_NAV_bEWLatLeft},
    {nullptr, nullptr, nullptr, nullptr},
    {T_NAV_bEWLonUp, T_NAV_bEWLonRight, T_NAV_bEWLonDown, T_NAV_bEWLonLeft},
    {nullptr, nullptr, nullptr, nullptr},
    {T_NAV_bEWIconUp, nullptr, T_NAV_bEWIconDown, nullptr},
    {nullptr, T_NAV_bEWSave, nullptr, nullptr},
};

WPT_EDIT_STATE EW_eNext(WPT_EDIT_STATE e, U32 dir) {
  // A fixed point (status 3) has only its name to edit.
  const BOOLEAN bFixed = s_WptEdit.Waypoint.u8Status == WPT_STATUS_FIXED;
  static const U8 s_aeNextState[WPT_EDIT_STATE_COUNT][4] = {
      {0, 0, 0, 0}, {1, 2, 3, 1}, {0, 0, 0, 0}, {1, 4, 5, 1}, {0, 0, 0, 0},
      {3, 6, 7, 3}, {0, 0, 0, 0}, {5, 8, 9, 5}, {0, 0, 0, 0}, {7, 0, 9, 7},
  };
  if (bFixed && e == WPT_EDIT_NAME && dir == 2) return WPT_EDIT_SAVE;
  if (bFixed && e == WPT_EDIT_SAVE && (dir == 0 || dir == 3)) return WPT_EDIT_NAME;
  return (WPT_EDIT_STATE)s_aeNextState[e][dir];
}

void EW_vExit(void) {
  switch (s_WptEdit.eState) {
    case WPT_EDIT_NONE:
      NAV_EDIT_vClose();
      return;
    case WPT_EDIT_NAME_VALUE:
      EW_vTrimName(s_WptEdit.nPosition + 2);
      s_WptEdit.eState = WPT_EDIT_NAME;
      break;
    case WPT_EDIT_LAT_VALUE:
    case WPT_EDIT_LON_VALUE: {
      const BOOLEAN bLat = s_WptEdit.eState == WPT_EDIT_LAT_VALUE;
      if (!EW_bPosLeave(bLat, bLat ? WPT_EDIT_LAT : WPT_EDIT_LON)) {
        NAV_EDIT_vClick(FALSE);
        return;
      }
      break;
    }
    case WPT_EDIT_ICON_VALUE:
      s_WptEdit.eState = WPT_EDIT_ICON;
      break;
    default:
      if (s_WptEdit.bDirty) {
        NAV_EDIT_vAsk(Save_Changes, T_NAV_vEWCancel, T_NAV_vEWSave);
      } else {
        const NAV_EDIT_INDEX_CALLBACK pCancel = s_WptEdit.pCancel;
        NAV_EDIT_vClose();
        if (pCancel != nullptr) pCancel(s_WptEdit.nIndex);
      }
      NAV_EDIT_vClick(TRUE);
      return;
  }
  s_WptEdit.nPosition = 0;
  NAV_EDIT_vClick(TRUE);
}

}  // namespace

// ---------------------------------------------------------------------------
// Fields

U16 NAV_EDIT_u16StepNameChar(U32 nLang, U16 c, BOOLEAN bUp) {
  // The narrow alphabets are 8-bit text; English steps the wide one.
  if (U_WSTRING_bIsUnicodeLanguage() || nCurrentLanguage() == LANGUAGE_ENGLISH) {
    return bUp ? T_NAV_u16NextWCharInAlphabet(nLang, c) : T_NAV_u16PrevWCharInAlphabet(nLang, c);
  }
  const char cThis = c > 0xFF ? '\0' : (char)c;
  return (U8)(bUp ? T_NAV_cNextCharInAlphabet(nLang, cThis) : T_NAV_cPrevCharInAlphabet(nLang, cThis));
}

void NAV_EDIT_vNarrowName(char* pStored, const char* pWide, U32 u32Size) {
  if (U_WSTRING_bIsUnicodeLanguage()) {
    memcpy(pStored, pWide, u32Size);
    return;
  }
  char narrow[NAV_ROUTE_NAME_SIZE] = {};
  if (u32Size > sizeof narrow) u32Size = sizeof narrow;
  U_WSTRING_vUnicode2Ascii(narrow, pWide, u32Size, TRUE);
  memcpy(pStored, narrow, u32Size);
}

BOOLEAN T_NAV_bEWIconUp(void) {
  U8& icon = s_WptEdit.Waypoint.u8Icon;
  icon = icon == 0 || icon > WPT_ICON_LAST ? WPT_ICON_LAST : (U8)(icon - 1);
  if (icon == WPT_ICON_SKIPPED) icon--;
  s_WptEdit.bDirty = TRUE;
  return TRUE;
}

BOOLEAN T_NAV_bEWIconDown(void) {
  U8& icon = s_WptEdit.Waypoint.u8Icon;
  icon = icon >= WPT_ICON_LAST ? 0 : (U8)(icon + 1);
  if (icon == WPT_ICON_SKIPPED) icon++;
  s_WptEdit.bDirty = TRUE;
  return TRUE;
}

BOOLEAN T_NAV_bEWNameUp(void) { return EW_bNameStep(TRUE); }
BOOLEAN T_NAV_bEWNameDown(void) { return EW_bNameStep(FALSE); }

BOOLEAN T_NAV_bEWNameRight(void) {
  if (s_WptEdit.nPosition < WPT_NAME_LAST) {
    s_WptEdit.nPosition += 2;
    if (EW_u16Name(s_WptEdit.nPosition) == 0) EW_vName(s_WptEdit.nPosition, ' ');
    return TRUE;
  }
  EW_vTrimName(WPT_NAME_LAST + 2);
  s_WptEdit.nPosition = 0;
  s_WptEdit.eState = s_WptEdit.Waypoint.u8Status == WPT_STATUS_FIXED ? WPT_EDIT_SAVE : WPT_EDIT_LAT;
  return TRUE;
}

BOOLEAN T_NAV_bEWNameLeft(void) {
  const S32 n = s_WptEdit.nPosition;
  if (n >= 0 && n <= WPT_NAME_LAST && EW_u16Name(n) == ' ' && (n == WPT_NAME_LAST || EW_u16Name(n + 2) == 0)) {
    EW_vName(n, 0);
  }
  s_WptEdit.nPosition -= 2;
  if (s_WptEdit.nPosition < 0) {
    s_WptEdit.nPosition = 0;
    s_WptEdit.eState = WPT_EDIT_NAME;
  }
  return TRUE;
}

BOOLEAN T_NAV_bEWLatUp(void) { return EW_bPosStep(TRUE, TRUE); }
BOOLEAN T_NAV_bEWLatDown(void) { return EW_bPosStep(TRUE, FALSE); }
BOOLEAN T_NAV_bEWLatRight(void) { return EW_bPosRight(TRUE); }
BOOLEAN T_NAV_bEWLatLeft(void) { return EW_bPosLeft(TRUE); }
BOOLEAN T_NAV_bEWLonUp(void) { return EW_bPosStep(FALSE, TRUE); }
BOOLEAN T_NAV_bEWLonDown(void) { return EW_bPosStep(FALSE, FALSE); }
BOOLEAN T_NAV_bEWLonRight(void) { return EW_bPosRight(FALSE); }
BOOLEAN T_NAV_bEWLonLeft(void) { return EW_bPosLeft(FALSE); }

BOOLEAN T_NAV_bEWSave(void) { return EW_bSaveCommon(); }

void T_NAV_vEWSave(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  const BOOLEAN bOpen = s_eNavEditState == NAV_EDIT_WAYPOINT;
  const BOOLEAN bSaved = bOpen && EW_bSaveCommon();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  if (bOpen) NAV_EDIT_vClick(bSaved);
}

void T_NAV_vEWCancel(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  const BOOLEAN bOpen = s_eNavEditState == NAV_EDIT_WAYPOINT;
  const NAV_EDIT_INDEX_CALLBACK pCancel = s_WptEdit.pCancel;
  if (bOpen) NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  if (bOpen && pCancel != nullptr) pCancel(s_WptEdit.nIndex);
}

// ---------------------------------------------------------------------------
// Opening and keys

BOOLEAN T_NAV_EDIT_bEditWaypointSetup(U32 nIndex, NAV_EDIT_INDEX_CALLBACK pSave, NAV_EDIT_INDEX_CALLBACK pCancel,
                                      NAV_EDIT_TEXT pTitle) {
  const WAYPOINT* pWaypoint = T_NAV_pGetWaypoint(nIndex);
  if (pWaypoint == nullptr) return FALSE;
  L_MUTEX_LockWait(RES_NAV_EDIT);
  NAV_WPT_EDIT& e = s_WptEdit;
  e = NAV_WPT_EDIT{};
  e.eState = WPT_EDIT_NAME;
  e.nIndex = nIndex;
  e.Waypoint = *pWaypoint;
  char name[NAV_WAYPOINT_NAME_SIZE] = {};
  memcpy(name, pWaypoint->sName, sizeof name - 2);
  U_WSTRING_vAscii2Unicode(e.Waypoint.sName, name, NAV_WAYPOINT_NAME_SIZE - 2, TRUE);
  e.ePosFormat = (NAV_FORMAT_ENUM)NAV_EDIT_u32Setting(FCID("SIPF"), 6);
  e.nLang = nCurrentLanguage();
  e.pSave = pSave;
  e.pCancel = pCancel;
  POSITION pos = {};
  nv_MeterToDegr(&pWaypoint->pt, &pos);
  U32 datum = 0;
  if (H_DATABASE_bFetchU32(FCID("SDTM"), &datum, nullptr, nullptr)) {
    WGS84_2_Datum(pos.lat, pos.lon, &pos.lat, &pos.lon, (DATUM_PLANE)datum);
  }
  U_NAV_vFormatPosition(D_POSITION_LAT, pos.lat, e.sLat, e.ePosFormat, e.nLang, IPS_SPACE);
  U_NAV_vFormatPosition(D_POSITION_LON, pos.lon, e.sLon, e.ePosFormat, e.nLang, IPS_SPACE);
  NAV_EDIT_vOpen(NAV_EDIT_WAYPOINT, pTitle);
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return TRUE;
}

BOOLEAN T_NAV_bEditWaypointHandleKeys(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->key == HKEY_MASK_EXIT) {
    EW_vExit();
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return FALSE;
  U32 dir = 0;
  switch (pMsg->cursor) {
    case CURSOR_NORTH: dir = 0; break;
    case CURSOR_EAST: dir = 1; break;
    case CURSOR_SOUTH: dir = 2; break;
    case CURSOR_WEST: dir = 3; break;
    default: return TRUE;
  }
  const WPT_EDIT_STATE e = s_WptEdit.eState < WPT_EDIT_STATE_COUNT ? s_WptEdit.eState : WPT_EDIT_NONE;
  if (s_apAction[e][dir] != nullptr) {
    if (!s_apAction[e][dir]()) {
      NAV_EDIT_vClick(FALSE);
    } else if (pMsg->count <= 1) {
      NAV_EDIT_vClick(TRUE);
    }
    return TRUE;
  }
  const WPT_EDIT_STATE next = EW_eNext(e, dir);
  if (next != WPT_EDIT_NONE) {
    s_WptEdit.eState = next;
    s_WptEdit.nPosition = 0;
    NAV_EDIT_vClick(TRUE);
  }
  return TRUE;
}
