// The menu task: its entry. Its functions for other threads are declared
// with its public face in u_menu.h.
#pragma once

#include "u_menu.h"

void T_MENU_vMain(void);
// Registers the menu task's hooks with the screen frame; once, before the
// tasks run.
void T_MENU_vRegisterHooks(void);

// What the top open level shows: for tests and benchmarks that follow the
// menus without reading pixels.
constexpr U32 MENU_SNAPSHOT_ROWS = 16;
typedef struct tag_MENU_SNAPSHOT {
  ACTIVE_MENU eMenu;                         // the value CMNU is given for what is open
  U32 u32Depth;                              // open sub-levels
  U32 u32Rows;                               // rows of the top level
  U32 u32Selected;                           // its selected row; 0xFFFFFFFF on the tab strip or with none
  const char* pcTitle;                       // English: the main menu's tab, a level's title, or null
  const char* apcLabels[MENU_SNAPSHOT_ROWS]; // English labels of its first rows
  char aacValues[MENU_SNAPSHOT_ROWS][96];    // their value texts as shown (current language)
  BOOLEAN abChecked[MENU_SNAPSHOT_ROWS];
} MENU_SNAPSHOT;
void T_MENU_vSnapshot(MENU_SNAPSHOT* pSnapshot);

// What the menus hold now, one line per visible row: its tab (or
// "@view.pane" for a view's express menu), the path of sub-menu entries to
// it joined by " > ", and the key it sets ("-" for none), tab-separated and
// in English. The length written, cut at size - 1.
size_t T_MENU_szMap(char* pcOut, size_t size);

// The value of key as the first menu row that sets it shows it now, in
// English: a choice's name, or a slider's number with its unit or the name
// of its end ("Auto"). FALSE, with pcOut untouched, when no row sets the key.
BOOLEAN T_MENU_bValueText(FOURCHARID key, char* pcOut, size_t size);
