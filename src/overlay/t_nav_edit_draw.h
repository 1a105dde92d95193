// The look of the editor screens (waypoint, route and track editors, the
// route and track pickers, route info): light panels with dark text, rounded
// frames, and a highlighted element drawn as an outline with a fill one pixel
// inside. Every function draws under the caller's mutex 10.
#pragma once

#include "t_nav_edit_int.h"

// Colour-table entries of the editor screens.
constexpr U32 NAV_EDIT_MARK = 128;   // highlight fill, outer frames
constexpr U32 NAV_EDIT_PANEL = 129;  // panel fill
constexpr U32 NAV_EDIT_FIELD = 130;  // value outlines
constexpr U32 NAV_EDIT_INK = 131;    // texts, inner frames

const FONT_DEF* NAV_EDIT_pSmallFont(void);
U32 NAV_EDIT_u32Width(const FONT_DEF* pFont, const char* pText);
void NAV_EDIT_vRounded(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y, U32 w, U32 h, U32 r, BOOLEAN bFill);
void NAV_EDIT_vInk(BITMAP* pBitmap, S32 x, S32 y, const FONT_DEF* pFont, const char* pText);
void NAV_EDIT_vInkRight(BITMAP* pBitmap, S32 xRight, S32 y, const FONT_DEF* pFont, const char* pText);
// A highlighted element: a rounded outline in u32Outline, filled one pixel
// inside.
void NAV_EDIT_vMarked(BITMAP* pBitmap, S32 x, S32 y, U32 w, U32 h, U32 u32Outline);
// The right arrow beside a highlighted row.
void NAV_EDIT_vArrow(BITMAP* pBitmap, S32 x, S32 y);
// A stored name (u32Size bytes, current text form) in the large font.
void NAV_EDIT_vName(BITMAP* pBitmap, S32 x, S32 y, const char* pName, U32 u32Size);
// One 16-bit character of a value being edited, in the current text form,
// with the caret outline around it when bCaret; the x after it.
S32 NAV_EDIT_s32EditChar(BITMAP* pBitmap, S32 x, S32 y, U16 c, BOOLEAN bCaret);
// A 16-bit big-endian name being edited, one character at a time, the caret
// at byte offset nCaret.
void NAV_EDIT_vEditName(BITMAP* pBitmap, S32 x, S32 y, const char* sName, U32 u32Size, S32 nCaret);
// "Created: date" at (x, y) and the time: right-aligned to xTimeRight, or
// centred between the date and x 670 when xTimeRight is 0. A right-aligned
// line that would be wider than 348 pixels takes the short date.
void NAV_EDIT_vCreated(BITMAP* pBitmap, S32 x, S32 y, U32 u32DateTime, S32 xTimeRight, U32 nLang);
// "<count> <what>" at (x, y).
void NAV_EDIT_vCount(BITMAP* pBitmap, S32 x, S32 y, U32 u32Count, NAV_EDIT_TEXT pWhat, U32 nLang);
// The box at the foot of the waypoint and track editors, with the creation
// time in it.
void NAV_EDIT_vEditorDetails(BITMAP* pBitmap, U32 u32DateTime, U32 nLang);
// The box under the route and track lists that holds the details.
void NAV_EDIT_vDetailsBox(BITMAP* pBitmap);
// A 16-bit big-endian character of a name field at byte offset n.
inline U16 NAV_EDIT_u16At(const char* s, S32 n) { return (U16)(((U8)s[n] << 8) | (U8)s[n + 1]); }
