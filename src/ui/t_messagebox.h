// The message-box task: pop-up boxes over every view. Any task queues a box
// by calling a set-up function; the head box of each queue is drawn, takes
// the keys while it needs them, runs the chosen action and leaves, or leaves
// when its time-out runs out.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "g_icon.h"
#include "g_types.h"
#include "layer_id.h"
#include "u_dialog.h"

enum MESSAGE_BOX_TYPE : U32 {
  MESSAGE_BOX_TYPE_BASIC = 0,             // text only, no keys
  MESSAGE_BOX_TYPE_CONF = 1,              // titled "Confirm"
  MESSAGE_BOX_TYPE_CONF_CUSTOM = 2,       // the caller's title
  MESSAGE_BOX_TYPE_WARN = 3,              // titled "Warning"
  MESSAGE_BOX_TYPE_WARN_SPECIAL = 4,      // the caller's title; EXIT runs the right action
  MESSAGE_BOX_TYPE_CANCEL_ONLY = 5,       // one choice
  MESSAGE_BOX_TYPE_BT_MSG_POPUP = 6,
  MESSAGE_BOX_TYPE_BT_SCAN = 7,
  MESSAGE_BOX_TYPE_UPDATE_BASE_MAP = 8,
  MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE = 9,
  MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE_LEFT_JUSTIFIED = 10,
  MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE_LEFT_JUSTIFIED_SCREEN_WIDE = 11,
};

typedef void (*MESSAGEBOX_ACTION)(void);

void T_MESSAGEBOX_vMain(void);

// Set-up functions, called from any task. Each copies the statement (the
// caller's text may be a temporary); actions run later on the message-box
// task; u32Timer is in seconds from the box's first drawing, 0 until
// answered or removed.
void T_MESSAGEBOX_vSetupConfMessageWithTitle(const char* pStatement, MESSAGEBOX_ACTION pNo, MESSAGEBOX_ACTION pYes,
                                             BOOLEAN bLeftChoiceAllowed, U32 u32Timer);
void T_MESSAGEBOX_vSetupConfMessageNoTitle(const char* pStatement, MESSAGEBOX_ACTION pNo, MESSAGEBOX_ACTION pYes,
                                           BOOLEAN bLeftChoiceAllowed, U32 u32Timer);
void T_MESSAGEBOX_vSetupConfMessageNoTitleWithCancel(const char* pStatement, MESSAGEBOX_ACTION pCancel, U32 u32Timer);
void T_MESSAGEBOX_vSetupWarnMessageWithTitle(const char* pStatement, MESSAGEBOX_ACTION pNo, MESSAGEBOX_ACTION pYes,
                                             BOOLEAN bLeftChoiceAllowed, U32 u32Timer);
void T_MESSAGEBOX_vSetupLanguageModeChangeWarnMessageWithTitle(const char* pTitle, const char* pStatement,
                                                               MESSAGEBOX_ACTION pNo, MESSAGEBOX_ACTION pYes,
                                                               BOOLEAN bLeftChoiceAllowed, U32 u32Timer);
void T_MESSAGEBOX_vSetupBasicMessage(const char* pStatement, U32 u32Timer);
void T_MESSAGEBOX_vSetupInfoMessage(const char* pStatement, U32 u32Timer);
void T_MESSAGEBOX_vSetupInfoMessageWithIcon(const char* pStatement, INFO_ICON_TYPE eIcon, U32 u32Timer);
void T_MESSAGEBOX_vSetupVariableConfMessageWithFixedImage(const char* pTitle, const char* const* pStatement,
                                                          U32 u32NumberOfInputLines, const char* pLeftText,
                                                          const char* pRightText, MESSAGEBOX_ACTION pNo,
                                                          MESSAGEBOX_ACTION pYes, const ICON* pIcon, U32 u32Timer,
                                                          BOOLEAN bTextCentered, BOOLEAN bBoxCentered);
void T_MESSAGEBOX_vSetupUpdateBaseMapDialog(U32 u32CurrentVersion, U32 u32NewVersion, U32 u32MinorVersion);
// Boxes confined to one pane of a split view; u32Fcid is the key of that
// split's position.
void T_MESSAGEBOX_vSetupLocalBasicMessage(const char* pStatement, U32 u32Timer, U32 u32Fcid,
                                          SPLIT_WINDOW_TYPE eSplit);
void T_MESSAGEBOX_vSetupLocalConfMessageWithTitle(const char* pStatement, MESSAGEBOX_ACTION pNo,
                                                  MESSAGEBOX_ACTION pYes, BOOLEAN bLeftChoiceAllowed, U32 u32Timer,
                                                  U32 u32Fcid, SPLIT_WINDOW_TYPE eSplit);
void T_MESSAGEBOX_vSetupLocalConfMessageNoTitle(const char* pStatement, MESSAGEBOX_ACTION pNo, MESSAGEBOX_ACTION pYes,
                                                BOOLEAN bLeftChoiceAllowed, U32 u32Timer, U32 u32Fcid,
                                                SPLIT_WINDOW_TYPE eSplit);
void T_MESSAGEBOX_vSetupLocalConfMessageWithTitleAndLabels(const char* pTitle, const char* pStatement,
                                                           const ICON* pStatementIcon, const char* pLeftLabel,
                                                           const ICON* pLeftIcon, MESSAGEBOX_ACTION pNo,
                                                           const char* pRightLabel, const ICON* pRightIcon,
                                                           MESSAGEBOX_ACTION pYes, BOOLEAN bLeftChoiceAllowed,
                                                           U32 u32Timer, U32 u32Fcid, SPLIT_WINDOW_TYPE eSplit);

// The adders under the set-up functions. A null choice label means no such
// choice; nothing is queued when the heap cannot hold the box.
void T_MESSAGEBOX_vAddMessageBox(const char* pTitle, const char* pStatement, const char* pLeftChoice,
                                 const char* pRightChoice, MESSAGEBOX_ACTION pfLeftAction,
                                 MESSAGEBOX_ACTION pfRightAction, U32 u32Timer, MESSAGE_BOX_TYPE eType);
// pStatement holds u32NumberOfInputLines texts (at most 5 are kept).
void T_MESSAGEBOX_vAddMessageBoxWithIcon(const char* pTitle, const char* const* pStatement, const char* pLeftChoice,
                                         const char* pRightChoice, MESSAGEBOX_ACTION pfLeftAction,
                                         MESSAGEBOX_ACTION pfRightAction, U32 u32Timer, const ICON* pIcon,
                                         U32 u32NumberOfInputLines, MESSAGE_BOX_TYPE eType);
void T_MESSAGEBOX_vAddInfo(const char* pStatement, U32 u32Timer, INFO_ICON_TYPE eIcon);
void T_MESSAGEBOX_vAddLocalConfMessageBox(const char* pTitle, const char* pStatement, const char* pLeftChoice,
                                          const char* pRightChoice, MESSAGEBOX_ACTION pfLeftAction,
                                          MESSAGEBOX_ACTION pfRightAction, U32 u32Timer, MESSAGE_BOX_TYPE eType,
                                          U32 u32Fcid, SPLIT_WINDOW_TYPE eSplit, const ICON* pStatementIcon,
                                          const ICON* pLeftIcon, const ICON* pRightIcon);

// Removals; a removed head box gives the keys back.
void T_MESSAGEBOX_vRemoveAllMatching(const char* pStatement);
void T_MESSAGEBOX_vRemoveAllMatchingInfo(const char* pStatement);
void T_MESSAGEBOX_vRemoveAllMatchingIcon(const ICON* pIcon);
void T_MESSAGEBOX_vRemoveBaseMapUpdate(void);
void T_MESSAGEBOX_vResetConfState(void);

// Draw functions of MESSAGEBOX_LAYER (boxes and notifications) and
// SWEEP_NOTE_LAYER (pane boxes).
void T_MESSAGEBOX_vDrawMessageBoxLayer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_MESSAGEBOX_vDrawLocalMessageBoxLayer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);

// The free-running millisecond clock of the time-outs; tests step it with a
// clock of their own, null restores the real one.
void T_MESSAGEBOX_vSetClock(U32 (*pfnMilliseconds)(void));
