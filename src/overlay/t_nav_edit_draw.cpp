// The editor screens' shared drawing.

#include "t_nav_edit_draw.h"

#include <stdio.h>
#include <time.h>

#include "g_box.h"
#include "g_fonts.h"
#include "g_string.h"
#include "t_info.h"
#include "u_menu.h"
#include "u_wstring.h"
#include "ui_texts.h"

const FONT_DEF* NAV_EDIT_pSmallFont(void) {
  return U_WSTRING_bIsUnicodeLanguage() ? arialuni_size14_font_def_ptr : myriad_pro_bold_size14_font_def_ptr;
}

U32 NAV_EDIT_u32Width(const FONT_DEF* pFont, const char* pText) {
  return G_STRING_u32GetWidth(pFont, (const BYTE*)pText);
}

void NAV_EDIT_vRounded(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y, U32 w, U32 h, U32 r, BOOLEAN bFill) {
  const POINT at = {x, y};
  (bFill ? G_BOX_vDrawRoundedFilled : G_BOX_vDrawRounded)(pBitmap, NAV_EDIT_color(u32Entry), &at, w, h, r);
}

void NAV_EDIT_vInk(BITMAP* pBitmap, S32 x, S32 y, const FONT_DEF* pFont, const char* pText) {
  POINT at = {x, y};
  G_STRING_vPut(pBitmap, NAV_EDIT_color(NAV_EDIT_INK), &at, pFont, (const BYTE*)pText);
}

void NAV_EDIT_vInkRight(BITMAP* pBitmap, S32 xRight, S32 y, const FONT_DEF* pFont, const char* pText) {
  NAV_EDIT_vInk(pBitmap, xRight - (S32)NAV_EDIT_u32Width(pFont, pText), y, pFont, pText);
}

void NAV_EDIT_vMarked(BITMAP* pBitmap, S32 x, S32 y, U32 w, U32 h, U32 u32Outline) {
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_MARK, x + 1, y + 1, w - 2, h - 2, 2, TRUE);
  NAV_EDIT_vRounded(pBitmap, u32Outline, x, y, w, h, 3, FALSE);
}

void NAV_EDIT_vArrow(BITMAP* pBitmap, S32 x, S32 y) {
  U_MENU_vDrawArrowRight(pBitmap, x, y, 23, NAV_EDIT_color(NAV_EDIT_INK));
}

void NAV_EDIT_vName(BITMAP* pBitmap, S32 x, S32 y, const char* pName, U32 u32Size) {
  POINT at = {x, y};
  T_NAV_EDIT_vRenderWyptRteTrkName(pBitmap, NAV_EDIT_color(NAV_EDIT_INK), &at, NAV_EDIT_pBoldFont(), pName, u32Size);
}

S32 NAV_EDIT_s32EditChar(BITMAP* pBitmap, S32 x, S32 y, U16 c, BOOLEAN bCaret) {
  char one[4] = {};
  if (U_WSTRING_bIsUnicodeLanguage()) {
    one[0] = (char)(c >> 8);
    one[1] = (char)c;
  } else {
    one[0] = c > 0xFF ? '_' : (char)c;
  }
  const S32 w = (S32)NAV_EDIT_u32Width(NAV_EDIT_pBoldFont(), one);
  if (bCaret) NAV_EDIT_vRounded(pBitmap, NAV_EDIT_FIELD, x - 2, y - 5, (U32)w + 5, 29, 2, FALSE);
  NAV_EDIT_vInk(pBitmap, x, y, NAV_EDIT_pBoldFont(), one);
  return x + w;
}

void NAV_EDIT_vEditName(BITMAP* pBitmap, S32 x, S32 y, const char* sName, U32 u32Size, S32 nCaret) {
  for (S32 n = 0; n + 1 < (S32)u32Size; n += 2) {
    const U16 c = NAV_EDIT_u16At(sName, n);
    if (c == 0) break;
    x = NAV_EDIT_s32EditChar(pBitmap, x, y, c, n == nCaret);
  }
}

void NAV_EDIT_vCreated(BITMAP* pBitmap, S32 x, S32 y, U32 u32DateTime, S32 xTimeRight, U32 nLang) {
  const FONT_DEF* pFont = NAV_EDIT_pBoldFont();
  char sTime[40] = {}, sDate[40] = {}, line[2 * 80 + 2] = {};
  for (int full = 1; full >= 0; full--) {
    T_INFO_vFormatTime((time_t)u32DateTime, full, TRUE, sTime, sDate, nullptr);
    U_WSTRING_vw_strncpy(line, NAV_EDIT_pText(Created, nLang), 60, FALSE);
    U_WSTRING_vAscii2UnicodeCat(line, ": ", 4);
    U_WSTRING_vw_strncat(line, sDate, 40, FALSE);
    if (xTimeRight == 0 || NAV_EDIT_u32Width(pFont, line) + NAV_EDIT_u32Width(pFont, sTime) <= 348) break;
  }
  NAV_EDIT_vInk(pBitmap, x, y, pFont, line);
  const S32 w = (S32)NAV_EDIT_u32Width(pFont, sTime);
  if (xTimeRight != 0) {
    NAV_EDIT_vInk(pBitmap, xTimeRight - w, y, pFont, sTime);
  } else {
    const S32 end = x + (S32)NAV_EDIT_u32Width(pFont, line);
    NAV_EDIT_vInk(pBitmap, end + (670 - end - w) / 2, y, pFont, sTime);
  }
}

void NAV_EDIT_vCount(BITMAP* pBitmap, S32 x, S32 y, U32 u32Count, NAV_EDIT_TEXT pWhat, U32 nLang) {
  char number[16] = {}, line[2 * 80 + 2] = {};
  snprintf(number, sizeof number, "%u ", (unsigned)u32Count);
  U_WSTRING_vAscii2Unicode(line, number, 16, FALSE);
  U_WSTRING_vw_strncat(line, NAV_EDIT_pText(pWhat, nLang), 60, FALSE);
  NAV_EDIT_vInk(pBitmap, x, y, NAV_EDIT_pBoldFont(), line);
}

void NAV_EDIT_vDetailsBox(BITMAP* pBitmap) {
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_MARK, 289, 7, 382, 78, 6, TRUE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 290, 8, 380, 76, 5, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 291, 9, 378, 74, 3, FALSE);
}

void NAV_EDIT_vEditorDetails(BITMAP* pBitmap, U32 u32DateTime, U32 nLang) {
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 290, 18, 380, 76, 5, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 291, 19, 378, 74, 3, FALSE);
  NAV_EDIT_vCreated(pBitmap, 306, 32, u32DateTime, 654, nLang);
}
