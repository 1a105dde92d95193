// The menus' look shared by the drawing helpers and the panel renderer: the
// colour-table entries, the faces, text measured once and cut to fit, and
// the two controls that draw a value (a box between arrows, a bar).
#pragma once

#include "basetypes.h"
#include "g_fonts.h"
#include "g_icon.h"
#include "g_types.h"

// Entries of the colour table that no palette change rewrites.
enum MENU_COLOR_INDEX : U32 {
  MENU_COLOR_BLACK = 32,   // panel outline, text on light fills
  MENU_COLOR_WHITE = 35,   // text on panels
  MENU_COLOR_RULE = 236,   // separators, control outlines, footer rules
  MENU_COLOR_BODY = 237,   // panel body
  MENU_COLOR_BAND = 238,   // title band, tab strip, footer band
  MENU_COLOR_TRACK = 239,  // rule under the title band, progress track
  MENU_COLOR_FOCUS = 241,  // selection frame, focused tab, progress fill, check mark
};
COLOR U_MENULOOK_color(MENU_COLOR_INDEX eIndex);

// The faces of the current language: the Unicode face of the same size in a
// wide language.
const FONT_DEF* U_MENULOOK_pTitleFont(void);  // bold 19
const FONT_DEF* U_MENULOOK_pValueFont(void);  // bold 17: values, tabs, controls
const FONT_DEF* U_MENULOOK_pLabelFont(void);  // regular 17: row labels
const FONT_DEF* U_MENULOOK_pSmallFont(void);  // regular 14: subtitles, hints
const FONT_DEF* U_MENULOOK_pBigFont(void);    // bold 26: the single-centred value

// The buffer a cut text needs: 127 wide characters or 255 bytes, the full
// stops and the terminator.
constexpr U32 MENU_TEXT_BUFFER = 264;

// Drops every measured width when the language has changed since the last
// call. Drawing entry points call it once per drawing.
void U_MENULOOK_vFollowLanguage(void);
// The width G_STRING_vPut gives pText (current language's form), measured
// once per language and kept.
U32 U_MENULOOK_u32Width(const char* pText, const FONT_DEF* pFont);
// Copies into pBuffer (u32Size bytes, at least 16) as much of pText as fits
// u32Room pixels; a cut text loses its trailing spaces and ends in three full
// stops, and when not even those fit the copy is empty. Returns the copy's
// width. A null text copies as empty.
U32 U_MENULOOK_u32Shorten(char* pBuffer, U32 u32Size, const char* pText, const FONT_DEF* pFont, U32 u32Room);

// The baseline of one line of menu text in a box of the given height.
PIXEL U_MENULOOK_s32Baseline(PIXEL s32Bottom, U32 u32Height);
// Draws pText (may be null) with its baseline's left end at (x, y).
void U_MENULOOK_vPut(BITMAP* pBitmap, COLOR color, PIXEL x, PIXEL y, const FONT_DEF* pFont, const char* pText);

// A box w x h filled with background and outlined in the rule colour, the
// icon (when given) or the text (cut to fit between the arrows) centred in
// it, and arrows of size 13 6 pixels inside its ends. Text and arrows are
// black on a light background, else white.
void U_MENULOOK_vDrawValueBox(BITMAP* pBitmap, POINT anchor, U32 u32Width, U32 u32Height, COLOR background,
                              const char* pText, const ICON* pIcon, BOOLEAN bLeft, BOOLEAN bRight);
// The pixels a value box of the width gives its text between the arrows.
U32 U_MENULOOK_u32ValueBoxRoom(U32 u32Width);
// A track from the anchor to 4 pixels short of the text field, 10 high and
// centred, fFraction (clamped to 0..1) of it filled, and pText centred in
// the field of u32Field pixels at the right (0: 44).
void U_MENULOOK_vDrawBar(BITMAP* pBitmap, POINT anchor, U32 u32Width, U32 u32Height, float fFraction,
                         const char* pText, U32 u32Field);
