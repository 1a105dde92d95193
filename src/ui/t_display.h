// The display task: the screen hardware and the backlight, the palette of
// each system state, the POWER pop-up and standby.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "layer_id.h"
#include "msghdr.h"

// The rows of the POWER pop-up, in display order.
enum POWER_KEY_MENU_ITEMS : U32 {
  PwrMnu_Sonar_Control = 0,
  PwrMnu_Backlight_Adj = 1,
  PwrMnu_Contrast_Adj = 2,   // "Night Mode"
  PwrMnu_Standby = 3,
  PwrMnu_Last_Item = 4,
};

// CMD_ID_DISPLAY_SCREEN: a bitmap to show; its header is freed afterwards.
typedef struct tag_MSG_DISPLAY_SCREEN {
  GENERIC_MESSAGE header;
  BITMAP* pBitmap;
} MSG_DISPLAY_SCREEN;

void T_DISPLAY_vMain(void);
// Standby: backlight off, sonar asleep and every key but POWER swallowed;
// also left by the alarm task when an alarm is raised.
void T_DISPLAY_vStandbyMode(BOOLEAN bOn);
// Draw function of the pop-up layer CONTRAST_LAYER.
void T_DISPLAY_vDrawLayer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// The sonar's standby switch. The sonar sits above this library, so it hands
// its switch in at start; until then standby only darkens the screen.
void T_DISPLAY_vSetSonarStandby(void (*pfnSonarStandby)(BOOLEAN bOn));
