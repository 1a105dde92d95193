// The date and time screen. The edited fields are UTC (the clock the unit
// keeps); a date with month or day 0, as the screen opens, is refused rather
// than saved as some other day. Years run 2000 to 2038, as far as the
// board's 32-bit clock goes.

#include "u_datetime.h"

#include <stdio.h>
#include <time.h>

#include "color.h"
#include "g_box.h"
#include "g_icon.h"
#include "g_string.h"
#include "g_iconset.h"
#include "layer_id.h"
#include "linux_fs.h"
#include "linuxsvc.h"
#include "t_info.h"
#include "u_language.h"
#include "u_view.h"
#include "ui_texts.h"

constexpr U32 DATETIME_KEYS = 0xFFEF;
constexpr U32 DATETIME_LAST_YEAR = 38;

typedef struct tag_DATE_TIME_MENU_CTRL {
  DATE_TIME_MENU_STATE eMenuState;
  BOOLEAN bConfirm;
  BOOLEAN bDateTimeChanged;
} DATE_TIME_MENU_CTRL;

static DATE_TIME_MENU_CTRL s_DateTimeMenuCtrl = {EDIT_TIME, FALSE, FALSE};
static U32 s_u32Hours, s_u32Minutes, s_u32Seconds, s_u32Month, s_u32Day, s_u32Year;
static void (*s_pfnClockSink)(S32) = nullptr;

void U_DATETIME_vSetClockSink(void (*pfnSink)(S32 s32Seconds)) { s_pfnClockSink = pfnSink; }

// Each value: where it is kept, and its range.
typedef struct tag_DATETIME_FIELD {
  DATE_TIME_MENU_STATE eState;
  U32* pu32Value;
  U32 u32Low;
  U32 u32High;
  const char* const* pName;
} DATETIME_FIELD;

static const DATETIME_FIELD s_aFields[] = {
    {EDIT_HOURS, &s_u32Hours, 0, 23, Hours},     {EDIT_MINUTES, &s_u32Minutes, 0, 59, Minutes},
    {EDIT_SECONDS, &s_u32Seconds, 0, 59, Seconds}, {EDIT_MONTH, &s_u32Month, 1, 12, Month},
    {EDIT_DAY, &s_u32Day, 1, 31, Day},            {EDIT_YEAR, &s_u32Year, 0, DATETIME_LAST_YEAR, Year},
};

static const DATETIME_FIELD* DATETIME_pField(DATE_TIME_MENU_STATE eState) {
  for (const DATETIME_FIELD& f : s_aFields) {
    if (f.eState == eState) return &f;
  }
  return nullptr;
}

static BOOLEAN DATETIME_bGood(void) {
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  return TRUE;
}

static BOOLEAN DATETIME_bBad(void) {
  L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  return TRUE;
}

void U_DATETIME_vDateTimeSetup(void) {
  s_DateTimeMenuCtrl.bConfirm = FALSE;
  s_DateTimeMenuCtrl.eMenuState = EDIT_TIME;
  s_u32Hours = s_u32Minutes = s_u32Seconds = s_u32Month = s_u32Day = s_u32Year = 0;
  U_VIEW_bRegisterLayer(U_DATETIME_vDrawDateTimeMenu, DATETIME_MENU_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
  U_KEYBOARD_bRegisterKeys(M_SYSTIME_EDIT, DATETIME_KEYS, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY,
                           REGISTER_DIALOG_BOX);
  U_KEYBOARD_bRegisterKeys(M_SYSTIME_EDIT, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
}

static void DATETIME_vClose(void) {
  U_VIEW_bUnRegisterLayer(DATETIME_MENU_LAYER);
  U_KEYBOARD_bUnregisterKeys(M_SYSTIME_EDIT, DATETIME_KEYS);
  U_KEYBOARD_bUnregisterKeys(M_SYSTIME_EDIT, HKEY_MASK_CURSOR);
}

// FALSE, saving nothing, for a date that does not exist in the fields.
static BOOLEAN DATETIME_bSave(void) {
  if (s_u32Month == 0 || s_u32Day == 0) return FALSE;
  struct tm tm = {};
  tm.tm_sec = (int)s_u32Seconds;
  tm.tm_min = (int)s_u32Minutes;
  tm.tm_hour = (int)s_u32Hours;
  tm.tm_mday = (int)s_u32Day;
  tm.tm_mon = (int)s_u32Month - 1;
  tm.tm_year = 100 + (int)s_u32Year;
  // Most of 2038 is beyond the board's 32-bit clock.
  const time_t t = timegm(&tm);
  if (t < 0 || t > 0x7FFFFFFF) return FALSE;
  const S32 s32Seconds = (S32)t;
  if (s_pfnClockSink != nullptr) {
    s_pfnClockSink(s32Seconds);
  } else {
    L_UTILS_vSetSysDate(s32Seconds);
  }
  return TRUE;
}

static BOOLEAN DATETIME_bStep(const DATETIME_FIELD* f, BOOLEAN bUp) {
  U32& v = *f->pu32Value;
  if (bUp) {
    v = v >= f->u32High ? f->u32Low : v + 1;
  } else {
    v = v <= f->u32Low ? f->u32High : v - 1;
  }
  s_DateTimeMenuCtrl.bDateTimeChanged = TRUE;
  return DATETIME_bGood();
}

static BOOLEAN DATETIME_bMove(DATE_TIME_MENU_STATE eState) {
  s_DateTimeMenuCtrl.eMenuState = eState;
  return DATETIME_bGood();
}

static BOOLEAN DATETIME_bCursor(CURSOR_POSITION eCursor) {
  DATE_TIME_MENU_CTRL& c = s_DateTimeMenuCtrl;
  const DATE_TIME_MENU_STATE s = c.eMenuState;
  const DATETIME_FIELD* f = DATETIME_pField(s);
  switch (eCursor) {
    case CURSOR_NORTH:
      if (f != nullptr) return DATETIME_bStep(f, TRUE);
      if (s == EDIT_SAVE) return DATETIME_bMove(EDIT_DATE);
      if (s == EDIT_DATE) return DATETIME_bMove(EDIT_TIME);
      return DATETIME_bBad();
    case CURSOR_SOUTH:
      if (f != nullptr) return DATETIME_bStep(f, FALSE);
      if (s == EDIT_TIME) return DATETIME_bMove(EDIT_DATE);
      if (s == EDIT_DATE) return DATETIME_bMove(EDIT_SAVE);
      return DATETIME_bBad();
    case CURSOR_EAST:
      if (c.bConfirm || s == EDIT_SAVE) {
        if (!c.bDateTimeChanged || !DATETIME_bSave()) return DATETIME_bBad();
        c.bConfirm = FALSE;
        c.bDateTimeChanged = FALSE;
        c.eMenuState = EDIT_TIME;
        DATETIME_vClose();
        return DATETIME_bGood();
      }
      if (s == EDIT_SECONDS) return DATETIME_bMove(EDIT_DATE);
      if (s == EDIT_YEAR) return DATETIME_bMove(EDIT_SAVE);
      if (s == EDIT_DATE) return DATETIME_bMove(EDIT_MONTH);
      return DATETIME_bMove((DATE_TIME_MENU_STATE)(s + 1));
    case CURSOR_WEST:
      if (c.bConfirm) {
        c.bConfirm = FALSE;
        c.bDateTimeChanged = FALSE;
        DATETIME_vClose();
        return DATETIME_bGood();
      }
      if (s == EDIT_HOURS) return DATETIME_bMove(EDIT_TIME);
      if (s == EDIT_MONTH) return DATETIME_bMove(EDIT_DATE);
      if (f != nullptr) return DATETIME_bMove((DATE_TIME_MENU_STATE)(s - 1));
      return DATETIME_bBad();
    default:
      return DATETIME_bBad();
  }
}

BOOLEAN U_DATETIME_bHandleKeys(const MSG_KEY_CHANGE* pMsg) {
  DATE_TIME_MENU_CTRL& c = s_DateTimeMenuCtrl;
  if (pMsg->key == HKEY_MASK_EXIT) {
    if (c.eMenuState == EDIT_SAVE && c.bConfirm) return DATETIME_bBad();
    if (c.eMenuState > EDIT_YEAR) return TRUE;
    if (!c.bDateTimeChanged) {
      DATETIME_vClose();
      return TRUE;
    }
    c.bConfirm = TRUE;
    return DATETIME_bGood();
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return DATETIME_bBad();
  if (pMsg->state != KEY_DOWN) return TRUE;
  return DATETIME_bCursor(pMsg->cursor);
}

// ---------------------------------------------------------------------------
// Drawing

constexpr S32 DATETIME_X = 288;
constexpr S32 DATETIME_Y = 105;
constexpr U32 DATETIME_W = 384;
constexpr U32 DATETIME_H = 269;


static void DATETIME_vText(BITMAP* pBitmap, S32 x, S32 y, const FONT_DEF* pFont, const char* pcText) {
  POINT pt = {x, y};
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &pt, pFont, (const BYTE*)pcText);
}

static void DATETIME_vFrame(BITMAP* pBitmap, S32 x, S32 y, U32 w, U32 h, BOOLEAN bFilled) {
  const POINT pt = {x, y};
  if (bFilled) G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(64), &pt, w, h);
  G_BOX_vDraw(pBitmap, COLOR_colEntry(67), &pt, w, h);
}

// A row: its label box, and its three value boxes with separators.
static void DATETIME_vRow(BITMAP* pBitmap, S32 y, const char* const* pLabel, DATE_TIME_MENU_STATE eRow,
                          const DATE_TIME_MENU_STATE* pValues, char cSeparator, U32 nLang) {
  const DATE_TIME_MENU_STATE s = s_DateTimeMenuCtrl.eMenuState;
  const FONT_DEF* pSmall = T_INFO_pFont(14);
  DATETIME_vFrame(pBitmap, DATETIME_X + 8, y, 80, 35, s == eRow);
  DATETIME_vText(pBitmap, DATETIME_X + 14, y + 8, T_INFO_pFont(17), pLabel[nLang]);
  if (pValues == nullptr) return;
  for (int i = 0; i < 3; i++) {
    const DATETIME_FIELD* f = DATETIME_pField(pValues[i]);
    const S32 x = DATETIME_X + 100 + i * 90;
    DATETIME_vFrame(pBitmap, x, y - 15, 70, 65, s == pValues[i]);
    char text[8];
    snprintf(text, sizeof text, "%02u", (unsigned)(*f->pu32Value % 100));
    DATETIME_vText(pBitmap, x + 10, y + 8, T_INFO_pFont(38), text);
    if (s == pValues[i]) DATETIME_vText(pBitmap, x + 4, y - 13, pSmall, f->pName[nLang]);
    if (i < 2) {
      const char separator[2] = {cSeparator, 0};
      DATETIME_vText(pBitmap, x + 74, y + 8, T_INFO_pFont(21), separator);
    }
  }
}

void U_DATETIME_vDrawDateTimeMenu(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  const U32 nLang = nCurrentLanguage();
  const POINT corner = {DATETIME_X, DATETIME_Y};
  G_BOX_vDrawRoundedFilled(pBitmap, COLOR_colEntry(129), &corner, DATETIME_W, DATETIME_H, 2);
  const POINT inner = {DATETIME_X + 1, DATETIME_Y + 1};
  G_BOX_vDrawRounded(pBitmap, COLOR_colEntry(67), &corner, DATETIME_W, DATETIME_H, 2);
  G_BOX_vDrawRounded(pBitmap, COLOR_colEntry(67), &inner, DATETIME_W - 2, DATETIME_H - 2, 2);
  DATETIME_vText(pBitmap, DATETIME_X + 12, DATETIME_Y + (S32)DATETIME_H - 32, T_INFO_pFont(21),
                 Enter_Time_and_Date[nLang]);
  static const DATE_TIME_MENU_STATE s_aTime[] = {EDIT_HOURS, EDIT_MINUTES, EDIT_SECONDS};
  static const DATE_TIME_MENU_STATE s_aDate[] = {EDIT_MONTH, EDIT_DAY, EDIT_YEAR};
  // The drawing's y grows upwards: Time on top, Save at the bottom.
  DATETIME_vRow(pBitmap, DATETIME_Y + 175, Time, EDIT_TIME, s_aTime, ':', nLang);
  DATETIME_vRow(pBitmap, DATETIME_Y + 95, Date, EDIT_DATE, s_aDate, '/', nLang);
  DATETIME_vRow(pBitmap, DATETIME_Y + 15, Save, EDIT_SAVE, nullptr, 0, nLang);
  if (!s_DateTimeMenuCtrl.bConfirm) return;
  const S32 y = DATETIME_Y - 71;
  const POINT panel = {DATETIME_X, y};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(129), &panel, DATETIME_W, 69);
  G_BOX_vDraw(pBitmap, COLOR_colEntry(67), &panel, DATETIME_W, 69);
  const POINT icon = {DATETIME_X + 8, y + 12};
  G_ICON_vPut(pBitmap, &confirm_icon, &icon);
  DATETIME_vText(pBitmap, DATETIME_X + 60, y + 40, T_INFO_pFont(17), Confirm_Colon[nLang]);
  DATETIME_vText(pBitmap, DATETIME_X + 60, y + 12, T_INFO_pFont(17), Save_Changes[nLang]);
  DATETIME_vText(pBitmap, DATETIME_X + 250, y + 12, T_INFO_pFont(17), No[nLang]);
  DATETIME_vText(pBitmap, DATETIME_X + 320, y + 12, T_INFO_pFont(17), Yes[nLang]);
}
