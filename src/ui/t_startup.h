// The start-up task: it starts the early tasks, shows the splash screen and
// the first-start questions, offers the start-up menu, decides the system
// state and tells every task that the system runs.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "layer_id.h"
#include "system_state.h"
#include "u_menu.h"

void T_STARTUP_vMain(void);

// Set once the start-up task has finished its initialisation; Main waits for it.
extern volatile U8 bStartupTaskInitialized;

// TRUE in burn-in, else whether a transducer was found at start.
BOOLEAN T_STARTUP_bIsSonarTransducerDetected(void);

// The splash as a shown base view, and away again (the keyboard task's demo).
void T_STARTUP_vRegisterSplashScreen(void);
void T_STARTUP_vUnRegisterSplashScreen(void);

// Opens the quick set-up and notes it as shown. The menu task calls
// T_STARTUP_vRemoveQuickConfigMenu when the user leaves it: the menu
// mailbox's keys, the layer and the quick items go, and the set-up is
// recorded as done. A removal while none is shown changes nothing.
void T_STARTUP_vShowQuickConfigMenu(void);
void T_STARTUP_vRemoveQuickConfigMenu(void);

// Draw functions of this task's layers: the splash (1), the start-up menu
// (2), the note over every view (319), and the System Status view (151) with
// its data layer (258).
void T_STARTUP_vDisplaySplashScreen(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_STARTUP_vDisplayStartupMenu(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_STARTUP_vDrawTransducerNotDetected(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_STARTUP_vDrawSelfTestView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_STARTUP_vDrawSelfTestData(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);

// What this task asks of the subsystems above it, which hand their answers in
// before the task starts (the process's Main does). Until then a transducer
// counts as connected and the map flash has no text; each default is logged
// when it is used. A null table or entry restores that default.
typedef struct tag_T_STARTUP_NEIGHBOURS {
  BOOLEAN (*pfnTransducerConnected)(void);   // asked once, before the state is chosen
  const char* (*pfnMapFlashStateText)(void); // the burn-in note's line about the map flash
} T_STARTUP_NEIGHBOURS;
void T_STARTUP_vSetNeighbours(const T_STARTUP_NEIGHBOURS* pNeighbours);

// ---------------------------------------------------------------------------
// The decisions, apart from the task that acts on them.

// What is known about the transducer and the unit when the state is chosen.
typedef struct tag_STARTUP_FACTS {
  BOOLEAN bDetected;        // the detection's answer
  BOOLEAN bDemoKnown;       // SDEN could be read
  BOOLEAN bDemo;
  BOOLEAN bSonarKnown;      // SSEN could be read
  BOOLEAN bSonar;
  U32 u32Transducer;        // SSTS; 0xFFFFFFFF when it cannot be read
  U32 u32SerialUnit;        // SENU; 0xFFFFFFFF on a unit that has none yet
  BOOLEAN bIceModel;
} STARTUP_FACTS;

// The state prepared and what goes with it.
typedef struct tag_STARTUP_CHOICE {
  SYSTEM_STATE eState;
  BOOLEAN bConnected;       // the transducer counts as connected
  BOOLEAN bDetectedItem;    // the value of ITXD
  BOOLEAN bNote;            // the note over every view is shown
  BOOLEAN bBurnInClock;     // the burn-in clock starts now
  BOOLEAN bIceModeOff;      // SICE is switched off
  S32 s32NoteTimer;         // ms the note stays after the start; negative: no limit is counted
} STARTUP_CHOICE;

STARTUP_CHOICE T_STARTUP_sChooseState(const STARTUP_FACTS* pFacts);

// The stored language checked against the unit's set: u32Language when it
// belongs, else the set's first language (26 in the Asian set, else 0). A
// domestic unit's set is English and Spanish, whatever SLNS says.
U32 T_STARTUP_u32KeptLanguage(U32 u32Language, U32 u32Set, BOOLEAN bDomestic);

// The languages offered by the Language item: the Asian list for set 1, the
// international list on international models, else the domestic pair. Returns
// the count; the names and the values are constant tables.
U32 T_STARTUP_u32LanguageChoices(U32 u32Set, BOOLEAN bInternational, MENU_CHOICE_LIST* ppNames,
                                 const U32** ppu32Values);

// The time zones offered by the Local Time Zone items, named "UTC-05:00":
// the unit's seven home zones on a domestic model, else all 35. Returns the
// count; the values are minutes east of UTC and the tables are constant.
U32 T_STARTUP_u32TimeZoneChoices(BOOLEAN bDomestic, MENU_CHOICE_LIST* ppNames, const U32** ppu32Values);

// The owner's lines of the personal block: at most four, split at '|', a
// line that is the single byte 3 standing for an empty one, each cut to fit
// its row with its terminator. Reads at most u32Bytes (the text need not be
// terminated). Returns the number of lines.
constexpr U32 STARTUP_OWNER_LINES = 4;
constexpr U32 STARTUP_OWNER_LINE_BYTES = 64;
constexpr char STARTUP_OWNER_DELIMITER = '|';
U32 T_STARTUP_u32OwnerLines(const char* pcPersonal, U32 u32Bytes,
                            char aacLines[STARTUP_OWNER_LINES][STARTUP_OWNER_LINE_BYTES]);
