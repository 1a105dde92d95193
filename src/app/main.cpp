// The process entry: options, the service layer in its order, then Main,
// which starts every task in the fixed order.

#include "main.h"

#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "h_database.h"
#include "h_dbtable.h"
#include "h_platform.h"
#include "h_rigserve.h"
#include "linux_fs.h"
#include "linuxsvc.h"
#include "s_detect.h"
#include "t_btremote.h"
#include "t_display.h"
#include "t_info.h"
#include "t_menu.h"
#include "t_nav_views.h"
#include "t_messagebox.h"
#include "t_n_ping.h"
#include "t_nav.h"
#include "t_nav_group.h"
#include "t_startup.h"
#include "u_language.h"
#include "u_mapflash.h"
#include "u_convert.h"
#include "u_storefault.h"
#include "u_view.h"

const char model_string[] = "VORNE7_SONAR_b";

// ---------------------------------------------------------------------------
// Command line

static S64 MAIN_s64Number(const char* option, const char* text) {
  char* end = nullptr;
  long long value = strtoll(text, &end, 10);
  if (end == text || *end != '\0') bail_out("invalid argument %s %s", option, text);
  return value;
}

static void MAIN_vTaskList(const char* option, const char* text, U8 disabled) {
  char copy[256];
  snprintf(copy, sizeof copy, "%s", text);
  char* save = nullptr;
  for (char* item = strtok_r(copy, ",", &save); item != nullptr; item = strtok_r(nullptr, ",", &save)) {
    S64 id = MAIN_s64Number(option, item);
    if (id >= 1 && id <= ntasks) task_disabled[id - 1] = disabled;
  }
}

void MAIN_vParseOptions(int argc, char** argv) {
  for (int i = 1; i < argc; i++) {
    const char* word = argv[i];
    // Options that take the next word as their value.
    static const char* const withValue[] = {"task_add", "task_rem", "quit_sec", "fake_key", "debug_sec", "sleeper"};
    BOOLEAN takesValue = FALSE;
    for (const char* name : withValue) takesValue |= strcmp(word, name) == 0;
    const char* value = nullptr;
    if (takesValue) {
      if (i + 1 >= argc) bail_out("specifier required for argument %s", word);
      value = argv[++i];
    }

    if (strcmp(word, "task_flush") == 0) {
      memset(task_disabled, 1, sizeof task_disabled);
    } else if (strcmp(word, "task_add") == 0) {
      MAIN_vTaskList(word, value, 0);
    } else if (strcmp(word, "task_rem") == 0) {
      MAIN_vTaskList(word, value, 1);
    } else if (strcmp(word, "quit_sec") == 0) {
      quit_seconds = MAIN_s64Number(word, value) * 1000;
    } else if (strcmp(word, "fake_key") == 0) {
      opt_fakekey = (S32)MAIN_s64Number(word, value);
    } else if (strcmp(word, "debug_sec") == 0) {
      debug_seconds = (S32)MAIN_s64Number(word, value);
    } else if (strcmp(word, "sleeper") == 0) {
      opt_sleeper = MAIN_s64Number(word, value) * 1000;
    } else if (strcmp(word, "fake_transducer") == 0) {
      opt_fake_transducer = 1;
    } else if (strcmp(word, "no_log") == 0) {
      opt_nolog = 1;
    } else if (strcmp(word, "no_adc") == 0) {
      opt_noadc = 1;
    } else if (strcmp(word, "fsync") == 0) {
      opt_fsync = 1;
    } else if (strcmp(word, "nodisclaimer") == 0) {
      opt_nodisclaimer = 1;
    } else if (strcmp(word, "notone") == 0) {
      opt_notone = 1;
    } else {
      bail_out("invalid argument %s", word);
    }
  }
}

// ---------------------------------------------------------------------------
// Main

struct MAILBOX_BINDING {
  MBOX mbox;
  SEMA sema;
};

// The mailboxes whose arrivals signal a semaphore, in the order they are bound.
static const MAILBOX_BINDING s_aBindings[] = {
    {M_COM1A, SEMA_MBOX_COM1A},
    {M_DUMMY, SEMA_MBOX_DUMMY},
    {M_DISPLAY, SEMA_MBOX_DISPLAY},
    {M_VIEW, SEMA_MBOX_VIEW},
    {M_VIEWKEY, SEMA_MBOX_VIEWKEY},
    {M_KEYB, SEMA_MBOX_KEYB},
    {M_ADC, SEMA_MBOX_ADC},
    {M_SPEED, SEMA_MBOX_SPEED},
    {M_PROCESS, SEMA_MBOX_PROCESS},
    {M_HISTORY, SEMA_MBOX_HISTORY},
    {M_PING, SEMA_MBOX_PING},
    {M_MENU, SEMA_MBOX_MENU},
    {M_INFO, SEMA_MBOX_INFO},
    {M_CHART, SEMA_MBOX_CHART},
    {M_NAV, SEMA_MBOX_NAV},
    {M_NVRAM, SEMA_MBOX_NVRAM},
    {M_STARTUP, SEMA_MBOX_STARTUP},
    {M_TONE, SEMA_MBOX_TONE},
    {M_NMEA, SEMA_MBOX_NMEA},
    {M_ALARM, SEMA_MBOX_ALARM},
    {M_PCCOM, SEMA_MBOX_PCC},
    {M_BAROMETER, SEMA_MBOX_BAR},
    {M_WTEMP, SEMA_MBOX_WTEMP},
    {M_BATTERY, SEMA_MBOX_BATT},
    {M_INLINETEST, SEMA_MBOX_INLINETEST},
    {M_ACCESSORY, SEMA_MBOX_ACC},
    {M_ACC_COMM, SEMA_MBOX_ACC_COMM},
    {M_MMC, SEMA_MBOX_MMC},
    {M_BUTTON, SEMA_MBOX_BUTTON},
    {M_CHART_INFO, SEMA_MBOX_CHART_INFO},
    {M_3D_HISTORY, SEMA_MBOX_3D_HISTORY},
    {M_3D_PROCESS, SEMA_MBOX_3D_PROCESS},
    {M_3D_RENDER, SEMA_MBOX_3D_RENDER},
    {M_DEVELOPMENT, SEMA_MBOX_DEVELOPMENT},
    {M_BATHYMETRY, SEMA_MBOX_BATHYMETRY},
    {M_CHART3D, SEMA_MBOX_CHART3D},
    {M_HTML, SEMA_MBOX_HTML},
    {M_ETHERNET, SEMA_MBOX_ETHERNET},
    {M_FCIDSERVER, SEMA_MBOX_FCIDSERVER},
    {M_SOUND, SEMA_MBOX_SOUND},
    {M_GMSG, SEMA_MBOX_GMSG},
    {M_GMSG_TEST, SEMA_MBOX_GMSG_TEST},
    {M_SUDPIN, SEMA_MBOX_SUDPIN},
    {M_SUDPOUT, SEMA_MBOX_SUDPOUT},
    {M_SYSTIME_EDIT, SEMA_MBOX_SYSTIME_EDIT},
    {M_MESSAGEBOX, SEMA_MBOX_MESSAGEBOX},
    {M_BT_REMOTE, SEMA_MBOX_BTREMOTE},
    {M_BTNC, SEMA_MBOX_BTNC},
    {M_VARDEK_NETWORKING, SEMA_MBOX_VARDEK_NETWORKING},
};

// Started by Main once the start-up task is initialised, in this order; the
// last two end at once.
static const TASK s_aLateTasks[] = {
    INLINETESTTASK, TONETASK, INFOTASK, ACCTASK, MESSAGEBOXTASK, SPEEDTASK, MMCTASK, CHARTTASK, NAVTASK, NMEATASK,
    ALARMTASK, BATTTASK, PCCTASK, WTEMPTASK, PINGTASK, PROCESSTASK, HISTORYTASK, BTREMOTETASK, BTNCTASK,
    VARDEKNETWORKTASK,
};

static const char* MAIN_pcMapFlashStateText(void) {
  return U_MAPFLASH_pcGetMapFlashStateText(U_MAPFLASH_eGetMapFlashState(0));
}

// What the start-up task asks of the sonar and the storage before their
// tasks run.
static const T_STARTUP_NEIGHBOURS s_startupNeighbours = {S_DETECT_bTransducerConnected, MAIN_pcMapFlashStateText};

// What the screen frame asks of the readouts and the navigation views: where
// the view area begins right of the data-box column, and the navigation
// views' kinds.
static const U_VIEW_NEIGHBOURS s_viewNeighbours = {T_INFO_u32XOrigin, T_NAV_bIsMyInstrumentView,
                                                     T_NAV_bIsMyBirdsEyeCursorView};

// A note about the stores keeps no keys: it may come while the start-up
// screens are up, and the unit goes on working without what was not kept.
constexpr U32 MAIN_STORE_NOTE_S = 15;
static void MAIN_vStoreNote(const char* const* ppText, const char* pcText) {
  T_MESSAGEBOX_vSetupInfoMessage(ppText != nullptr ? ppText[nCurrentLanguage()] : pcText, MAIN_STORE_NOTE_S);
}

void Main(void) {
  H_DATABASE_vInit();
  // Every setting has its factory value before any task reads one; stored
  // values and the user's choices replace them as they come.
  H_DBTABLE_vCreateSettings();
  H_RIGSERVE_vStart();
  srand((unsigned)time(nullptr));
  H_PLATFORM_vSetup();
  for (const MAILBOX_BINDING& b : s_aBindings) L_MBOX_DefineSema(b.mbox, b.sema);
  U_CONVERT_vInitialiseConversionUtility();
  LS_sync_vInit();

  T_STARTUP_vSetNeighbours(&s_startupNeighbours);
  U_VIEW_vSetNeighbours(&s_viewNeighbours);
  // Standby stops the pings until the unit wakes, not only the backlight.
  T_DISPLAY_vSetSonarStandby(T_N_PING_vSonarStandbyMode);
  // A short press of the remote's MARK marks as the unit's own Mark does.
  T_BTREMOTE_vSetMarkAction(T_NAV_vHandleMark);
  U_STOREFAULT_vSetNoteAction(MAIN_vStoreNote);
  T_MENU_vRegisterHooks();
  T_NAV_vRegisterHooks();
  T_NAV_GROUP_vRegisterHooks();
  L_TASK_Start(UARTTASK);
  L_TASK_Start(STARTTASK);
  // A start-up task that was left out never reports: Main then waits for ever.
  while (!__atomic_load_n(&bStartupTaskInitialized, __ATOMIC_ACQUIRE)) L_CLOCK_Sleep(1);

  for (TASK task : s_aLateTasks) L_TASK_Start(task);
  for (;;) L_CLOCK_Sleep(3600u * 1000u);
}
