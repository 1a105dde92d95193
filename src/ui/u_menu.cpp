// Until the menu task is built, a request carries only its command: the
// placeholder task frees what it is sent, and the callers learn "sent" or
// "no menu task yet" exactly as they will later.

#include "u_menu.h"

#include <stdio.h>

#include "color.h"
#include "g_box.h"
#include "g_line.h"
#include "g_string.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_view.h"
#include "u_wstring.h"

constexpr PRIORITY MENU_CLIENT_PRIORITY = 3;

static BOOLEAN MENU_bSend(CMD_ID cmd) {
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TMNU"), &mbox, &bValid, nullptr) || !bValid || mbox == 0) return FALSE;
  GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  pMsg->Cmd = cmd;
  if (L_MBOX_Send((MBOX)mbox, pMsg, MENU_CLIENT_PRIORITY, 0) != 0) {
    H_MEMORY_vFree(pMsg);
    return FALSE;
  }
  return TRUE;
}

BOOLEAN U_MENU_bRegisterMainSelectorMenu(MENU_TEXT, MENU_TEXT, MENU_PRIORITY, FOURCHARID, U32, MENU_CHOICE_LIST,
                                         const U32*, MENU_USER_LEVEL) {
  return MENU_bSend(CMD_ID_REGISTER_MENU_ITEM);
}

BOOLEAN U_MENU_bRegisterMainActionMenu(MENU_TEXT, MENU_TEXT, MENU_PRIORITY, void (*)(void), BOOLEAN, MENU_USER_LEVEL) {
  return MENU_bSend(CMD_ID_REGISTER_MENU_ITEM);
}

BOOLEAN U_MENU_bUnregisterMainMenuItem(MENU_TEXT, MENU_TEXT) { return MENU_bSend(CMD_ID_UNREGISTER_MENU_ITEM); }

BOOLEAN U_MENU_bRegisterExpressMenu(LAYER_ID, SPLIT_WINDOW_TYPE) { return MENU_bSend(CMD_ID_REGISTER_HOT_MENU); }

BOOLEAN U_MENU_bRegisterHotSelectorMenu(MENU_TEXT, const ICON*, MENU_PRIORITY, FOURCHARID, U32, MENU_CHOICE_LIST,
                                        const U32*, MENU_USER_LEVEL, LAYER_ID, SPLIT_WINDOW_TYPE) {
  return MENU_bSend(CMD_ID_REGISTER_MENU_ITEM);
}

BOOLEAN U_MENU_bRegisterHotSliderMenu(MENU_TEXT, const ICON*, MENU_PRIORITY, FOURCHARID, const MENU_LIMITS*,
                                      MENU_TEXT, MENU_TEXT, MENU_TEXT, MENU_USER_LEVEL, LAYER_ID, SPLIT_WINDOW_TYPE) {
  return MENU_bSend(CMD_ID_REGISTER_MENU_ITEM);
}

BOOLEAN U_MENU_bUnregisterHotMenuItem(MENU_TEXT, LAYER_ID, SPLIT_WINDOW_TYPE) {
  return MENU_bSend(CMD_ID_UNREGISTER_MENU_ITEM);
}

// ---------------------------------------------------------------------------
// Drawing helpers

constexpr U32 MENU_COLOR_BLACK = 32;
constexpr U32 MENU_COLOR_WHITE = 35;
constexpr U32 MENU_COLOR_RULE = 236;
constexpr U32 MENU_COLOR_BAND = 238;
constexpr U32 MENU_COLOR_TRACK = 239;
constexpr U32 MENU_COLOR_FOCUS = 241;

static COLOR MENU_color(U32 u32Index) { return gCOLOR_pcolColorTable[u32Index]; }

static const char* MENU_pcText(MENU_TEXT pTable) { return pTable != nullptr ? pTable[nCurrentLanguage()] : nullptr; }

void T_MENU_vDrawMaskBackground(BITMAP* pBitmap) {
  if (pBitmap == nullptr) return;
  LAYER_ID view = U_VIEW_eCurrentView();
  if (view < DIAGNOSTIC_1 || view > DIAGNOSTIC_ACCESSORY_CATALOG) return;
  POINT origin = {0, 0};
  G_BOX_vDrawFilledAlpha(pBitmap, MENU_color(MENU_COLOR_BLACK), &origin, (U32)pBitmap->pixels_wide,
                         (U32)pBitmap->pixels_high, 128);
}

void U_MENU_vDrawArrowRight(BITMAP* pBitmap, S32 x, S32 y, U32 u32Size, COLOR color) {
  if (pBitmap == nullptr || u32Size == 0) return;
  S32 width = (S32)(u32Size + 1) / 2;
  for (S32 i = 0; i < width; i++) {
    POINT from = {x + i, y + i};
    POINT to = {x + i, y + (S32)u32Size - 1 - i};
    G_LINE_vDraw(pBitmap, color, &from, &to);
  }
}

void U_MENU_vDrawArrowLeft(BITMAP* pBitmap, S32 x, S32 y, U32 u32Size, COLOR color) {
  if (pBitmap == nullptr || u32Size == 0) return;
  S32 width = (S32)(u32Size + 1) / 2;
  for (S32 i = 0; i < width; i++) {
    S32 inset = width - 1 - i;
    POINT from = {x + i, y + inset};
    POINT to = {x + i, y + (S32)u32Size - 1 - inset};
    G_LINE_vDraw(pBitmap, color, &from, &to);
  }
}

// Triangles pointing up or down, drawn row by row: u32Size wide, (u32Size + 1) / 2 high.
static void MENU_vDrawArrowVertical(BITMAP* pBitmap, S32 x, S32 y, U32 u32Size, COLOR color, BOOLEAN bUp) {
  S32 height = (S32)(u32Size + 1) / 2;
  for (S32 j = 0; j < height; j++) {
    S32 inset = bUp ? j : height - 1 - j;
    POINT from = {x + inset, y + j};
    POINT to = {x + (S32)u32Size - 1 - inset, y + j};
    G_LINE_vDraw(pBitmap, color, &from, &to);
  }
}

void T_MENU_vDrawMoreDownTab(BITMAP* pBitmap, POINT anchor, U32 u32Width, BOOLEAN bMoreUp, BOOLEAN bMoreDown) {
  if (pBitmap == nullptr || (!bMoreUp && !bMoreDown)) return;
  constexpr U32 BAND = 24;
  constexpr U32 MARK = 11;
  G_BOX_vDrawFilled(pBitmap, MENU_color(MENU_COLOR_BAND), &anchor, u32Width, BAND);
  POINT ruleFrom = {anchor.x, anchor.y + (S32)BAND - 1};
  POINT ruleTo = {anchor.x + (S32)u32Width - 1, ruleFrom.y};
  G_LINE_vDraw(pBitmap, MENU_color(MENU_COLOR_RULE), &ruleFrom, &ruleTo);
  S32 centre = anchor.x + (S32)u32Width / 2;
  S32 y = anchor.y + (S32)(BAND - (MARK + 1) / 2) / 2;
  if (bMoreUp) MENU_vDrawArrowVertical(pBitmap, centre - 10 - (S32)MARK / 2, y, MARK, MENU_color(MENU_COLOR_WHITE), TRUE);
  if (bMoreDown) {
    MENU_vDrawArrowVertical(pBitmap, centre + 10 - (S32)MARK / 2, y, MARK, MENU_color(MENU_COLOR_WHITE), FALSE);
  }
}

// Light backgrounds (luma above half) take black marks, dark ones white.
static COLOR MENU_colorOn(COLOR background) {
  U32 r = (background >> 11) * 255 / 31;
  U32 g = ((background >> 5) & 0x3F) * 255 / 63;
  U32 b = (background & 0x1F) * 255 / 31;
  U32 luma = (299 * r + 587 * g + 114 * b) / 1000;
  return MENU_color(luma > 127 ? MENU_COLOR_BLACK : MENU_COLOR_WHITE);
}

void U_MENU_vDrawControlSelectionBox(BITMAP* pBitmap, POINT anchor, U8 u8CurSel,
                                     M_SELECTION_BOX_PARAMETERS* parameters, U32 u32selectorWidth,
                                     U32 u32selectorHeight, COLOR backgroundColor) {
  if (pBitmap == nullptr || parameters == nullptr) return;
  constexpr U32 ARROW = 13;
  constexpr S32 ARROW_INSET = 6;
  G_BOX_vDrawFilled(pBitmap, backgroundColor, &anchor, u32selectorWidth, u32selectorHeight);
  G_BOX_vDraw(pBitmap, MENU_color(MENU_COLOR_RULE), &anchor, u32selectorWidth, u32selectorHeight);

  U32 index = u8CurSel;
  U32 value = 0;
  BOOLEAN bValid = FALSE;
  if (parameters->FourCharId != 0 && parameters->pSelectionValueArray != nullptr &&
      H_DATABASE_bFetchU32(parameters->FourCharId, &value, &bValid, nullptr)) {
    for (U32 i = 0; i < parameters->numberSelections; i++) {
      if (parameters->pSelectionValueArray[i] != value) continue;
      index = i;
      parameters->CurSelection = (U8)i;
      break;
    }
  }
  COLOR ink = MENU_colorOn(backgroundColor);
  S32 arrowY = anchor.y + ((S32)u32selectorHeight - (S32)ARROW) / 2;
  S32 arrowWidth = (S32)(ARROW + 1) / 2;
  if (index < parameters->numberSelections && index > 0) {
    U_MENU_vDrawArrowLeft(pBitmap, anchor.x + ARROW_INSET, arrowY, ARROW, ink);
  }
  if (index + 1 < parameters->numberSelections) {
    U_MENU_vDrawArrowRight(pBitmap, anchor.x + (S32)u32selectorWidth - ARROW_INSET - arrowWidth, arrowY, ARROW, ink);
  }
  if (index >= parameters->numberSelections) return;

  const ICON* pIcon = parameters->pSelectionIcons != nullptr ? parameters->pSelectionIcons[index] : nullptr;
  if (pIcon != nullptr) {
    POINT at = {anchor.x + ((S32)u32selectorWidth - (S32)G_ICON_u32GetWidth(pIcon)) / 2,
                anchor.y + ((S32)u32selectorHeight - (S32)G_ICON_u32GetHeight(pIcon)) / 2};
    G_ICON_vPut(pBitmap, pIcon, &at);
    return;
  }
  const char* pText = parameters->pSelectionList != nullptr ? MENU_pcText(parameters->pSelectionList[index]) : nullptr;
  if (pText == nullptr) return;
  const FONT_DEF* pFont = U_DIALOG_pChoiceFont();
  S32 room = (S32)u32selectorWidth - 2 * (ARROW_INSET + arrowWidth + 4);
  char acShort[128];
  U_DIALOG_vShortenText(acShort, sizeof acShort, pText, pFont, room > 0 ? (U32)room : 0);
  S32 width = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)acShort);
  POINT at = {anchor.x + ((S32)u32selectorWidth - width) / 2,
              anchor.y + ((S32)u32selectorHeight - (S32)G_FONTS_u32GetCoreHeight(pFont)) / 2 + 3};
  G_STRING_vPut(pBitmap, ink, &at, pFont, (const BYTE*)acShort);
}

// The value text: a number in the caller's format and its suffix.
static void MENU_vValueText(char* pBuffer, U32 u32Size, float fValue, DATA_FORMAT dataFormat,
                            const M_PROGRESS_BAR_PARAMETERS* parameters) {
  char acNumber[32];
  BOOLEAN bWhole = dataFormat != DF_FLOAT;
  const char* pcFormat = parameters->pcValueFormat != nullptr ? parameters->pcValueFormat : (bWhole ? "%d" : "%.1f");
  // The format is the registrant's own constant, never outside input.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  if (bWhole) {
    snprintf(acNumber, sizeof acNumber, pcFormat, (int)fValue);
  } else {
    snprintf(acNumber, sizeof acNumber, pcFormat, (double)fValue);
  }
#pragma GCC diagnostic pop
  U_WSTRING_vAscii2Unicode(pBuffer, acNumber, u32Size - 2, FALSE);
  const char* pSuffix = MENU_pcText(parameters->pValueSuffix);
  if (pSuffix == nullptr) return;
  U32 used = U_WSTRING_u32w_strlen(pBuffer, FALSE);
  if (used + 2 < u32Size) U_WSTRING_vw_strncat(pBuffer, pSuffix, u32Size - used - 2, FALSE);
}

void U_MENU_vDrawControlProgressBar(BITMAP* pBitmap, POINT anchor, DB_DATA_TYPE dbValue,
                                    M_PROGRESS_BAR_PARAMETERS* parameters, DATA_FORMAT dataFormat, U32 u32barWidth,
                                    U32 u32barHeight) {
  if (pBitmap == nullptr || parameters == nullptr || u32barWidth <= 48) return;
  constexpr U32 TRACK_HEIGHT = 10;
  constexpr U32 FIELD = 44;
  float fValue = dataFormat == DF_FLOAT      ? dbValue.fVal
                 : dataFormat == DF_SIGNED32 ? (float)dbValue.s32Val
                                             : (float)dbValue.u32Val;
  U32 track = u32barWidth - 48;
  POINT at = {anchor.x, anchor.y + ((S32)u32barHeight - (S32)TRACK_HEIGHT) / 2};
  G_BOX_vDrawFilled(pBitmap, MENU_color(MENU_COLOR_TRACK), &at, track, TRACK_HEIGHT);
  float fSpan = parameters->fMaximum - parameters->fMinimum;
  float fPart = fSpan > 0 ? (fValue - parameters->fMinimum) / fSpan : 0.0f;
  fPart = fPart < 0 ? 0 : fPart > 1 ? 1 : fPart;
  G_BOX_vDrawFilled(pBitmap, MENU_color(MENU_COLOR_FOCUS), &at, (U32)(fPart * (float)track + 0.5f), TRACK_HEIGHT);
  G_BOX_vDraw(pBitmap, MENU_color(MENU_COLOR_RULE), &at, track, TRACK_HEIGHT);

  char acText[96];
  const char* pText = nullptr;
  if (fValue <= parameters->fMinimum && parameters->pMinimumText != nullptr) {
    pText = MENU_pcText(parameters->pMinimumText);
  } else if (fValue >= parameters->fMaximum && parameters->pMaximumText != nullptr) {
    pText = MENU_pcText(parameters->pMaximumText);
  } else {
    MENU_vValueText(acText, sizeof acText, fValue, dataFormat, parameters);
    pText = acText;
  }
  const FONT_DEF* pFont = U_DIALOG_pChoiceFont();
  S32 width = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pText);
  POINT text = {anchor.x + (S32)u32barWidth - (S32)FIELD + ((S32)FIELD - width) / 2,
                anchor.y + ((S32)u32barHeight - (S32)G_FONTS_u32GetCoreHeight(pFont)) / 2 + 3};
  G_STRING_vPut(pBitmap, MENU_color(MENU_COLOR_WHITE), &text, pFont, (const BYTE*)pText);
}

void U_MENU_vDrawControlAction(BITMAP* pBitmap, POINT anchor, U32 u32value, U32 u32menuWidth, U32 u32subMenuHeight) {
  constexpr U32 ARROW = 15;
  U_MENU_vDrawArrowRight(pBitmap, anchor.x + (S32)u32menuWidth - 19, anchor.y + ((S32)u32subMenuHeight - (S32)ARROW) / 2,
                         ARROW, MENU_color(u32value != 0 ? MENU_COLOR_FOCUS : MENU_COLOR_WHITE));
}

// ---------------------------------------------------------------------------
// The views-selection menu's requests

BOOLEAN U_MENU_bRegisterHotSubMenuWithNoArrow(MENU_TEXT, const ICON*, MENU_PRIORITY, MENU_CHOICE_LIST, MENU_CHOICE_LIST,
                                              const ICON* const*, U32, MENU_USER_LEVEL, LAYER_ID, SPLIT_WINDOW_TYPE) {
  return MENU_bSend(CMD_ID_REGISTER_SUB_MENU);
}

BOOLEAN U_MENU_bRegisterHotSubMenuActionMenu(MENU_TEXT, MENU_TEXT, const ICON*, MENU_PRIORITY, void (*)(void), BOOLEAN,
                                             MENU_USER_LEVEL) {
  return MENU_bSend(CMD_ID_REGISTER_MENU_ITEM);
}

BOOLEAN U_MENU_bUnregisterSubMenuItem(MENU_TEXT, MENU_TEXT) { return MENU_bSend(CMD_ID_UNREGISTER_MENU_ITEM); }

void U_MENU_vActivateSpecifiedHotMenu(U32) { MENU_bSend(CMD_ID_ACTIVATE_HOT_MENU); }

void U_MENU_vClearMenus(void) { MENU_bSend(CMD_ID_CLEAR_MENU); }

// ---------------------------------------------------------------------------
// A slider item of a main-menu tab

BOOLEAN U_MENU_bRegisterMainSliderMenu(MENU_TEXT, MENU_TEXT, MENU_PRIORITY, FOURCHARID, const MENU_LIMITS*, MENU_TEXT,
                                       MENU_TEXT, MENU_TEXT, MENU_USER_LEVEL) {
  return MENU_bSend(CMD_ID_REGISTER_MENU_ITEM);
}
