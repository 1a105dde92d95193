// The Bluetooth remote task: the link to the remote's dongle, the remote's
// buttons turned into the actions the user chose per kind of view, its data
// bar, and the pairing and confirmation dialogs.
#pragma once

#include "basetypes.h"
#include "layer_id.h"

void T_BTREMOTE_vMain(void);

// The kinds of view the remote tells apart; only 2D sonar and chart have
// actions of their own.
typedef enum tag_REMOTE_KEY_VIEW : S32 {
  REMOTE_VIEW_INVALID = -1,
  REMOTE_VIEW_SONAR_2D = 0,
  REMOTE_VIEW_SONAR_DI = 1,
  REMOTE_VIEW_SONAR_SI = 2,
  REMOTE_VIEW_SONAR_360 = 3,
  REMOTE_VIEW_CHART_NAV = 4,
  REMOTE_VIEW_CHART_BRV = 5,
  REMOTE_VIEW_RADAR = 6,
  REMOTE_VIEW_COUNT = 7,
} REMOTE_KEY_VIEW;

// The kind of the current view (CVEW), or of its active pane in a split.
REMOTE_KEY_VIEW T_BTREMOTE_eActiveView(void);
// A view and split given rather than read.
REMOTE_KEY_VIEW T_BTREMOTE_eViewKind(LAYER_ID view, SPLIT_WINDOW_TYPE split);

// The check boxes of the "Wireless Remote" menus: row of the menu map.
BOOLEAN T_BTREMOTE_bIsSelected(U32 u32Row);
BOOLEAN T_BTREMOTE_bSelect(U32 u32Row);
// The "Sync New Remote" action: the pairing dialog and the dongle's pairing mode.
void T_BTREMOTE_vSyncNewRemote(void);

// Draw functions of the data bar (INFO_BT_REMOTE_LAYER) and of the dialog
// layer (INFO_BT_CONF_LAYER): pairing dialog, or confirmation box and
// sync-complete notice.
void T_BTREMOTE_vDrawRemoteInfoLayer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER pSpec);
void T_BTREMOTE_vRenderSyncMessage(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER pSpec);
void T_BTREMOTE_vRenderMessageBox(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER pSpec);

// The task's clock in milliseconds: the monotonic clock, or one a test sets
// (null restores it). The task reads it on every wake-up, so a test that
// moves its clock wakes the task with any mail.
void T_BTREMOTE_vSetClock(U32 (*pfnMilliseconds)(void));
// The short press of MARK places a mark through the navigation task's mark
// action, handed in by whoever links both; without one it is logged.
void T_BTREMOTE_vSetMarkAction(void (*pfnMark)(void));
// One message handled as the task handles it, on the caller's thread, with
// the timers that are due run first; the message is ended (freed or
// acknowledged). For driving the task's records without its thread.
void T_BTREMOTE_vHandleMail(void* pMessage);
// The data bar as the drawing sees it, its blink starting with the invalid
// values shown (for tests and the drawing only).
void T_BTREMOTE_vSetDataBar(BOOLEAN bOn, U32 u32Page, U32 u32Battery);
