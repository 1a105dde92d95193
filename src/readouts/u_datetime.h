// The date and time screen: a full-screen editor of the clock's time and
// date, for a task that owns mailbox M_SYSTIME_EDIT to offer.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "layer_id.h"
#include "u_keyboard.h"

enum DATE_TIME_MENU_STATE : U32 {
  EDIT_SAVE = 0,
  EDIT_DATE = 1,
  EDIT_TIME = 2,
  EDIT_HOURS = 3,
  EDIT_MINUTES = 4,
  EDIT_SECONDS = 5,
  EDIT_MONTH = 6,
  EDIT_DAY = 7,
  EDIT_YEAR = 8,
};

// Opens the screen at 00:00:00 and 00/00/00 with the focus on Time.
void U_DATETIME_vDateTimeSetup(void);
// One key for the screen; TRUE when it was the screen's.
BOOLEAN U_DATETIME_bHandleKeys(const MSG_KEY_CHANGE* pMsg);
void U_DATETIME_vDrawDateTimeMenu(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);

// Where a saved date goes (UTC seconds); null restores the service layer's
// clock. Test programs read it here.
void U_DATETIME_vSetClockSink(void (*pfnSink)(S32 s32Seconds));
