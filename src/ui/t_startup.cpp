// The start-up task brings the user interface up and settles the system
// state. It starts the early tasks in their order, shows the splash, reads
// the unit's header items and the owner's text, registers its menus, asks
// whether a transducer answers and prepares the state; then it offers the
// start-up menu for a few seconds, publishes the state in CCST and tells
// every task that the system runs. From then on it runs a two-second
// housekeeping tick, the System Status keys and the note over the views.
//
// Every wait here is bounded: a task that does not come up is logged by
// name and the start goes on, except for the NVR task, without which no
// setting could be kept.

#include <string.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "error.h"
#include "g_iconset.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_keyboard.h"
#include "t_nvram.h"
#include "t_startuppriv.h"
#include "t_view.h"
#include "u_keyboard.h"
#include "u_language.h"
#include "u_view.h"
#include "ui_texts.h"
#include "version.h"

volatile U8 bStartupTaskInitialized;
STARTUP_SHARED g_sStartup;

const STARTUP_MENU_ROW g_asStartupMenu[STARTUP_MENU_ROWS] = {
    {Normal, TRUE, FALSE, STATE_NORMAL_RUN},
    {Simulator, FALSE, TRUE, STATE_SIMULATION},
    {System_Status, FALSE, FALSE, STATE_DIAGNOSTIC},
    {PC_Connect, FALSE, FALSE, STATE_PC_CONNECT},
};

// The mailboxes told that the system runs, in the order they are told.
static const MBOX s_aRunSystemMailboxes[25] = {
    M_DISPLAY, M_KEYB,    M_MENU,  M_NVRAM,   M_VIEWKEY,      M_VIEW,       M_COM1A,     M_INLINETEST, M_TONE,
    M_INFO,    M_ACCESSORY, M_SPEED, M_CHART, M_NAV,          M_NMEA,       M_ALARM,     M_PCCOM,      M_WTEMP,
    M_BATTERY, M_PING,    M_PROCESS, M_HISTORY, M_SYSTIME_EDIT, M_MESSAGEBOX, M_BT_REMOTE,
};

// The two views of the System Status screen.
static const LAYER_ID layerSequence[2] = {DIAGNOSTIC_SELF_TEST, DIAGNOSTIC_ACCESSORY_CATALOG};

// The unit's header items: kept by the NVR task in its store's header.
typedef struct tag_STARTUP_HEADER_ITEM {
  FOURCHARID item;
  U32 defaultValue;
  U32 defaultValueDomestic;
  MENU_TEXT pName;
} STARTUP_HEADER_ITEM;

static const STARTUP_HEADER_ITEM s_sMyItems[] = {
    {FCID("SMDL"), MODEL_DEFAULT, MODEL_DOMESTIC, Model}, {FCID("CREV"), 0, 0, nullptr},
    {FCID("SEDB"), 0xFFFFFFFF, 0, nullptr},              {FCID("SEDU"), 0xFFFFFFFF, 0, nullptr},
    {FCID("SEIB"), 0xFFFFFFFF, 0, nullptr},              {FCID("SEIU"), 0xFFFFFFFF, 0, nullptr},
    {FCID("SENB"), 0xFFFFFFFF, 0, nullptr},              {FCID("SENU"), 0xFFFFFFFF, 0, nullptr},
    {FCID("SETB"), 0xFFFFFFFF, 0, nullptr},
};

// ---------------------------------------------------------------------------
// State

static TIMER_INFO* s_pTimer;
static BOOLEAN s_bSystemStarted;
static BOOLEAN s_bShutdown;
static BOOLEAN s_bDiagnosticMode;
static BOOLEAN s_bInitialState;
static BOOLEAN s_bIceTranducerConnected;
static BOOLEAN s_bRestored;
static S32 s_s32TransducerConnectedTimer = 2000;
static U32 s_eStartupDataBoxOption;
static U32 s_u32Ticks;
static U32 s_u32SuperUserKeys;  // keys of the hidden sequence entered so far
static PERSONALIZATION_DATA_BLOCK s_personalBlock;
static MSG_READ_PERSONALIZED* s_pPersonalRequest;
// The run-system mails out, each kept until its task acknowledges it.
static GENERIC_MESSAGE* s_apRunSystemOut[sizeof s_aRunSystemMailboxes / sizeof s_aRunSystemMailboxes[0]];
static BOOLEAN s_bRunSystemOut;

constexpr U32 STARTUP_POWER_UP_MS = 8000;
constexpr U32 STARTUP_MENU_MS = 5000;
constexpr U32 STARTUP_TICK_MS = 2000;
constexpr U32 STARTUP_EXIT_HOLD_MS = 6000;
constexpr U32 STARTUP_EXIT_WAIT_MAX_MS = 3000;
constexpr U32 STARTUP_TASK_WAIT_MS = 5000;
constexpr U32 STARTUP_REPLY_WAIT_MS = 2000;
constexpr int STARTUP_NVR_POLLS = 50;
constexpr U32 STARTUP_NVR_POLL_MS = 100;
constexpr U32 STARTUP_KEYS = 0xFBFE;  // every key but POWER
constexpr U32 STARTUP_TICKS_PER_AGE = 300;
constexpr U32 STARTUP_AGE_STEP_S = 600;
constexpr S32 STARTUP_BURN_IN_NOTE_MS = 4000;
constexpr PRIORITY STARTUP_MAIL_PRIORITY = 3;
constexpr PRIORITY STARTUP_EARLY_PRIORITY = 2;
constexpr PRIORITY STARTUP_LATE_PRIORITY = 100;
constexpr MENU_PRIORITY STARTUP_MENU_SONAR = 184;
constexpr MENU_PRIORITY STARTUP_MENU_DEMONSTRATION = 186;
constexpr S32 STARTUP_NORMAL_ROW = 0;
constexpr S32 STARTUP_SIMULATOR_ROW = 1;
constexpr S32 STARTUP_LAST_CHOSEN_ROW = 2;  // PC Connect comes only from the PC

// The System Status screen's hidden sequence: north, south, north, south,
// east switches the super-user setting.
static const CURSOR_POSITION s_aeSuperUserKeys[] = {CURSOR_NORTH, CURSOR_SOUTH, CURSOR_NORTH, CURSOR_SOUTH,
                                                    CURSOR_EAST};
constexpr U32 STARTUP_SUPER_USER_KEYS = sizeof s_aeSuperUserKeys / sizeof s_aeSuperUserKeys[0];
constexpr U32 STARTUP_CONFIRM_SOUND_MS = 500;

static const MENU_TEXT s_apOffVisible[] = {Off, Visible};

// ---------------------------------------------------------------------------
// What the subsystems above hand in

static std::atomic<BOOLEAN (*)(void)> s_pfnTransducerConnected{nullptr};
static std::atomic<const char* (*)(void)> s_pfnMapFlashStateText{nullptr};

void T_STARTUP_vSetNeighbours(const T_STARTUP_NEIGHBOURS* pNeighbours) {
  s_pfnTransducerConnected = pNeighbours != nullptr ? pNeighbours->pfnTransducerConnected : nullptr;
  s_pfnMapFlashStateText = pNeighbours != nullptr ? pNeighbours->pfnMapFlashStateText : nullptr;
}

static BOOLEAN STARTUP_bDetectTransducer(void) {
  BOOLEAN (*pfn)(void) = s_pfnTransducerConnected;
  if (pfn != nullptr) return pfn();
  log_me("[%d]%s: no transducer detection, a transducer counts as connected", __LINE__, __func__);
  return TRUE;
}

static const char* STARTUP_pcMapFlashText(void) {
  const char* (*pfn)(void) = s_pfnMapFlashStateText;
  const char* pcText = pfn != nullptr ? pfn() : nullptr;
  if (pcText != nullptr) return pcText;
  log_me("[%d]%s: no map flash state", __LINE__, __func__);
  return "";
}

BOOLEAN T_STARTUP_bIsSonarTransducerDetected(void) {
  return g_sStartup.eState == STATE_BURN_IN || g_sStartup.bTransducerConnected;
}

// ---------------------------------------------------------------------------
// Small helpers

static BOOLEAN STARTUP_bFetchU32(FOURCHARID id, U32* pValue) {
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(id, pValue, &bValid, nullptr) && bValid;
}

static BOOLEAN STARTUP_bPublished(FOURCHARID id) {
  U32 value = 0;
  return STARTUP_bFetchU32(id, &value) && value != 0;
}

static void STARTUP_vWriteU32(FOURCHARID id, U32 value) {
  H_DATABASE_bUpdateEverythingU32(id, value, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

// Both requests are a key after the header.
void STARTUP_vTellNvr(CMD_ID eCmd, FOURCHARID id) {
  U32 u32Nvr = 0;
  if (!STARTUP_bFetchU32(FCID("TNVR"), &u32Nvr) || u32Nvr == 0) return;
  MSG_NVRAM_WRITE_TO_NVR* pMsg = (MSG_NVRAM_WRITE_TO_NVR*)H_MEMORY_pvCalloc(1, sizeof(MSG_NVRAM_WRITE_TO_NVR));
  pMsg->Header.Cmd = eCmd;
  pMsg->id = id;
  if (L_MBOX_Send((MBOX)u32Nvr, pMsg, STARTUP_MAIL_PRIORITY, 0) != 0) H_MEMORY_vFree(pMsg);
}

void STARTUP_vRestoreFactoryDefaults(const char* pcWhy) {
  if (s_bRestored) return;
  s_bRestored = TRUE;
  log_me("[%d]%s: factory defaults restored (%s)", __LINE__, __func__, pcWhy);
  T_KEYBOARD_vRestoreFactoryDefaults();
}

// One-shot on the start-up semaphore; a signal left from before is dropped.
static void STARTUP_vArmTimer(U32 u32Ms) {
  L_TIMER_Stop(s_pTimer);
  L_SEMA_SetPending(SEMA_TIMER_STARTUP);
  if (L_TIMER_Start(s_pTimer, u32Ms, 0, SEMA_TIMER_STARTUP) == nullptr) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Timer Problems");
  }
}

static void STARTUP_vStopTimer(void) {
  L_TIMER_Stop(s_pTimer);
  L_SEMA_SetPending(SEMA_TIMER_STARTUP);
}

static U64 STARTUP_qwSincePowerUp(void) { return L_CLOCK_qwGetTimeInMillis(); }

// The new task runs at priority 2 while it gets going.
static void STARTUP_vStartTask(TASK task, BOOLEAN bRestore) {
  L_TASK_SetPriority(task, STARTUP_EARLY_PRIORITY);
  L_TASK_Start(task);
  usleep(100);
  if (bRestore) L_TASK_SetPriority(task, TaskParams[task - 1].TParamPriority);
}

// Polls for a task's mailbox key every 100 us; logged when it does not come.
static void STARTUP_vWaitForKey(FOURCHARID id, TASK task) {
  const U64 qwUntil = L_CLOCK_qwGetTimeInMillis() + STARTUP_TASK_WAIT_MS;
  while (!STARTUP_bPublished(id)) {
    if (L_CLOCK_qwGetTimeInMillis() >= qwUntil) {
      log_me("[%d]%s: %s not up after %u ms, going on without it", __LINE__, __func__, get_task_name(task),
             STARTUP_TASK_WAIT_MS);
      return;
    }
    usleep(100);
  }
}

static void STARTUP_vRegisterNote(void) {
  U_VIEW_bRegisterLayer(T_STARTUP_vDrawTransducerNotDetected, TRANSDUCER_NOT_DETECTED_LAYER, USED_BY_ALL, 0, 0, TRUE,
                        nullptr, nullptr, nullptr);
}

static void STARTUP_vRemoveNote(void) {
  U_VIEW_bUnRegisterLayer(TRANSDUCER_NOT_DETECTED_LAYER);
  STARTUP_vWriteU32(FCID("HACH"), 0);
}

// Mails a layer request to the view task and waits, bounded, until it has
// been handled; a block the view task still holds after the wait stays its
// own. The start-up timer's semaphore is free for the answer: the timer is
// stopped while a request is out.
static void STARTUP_vAskViewTask(void* pMsg, const char* pcWhat) {
  U32 u32View = 0;
  if (!STARTUP_bFetchU32(FCID("TVUE"), &u32View) || u32View == 0) {
    H_MEMORY_vFree(pMsg);
    return;
  }
  L_SEMA_SetPending(SEMA_TIMER_STARTUP);
  if (L_MBOX_Send((MBOX)u32View, pMsg, STARTUP_MAIL_PRIORITY, SEMA_TIMER_STARTUP) != 0) {
    H_MEMORY_vFree(pMsg);
  } else if (L_SEMA_WaitTicks(SEMA_TIMER_STARTUP, STARTUP_REPLY_WAIT_MS) == 0 || L_MBOX_bIsAcknowledged(pMsg)) {
    H_MEMORY_vFree(pMsg);
  } else {
    log_me("[%d]%s: the view task did not take %s within %u ms", __LINE__, __func__, pcWhat, STARTUP_REPLY_WAIT_MS);
  }
}

// At shutdown nothing waits: the view task may already be gone.
static void STARTUP_vRemoveStartScreens(BOOLEAN bWait) {
  g_sStartup.bDisplayFullSplashScreen = FALSE;
  for (LAYER_ID layer : {STARTUP_SPLASH_VIEW_PRIORITY, STARTUP_MENU_VIEW_PRIORITY, STARTUP_CHART_DISCLAIMER}) {
    if (!bWait) {
      U_VIEW_bUnRegisterLayer(layer);
      continue;
    }
    MSG_UNREGISTER_LAYER* pMsg = (MSG_UNREGISTER_LAYER*)H_MEMORY_pvCalloc(1, sizeof(MSG_UNREGISTER_LAYER));
    pMsg->header.Cmd = CMD_ID_UNREGISTER_LAYER;
    pMsg->layer = layer;
    pMsg->eLocation = SPLIT_FULL_WINDOW;
    STARTUP_vAskViewTask(pMsg, "a start screen's removal");
  }
}

void T_STARTUP_vRegisterSplashScreen(void) {
  U_VIEW_bRegisterLayer(T_STARTUP_vDisplaySplashScreen, STARTUP_SPLASH_VIEW_PRIORITY, USED_BY_NONE, 0, 0, TRUE,
                        nullptr, nullptr, nullptr);
}

void T_STARTUP_vUnRegisterSplashScreen(void) {
  g_sStartup.bDisplayFullSplashScreen = FALSE;
  U_VIEW_bUnRegisterLayer(STARTUP_SPLASH_VIEW_PRIORITY);
}

// ---------------------------------------------------------------------------
// The state

STARTUP_CHOICE T_STARTUP_sChooseState(const STARTUP_FACTS* pFacts) {
  STARTUP_CHOICE c = {STATE_NORMAL_RUN, pFacts->bDetected, FALSE, FALSE, FALSE, FALSE, 2000};
  // A unit whose demonstration is off is a working unit: it counts as fitted.
  const BOOLEAN bDemoOff = pFacts->bDemoKnown && !pFacts->bDemo;
  if (bDemoOff) c.bConnected = TRUE;
  c.bDetectedItem = c.bConnected;
  if ((pFacts->bSonarKnown && !pFacts->bSonar) || bDemoOff) {
    c.s32NoteTimer = 0;
    return c;
  }
  if (pFacts->u32Transducer == 27) return c;
  if (pFacts->u32SerialUnit == 0xFFFFFFFF) {
    c.bConnected = FALSE;
    c.bNote = TRUE;
    c.eState = STATE_BURN_IN;
    c.bDetectedItem = TRUE;
    c.bBurnInClock = TRUE;
    return c;
  }
  c.s32NoteTimer = 0;
  if (c.bConnected) return c;
  c.bNote = TRUE;
  c.eState = STATE_POINT_OF_SALE;
  c.bIceModeOff = !pFacts->bIceModel;
  return c;
}

static STARTUP_FACTS STARTUP_sFacts(BOOLEAN bDetected) {
  STARTUP_FACTS f = {};
  f.bDetected = bDetected;
  f.bDemoKnown = H_DATABASE_bFetchBoolean(FCID("SDEN"), &f.bDemo, nullptr, nullptr);
  f.bSonarKnown = H_DATABASE_bFetchBoolean(FCID("SSEN"), &f.bSonar, nullptr, nullptr);
  if (!H_DATABASE_bFetchU32(FCID("SSTS"), &f.u32Transducer, nullptr, nullptr)) f.u32Transducer = 0xFFFFFFFF;
  if (!H_DATABASE_bFetchU32(FCID("SENU"), &f.u32SerialUnit, nullptr, nullptr)) f.u32SerialUnit = 0;
  f.bIceModel = g_sStartup.bIceModel;
  return f;
}

static const char* STARTUP_pcStateName(U32 eState) {
  static const char* const apcNames[] = {"?",        "start-up",         "burn-in",      "normal run",  "simulation",
                                         "pre-sale", "point of sale",    "diagnostic",   "PC connect",  "in-line test",
                                         "in-house", "playback",         "updating code"};
  return eState < sizeof apcNames / sizeof apcNames[0] ? apcNames[eState] : "?";
}

static void STARTUP_vSettleState(void) {
  const STARTUP_FACTS facts = STARTUP_sFacts(STARTUP_bDetectTransducer());
  const STARTUP_CHOICE c = T_STARTUP_sChooseState(&facts);
  g_sStartup.bTransducerConnected = c.bConnected;
  H_DATABASE_bUpdateEverythingBoolean(FCID("ITXD"), c.bDetectedItem, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  s_s32TransducerConnectedTimer = c.s32NoteTimer;
  if (c.eState == STATE_BURN_IN) g_sStartup.pcMapFlashText = STARTUP_pcMapFlashText();
  if (c.bBurnInClock) g_sStartup.s64BurnInStart = (S64)time(nullptr);
  if (c.bIceModeOff) H_DATABASE_bUpdateValueBoolean(FCID("SICE"), FALSE, P_NORMAL);
  g_sStartup.eState = c.eState;
  if (c.bNote) STARTUP_vRegisterNote();
  log_me("[%d]%s: transducer %s, %s prepared", __LINE__, __func__, c.bConnected ? "connected" : "not connected",
         STARTUP_pcStateName(c.eState));
}

// ---------------------------------------------------------------------------
// Initialisation

static void STARTUP_vCreateItems(void) {
  if (H_DATABASE_bUpdateEverythingU32(FCID("TTAR"), (U32)M_STARTUP, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Startup Task Mailbox");
  }
  H_DATABASE_bUpdateEverythingBoolean(FCID("ITXD"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  for (FOURCHARID id : {FCID("ECPM"), FCID("ELPM"), FCID("ENPM")}) STARTUP_vWriteU32(id, 0);
  DB_DATA_TYPE language;
  language.u32Val = LANGUAGE_ENGLISH;
  DB_ATTRIBUTES languageAttributes = {D_UNKNOWN, Language, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(FCID("SLNG"), &language, P_DEFAULT_SETTING, &languageAttributes);
  DB_DATA_TYPE set;
  set.u32Val = 0;
  H_DATABASE_vReadOrSetDefault(FCID("SLNS"), &set, P_DEFAULT_SETTING, nullptr);
  STARTUP_vWriteU32(FCID("CCST"), STATE_STARTUP);
  H_DATABASE_bRegisterForDataWithConditions(FCID("CCST"), M_STARTUP, TRUE, FALSE, FALSE);
}

static void STARTUP_vStartDisplay(void) {
  STARTUP_vStartTask(DISPTASK, FALSE);
  if (L_SEMA_WaitTicks(SEMA_DISPINIT_COMPLETE, STARTUP_TASK_WAIT_MS) != 0) {
    log_me("[%d]%s: %s not ready after %u ms, going on without it", __LINE__, __func__, get_task_name(DISPTASK),
           STARTUP_TASK_WAIT_MS);
  }
  STARTUP_vStartTask(VIEWTASK, FALSE);
  STARTUP_vWaitForKey(FCID("TVUE"), VIEWTASK);
  STARTUP_vPrepareSplash();
  T_STARTUP_vRegisterSplashScreen();
  H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), STARTUP_SPLASH_VIEW_PRIORITY, P_NORMAL, D_SIGNED32, nullptr,
                                  DB_NEVER_STALE);
}

// Settings are restored by the NVR task; nothing may go on before its store is there.
static void STARTUP_vWaitForNvr(void) {
  for (int i = 0; i < STARTUP_NVR_POLLS; i++) {
    if (STARTUP_bPublished(FCID("TNVR"))) return;
    L_CLOCK_Sleep(STARTUP_NVR_POLL_MS);
  }
  ERROR_vFatal(__FILE_NAME__, __LINE__, "STARTUP: Where's tNVRAM");
}

// A missing header item gets its default (the domestic one on a domestic
// model) and goes to the store's header; a model of 0 is no model.
static void STARTUP_vHeaderItems(void) {
  for (const STARTUP_HEADER_ITEM& row : s_sMyItems) {
    U32 value = 0;
    const BOOLEAN bPresent = H_DATABASE_bFetchU32(row.item, &value, nullptr, nullptr);
    const BOOLEAN bNoModel = bPresent && row.item == FCID("SMDL") && value == 0;
    if (bPresent && !bNoModel) continue;
    DB_DATA_TYPE dbDefault;
    dbDefault.u32Val = MODEL_bDomesticModel() ? row.defaultValueDomestic : row.defaultValue;
    if (bNoModel) {
      H_DATABASE_bUpdateValueU32(row.item, row.defaultValue, P_NORMAL);
    } else {
      DB_ATTRIBUTES attributes = {D_UNKNOWN, row.pName, DB_NEVER_STALE};
      H_DATABASE_vReadOrSetDefault(row.item, &dbDefault, P_NORMAL, &attributes);
    }
    STARTUP_vTellNvr(CMD_ID_WRITE_TO_HEADER, row.item);
  }
}

static void STARTUP_vTakePersonal(const MSG_READ_PERSONALIZED* pMsg) {
  if (!pMsg->bSuccess) return;
  STARTUP_vSetPersonal((const char*)s_personalBlock.au16Data, sizeof s_personalBlock);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

// A reply that comes after the wait is taken in the task's loop.
static void STARTUP_vReadPersonal(void) {
  STARTUP_vSetPersonal(nullptr, 0);
  U32 u32Nvr = 0;
  if (!STARTUP_bFetchU32(FCID("TNVR"), &u32Nvr) || u32Nvr == 0) return;
  MSG_READ_PERSONALIZED* pMsg = (MSG_READ_PERSONALIZED*)H_MEMORY_pvCalloc(1, sizeof(MSG_READ_PERSONALIZED));
  pMsg->Header.Cmd = CMD_ID_READ_PERSONALIZED;
  pMsg->pPersonData = &s_personalBlock;
  L_SEMA_SetPending(SEMA_PERSONAL_DATA);
  if (L_MBOX_Send((MBOX)u32Nvr, pMsg, STARTUP_MAIL_PRIORITY, SEMA_PERSONAL_DATA) != 0) {
    H_MEMORY_vFree(pMsg);
  } else if (L_SEMA_WaitTicks(SEMA_PERSONAL_DATA, STARTUP_REPLY_WAIT_MS) == 0 || L_MBOX_bIsAcknowledged(pMsg)) {
    STARTUP_vTakePersonal(pMsg);
    H_MEMORY_vFree(pMsg);
  } else {
    log_me("[%d]%s: no owner's text within %u ms", __LINE__, __func__, STARTUP_REPLY_WAIT_MS);
    s_pPersonalRequest = pMsg;
  }
}

static void STARTUP_vTakeLatePersonal(void) {
  MSG_READ_PERSONALIZED* pMsg = s_pPersonalRequest;
  if (pMsg == nullptr || !L_MBOX_bIsAcknowledged(pMsg)) return;
  s_pPersonalRequest = nullptr;
  STARTUP_vTakePersonal(pMsg);
  H_MEMORY_vFree(pMsg);
}

static void STARTUP_vStartKeyboard(void) {
  STARTUP_vStartTask(KBDTASK, TRUE);
  STARTUP_vWaitForKey(FCID("TKBD"), KBDTASK);
  if (!U_KEYBOARD_bRegisterKeys(M_STARTUP, STARTUP_KEYS, KEY_DOWN, FALSE, FALSE, CURSOR_4, REGISTER_STARTUP)) {
    log_me("[%d]%s: no keyboard task, the start-up menu cannot be had", __LINE__, __func__);
  }
}

static void STARTUP_vModel(void) {
  U32 u32Model = 0;
  if (!STARTUP_bFetchU32(FCID("SMDL"), &u32Model)) ERROR_vFatal(__FILE_NAME__, __LINE__, "Registering for SMDL");
  if (!MODEL_bRegisterModel((MODEL_TYPE)u32Model)) {
    log_me("[%d]%s: model %u is not one of ours", __LINE__, __func__, u32Model);
  }
  // The settings were made before the model was known.
  H_DBTABLE_vSettleModelDefaults();
  H_DATABASE_bRegisterForDataWithConditions(FCID("SMDL"), M_STARTUP, TRUE, FALSE, FALSE);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  if (VERSION_bDetectVersionChange()) log_me("[%d]%s: software version changed", __LINE__, __func__);
  DB_DATA_TYPE age;
  age.u32Val = 0;
  DB_ATTRIBUTES ageAttributes = {D_UNKNOWN, nullptr, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(FCID("SAGE"), &age, P_DEFAULT_SETTING, &ageAttributes);
  H_DATABASE_bUpdateEverythingU32(FCID("SAGS"), age.u32Val, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  g_sStartup.bIceModel = MODEL_bIceModel();
  // Offered unowned: a stored or chosen value stays.
  H_DATABASE_bUpdateValueBoolean(FCID("SDEN"), TRUE, P_UNOWNED);
  H_DATABASE_bUpdateValueBoolean(FCID("SSEN"), TRUE, P_UNOWNED);
}

// The tabs, this task's Setup items and the System Status view, once the
// menu task takes mail.
static void STARTUP_vStartMenus(void) {
  STARTUP_vStartTask(MENUTASK, TRUE);
  STARTUP_vWaitForKey(FCID("TMNU"), MENUTASK);
  U_MENU_bRegisterTab(Views, SELECT_VIEWS_TAB_PRIORITY, &ViewTab_icon, M_BASIC);
  U_MENU_bRegisterTab(Alarms, ALARM_TAB_PRIORITY, &Alarm_icon, M_ADVANCED);
  U_MENU_bRegisterTab(Setup, SETUP_TAB_PRIORITY, &Setup_icon, M_BASIC);
  U_MENU_bRegisterTab(Accessories, ACCESSORY_TAB_PRIORITY, &acc_icon, M_BASIC);
  STARTUP_vCheckLanguage();
  STARTUP_vRegisterLanguageItem();
  U_MENU_bRegisterMainSelectorMenu(Sonar, Setup, STARTUP_MENU_SONAR, FCID("SSEN"), 2, U_MENU_apOffOn, U_MENU_au32OffOn, M_BASIC);
  // Hidden from the views until the System Status screen asks for it.
  DB_DATA_TYPE shown;
  shown.u32Val = FALSE;
  DB_ATTRIBUTES shownAttributes = {D_UNKNOWN, System_Status, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(FCID("SVST"), &shown, P_DEFAULT_SETTING, &shownAttributes);
  U_VIEW_bRegisterLayer(T_STARTUP_vDrawSelfTestView, DIAGNOSTIC_SELF_TEST, USED_BY_NONE, 0, FCID("SVST"), FALSE,
                        nullptr, nullptr, nullptr);
  U_VIEW_bRegisterLayer(T_STARTUP_vDrawSelfTestData, INFO_SELF_TEST_LAYER, DIAGNOSTIC_SELF_TEST, 0, 0, TRUE, nullptr,
                        nullptr, nullptr);
}

static void STARTUP_vInit(void) {
  STARTUP_vCreateItems();
  // Every text on the screen needs the fonts, the display task's first.
  if (!G_TRUETYPE_bInit()) log_me("[%d]%s: no fonts, texts stay blank", __LINE__, __func__);
  G_TRUETYPE_vSelectFontSet(0);
  s_pTimer = L_TIMER_Allocate();
  if (s_pTimer == nullptr) ERROR_vFatal(__FILE_NAME__, __LINE__, "NO TIMER");
  // Eight seconds after power-up, however long the process took to get here.
  const U64 qwNow = STARTUP_qwSincePowerUp();
  STARTUP_vArmTimer(qwNow < STARTUP_POWER_UP_MS ? (U32)(STARTUP_POWER_UP_MS - qwNow) : 1);
  STARTUP_vStartDisplay();
  STARTUP_vStartTask(ADCTASK, TRUE);
  STARTUP_vStartTask(VIEWKEYTASK, TRUE);
  STARTUP_vStartTask(NVRTASK, TRUE);
  STARTUP_vWaitForNvr();
  STARTUP_vHeaderItems();
  STARTUP_vReadPersonal();
  STARTUP_vStartKeyboard();
  STARTUP_vModel();
  STARTUP_vStartMenus();
  STARTUP_vFirstStartAtInit();
  if (!H_DATABASE_bFetchU32(FCID("SDBO"), &s_eStartupDataBoxOption, nullptr, nullptr)) s_eStartupDataBoxOption = 0;
  H_DATABASE_bRegisterForDataWithConditions(FCID("SDBO"), M_STARTUP, TRUE, FALSE, FALSE);
  STARTUP_vSettleState();
  for (TASK task : {DISPTASK, VIEWTASK}) L_TASK_SetPriority(task, TaskParams[task - 1].TParamPriority);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

// ---------------------------------------------------------------------------
// Starting the system

// Each task acknowledges its mail once it has handled it, and by then has
// sent what it registers (menu items, layers, keys) on being told to run. The
// start-up timer's semaphore carries the acknowledgements: the timer is
// stopped for good by now.
static void STARTUP_vSendRunSystem(void) {
  char acSent[25 * 4 + 1] = "";
  U32 u32Sent = 0;
  for (size_t i = 0; i < sizeof s_aRunSystemMailboxes / sizeof s_aRunSystemMailboxes[0]; i++) {
    const MBOX mbox = s_aRunSystemMailboxes[i];
    GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
    pMsg->Cmd = CMD_ID_RUN_SYSTEM;
    if (L_MBOX_Send(mbox, pMsg, STARTUP_MAIL_PRIORITY, SEMA_TIMER_STARTUP) != 0) {
      H_MEMORY_vFree(pMsg);
      continue;
    }
    s_apRunSystemOut[i] = pMsg;
    s_bRunSystemOut = TRUE;
    u32Sent++;
    const size_t used = strlen(acSent);
    snprintf(acSent + used, sizeof acSent - used, " %d", (int)mbox);
  }
  log_me("[%d]%s: run-system sent to %u tasks:%s", __LINE__, __func__, u32Sent, acSent);
}

// Frees the acknowledged run-system mails; once the last is back, says so.
static void STARTUP_vTakeBackRunSystem(void) {
  if (!s_bRunSystemOut) return;
  U32 u32Out = 0;
  for (GENERIC_MESSAGE*& pMsg : s_apRunSystemOut) {
    if (pMsg == nullptr) continue;
    if (!L_MBOX_bIsAcknowledged(pMsg)) {
      u32Out++;
      continue;
    }
    H_MEMORY_vFree(pMsg);
    pMsg = nullptr;
  }
  if (u32Out > 0) return;
  s_bRunSystemOut = FALSE;
  log_me("[%d]%s: every task has taken run-system after %llu ms", __LINE__, __func__,
         (unsigned long long)STARTUP_qwSincePowerUp());
}

static void STARTUP_vEnterDiagnostic(void) {
  BOOLEAN bShown = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SVST"), &bShown, nullptr, nullptr);
  s_bInitialState = bShown;
  s_bDiagnosticMode = TRUE;
  H_DATABASE_bUpdateValueBoolean(FCID("SVST"), TRUE, P_NORMAL);
  U_KEYBOARD_bUnregisterKeys(M_STARTUP, STARTUP_KEYS);
  U_KEYBOARD_bRegisterKeys(M_STARTUP, STARTUP_KEYS, KEY_CHANGE, FALSE, FALSE, CURSOR_4, REGISTER_SYSTEM_STATUS);
  H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), DIAGNOSTIC_SELF_TEST, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
}

static void STARTUP_vStartSystem(void) {
  if (s_bSystemStarted) return;
  s_bSystemStarted = TRUE;
  STARTUP_vStopTimer();
  U32 u32Transducer = 0;
  if (!s_bIceTranducerConnected && H_DATABASE_bFetchU32(FCID("SSTS"), &u32Transducer, nullptr, nullptr) &&
      u32Transducer == 27 && g_sStartup.eState == STATE_NORMAL_RUN) {
    s_bIceTranducerConnected = TRUE;
    g_sStartup.bTransducerConnected = TRUE;
    H_DATABASE_bUpdateValueBoolean(FCID("ITXD"), TRUE, P_NORMAL);
  }
  const S32 s32Row = g_sStartup.s32MenuLine;
  if (g_sStartup.bInMenu && s32Row >= 0 && s32Row < STARTUP_MENU_ROWS) {
    g_sStartup.eState = g_asStartupMenu[s32Row].state;
  }
  const U32 eState = g_sStartup.eState;
  STARTUP_vWriteU32(FCID("CCST"), eState);
  log_me("[%d]%s: system state %u (%s) after %llu ms", __LINE__, __func__, eState, STARTUP_pcStateName(eState),
         (unsigned long long)STARTUP_qwSincePowerUp());
  if (eState == STATE_DIAGNOSTIC) {
    STARTUP_vEnterDiagnostic();
  } else {
    U_KEYBOARD_bUnregisterKeys(M_STARTUP, STARTUP_KEYS);
  }
  const BOOLEAN bUserState = eState == STATE_NORMAL_RUN || eState == STATE_SIMULATION;
  if (bUserState) STARTUP_vFirstStartAtRun();
  BOOLEAN bRestore = FALSE;
  if (H_DATABASE_bFetchBoolean(FCID("SSRD"), &bRestore, nullptr, nullptr) && bRestore) {
    STARTUP_vRestoreFactoryDefaults("asked for at the last run");
    H_DATABASE_bUpdateValueBoolean(FCID("SSRD"), FALSE, P_NORMAL);
  }
  // The start screens go before the tasks are told: the view task then
  // moves off the splash before the view-key task brings the saved view
  // back, never after it.
  STARTUP_vRemoveStartScreens(TRUE);
  STARTUP_vSendRunSystem();
  if (L_TIMER_Start(s_pTimer, STARTUP_TICK_MS, STARTUP_TICK_MS, SEMA_TIMER_DBPOLL) == nullptr) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Timer Problems");
  }
  if (bUserState) {
    U_MENU_bRegisterMainSelectorMenu(Demonstration, Setup, STARTUP_MENU_DEMONSTRATION, FCID("SDEN"), 2,
                                     s_apOffVisible, U_MENU_au32OffOn, M_BASIC);
  }
  L_TASK_SetPriority(STARTTASK, STARTUP_LATE_PRIORITY);
}

// ---------------------------------------------------------------------------
// Keys

static void STARTUP_vClick(BOOLEAN bGood) { L_SEMA_Signal(bGood ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }

static void STARTUP_vShowMenu(void) {
  g_sStartup.s32MenuLine = g_sStartup.bTransducerConnected ? STARTUP_NORMAL_ROW : STARTUP_SIMULATOR_ROW;
  STARTUP_vRemoveNote();
  STARTUP_vStopTimer();
  MSG_REGISTER_LAYER* pMsg = (MSG_REGISTER_LAYER*)H_MEMORY_pvCalloc(1, sizeof(MSG_REGISTER_LAYER));
  pMsg->header.Cmd = CMD_ID_REGISTER_LAYER;
  pMsg->layer = STARTUP_MENU_VIEW_PRIORITY;
  pMsg->where_used = USED_BY_NONE;
  pMsg->pDrawFunction = T_STARTUP_vDisplayStartupMenu;
  pMsg->bDisplay = TRUE;
  pMsg->eLocation = SPLIT_FULL_WINDOW;
  STARTUP_vAskViewTask(pMsg, "the start-up menu");
  H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), STARTUP_MENU_VIEW_PRIORITY, P_NORMAL, D_SIGNED32, nullptr,
                                  DB_NEVER_STALE);
  g_sStartup.bInMenu = TRUE;
  log_me("[%d]%s: start-up menu shown", __LINE__, __func__);
}

static void STARTUP_vMenuCursor(CURSOR_POSITION cursor) {
  const S32 row = g_sStartup.s32MenuLine;
  if (cursor == CURSOR_EAST) {
    STARTUP_vClick(TRUE);
    STARTUP_vStartSystem();
    return;
  }
  const S32 next = cursor == CURSOR_SOUTH && row < STARTUP_LAST_CHOSEN_ROW ? row + 1
                   : cursor == CURSOR_NORTH && row > 0                   ? row - 1
                                                                         : row;
  STARTUP_vClick(next != row);
  if (next == row) return;
  g_sStartup.s32MenuLine = next;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

// Outside normal run the note and the splash stay a while before the views.
static void STARTUP_vExit(void) {
  STARTUP_vClick(TRUE);
  if (g_sStartup.eState != STATE_NORMAL_RUN) {
    const U64 qwNow = STARTUP_qwSincePowerUp();
    if (qwNow < STARTUP_EXIT_HOLD_MS) {
      const U64 qwWait = STARTUP_EXIT_HOLD_MS - qwNow;
      L_CLOCK_Sleep((U32)(qwWait < STARTUP_EXIT_WAIT_MAX_MS ? qwWait : STARTUP_EXIT_WAIT_MAX_MS));
    }
  }
  STARTUP_vStartSystem();
}

static void STARTUP_vStartUpKey(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->state != KEY_DOWN) return;
  if (pMsg->key == HKEY_MASK_MENU) {
    if (g_sStartup.bInMenu) {
      STARTUP_vClick(FALSE);
    } else {
      STARTUP_vClick(TRUE);
      STARTUP_vShowMenu();
    }
    STARTUP_vArmTimer(STARTUP_MENU_MS);
  } else if (pMsg->key == HKEY_MASK_CURSOR && g_sStartup.bInMenu) {
    STARTUP_vArmTimer(STARTUP_MENU_MS);
    STARTUP_vMenuCursor(pMsg->cursor);
  } else if (pMsg->key == HKEY_MASK_EXIT) {
    STARTUP_vExit();
  } else {
    STARTUP_vClick(FALSE);
  }
}

static void STARTUP_vSuperUserKey(CURSOR_POSITION cursor) {
  if (cursor != s_aeSuperUserKeys[s_u32SuperUserKeys]) {
    s_u32SuperUserKeys = 0;
    STARTUP_vClick(FALSE);
    return;
  }
  STARTUP_vClick(TRUE);
  if (++s_u32SuperUserKeys < STARTUP_SUPER_USER_KEYS) return;
  s_u32SuperUserKeys = 0;
  BOOLEAN bOn = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SMSU"), &bOn, nullptr, nullptr);
  bOn = !bOn;
  H_DATABASE_bUpdateEverythingBoolean(FCID("SMSU"), bOn, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  log_me("[%d]%s: super user %s", __LINE__, __func__, bOn ? "on" : "off");
  L_SEMA_Signal(SEMA_NVRAM_UPDATE);
  L_CLOCK_Sleep(STARTUP_CONFIRM_SOUND_MS);
  L_SEMA_Signal(bOn ? SEMA_FISH_ALARM_LARGE : SEMA_FISH_ALARM_SMALL);
}

static void STARTUP_vSystemStatusKey(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->state != KEY_DOWN) return;
  if (pMsg->key == HKEY_MASK_VIEW || pMsg->key == HKEY_MASK_EXIT) {
    const LAYER_ID other = U_VIEW_eCurrentView() == layerSequence[0] ? layerSequence[1] : layerSequence[0];
    H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), other, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
    STARTUP_vClick(TRUE);
  } else if (pMsg->key == HKEY_MASK_MENU) {
    STARTUP_vClick(TRUE);
  } else if (pMsg->key == HKEY_MASK_CURSOR) {
    STARTUP_vSuperUserKey(pMsg->cursor);
  } else {
    STARTUP_vClick(FALSE);
  }
}

// ---------------------------------------------------------------------------
// Notices, the tick and shutdown

// A new model starts from its set's first language; a domestic one from
// English, since it has no Asian faces.
static void STARTUP_vModelChanged(U32 u32Model) {
  if (!MODEL_bRegisterModel((MODEL_TYPE)u32Model)) {
    log_me("[%d]%s: model %u is not one of ours", __LINE__, __func__, u32Model);
  }
  U32 u32Set = 0;
  H_DATABASE_bFetchU32(FCID("SLNS"), &u32Set, nullptr, nullptr);
  if (MODEL_bDomesticModelNumber((MODEL_TYPE)u32Model) && u32Set != 0) {
    u32Set = 0;
    H_DATABASE_bUpdateValueU32(FCID("SLNS"), 0, P_NORMAL);
    STARTUP_vTellNvr(CMD_ID_WRITE_TO_NVR, FCID("SLNS"));
  }
  H_DATABASE_bUpdateValueU32(FCID("SLNG"), u32Set == 1 ? LANGUAGE_ENGLISH_UNICODE : LANGUAGE_ENGLISH, P_NORMAL);
  STARTUP_vTellNvr(CMD_ID_WRITE_TO_NVR, FCID("SLNG"));
}

static void STARTUP_vNewData(const MESSAGE_NEW_DATA* pMsg) {
  switch (pMsg->FourCharId) {
    case FCID("SDBO"):
      s_eStartupDataBoxOption = pMsg->dbValue.u32Val;
      break;
    case FCID("CCST"):
      g_sStartup.bInMenu = FALSE;
      g_sStartup.eState = pMsg->dbValue.u32Val;
      if (pMsg->dbValue.u32Val == STATE_INLINE_TEST) {
        STARTUP_vRemoveNote();
        L_SEMA_Signal(SEMA_VIEW_UPDATE);
      }
      STARTUP_vStartSystem();
      break;
    case FCID("SMDL"):
      STARTUP_vModelChanged(pMsg->dbValue.u32Val);
      break;
    default:
      break;
  }
}

static void STARTUP_vTick(void) {
  H_DATABASE_vSendAllInvalidData();
  if (++s_u32Ticks % STARTUP_TICKS_PER_AGE == 0) {
    U32 u32Age = 0;
    H_DATABASE_bFetchU32(FCID("SAGE"), &u32Age, nullptr, nullptr);
    u32Age += STARTUP_AGE_STEP_S;
    H_DATABASE_bUpdateValueU32(FCID("SAGE"), u32Age, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("SAGS"), u32Age, P_NORMAL);
  }
  if (g_sStartup.bTransducerConnected) return;
  if (g_sStartup.eState == STATE_BURN_IN) {
    s_s32TransducerConnectedTimer = STARTUP_BURN_IN_NOTE_MS;
    // The burn-in clock moves on screen.
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  }
  if (s_s32TransducerConnectedTimer < 0) return;
  s_s32TransducerConnectedTimer -= (S32)STARTUP_TICK_MS;
  if (s_s32TransducerConnectedTimer > 0) return;
  STARTUP_vRemoveNote();
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static void STARTUP_vShutdown(void) {
  s_bShutdown = TRUE;
  L_TIMER_Stop(s_pTimer);
  L_TIMER_Release(s_pTimer);
  s_pTimer = nullptr;
  STARTUP_vRemoveNote();
  STARTUP_vRemoveStartScreens(FALSE);
  if (s_bDiagnosticMode) H_DATABASE_bUpdateValueBoolean(FCID("SVST"), s_bInitialState, P_NORMAL);
}

static void STARTUP_vDispatch(GENERIC_MESSAGE* pMsg) {
  if (s_bShutdown) return H_MEMORY_vDumpMail(pMsg);
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      STARTUP_vShutdown();
      break;
    case CMD_ID_NEW_DATA:
      STARTUP_vNewData((const MESSAGE_NEW_DATA*)pMsg);
      break;
    case CMD_ID_KEY_CHANGE:
      if (s_bDiagnosticMode) {
        STARTUP_vSystemStatusKey((const MSG_KEY_CHANGE*)pMsg);
      } else if (!s_bSystemStarted) {
        STARTUP_vStartUpKey((const MSG_KEY_CHANGE*)pMsg);
      }
      break;
    default:
      // A reset and anything else asks nothing of this task.
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// The task

void T_STARTUP_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  STARTUP_vInit();
  log_me("[%d]%s: initialised after %llu ms", __LINE__, __func__, (unsigned long long)STARTUP_qwSincePowerUp());
  __atomic_store_n(&bStartupTaskInitialized, (U8)TRUE, __ATOMIC_RELEASE);
  const SEMA events[] = {SEMA_MBOX_STARTUP, SEMA_TIMER_DBPOLL, SEMA_TIMER_STARTUP, SEMA_PERSONAL_DATA, 0};
  for (;;) {
    switch (L_SEMA_WaitMultiple(events)) {
      case SEMA_MBOX_STARTUP:
        while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_STARTUP)) STARTUP_vDispatch(pMsg);
        break;
      case SEMA_TIMER_STARTUP:
        if (!s_bShutdown) STARTUP_vStartSystem();
        STARTUP_vTakeBackRunSystem();
        break;
      case SEMA_TIMER_DBPOLL:
        if (!s_bShutdown) STARTUP_vTick();
        break;
      case SEMA_PERSONAL_DATA:
        STARTUP_vTakeLatePersonal();
        break;
      default:
        break;
    }
  }
}
