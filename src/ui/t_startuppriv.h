// What the start-up task's three files share: the task's state that its draw
// functions read on the view task, and the first-start steps the task runs.
#pragma once

#include <atomic>

#include "basetypes.h"
#include "fourcharid.h"
#include "t_startup.h"
#include "u_menu.h"

// One row of the start-up menu.
typedef struct tag_STARTUP_MENU_ROW {
  MENU_TEXT pString;
  BOOLEAN bIsNormalDefault;
  BOOLEAN bIsSimulatedDefault;
  SYSTEM_STATE state;
} STARTUP_MENU_ROW;

constexpr S32 STARTUP_MENU_ROWS = 4;
extern const STARTUP_MENU_ROW g_asStartupMenu[STARTUP_MENU_ROWS];

// Written by the start-up task, read by the draw functions.
typedef struct tag_STARTUP_SHARED {
  std::atomic<U32> eState{STATE_NORMAL_RUN};       // the state being prepared, then the one set
  std::atomic<BOOLEAN> bTransducerConnected{TRUE};
  std::atomic<BOOLEAN> bInMenu{FALSE};              // the start-up menu is shown
  std::atomic<S32> s32MenuLine{0};
  std::atomic<BOOLEAN> bDisplayFullSplashScreen{TRUE};
  std::atomic<S64> s64BurnInStart{0};               // wall-clock seconds; 0 while the clock is still
  std::atomic<const char*> pcMapFlashText{""};
  std::atomic<BOOLEAN> bQuickConfigMenuDisplayed{FALSE};
  std::atomic<U32> u32QuickSetUpLanguageSet{0};     // SLNS when the quick set-up was shown
  std::atomic<BOOLEAN> bIceModel{FALSE};
} STARTUP_SHARED;
extern STARTUP_SHARED g_sStartup;

// The splash scene, drawn once; the first frame need not wait for it.
void STARTUP_vPrepareSplash(void);
// The owner's text as read from the NVR task (t_startupscreens.cpp keeps it).
void STARTUP_vSetPersonal(const char* pcPersonal, U32 u32Bytes);

// The NVR task is told to store a key (CMD_ID_WRITE_TO_NVR) or to keep it
// in its header (CMD_ID_WRITE_TO_HEADER); nothing while it has no mailbox.
void STARTUP_vTellNvr(CMD_ID eCmd, FOURCHARID id);
// The factory defaults, restored at most once per start.
void STARTUP_vRestoreFactoryDefaults(const char* pcWhy);

// The first-start steps (t_firststart.cpp).
void STARTUP_vCheckLanguage(void);
void STARTUP_vRegisterLanguageItem(void);
void STARTUP_vFirstStartAtInit(void);
void STARTUP_vFirstStartAtRun(void);
