// Name labels of waypoints, routes and tracks, the Korean and Chinese preset
// names a name may begin with, and the alphabets the name editors step
// through.

#include <string.h>

#include "g_string.h"
#include "t_nav_edit_int.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

namespace {

constexpr U16 PRESET_FIRST = 0xFDD0;
constexpr U16 PRESET_END_MARK = 0xFDFF;
// The longest name a label shows; longer ones are cut.
constexpr U32 LABEL_MAX = 64;

// Row i holds code 0xFDD0 + i; the last row without text ends every search.
const CHINESE_WPT_TYPE s_atPresets[NAV_EDIT_PRESET_ROWS] = {
    {Wypt_Airport, 0xFDD0},  {Wypt_Anchor, 0xFDD1},       {Wypt_Base_Marine_Culture, 0xFDD2},
    {Wypt_Beverage, 0xFDD3}, {Wypt_Boat_Ramp, 0xFDD4},    {Wypt_Buoy, 0xFDD5},
    {Wypt_Camp, 0xFDD6},     {Wypt_Circle, 0xFDD7},       {Wypt_Danger, 0xFDD8},
    {Wypt_Diamond, 0xFDD9},  {Wypt_Drilling_Platform, 0xFDDA}, {Wypt_Duck, 0xFDDB},
    {Wypt_Fish, 0xFDDC},     {Wypt_Flag, 0xFDDD},         {Wypt_Gas, 0xFDDE},
    {Wypt_Home, 0xFDDF},     {Wypt_Hydrologic_Station, 0xFDE0}, {Wypt_Medical, 0xFDE1},
    {Wypt_Moor, 0xFDE2},     {Wypt_Pattern, 0xFDE3},      {Wypt_Phone, 0xFDE4},
    {Wypt_Pier, 0xFDE5},     {Wypt_Restaurant, 0xFDE6},   {Wypt_Rocks, 0xFDE7},
    {Wypt_Shower, 0xFDE8},   {Wypt_Slip, 0xFDE9},         {Wypt_Timber, 0xFDEA},
    {Wypt_Water, 0xFDEB},    {Wypt_Weeds, 0xFDEC},        {Wypt_Wreck, 0xFDED},
    {nullptr, PRESET_END_MARK}};

const CHINESE_WPT_TYPE* NAME_pFind(U16 u16Code) {
  for (const CHINESE_WPT_TYPE& row : s_atPresets) {
    if (row.sName == nullptr) return nullptr;
    if (row.u16Id == u16Code) return &row;
  }
  return nullptr;
}

U16 NAME_u16Unit(const char* p) { return (U16)(((U8)p[0] << 8) | (U8)p[1]); }

BOOLEAN NAME_bPresetLanguage(void) {
  const unsigned lang = nCurrentLanguage();
  return lang >= LANGUAGE_KOREAN && lang <= LANGUAGE_KOREAN + 2;
}

// The alphabet an editor of language nLang steps through.
const char* NAME_pAlphabet(U32 nLang, BOOLEAN bWide) {
  if (bWide && nCurrentLanguage() == LANGUAGE_ENGLISH) nLang = 24;
  return Alphabet[nLang < UI_TEXT_LANGUAGES ? nLang : 0];
}

}  // namespace

const CHINESE_WPT_TYPE* T_NAV_EDIT_sGetChineseWyptType(U8 index) {
  return index < NAV_EDIT_PRESET_ROWS ? &s_atPresets[index] : nullptr;
}

void T_NAV_EDIT_vPutChineseWypt(BITMAP* pDest, COLOR colorFont, POINT* pAnchor, const FONT_DEF* pFont, U16 u16Code) {
  const CHINESE_WPT_TYPE* pRow = NAME_pFind(u16Code);
  if (pRow == nullptr) {
    pAnchor->x += 2;
    return;
  }
  G_STRING_vPut(pDest, colorFont, pAnchor, pFont, (const BYTE*)pRow->sName[nCurrentLanguage()]);
}

U32 T_NAV_EDIT_u32GetWidthChineseWypt(const FONT_DEF* pFont, U16 u16Code) {
  const CHINESE_WPT_TYPE* pRow = NAME_pFind(u16Code);
  return pRow == nullptr ? 2 : G_STRING_u32GetWidth(pFont, (const BYTE*)pRow->sName[nCurrentLanguage()]);
}

U32 T_NAV_EDIT_u32GetWidthWaypointName(const FONT_DEF* pFont, const BYTE* pString) {
  if (pString == nullptr) return 0;
  if (!NAME_bPresetLanguage()) return G_STRING_u32GetWidth(pFont, pString);
  if (pString[0] == 0 && pString[1] == 0) return 0;
  const U16 code = NAME_u16Unit((const char*)pString);
  return T_NAV_EDIT_u32GetWidthChineseWypt(pFont, code) + G_STRING_u32GetWidth(pFont, pString + 2);
}

void T_NAV_EDIT_vRenderWyptRteTrkName(BITMAP* pDest, COLOR colorFont, POINT* pAnchor, const FONT_DEF* pFont,
                                      const char* pString, U32 u32Size) {
  pAnchor->y += 3;
  if (pString == nullptr) return;
  // A stored name may fill its field without a terminator; it is widened
  // here, in room for twice its length, and never where it is stored.
  char name[2 * LABEL_MAX + 2] = {};
  memcpy(name, pString, u32Size < 2 * LABEL_MAX ? u32Size : 2 * LABEL_MAX);
  U_WSTRING_vReplaceNarrowWithWide(name, sizeof name);
  if (pAnchor->x < pDest->s32ClipLeft || pAnchor->x > pDest->s32ClipRight || pAnchor->y < pDest->s32ClipBottom ||
      pAnchor->y > pDest->s32ClipTop) {
    return;
  }
  if (!U_WSTRING_bIsUnicodeLanguage()) {
    if (pAnchor->x + (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)name) > pDest->s32ClipRight) return;
    char narrow[20] = {};
    U_WSTRING_vUnicode2Ascii(narrow, name, sizeof narrow, TRUE);
    G_STRING_vPut(pDest, colorFont, pAnchor, pFont, (const BYTE*)narrow);
    return;
  }
  const char* pDraw = name;
  U16 c = NAME_u16Unit(name);
  if (nCurrentLanguage() == LANGUAGE_JAPANESE && c >= PRESET_FIRST && c <= PRESET_END_MARK) {
    pDraw += 2;
    c = NAME_u16Unit(pDraw);
  }
  if (pAnchor->x + (S32)T_NAV_EDIT_u32GetWidthChineseWypt(pFont, c) > pDest->s32ClipRight) return;
  G_STRING_vPut(pDest, colorFont, pAnchor, pFont, (const BYTE*)pDraw);
}

// ---------------------------------------------------------------------------
// Alphabets

U16 T_NAV_u16NextWCharInAlphabet(U32 nLang, U16 cThis) {
  const char* p = NAME_pAlphabet(nLang, TRUE);
  const U16 first = NAME_u16Unit(p);
  for (; NAME_u16Unit(p) != 0; p += 2) {
    if (NAME_u16Unit(p) == cThis) {
      const U16 next = NAME_u16Unit(p + 2);
      return next != 0 ? next : first;
    }
  }
  return first;
}

U16 T_NAV_u16PrevWCharInAlphabet(U32 nLang, U16 cThis) {
  const char* p = NAME_pAlphabet(nLang, TRUE);
  U16 last = 0, before = 0;
  BOOLEAN bFound = FALSE;
  for (const char* q = p; NAME_u16Unit(q) != 0; q += 2) {
    if (NAME_u16Unit(q) == cThis && !bFound && q != p) {
      before = last;
      bFound = TRUE;
    }
    last = NAME_u16Unit(q);
  }
  return bFound ? before : last;
}

char T_NAV_cNextCharInAlphabet(U32 nLang, char cThis) {
  const char* p = NAME_pAlphabet(nLang, FALSE);
  const char* pAt = cThis != 0 ? strchr(p, cThis) : nullptr;
  return pAt != nullptr && pAt[1] != 0 ? pAt[1] : p[0];
}

char T_NAV_cPrevCharInAlphabet(U32 nLang, char cThis) {
  const char* p = NAME_pAlphabet(nLang, FALSE);
  const size_t n = strlen(p);
  if (n == 0) return 0;
  const char* pAt = cThis != 0 ? strchr(p, cThis) : nullptr;
  return pAt != nullptr && pAt != p ? pAt[-1] : p[n - 1];
}

// ---------------------------------------------------------------------------
// Case-insensitive compares

S32 T_NAV_EDIT_s32StrncmpIgnoreCase(const char* s1, const char* s2, U32 u32Length) {
  for (U32 i = 0; i < u32Length; i++) {
    U8 a = (U8)s1[i], b = (U8)s2[i];
    if (a >= 'A' && a <= 'Z') a = (U8)(a + 32);
    if (b >= 'A' && b <= 'Z') b = (U8)(b + 32);
    if (a != b) return a > b ? 1 : -1;
    if (a == 0) return 0;
  }
  return 0;
}

S32 T_NAV_EDIT_s32StrcmpIgnoreCase(const char* s1, const char* s2) {
  return T_NAV_EDIT_s32StrncmpIgnoreCase(s1, s2, 0xFFFFFFFFu);
}
