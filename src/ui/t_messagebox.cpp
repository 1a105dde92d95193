// Three queues of boxes, each shown one at a time from its head: the
// confirmations (and warnings and plain notices), the notifications along
// the bottom of the screen, and the boxes confined to one pane of a split
// view. The queues and every box in them are guarded by RES_MESSAGEBOX_CONF;
// the view task draws under it for at most 100 ms a frame, and the keys and
// the actions they choose are handled under it on this task.

#include "t_messagebox.h"

#include <stdio.h>
#include <string.h>

#include <atomic>

#include "error.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_view.h"
#include "u_keyboard.h"
#include "u_language.h"
#include "u_taskstub.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

constexpr U32 MESSAGEBOX_MAX_INPUT_LINES = 5;

typedef struct MESSAGEBOX_CONF_TAG {
  struct MESSAGEBOX_CONF_TAG* pNext;
  char* pStatement;
  int nLines;
  LINEOFTEXT lines[U_DIALOG_MAX_LINES];
  MESSAGEBOX_ACTION pYes;  // the right choice's action
  MESSAGEBOX_ACTION pNo;   // the left choice's action
  const char* pTitle;
  const char* pLeftChoice;
  const char* pRightChoice;
  U32 u32Timer;
  U32 u32TimerExpire;      // free-running milliseconds; 0 until first drawn
  JUSTIFICATION TextJustification;
  MESSAGE_BOX_TYPE eType;
  const ICON* pIcon;
  U32 u32NumberOfInputLines;
  char* apMultiLineStatement[MESSAGEBOX_MAX_INPUT_LINES];
  // Boxes of one pane only.
  U32 u32SplitSizeFcid;
  SPLIT_WINDOW_TYPE eViewSplit;
  const ICON* pStatementIcon;
  const ICON* pLeftIcon;
  const ICON* pRightIcon;
} MESSAGEBOX_CONF_NODE;
typedef MESSAGEBOX_CONF_NODE MESSAGEBOX_LOCAL_CONF_NODE;

typedef struct MESSAGEBOX_INFO_TAG {
  struct MESSAGEBOX_INFO_TAG* pNext;
  char* pStatement;
  INFO_ICON_TYPE eIcon;
  U32 u32Timer;
  U32 u32TimerExpire;
} MESSAGEBOX_INFO_NODE;

static MESSAGEBOX_CONF_NODE* s_pConf = nullptr;
static MESSAGEBOX_INFO_NODE* s_pInfo = nullptr;
static MESSAGEBOX_LOCAL_CONF_NODE* s_pLocalConf = nullptr;
static BOOLEAN s_bKeysRegistered = FALSE;
static BOOLEAN s_bLocalKeysRegistered = FALSE;
static U8 s_u8TextMsgTotalLine = 0;
static U8 s_u8TextMsgCurrentLine = 0;
static U32 s_u32CurrentBaseMap = 0;
static U32 s_u32NewBaseMap = 0;
static U32 s_u32MinorVersion = 0;
static BOOLEAN s_bBasemapMessageSetup = FALSE;
static std::atomic<U32 (*)(void)> s_pfnClock{nullptr};

constexpr U32 MASK_ALL_BUT_CURSOR = 0xFF6F;
constexpr TICKS MESSAGEBOX_DRAW_WAIT_MS = 100;
// Time-outs are kept within half the clock's range, so they compare safely
// across its wrap.
constexpr U32 MESSAGEBOX_MAX_TIMER_S = 0x7FFFFFFFu / 1000;

void T_MESSAGEBOX_vSetClock(U32 (*pfnMilliseconds)(void)) { s_pfnClock = pfnMilliseconds; }

static U32 MESSAGEBOX_u32Now(void) {
  U32 (*pfn)(void) = s_pfnClock;
  return pfn != nullptr ? pfn() : H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
}

static const char* MESSAGEBOX_pcText(const char* const* pTable) { return pTable[nCurrentLanguage()]; }

// ---------------------------------------------------------------------------
// Text copies

// A copy of a text in the current language's form: wide texts in the wide
// languages, 8-bit ones in the others.
static char* MESSAGEBOX_pcCopy(const char* pText) {
  static const char s_acEmpty[2] = {0, 0};
  if (pText == nullptr) pText = s_acEmpty;
  U32 u32Size = U_WSTRING_u32w_strlen(pText, FALSE) + (U_WSTRING_bIsUnicodeLanguage() ? 2 : 1);
  char* pCopy = (char*)H_MEMORY_pvMallocNoWait(u32Size);
  if (pCopy != nullptr) memcpy(pCopy, pText, u32Size);
  return pCopy;
}

static void MESSAGEBOX_vFreeConf(MESSAGEBOX_CONF_NODE* pNode) {
  if (pNode == nullptr) return;
  H_MEMORY_vFree(pNode->pStatement);
  for (char* pLine : pNode->apMultiLineStatement) H_MEMORY_vFree(pLine);
  H_MEMORY_vFree(pNode);
}

static void MESSAGEBOX_vFreeInfo(MESSAGEBOX_INFO_NODE* pNode) {
  H_MEMORY_vFree(pNode->pStatement);
  H_MEMORY_vFree(pNode);
}

template <typename NODE>
static void MESSAGEBOX_vAppend(NODE** ppHead, NODE* pNode) {
  while (*ppHead != nullptr) ppHead = &(*ppHead)->pNext;
  *ppHead = pNode;
}

// ---------------------------------------------------------------------------
// Keys

static void MESSAGEBOX_vTakeKeys(void) {
  if (s_bKeysRegistered) return;
  U_KEYBOARD_bRegisterKeys(M_MESSAGEBOX, MASK_ALL_BUT_CURSOR, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY,
                           REGISTER_DIALOG_BOX);
  U_KEYBOARD_bRegisterKeys(M_MESSAGEBOX, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
  s_bKeysRegistered = TRUE;
}

static void MESSAGEBOX_vGiveKeysBack(void) {
  if (!s_bKeysRegistered) return;
  U_KEYBOARD_bUnregisterKeys(M_MESSAGEBOX, HKEY_MASK_ALL_BUT_POWER);
  s_bKeysRegistered = FALSE;
}

static void MESSAGEBOX_vGiveLocalKeysBack(void) {
  if (!s_bLocalKeysRegistered) return;
  U_KEYBOARD_bUnregisterKeys(M_MESSAGEBOX, HKEY_MASK_CURSOR);
  s_bLocalKeysRegistered = FALSE;
}

// Unlinks the head box of a queue; the keys it held go back with it.
static MESSAGEBOX_CONF_NODE* MESSAGEBOX_pUnlinkHead(MESSAGEBOX_CONF_NODE** ppHead) {
  MESSAGEBOX_CONF_NODE* pHead = *ppHead;
  if (pHead == nullptr) return nullptr;
  *ppHead = pHead->pNext;
  if (ppHead == &s_pConf) {
    MESSAGEBOX_vGiveKeysBack();
    s_u8TextMsgCurrentLine = 0;
  } else {
    MESSAGEBOX_vGiveLocalKeysBack();
  }
  return pHead;
}

// Removes every box of a queue that matches; the head going gives the keys back.
template <typename MATCH>
static void MESSAGEBOX_vRemoveConfWhere(MESSAGEBOX_CONF_NODE** ppHead, MATCH bMatch) {
  L_MUTEX_LockWait(RES_MESSAGEBOX_CONF);
  int n = 0;
  for (MESSAGEBOX_CONF_NODE** pp = ppHead; *pp != nullptr;) {
    if (!bMatch(*pp)) {
      pp = &(*pp)->pNext;
      continue;
    }
    MESSAGEBOX_CONF_NODE* pGone = pp == ppHead ? MESSAGEBOX_pUnlinkHead(ppHead) : *pp;
    if (pp != ppHead) *pp = pGone->pNext;
    log_me("msgbox [%d] %s ", n++, pGone->pStatement);
    MESSAGEBOX_vFreeConf(pGone);
  }
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

// ---------------------------------------------------------------------------
// Queueing

static MESSAGEBOX_CONF_NODE* MESSAGEBOX_pNewConf(const char* pTitle, const char* pStatement, const char* pLeftChoice,
                                                 const char* pRightChoice, MESSAGEBOX_ACTION pfLeftAction,
                                                 MESSAGEBOX_ACTION pfRightAction, U32 u32Timer,
                                                 MESSAGE_BOX_TYPE eType) {
  MESSAGEBOX_CONF_NODE* pNode = (MESSAGEBOX_CONF_NODE*)H_MEMORY_pvMallocNoWait(sizeof(MESSAGEBOX_CONF_NODE));
  if (pNode == nullptr) return nullptr;
  memset((void*)pNode, 0, sizeof *pNode);
  pNode->pStatement = MESSAGEBOX_pcCopy(pStatement);
  if (pNode->pStatement == nullptr) {
    H_MEMORY_vFree(pNode);
    return nullptr;
  }
  pNode->pTitle = pTitle;
  pNode->pLeftChoice = pLeftChoice;
  pNode->pRightChoice = pRightChoice;
  pNode->pNo = pfLeftAction;
  pNode->pYes = pfRightAction;
  pNode->u32Timer = u32Timer > MESSAGEBOX_MAX_TIMER_S ? MESSAGEBOX_MAX_TIMER_S : u32Timer;
  pNode->TextJustification = JUSTIFICATION_CENTER;
  pNode->eType = eType;
  pNode->u32NumberOfInputLines = 1;
  pNode->eViewSplit = SPLIT_FULL_WINDOW;
  return pNode;
}

void T_MESSAGEBOX_vAddMessageBox(const char* pTitle, const char* pStatement, const char* pLeftChoice,
                                 const char* pRightChoice, MESSAGEBOX_ACTION pfLeftAction,
                                 MESSAGEBOX_ACTION pfRightAction, U32 u32Timer, MESSAGE_BOX_TYPE eType) {
  MESSAGEBOX_CONF_NODE* pNode =
      MESSAGEBOX_pNewConf(pTitle, pStatement, pLeftChoice, pRightChoice, pfLeftAction, pfRightAction, u32Timer, eType);
  if (pNode == nullptr) return;
  L_MUTEX_LockWait(RES_MESSAGEBOX_CONF);
  MESSAGEBOX_vAppend(&s_pConf, pNode);
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

void T_MESSAGEBOX_vAddMessageBoxWithIcon(const char* pTitle, const char* const* pStatement, const char* pLeftChoice,
                                         const char* pRightChoice, MESSAGEBOX_ACTION pfLeftAction,
                                         MESSAGEBOX_ACTION pfRightAction, U32 u32Timer, const ICON* pIcon,
                                         U32 u32NumberOfInputLines, MESSAGE_BOX_TYPE eType) {
  const char* pFirst = pStatement != nullptr && u32NumberOfInputLines > 0 ? pStatement[0] : nullptr;
  MESSAGEBOX_CONF_NODE* pNode =
      MESSAGEBOX_pNewConf(pTitle, pFirst, pLeftChoice, pRightChoice, pfLeftAction, pfRightAction, u32Timer, eType);
  if (pNode == nullptr) return;
  pNode->pIcon = pIcon;
  U32 n = u32NumberOfInputLines < MESSAGEBOX_MAX_INPUT_LINES ? u32NumberOfInputLines : MESSAGEBOX_MAX_INPUT_LINES;
  pNode->u32NumberOfInputLines = n;
  for (U32 i = 0; i < n; i++) {
    pNode->apMultiLineStatement[i] = MESSAGEBOX_pcCopy(pStatement[i]);
    if (pNode->apMultiLineStatement[i] != nullptr) continue;
    MESSAGEBOX_vFreeConf(pNode);
    return;
  }
  L_MUTEX_LockWait(RES_MESSAGEBOX_CONF);
  MESSAGEBOX_vAppend(&s_pConf, pNode);
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

static BOOLEAN MESSAGEBOX_bSameText(const char* a, const char* b);

// A notification already queued is not queued again: two reports of one
// fault at once (a full store told by the store and by the mark it
// refused) showed the same bar twice in a row. The queued one shows its
// time anew from its next drawing.
static BOOLEAN MESSAGEBOX_bRenewInfo(const char* pStatement, U32 u32Timer, INFO_ICON_TYPE eIcon) {
  for (MESSAGEBOX_INFO_NODE* p = s_pInfo; p != nullptr; p = p->pNext) {
    if (p->eIcon != eIcon || !MESSAGEBOX_bSameText(p->pStatement, pStatement)) continue;
    if (p->u32Timer != 0) p->u32Timer = u32Timer == 0 || u32Timer > p->u32Timer ? u32Timer : p->u32Timer;
    p->u32TimerExpire = 0;
    return TRUE;
  }
  return FALSE;
}

void T_MESSAGEBOX_vAddInfo(const char* pStatement, U32 u32Timer, INFO_ICON_TYPE eIcon) {
  if (u32Timer > MESSAGEBOX_MAX_TIMER_S) u32Timer = MESSAGEBOX_MAX_TIMER_S;
  L_MUTEX_LockWait(RES_MESSAGEBOX_CONF);
  const BOOLEAN bRenewed = MESSAGEBOX_bRenewInfo(pStatement, u32Timer, eIcon);
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
  if (bRenewed) return;
  MESSAGEBOX_INFO_NODE* pNode = (MESSAGEBOX_INFO_NODE*)H_MEMORY_pvMallocNoWait(sizeof(MESSAGEBOX_INFO_NODE));
  if (pNode == nullptr) return;
  *pNode = MESSAGEBOX_INFO_NODE{nullptr, MESSAGEBOX_pcCopy(pStatement), eIcon, u32Timer, 0};
  if (pNode->pStatement == nullptr) {
    H_MEMORY_vFree(pNode);
    return;
  }
  L_MUTEX_LockWait(RES_MESSAGEBOX_CONF);
  MESSAGEBOX_vAppend(&s_pInfo, pNode);
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

void T_MESSAGEBOX_vAddLocalConfMessageBox(const char* pTitle, const char* pStatement, const char* pLeftChoice,
                                          const char* pRightChoice, MESSAGEBOX_ACTION pfLeftAction,
                                          MESSAGEBOX_ACTION pfRightAction, U32 u32Timer, MESSAGE_BOX_TYPE eType,
                                          U32 u32Fcid, SPLIT_WINDOW_TYPE eSplit, const ICON* pStatementIcon,
                                          const ICON* pLeftIcon, const ICON* pRightIcon) {
  MESSAGEBOX_LOCAL_CONF_NODE* pNode =
      MESSAGEBOX_pNewConf(pTitle, pStatement, pLeftChoice, pRightChoice, pfLeftAction, pfRightAction, u32Timer, eType);
  if (pNode == nullptr) {
    log_me("[%d]%s: no room for a pane box", __LINE__, __func__);
    return;
  }
  pNode->u32SplitSizeFcid = u32Fcid;
  pNode->eViewSplit = eSplit;
  pNode->pStatementIcon = pStatementIcon;
  pNode->pLeftIcon = pLeftIcon;
  pNode->pRightIcon = pRightIcon;
  L_MUTEX_LockWait(RES_MESSAGEBOX_CONF);
  MESSAGEBOX_vAppend(&s_pLocalConf, pNode);
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

// ---------------------------------------------------------------------------
// Set-up functions

void T_MESSAGEBOX_vSetupConfMessageWithTitle(const char* pStatement, MESSAGEBOX_ACTION pNo, MESSAGEBOX_ACTION pYes,
                                             BOOLEAN bLeftChoiceAllowed, U32 u32Timer) {
  T_MESSAGEBOX_vAddMessageBox(MESSAGEBOX_pcText(Confirm), pStatement, bLeftChoiceAllowed ? MESSAGEBOX_pcText(No) : nullptr,
                              MESSAGEBOX_pcText(Yes), pNo, pYes, u32Timer, MESSAGE_BOX_TYPE_CONF);
}

void T_MESSAGEBOX_vSetupConfMessageNoTitle(const char* pStatement, MESSAGEBOX_ACTION pNo, MESSAGEBOX_ACTION pYes,
                                           BOOLEAN bLeftChoiceAllowed, U32 u32Timer) {
  T_MESSAGEBOX_vAddMessageBox(nullptr, pStatement, bLeftChoiceAllowed ? MESSAGEBOX_pcText(No) : nullptr,
                              MESSAGEBOX_pcText(Yes), pNo, pYes, u32Timer, MESSAGE_BOX_TYPE_CONF);
}

void T_MESSAGEBOX_vSetupConfMessageNoTitleWithCancel(const char* pStatement, MESSAGEBOX_ACTION pCancel, U32 u32Timer) {
  T_MESSAGEBOX_vAddMessageBox(nullptr, pStatement, MESSAGEBOX_pcText(Cancel), nullptr, pCancel, nullptr, u32Timer,
                              MESSAGE_BOX_TYPE_CANCEL_ONLY);
}

void T_MESSAGEBOX_vSetupWarnMessageWithTitle(const char* pStatement, MESSAGEBOX_ACTION pNo, MESSAGEBOX_ACTION pYes,
                                             BOOLEAN bLeftChoiceAllowed, U32 u32Timer) {
  T_MESSAGEBOX_vAddMessageBox(MESSAGEBOX_pcText(Warning1), pStatement,
                              bLeftChoiceAllowed ? MESSAGEBOX_pcText(No) : nullptr, MESSAGEBOX_pcText(Yes), pNo, pYes,
                              u32Timer, MESSAGE_BOX_TYPE_WARN);
}

// The choices stand the other way round: Yes on the left, No on the right,
// and EXIT answers No.
void T_MESSAGEBOX_vSetupLanguageModeChangeWarnMessageWithTitle(const char* pTitle, const char* pStatement,
                                                               MESSAGEBOX_ACTION pNo, MESSAGEBOX_ACTION pYes,
                                                               BOOLEAN bLeftChoiceAllowed, U32 u32Timer) {
  T_MESSAGEBOX_vAddMessageBox(pTitle, pStatement, bLeftChoiceAllowed ? MESSAGEBOX_pcText(Yes) : nullptr,
                              MESSAGEBOX_pcText(No), pYes, pNo, u32Timer, MESSAGE_BOX_TYPE_WARN_SPECIAL);
}

void T_MESSAGEBOX_vSetupBasicMessage(const char* pStatement, U32 u32Timer) {
  T_MESSAGEBOX_vAddMessageBox(nullptr, pStatement, nullptr, nullptr, nullptr, nullptr, u32Timer,
                              MESSAGE_BOX_TYPE_BASIC);
}

void T_MESSAGEBOX_vSetupInfoMessage(const char* pStatement, U32 u32Timer) {
  T_MESSAGEBOX_vAddInfo(pStatement, u32Timer, ICON_NULL);
}

void T_MESSAGEBOX_vSetupInfoMessageWithIcon(const char* pStatement, INFO_ICON_TYPE eIcon, U32 u32Timer) {
  T_MESSAGEBOX_vAddInfo(pStatement, u32Timer, eIcon);
}

void T_MESSAGEBOX_vSetupVariableConfMessageWithFixedImage(const char* pTitle, const char* const* pStatement,
                                                          U32 u32NumberOfInputLines, const char* pLeftText,
                                                          const char* pRightText, MESSAGEBOX_ACTION pNo,
                                                          MESSAGEBOX_ACTION pYes, const ICON* pIcon, U32 u32Timer,
                                                          BOOLEAN bTextCentered, BOOLEAN bBoxCentered) {
  MESSAGE_BOX_TYPE eType = bTextCentered  ? MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE
                           : bBoxCentered ? MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE_LEFT_JUSTIFIED
                                          : MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE_LEFT_JUSTIFIED_SCREEN_WIDE;
  T_MESSAGEBOX_vAddMessageBoxWithIcon(pTitle, pStatement, pLeftText, pRightText, pNo, pYes, u32Timer, pIcon,
                                      u32NumberOfInputLines, eType);
}

static U32 MESSAGEBOX_u32Ibmu(void) {
  U32 u32Value = 0;
  H_DATABASE_bFetchU32(FCID("IBMU"), &u32Value, nullptr, nullptr);
  return u32Value;
}

static void MESSAGEBOX_vSetIbmu(U32 u32Value) {
  H_DATABASE_bUpdateEverythingU32(FCID("IBMU"), u32Value, P_NORMAL, D_UNSIGNED32, nullptr, DB_NEVER_STALE);
}

void T_MESSAGEBOX_vSetupUpdateBaseMapDialog(U32 u32CurrentVersion, U32 u32NewVersion, U32 u32MinorVersion) {
  if (MESSAGEBOX_u32Ibmu() != 0) {
    log_me("Already popup and during the handle, cannot popup again");
    return;
  }
  L_MUTEX_LockWait(RES_MESSAGEBOX_CONF);
  BOOLEAN bBluetoothShown = s_pConf != nullptr && s_pConf->eType == MESSAGE_BOX_TYPE_BT_MSG_POPUP;
  if (!bBluetoothShown) {
    s_u32CurrentBaseMap = u32CurrentVersion;
    s_u32NewBaseMap = u32NewVersion;
    s_u32MinorVersion = u32MinorVersion;
    s_bBasemapMessageSetup = TRUE;
    // The offer has no text of its own: its statement is the name the offering code looks for.
    static const char s_acIbmu[] = "IBMU";
    static const char s_acIbmuWide[] = "\0I\0B\0M\0U\0";
    T_MESSAGEBOX_vAddMessageBox(nullptr, U_WSTRING_bIsUnicodeLanguage() ? s_acIbmuWide : s_acIbmu, nullptr, nullptr,
                                nullptr, nullptr, 0, MESSAGE_BOX_TYPE_UPDATE_BASE_MAP);
  }
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

void T_MESSAGEBOX_vSetupLocalBasicMessage(const char* pStatement, U32 u32Timer, U32 u32Fcid,
                                          SPLIT_WINDOW_TYPE eSplit) {
  T_MESSAGEBOX_vAddLocalConfMessageBox(nullptr, pStatement, nullptr, nullptr, nullptr, nullptr, u32Timer,
                                       MESSAGE_BOX_TYPE_BASIC, u32Fcid, eSplit, nullptr, nullptr, nullptr);
}

void T_MESSAGEBOX_vSetupLocalConfMessageWithTitle(const char* pStatement, MESSAGEBOX_ACTION pNo,
                                                  MESSAGEBOX_ACTION pYes, BOOLEAN bLeftChoiceAllowed, U32 u32Timer,
                                                  U32 u32Fcid, SPLIT_WINDOW_TYPE eSplit) {
  T_MESSAGEBOX_vAddLocalConfMessageBox(MESSAGEBOX_pcText(Confirm), pStatement,
                                       bLeftChoiceAllowed ? MESSAGEBOX_pcText(No) : nullptr, MESSAGEBOX_pcText(Yes), pNo,
                                       pYes, u32Timer, MESSAGE_BOX_TYPE_CONF, u32Fcid, eSplit, nullptr, nullptr,
                                       nullptr);
}

void T_MESSAGEBOX_vSetupLocalConfMessageNoTitle(const char* pStatement, MESSAGEBOX_ACTION pNo, MESSAGEBOX_ACTION pYes,
                                                BOOLEAN bLeftChoiceAllowed, U32 u32Timer, U32 u32Fcid,
                                                SPLIT_WINDOW_TYPE eSplit) {
  T_MESSAGEBOX_vAddLocalConfMessageBox(nullptr, pStatement, bLeftChoiceAllowed ? MESSAGEBOX_pcText(No) : nullptr,
                                       MESSAGEBOX_pcText(Yes), pNo, pYes, u32Timer, MESSAGE_BOX_TYPE_CONF, u32Fcid,
                                       eSplit, nullptr, nullptr, nullptr);
}

void T_MESSAGEBOX_vSetupLocalConfMessageWithTitleAndLabels(const char* pTitle, const char* pStatement,
                                                           const ICON* pStatementIcon, const char* pLeftLabel,
                                                           const ICON* pLeftIcon, MESSAGEBOX_ACTION pNo,
                                                           const char* pRightLabel, const ICON* pRightIcon,
                                                           MESSAGEBOX_ACTION pYes, BOOLEAN bLeftChoiceAllowed,
                                                           U32 u32Timer, U32 u32Fcid, SPLIT_WINDOW_TYPE eSplit) {
  T_MESSAGEBOX_vAddLocalConfMessageBox(pTitle, pStatement, bLeftChoiceAllowed ? pLeftLabel : nullptr, pRightLabel,
                                       pNo, pYes, u32Timer, MESSAGE_BOX_TYPE_CONF, u32Fcid, eSplit, pStatementIcon,
                                       bLeftChoiceAllowed ? pLeftIcon : nullptr, pRightIcon);
}

// ---------------------------------------------------------------------------
// Removals

static BOOLEAN MESSAGEBOX_bSameText(const char* a, const char* b) {
  return a != nullptr && b != nullptr && U_WSTRING_s32w_strncmp(a, b, 0) == 0;
}

void T_MESSAGEBOX_vRemoveAllMatching(const char* pStatement) {
  MESSAGEBOX_vRemoveConfWhere(&s_pConf, [pStatement](const MESSAGEBOX_CONF_NODE* p) {
    return MESSAGEBOX_bSameText(p->pStatement, pStatement);
  });
}

void T_MESSAGEBOX_vRemoveAllMatchingIcon(const ICON* pIcon) {
  MESSAGEBOX_vRemoveConfWhere(&s_pLocalConf, [pIcon](const MESSAGEBOX_CONF_NODE* p) { return p->pStatementIcon == pIcon; });
}

void T_MESSAGEBOX_vRemoveBaseMapUpdate(void) {
  MESSAGEBOX_vRemoveConfWhere(&s_pConf, [](const MESSAGEBOX_CONF_NODE* p) {
    return p->eType == MESSAGE_BOX_TYPE_UPDATE_BASE_MAP;
  });
}

void T_MESSAGEBOX_vResetConfState(void) {
  L_MUTEX_LockWait(RES_MESSAGEBOX_CONF);
  MESSAGEBOX_vFreeConf(MESSAGEBOX_pUnlinkHead(&s_pConf));
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

void T_MESSAGEBOX_vRemoveAllMatchingInfo(const char* pStatement) {
  L_MUTEX_LockWait(RES_MESSAGEBOX_CONF);
  for (MESSAGEBOX_INFO_NODE** pp = &s_pInfo; *pp != nullptr;) {
    if (!MESSAGEBOX_bSameText((*pp)->pStatement, pStatement)) {
      pp = &(*pp)->pNext;
      continue;
    }
    MESSAGEBOX_INFO_NODE* pGone = *pp;
    *pp = pGone->pNext;
    MESSAGEBOX_vFreeInfo(pGone);
  }
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

// ---------------------------------------------------------------------------
// Drawing

// TRUE once the box has been shown for its time; the first drawing starts it.
template <typename NODE>
static BOOLEAN MESSAGEBOX_bTimedOut(NODE* pNode) {
  if (pNode->u32Timer == 0) return FALSE;
  const U32 now = MESSAGEBOX_u32Now();
  if (pNode->u32TimerExpire == 0) {
    pNode->u32TimerExpire = now + 1000 * pNode->u32Timer;
    if (pNode->u32TimerExpire == 0) pNode->u32TimerExpire = 1;
    return FALSE;
  }
  return (S32)(now - pNode->u32TimerExpire) >= 0;
}

static const char* MESSAGEBOX_pcTitle(const MESSAGEBOX_CONF_NODE* p) {
  switch (p->eType) {
    case MESSAGE_BOX_TYPE_CONF:
      return MESSAGEBOX_pcText(Confirm);
    case MESSAGE_BOX_TYPE_WARN:
      return MESSAGEBOX_pcText(Warning1);
    case MESSAGE_BOX_TYPE_CONF_CUSTOM:
    case MESSAGE_BOX_TYPE_WARN_SPECIAL:
    case MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE:
    case MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE_LEFT_JUSTIFIED:
    case MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE_LEFT_JUSTIFIED_SCREEN_WIDE:
      return p->pTitle;
    default:
      return nullptr;
  }
}

static BOOLEAN MESSAGEBOX_bTakesKeys(MESSAGE_BOX_TYPE eType) {
  return eType != MESSAGE_BOX_TYPE_BASIC && eType != MESSAGE_BOX_TYPE_BT_MSG_POPUP &&
         eType != MESSAGE_BOX_TYPE_UPDATE_BASE_MAP;
}

static void MESSAGEBOX_vDrawConf(BITMAP* pBitmap, MESSAGEBOX_CONF_NODE* p) {
  const FONT_DEF* pFont = U_DIALOG_pTextFont();
  const char* pTitle = MESSAGEBOX_pcTitle(p);
  const BOOLEAN bLeft = p->pLeftChoice != nullptr, bRight = p->pRightChoice != nullptr;
  if (MESSAGEBOX_bTakesKeys(p->eType)) MESSAGEBOX_vTakeKeys();
  switch (p->eType) {
    case MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE:
    case MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE_LEFT_JUSTIFIED:
    case MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE_LEFT_JUSTIFIED_SCREEN_WIDE: {
      JUSTIFICATION eText = p->eType == MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE ? JUSTIFICATION_CENTER
                                                                                  : JUSTIFICATION_LEFT;
      JUSTIFICATION eBox = p->eType == MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE_LEFT_JUSTIFIED_SCREEN_WIDE
                               ? JUSTIFICATION_SCREEN_CENTER
                               : JUSTIFICATION_CENTER;
      U_DIALOG_vDrawDialogWithFixedImage(pBitmap, pTitle, p->apMultiLineStatement, p->u32NumberOfInputLines, pFont,
                                         p->pLeftChoice, p->pRightChoice, eText, eBox, bLeft, bRight, FALSE, 0,
                                         p->pIcon);
      break;
    }
    case MESSAGE_BOX_TYPE_BT_MSG_POPUP: {
      p->nLines = U_DIALOG_u16ExtractTextIntoLines(p->pStatement, p->lines, pFont, 326, FALSE);
      s_u8TextMsgTotalLine = (U8)p->nLines;
      if (s_u8TextMsgCurrentLine >= s_u8TextMsgTotalLine) s_u8TextMsgCurrentLine = 0;
      U32 u32Arrows = (s_u8TextMsgCurrentLine > 0 ? 1u : 0u) | (s_u8TextMsgCurrentLine + 7 < p->nLines ? 2u : 0u);
      U_DIALOG_vDrawTextMsgPopup(pBitmap, p->pTitle, p->lines + s_u8TextMsgCurrentLine,
                                 (U8)(p->nLines - s_u8TextMsgCurrentLine), pFont, u32Arrows, 1, 0);
      break;
    }
    default:
      U_DIALOG_vDrawDialogWithConfirm(pBitmap, pTitle, p->pStatement, pFont, p->pLeftChoice, p->pRightChoice,
                                      p->TextJustification,
                                      p->eType == MESSAGE_BOX_TYPE_BT_SCAN ? JUSTIFICATION_BT_SCAN_SPECIAL
                                                                           : JUSTIFICATION_CENTER,
                                      bLeft, bRight, FALSE, 0);
      break;
  }
}

void T_MESSAGEBOX_vDrawMessageBoxLayer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  if (L_MUTEX_LockTime(RES_MESSAGEBOX_CONF, MESSAGEBOX_DRAW_WAIT_MS) != 0) return;
  if (s_pConf != nullptr) {
    MESSAGEBOX_vDrawConf(pBitmap, s_pConf);
    if (MESSAGEBOX_bTimedOut(s_pConf)) MESSAGEBOX_vFreeConf(MESSAGEBOX_pUnlinkHead(&s_pConf));
  }
  if (s_pInfo != nullptr) {
    const BOOLEAN bIcon = s_pInfo->eIcon != ICON_NULL;
    if (bIcon) G_TRUETYPE_vSetASCIIMode(TRUE);
    U_DIALOG_vDrawDialogGenericNotificationWithIcon(pBitmap, s_pInfo->pStatement, s_pInfo->eIcon);
    if (bIcon) G_TRUETYPE_vSetASCIIMode(FALSE);
    if (MESSAGEBOX_bTimedOut(s_pInfo)) {
      MESSAGEBOX_INFO_NODE* pGone = s_pInfo;
      s_pInfo = pGone->pNext;
      MESSAGEBOX_vFreeInfo(pGone);
    }
  }
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

void T_MESSAGEBOX_vDrawLocalMessageBoxLayer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  if (L_MUTEX_LockTime(RES_MESSAGEBOX_CONF, MESSAGEBOX_DRAW_WAIT_MS) != 0) return;
  MESSAGEBOX_LOCAL_CONF_NODE* p = s_pLocalConf;
  if (p != nullptr) {
    const SPLIT_WINDOW_TYPE eCurrent = U_VIEW_eCurrentSplit();
    const BOOLEAN bOwnPane = p->eViewSplit == SPLIT_FULL_WINDOW || p->eViewSplit == eCurrent;
    if (!bOwnPane) MESSAGEBOX_vGiveLocalKeysBack();
    const char* pTitle = p->pTitle;
    if (p->eType == MESSAGE_BOX_TYPE_CONF) {
      if (pTitle == nullptr) pTitle = MESSAGEBOX_pcText(Confirm);
      if (bOwnPane && !s_bLocalKeysRegistered) {
        U_KEYBOARD_bRegisterKeys(M_MESSAGEBOX, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_VIEW);
        s_bLocalKeysRegistered = TRUE;
      }
    }
    S32 s32Percent = 50;
    H_DATABASE_bFetchS32(p->u32SplitSizeFcid, &s32Percent, nullptr, nullptr);
    const S32 s32Left = T_VIEW_s32SplitViewClipLeft(800, s32Percent, p->eViewSplit);
    const S32 origin = (S32)U_VIEW_u32XOrigin();
    const S32 s32Right =
        p->eViewSplit == SPLIT_LEFT_WINDOW ? (S32)(origin + (double)s32Percent * 0.01 * (800 - origin)) : 800;
    U_DIALOG_vDrawLocalDialogWithConfirm(pBitmap, pTitle, p->pStatement, U_DIALOG_pTextFont(), p->pLeftChoice,
                                         p->pRightChoice, p->TextJustification, JUSTIFICATION_CENTER,
                                         p->pLeftChoice != nullptr, p->pRightChoice != nullptr, FALSE, 0, s32Left,
                                         s32Right, p->pStatementIcon, p->pLeftIcon, p->pRightIcon);
    if (MESSAGEBOX_bTimedOut(p)) MESSAGEBOX_vFreeConf(MESSAGEBOX_pUnlinkHead(&s_pLocalConf));
  }
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

// ---------------------------------------------------------------------------
// Keys

// The base-map offer: TRUE when the key was taken.
static BOOLEAN MESSAGEBOX_bBaseMapKey(const MSG_KEY_CHANGE* pMsg, MESSAGEBOX_CONF_NODE** ppHead) {
  const U32 u32State = MESSAGEBOX_u32Ibmu();
  const BOOLEAN bEast = pMsg->key == HKEY_MASK_CURSOR && pMsg->cursor == CURSOR_EAST;
  const BOOLEAN bWest = pMsg->key == HKEY_MASK_CURSOR && pMsg->cursor == CURSOR_WEST;
  BOOLEAN bRemove = FALSE;
  if (u32State == 2) return FALSE;
  if (pMsg->key == HKEY_MASK_EXIT) {
    MESSAGEBOX_vSetIbmu(0);
    bRemove = TRUE;
  } else if (u32State == 0 && (bEast || bWest)) {
    MESSAGEBOX_vSetIbmu(bEast ? 1 : 0);
    bRemove = bWest;
  } else if (u32State == 1 && (bEast || bWest)) {
    MESSAGEBOX_vSetIbmu(bWest ? 2 : 0);
    bRemove = bEast;
  } else {
    return FALSE;
  }
  if (bRemove) MESSAGEBOX_vFreeConf(MESSAGEBOX_pUnlinkHead(ppHead));
  return TRUE;
}

// Runs an action of a box that has already left its queue, so the action may
// queue or remove boxes freely.
static void MESSAGEBOX_vAnswer(MESSAGEBOX_CONF_NODE** ppHead, MESSAGEBOX_ACTION pAction) {
  MESSAGEBOX_vFreeConf(MESSAGEBOX_pUnlinkHead(ppHead));
  if (pAction != nullptr) {
    pAction();
  } else {
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  }
}

static BOOLEAN MESSAGEBOX_bHandleKey(const MSG_KEY_CHANGE* pMsg, MESSAGEBOX_CONF_NODE** ppHead) {
  MESSAGEBOX_CONF_NODE* p = *ppHead;
  const MESSAGE_BOX_TYPE eType = p->eType;
  const BOOLEAN bImage = eType >= MESSAGE_BOX_TYPE_CONF_VARIABLE_WITH_IMAGE;
  if (eType == MESSAGE_BOX_TYPE_UPDATE_BASE_MAP) {
    if (!MESSAGEBOX_bBaseMapKey(pMsg, ppHead)) return FALSE;
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    return TRUE;
  }
  if (pMsg->key == HKEY_MASK_EXIT) {
    MESSAGEBOX_vAnswer(ppHead, eType == MESSAGE_BOX_TYPE_WARN_SPECIAL ? p->pYes : p->pNo);
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return FALSE;
  switch (pMsg->cursor) {
    case CURSOR_NORTH:
    case CURSOR_SOUTH: {
      const BOOLEAN bNorth = pMsg->cursor == CURSOR_NORTH;
      if (ppHead != &s_pConf || s_u8TextMsgTotalLine < 7) return FALSE;
      if (bNorth ? s_u8TextMsgCurrentLine == 0 : s_u8TextMsgCurrentLine + 7 >= s_u8TextMsgTotalLine) return FALSE;
      s_u8TextMsgCurrentLine = (U8)(s_u8TextMsgCurrentLine + (bNorth ? -1 : 1));
      L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
      return TRUE;
    }
    case CURSOR_EAST:
      if ((bImage && p->pYes == nullptr) || eType == MESSAGE_BOX_TYPE_CANCEL_ONLY) return FALSE;
      MESSAGEBOX_vAnswer(ppHead, p->pYes);
      return TRUE;
    case CURSOR_WEST:
      if (bImage && p->pNo == nullptr) return FALSE;
      if (p->pNo == nullptr && p->pLeftChoice == nullptr) return FALSE;
      MESSAGEBOX_vAnswer(ppHead, p->pNo);
      return TRUE;
    default:
      return FALSE;
  }
}

static void MESSAGEBOX_vHandleKeyChange(const MSG_KEY_CHANGE* pMsg) {
  L_MUTEX_LockWait(RES_MESSAGEBOX_CONF);
  MESSAGEBOX_CONF_NODE** ppHead = s_pConf != nullptr ? &s_pConf : &s_pLocalConf;
  if (*ppHead == nullptr) {
    L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
    return;
  }
  if (MESSAGEBOX_bHandleKey(pMsg, ppHead)) {
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    if (ppHead == &s_pConf) {
      MESSAGEBOX_vGiveKeysBack();
    } else {
      MESSAGEBOX_vGiveLocalKeysBack();
    }
  } else {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  }
  L_MUTEX_Unlock(RES_MESSAGEBOX_CONF);
}

// ---------------------------------------------------------------------------
// The task

static void MESSAGEBOX_vRunSystem(void) {
  if (H_DATABASE_bUpdateEverythingU32(FCID("TMBX"), (U32)M_MESSAGEBOX, P_NORMAL, D_MAILBOX, nullptr,
                                      DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the MessageBox Task Maibox");
  }
  U_VIEW_bRegisterLayer(T_MESSAGEBOX_vDrawMessageBoxLayer, MESSAGEBOX_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
  U_VIEW_bRegisterLayer(T_MESSAGEBOX_vDrawLocalMessageBoxLayer, SWEEP_NOTE_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr,
                        nullptr, nullptr);
}

static void MESSAGEBOX_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_RUN_SYSTEM:
      MESSAGEBOX_vRunSystem();
      break;
    case CMD_ID_SHUTDOWN:
      U_VIEW_bUnRegisterLayer(MESSAGEBOX_LAYER);
      U_VIEW_bUnRegisterLayer(SWEEP_NOTE_LAYER);
      break;
    case CMD_ID_KEY_CHANGE:
      MESSAGEBOX_vHandleKeyChange((const MSG_KEY_CHANGE*)pMsg);
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

void T_MESSAGEBOX_vMain(void) {
  const SEMA events[] = {SEMA_MBOX_MESSAGEBOX, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(events) != SEMA_MBOX_MESSAGEBOX) continue;
    while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_MESSAGEBOX)) MESSAGEBOX_vDispatch(pMsg);
  }
}
