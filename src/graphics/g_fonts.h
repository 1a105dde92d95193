// Every caller draws with the font handles kept here, one per face and size
// in use; the one-character entry points and metrics sit beside them.
#pragma once

#include "g_truetype.h"

// The Unicode face (wide languages), the regular and the bold Latin face.
extern const FONT_DEF* const arialuni_size9_font_def_ptr;
extern const FONT_DEF* const arialuni_size12_font_def_ptr;
extern const FONT_DEF* const arialuni_size14_font_def_ptr;
extern const FONT_DEF* const arialuni_size16_font_def_ptr;
extern const FONT_DEF* const arialuni_size17_font_def_ptr;
extern const FONT_DEF* const arialuni_size19_font_def_ptr;
extern const FONT_DEF* const arialuni_size21_font_def_ptr;
extern const FONT_DEF* const arialuni_size26_font_def_ptr;
extern const FONT_DEF* const arialuni_size32_font_def_ptr;
extern const FONT_DEF* const arialuni_size38_font_def_ptr;
extern const FONT_DEF* const arialuni_size44_font_def_ptr;
extern const FONT_DEF* const arialuni_size57_font_def_ptr;
extern const FONT_DEF* const arialuni_size62_font_def_ptr;
extern const FONT_DEF* const arialuni_size71_font_def_ptr;
extern const FONT_DEF* const arialuni_size76_font_def_ptr;
extern const FONT_DEF* const arialuni_size100_font_def_ptr;
extern const FONT_DEF* const arialuni_size133_font_def_ptr;
extern const FONT_DEF* const arialuni_size161_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size12_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size14_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size16_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size17_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size19_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size21_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size26_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size32_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size38_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size44_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size57_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size62_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size71_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size76_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size100_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size133_font_def_ptr;
extern const FONT_DEF* const myriad_pro_size161_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size9_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size12_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size14_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size16_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size17_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size19_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size21_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size26_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size32_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size38_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size44_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size57_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size62_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size71_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size76_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size100_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size133_font_def_ptr;
extern const FONT_DEF* const myriad_pro_bold_size161_font_def_ptr;
constexpr unsigned G_FONTS_HANDLE_COUNT = 53;

// Draws one character (a one-unit wide text in a wide language) and moves
// the anchor's x past it. A null anchor or font is logged and draws nothing.
void G_FONTS_vPut(BITMAP* pDest, COLOR colorFont, POINT* pAnchor, const FONT_DEF* pFont, BYTE ucCharacter);
// Every metric below is 0 for a null font.
U32 G_FONTS_u32GetWidth(const FONT_DEF* pFont, BYTE ucCharacter);
// Line height for layout: the pixel size, taller in a wide language.
U32 G_FONTS_u32GetHeight(const FONT_DEF* pFont);
// The pixel size of the font in every language.
U32 G_FONTS_u32GetCoreHeight(const FONT_DEF* pFont);
// The line height above the layout height, 0 when the line is not taller.
U32 G_FONTS_u32GetAscenderHeight(const FONT_DEF* pFont);
U32 G_FONTS_u32GetDescenderHeight(const FONT_DEF* pFont);
U32 G_FONTS_u32GetMaxWidth(const FONT_DEF* pFont);
U32 G_FONTS_u32GetInterCharSpacing(const FONT_DEF* pFont);
