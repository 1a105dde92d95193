// The waypoint editor's screen: its rows, the value being edited drawn one
// character at a time with the cursor around the edited one.

#include <string.h>

#include "g_box.h"
#include "g_icon.h"
#include "g_string.h"
#include "model_current.h"
#include "t_nav_icons.h"
#include "t_nav_edit_draw.h"
#include "t_nav_edit_wpt.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_wstring.h"
#include "ui_texts.h"

namespace {

constexpr S32 WD_X = 289;
constexpr S32 WD_VALUE_X = 432;
constexpr S32 WD_VALUE_END = 664;
constexpr S32 WD_LABEL_X = 300;
constexpr S32 WD_ROW_NAME = 340;
constexpr S32 WD_ROW_STEP = 53;

const NAV_EDIT_TEXT s_aLabels[] = {Name, Latitude, Longitude, Icon};

// The value boxes start at x 432, or past the widest label of a language
// whose labels are longer, and all end at x 664.
S32 WD_s32ValueX(U32 nLang) {
  S32 x = WD_VALUE_X;
  for (const NAV_EDIT_TEXT label : s_aLabels) {
    const S32 end = WD_LABEL_X + (S32)NAV_EDIT_u32Width(NAV_EDIT_pBoldFont(), NAV_EDIT_pText(label, nLang)) + 8;
    if (end > x) x = end;
  }
  return x;
}

void WD_vText(BITMAP* pBitmap, S32 x, S32 y, const char* pText) {
  NAV_EDIT_vInk(pBitmap, x, y, NAV_EDIT_pBoldFont(), pText);
}

// The name while it is edited: 16-bit characters, a preset first.
void WD_vNameValue(BITMAP* pBitmap, S32 xValue, S32 y) {
  const NAV_WPT_EDIT& e = s_WptEdit;
  S32 x = xValue + 8;
  S32 cursor = e.nPosition;
  S32 n = 0;
  const U16 first = (U16)(((U8)e.Waypoint.sName[0] << 8) | (U8)e.Waypoint.sName[1]);
  if (MODEL_bInternationalModel4() && (U8)e.Waypoint.sName[0] > 0xFC) {
    const U32 lang = nCurrentLanguage();
    if (lang >= LANGUAGE_KOREAN && lang <= LANGUAGE_KOREAN + 2) {
      const U32 w = T_NAV_EDIT_u32GetWidthChineseWypt(NAV_EDIT_pBoldFont(), first);
      if (cursor == 0) NAV_EDIT_vRounded(pBitmap, 130, x - 2, y - 5, w + 5, 29, 2, FALSE);
      POINT at = {x, y};
      T_NAV_EDIT_vPutChineseWypt(pBitmap, NAV_EDIT_color(131), &at, NAV_EDIT_pBoldFont(), first);
      x += (S32)w;
    } else if (cursor == 0) {
      cursor = 2;  // a preset takes no room outside its languages
    }
    n = 2;
  }
  for (; n + 1 < (S32)NAV_WAYPOINT_NAME_SIZE; n += 2) {
    const U16 c = (U16)(((U8)e.Waypoint.sName[n] << 8) | (U8)e.Waypoint.sName[n + 1]);
    if (c == 0) break;
    x = NAV_EDIT_s32EditChar(pBitmap, x, y, c, n == cursor);
  }
}

void WD_vPositionValue(BITMAP* pBitmap, S32 xValue, S32 y, const char* s, BOOLEAN bEdited) {
  if (!bEdited) {
    WD_vText(pBitmap, xValue + 8, y, s);
    return;
  }
  const S32 step = U_WSTRING_bIsUnicodeLanguage() ? 2 : 1;
  S32 x = xValue + 8;
  for (S32 n = 0; n + step < (S32)U_NAV_POSITION_TEXT_SIZE; n += step) {
    const U16 c = step == 2 ? (U16)(((U8)s[n] << 8) | (U8)s[n + 1]) : (U8)s[n];
    if (c == 0) break;
    x = NAV_EDIT_s32EditChar(pBitmap, x, y, c, n == s_WptEdit.nPosition);
  }
}

}  // namespace

void T_NAV_vEditWaypointRender(BITMAP* pBitmap) {
  const NAV_WPT_EDIT& e = s_WptEdit;
  NAV_EDIT_vRounded(pBitmap, 128, WD_X, 17, 382, 394, 6, TRUE);
  T_NAV_vDrawTitleBoxString(pBitmap, (const BYTE*)NAV_EDIT_pText(s_pNavEditTitle, e.nLang));
  NAV_EDIT_vRounded(pBitmap, 131, WD_X + 1, 90, 380, 320, 5, FALSE);
  NAV_EDIT_vRounded(pBitmap, 131, WD_X + 2, 91, 378, 318, 3, FALSE);
  NAV_EDIT_vRounded(pBitmap, 129, WD_X + 3, 92, 376, 316, 3, TRUE);

  const S32 xValue = WD_s32ValueX(e.nLang);
  const U32 box = (U32)(WD_VALUE_END - xValue);
  for (U32 row = 0; row < 4; row++) {
    const S32 y = WD_ROW_NAME - (S32)row * WD_ROW_STEP;
    const WPT_EDIT_STATE eRow = (WPT_EDIT_STATE)(WPT_EDIT_NAME + 2 * row);
    WD_vText(pBitmap, WD_LABEL_X, y, NAV_EDIT_pText(s_aLabels[row], e.nLang));
    const BOOLEAN bValue = e.eState == eRow + 1;
    if (bValue) NAV_EDIT_vRounded(pBitmap, 128, xValue, y - 5, box, 33, 3, TRUE);
    NAV_EDIT_vRounded(pBitmap, e.eState == eRow ? 131 : 130, xValue, y - 5, box, 33, 3, FALSE);
  }
  if (e.eState == WPT_EDIT_NAME_VALUE) {
    WD_vNameValue(pBitmap, xValue, WD_ROW_NAME);
  } else {
    char name[NAV_WAYPOINT_NAME_SIZE] = {};
    NAV_EDIT_vNarrowName(name, e.Waypoint.sName, sizeof name);
    POINT at = {xValue + 8, WD_ROW_NAME};
    T_NAV_EDIT_vRenderWyptRteTrkName(pBitmap, NAV_EDIT_color(131), &at, NAV_EDIT_pBoldFont(), name, sizeof name);
  }
  WD_vPositionValue(pBitmap, xValue, WD_ROW_NAME - WD_ROW_STEP, e.sLat, e.eState == WPT_EDIT_LAT_VALUE);
  WD_vPositionValue(pBitmap, xValue, WD_ROW_NAME - 2 * WD_ROW_STEP, e.sLon, e.eState == WPT_EDIT_LON_VALUE);
  const S32 xIcon = xValue + 98, yIcon = WD_ROW_NAME - 3 * WD_ROW_STEP - 6;
  NAV_EDIT_vRounded(pBitmap, 130, xIcon, yIcon, 36, 36, 2, FALSE);
  const ICON* pIcon = T_NAV_pWaypointIcon(e.Waypoint.u8Icon);
  const POINT at = {xIcon + (36 - (S32)G_ICON_u32GetWidth(pIcon)) / 2, yIcon + (36 - (S32)G_ICON_u32GetHeight(pIcon)) / 2};
  G_ICON_vPut(pBitmap, pIcon, &at);

  const S32 ySave = WD_ROW_NAME - 4 * WD_ROW_STEP;
  const char* pSave = NAV_EDIT_pText(Save, e.nLang);
  const U32 w = G_STRING_u32GetWidth(NAV_EDIT_pBoldFont(), (const BYTE*)pSave) + 23;
  const BOOLEAN bSave = e.eState == WPT_EDIT_SAVE;
  if (bSave) NAV_EDIT_vRounded(pBitmap, 128, 295, ySave - 5, w, 33, 3, TRUE);
  NAV_EDIT_vRounded(pBitmap, 130, 295, ySave - 5, w, 33, 3, FALSE);
  WD_vText(pBitmap, 300, ySave, pSave);
  if (bSave) U_MENU_vDrawArrowRight(pBitmap, 295 + (S32)w - 20, ySave, 23, NAV_EDIT_color(131));
  NAV_EDIT_vEditorDetails(pBitmap, e.Waypoint.u32DateTime, e.nLang);
}
