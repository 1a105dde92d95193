#include "g_string.h"

#include "g_fonts.h"
#include "u_wstring.h"
#include "ui_texts.h"

const char* const* const s_ChineseWaypoint[G_STRING_PRESET_NAMES] = {
    Wypt_Airport, Wypt_Anchor, Wypt_Base_Marine_Culture, Wypt_Beverage, Wypt_Boat_Ramp, Wypt_Buoy,
    Wypt_Camp,    Wypt_Circle, Wypt_Danger,              Wypt_Diamond,  Wypt_Drilling_Platform,
    Wypt_Duck,    Wypt_Fish,   Wypt_Flag,                Wypt_Gas,      Wypt_Home,
    Wypt_Hydrologic_Station,   Wypt_Medical,             Wypt_Moor,     Wypt_Pattern,
    Wypt_Phone,   Wypt_Pier,   Wypt_Restaurant,          Wypt_Rocks,    Wypt_Shower,
    Wypt_Slip,    Wypt_Timber, Wypt_Water,               Wypt_Weeds,    Wypt_Wreck,
};

static constexpr U8 PRESET_MARK_BYTE = 0xFD;

// The wide text of preset name n, or null when n names none. Only wide
// entries may be drawn as wide text, so an 8-bit current language (the
// setting and the text form disagreeing) falls back to wide English.
static const char* PresetName(U32 n) {
  if (n >= G_STRING_PRESET_NAMES) return nullptr;
  unsigned nLanguage = nCurrentLanguage();
  if (nLanguage < LANGUAGE_FIRST_WIDE) nLanguage = LANGUAGE_ENGLISH_UNICODE;
  return s_ChineseWaypoint[n][nLanguage];
}

static BOOLEAN bHasPresetMark(const BYTE* pString) {
  return U_WSTRING_bIsUnicodeLanguage() && U_WSTRING_u32w_strlen((const char*)pString, FALSE) != 0 &&
         pString[0] == PRESET_MARK_BYTE;
}

void G_STRING_vPut(BITMAP* pDest, COLOR colorFont, POINT* pAnchor, const FONT_DEF* pFont, const BYTE* pString) {
  if (pString == nullptr) return;
  const char* pText = (const char*)pString;
  if (!bHasPresetMark(pString)) {
    G_TRUETYPE_M_vPut(pDest, pText, pAnchor, colorFont, pFont);
    return;
  }
  const char* pPreset = PresetName((U8)(pString[1] + 0x30));
  if (pPreset != nullptr) G_TRUETYPE_M_vPut(pDest, pPreset, pAnchor, colorFont, pFont);
  if (pString[2] == 0 && pString[3] == 0) return;
  G_TRUETYPE_M_vPut(pDest, pText + 2, pAnchor, colorFont, pFont);
}

void G_STRING_vPutWithOutline(BITMAP* pDest, COLOR colorFont, POINT* pAnchor, const FONT_DEF* pFont,
                              const BYTE* pString, COLOR colorOutline) {
  if (pAnchor == nullptr) return;
  static const POINT s_aOffsets[4] = {{-1, -1}, {1, 1}, {-1, 1}, {1, -1}};
  for (const POINT& offset : s_aOffsets) {
    POINT at = {pAnchor->x + offset.x, pAnchor->y + offset.y};
    G_STRING_vPut(pDest, colorOutline, &at, pFont, pString);
  }
  G_STRING_vPut(pDest, colorFont, pAnchor, pFont, pString);
}

U32 G_STRING_u32GetWidth(const FONT_DEF* pFont, const BYTE* pString) {
  if (pString == nullptr) return 0;
  const char* pText = (const char*)pString;
  if (!bHasPresetMark(pString)) return G_TRUETYPE_M_u32GetWidth(pText, pFont);
  const char* pPreset = PresetName((U8)(pString[1] + 0x30));
  U32 u32Width = pPreset != nullptr ? G_TRUETYPE_M_u32GetWidth(pPreset, pFont) : 0;
  if (!(pString[2] == 0 && pString[3] == 0)) u32Width += G_TRUETYPE_M_u32GetWidth(pText + 2, pFont);
  return u32Width;
}

U32 G_STRING_u32GetHeight(const FONT_DEF* pFont) { return G_FONTS_u32GetHeight(pFont); }

void U_FONTS_vSelectFontSet(LANGUAGE lang) { (void)lang; }
