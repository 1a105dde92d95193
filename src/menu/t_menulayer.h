// The menus' draw layers: each describes what is open (under RES_MENU, or
// not at all when the mutex cannot be had within 100 ms) and hands the
// description to the panel renderer.
#pragma once

#include "g_types.h"
#include "t_menustore.h"
#include "u_menupanel.h"

// The express root, a floating menu or an info menu (EXPRESS_MENU_LAYER).
void T_MENULAYER_vDrawRoot(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// The main root (MAIN_MENU_LAYER).
void T_MENULAYER_vDrawMain(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// Every open sub-level, cascaded (SUB_MENU_LAYER).
void T_MENULAYER_vDrawSub(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// The quick set-up (QUICK_CONFIGURE_LAYER).
void T_MENULAYER_vDrawQuick(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// A displayed single-centred menu (CONFIRM_MENU_LAYER).
void T_MENULAYER_vDrawSingle(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);

// Texts a described panel points at, kept with it.
typedef struct tag_MENU_PANEL_TEXTS {
  char aacValue[MENU_PANEL_ROWS][96];
  const char* apcTabs[MENU_MAX_TABS];
  char acSubtitle[MENU_ALT_NAME_BYTES];
} MENU_PANEL_TEXTS;

// Describes open level u32Level as a panel (caller holds RES_MENU); FALSE
// when that level is not open.
BOOLEAN T_MENULAYER_bDescribe(U32 u32Level, unsigned nLanguage, MENU_PANEL* pPanel, MENU_PANEL_TEXTS* pTexts);
