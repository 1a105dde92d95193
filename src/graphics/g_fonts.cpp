#include "g_fonts.h"

#include "linuxsvc.h"
#include "u_wstring.h"

const FONT_DEF* const arialuni_size9_font_def_ptr = &arialuni_fonts[0][9];
const FONT_DEF* const arialuni_size12_font_def_ptr = &arialuni_fonts[0][12];
const FONT_DEF* const arialuni_size14_font_def_ptr = &arialuni_fonts[0][14];
const FONT_DEF* const arialuni_size16_font_def_ptr = &arialuni_fonts[0][16];
const FONT_DEF* const arialuni_size17_font_def_ptr = &arialuni_fonts[0][17];
const FONT_DEF* const arialuni_size19_font_def_ptr = &arialuni_fonts[0][19];
const FONT_DEF* const arialuni_size21_font_def_ptr = &arialuni_fonts[0][21];
const FONT_DEF* const arialuni_size26_font_def_ptr = &arialuni_fonts[0][26];
const FONT_DEF* const arialuni_size32_font_def_ptr = &arialuni_fonts[0][32];
const FONT_DEF* const arialuni_size38_font_def_ptr = &arialuni_fonts[0][38];
const FONT_DEF* const arialuni_size44_font_def_ptr = &arialuni_fonts[0][44];
const FONT_DEF* const arialuni_size57_font_def_ptr = &arialuni_fonts[0][57];
const FONT_DEF* const arialuni_size62_font_def_ptr = &arialuni_fonts[0][62];
const FONT_DEF* const arialuni_size71_font_def_ptr = &arialuni_fonts[0][71];
const FONT_DEF* const arialuni_size76_font_def_ptr = &arialuni_fonts[0][76];
const FONT_DEF* const arialuni_size100_font_def_ptr = &arialuni_fonts[0][100];
const FONT_DEF* const arialuni_size133_font_def_ptr = &arialuni_fonts[0][133];
const FONT_DEF* const arialuni_size161_font_def_ptr = &arialuni_fonts[0][161];
const FONT_DEF* const myriad_pro_size12_font_def_ptr = &myriad_pro_fonts[1][12];
const FONT_DEF* const myriad_pro_size14_font_def_ptr = &myriad_pro_fonts[1][14];
const FONT_DEF* const myriad_pro_size16_font_def_ptr = &myriad_pro_fonts[1][16];
const FONT_DEF* const myriad_pro_size17_font_def_ptr = &myriad_pro_fonts[1][17];
const FONT_DEF* const myriad_pro_size19_font_def_ptr = &myriad_pro_fonts[1][19];
const FONT_DEF* const myriad_pro_size21_font_def_ptr = &myriad_pro_fonts[1][21];
const FONT_DEF* const myriad_pro_size26_font_def_ptr = &myriad_pro_fonts[1][26];
const FONT_DEF* const myriad_pro_size32_font_def_ptr = &myriad_pro_fonts[1][32];
const FONT_DEF* const myriad_pro_size38_font_def_ptr = &myriad_pro_fonts[1][38];
const FONT_DEF* const myriad_pro_size44_font_def_ptr = &myriad_pro_fonts[1][44];
const FONT_DEF* const myriad_pro_size57_font_def_ptr = &myriad_pro_fonts[1][57];
const FONT_DEF* const myriad_pro_size62_font_def_ptr = &myriad_pro_fonts[1][62];
const FONT_DEF* const myriad_pro_size71_font_def_ptr = &myriad_pro_fonts[1][71];
const FONT_DEF* const myriad_pro_size76_font_def_ptr = &myriad_pro_fonts[1][76];
const FONT_DEF* const myriad_pro_size100_font_def_ptr = &myriad_pro_fonts[1][100];
const FONT_DEF* const myriad_pro_size133_font_def_ptr = &myriad_pro_fonts[1][133];
const FONT_DEF* const myriad_pro_size161_font_def_ptr = &myriad_pro_fonts[1][161];
const FONT_DEF* const myriad_pro_bold_size9_font_def_ptr = &myriad_pro_fonts[0][9];
const FONT_DEF* const myriad_pro_bold_size12_font_def_ptr = &myriad_pro_fonts[0][12];
const FONT_DEF* const myriad_pro_bold_size14_font_def_ptr = &myriad_pro_fonts[0][14];
const FONT_DEF* const myriad_pro_bold_size16_font_def_ptr = &myriad_pro_fonts[0][16];
const FONT_DEF* const myriad_pro_bold_size17_font_def_ptr = &myriad_pro_fonts[0][17];
const FONT_DEF* const myriad_pro_bold_size19_font_def_ptr = &myriad_pro_fonts[0][19];
const FONT_DEF* const myriad_pro_bold_size21_font_def_ptr = &myriad_pro_fonts[0][21];
const FONT_DEF* const myriad_pro_bold_size26_font_def_ptr = &myriad_pro_fonts[0][26];
const FONT_DEF* const myriad_pro_bold_size32_font_def_ptr = &myriad_pro_fonts[0][32];
const FONT_DEF* const myriad_pro_bold_size38_font_def_ptr = &myriad_pro_fonts[0][38];
const FONT_DEF* const myriad_pro_bold_size44_font_def_ptr = &myriad_pro_fonts[0][44];
const FONT_DEF* const myriad_pro_bold_size57_font_def_ptr = &myriad_pro_fonts[0][57];
const FONT_DEF* const myriad_pro_bold_size62_font_def_ptr = &myriad_pro_fonts[0][62];
const FONT_DEF* const myriad_pro_bold_size71_font_def_ptr = &myriad_pro_fonts[0][71];
const FONT_DEF* const myriad_pro_bold_size76_font_def_ptr = &myriad_pro_fonts[0][76];
const FONT_DEF* const myriad_pro_bold_size100_font_def_ptr = &myriad_pro_fonts[0][100];
const FONT_DEF* const myriad_pro_bold_size133_font_def_ptr = &myriad_pro_fonts[0][133];
const FONT_DEF* const myriad_pro_bold_size161_font_def_ptr = &myriad_pro_fonts[0][161];

// One character of 8-bit text in the current text form.
static void G_FONTS_vOneCharacter(char acText[4], BYTE ucCharacter) {
  if (U_WSTRING_bIsUnicodeLanguage()) {
    acText[0] = 0;
    acText[1] = (char)ucCharacter;
    acText[2] = 0;
    acText[3] = 0;
  } else {
    acText[0] = (char)ucCharacter;
    acText[1] = 0;
  }
}

// A bad pointer from one caller is not worth a reset of the whole unit.
void G_FONTS_vPut(BITMAP* pDest, COLOR colorFont, POINT* pAnchor, const FONT_DEF* pFont, BYTE ucCharacter) {
  if (pAnchor == nullptr || pFont == nullptr) {
    log_me("G_FONTS_vPut received bad pointer");
    return;
  }
  char acText[4];
  G_FONTS_vOneCharacter(acText, ucCharacter);
  G_TRUETYPE_M_vPut(pDest, acText, pAnchor, colorFont, pFont);
}

U32 G_FONTS_u32GetWidth(const FONT_DEF* pFont, BYTE ucCharacter) {
  if (pFont == nullptr) return 0;
  char acText[4];
  G_FONTS_vOneCharacter(acText, ucCharacter);
  return G_TRUETYPE_M_u32GetWidth(acText, pFont);
}

U32 G_FONTS_u32GetHeight(const FONT_DEF* pFont) {
  if (pFont == nullptr) return 0;
  return pFont->u32Height * 60 / (U_WSTRING_bIsUnicodeLanguage() ? 38 : 44);
}

U32 G_FONTS_u32GetCoreHeight(const FONT_DEF* pFont) { return pFont == nullptr ? 0 : pFont->u32Height * 60 / 44; }

U32 G_FONTS_u32GetAscenderHeight(const FONT_DEF* pFont) {
  if (pFont == nullptr) return 0;
  const U32 u32Height = G_FONTS_u32GetHeight(pFont);
  return pFont->u32Ascender > u32Height ? pFont->u32Ascender - u32Height : 0;
}

U32 G_FONTS_u32GetDescenderHeight(const FONT_DEF* pFont) { return pFont == nullptr ? 0 : pFont->u32Descender; }

U32 G_FONTS_u32GetMaxWidth(const FONT_DEF* pFont) { return pFont == nullptr ? 0 : pFont->u32MaxWidth; }

U32 G_FONTS_u32GetInterCharSpacing(const FONT_DEF* pFont) {
  return pFont == nullptr ? 0 : pFont->u32InterCharSpacing;
}
