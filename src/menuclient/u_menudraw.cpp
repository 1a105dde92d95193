// The drawing helpers other screens borrow to look like menus: the power
// pop-up, the overlay screens and the timer editor draw their rows with them.
// They keep no menu state; the selection box and the bar read their key.

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <cmath>

#include "g_box.h"
#include "g_line.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_menulook.h"
#include "u_wstring.h"

U32 T_MENU_u32GetMinMenuWidth(void) { return 300; }

static const char* DRAW_pcText(MENU_TEXT pTable) { return pTable != nullptr ? pTable[nCurrentLanguage()] : nullptr; }

void T_MENU_vDrawMaskBackground(BITMAP* pBitmap) {
  if (pBitmap == nullptr) return;
  S32 view = NO_VIEW_PRIORITY;
  if (!H_DATABASE_bFetchS32(FCID("CVEW"), &view, nullptr, nullptr)) return;
  if (view < DIAGNOSTIC_1 || view > DIAGNOSTIC_ACCESSORY_CATALOG) return;
  const POINT origin = {0, 0};
  G_BOX_vDrawFilledAlpha(pBitmap, U_MENULOOK_color(MENU_COLOR_BLACK), &origin, (U32)pBitmap->pixels_wide,
                         (U32)pBitmap->pixels_high, 128);
}

void U_MENU_vDrawArrowRight(BITMAP* pBitmap, S32 x, S32 y, U32 u32Size, COLOR color) {
  if (pBitmap == nullptr || u32Size == 0 || u32Size > 480) return;
  const S32 width = (S32)(u32Size + 1) / 2;
  for (S32 i = 0; i < width; i++) {
    POINT from = {x + i, y + i};
    POINT to = {x + i, y + (S32)u32Size - 1 - i};
    G_LINE_vDraw(pBitmap, color, &from, &to);
  }
}

void U_MENU_vDrawArrowLeft(BITMAP* pBitmap, S32 x, S32 y, U32 u32Size, COLOR color) {
  if (pBitmap == nullptr || u32Size == 0 || u32Size > 480) return;
  const S32 width = (S32)(u32Size + 1) / 2;
  for (S32 i = 0; i < width; i++) {
    const S32 inset = width - 1 - i;
    POINT from = {x + i, y + inset};
    POINT to = {x + i, y + (S32)u32Size - 1 - inset};
    G_LINE_vDraw(pBitmap, color, &from, &to);
  }
}

// Triangles pointing up or down, drawn row by row: u32Size wide, (u32Size + 1) / 2 high.
static void DRAW_vArrowVertical(BITMAP* pBitmap, S32 x, S32 y, U32 u32Size, COLOR color, BOOLEAN bUp) {
  const S32 height = (S32)(u32Size + 1) / 2;
  for (S32 j = 0; j < height; j++) {
    const S32 inset = bUp ? j : height - 1 - j;
    POINT from = {x + inset, y + j};
    POINT to = {x + (S32)u32Size - 1 - inset, y + j};
    G_LINE_vDraw(pBitmap, color, &from, &to);
  }
}

void T_MENU_vDrawMoreDownTab(BITMAP* pBitmap, POINT anchor, U32 u32Width, BOOLEAN bMoreUp, BOOLEAN bMoreDown) {
  if (pBitmap == nullptr || (!bMoreUp && !bMoreDown) || u32Width == 0 || u32Width > 4096) return;
  constexpr U32 BAND = 24;
  constexpr U32 MARK = 11;
  G_BOX_vDrawFilled(pBitmap, U_MENULOOK_color(MENU_COLOR_BAND), &anchor, u32Width, BAND);
  POINT ruleFrom = {anchor.x, anchor.y + (S32)BAND - 1};
  POINT ruleTo = {anchor.x + (S32)u32Width - 1, ruleFrom.y};
  G_LINE_vDraw(pBitmap, U_MENULOOK_color(MENU_COLOR_RULE), &ruleFrom, &ruleTo);
  const S32 centre = anchor.x + (S32)u32Width / 2;
  const S32 y = anchor.y + (S32)(BAND - 1 - (MARK + 1) / 2) / 2;
  const COLOR white = U_MENULOOK_color(MENU_COLOR_WHITE);
  if (bMoreUp) DRAW_vArrowVertical(pBitmap, centre - 10 - (S32)MARK / 2, y, MARK, white, TRUE);
  if (bMoreDown) DRAW_vArrowVertical(pBitmap, centre + 10 - (S32)MARK / 2, y, MARK, white, FALSE);
}

void U_MENU_vDrawControlSelectionBox(BITMAP* pBitmap, POINT anchor, U8 u8CurSel,
                                     M_SELECTION_BOX_PARAMETERS* parameters, U32 u32selectorWidth,
                                     U32 u32selectorHeight, COLOR backgroundColor) {
  if (pBitmap == nullptr || parameters == nullptr || u32selectorWidth > 4096 || u32selectorHeight > 4096) return;
  U_MENULOOK_vFollowLanguage();
  U32 index = u8CurSel;
  // The choices are value words, for flags and numbers alike.
  DB_DATA_TYPE value = {};
  BOOLEAN bValid = FALSE;
  if (parameters->FourCharId != 0 && parameters->pSelectionValueArray != nullptr &&
      H_DATABASE_bFetch(parameters->FourCharId, &value, &bValid, nullptr)) {
    for (U32 i = 0; i < parameters->numberSelections && i <= 0xFF; i++) {
      if (parameters->pSelectionValueArray[i] != value.u32Val) continue;
      index = i;
      parameters->CurSelection = (U8)i;
      break;
    }
  }
  const BOOLEAN bShown = index < parameters->numberSelections;
  const ICON* pIcon = bShown && parameters->pSelectionIcons != nullptr ? parameters->pSelectionIcons[index] : nullptr;
  const char* pText =
      bShown && parameters->pSelectionList != nullptr ? DRAW_pcText(parameters->pSelectionList[index]) : nullptr;
  U_MENULOOK_vDrawValueBox(pBitmap, anchor, u32selectorWidth, u32selectorHeight, backgroundColor, pText, pIcon,
                           bShown && index > 0, index + 1 < parameters->numberSelections);
}

// The format's one conversion, or 0 when it is not a single printf
// conversion of a number (flags, width and precision allowed; "%%" is text).
static char DRAW_cConversion(const char* pcFormat) {
  char cFound = 0;
  for (const char* p = pcFormat; *p != 0; p++) {
    if (*p != '%') continue;
    p++;
    if (*p == '%') continue;
    while (*p != 0 && strchr("-+ #0", *p) != nullptr) p++;
    while (*p >= '0' && *p <= '9') p++;
    if (*p == '.') {
      p++;
      while (*p >= '0' && *p <= '9') p++;
    }
    if (*p == 0 || strchr("diouxXfFeEgG", *p) == nullptr || cFound != 0) return 0;
    cFound = *p;
  }
  return cFound;
}

// The number in the registrant's format (or the default) and its suffix,
// widened in a wide language.
static void DRAW_vValueText(char* pBuffer, U32 u32Size, float fValue, DATA_FORMAT dataFormat,
                            const M_PROGRESS_BAR_PARAMETERS* parameters) {
  const BOOLEAN bWhole = dataFormat != DF_FLOAT;
  const char* pcFormat = parameters->pcValueFormat;
  char c = pcFormat != nullptr ? DRAW_cConversion(pcFormat) : 0;
  if (c == 0) {
    pcFormat = bWhole ? "%d" : "%.1f";
    c = bWhole ? 'd' : 'f';
  }
  char acNumber[48];
  // The format has been checked to hold exactly one conversion, and the
  // argument is passed in the type that conversion reads.
  if (strchr("fFeEgG", c) != nullptr) {
    snprintf(acNumber, sizeof acNumber, pcFormat, (double)fValue);
  } else {
    const double clamped = std::isnan(fValue) ? 0.0 : std::clamp((double)fValue, -2147483648.0, 2147483647.0);
    snprintf(acNumber, sizeof acNumber, pcFormat, (int)clamped);
  }
  U_WSTRING_vAscii2Unicode(pBuffer, acNumber, u32Size - 2, FALSE);
  const char* pSuffix = DRAW_pcText(parameters->pValueSuffix);
  if (pSuffix == nullptr) return;
  const U32 used = U_WSTRING_u32w_strlen(pBuffer, FALSE);
  if (used + 4 < u32Size) U_WSTRING_vw_strncat(pBuffer, pSuffix, u32Size - used - 4, FALSE);
}

void U_MENU_vDrawControlProgressBar(BITMAP* pBitmap, POINT anchor, DB_DATA_TYPE dbValue,
                                    M_PROGRESS_BAR_PARAMETERS* parameters, DATA_FORMAT dataFormat, U32 u32barWidth,
                                    U32 u32barHeight) {
  if (pBitmap == nullptr || parameters == nullptr || u32barWidth > 4096 || u32barHeight > 4096) return;
  U_MENULOOK_vFollowLanguage();
  const float fValue = dataFormat == DF_FLOAT      ? dbValue.fVal
                       : dataFormat == DF_SIGNED32 ? (float)dbValue.s32Val
                                                   : (float)dbValue.u32Val;
  const float fSpan = parameters->fMaximum - parameters->fMinimum;
  const float fPart = fSpan > 0 ? (fValue - parameters->fMinimum) / fSpan : 0.0f;
  char acText[MENU_TEXT_BUFFER];
  const char* pText = acText;
  if (fValue <= parameters->fMinimum && parameters->pMinimumText != nullptr) {
    pText = DRAW_pcText(parameters->pMinimumText);
  } else if (fValue >= parameters->fMaximum && parameters->pMaximumText != nullptr) {
    pText = DRAW_pcText(parameters->pMaximumText);
  } else {
    DRAW_vValueText(acText, sizeof acText, fValue, dataFormat, parameters);
  }
  U_MENULOOK_vDrawBar(pBitmap, anchor, u32barWidth, u32barHeight, fPart, pText, 0);
}

void U_MENU_vDrawControlAction(BITMAP* pBitmap, POINT anchor, U32 u32value, U32 u32menuWidth, U32 u32subMenuHeight) {
  constexpr U32 ARROW = 15;
  if (u32menuWidth > 4096 || u32subMenuHeight > 4096) return;
  U_MENU_vDrawArrowRight(pBitmap, anchor.x + (S32)u32menuWidth - 19,
                         anchor.y + ((S32)u32subMenuHeight - (S32)ARROW) / 2, ARROW,
                         U_MENULOOK_color(u32value != 0 ? MENU_COLOR_FOCUS : MENU_COLOR_WHITE));
}
