// The shop demonstration inside the keyboard task. Its state changes only on
// that task; what the view task draws from it (the error, the balloon, the
// photo, the exit box) changes under RES_POS_TUTORIAL. Every step ends by
// arming the one-shot demonstration timer, or by not arming it when the
// script halted on an error: a halted script waits for EXIT or a card change.

#include "t_demo.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "dd_devpath.h"
#include "error.h"
#include "g_bmp.h"
#include "g_box.h"
#include "g_buffers.h"
#include "g_circle.h"
#include "g_fonts.h"
#include "g_string.h"
#include "color.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_display.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_keyboard.h"
#include "t_startup.h"
#include "t_view.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

// One row of the loop shown when the language has no script.
typedef struct tag_POS_SCRIPT_ITEM {
  LAYER_ID changeView;  // NO_VIEW_PRIORITY: no change
  FOURCHARID changeDatabaseItem;
  U32 changeDatabaseItemTo;
  U32 issueKeyStroke;  // key mask, 0 for none
  KEY_STATE changeKeyState;
  CURSOR_POSITION changeCursorPosition;
  U32 repeatCount;
  FOURCHARID sendKeyTo;
  const char* const* pMessageString;
  POINT anchor;
  U32 boxWidth;
  TICKS delayToNextState;
} POS_SCRIPT_ITEM;

static const POS_SCRIPT_ITEM s_scriptItems[] = {
    {SONAR_VIEW_PRIORITY, 0, 0, 0, KEY_UP, CURSOR_UP, 0, 0, nullptr, {0, 0}, 0, 5000},
    {SONAR_VIEW_PRIORITY, 0, 0, 0, KEY_UP, CURSOR_UP, 0, 0, nullptr, {0, 0}, 0, 25000},
    {SONAR_DUAL_BEAM_VIEW_PRIORITY, 0, 0, 0, KEY_UP, CURSOR_UP, 0, 0, nullptr, {0, 0}, 0, 15000},
    {SONAR_ZOOM_VIEW_PRIORITY, 0, 0, 0, KEY_UP, CURSOR_UP, 0, 0, nullptr, {0, 0}, 0, 15000},
};
constexpr U32 POS_SCRIPT_ROWS = sizeof s_scriptItems / sizeof s_scriptItems[0];

typedef struct tag_CHAPTER_ITEM {
  char chapterName[30];
  U32 chapterStart;   // the line after the chapter's CHAPTER line
  U32 chapterResume;  // where the script goes on when the chapter ends
} CHAPTER_ITEM;
constexpr S8 POS_CHAPTER_DEPTH = 5;

extern const TUTORIAL_DATA g_DEMO_englishScript;
static TUTORIAL_DATA s_internalScripts[LANGUAGE_COUNT] = {g_DEMO_englishScript};
static TUTORIAL_DATA s_script = {nullptr, 0};

static CHAPTER_ITEM s_chptStack[POS_CHAPTER_DEPTH];
static S8 s_stackTop = -1;
static S8 s_activeChapter = -1;
static U32 s_u32CurOffset = 0;
static char s_aTextLine[POS_LINE_SIZE];
static U32 s_u32LongestLine = 0;
static U32 s_u32PreambleCount = 7;
static U32 s_u32ChapterAssignment[3];
static U32 s_u32ChapterSelection = 0;

// Read by the draw function: changed under RES_POS_TUTORIAL.
static D_BALLOON s_curBalloon;
static ERROR_CODE s_scriptError = NO_ERROR;
static BITMAP* s_pPhotoImage = nullptr;
static BOOLEAN s_bShowImage = FALSE;
static BOOLEAN s_bExitBox = FALSE;  // centred at the top when placed
static BOOLEAN s_bScriptInUse = FALSE;

// A photo the card task is loading, and one it still holds after the wait
// for it ran out (its page is given back when the card task lets go of it).
static BITMAP* s_pPendingPhoto = nullptr;
static U64 s_u64PhotoDeadline = 0;
static BITMAP* s_pLatePhoto = nullptr;

static BOOLEAN s_bPOSMode = FALSE;
static BOOLEAN s_bTutorialStarted = FALSE;
static BOOLEAN s_bInTutorial = FALSE;
static BOOLEAN s_bUseDefaultPOS = FALSE;
static BOOLEAN s_bPOSKeyPressDetected = FALSE;
static U32 s_u32POSScriptIndex = 0;
static TIMER_INFO* s_pPOSTimer = nullptr;

static std::atomic<U32> s_u32TimeBase{1000};
static std::mutex s_delayLock;
constexpr U32 POS_DELAY_HISTORY = 64;
static U32 s_au32Delays[POS_DELAY_HISTORY];
static U32 s_u32DelaysWritten = 0;
static U32 s_u32DelaysRead = 0;

constexpr U32 POS_STEP_MS = 100;
constexpr U32 POS_SET_MS = 300;
constexpr U32 POS_PREAMBLE_MS = 10000;
constexpr U32 POS_CUSTOMER_PAUSE_MS = 180000;
constexpr U32 POS_PHOTO_WAIT_MS = 5000;
constexpr U32 POS_KEYS = 0xfffe;
constexpr MENU_PRIORITY MENU_DEMO_BALLOONS = 128;
constexpr U32 POS_TEXT_COLOUR = 35;
static const char* const s_apcPhotoDirs[] = {"/mnt/mmc0/", "/mnt/mmc1/", nullptr};

static const MENU_TEXT s_apBalloonChoices[] = {Hidden, Visible};
static const U32 s_au32BalloonValues[] = {0, 1};

// ---------------------------------------------------------------------------
// Small helpers

static void DEMO_vLock(void) { L_MUTEX_LockWait(RES_POS_TUTORIAL); }
static void DEMO_vUnlock(void) { L_MUTEX_Unlock(RES_POS_TUTORIAL); }
static void DEMO_vRedraw(void) { L_SEMA_Signal(SEMA_VIEW_UPDATE); }

static BOOLEAN DEMO_bFlag(FOURCHARID id) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(id, &b, nullptr, nullptr) && b;
}

static void DEMO_vClicks(BOOLEAN bOn) { H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), bOn, P_NORMAL); }

static void DEMO_vNoteDelay(U32 u32Ms) {
  std::lock_guard<std::mutex> guard(s_delayLock);
  s_au32Delays[s_u32DelaysWritten++ % POS_DELAY_HISTORY] = u32Ms;
}

static void DEMO_vStartTimer(U32 u32Ms) {
  if (s_pPOSTimer == nullptr) return;
  DEMO_vNoteDelay(u32Ms);
  U64 scaled = (U64)u32Ms * s_u32TimeBase.load() / 1000;
  L_TIMER_Start(s_pPOSTimer, scaled > 0 ? (U32)scaled : 1, 0, SEMA_TIMER_POS);
}

static void DEMO_vAllocateTimer(void) {
  if (s_pPOSTimer == nullptr) s_pPOSTimer = L_TIMER_Allocate();
  if (s_pPOSTimer == nullptr) ERROR_vFatal(__FILE_NAME__, __LINE__, "No POS timer");
}

static void DEMO_vReleaseTimer(void) {
  if (s_pPOSTimer != nullptr) L_TIMER_Release(s_pPOSTimer);
  s_pPOSTimer = nullptr;
}

static void DEMO_vShowLayer(void) {
  U_VIEW_bRegisterLayer(T_KEYBOARD_vDrawPOSMessage, POS_MESSAGE_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
  DEMO_vRedraw();
}

static void DEMO_vHideLayer(void) {
  U_VIEW_bUnRegisterLayer(POS_MESSAGE_LAYER);
  DEMO_vRedraw();
}

static void DEMO_vSetError(ERROR_CODE eError) {
  if (eError == NO_ERROR) return;
  log_me("[%d]%s: %s at offset %u", __LINE__, __func__, U_DEMOSCRIPT_pcErrorMessage(eError), s_u32CurOffset);
  DEMO_vLock();
  s_scriptError = eError;
  DEMO_vUnlock();
  DEMO_vRedraw();
}

static void DEMO_vCopyName(char* pcOut, size_t size, const char* pcName) {
  const size_t n = strnlen(pcName, size - 1);
  memcpy(pcOut, pcName, n);
  pcOut[n] = '\0';
}

static const FONT_DEF* DEMO_pBoldFont(void) {
  return U_WSTRING_bIsUnicodeLanguage() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
}

// ---------------------------------------------------------------------------
// Photos

static void DEMO_vFreePhotoBitmap(BITMAP* pBitmap) {
  if (pBitmap == nullptr) return;
  H_DISPLAY_vFreeDisplayBuffer(pBitmap->pBuffer);
  G_BUFFERS_vFreeFullScreenBitmapHeader(pBitmap);
}

static void DEMO_vReleasePhoto(void) {
  DEMO_vLock();
  BITMAP* pOld = s_pPhotoImage;
  s_pPhotoImage = nullptr;
  s_bShowImage = FALSE;
  DEMO_vUnlock();
  DEMO_vFreePhotoBitmap(pOld);
  DEMO_vRedraw();
}

// The first of the card slots and the photo directory that holds the file.
static BOOLEAN DEMO_bPhotoPath(const char* pcName, char* pcPath, size_t size) {
  for (const char* pcDir : s_apcPhotoDirs) {
    char acLogical[64];
    if (pcDir != nullptr) {
      snprintf(acLogical, sizeof acLogical, "%s%s", pcDir, pcName);
      if (DD_DEVPATH_pcResolve(acLogical, pcPath, size) == nullptr) continue;
    } else if (snprintf(pcPath, size, "%s/posphoto/480_800/%s", L_UTILS_cpGetPathnamePtr(), pcName) >= (int)size) {
      continue;
    }
    if (access(pcPath, R_OK) == 0) return TRUE;
  }
  return FALSE;
}

// The card task loads the photo into a page of its own; the script goes on
// when it is done (T_DEMO_vPhotoDone) or halts when it takes too long. Keys
// are polled all the while.
static BOOLEAN DEMO_bRequestPhoto(const char* pcName) {
  char acPath[256];
  if (s_pPendingPhoto != nullptr || !DEMO_bPhotoPath(pcName, acPath, sizeof acPath)) return FALSE;
  L_SEMA_SetPending(SEMA_SERIAL_KEYBOARD_DISABLE);
  BITMAP* pBitmap = nullptr;
  if (!T_VIEW_bRequestSnapshotImage(&pBitmap, acPath, SEMA_SERIAL_KEYBOARD_DISABLE)) return FALSE;
  s_pPendingPhoto = pBitmap;
  // A card read takes its own time whatever pace the script keeps.
  s_u64PhotoDeadline = L_CLOCK_qwGetTimeInMillis() + POS_PHOTO_WAIT_MS;
  return TRUE;
}

void T_DEMO_vPhotoDone(void) {
  if (s_pLatePhoto != nullptr) {
    DEMO_vFreePhotoBitmap(s_pLatePhoto);
    s_pLatePhoto = nullptr;
    return;
  }
  if (s_pPendingPhoto == nullptr) return;
  DEMO_vLock();
  BITMAP* pOld = s_pPhotoImage;
  s_pPhotoImage = s_pPendingPhoto;
  s_bShowImage = TRUE;
  DEMO_vUnlock();
  s_pPendingPhoto = nullptr;
  DEMO_vFreePhotoBitmap(pOld);
  DEMO_vRedraw();
  DEMO_vStartTimer(POS_STEP_MS);
}

// A photo still out when the tutorial stops stays the card task's until it
// is answered.
static void DEMO_vAbandonPendingPhoto(void) {
  if (s_pPendingPhoto == nullptr) return;
  if (s_pLatePhoto == nullptr) {
    s_pLatePhoto = s_pPendingPhoto;
  } else {
    log_me("[%d]%s: a second photo left with the card task", __LINE__, __func__);
  }
  s_pPendingPhoto = nullptr;
}

// ---------------------------------------------------------------------------
// Keys

void T_KEYBOARD_vRestartTutorial(void) {
  DEMO_vLock();
  s_scriptError = NO_ERROR;
  s_curBalloon.bActive = FALSE;
  s_curBalloon.bMoreInfo = FALSE;
  s_bExitBox = FALSE;
  DEMO_vUnlock();
  s_bTutorialStarted = FALSE;
  s_bInTutorial = FALSE;
  s_bPOSKeyPressDetected = FALSE;
  s_bUseDefaultPOS = FALSE;
  s_u32PreambleCount = 7;
  s_u32CurOffset = 0;
  s_stackTop = -1;
  s_activeChapter = -1;
  DEMO_vAbandonPendingPhoto();
  DEMO_vReleasePhoto();
  s_u32ChapterSelection = 0;
  memset(s_u32ChapterAssignment, 0, sizeof s_u32ChapterAssignment);
  // The keys and the splash are the tutorial's only when it played a script.
  if (s_bScriptInUse) {
    U_KEYBOARD_bUnregisterKeys(M_KEYB, POS_KEYS);
    T_STARTUP_vUnRegisterSplashScreen();
  }
  H_DATABASE_bUpdateValueBoolean(FCID("CDSM"), FALSE, P_NORMAL);
  DEMO_vStartTimer(POS_STEP_MS);
}

void T_DEMO_vKeysPolled(void) {
  if (!s_bPOSMode || (s_bInTutorial && s_bScriptInUse)) return;
  if (!s_bPOSKeyPressDetected) {
    s_bPOSKeyPressDetected = TRUE;
    DEMO_vClicks(TRUE);
    H_DATABASE_bUpdateValueU32(FCID("SCPP"), 0, P_NORMAL);
  }
  DEMO_vStartTimer(POS_CUSTOMER_PAUSE_MS);
  DEMO_vHideLayer();
}

// Enters the chapter the balloon offers more information from.
static BOOLEAN DEMO_bEnterMoreInfo(void) {
  if (!s_curBalloon.bMoreInfo || s_stackTop <= s_activeChapter) return FALSE;
  T_KEYBOARD_vSendResetMessages();
  s_activeChapter = s_stackTop;
  s_u32CurOffset = s_chptStack[s_activeChapter].chapterStart;
  DEMO_vLock();
  s_curBalloon.bMoreInfo = FALSE;
  DEMO_vUnlock();
  DEMO_vRedraw();
  if (s_scriptError == NO_ERROR && s_pPendingPhoto == nullptr) DEMO_vStartTimer(POS_STEP_MS);
  return TRUE;
}

void T_DEMO_vKeyChange(const MSG_KEY_CHANGE* pMsg) {
  if (!s_bInTutorial || !s_bScriptInUse) return;
  if (pMsg->state == KEY_UP) {
    DEMO_vClicks(pMsg->key == HKEY_MASK_EXIT);
    return;
  }
  DEMO_vClicks(TRUE);
  if (pMsg->key == HKEY_MASK_EXIT) {
    T_KEYBOARD_vRestartTutorial();
    DEMO_vStartTimer(POS_CUSTOMER_PAUSE_MS);
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  } else if (pMsg->key == HKEY_MASK_CURSOR && pMsg->cursor == CURSOR_EAST && DEMO_bEnterMoreInfo()) {
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  } else {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  }
}

// ---------------------------------------------------------------------------
// Script commands

// The text is measured where it is drawn: fonts belong to the view task.
static void DEMO_vPlaceExitBox(void) {
  DEMO_vLock();
  s_bExitBox = TRUE;
  DEMO_vUnlock();
  DEMO_vRedraw();
}

static void DEMO_vChapter(const POS_LINE* pLine) {
  if (s_activeChapter >= 0) return;
  CHAPTER_ITEM& c = s_chptStack[0];
  DEMO_vCopyName(c.chapterName, sizeof c.chapterName, pLine->acName);
  c.chapterStart = c.chapterResume = s_u32CurOffset;
  s_stackTop = s_activeChapter = 0;
}

static void DEMO_vEndChapter(void) {
  if (s_activeChapter <= 0) {
    s_u32CurOffset = s_activeChapter == 0 ? s_chptStack[0].chapterStart : 0;
    return;
  }
  T_KEYBOARD_vSendResetMessages();
  s_u32CurOffset = s_chptStack[s_activeChapter].chapterResume;
  s_stackTop = s_activeChapter = (S8)(s_activeChapter - 1);
}

static ERROR_CODE DEMO_eMoreInfo(const POS_LINE* pLine) {
  if (s_stackTop > s_activeChapter && strcmp(s_chptStack[s_stackTop].chapterName, pLine->acName) == 0) {
    return NO_ERROR;
  }
  U32 u32Resume = 0, u32Start = 0;
  if (s_stackTop + 1 >= POS_CHAPTER_DEPTH || s_activeChapter < 0 ||
      !U_DEMOSCRIPT_bFindLine(&s_script, s_u32CurOffset, END_MORE_INFO, nullptr, &u32Resume) ||
      !U_DEMOSCRIPT_bFindLine(&s_script, 0, CHAPTER, pLine->acName, &u32Start)) {
    return ERR_NO_CHAPTER;
  }
  // Only one chapter waits to be entered at a time.
  s_stackTop = (S8)(s_activeChapter + 1);
  CHAPTER_ITEM& c = s_chptStack[s_stackTop];
  DEMO_vCopyName(c.chapterName, sizeof c.chapterName, pLine->acName);
  c.chapterStart = u32Start;
  c.chapterResume = u32Resume;
  DEMO_vLock();
  s_curBalloon.bMoreInfo = TRUE;
  DEMO_vUnlock();
  DEMO_vRedraw();
  return NO_ERROR;
}

static void DEMO_vEndMoreInfo(void) {
  if (s_stackTop > s_activeChapter) s_stackTop--;
  DEMO_vLock();
  s_curBalloon.bMoreInfo = FALSE;
  DEMO_vUnlock();
  DEMO_vRedraw();
}

static ERROR_CODE DEMO_eBalloon(const POS_LINE* pLine) {
  if (pLine->eError != NO_ERROR) return pLine->eError;
  static D_BALLOON s_next;
  s_next = pLine->balloon;
  ERROR_CODE e = U_DEMOSCRIPT_eBalloonText(&s_script, &s_u32CurOffset, s_next.text, sizeof s_next.text);
  if (e != NO_ERROR) return e;
  POINT pen = {0, 0};
  const POS_TEXT_SINK measure = {nullptr, nullptr, nullptr};
  e = U_DEMOSCRIPT_eWalkText(s_next.text, &pen, &measure);
  if (e != NO_ERROR) return e;
  s_next.bActive = DEMO_bFlag(FCID("SDBV"));
  s_next.bMoreInfo = FALSE;
  DEMO_vLock();
  s_curBalloon = s_next;
  DEMO_vUnlock();
  DEMO_vRedraw();
  return NO_ERROR;
}

static void DEMO_vNoBalloon(void) {
  DEMO_vLock();
  s_curBalloon.bActive = FALSE;
  DEMO_vUnlock();
  DEMO_vRedraw();
}

static ERROR_CODE DEMO_ePhoto(const POS_LINE* pLine, BOOLEAN* pbWaiting) {
  if (pLine->eError != NO_ERROR) {
    DEMO_vReleasePhoto();
    return pLine->eError;
  }
  if (strcmp(pLine->acName, "OFF") == 0) {
    DEMO_vReleasePhoto();
    return NO_ERROR;
  }
  if (!DEMO_bRequestPhoto(pLine->acName)) return ERR_NO_PHOTO;
  *pbWaiting = TRUE;
  return NO_ERROR;
}

static ERROR_CODE DEMO_eSelectChapter(const POS_LINE* pLine) {
  s_u32ChapterAssignment[0] = pLine->u32Default;
  s_u32ChapterAssignment[1] = pLine->u32Ice;
  const U32 n = MODEL_bIceModel() ? pLine->u32Ice : pLine->u32Default;
  if (n == 0) return ERR_NO_CHAPTER;
  char acNumber[12];
  snprintf(acNumber, sizeof acNumber, "%u", n);
  U32 u32Offset = 0;
  if (!U_DEMOSCRIPT_bFindLine(&s_script, 0, SUB_CHAPTER, acNumber, &u32Offset)) return ERR_NO_CHAPTER;
  s_u32ChapterSelection = n;
  s_u32CurOffset = u32Offset;
  return NO_ERROR;
}

// A script names its keys and numbers as text from the card: a key the unit
// does not have, or a number it does not take, is passed over.
static void DEMO_vSetItem(FOURCHARID id, U32 u32Number) {
  U32 u32Word = 0;
  const DB_CHECK eCheck = H_DBTABLE_bWordOfNumber(id, (S32)u32Number, &u32Word) ? H_DBTABLE_eCheck(id, u32Word)
                                                                                : DBC_NO_KEY;
  if (eCheck != DBC_TAKEN) {
    log_me("[%d]%s: SET %.4s %d passed over: %s", __LINE__, __func__, (const char*)&id, (int)u32Number,
           H_DBTABLE_pcCheckText(eCheck));
    return;
  }
  DB_DATA_TYPE value = {};
  value.u32Val = u32Word;
  H_DATABASE_bUpdateValue(id, value, P_NORMAL);
}

// Runs one line; the error it ends with, and in *pu32Delay the wait before
// the next (0: the card task's answer decides).
static ERROR_CODE DEMO_eRunLine(const POS_LINE* pLine, U32* pu32Delay) {
  *pu32Delay = POS_STEP_MS;
  BOOLEAN bWaiting = FALSE;
  ERROR_CODE e = NO_ERROR;
  switch (pLine->eCommand) {
    case CHAPTER:
      if (pLine->eError == NO_ERROR) DEMO_vChapter(pLine);
      return pLine->eError;
    case END_CHAPTER:
      DEMO_vEndChapter();
      break;
    case CHANGE_VIEW: {
      if (pLine->eError != NO_ERROR) return pLine->eError;
      const LAYER_ID view = T_VIEW_GetSelectableView(pLine->acName);
      if (view == UNKNOWN_VIEW) return ERR_BAD_VIEW;
      H_DATABASE_bUpdateValueS32(FCID("CVEW"), view, P_NORMAL);
      break;
    }
    case CHANGE_KEY:
      if (pLine->eError != NO_ERROR) return pLine->eError;
      T_KEYBOARD_bSendKeyPastSelf(pLine->eKey, pLine->eCursor);
      break;
    case WAIT:
      if (pLine->eError != NO_ERROR) return pLine->eError;
      *pu32Delay = pLine->u32WaitMs;
      break;
    case BALLOON:
      e = DEMO_eBalloon(pLine);
      break;
    case NO_BALLOON:
      DEMO_vNoBalloon();
      break;
    case MORE_INFO:
      e = pLine->eError != NO_ERROR ? pLine->eError : DEMO_eMoreInfo(pLine);
      break;
    case END_MORE_INFO:
      DEMO_vEndMoreInfo();
      break;
    case SET_DB_ITEM:
      if (pLine->eError != NO_ERROR) return pLine->eError;
      DEMO_vSetItem(pLine->fcid, pLine->u32Value);
      *pu32Delay = POS_SET_MS;
      break;
    case PHOTO:
      e = DEMO_ePhoto(pLine, &bWaiting);
      break;
    case SPLASH:
      H_DATABASE_bUpdateValueS32(FCID("CVEW"), STARTUP_SPLASH_VIEW_PRIORITY, P_NORMAL);
      break;
    case EXIT_MESSAGE_BOX:
      DEMO_vPlaceExitBox();
      break;
    case SELECT_CHAPTER:
      e = DEMO_eSelectChapter(pLine);
      break;
    default:
      // END_BALLOON outside a balloon, SUB_CHAPTER and unknown words: passed over.
      break;
  }
  if (bWaiting) *pu32Delay = 0;
  return e;
}

// One step of the script.
static void T_KEYBOARD_vProcessPOSScript(void) {
  if (DEMO_bFlag(FCID("SDBV"))) H_DATABASE_bUpdateValueBoolean(FCID("CDSM"), TRUE, P_NORMAL);
  if (s_u32PreambleCount > 0) {
    s_u32PreambleCount--;
    T_KEYBOARD_bSendKeyPastSelf(HKEY_VIEW, CURSOR_ILLEGAL);
    DEMO_vStartTimer(POS_PREAMBLE_MS);
    return;
  }
  if (s_scriptError != NO_ERROR) return;
  if (s_pPendingPhoto != nullptr) {
    if (L_CLOCK_qwGetTimeInMillis() < s_u64PhotoDeadline) {
      DEMO_vStartTimer(POS_STEP_MS);
    } else {
      DEMO_vAbandonPendingPhoto();
      DEMO_vSetError(ERR_NO_PHOTO);
    }
    return;
  }
  if (!U_DEMOSCRIPT_bNextValidLine(&s_script, &s_u32CurOffset, s_aTextLine)) {
    DEMO_vSetError(ERR_NO_CHAPTER);
    return;
  }
  const U32 length = (U32)strlen(s_aTextLine);
  if (length > s_u32LongestLine) s_u32LongestLine = length;
  static POS_LINE s_line;
  U_DEMOSCRIPT_vParseLine(s_aTextLine, &s_line);
  U32 u32Delay = POS_STEP_MS;
  const ERROR_CODE e = DEMO_eRunLine(&s_line, &u32Delay);
  if (e != NO_ERROR) {
    DEMO_vSetError(e);
  } else if (u32Delay > 0) {
    DEMO_vStartTimer(u32Delay);
  } else {
    // The photo's answer or its deadline is checked every step.
    DEMO_vStartTimer(POS_STEP_MS);
  }
}

// ---------------------------------------------------------------------------
// The default loop

static void DEMO_vDefaultRow(void) {
  const POS_SCRIPT_ITEM& row = s_scriptItems[s_u32POSScriptIndex];
  if (row.changeView != NO_VIEW_PRIORITY) H_DATABASE_bUpdateValueS32(FCID("CVEW"), row.changeView, P_NORMAL);
  if (row.changeDatabaseItem != 0) DEMO_vSetItem(row.changeDatabaseItem, row.changeDatabaseItemTo);
  U32 mbox = 0;
  if (row.issueKeyStroke != 0 && H_DATABASE_bFetchU32(row.sendKeyTo, &mbox, nullptr, nullptr) && mbox != 0) {
    MSG_KEY_CHANGE* pMsg = (MSG_KEY_CHANGE*)H_MEMORY_pvCalloc(1, sizeof(MSG_KEY_CHANGE));
    pMsg->header.Cmd = CMD_ID_KEY_CHANGE;
    pMsg->key = row.issueKeyStroke;
    pMsg->state = row.changeKeyState;
    pMsg->count = row.repeatCount;
    pMsg->cursor = row.changeCursorPosition;
    if (L_MBOX_Send((MBOX)mbox, pMsg, 3, 0) != 0) H_MEMORY_vFree(pMsg);
  }
  DEMO_vStartTimer((U32)row.delayToNextState);
  s_u32POSScriptIndex = (s_u32POSScriptIndex + 1) % POS_SCRIPT_ROWS;
}

static void DEMO_vDefaultLoop(void) {
  U32 u32State = 0;
  if (!H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr) || u32State != STATE_POINT_OF_SALE) {
    DEMO_vReleaseTimer();
    s_bPOSMode = FALSE;
    DEMO_vHideLayer();
    return;
  }
  if (s_bPOSKeyPressDetected) {
    s_bPOSKeyPressDetected = FALSE;
    DEMO_vClicks(FALSE);
    T_KEYBOARD_vSendResetMessages();
    s_u32POSScriptIndex = 0;
    DEMO_vShowLayer();
    DEMO_vStartTimer(2);
    return;
  }
  DEMO_vDefaultRow();
}

// ---------------------------------------------------------------------------
// Ticks

static void DEMO_vStart(void) {
  s_bTutorialStarted = TRUE;
  T_KEYBOARD_vSendResetMessages();
  DEMO_vLock();
  s_script = s_internalScripts[nCurrentLanguage() % LANGUAGE_COUNT];
  s_bScriptInUse = s_script.data != nullptr && s_script.dataSize > 0;
  DEMO_vUnlock();
  s_bUseDefaultPOS = !s_bScriptInUse;
  s_u32POSScriptIndex = 0;
  if (s_bScriptInUse) {
    U_KEYBOARD_bRegisterKeys(M_KEYB, POS_KEYS, KEY_CHANGE, FALSE, FALSE, CURSOR_4, REGISTER_POS_TUTORIAL);
    DEMO_vClicks(FALSE);
    DB_DATA_TYPE value = {};
    value.u32Val = TRUE;
    H_DATABASE_vReadOrSetDefault(FCID("SDBV"), &value, P_DEFAULT_SETTING, nullptr);
    H_DATABASE_bRegisterForDataWithConditions(FCID("SDBV"), M_KEYB, TRUE, FALSE, FALSE);
    U_MENU_bRegisterMainSelectorMenu(Demo_Balloons, Setup, MENU_DEMO_BALLOONS, FCID("SDBV"), 2, s_apBalloonChoices,
                                     s_au32BalloonValues, M_BASIC);
    DEMO_vPlaceExitBox();
    T_STARTUP_vRegisterSplashScreen();
  }
  DEMO_vShowLayer();
  DEMO_vStartTimer(POS_STEP_MS);
  s_bInTutorial = TRUE;
}

void T_DEMO_vTick(void) {
  // A tick already signalled when the state was left.
  if (!s_bPOSMode) return;
  BOOLEAN bIce = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr)) bIce = FALSE;
  if ((bIce != FALSE) != (MODEL_bIceModel() != FALSE)) {
    // Waits for the ice setting to match the model.
    DEMO_vStartTimer(1000);
  } else if (!s_bTutorialStarted) {
    DEMO_vStart();
  } else if (s_bScriptInUse) {
    T_KEYBOARD_vProcessPOSScript();
  } else {
    DEMO_vDefaultLoop();
  }
  DEMO_vClicks(FALSE);
}

// ---------------------------------------------------------------------------
// State changes

void T_DEMO_vRunSystem(void) {
  U32 u32State = 0;
  if (!H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr) || u32State != STATE_POINT_OF_SALE) return;
  s_bPOSMode = TRUE;
  DEMO_vClicks(FALSE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("CSD0"), M_KEYB, TRUE, FALSE, FALSE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("CSD1"), M_KEYB, TRUE, FALSE, FALSE);
  if (!s_bTutorialStarted) {
    DEMO_vLock();
    s_bExitBox = FALSE;
    DEMO_vUnlock();
    DEMO_vAllocateTimer();
    DEMO_vStartTimer(POS_STEP_MS);
  }
  if (!(s_bInTutorial && s_bScriptInUse)) DEMO_vShowLayer();
  T_KEYBOARD_vSendResetMessages();
}

// Leaving the point-of-sale state ends the tutorial too: the keys it held
// go back to the tasks of the state now running.
static void DEMO_vLeave(void) {
  if (s_bTutorialStarted) T_KEYBOARD_vRestartTutorial();
  s_bPOSMode = FALSE;
  DEMO_vClicks(TRUE);
  DEMO_vHideLayer();
  DEMO_vReleaseTimer();
}

static void DEMO_vCardChanged(unsigned nSlot) {
  if (!s_bPOSMode || s_pPOSTimer == nullptr) return;
  char acLogical[32], acPath[256];
  snprintf(acLogical, sizeof acLogical, "/mnt/mmc%u/POSDemo.txt", nSlot);
  if (DD_DEVPATH_pcResolve(acLogical, acPath, sizeof acPath) != nullptr && access(acPath, F_OK) == 0) {
    T_KEYBOARD_vRestartTutorial();
  }
}

void T_DEMO_vNewData(const MESSAGE_NEW_DATA* pMsg) {
  switch (pMsg->FourCharId) {
    case FCID("CCST"):
      if (pMsg->dbValue.u32Val == STATE_POINT_OF_SALE) {
        s_bPOSMode = TRUE;
        DEMO_vClicks(FALSE);
        DEMO_vAllocateTimer();
        DEMO_vStartTimer(2);
        DEMO_vShowLayer();
        T_KEYBOARD_vSendResetMessages();
      } else if (s_bPOSMode || s_pPOSTimer != nullptr) {
        DEMO_vLeave();
      }
      break;
    case FCID("CSD0"):
      DEMO_vCardChanged(0);
      break;
    case FCID("CSD1"):
      DEMO_vCardChanged(1);
      break;
    case FCID("SDBV"):
      if ((pMsg->dbValue.u32Val & 0xFF) == 0) {
        H_DATABASE_bUpdateValueBoolean(FCID("CDSM"), FALSE, P_NORMAL);
        DEMO_vNoBalloon();
      }
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Drawing (view task)

typedef struct tag_DEMO_PEN {
  BITMAP* pBitmap;
  const FONT_DEF* pFont;
  COLOR colour;
} DEMO_PEN;

static void DEMO_vPut(void* pContext, char c, POINT* pPen) {
  DEMO_PEN* p = (DEMO_PEN*)pContext;
  G_FONTS_vPut(p->pBitmap, p->colour, pPen, p->pFont, (BYTE)c);
}

static void DEMO_vBullet(void* pContext, const POINT* pCentre) {
  DEMO_PEN* p = (DEMO_PEN*)pContext;
  POINT centre = *pCentre;
  G_CIRCLE_vDrawFilled(p->pBitmap, p->colour, &centre, 10);
}

// A line from the balloon's nearest edge to the spot it points at.
static void DEMO_vDrawPointer(BITMAP* pBitmap, const D_BALLOON* b, S32 w, S32 h) {
  const POINT& at = b->pointerAnchor;
  if (at.x == -1 && at.y == -1) return;
  const S32 x = at.x < b->llAnchor.x ? b->llAnchor.x : at.x >= b->llAnchor.x + w ? b->llAnchor.x + w - 1 : at.x;
  const S32 y = at.y < b->llAnchor.y ? b->llAnchor.y : at.y >= b->llAnchor.y + h ? b->llAnchor.y + h - 1 : at.y;
  for (S32 d = -1; d <= 1; d++) {
    U_DIALOG_vLine(pBitmap, POS_TEXT_COLOUR, x + d, y, at.x + d, at.y);
    U_DIALOG_vLine(pBitmap, POS_TEXT_COLOUR, x, y + d, at.x, at.y + d);
  }
  POINT spot = at;
  G_CIRCLE_vDrawFilled(pBitmap, gCOLOR_pcolColorTable[POS_TEXT_COLOUR], &spot, 9);
}

// The balloon's height with its frame and title.
static S32 DEMO_s32BalloonHeight(const D_BALLOON* b) { return (S32)U_DEMOSCRIPT_u32BalloonHeight(b) + 16 + 39; }

static void DEMO_vDrawBalloon(BITMAP* pBitmap, const D_BALLOON* b) {
  const S32 w = (S32)U_DEMOSCRIPT_u32BalloonWidth(b);
  const S32 body = (S32)U_DEMOSCRIPT_u32BalloonHeight(b);
  const S32 h = DEMO_s32BalloonHeight(b);
  DEMO_vDrawPointer(pBitmap, b, w, h);
  U_DIALOG_vDrawBorderAndTitle(pBitmap, &b->llAnchor, (const BYTE*)b->title, JUSTIFICATION_CENTER, w, h, body, FALSE);
  DEMO_PEN pen = {pBitmap, U_DIALOG_pTextFont(), gCOLOR_pcolColorTable[POS_TEXT_COLOUR]};
  const POS_TEXT_SINK sink = {&pen, DEMO_vPut, DEMO_vBullet};
  POINT at = {b->llAnchor.x + POS_BALLOON_MARGIN, b->llAnchor.y + 8 + body - 30};
  U_DEMOSCRIPT_eWalkText(b->text, &at, &sink);
  if (!b->bMoreInfo) return;
  at = {b->llAnchor.x + POS_BALLOON_MARGIN, at.y - POS_BALLOON_LINE};
  const char* pcMore = Press_Right_For_More_Information[nCurrentLanguage()];
  G_STRING_vPut(pBitmap, pen.colour, &at, pen.pFont, (const BYTE*)pcMore);
}

// In the middle of the view, clear of the readouts along its edges and under
// the simulation notice; when a balloon and its pointer are there, at the
// bottom, or above the balloon when it reaches down there too.
constexpr S32 DEMO_EXIT_BOX_MIDDLE = 286;
constexpr S32 DEMO_EXIT_BOX_LOW = 4;
constexpr S32 DEMO_EXIT_BOX_HEIGHT = 36;
constexpr S32 DEMO_EXIT_BOX_GAP = 4;

static void DEMO_vDrawExitBox(BITMAP* pBitmap, const D_BALLOON* b) {
  S32 bottom = DEMO_EXIT_BOX_MIDDLE;
  if (b != nullptr) {
    S32 low = b->llAnchor.y, high = b->llAnchor.y + DEMO_s32BalloonHeight(b);
    if (b->pointerAnchor.x >= 0 && b->pointerAnchor.y >= 0) {
      if (b->pointerAnchor.y < low) low = b->pointerAnchor.y;
      if (b->pointerAnchor.y > high) high = b->pointerAnchor.y;
    }
    const S32 candidates[] = {DEMO_EXIT_BOX_MIDDLE, DEMO_EXIT_BOX_LOW, high + DEMO_EXIT_BOX_GAP};
    for (S32 y : candidates) {
      bottom = y;
      if (y + DEMO_EXIT_BOX_HEIGHT + DEMO_EXIT_BOX_GAP <= low || y >= high + DEMO_EXIT_BOX_GAP) break;
    }
  }
  U_DIALOG_vDrawNote(pBitmap, Press_exit_to_leave_demo[nCurrentLanguage()], DEMO_pBoldFont(), bottom);
}

void T_KEYBOARD_vDrawPOSMessage(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  if (pBitmap == nullptr) return;
  DEMO_vLock();
  if (!s_bScriptInUse) {
    DEMO_vUnlock();
    return;
  }
  if (s_scriptError != NO_ERROR) {
    U_DIALOG_vDrawDialog(pBitmap, U_DEMOSCRIPT_pcErrorMessage(s_scriptError), DEMO_pBoldFont(), nullptr, nullptr,
                         JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
    DEMO_vUnlock();
    return;
  }
  if (s_bShowImage && s_pPhotoImage != nullptr) {
    const POINT origin = {0, 0};
    const U32 w = (U32)(pBitmap->pixels_wide < s_pPhotoImage->pixels_wide ? pBitmap->pixels_wide
                                                                          : s_pPhotoImage->pixels_wide);
    const U32 h = (U32)(pBitmap->pixels_high < s_pPhotoImage->pixels_high ? pBitmap->pixels_high
                                                                          : s_pPhotoImage->pixels_high);
    G_BMP_vPlaceLogicalOnLogical(pBitmap, &origin, s_pPhotoImage, &origin, w, h);
  }
  if (s_curBalloon.bActive) DEMO_vDrawBalloon(pBitmap, &s_curBalloon);
  if (s_bExitBox) DEMO_vDrawExitBox(pBitmap, s_curBalloon.bActive ? &s_curBalloon : nullptr);
  DEMO_vUnlock();
}

// ---------------------------------------------------------------------------
// Test and tool hooks

void T_DEMO_vSetScript(unsigned nLanguage, const char* pData, U32 u32Size) {
  if (nLanguage >= LANGUAGE_COUNT) return;
  DEMO_vLock();
  if (pData == nullptr) {
    s_internalScripts[nLanguage] = nLanguage == LANGUAGE_ENGLISH ? g_DEMO_englishScript : TUTORIAL_DATA{nullptr, 0};
  } else {
    s_internalScripts[nLanguage] = {pData, u32Size};
  }
  DEMO_vUnlock();
}

void T_DEMO_vSetTimeBase(U32 u32Per1000) { s_u32TimeBase = u32Per1000 > 0 ? u32Per1000 : 1; }

ERROR_CODE T_DEMO_eError(void) {
  DEMO_vLock();
  const ERROR_CODE e = s_scriptError;
  DEMO_vUnlock();
  return e;
}

U32 T_DEMO_u32Delays(U32* pu32Delays, U32 u32Max) {
  std::lock_guard<std::mutex> guard(s_delayLock);
  if (s_u32DelaysWritten - s_u32DelaysRead > POS_DELAY_HISTORY) s_u32DelaysRead = s_u32DelaysWritten - POS_DELAY_HISTORY;
  U32 n = 0;
  for (; s_u32DelaysRead != s_u32DelaysWritten && n < u32Max; s_u32DelaysRead++) {
    pu32Delays[n++] = s_au32Delays[s_u32DelaysRead % POS_DELAY_HISTORY];
  }
  return n;
}
