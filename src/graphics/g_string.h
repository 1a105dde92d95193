// UI text is drawn and measured in the current language's form; in the wide
// languages a preset waypoint name's mark is drawn as the name itself.
#pragma once

#include "g_truetype.h"
#include "u_language.h"

// The preset waypoint names, index n standing for the unit U+FDD0 + n.
constexpr unsigned G_STRING_PRESET_NAMES = 30;
extern const char* const* const s_ChineseWaypoint[G_STRING_PRESET_NAMES];

// Draws pString and moves the anchor's x past it. In a wide language a text
// beginning with U+FDD0 + n (n < 30) draws preset name n in the current
// language followed by the rest; another unit U+FDxx draws only the rest.
// A null string draws nothing.
void G_STRING_vPut(BITMAP* pDest, COLOR colorFont, POINT* pAnchor, const FONT_DEF* pFont, const BYTE* pString);
// The string four times in colorOutline one pixel off diagonally, then in
// colorFont at the anchor, which moves as for G_STRING_vPut.
void G_STRING_vPutWithOutline(BITMAP* pDest, COLOR colorFont, POINT* pAnchor, const FONT_DEF* pFont,
                              const BYTE* pString, COLOR colorOutline);
// The distance G_STRING_vPut moves the anchor; 0 for a null string.
U32 G_STRING_u32GetWidth(const FONT_DEF* pFont, const BYTE* pString);
U32 G_STRING_u32GetHeight(const FONT_DEF* pFont);
// Called when the language changes; the Latin faces' character map is chosen
// by G_TRUETYPE_vSelectFontSet.
void U_FONTS_vSelectFontSet(LANGUAGE lang);
