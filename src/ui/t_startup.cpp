// The start-up task. Until the user interface is built here it does the part
// the rest of the unit depends on: it sets the fonts up, starts the early
// tasks in their order, waits for the NVR task's store, checks the stored
// software version, settles the system state on a normal run, reports itself
// initialised, tells every task the system runs, and runs the two-second
// sweep that makes stale live values invalid. Once the menu task is up it
// registers the main menu's tabs and its own Setup items.

#include "t_startup.h"

#include "error.h"
#include "g_iconset.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_view.h"
#include "u_keyboard.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_taskstub.h"
#include "u_view.h"
#include "ui_texts.h"
#include "version.h"

volatile U8 bStartupTaskInitialized;

// The tasks this task starts, in their order: display, view, analogue
// inputs, view key, NVR, keyboard, menu.
static const TASK s_aEarlyTasks[] = {DISPTASK, VIEWTASK, ADCTASK, VIEWKEYTASK, NVRTASK, KBDTASK, MENUTASK};

// The mailboxes told that the system runs, in the order they are told.
static const MBOX s_aRunSystemMailboxes[25] = {
    M_DISPLAY, M_KEYB,  M_MENU,  M_NVRAM,   M_VIEWKEY,  M_VIEW,        M_COM1A,   M_INLINETEST, M_TONE,
    M_INFO,    M_ACCESSORY, M_SPEED, M_CHART, M_NAV,    M_NMEA,        M_ALARM,   M_PCCOM,      M_WTEMP,
    M_BATTERY, M_PING,  M_PROCESS, M_HISTORY, M_SYSTIME_EDIT, M_MESSAGEBOX, M_BT_REMOTE,
};

constexpr U32 STARTUP_SWEEP_MS = 2000;
constexpr int STARTUP_NVR_POLLS = 50;
constexpr U32 STARTUP_NVR_POLL_MS = 100;

static void STARTUP_vSetState(SYSTEM_STATE state) {
  H_DATABASE_bUpdateEverythingU32(FCID("CCST"), state, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

// Settings are restored by the NVR task; nothing may go on before its store is there.
static void STARTUP_vWaitForNvr(void) {
  for (int i = 0; i < STARTUP_NVR_POLLS; i++) {
    U32 mbox = 0;
    BOOLEAN valid = FALSE;
    if (H_DATABASE_bFetchU32(FCID("TNVR"), &mbox, &valid, nullptr) && valid && mbox != 0) return;
    L_CLOCK_Sleep(STARTUP_NVR_POLL_MS);
  }
  ERROR_vFatal(__FILE_NAME__, __LINE__, "STARTUP: Where's tNVRAM");
}

// ---------------------------------------------------------------------------
// Menus

static const MENU_TEXT s_apOffOn[] = {Off, On};
static const MENU_TEXT s_apOffVisible[] = {Off, Visible};
static const U32 s_au32OffOn[] = {0, 1};

// The languages offered, each named in itself; choosing the last row of the
// western or Asian list is choosing the other set's first language.
static const MENU_TEXT s_pLanguageNamesAll[] = {
    Language_English,   Language_Bulgarian, Language_Croatian,  Language_Czech,     Language_Danish,
    Language_Dutch,     Language_Estonian,  Language_Finnish,   Language_French,    Language_German,
    Language_Greek,     Language_Hungarian, Language_Italian,   Language_Latvian,   Language_Lithuanian,
    Language_Norwegian, Language_Polish,    Language_Portuguese, Language_Russian,  Language_Spanish,
    Language_Swedish,   Language_Turkish,   Asian_Mode};
static const U32 s_pLanguageNumsAll[] = {
    LANGUAGE_ENGLISH,   LANGUAGE_BULGARIAN, LANGUAGE_CROATIAN,  LANGUAGE_CZECH,     LANGUAGE_DANISH,
    LANGUAGE_DUTCH,     LANGUAGE_ESTONIAN,  LANGUAGE_FINNISH,   LANGUAGE_FRENCH,    LANGUAGE_GERMAN,
    LANGUAGE_GREEK,     LANGUAGE_HUNGARIAN, LANGUAGE_ITALIAN,   LANGUAGE_LATVIAN,   LANGUAGE_LITHUANIAN,
    LANGUAGE_NORWEGIAN, LANGUAGE_POLISH,    LANGUAGE_PORTUGUESE, LANGUAGE_RUSSIAN,  LANGUAGE_SPANISH,
    LANGUAGE_SWEDISH,   LANGUAGE_TURKISH,   LANGUAGE_ENGLISH_UNICODE};
static const MENU_TEXT s_pLanguageNamesAsian[] = {Language_English,  Language_Japanese,
                                                  Language_Korean,   Language_Chinese_Simplified,
                                                  Language_Chinese_Traditional, International_Mode};
static const U32 s_pLanguageNumsAsian[] = {LANGUAGE_ENGLISH_UNICODE,    LANGUAGE_JAPANESE,
                                           LANGUAGE_KOREAN,             LANGUAGE_CHINESE_SIMPLIFIED,
                                           LANGUAGE_CHINESE_TRADITIONAL, LANGUAGE_ENGLISH};
static const MENU_TEXT s_pDomesticLanguageNames[] = {Language_English, Language_Spanish};
static const U32 s_pDomesticLanguageNums[] = {LANGUAGE_ENGLISH, LANGUAGE_SPANISH};

constexpr MENU_PRIORITY STARTUP_MENU_LANGUAGE = 122;
constexpr MENU_PRIORITY STARTUP_MENU_SONAR = 184;
constexpr MENU_PRIORITY STARTUP_MENU_DEMONSTRATION = 186;
constexpr int STARTUP_MENU_POLLS = 2000;

static BOOLEAN STARTUP_bPublished(FOURCHARID key) {
  U32 value = 0;
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(key, &value, &bValid, nullptr) && bValid && value != 0;
}

static void STARTUP_vRegisterLanguage(void) {
  U32 u32Set = 0;
  H_DATABASE_bFetchU32(FCID("SLNS"), &u32Set, nullptr, nullptr);
  if (u32Set == 1) {
    U_MENU_bRegisterMainSelectorMenu(Language, Setup, STARTUP_MENU_LANGUAGE, FCID("SLNG"), 6, s_pLanguageNamesAsian,
                                     s_pLanguageNumsAsian, M_BASIC);
  } else if (MODEL_bInternationalModel1()) {
    U_MENU_bRegisterMainSelectorMenu(Language, Setup, STARTUP_MENU_LANGUAGE, FCID("SLNG"), 23, s_pLanguageNamesAll,
                                     s_pLanguageNumsAll, M_BASIC);
  } else {
    U_MENU_bRegisterMainSelectorMenu(Language, Setup, STARTUP_MENU_LANGUAGE, FCID("SLNG"), 2, s_pDomesticLanguageNames,
                                     s_pDomesticLanguageNums, M_BASIC);
  }
}

// The tabs and this task's Setup items, once the menu task takes mail.
static void STARTUP_vRegisterMenus(void) {
  for (int i = 0; i < STARTUP_MENU_POLLS && !STARTUP_bPublished(FCID("TMNU")); i++) L_CLOCK_Sleep(1);
  DB_DATA_TYPE language = {};
  H_DATABASE_vReadOrSetDefault(FCID("SLNG"), &language, P_DEFAULT_SETTING, nullptr);
  H_DATABASE_vReadOrSetDefault(FCID("SLNS"), &language, P_DEFAULT_SETTING, nullptr);
  // Offered unowned: a stored or chosen value stays.
  H_DATABASE_bUpdateValueBoolean(FCID("SDEN"), TRUE, P_UNOWNED);
  H_DATABASE_bUpdateValueBoolean(FCID("SSEN"), TRUE, P_UNOWNED);
  U_MENU_bRegisterTab(Views, SELECT_VIEWS_TAB_PRIORITY, &ViewTab_icon, M_BASIC);
  U_MENU_bRegisterTab(Alarms, ALARM_TAB_PRIORITY, &Alarm_icon, M_ADVANCED);
  U_MENU_bRegisterTab(Setup, SETUP_TAB_PRIORITY, &Setup_icon, M_BASIC);
  U_MENU_bRegisterTab(Accessories, ACCESSORY_TAB_PRIORITY, &acc_icon, M_BASIC);
  STARTUP_vRegisterLanguage();
  U_MENU_bRegisterMainSelectorMenu(Sonar, Setup, STARTUP_MENU_SONAR, FCID("SSEN"), 2, s_apOffOn, s_au32OffOn, M_BASIC);
}

void T_STARTUP_vRemoveQuickConfigMenu(void) {
  U_KEYBOARD_bUnregisterKeys(M_MENU, 0xFFFE);
  U_VIEW_bUnRegisterLayer(QUICK_CONFIGURE_LAYER);
  T_VIEW_vRequestExpeditedViewUpdate();
  for (MENU_TEXT pItem : {Language, Water_Type, Local_Time_Zone, Daylight_Saving_Time, Max_Depth, Connected_Transducer}) {
    U_MENU_bUnregisterQuickMenuItem(pItem);
  }
  H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), FALSE, P_NORMAL);
  H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), TRUE, P_NORMAL);
}

void T_STARTUP_vMain(void) {
  U_TASKSTUB_vPublish(FCID("TTAR"), M_STARTUP);
  STARTUP_vSetState(STATE_STARTUP);
  // Every text on the screen needs the fonts, the display task's first.
  if (!G_TRUETYPE_bInit()) log_me("[%d]%s: no fonts, texts stay blank", __LINE__, __func__);
  for (TASK task : s_aEarlyTasks) {
    U_TASKSTUB_vStartTask(task);
    if (task == NVRTASK && !task_disabled[NVRTASK - 1]) STARTUP_vWaitForNvr();
  }
  // The stored settings are in now: they tell which version wrote them.
  VERSION_bDetectVersionChange();
  if (!task_disabled[MENUTASK - 1]) STARTUP_vRegisterMenus();
  STARTUP_vSetState(STATE_NORMAL_RUN);
  __atomic_store_n(&bStartupTaskInitialized, (U8)TRUE, __ATOMIC_RELEASE);
  // A task started later by Main finds the command queued in its mailbox.
  for (MBOX mbox : s_aRunSystemMailboxes) {
    GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
    pMsg->Cmd = CMD_ID_RUN_SYSTEM;
    L_MBOX_Send(mbox, pMsg, 3, 0);
  }
  log_me("[%d]%s: run-system sent to %u tasks", __LINE__, __func__, (unsigned)(sizeof s_aRunSystemMailboxes / sizeof s_aRunSystemMailboxes[0]));
  U_MENU_bRegisterMainSelectorMenu(Demonstration, Setup, STARTUP_MENU_DEMONSTRATION, FCID("SDEN"), 2, s_apOffVisible,
                                   s_au32OffOn, M_BASIC);

  if (L_TIMER_Start(nullptr, STARTUP_SWEEP_MS, STARTUP_SWEEP_MS, SEMA_TIMER_STARTUP) == nullptr) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "No start-up timer");
  }
  const SEMA events[] = {SEMA_MBOX_STARTUP, SEMA_TIMER_STARTUP, 0};
  for (;;) {
    S32 event = L_SEMA_WaitMultiple(events);
    if (event == SEMA_TIMER_STARTUP) {
      H_DATABASE_vSendAllInvalidData();
    } else if (event == SEMA_MBOX_STARTUP) {
      U_TASKSTUB_vDrain(M_STARTUP);
    }
  }
}
