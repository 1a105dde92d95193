// Data boxes: a bar in one of sixteen styles with one readout in it (value in
// large digits, possibly with smaller tenths, units and a short title), and
// the two layout answers the views ask before drawing: how wide the box
// column is and where their own area begins. Everything is read from the
// database on each draw; nothing is cached between frames.

#include <string.h>

#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_line.h"
#include "g_string.h"
#include "g_truetype.h"
#include "t_info.h"
#include "u_view.h"
#include "u_viewarea.h"
#include "u_wstring.h"
#include "ui_texts.h"

// The units' separator shows in boxes at least this wide.
constexpr S32 INFO_WIDEST_LARGE_VALUE = 158;
constexpr S32 INFO_COLUMN_WIDTH = 162;

// ---------------------------------------------------------------------------
// Fonts

// Largest first.
static const struct {
  U32 u32Points;
  const FONT_DEF* const* ppWide;
  const FONT_DEF* const* ppLatin;
} s_aFonts[] = {
    {161, &arialuni_size161_font_def_ptr, &myriad_pro_bold_size161_font_def_ptr},
    {100, &arialuni_size100_font_def_ptr, &myriad_pro_bold_size100_font_def_ptr},
    {62, &arialuni_size62_font_def_ptr, &myriad_pro_bold_size62_font_def_ptr},
    {44, &arialuni_size44_font_def_ptr, &myriad_pro_bold_size44_font_def_ptr},
    {38, &arialuni_size38_font_def_ptr, &myriad_pro_bold_size38_font_def_ptr},
    {32, &arialuni_size32_font_def_ptr, &myriad_pro_bold_size32_font_def_ptr},
    {26, &arialuni_size26_font_def_ptr, &myriad_pro_bold_size26_font_def_ptr},
    {21, &arialuni_size21_font_def_ptr, &myriad_pro_bold_size21_font_def_ptr},
    {17, &arialuni_size17_font_def_ptr, &myriad_pro_bold_size17_font_def_ptr},
    {16, &arialuni_size16_font_def_ptr, &myriad_pro_bold_size16_font_def_ptr},
    {14, &arialuni_size14_font_def_ptr, &myriad_pro_bold_size14_font_def_ptr},
    {9, &arialuni_size9_font_def_ptr, &myriad_pro_bold_size9_font_def_ptr},
};

const FONT_DEF* T_INFO_pFont(U32 u32Points) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  for (const auto& f : s_aFonts) {
    if (f.u32Points == u32Points) return bWide ? *f.ppWide : *f.ppLatin;
  }
  return bWide ? arialuni_size14_font_def_ptr : myriad_pro_bold_size14_font_def_ptr;
}

// Readouts that do not fit step down through these sizes, no further.
constexpr U32 INFO_SMALLEST_STEP = 14;

// The largest size of the readouts' fonts at most u32Points, in the family of
// the readouts; null when there is none down to the smallest step.
static const FONT_DEF* INFO_pFontAtMost(U32 u32Points) {
  for (const auto& f : s_aFonts) {
    if (f.u32Points <= u32Points && f.u32Points >= INFO_SMALLEST_STEP) return T_INFO_pFont(f.u32Points);
  }
  return nullptr;
}

// The next smaller readout font, or null: at the smallest step, or a font
// that is not one of the readouts'.
static const FONT_DEF* INFO_pSmaller(const FONT_DEF* pFont) {
  if (pFont == nullptr || T_INFO_pFont(pFont->u32Height) != pFont) return nullptr;
  return pFont->u32Height > INFO_SMALLEST_STEP ? INFO_pFontAtMost(pFont->u32Height - 1) : nullptr;
}


static void INFO_vResolve(const BITMAP* pBitmap, S32* px, S32* py) {
  if (*px < 0) *px += pBitmap->pixels_wide;
  if (*py < 0) *py += pBitmap->pixels_high;
}

static S32 INFO_nMax(S32 a, S32 b) { return a > b ? a : b; }

// ---------------------------------------------------------------------------
// Bars

static U32 INFO_u32Radius(S32 w, S32 h, U32 u32Radius) {
  const S32 limit = (w < h ? w : h) / 2;
  return limit < 0 ? 0 : (S32)u32Radius > limit ? (U32)limit : u32Radius;
}

static void INFO_vRounded(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y, S32 w, S32 h, U32 r, BOOLEAN bFilled,
                          BOOLEAN bAlpha) {
  if (w <= 0 || h <= 0) return;
  const POINT pt = {x, y};
  r = INFO_u32Radius(w, h, r);
  if (!bFilled) {
    G_BOX_vDrawRounded(pBitmap, COLOR_colEntry(u32Entry), &pt, (U32)w, (U32)h, r);
  } else if (bAlpha) {
    G_BOX_vDrawRoundedFilledAlpha(pBitmap, COLOR_colEntry(u32Entry), &pt, (U32)w, (U32)h, r, T_INFO_u8Alpha());
  } else {
    G_BOX_vDrawRoundedFilled(pBitmap, COLOR_colEntry(u32Entry), &pt, (U32)w, (U32)h, r);
  }
}

static void INFO_vFilled(BITMAP* pBitmap, U32 u32Entry, S32 x, S32 y, S32 w, S32 h, BOOLEAN bAlpha) {
  if (w <= 0 || h <= 0) return;
  const POINT pt = {x, y};
  if (bAlpha) {
    G_BOX_vDrawFilledAlpha(pBitmap, COLOR_colEntry(u32Entry), &pt, (U32)w, (U32)h, T_INFO_u8Alpha());
  } else {
    G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(u32Entry), &pt, (U32)w, (U32)h);
  }
}

// The bars by style: kind, colour entry, radius.
enum INFO_BAR_KIND : U8 { BAR_NOTHING, BAR_FILLED, BAR_FILLED_ALPHA, BAR_ROUNDED, BAR_BORDERED, BAR_BORDERED_ALPHA };
static const struct {
  INFO_BAR_KIND eKind;
  U8 u8Entry;
  U8 u8Radius;
} s_aBars[] = {
    /* 0 */ {BAR_NOTHING, 0, 0},
    /* 1 IBS_NONE */ {BAR_NOTHING, 0, 0},
    /* 2 IBS_GRAY_ROUNDED_BORDER */ {BAR_BORDERED, 128, 3},
    /* 3 IBS_GRAY_ROUNDED_BORDER_SANS_BACKGROUND */ {BAR_NOTHING, 0, 0},
    /* 4 IBS_ALWAYS_BLACK_ROUNDED_BAR */ {BAR_ROUNDED, 32, 10},
    /* 5 IBS_DK_GRAY_ROUNDED_BAR */ {BAR_ROUNDED, 130, 10},
    /* 6 IBS_LT_GRAY_ROUNDED_BAR */ {BAR_ROUNDED, 129, 10},
    /* 7 IBS_WHITE_ROUNDED_BAR */ {BAR_ROUNDED, 128, 10},
    /* 8 IBS_BLACK_BAR */ {BAR_FILLED, 131, 0},
    /* 9 IBS_RED_BAR */ {BAR_FILLED, 132, 0},
    /* 10 IBS_WHITE_BAR */ {BAR_FILLED, 128, 0},
    /* 11 IBS_ALWAYS_WHITE_BAR */ {BAR_FILLED, 35, 0},
    /* 12 IBS_SEMITRANSPARENT_VORNE_DARK_GRAY_BAR */ {BAR_FILLED_ALPHA, 238, 0},
    /* 13 IBS_SEMITRANSPARENT_GRAY_ROUNDED_BORDER */ {BAR_BORDERED_ALPHA, 128, 3},
    /* 14 IBS_VORNE_LIGHT_GRAY_BAR */ {BAR_FILLED, 236, 0},
    /* 15 IBS_VORNE_DARK_GRAY_BAR */ {BAR_FILLED, 238, 0},
    /* 16 IBS_VORNE_BRISVALE_YELLOW_BAR */ {BAR_FILLED, 241, 0},
};

void T_INFO_vDrawInfoBar(BITMAP* pBitmap, S32 nBoxWidth, S32 nHeight, S32 nXPosition, S32 nYPosition,
                         INFO_BOX_STYLE eBoxStyle) {
  S32 x = nXPosition;
  S32 y = nYPosition;
  INFO_vResolve(pBitmap, &x, &y);
  S32 h = nHeight;
  if (y >= 1) {
    y -= 1;
    h += 2;
  }
  if ((U32)eBoxStyle >= sizeof s_aBars / sizeof s_aBars[0]) return;
  const auto& bar = s_aBars[eBoxStyle];
  const S32 w = nBoxWidth;
  switch (bar.eKind) {
    case BAR_FILLED:
    case BAR_FILLED_ALPHA:
      INFO_vFilled(pBitmap, bar.u8Entry, x, y, w, h, bar.eKind == BAR_FILLED_ALPHA);
      break;
    case BAR_ROUNDED:
      INFO_vRounded(pBitmap, bar.u8Entry, x, y, w, h, bar.u8Radius, TRUE, FALSE);
      break;
    case BAR_BORDERED:
    case BAR_BORDERED_ALPHA:
      INFO_vRounded(pBitmap, 130, x, y, w, h, 5, FALSE, FALSE);
      INFO_vRounded(pBitmap, 130, x + 1, y + 1, w - 2, h - 2, 3, FALSE, FALSE);
      INFO_vRounded(pBitmap, 130, x + 2, y + 2, w - 4, h - 4, 3, FALSE, FALSE);
      INFO_vRounded(pBitmap, bar.u8Entry, x + 3, y + 3, w - 6, h - 6, bar.u8Radius, TRUE,
                    bar.eKind == BAR_BORDERED_ALPHA);
      break;
    case BAR_NOTHING:
      break;
  }
}

// ---------------------------------------------------------------------------
// Texts

void T_INFO_vDrawText(BITMAP* pBitmap, S32 nXPosition, S32 nYPosition, const char* const* pString,
                      const FONT_DEF* pFont, U32 nLang) {
  if (pString == nullptr) return;
  POINT pt = {nXPosition, nYPosition};
  INFO_vResolve(pBitmap, &pt.x, &pt.y);
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &pt, pFont, (const BYTE*)pString[nLang]);
}

void T_INFO_vDrawInfoTitleText(BITMAP* pBitmap, S32 nXPosition, S32 nYPosition, const char* const* pString,
                               const FONT_DEF* pFont, U32 nLang) {
  T_INFO_vDrawText(pBitmap, nXPosition, nYPosition - 5, pString, pFont, nLang);
}

void T_INFO_vDrawTextRight(BITMAP* pBitmap, S32 nXPosition, S32 nYPosition, const char* const* pString,
                           const FONT_DEF* pFont, U32 nLang) {
  if (pString == nullptr) return;
  POINT pt = {nXPosition, nYPosition};
  INFO_vResolve(pBitmap, &pt.x, &pt.y);
  pt.x -= (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pString[nLang]);
  if (pt.x < 0) pt.x = 0;
  G_STRING_vPut(pBitmap, COLOR_colEntry(131), &pt, pFont, (const BYTE*)pString[nLang]);
}

static BOOLEAN INFO_bSeparateTemperatures(void) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(FCID("SFEF"), &b, nullptr, nullptr) && b;
}

// Short titles of live items; the second text replaces the first when the
// unit tells its temperature sensors apart (SFEF).
static const struct {
  FOURCHARID fcid;
  const char* const* pTitle;
  const char* const* pNumbered;
  BOOLEAN bRightAligned;
} s_aTitles[] = {
    {FCID("IDEP"), Depth, nullptr, FALSE},   {FCID("IDER"), R_Depth, nullptr, FALSE},
    {FCID("ITMP"), Temp, Temp_1, FALSE},     {FCID("ITMT"), Temp, Temp_1, FALSE},
    {FCID("ITMS"), Aux_Temp, Temp_2, FALSE}, {FCID("IRTP"), R_Temp, Temp_3, FALSE},
    {FCID("IRTS"), R_A_Temp, Temp_4, FALSE}, {FCID("ISPD"), Speed, nullptr, FALSE},
    {FCID("ISTW"), STW, nullptr, FALSE},     {FCID("ISOG"), SOG, nullptr, FALSE},
    {FCID("ISMG"), SMG, nullptr, TRUE},      {FCID("IHDG"), COG, nullptr, FALSE},
    {FCID("IHDC"), Heading, nullptr, FALSE}, {FCID("ICMG"), CMG, nullptr, TRUE},
    {FCID("IVMG"), VMG, nullptr, FALSE},     {FCID("IBRG"), Bearing, nullptr, FALSE},
    {FCID("IXTE"), XTE, nullptr, TRUE},      {FCID("IDTG"), DTG, nullptr, TRUE},
    {FCID("IDTF"), DTG, nullptr, TRUE},      {FCID("ITTG"), TTG, nullptr, TRUE},
    {FCID("ITTF"), TTG, nullptr, TRUE},      {FCID("IETA"), ETA, nullptr, TRUE},
    {FCID("IETF"), ETA, nullptr, TRUE},      {FCID("ITRK"), TRK, nullptr, TRUE},
    {FCID("IDST"), DIST, nullptr, TRUE},     {FCID("ITAW"), Timer, nullptr, FALSE},
    {FCID("IBAT"), Battery, nullptr, FALSE}, {FCID("IVLT"), VLT, nullptr, FALSE},
    {FCID("IPTH"), Pitch, nullptr, FALSE},   {FCID("IROL"), Roll, nullptr, FALSE},
    {FCID("ITMO"), Time, nullptr, FALSE},
};

// The item's short title, or null when it has none.
static const char* const* INFO_ppTitle(FOURCHARID fcid, BOOLEAN* pbRight) {
  for (const auto& t : s_aTitles) {
    if (t.fcid != fcid) continue;
    if (pbRight != nullptr) *pbRight = t.bRightAligned;
    return t.pNumbered != nullptr && INFO_bSeparateTemperatures() ? t.pNumbered : t.pTitle;
  }
  return nullptr;
}

// Right-aligned titles end 156 pixels right of the box's left edge xBox, so
// that a box drawn anywhere but the column keeps its title inside it.
static void INFO_vDrawTitle(BITMAP* pBitmap, POINT* ppt, FOURCHARID fcid, const FONT_DEF* pUnitsFont, U32 nLang,
                            S32 xBox) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const FONT_DEF* pFont = bWide ? T_INFO_pFont(14) : pUnitsFont;
  BOOLEAN bRight = FALSE;
  const char* const* pTitle = INFO_ppTitle(fcid, &bRight);
  if (pTitle == nullptr) return;
  if (pFont == T_INFO_pFont(14)) {
    if (!bWide && fcid == FCID("ISPD")) pTitle = SOG;
    if (bRight) {
      ppt->x = xBox + 156 - (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pTitle[nLang]);
    } else {
      ppt->x += 2;
    }
    ppt->y -= 1;
  }
  INFO_vResolve(pBitmap, &ppt->x, &ppt->y);
  POINT pt = {ppt->x, ppt->y - 5};
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &pt, pFont, (const BYTE*)pTitle[nLang]);
}

void T_INFO_vDrawInfoBoxTitle(BITMAP* pBitmap, POINT* ppt, FOURCHARID fcid, const FONT_DEF* pUnitsFont, U32 nLang) {
  INFO_vDrawTitle(pBitmap, ppt, fcid, pUnitsFont, nLang, 0);
}

// ---------------------------------------------------------------------------
// Boxes

static DIGITS_FORMAT INFO_eDigitsFormat(DIGITS_FORMAT eForceFormat) {
  if (eForceFormat != DONT_FORCE) return eForceFormat;
  U32 u32Format = SMALL_TENTHS;
  H_DATABASE_bFetchU32(FCID("SFMT"), &u32Format, nullptr, nullptr);
  return (DIGITS_FORMAT)u32Format;
}

// Cross-track error and velocity made good mean nothing in continuous
// navigation mode once a course change is pending.
static BOOLEAN INFO_bContinuousNavigationHides(FOURCHARID fcid) {
  if (fcid != FCID("IXTE") && fcid != FCID("IVMG")) return FALSE;
  BOOLEAN bContinuous = FALSE;
  BOOLEAN bChange = FALSE;
  return H_DATABASE_bFetchBoolean(FCID("SNCM"), &bContinuous, nullptr, nullptr) && bContinuous &&
         H_DATABASE_bFetchBoolean(FCID("CCNC"), &bChange, nullptr, nullptr) && bChange;
}

// What a box shows: its texts, widths and fonts after the fallbacks.
struct INFO_BOX_TEXT {
  char acValue[INFO_VALUE_SIZE];
  const char* pUnits;
  BOOLEAN bValid;
  BOOLEAN bDashes;
  S32 nValueWidth;
  S32 nUnitsWidth;
  const FONT_DEF* pValueFont;
  const FONT_DEF* pTenthsFont;
};

static void INFO_vDashes(INFO_BOX_TEXT* t, const char* pcDashes) {
  memset(t->acValue, 0, sizeof t->acValue);
  strcpy(t->acValue, pcDashes);
  U_WSTRING_vReplaceNarrowWithWide(t->acValue, sizeof t->acValue);
  t->pUnits = "";
  t->bValid = TRUE;
  t->bDashes = TRUE;
  t->nValueWidth = (S32)G_STRING_u32GetWidth(t->pValueFont, (const BYTE*)t->acValue);
  t->nUnitsWidth = 0;
}

// The width the value takes as INFO_vPutValue draws it: the whole part in
// the value font and, with a smaller tenths font, the point and what
// follows in that.
static S32 INFO_nDrawnWidth(const INFO_BOX_TEXT* t) {
  const char* point = U_WSTRING_pw_strchr(t->acValue, '.');
  if (t->pTenthsFont == t->pValueFont || point == nullptr) {
    return (S32)G_STRING_u32GetWidth(t->pValueFont, (const BYTE*)t->acValue);
  }
  char whole[INFO_VALUE_SIZE] = {};
  memcpy(whole, t->acValue, (size_t)(point - t->acValue));
  return (S32)(G_STRING_u32GetWidth(t->pValueFont, (const BYTE*)whole) +
               G_STRING_u32GetWidth(t->pTenthsFont, (const BYTE*)point));
}

// The tenths font for a value font stepped down, smaller by as much as the
// first was.
static const FONT_DEF* INFO_pTenthsFor(const FONT_DEF* pValue, const FONT_DEF* pValueWas, const FONT_DEF* pTenthsWas) {
  if (pTenthsWas == pValueWas || pValueWas->u32Height == 0) return pValue;
  const FONT_DEF* p = INFO_pFontAtMost(pValue->u32Height * pTenthsWas->u32Height / pValueWas->u32Height);
  return p != nullptr ? p : pValue;
}

// Formats the item into the box's text. A value wider than the room
// pfnRoom leaves it in a box nMinWidth wide steps down a font size at a
// time, so it stays inside its box, down to the smallest step; it starts
// u32StepsDown sizes smaller. FALSE when the item does not exist.
static BOOLEAN INFO_bBoxText(INFO_BOX_TEXT* t, FOURCHARID fcid, const FONT_DEF* pValueFont,
                             const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont, DIGITS_FORMAT eFormat,
                             U32 nLang, S32 (*pfnRoom)(const INFO_BOX_TEXT*, S32), S32 nMinWidth, U32 u32StepsDown) {
  if (eFormat == LARGE_TENTHS) pTenthsFont = pValueFont;
  if (fcid == FCID("ITAW")) pValueFont = T_INFO_pFont(44);
  const FONT_DEF* const pValueWas = pValueFont;
  const FONT_DEF* const pTenthsWas = pTenthsFont;
  for (U32 i = 0; i < u32StepsDown && INFO_pSmaller(pValueFont) != nullptr; i++) pValueFont = INFO_pSmaller(pValueFont);
  for (;;) {
    t->pValueFont = pValueFont;
    t->pTenthsFont = INFO_pTenthsFor(pValueFont, pValueWas, pTenthsWas);
    t->bDashes = FALSE;
    if (fcid == INFO_FCID_NO_VALUE) {
      INFO_vDashes(t, "---");
      return TRUE;
    }
    if (T_INFO_bNoDepth(fcid)) {
      INFO_vDashes(t, "--");
      return TRUE;
    }
    t->pUnits = nullptr;
    T_INFO_nInfoStrings(t->acValue, &t->pUnits, &t->bValid, 0, fcid, t->pValueFont, pUnitsFont, t->pTenthsFont,
                        eFormat, nLang, (S32)INFO_VALUE_SIZE, &t->nValueWidth, &t->nUnitsWidth);
    if (t->pUnits == nullptr) return FALSE;
    if (INFO_bContinuousNavigationHides(fcid)) {
      INFO_vDashes(t, "---");
      return TRUE;
    }
    t->nValueWidth = INFO_nDrawnWidth(t);
    const FONT_DEF* pSmaller = INFO_pSmaller(pValueFont);
    if (t->nValueWidth <= pfnRoom(t, nMinWidth) || pSmaller == nullptr) return TRUE;
    pValueFont = pSmaller;
  }
}

static S32 INFO_nBoxWidth(const INFO_BOX_TEXT* t, S32 nMinWidth) {
  if (t->bDashes) return INFO_nMax(INFO_nMax(t->nValueWidth, 4), nMinWidth);
  return INFO_nMax(INFO_nMax(t->nUnitsWidth + 4, t->nValueWidth), nMinWidth);
}

// The value at pt: the whole part in the value font and, with a smaller
// tenths font, the point and what follows in that font.
static void INFO_vPutValue(BITMAP* pBitmap, POINT pt, const INFO_BOX_TEXT* t) {
  const COLOR color = COLOR_colEntry(35);
  const char* point = U_WSTRING_pw_strchr(t->acValue, '.');
  if (t->pTenthsFont == t->pValueFont || point == nullptr) {
    G_STRING_vPut(pBitmap, color, &pt, t->pValueFont, (const BYTE*)t->acValue);
    return;
  }
  char whole[INFO_VALUE_SIZE] = {};
  memcpy(whole, t->acValue, (size_t)(point - t->acValue));
  G_STRING_vPut(pBitmap, color, &pt, t->pValueFont, (const BYTE*)whole);
  G_STRING_vPut(pBitmap, color, &pt, t->pTenthsFont, (const BYTE*)point);
}

// The room a value has in a box of the width, by where the justification
// puts the value and its units and what margin it leaves on the left.
static S32 INFO_nRoomRightUnits(const INFO_BOX_TEXT*, S32 nWidth) { return nWidth - 6; }
static S32 INFO_nRoomNoTick(const INFO_BOX_TEXT*, S32 nWidth) { return nWidth - 4; }
static S32 INFO_nRoomBeforeUnits(const INFO_BOX_TEXT* t, S32 nWidth) {
  return nWidth - 4 - (U_WSTRING_bIsStringNull(t->pUnits) ? 0 : t->nUnitsWidth + 6);
}

static S32 (*INFO_pfnRoom(INFO_JUSTIFICATION eJustification))(const INFO_BOX_TEXT*, S32) {
  switch (eJustification) {
    case INSTRUMENTATION_JUSTIFY_LEFT:
    case JUSTIFY_LEFT:
    case JUSTIFY_RIGHT:
      return INFO_nRoomBeforeUnits;
    case INSTRUMENTATION_JUSTIFY_RIGHT_NO_TICK:
      return INFO_nRoomNoTick;
    default:
      return INFO_nRoomRightUnits;
  }
}

// How far the value's glyphs reach above its baseline.
static S32 INFO_nValueTop(const INFO_BOX_TEXT* t) {
  char whole[INFO_VALUE_SIZE] = {};
  const char* point = t->pTenthsFont == t->pValueFont ? nullptr : U_WSTRING_pw_strchr(t->acValue, '.');
  memcpy(whole, t->acValue, point != nullptr ? (size_t)(point - t->acValue) : sizeof whole - 2);
  S32 top = 0;
  G_TEXT_BOX box;
  if (G_TRUETYPE_M_bInkBox(whole, t->pValueFont, &box)) top = box.top;
  if (point != nullptr && G_TRUETYPE_M_bInkBox(point, t->pTenthsFont, &box) && box.top > top) top = box.top;
  return top;
}

// The value's baseline above the box's bottom edge.
constexpr S32 INFO_VALUE_BASELINE = 4;
// Rows the units text keeps below the bar's top edge.
constexpr S32 INFO_UNITS_MARGIN = 2;

// The baseline of a title above the value: where the layout puts it, or as
// much higher as keeps its descenders clear of tall digits. FALSE when even
// then it would leave the box: the value has to be smaller.
static BOOLEAN INFO_bTitleAbove(const INFO_BOX_TEXT* t, FOURCHARID fcid, S32 nHeight, const FONT_DEF* pUnitsFont,
                                S32* pnTitleY) {
  const FONT_DEF* pTitleFont = U_WSTRING_bIsUnicodeLanguage() ? T_INFO_pFont(14) : T_INFO_pFont(17);
  *pnTitleY = nHeight - 2 - (S32)G_FONTS_u32GetCoreHeight(pUnitsFont);
  if (INFO_ppTitle(fcid, nullptr) == nullptr) return TRUE;
  // The title draws 5 rows lower, 6 in the small font (INFO_vDrawTitle).
  const S32 drop = pTitleFont == T_INFO_pFont(14) ? 6 : 5;
  const S32 bottom = *pnTitleY - drop - (S32)G_FONTS_u32GetDescenderHeight(pTitleFont);
  const S32 clear = INFO_VALUE_BASELINE + INFO_nValueTop(t) + 2;
  if (t->bDashes || bottom >= clear) return TRUE;
  *pnTitleY += clear - bottom;
  return *pnTitleY - drop + (S32)(G_FONTS_u32GetCoreHeight(pTitleFont) * 3 / 4) < nHeight;
}

S32 T_INFO_nDrawDigitsInfoBox(BITMAP* pBitmap, S32 nMinWidth, S32 nHeight, S32 nXPosition, S32 nYPosition,
                              FOURCHARID fcid, const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont,
                              const FONT_DEF* pTenthsFont, DIGITS_FORMAT eForceFormat, INFO_BOX_STYLE eBoxStyle,
                              INFO_JUSTIFICATION eJustification, U32 nLang) {
  const BOOLEAN bUnitsRight = eJustification != JUSTIFY_LEFT && eJustification != JUSTIFY_RIGHT;
  INFO_BOX_TEXT t;
  S32 titleY = 0;
  for (U32 steps = 0;; steps++) {
    if (!INFO_bBoxText(&t, fcid, pValueFont, pUnitsFont, pTenthsFont, INFO_eDigitsFormat(eForceFormat), nLang,
                       INFO_pfnRoom(eJustification), nMinWidth, steps)) {
      return 0;
    }
    if (!bUnitsRight || INFO_bTitleAbove(&t, fcid, nHeight, pUnitsFont, &titleY) ||
        INFO_pSmaller(t.pValueFont) == nullptr) {
      break;
    }
  }
  const S32 width = INFO_nBoxWidth(&t, nMinWidth);
  S32 x = nXPosition;
  S32 y = nYPosition;
  INFO_vResolve(pBitmap, &x, &y);
  // Drawn whole or not at all: a window over part of the box leaves it out,
  // in its place all the same.
  const VIEWAREA_BOX box = {x, y >= 1 ? y - 1 : y, width, y >= 1 ? nHeight + 2 : nHeight};
  if (!U_VIEWAREA_bReadout(&box)) return width;
  T_INFO_vDrawInfoBar(pBitmap, width, nHeight, x, y, eBoxStyle);

  const BOOLEAN bUnits = !U_WSTRING_bIsStringNull(t.pUnits);
  const S32 W = t.nValueWidth;
  const S32 U = t.nUnitsWidth;
  S32 valueX = 0;
  BOOLEAN bSeparator = FALSE;
  switch (eJustification) {
    case INSTRUMENTATION_JUSTIFY_LEFT:
      valueX = x + width - W - (bUnits ? U + 4 : 0);
      break;
    case INSTRUMENTATION_JUSTIFY_RIGHT_NO_TICK:
      valueX = x + width - W;
      break;
    case JUSTIFY_LEFT:
      valueX = x + 4;
      break;
    case JUSTIFY_RIGHT:
      valueX = x + width - W - (bUnits ? U + 6 : 0);
      break;
    default:
      valueX = x + width - W - 2;
      bSeparator = TRUE;
      break;
  }
  if (t.bValid || t.bDashes || T_INFO_bBlinkState()) INFO_vPutValue(pBitmap, {valueX, y + INFO_VALUE_BASELINE}, &t);

  if (bUnits) {
    const FONT_DEF* pSmall = T_INFO_pFont(14);
    const S32 unitsWidth = (S32)G_STRING_u32GetWidth(pSmall, (const BYTE*)t.pUnits);
    POINT pt = {};
    if (bUnitsRight) {
      pt.x = x + width - 2 - unitsWidth + (fcid == FCID("STLD") ? 1 : 0);
      pt.y = y + nHeight + 7 - (S32)G_FONTS_u32GetCoreHeight(pUnitsFont);
      // Placed by a larger units font than the one it is drawn in, the
      // units text of a tall box would rise through the bar's top edge (and
      // off the screen for a box at the top): a character of a wide script,
      // taller than the Latin letters, vanished whole. It is lowered to stay
      // inside, and its separator with it.
      const S32 barTop = y + nHeight;
      G_TEXT_BOX ink;
      if (G_TRUETYPE_M_bInkBox(t.pUnits, pSmall, &ink) && pt.y + ink.top > barTop - INFO_UNITS_MARGIN) {
        pt.y = barTop - INFO_UNITS_MARGIN - ink.top;
      }
      if (width >= INFO_WIDEST_LARGE_VALUE && bSeparator) {
        for (S32 dx = 4; dx <= 5; dx++) {
          POINT a = {pt.x - dx, pt.y};
          POINT b = {pt.x - dx, pt.y + 15 < barTop ? pt.y + 15 : barTop - 1};
          G_LINE_vDraw(pBitmap, COLOR_colEntry(236), &a, &b);
        }
      }
    } else {
      pt.x = valueX + W + 2;
      pt.y = y + 4;
    }
    G_STRING_vPut(pBitmap, COLOR_colEntry(35), &pt, pSmall, (const BYTE*)t.pUnits);
  }
  POINT title = {};
  title.y = y + nHeight - 2 - (S32)G_FONTS_u32GetCoreHeight(pUnitsFont);
  if (bUnitsRight) {
    title.x = x + 4;
    title.y = y + titleY;
    INFO_vDrawTitle(pBitmap, &title, fcid, T_INFO_pFont(17), nLang, x);
  } else {
    title.x = x + 98;
    INFO_vDrawTitle(pBitmap, &title, fcid, pUnitsFont, nLang, x);
  }
  return width;
}

S32 T_INFO_nDrawInfoBox(BITMAP* pBitmap, S32 nMinWidth, S32 nHeight, S32 nXPosition, S32 nYPosition, FOURCHARID fcid,
                        const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont, INFO_BOX_STYLE eBoxStyle,
                        INFO_JUSTIFICATION eJustification, U32 nLang) {
  return T_INFO_nDrawDigitsInfoBox(pBitmap, nMinWidth, nHeight, nXPosition, nYPosition, fcid, pValueFont, pUnitsFont,
                                   pValueFont, DONT_FORCE, eBoxStyle, eJustification, nLang);
}

S32 T_INFO_nMeasureDigitsInfoBox(S32 nMinWidth, FOURCHARID fcid, const FONT_DEF* pValueFont,
                                 const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont, DIGITS_FORMAT eForceFormat,
                                 INFO_BOX_STYLE eBoxStyle, U32 nLang) {
  char value[INFO_VALUE_SIZE] = {};
  const char* units = nullptr;
  BOOLEAN bValid = FALSE;
  S32 W = 0;
  S32 U = 0;
  T_INFO_nInfoStrings(value, &units, &bValid, nMinWidth, fcid, pValueFont, pUnitsFont, pTenthsFont,
                      INFO_eDigitsFormat(eForceFormat), nLang, (S32)INFO_VALUE_SIZE, &W, &U);
  if (units == nullptr) return 0;
  S32 width = W + U + 1;
  if (eBoxStyle == IBS_GRAY_ROUNDED_BORDER || eBoxStyle == IBS_SEMITRANSPARENT_GRAY_ROUNDED_BORDER) width += 12;
  return INFO_nMax(nMinWidth, width);
}

S32 T_INFO_nMeasureInfoBox(S32 nMinWidth, FOURCHARID fcid, const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont,
                           INFO_BOX_STYLE eBoxStyle, U32 nLang) {
  return T_INFO_nMeasureDigitsInfoBox(nMinWidth, fcid, pValueFont, pUnitsFont, pValueFont, DONT_FORCE, eBoxStyle,
                                      nLang);
}

// ---------------------------------------------------------------------------
// Layout

// A slot holds something to draw: a renderer, or a readout whose live item
// exists.
static BOOLEAN INFO_bSlotDrawable(FOURCHARID slot) {
  DB_DATA_TYPE value = {};
  DB_ATTRIBUTES attributes = {};
  if (!H_DATABASE_bFetch(slot, &value, nullptr, &attributes)) return FALSE;
  if (attributes.DataType != D_FCID || value.u32Val == 0) return FALSE;
  DB_DATA_TYPE readout = {};
  DB_ATTRIBUTES readoutAttributes = {};
  if (!H_DATABASE_bFetch(value.u32Val, &readout, nullptr, &readoutAttributes)) return FALSE;
  if (readoutAttributes.DataType == D_POINTER) return TRUE;
  if (readoutAttributes.DataType != D_FCID) return FALSE;
  DB_DATA_TYPE live = {};
  return H_DATABASE_bFetch(readout.u32Val, &live, nullptr, nullptr) || readout.u32Val == FCID("IDEP");
}

static const S32 s_anBoxUpper[INFO_SLOTS] = {482, 386, 290, 194, 98};
static const S32 s_anBoxLower[INFO_SLOTS] = {381, 285, 189, 93, -3};

S32 T_INFO_nBoxWidth_Common(S32 nMinY, S32 nMaxY, const FOURCHARID* fcidSelection) {
  for (U32 k = 0; k < INFO_SLOTS; k++) {
    if (nMinY > s_anBoxUpper[k]) return 0;
    if (nMaxY > s_anBoxLower[k] && INFO_bSlotDrawable(fcidSelection[k])) return INFO_COLUMN_WIDTH;
  }
  return 0;
}

S32 T_INFO_nBoxWidth_SonarView(S32 nMinY, S32 nMaxY) { return T_INFO_nBoxWidth_Common(nMinY, nMaxY, T_INFO_pSlotSet()); }

S32 T_INFO_nBoxWidth_TrackChartView(S32 nMinY, S32 nMaxY) {
  return T_INFO_nBoxWidth_Common(nMinY, nMaxY, T_INFO_pSlotSet());
}

static BOOLEAN INFO_bBigDigitsView(S32 view) { return view == ZOLT_DIGIT_VIEW_PRIORITY || view == ZOLT_DIGIT_ICE_VIEW_PRIORITY; }

static BOOLEAN INFO_bDiagnosticView(S32 view) {
  return view == DIAGNOSTIC_SELF_TEST || view == DIAGNOSTIC_GPS_CARTOGRAPHY || view == DIAGNOSTIC_ACCESSORY_CATALOG;
}

U32 T_INFO_u32XOrigin(void) {
  const S32 view = U_VIEW_eCurrentView();
  if (!INFO_bBigDigitsView(view) && !INFO_bDiagnosticView(view) && T_INFO_eDataBoxOption() != DATA_BOXES_ON) return 0;
  if (view < 7 || (view >= SONAR_2D_PLUS_FLASHER_ICE_PRIORITY && view <= SONAR_FLASHER_ICE_PRIORITY) ||
      view == CHART_PLUS_FLASHER_ICE_VIEW_PRIORITY || (view >= 155 && view <= 159)) {
    return 0;
  }
  if (INFO_bBigDigitsView(view)) return 300;
  const FOURCHARID* slots = T_INFO_pSlotSet();
  for (U32 i = 0; i < INFO_SLOTS; i++) {
    if (T_INFO_bFCIDIsValidSelection(slots[i])) return 160;
  }
  return 0;
}

U32 T_INFO_u32Setting(FOURCHARID id, U32 u32Default) {
  U32 value = u32Default;
  H_DATABASE_bFetchU32(id, &value, nullptr, nullptr);
  return value;
}

U32 T_INFO_u32GetDataBoxOverlayColor(LAYER_ID eView, U32* pu32ColorOutline) {
  BOOLEAN bSwapped = FALSE;
  switch (eView) {
    case SONAR_VIEW_PRIORITY:
    case DOWNIMAGING_PLUS_2D_VIEW_PRIORITY:
    case SONAR_SIDESCAN_PLUS_2D_PRIORITY:
    case SONAR_PPI_PLUS_2D_VIEW_PRIORITY:
    case SONAR_ZOOM_VIEW_PRIORITY:
    case SONAR_DUAL_BEAM_VIEW_PRIORITY:
    case DOWNIMAGING_PLUS_SIDESCAN_PLUS_2D_VIEW_PRIORITY:
    case SI_ON_TOP_AND_2D_DI_ON_BOTTOM_VIEW_PRIORITY:
    case CHART_PLUS_2D_VIEW_PRIORITY:
    case SONAR_ICE_VIEW_PRIORITY:
    case SONAR_ZOOM_ICE_VIEW_PRIORITY:
    case SONAR_DUAL_BEAM_ICE_VIEW_PRIORITY:
    case CHART_PLUS_2D_ICE_VIEW_PRIORITY: {
      const U32 palette = T_INFO_u32Setting(FCID("SSPL"), 0);
      bSwapped = (palette >= 8 && palette <= 17) || (palette >= 19 && palette <= 22);
      break;
    }
    case SONAR_SIDEVIEW:
    case SI_ON_TOP_AND_DI_ON_BOTTOM_VIEW_PRIORITY:
    case CHART_PLUS_SIDESCAN_VIEW_PRIORITY:
    case CHART_PLUS_SI_VIEW_PRIORITY:
      bSwapped = T_INFO_u32Setting(FCID("SPSC"), 0) != 2;
      break;
    case SONAR_SIDEVIEW_AND_DOWN:
    case CHART_PLUS_DOWNIMAGING_VIEW_PRIORITY:
      bSwapped = T_INFO_u32Setting(FCID("SDSC"), 0) != 2;
      break;
    case RADAR_VIEW_PRIORITY:
      bSwapped = TRUE;
      break;
    default:
      break;
  }
  if (pu32ColorOutline != nullptr) *pu32ColorOutline = bSwapped ? 32 : 35;
  return bSwapped ? 35 : 32;
}
