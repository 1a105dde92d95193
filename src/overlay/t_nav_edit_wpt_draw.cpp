// The waypoint editor's screen: its rows, the value being edited drawn one
// character at a time with the cursor around the edited one.

#include <string.h>

#include "g_box.h"
#include "g_string.h"
#include "model_current.h"
#include "t_nav_edit_wpt.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_wstring.h"
#include "ui_texts.h"

namespace {

constexpr S32 WD_X = 289;
constexpr S32 WD_VALUE_X = 432;
constexpr S32 WD_ROW_NAME = 340;
constexpr S32 WD_ROW_STEP = 53;

void WD_vRounded(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y, U32 w, U32 h, U32 r, BOOLEAN bFill) {
  const POINT at = {x, y};
  (bFill ? G_BOX_vDrawRoundedFilled : G_BOX_vDrawRounded)(pBitmap, NAV_EDIT_color(u32Entry), &at, w, h, r);
}

void WD_vText(BITMAP* pBitmap, S32 x, S32 y, const char* pText) {
  POINT at = {x, y};
  G_STRING_vPut(pBitmap, NAV_EDIT_color(131), &at, NAV_EDIT_pBoldFont(), (const BYTE*)pText);
}

// One character in the current text form; the x after it.
S32 WD_s32Char(BITMAP* pBitmap, S32 x, S32 y, U16 c, BOOLEAN bCursor) {
  char one[4] = {};
  if (U_WSTRING_bIsUnicodeLanguage()) {
    one[0] = (char)(c >> 8);
    one[1] = (char)c;
  } else {
    one[0] = c > 0xFF ? '_' : (char)c;
  }
  const S32 w = (S32)G_STRING_u32GetWidth(NAV_EDIT_pBoldFont(), (const BYTE*)one);
  if (bCursor) WD_vRounded(pBitmap, 130, x - 2, y - 5, (U32)w + 5, 29, 2, FALSE);
  WD_vText(pBitmap, x, y, one);
  return x + w;
}

// The name while it is edited: 16-bit characters, a preset first.
void WD_vNameValue(BITMAP* pBitmap, S32 y) {
  const NAV_WPT_EDIT& e = s_WptEdit;
  S32 x = WD_VALUE_X + 8;
  S32 cursor = e.nPosition;
  S32 n = 0;
  const U16 first = (U16)(((U8)e.Waypoint.sName[0] << 8) | (U8)e.Waypoint.sName[1]);
  if (MODEL_bInternationalModel4() && (U8)e.Waypoint.sName[0] > 0xFC) {
    const U32 lang = nCurrentLanguage();
    if (lang >= LANGUAGE_KOREAN && lang <= LANGUAGE_KOREAN + 2) {
      const U32 w = T_NAV_EDIT_u32GetWidthChineseWypt(NAV_EDIT_pBoldFont(), first);
      if (cursor == 0) WD_vRounded(pBitmap, 130, x - 2, y - 5, w + 5, 29, 2, FALSE);
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
    x = WD_s32Char(pBitmap, x, y, c, n == cursor);
  }
}

void WD_vPositionValue(BITMAP* pBitmap, S32 y, const char* s, BOOLEAN bEdited) {
  if (!bEdited) {
    WD_vText(pBitmap, WD_VALUE_X + 8, y, s);
    return;
  }
  const S32 step = U_WSTRING_bIsUnicodeLanguage() ? 2 : 1;
  S32 x = WD_VALUE_X + 8;
  for (S32 n = 0; n + step < (S32)U_NAV_POSITION_TEXT_SIZE; n += step) {
    const U16 c = step == 2 ? (U16)(((U8)s[n] << 8) | (U8)s[n + 1]) : (U8)s[n];
    if (c == 0) break;
    x = WD_s32Char(pBitmap, x, y, c, n == s_WptEdit.nPosition);
  }
}

}  // namespace

void T_NAV_vEditWaypointRender(BITMAP* pBitmap) {
  const NAV_WPT_EDIT& e = s_WptEdit;
  WD_vRounded(pBitmap, 128, WD_X, 17, 382, 394, 6, TRUE);
  T_NAV_vDrawTitleBoxString(pBitmap, (const BYTE*)NAV_EDIT_pText(s_pNavEditTitle, e.nLang));
  WD_vRounded(pBitmap, 131, WD_X + 1, 90, 380, 320, 5, FALSE);
  WD_vRounded(pBitmap, 131, WD_X + 2, 91, 378, 318, 3, FALSE);
  WD_vRounded(pBitmap, 129, WD_X + 3, 92, 376, 316, 3, TRUE);

  const NAV_EDIT_TEXT labels[] = {Name, Latitude, Longitude, Icon};
  for (U32 row = 0; row < 4; row++) {
    const S32 y = WD_ROW_NAME - (S32)row * WD_ROW_STEP;
    const WPT_EDIT_STATE eRow = (WPT_EDIT_STATE)(WPT_EDIT_NAME + 2 * row);
    WD_vText(pBitmap, 300, y, NAV_EDIT_pText(labels[row], e.nLang));
    const BOOLEAN bValue = e.eState == eRow + 1;
    if (bValue) WD_vRounded(pBitmap, 128, WD_VALUE_X, y - 5, 232, 33, 3, TRUE);
    WD_vRounded(pBitmap, e.eState == eRow ? 131 : 130, WD_VALUE_X, y - 5, 232, 33, 3, FALSE);
  }
  if (e.eState == WPT_EDIT_NAME_VALUE) {
    WD_vNameValue(pBitmap, WD_ROW_NAME);
  } else {
    char name[NAV_WAYPOINT_NAME_SIZE] = {};
    NAV_EDIT_vNarrowName(name, e.Waypoint.sName, sizeof name);
    POINT at = {WD_VALUE_X + 8, WD_ROW_NAME};
    T_NAV_EDIT_vRenderWyptRteTrkName(pBitmap, NAV_EDIT_color(131), &at, NAV_EDIT_pBoldFont(), name, sizeof name);
  }
  WD_vPositionValue(pBitmap, WD_ROW_NAME - WD_ROW_STEP, e.sLat, e.eState == WPT_EDIT_LAT_VALUE);
  WD_vPositionValue(pBitmap, WD_ROW_NAME - 2 * WD_ROW_STEP, e.sLon, e.eState == WPT_EDIT_LON_VALUE);
  // The icon row holds the icon's frame; the pictures belong to the chart.
  WD_vRounded(pBitmap, 130, WD_VALUE_X + 98, WD_ROW_NAME - 3 * WD_ROW_STEP - 6, 36, 36, 2, FALSE);

  const S32 ySave = WD_ROW_NAME - 4 * WD_ROW_STEP;
  const char* pSave = NAV_EDIT_pText(Save, e.nLang);
  const U32 w = G_STRING_u32GetWidth(NAV_EDIT_pBoldFont(), (const BYTE*)pSave) + 23;
  const BOOLEAN bSave = e.eState == WPT_EDIT_SAVE;
  if (bSave) WD_vRounded(pBitmap, 128, 295, ySave - 5, w, 33, 3, TRUE);
  WD_vRounded(pBitmap, 130, 295, ySave - 5, w, 33, 3, FALSE);
  WD_vText(pBitmap, 300, ySave, pSave);
  if (bSave) U_MENU_vDrawArrowRight(pBitmap, 295 + (S32)w - 20, ySave, 23, NAV_EDIT_color(131));
}
