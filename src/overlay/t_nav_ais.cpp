// The AIS screens of the overlay: the CPA/TCPA limits editor (state 10,
// drawn by the overlay dispatcher) and the target list (state 11, a layer of
// its own). Both records are guarded by mutex 10; the pool by mutex 68,
// always taken after 10.

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_iconset.h"
#include "g_image32.h"
#include "g_line.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_info.h"
#include "t_nav_values.h"
#include "t_nav_edit_int.h"
#include "t_nmea_ais.h"
#include "u_convert.h"
#include "u_datum.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

NAV_AIS_EDIT s_AisEdit;
NAV_AIS_TARGETS s_AisList;

// ---------------------------------------------------------------------------
// Limits editor

namespace {

// The check key of the value dialogs.
constexpr U32 AIS_KEY_CHECK = 0x200;
constexpr double AIS_CPA_MAX = 99.99;  // in the unit shown, as the five digits hold it
constexpr U32 AIS_TCPA_MAX_MIN = 99 * 60 + 59;

BOOLEAN AIS_bDigit(char c) { return c >= '0' && c <= '9'; }

char* AIS_pValue(AIS_EDIT_STATE state) {
  if (state == AIS_EDIT_CPA_VALUE) return s_AisEdit.sCPA;
  if (state == AIS_EDIT_TCPA_VALUE) return s_AisEdit.sTCPA;
  return nullptr;
}

// The CPA limit is stored in nautical miles and edited in the user's
// distance unit.
UNIT_TYPE AIS_eCpaUnits(void) {
  const UNIT_TYPE eUnits = H_DATABASE_CurrentUnits(D_DISTANCE);
  // Bare nautical miles have no text; their pairing with feet is named "nm".
  return eUnits == U_NONE || eUnits == U_NAUT_MILES ? U_NAUT_MILES_FT : eUnits;
}

}  // namespace

void T_NAV_vAisLimitsFormat(void) {
  // Stored values may come from the PC link or the test port: they are
  // brought into the dd.dd and hh:mm forms before formatting.
  double d = dGenericConvert(s_AisEdit.fCPA, U_NAUT_MILES, AIS_eCpaUnits());
  if (!(d >= 0.0)) d = 0.0;
  if (d > AIS_CPA_MAX) d = AIS_CPA_MAX;
  U32 t = s_AisEdit.nTCPA;
  if (t > AIS_TCPA_MAX_MIN) t = AIS_TCPA_MAX_MIN;
  snprintf(s_AisEdit.sCPA, sizeof s_AisEdit.sCPA, "%05.2f", d);
  snprintf(s_AisEdit.sTCPA, sizeof s_AisEdit.sTCPA, "%02u:%02u", (unsigned)(t / 60), (unsigned)(t % 60));
}

void T_NAV_EDIT_vAisLimitsSetUp(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  NAV_EDIT_vClose();
  s_AisEdit.eState = AIS_EDIT_CPA;
  s_AisEdit.nPosition = 0;
  s_AisEdit.bCPADirty = FALSE;
  s_AisEdit.bTCPADirty = FALSE;
  s_AisEdit.nLang = nCurrentLanguage();
  float f = 0;
  if (H_DATABASE_bFetchFloat(FCID("SCPA"), &f, nullptr, nullptr)) s_AisEdit.fCPA = f;
  U32 t = 0;
  if (H_DATABASE_bFetchU32(FCID("STCP"), &t, nullptr, nullptr)) s_AisEdit.nTCPA = t;
  T_NAV_vAisLimitsFormat();
  NAV_EDIT_vOpen(NAV_EDIT_AIS_CPA_LIMIT, CPA_Limits);
  L_MUTEX_Unlock(RES_NAV_EDIT);
}

void T_NAV_vAisLimitsUp(AIS_EDIT_STATE state) {
  char* p = AIS_pValue(state);
  if (p == nullptr || s_AisEdit.nPosition < 0 || (size_t)s_AisEdit.nPosition >= strlen(p)) return;
  char& c = p[s_AisEdit.nPosition];
  if (!AIS_bDigit(c)) return;
  c = c == '9' ? '0' : (char)(c + 1);
  (state == AIS_EDIT_CPA_VALUE ? s_AisEdit.bCPADirty : s_AisEdit.bTCPADirty) = TRUE;
}

void T_NAV_vAisLimitsDown(AIS_EDIT_STATE state) {
  char* p = AIS_pValue(state);
  if (p == nullptr || s_AisEdit.nPosition < 0 || (size_t)s_AisEdit.nPosition >= strlen(p)) return;
  char& c = p[s_AisEdit.nPosition];
  if (!AIS_bDigit(c)) return;
  c = c == '0' ? '9' : (char)(c - 1);
  (state == AIS_EDIT_CPA_VALUE ? s_AisEdit.bCPADirty : s_AisEdit.bTCPADirty) = TRUE;
}

void T_NAV_vAisLimitsRight(AIS_EDIT_STATE state) {
  const char* p = AIS_pValue(state);
  if (p == nullptr) return;
  const S32 n = (S32)strlen(p);
  for (S32 i = s_AisEdit.nPosition + 1; i < n; i++) {
    if (AIS_bDigit(p[i])) {
      s_AisEdit.nPosition = i;
      return;
    }
  }
  s_AisEdit.nPosition = 0;
  s_AisEdit.eState = state == AIS_EDIT_CPA_VALUE ? AIS_EDIT_TCPA : AIS_EDIT_SAVE;
}

void T_NAV_vAisLimitsLeft(AIS_EDIT_STATE state) {
  const char* p = AIS_pValue(state);
  if (p == nullptr) return;
  if (s_AisEdit.nPosition <= 0) {
    s_AisEdit.nPosition = 0;
    s_AisEdit.eState = state == AIS_EDIT_CPA_VALUE ? AIS_EDIT_CPA : AIS_EDIT_TCPA;
    return;
  }
  for (S32 i = s_AisEdit.nPosition - 1; i >= 0; i--) {
    if (AIS_bDigit(p[i])) {
      s_AisEdit.nPosition = i;
      return;
    }
  }
}

BOOLEAN T_NAV_bAisLimitsSaveCPA(void) {
  if (!s_AisEdit.bCPADirty) return TRUE;
  double d = 0;
  if (sscanf(s_AisEdit.sCPA, "%lf", &d) != 1) return FALSE;
  const float f = (float)dGenericConvert(d, AIS_eCpaUnits(), U_NAUT_MILES);
  s_AisEdit.fCPA = f;
  // The store answers TRUE when it refused the value.
  return !H_DATABASE_bUpdateValueFloat(FCID("SCPA"), f, P_NORMAL);
}

BOOLEAN T_NAV_EDIT_bAisLimitsSaveTCPAUsingCheckKey(void) {
  if (!s_AisEdit.bTCPADirty) return TRUE;
  const char* p = s_AisEdit.sTCPA;
  if (!AIS_bDigit(p[0]) || !AIS_bDigit(p[1]) || !AIS_bDigit(p[3]) || !AIS_bDigit(p[4])) return FALSE;
  // The minute field is kept to 0-59 so that the stored value reads back as
  // the same hours and minutes.
  U32 minutes = (U32)((p[3] - '0') * 10 + (p[4] - '0'));
  if (minutes > 59) minutes = 59;
  s_AisEdit.nTCPA = (U32)((p[0] - '0') * 10 + (p[1] - '0')) * 60 + minutes;
  T_NAV_vAisLimitsFormat();
  return !H_DATABASE_bUpdateValueU32(FCID("STCP"), s_AisEdit.nTCPA, P_NORMAL);
}

void T_NAV_vAisLimitsSave(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  if (s_eNavEditState != NAV_EDIT_AIS_CPA_LIMIT) {
    L_MUTEX_Unlock(RES_NAV_EDIT);
    return;
  }
  const BOOLEAN bCPA = T_NAV_bAisLimitsSaveCPA();
  const BOOLEAN bTCPA = T_NAV_EDIT_bAisLimitsSaveTCPAUsingCheckKey();
  // A refused write keeps the editor open so the user sees nothing was
  // stored and may try again or leave.
  const BOOLEAN bStored = bCPA && bTCPA;
  if (bStored) NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  NAV_EDIT_vClick(bStored);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_NAV_vAisLimitsCancel(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  const BOOLEAN bOurs = s_eNavEditState == NAV_EDIT_AIS_CPA_LIMIT;
  if (bOurs) NAV_EDIT_vClose();
  L_MUTEX_Unlock(RES_NAV_EDIT);
  if (bOurs) NAV_EDIT_vClick(TRUE);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

namespace {

void AIS_vLimitsClose(void) {
  if (s_AisEdit.bCPADirty || s_AisEdit.bTCPADirty) {
    NAV_EDIT_vAsk(Save_Changes, T_NAV_vAisLimitsCancel, T_NAV_vAisLimitsSave);
  } else {
    NAV_EDIT_vClose();
  }
  NAV_EDIT_vClick(TRUE);
}

void AIS_vRow(AIS_EDIT_STATE e) {
  s_AisEdit.eState = e;
  s_AisEdit.nPosition = 0;
  NAV_EDIT_vClick(TRUE);
}

}  // namespace

BOOLEAN T_NAV_bAisLimitsHandleKeys(const MSG_KEY_CHANGE* pMsg) {
  NAV_AIS_EDIT& s = s_AisEdit;
  const BOOLEAN bValue = s.eState == AIS_EDIT_CPA_VALUE || s.eState == AIS_EDIT_TCPA_VALUE;
  if (pMsg->key == HKEY_MASK_EXIT) {
    if (bValue) {
      AIS_vRow(s.eState == AIS_EDIT_CPA_VALUE ? AIS_EDIT_CPA : AIS_EDIT_TCPA);
    } else {
      AIS_vLimitsClose();
    }
    return TRUE;
  }
  // MENU is the keypad's check key in a value dialog.
  if (pMsg->key == AIS_KEY_CHECK || (bValue && pMsg->key == HKEY_MASK_MENU)) {
    if (s.eState == AIS_EDIT_CPA_VALUE || s.eState == AIS_EDIT_TCPA_VALUE) {
      const BOOLEAN bCPA = s.eState == AIS_EDIT_CPA_VALUE;
      if (!(bCPA ? T_NAV_bAisLimitsSaveCPA() : T_NAV_EDIT_bAisLimitsSaveTCPAUsingCheckKey())) {
        NAV_EDIT_vClick(FALSE);
        return TRUE;
      }
      AIS_vRow(bCPA ? AIS_EDIT_TCPA : AIS_EDIT_SAVE);
    }
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return FALSE;
  const CURSOR_POSITION c = pMsg->cursor;
  switch (s.eState) {
    case AIS_EDIT_CPA:
      if (c == CURSOR_SOUTH) AIS_vRow(AIS_EDIT_TCPA);
      if (c == CURSOR_EAST) AIS_vRow(AIS_EDIT_CPA_VALUE);
      break;
    case AIS_EDIT_TCPA:
      if (c == CURSOR_NORTH || c == CURSOR_WEST) AIS_vRow(AIS_EDIT_CPA);
      if (c == CURSOR_SOUTH) AIS_vRow(AIS_EDIT_SAVE);
      if (c == CURSOR_EAST) AIS_vRow(AIS_EDIT_TCPA_VALUE);
      break;
    case AIS_EDIT_SAVE:
      if (c == CURSOR_NORTH || c == CURSOR_WEST) AIS_vRow(AIS_EDIT_TCPA);
      if (c == CURSOR_SOUTH) NAV_EDIT_vClick(FALSE);
      if (c == CURSOR_EAST) {
        NAV_EDIT_vAsk(Save_Changes, T_NAV_vAisLimitsCancel, T_NAV_vAisLimitsSave);
        NAV_EDIT_vClick(TRUE);
      }
      break;
    case AIS_EDIT_CPA_VALUE:
    case AIS_EDIT_TCPA_VALUE:
      if (c == CURSOR_NORTH) T_NAV_vAisLimitsUp(s.eState);
      if (c == CURSOR_SOUTH) T_NAV_vAisLimitsDown(s.eState);
      if (c == CURSOR_EAST) T_NAV_vAisLimitsRight(s.eState);
      if (c == CURSOR_WEST) T_NAV_vAisLimitsLeft(s.eState);
      if (pMsg->count <= 1) NAV_EDIT_vClick(TRUE);
      break;
    default:
      break;
  }
  return TRUE;
}

namespace {

// One program character of a narrow value in the screen's text width.
void AIS_vChar(BITMAP* pBitmap, COLOR color, S32 xCentre, S32 y, const FONT_DEF* pFont, char c) {
  char narrow[2] = {c, 0};
  char text[6] = {};
  U_WSTRING_vAscii2Unicode(text, narrow, 2, U_WSTRING_bIsUnicodeLanguage());
  POINT at = {xCentre - (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)text) / 2, y};
  G_STRING_vPut(pBitmap, color, &at, pFont, (const BYTE*)text);
}

void AIS_vTitleBar(BITMAP* pBitmap, S32 x0, S32 y, U32 w, const char* pTitle, S32 yText) {
  POINT at = {x0, y};
  G_BOX_vDraw(pBitmap, NAV_EDIT_color(32), &at, w, 40);
  at = {x0 + 1, y + 1};
  G_BOX_vDrawFilled(pBitmap, NAV_EDIT_color(238), &at, w - 2, 38);
  NAV_EDIT_vHLine(pBitmap, 236, x0 + 1, x0 + (S32)w - 2, y + 38);
  NAV_EDIT_vHLine(pBitmap, 239, x0 + 2, x0 + (S32)w - 2, y + 1);
  const FONT_DEF* pFont = NAV_EDIT_pBoldFont();
  NAV_EDIT_vText(pBitmap, x0 + ((S32)w - (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pTitle)) / 2, yText, pFont,
                 pTitle);
}

// A row's value as its value dialog edits it, then its unit (a catalogue
// text, or null), right-aligned before the row's arrow, in the screen's text
// width.
void AIS_vRowValue(BITMAP* pBitmap, S32 xRight, S32 y, const char* pNarrow, const char* pUnit = nullptr) {
  char text[64] = {};
  U_WSTRING_vAscii2Unicode(text, pNarrow, 30, U_WSTRING_bIsUnicodeLanguage());
  if (pUnit != nullptr) U_WSTRING_vw_strncat(text, pUnit, 30, FALSE);
  NAV_EDIT_vTextRight(pBitmap, xRight, y, NAV_EDIT_pBoldFont(), text);
}

void AIS_vValueDialog(BITMAP* pBitmap) {
  const NAV_AIS_EDIT& s = s_AisEdit;
  const BOOLEAN bCPA = s.eState == AIS_EDIT_CPA_VALUE;
  const S32 o = (S32)T_INFO_u32XOrigin();
  const S32 dx = o + (((S32)pBitmap->pixels_wide - 350 - o) >> 1);
  const S32 dy = ((S32)pBitmap->pixels_high - 174) >> 1;
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  // Empty in either text form: a wide language reads two zero bytes.
  static const char s_acNoText[2] = {0, 0};
  U_DIALOG_vDrawDialogWithConfirm(pBitmap, NAV_EDIT_pText(bCPA ? CPA : TCPA, s.nLang), s_acNoText,
                                  bWide ? arialuni_size19_font_def_ptr : myriad_pro_bold_size19_font_def_ptr,
                                  s_acNoText, s_acNoText,
                                  JUSTIFICATION_CENTER, JUSTIFICATION_CENTER, FALSE, FALSE, FALSE, 350);
  const char* p = bCPA ? s.sCPA : s.sTCPA;
  const S32 n = (S32)strlen(p);
  const S32 cell = (S32)G_ICON_u32GetWidth(&QX_Vorne_Text_Editor_Highlight);
  const FONT_DEF* pFont = NAV_EDIT_pBoldFont();
  // The distance's unit follows its digits; the pair is centred together.
  const char* pUnit = bCPA ? H_DATABASE_pcUnitsString(AIS_eCpaUnits(), s.nLang) : "";
  const S32 unit = bCPA ? 2 + (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pUnit) : 0;
  const S32 left = dx + ((350 - (n + 1) * cell - unit) >> 1) + 16;
  const S32 y = dy + 90;
  for (S32 i = 0; i < n; i++) {
    const BOOLEAN bCursor = i == s.nPosition;
    if (bCursor) {
      const POINT at = {left + i * cell, y - 8};
      G_ICON_vPut(pBitmap, &QX_Vorne_Text_Editor_Highlight, &at);
    }
    AIS_vChar(pBitmap, NAV_EDIT_color(bCursor ? 32 : 35), left + i * cell + cell / 2, y, pFont, p[i]);
  }
  if (bCPA) NAV_EDIT_vText(pBitmap, left + n * cell + 2, y, pFont, pUnit);
  // The keypad has no check key: the hint names the key that stands for it.
  const char* pHint = NAV_EDIT_pText(Press_MENU_to_Save, s.nLang);
  const S32 hw = (S32)G_STRING_u32GetWidth(NAV_EDIT_pFont(), (const BYTE*)pHint);
  NAV_EDIT_vText(pBitmap, dx + ((350 - hw) >> 1), dy + 46, NAV_EDIT_pFont(), pHint);
}

}  // namespace

void T_NAV_vAisLimitsRender(BITMAP* pBitmap) {
  const NAV_AIS_EDIT& s = s_AisEdit;
  const S32 o = (S32)T_INFO_u32XOrigin();
  const S32 x0 = o + ((390 - o) >> 1);
  AIS_vTitleBar(pBitmap, x0, 239, 410, NAV_EDIT_pText(s_pNavEditTitle, s.nLang), 251);
  POINT at = {x0, 75};
  G_BOX_vDraw(pBitmap, NAV_EDIT_color(32), &at, 410, 164);
  at = {x0 + 1, 76};
  G_BOX_vDrawFilled(pBitmap, NAV_EDIT_color(238), &at, 408, 163);
  const FONT_DEF* pFont = NAV_EDIT_pBoldFont();
  NAV_EDIT_vText(pBitmap, x0 + 11, 217, pFont, NAV_EDIT_pText(CPA, s.nLang));
  const S32 xValues = x0 + 398 - (S32)G_ICON_u32GetWidth(&QX_Vorne_Action_Arrow);
  AIS_vRowValue(pBitmap, xValues, 217, s.sCPA, H_DATABASE_pcUnitsString(AIS_eCpaUnits(), s.nLang));
  NAV_EDIT_vHLine(pBitmap, 236, x0 + 11, x0 + 399, 185);
  NAV_EDIT_vText(pBitmap, x0 + 11, 163, pFont, NAV_EDIT_pText(TCPA, s.nLang));
  AIS_vRowValue(pBitmap, xValues, 163, s.sTCPA);
  NAV_EDIT_vHLine(pBitmap, 236, x0 + 11, x0 + 399, 131);
  NAV_EDIT_vText(pBitmap, x0 + 11, 109, pFont, NAV_EDIT_pText(Save, s.nLang));
  S32 rowBottom = -1;
  if (s.eState == AIS_EDIT_CPA) rowBottom = 185;
  if (s.eState == AIS_EDIT_TCPA) rowBottom = 131;
  if (s.eState == AIS_EDIT_SAVE) rowBottom = 77;
  if (rowBottom >= 0) {
    NAV_EDIT_vHighlight(pBitmap, x0 + 1, rowBottom, 408, 54);
    const POINT arrow = {x0 + 406 - (S32)G_ICON_u32GetWidth(&QX_Vorne_Action_Arrow), rowBottom + 1};
    G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow, &arrow);
  }
  if (s.eState == AIS_EDIT_CPA_VALUE || s.eState == AIS_EDIT_TCPA_VALUE) AIS_vValueDialog(pBitmap);
}

// ---------------------------------------------------------------------------
// Target list

void T_NAV_vDeleteTargetListIndex(U32 nMMSI, int nIndex) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  if (s_eNavEditState != NAV_AIS_LIST || nMMSI != s_AisList.nMMSI) {
    L_MUTEX_Unlock(RES_NAV_EDIT);
    return;
  }
  L_MUTEX_LockWait(RES_AIS_DATA);
  const U32 n = T_NMEA_u32GetAisNumOfTargets();
  ais_DeviceInfo* pInfo = nullptr;
  if ((U32)nIndex > n - 1 || nIndex == 0) {
    s_AisList.nMMSI = 0;
    if (nIndex > 0 && T_NMEA_bScanAisPoints(nIndex - 1, &pInfo)) s_AisList.nMMSI = pInfo->aisInfo.MMSI;
  } else if (T_NMEA_bScanAisPoints(nIndex, &pInfo)) {
    s_AisList.nMMSI = pInfo->aisInfo.MMSI;
  }
  L_MUTEX_Unlock(RES_AIS_DATA);
  L_MUTEX_Unlock(RES_NAV_EDIT);
}

BOOLEAN T_NAV_vAisTargetListSetup(void) {
  BOOLEAN bOn = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("SAIS"), &bOn, nullptr, nullptr) || !bOn) return FALSE;
  L_MUTEX_LockWait(RES_NAV_EDIT);
  s_AisList.nSelIndex = 0;
  s_AisList.nStartIndex = 0;
  s_AisList.nMMSI = 0;
  L_MUTEX_LockWait(RES_AIS_DATA);
  ais_DeviceInfo* pInfo = nullptr;
  if (!T_NMEA_bScanAisPoints(0, &pInfo)) {
    L_MUTEX_Unlock(RES_AIS_DATA);
    L_MUTEX_Unlock(RES_NAV_EDIT);
    return FALSE;
  }
  s_AisList.nMMSI = pInfo->aisInfo.MMSI;
  s_AisList.nLang = nCurrentLanguage();
  L_MUTEX_Unlock(RES_AIS_DATA);
  NAV_EDIT_vClose();
  s_eNavEditState = NAV_AIS_LIST;
  s_pNavEditTitle = AIS_List;
  U_KEYBOARD_bRegisterKeys(M_NAV, 0xFFEF, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_DIALOG_BOX);
  U_KEYBOARD_bRegisterKeys(M_NAV, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
  U_VIEW_bRegisterLayer(T_NAV_vAisRenderTargetList, NAV_EDIT_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return TRUE;
}

void T_NAV_vAisTargetList(void) { NAV_EDIT_vClick(T_NAV_vAisTargetListSetup()); }

const IMAGE32* T_NAV_pAisShipIcon(U32 u32ShipType) {
  const U32 t = u32ShipType;
  if ((t >= 20 && t <= 29) || t == 33 || t == 34 || t == 38 || t == 39 || (t >= 54 && t <= 59)) return &dredge_boat_0;
  if ((t >= 40 && t <= 49) || t == 53 || (t >= 70 && t <= 89)) return &cargo_boat_0;
  if (t == 30 || t == 37 || (t >= 60 && t <= 69)) return &passenger_boat_0;
  if (t == 50 || t == 52) return &tug_boat_0;
  if (t == 35) return &law_boat_0;
  if (t == 31 || t == 32) return &tow_boat_0;
  if (t == 36) return &sail_boat_0;
  return &unknown_boat_0;
}

// A line of the name column holds ten characters.
constexpr size_t AIS_NAME_LINE = 10;

U32 T_NAV_u32AisSplitName(const char* pName, U32 u32Size, char* sFirst, char* sSecond) {
  char name[22] = {};
  // Zeroed whole: an empty line read as text of the current language's form
  // would otherwise take the bytes after its terminator for wide letters.
  memset(sFirst, 0, 22);
  memset(sSecond, 0, 22);
  size_t n = strnlen(pName, u32Size < 20 ? u32Size : 20);
  while (n > 0 && pName[n - 1] == ' ') n--;
  memcpy(name, pName, n);
  if (n <= AIS_NAME_LINE) {
    snprintf(sFirst, 22, "%s", name);
    sSecond[0] = 0;
    return 1;
  }
  // Words stay whole where a space lets both lines hold their part: the
  // last such space wins, so the first line takes as much as it can.
  for (size_t at = AIS_NAME_LINE; at > 0; at--) {
    if (name[at] != ' ') continue;
    size_t first = at, rest = at + 1;
    while (first > 0 && name[first - 1] == ' ') first--;
    while (rest < n && name[rest] == ' ') rest++;
    if (first == 0 || n - rest > AIS_NAME_LINE) continue;
    snprintf(sFirst, 22, "%.*s", (int)first, name);
    snprintf(sSecond, 22, "%s", name + rest);
    return 2;
  }
  snprintf(sFirst, 22, "%.10s-", name);
  snprintf(sSecond, 22, "%s", name + AIS_NAME_LINE);
  return 2;
}

namespace {

// A cell's ASCII text, and what follows it (a unit, in the current
// language's form) when there is one.
void AIS_vCell(BITMAP* pBitmap, S32 x, S32 y, const FONT_DEF* pFont, const char* pText,
               const char* pcAfter = nullptr) {
  char text[160] = {};
  U_WSTRING_vAscii2Unicode(text, pText, 94, FALSE);
  if (pcAfter != nullptr) U_WSTRING_vw_strncat(text, pcAfter, 40, FALSE);
  NAV_EDIT_vText(pBitmap, x, y, pFont, text);
}

// AIS gives speeds in knots; the list shows the user's speed unit.
UNIT_TYPE AIS_eSpeedUnits(void) {
  const UNIT_TYPE eUnits = H_DATABASE_CurrentUnits(D_SPEED);
  return eUnits == U_NONE ? U_KNOTS : eUnits;
}

// The pool holds a TCPA of 0 for a target until both ships have a place:
// before the own fix that would read as a collision now.
BOOLEAN AIS_bTcpaKnown(const aisTargetINFO& a) {
  S32 s32Coordinate = 0;
  BOOLEAN bLat = FALSE, bLon = FALSE;
  return a.validityFlag[SHIPPOS_FLAG_INDEX] && H_DATABASE_bFetchS32(FCID("ILAT"), &s32Coordinate, &bLat, nullptr) &&
         bLat && H_DATABASE_bFetchS32(FCID("ILON"), &s32Coordinate, &bLon, nullptr) && bLon;
}

// The ship's icon inside the row, clear of the list's frame and of the
// highlight drawn along its left edge, upright in the row's middle; the name
// and its heading follow it.
constexpr S32 AIS_ICON_X = 8;
constexpr S32 AIS_ROW_PITCH = 47;
constexpr S32 AIS_ROW_BELOW_BASELINE = 19;  // from a row's baseline down to its rule
// The last message's head is the widest in the wide face: its column takes
// room from the MMSI's, whose nine digits need less.
constexpr S32 AIS_MMSI_RULE_X = 265;
constexpr S32 AIS_LAST_MESSAGE_X = AIS_MMSI_RULE_X + 10;

S32 AIS_nNameX(S32 w) { return AIS_ICON_X + w + 4; }

constexpr S32 AIS_LIST_WIDTH = 640;

// The list is centred in the room right of the data-box column. The big
// digits' column leaves less than the list's width: there the list stands
// against the screen's right edge, over the column, so that none of its
// columns is cut off.
S32 AIS_s32ListLeft(S32 s32ScreenWidth) {
  const S32 o = (S32)T_INFO_u32XOrigin();
  S32 x0 = o + ((s32ScreenWidth - AIS_LIST_WIDTH - o) >> 1);
  if (x0 + AIS_LIST_WIDTH > s32ScreenWidth) x0 = s32ScreenWidth - AIS_LIST_WIDTH;
  return x0 < 0 ? 0 : x0;
}

void AIS_vRow(BITMAP* pBitmap, const ais_DeviceInfo* pInfo, S32 x0, S32 w, S32 y, const FONT_DEF* pFont) {
  const aisTargetINFO& a = pInfo->aisInfo;
  const IMAGE32* pIcon = T_NAV_pAisShipIcon(a.ShipType);
  const POINT icon = {x0 + AIS_ICON_X, y - AIS_ROW_BELOW_BASELINE + (AIS_ROW_PITCH - pIcon->s32Height) / 2};
  G_IMAGE32_vPut(pBitmap, pIcon, &icon);
  // The MMSI has a column of its own: the name column stays empty rather
  // than show it twice.
  char label[sizeof a.Name], first[22], second[22];
  if (!T_NMEA_bAisLabel(&a, label, sizeof label)) label[0] = 0;
  if (T_NAV_u32AisSplitName(label, sizeof label, first, second) == 2) {
    AIS_vCell(pBitmap, x0 + AIS_nNameX(w), y + 9, pFont, first);
    AIS_vCell(pBitmap, x0 + AIS_nNameX(w), y - 10, pFont, second);
  } else {
    AIS_vCell(pBitmap, x0 + AIS_nNameX(w), y, pFont, first);
  }
  char text[48];
  snprintf(text, sizeof text, "%lu", (unsigned long)a.MMSI);
  AIS_vCell(pBitmap, x0 + 169, y, pFont, text);
  char sTime[40] = {};
  // The clock time of the last report; without GPS time it has none.
  T_INFO_vFormatTime((time_t)pInfo->ReceiveDateTime, TRUE, TRUE, sTime, nullptr, nullptr);
  NAV_EDIT_vText(pBitmap, x0 + AIS_LAST_MESSAGE_X, y, pFont, sTime);
  if (a.validityFlag[COG_FLAG_INDEX] && isfinite(a.Cog)) {
    // Whole degrees 0-359: 359.6 reads 0, never 360.
    snprintf(text, sizeof text, "%ld", lround(a.Cog) % 360);
    AIS_vCell(pBitmap, x0 + 426, y, pFont, text, NAV_EDIT_pText(Degrees, nCurrentLanguage()));
  }
  // The speed's unit stands in the column's head: a fast target's number
  // and unit together would run into the TCPA.
  if (a.validityFlag[SOG_FLAG_INDEX] && isfinite(a.Sog)) {
    snprintf(text, sizeof text, "%.1f", dGenericConvert(a.Sog, U_KNOTS, AIS_eSpeedUnits()));
    AIS_vCell(pBitmap, x0 + 485, y, pFont, text);
  }
  if (!AIS_bTcpaKnown(a)) {
    AIS_vCell(pBitmap, x0 + 558, y, pFont, "--");
    return;
  }
  // The TCPA is a duration in minutes: shown as hours and minutes, never
  // moved by the time zone as a clock time would be.
  double tcpa = a.TCPA;
  if (!(tcpa >= 0)) tcpa = 0;
  if (tcpa > 99 * 60 + 59) tcpa = 99 * 60 + 59;
  const U32 minutes = (U32)tcpa;
  snprintf(text, sizeof text, "%u:%02u", (unsigned)(minutes / 60), (unsigned)(minutes % 60));
  AIS_vCell(pBitmap, x0 + 558, y, pFont, text);
}

}  // namespace

// The Latin face draws the values' Latin letters and digits in its regular
// weight, and a wide language's characters come from the wide face: the wide
// face's own Latin is bold, and an MMSI in it runs into the next column.
const FONT_DEF* T_NAV_pAisListValueFont(void) { return myriad_pro_size14_font_def_ptr; }

void T_NAV_vAisRenderTargetList(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  const S32 x0 = AIS_s32ListLeft((S32)pBitmap->pixels_wide);
  const S32 w = cargo_boat_0.s32Width;
  const S32 H = (S32)pBitmap->pixels_high;
  L_MUTEX_LockWait(RES_NAV_EDIT);
  if (s_eNavEditState != NAV_AIS_LIST) {
    L_MUTEX_Unlock(RES_NAV_EDIT);
    return;
  }
  NAV_AIS_TARGETS& s = s_AisList;
  if (s.nMMSI != 0) {
    const S32 i = T_NMEA_s32GetAisIndex(s.nMMSI);
    if (i >= 0 && i != s.nSelIndex) {
      s.nStartIndex = i - (s.nSelIndex - s.nStartIndex);
      s.nSelIndex = i;
      if (s.nStartIndex < 0) s.nStartIndex = 0;
    }
  }
  L_MUTEX_LockWait(RES_AIS_DATA);
  const S32 count = (S32)T_NMEA_u32GetAisNumOfTargets();
  const BOOLEAN bFooter = count > 8;
  const S32 bodyH = bFooter ? 440 : 416;
  POINT at = {x0, H - 40 - bodyH};
  G_BOX_vDraw(pBitmap, NAV_EDIT_color(32), &at, AIS_LIST_WIDTH, (U32)bodyH);
  at = {x0 + 1, H - 39 - bodyH};
  G_BOX_vDrawFilled(pBitmap, NAV_EDIT_color(237), &at, 638, (U32)bodyH - 2);
  NAV_EDIT_vHLine(pBitmap, 238, x0 + 1, x0 + 638, at.y);
  AIS_vTitleBar(pBitmap, x0, H - 40, AIS_LIST_WIDTH, NAV_EDIT_pText(AIS_List, nCurrentLanguage()), H - 28);
  NAV_EDIT_vHLine(pBitmap, 236, x0 + 1, x0 + 638, H - 41);
  NAV_EDIT_vHLine(pBitmap, 32, x0 + 1, x0 + 638, H - 79);
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const FONT_DEF* pSmall = bWide ? arialuni_size14_font_def_ptr : myriad_pro_size14_font_def_ptr;
  const FONT_DEF* pValues = T_NAV_pAisListValueFont();
  T_INFO_vDrawText(pBitmap, x0 + AIS_nNameX(w), H - 65, Name, pSmall, s.nLang);
  T_INFO_vDrawText(pBitmap, x0 + 169, H - 65, MMSI, pSmall, s.nLang);
  T_INFO_vDrawText(pBitmap, x0 + AIS_LAST_MESSAGE_X, H - 65, Last_Message, pSmall, s.nLang);
  T_INFO_vDrawText(pBitmap, x0 + 426, H - 65, COG, pSmall, s.nLang);
  // The column holds the target's speed over ground, and its short name
  // fits the column in every language where the word for speed does not.
  // The unit goes on a line of its own: beside the name it would not fit.
  T_INFO_vDrawText(pBitmap, x0 + 485, H - 57, SOG, pSmall, s.nLang);
  NAV_EDIT_vText(pBitmap, x0 + 485, H - 74, pSmall, H_DATABASE_pcUnitsString(AIS_eSpeedUnits(), s.nLang));
  T_INFO_vDrawText(pBitmap, x0 + 558, H - 65, TCPA, pSmall, s.nLang);
  for (const S32 x : {159, AIS_MMSI_RULE_X, 416, 475, 548}) {
    POINT a = {x0 + x, H - 73}, b = {x0 + x, H - 46};
    G_LINE_vDraw(pBitmap, NAV_EDIT_color(236), &a, &b);
    a = {x0 + x, H - 450};
    b = {x0 + x, H - 85};
    G_LINE_vDraw(pBitmap, NAV_EDIT_color(236), &a, &b);
  }
  for (S32 r = 0; r < 7; r++) NAV_EDIT_vHLine(pBitmap, 236, x0 + 11, x0 + 629, H - 126 - 47 * r);
  if (bFooter) {
    POINT rule = {x0 + 11, H - 455};
    T_NAV_vDrawScrollTab(pBitmap, &rule, 618, s.nSelIndex > 0, s.nSelIndex < count - 1);
  }
  ais_DeviceInfo* pInfo = nullptr;
  for (S32 k = s.nStartIndex; k <= s.nStartIndex + 7 && T_NMEA_bScanAisPoints(k, &pInfo); k++) {
    const S32 r = k - s.nStartIndex;
    AIS_vRow(pBitmap, pInfo, x0, w, H - 107 - 47 * r, pValues);
    if (k == s.nSelIndex) {
      const POINT arrow = {x0 + 635 - (S32)G_ICON_u32GetWidth(&QX_Vorne_Action_Arrow), H - 72 - 47 * (r + 1)};
      G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow, &arrow);
      NAV_EDIT_vHighlight(pBitmap, x0 + 1, H - 79 - 47 * (r + 1), 638, 47);
    }
  }
  L_MUTEX_Unlock(RES_AIS_DATA);
  L_MUTEX_Unlock(RES_NAV_EDIT);
}

BOOLEAN T_NAV_bCursorToAisPoint(const ais_DeviceInfo* pAisInfo) {
  L_MUTEX_LockWait(RES_AIS_DATA);
  DB_DATA_TYPE latitude, longitude;
  float heading = 0;
  BOOLEAN bPosition = FALSE, bHdg = FALSE;
  if (!H_DATABASE_bFetchPair(FCID("ILAT"), FCID("ILON"), &latitude, &longitude, &bPosition) || !bPosition ||
      !H_DATABASE_bFetchFloat(FCID("IHDG"), &heading, &bHdg, nullptr)) {
    L_MUTEX_Unlock(RES_AIS_DATA);
    NAV_EDIT_vClick(FALSE);
    return FALSE;
  }
  float hdc = 0;
  if (H_DATABASE_bFetchFloat(FCID("IHDC"), &hdc, nullptr, nullptr)) heading = hdc;
  BOOLEAN bActive = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("ICAC"), &bActive, nullptr, nullptr) || !bActive) {
    H_DATABASE_bUpdateValueBoolean(FCID("ICAC"), TRUE, P_NORMAL);
  }
  if (pAisInfo == nullptr || !pAisInfo->aisInfo.validityFlag[SHIPPOS_FLAG_INDEX]) {
    L_MUTEX_Unlock(RES_AIS_DATA);
    NAV_EDIT_vClick(FALSE);
    return FALSE;
  }
  POSITION deg = {};
  deg.lat = pAisInfo->aisInfo.Latitude;
  deg.lon = pAisInfo->aisInfo.Longitude;
  L_MUTEX_Unlock(RES_AIS_DATA);
  POINT cursor = {};
  nv_DegrToMeter(&deg, &cursor);
  H_DATABASE_bUpdateEverythingS32(FCID("ICLT"), cursor.y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ICLN"), cursor.x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ICHD"), heading, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  double dLat = deg.lat, dLon = deg.lon;
  U32 datum = 0;
  if (H_DATABASE_bFetchU32(FCID("SDTM"), &datum, nullptr, nullptr)) {
    WGS84_2_Datum(deg.lat, deg.lon, &dLat, &dLon, (DATUM_PLANE)datum);
  }
  H_DATABASE_bUpdateEverythingFloat(FCID("ICTD"), (float)dLat, P_NORMAL, D_POSITION_LAT, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ICND"), (float)dLon, P_NORMAL, D_POSITION_LON, nullptr, DB_NEVER_STALE);
  const POINT boat = {longitude.s32Val, latitude.s32Val};
  T_NAV_vUpdateCursorDistAndBearing(&boat, &cursor);
  NAV_EDIT_vClick(TRUE);
  return TRUE;
}

BOOLEAN T_NAV_bAisListHandleKeys(const MSG_KEY_CHANGE* pMsg) {
  NAV_AIS_TARGETS& s = s_AisList;
  if (pMsg->key == HKEY_MASK_EXIT) {
    NAV_EDIT_vClose();
    NAV_EDIT_vClick(TRUE);
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) {
    NAV_EDIT_vClick(FALSE);
    return TRUE;
  }
  L_MUTEX_LockWait(RES_AIS_DATA);
  const S32 count = (S32)T_NMEA_u32GetAisNumOfTargets();
  ais_DeviceInfo* pInfo = nullptr;
  if (pMsg->cursor == CURSOR_NORTH || pMsg->cursor == CURSOR_SOUTH) {
    const S32 step = pMsg->cursor == CURSOR_NORTH ? -1 : 1;
    const S32 next = s.nSelIndex + step;
    if (next < 0 || next >= count || !T_NMEA_bScanAisPoints(next, &pInfo)) {
      NAV_EDIT_vClick(FALSE);
    } else {
      s.nSelIndex = next;
      s.nMMSI = pInfo->aisInfo.MMSI;
      if (s.nSelIndex < s.nStartIndex) s.nStartIndex = s.nSelIndex;
      if (s.nSelIndex > s.nStartIndex + 7) s.nStartIndex = s.nSelIndex - 7;
      if (pMsg->count <= 1) NAV_EDIT_vClick(TRUE);
    }
  } else if (pMsg->cursor == CURSOR_EAST) {
    NAV_EDIT_vClose();
    T_MENU_vRemoveMenus();
    // Mutex 68 counts nested takes: the cursor move takes it again.
    ais_DeviceInfo copy = {};
    const BOOLEAN bHeld = T_NMEA_bScanAisPoints(s.nSelIndex, &pInfo);
    if (bHeld) copy = *pInfo;
    T_NAV_bCursorToAisPoint(bHeld ? &copy : nullptr);
  } else {
    NAV_EDIT_vClick(FALSE);
  }
  L_MUTEX_Unlock(RES_AIS_DATA);
  return TRUE;
}

void T_NAV_vAisCPALimit(void) {
  T_NAV_EDIT_vAisLimitsSetUp();
  NAV_EDIT_vClick(TRUE);
}
