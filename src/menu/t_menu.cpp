// The menu task keeps the menu items other tasks register, shows the open
// menus as draw layers, takes the keys while a menu is open, and writes the
// values items are bound to. It publishes which menu is open in CMNU.
//
// Every message is handled under RES_MENU, and so is every direct function.
// What must not run under it (actions, exit callbacks, check-box getters and
// setters, the message-box set-ups, the start-up task's close of the quick
// set-up) is collected while it is held and run after it is let go.

#include "t_menu.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "error.h"
#include "g_truetype.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_menulayer.h"
#include "t_menustore.h"
#include "t_menuvalue.h"
#include "t_messagebox.h"
#include "t_nvram.h"
#include "t_startup.h"
#include "t_view.h"
#include "u_keyboard.h"
#include "u_language.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State (under RES_MENU, but for the published hot view)

static BOOLEAN s_bRunning = FALSE;
static BOOLEAN s_bShutdown = FALSE;
static U32 s_u32Layers = 0;          // layers registered, by their place in s_aLayers
static BOOLEAN s_bKeysHeld = FALSE;
static U32 s_u32Published = 0xFFFFFFFF;
static BOOLEAN s_bExpedite = FALSE;   // a level opened or closed
static BOOLEAN s_bRedraw = FALSE;     // a move or an edit
static U32 s_u32PendingLanguage = 0xFFFFFFFF;
static std::atomic<U32> s_u32HotView{(U32)NO_VIEW_PRIORITY};

constexpr U32 MENU_NO_LANGUAGE = 0xFFFFFFFF;
constexpr PRIORITY MENU_MAIL_PRIORITY = 3;
constexpr U32 MENU_OPEN_KEYS = HKEY_MASK_VIEW | HKEY_MASK_MENU | HKEY_MASK_EXIT;
constexpr U32 MENU_ALL_KEYS = MENU_OPEN_KEYS | HKEY_MASK_CURSOR;
constexpr int MENU_REGISTER_TRIES = 2000;

static const struct {
  LAYER_ID layer;
  DRAW_FUNCTION* pfnDraw;
} s_aLayers[] = {
    {EXPRESS_MENU_LAYER, T_MENULAYER_vDrawRoot}, {MAIN_MENU_LAYER, T_MENULAYER_vDrawMain},
    {SUB_MENU_LAYER, T_MENULAYER_vDrawSub},      {QUICK_CONFIGURE_LAYER, T_MENULAYER_vDrawQuick},
    {CONFIRM_MENU_LAYER, T_MENULAYER_vDrawSingle},
};
constexpr U32 MENU_LAYER_QUICK = 1u << 3;

// What is run once RES_MENU is let go, in this order.
typedef struct tag_MENU_AFTER {
  MENU_ACTION pExit;                 // a closed floating menu's exit callback
  BOOLEAN bRemoveQuick;              // the start-up task takes the quick set-up away
  MENU_ACTION pAction;               // an action chosen without confirmation
  const char* pcActionName;          // English, for the log
  MENU_ACTION pConfirm;              // an action to confirm first
  const char* pcStatement;           // the confirmation's text
  const char* pcWarnTitle;           // a language-mode change to confirm
  BOOLEAN (*pSetter)(U32);
  U32 u32Context;
  BOOLEAN bPress;                    // the setter's key was a press (it clicks)
  BOOLEAN bRefreshChecks;
  BOOLEAN bRegisterIdleKey;
} MENU_AFTER;

static const char* MENU_pcRootName(MENU_ROOT eRoot) {
  static const char* const s_apcNames[] = {"none", "express", "main", "floating", "info", "quick"};
  return s_apcNames[eRoot];
}

// ---------------------------------------------------------------------------
// CMNU, layers, keys and redraws follow what is open

static ACTIVE_MENU MENU_eOpen(void) {
  const MENU_OPEN& o = g_sMenuOpen;
  switch (o.eRoot) {
    case MENU_ROOT_QUICK:
      return QUICK_SETUP_MENU;
    case MENU_ROOT_EXPRESS:
      return o.u32Depth > 0 ? EXPRESS_SUB_MENU : EXPRESS_MENU;
    case MENU_ROOT_MAIN:
      return o.u32Depth > 0 ? (ACTIVE_MENU)(MAIN_MENU + 1 + o.u32Depth) : MAIN_MENU;
    case MENU_ROOT_INFO:
      return INFO_MENU;
    case MENU_ROOT_FLOATING:
      return FLOATING_MENU;
    default:
      break;
  }
  if (o.bSingle && o.bSingleShown) return SINGLE_CENTERED_MENU;
  return o.eRecorded;
}

static U32 MENU_u32LayersNeeded(void) {
  const MENU_OPEN& o = g_sMenuOpen;
  U32 u32Needed = 0;
  if (o.eRoot == MENU_ROOT_EXPRESS || o.eRoot == MENU_ROOT_FLOATING || o.eRoot == MENU_ROOT_INFO) u32Needed |= 1u;
  if (o.eRoot == MENU_ROOT_MAIN) u32Needed |= 1u << 1;
  if (o.u32Depth > 0) u32Needed |= 1u << 2;
  if (o.eRoot == MENU_ROOT_QUICK) u32Needed |= MENU_LAYER_QUICK;
  if (o.bSingle && o.bSingleShown) u32Needed |= 1u << 4;
  return u32Needed;
}

static void MENU_vSettleLayers(void) {
  const U32 u32Needed = MENU_u32LayersNeeded();
  for (U32 i = 0; i < sizeof s_aLayers / sizeof s_aLayers[0]; i++) {
    const U32 bit = 1u << i;
    if ((u32Needed & bit) && !(s_u32Layers & bit)) {
      if (U_VIEW_bRegisterLayer(s_aLayers[i].pfnDraw, s_aLayers[i].layer, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                                nullptr)) {
        s_u32Layers |= bit;
      }
    } else if (!(u32Needed & bit) && (s_u32Layers & bit)) {
      U_VIEW_bUnRegisterLayer(s_aLayers[i].layer);
      s_u32Layers &= ~bit;
    }
  }
}

static void MENU_vSettleKeys(void) {
  const MENU_OPEN& o = g_sMenuOpen;
  const BOOLEAN bNeeded = o.eRoot != MENU_ROOT_NONE || (o.bSingle && o.bSingleShown);
  if (bNeeded && !s_bKeysHeld) {
    s_bKeysHeld = U_KEYBOARD_bRegisterKeys(M_MENU, MENU_OPEN_KEYS, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_MENU) &&
                  U_KEYBOARD_bRegisterKeys(M_MENU, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_MENU);
  } else if (!bNeeded && s_bKeysHeld) {
    // The menu's nodes are the first of this mailbox in every list, so the
    // idle MENU node stays.
    U_KEYBOARD_bUnregisterKeys(M_MENU, MENU_ALL_KEYS);
    s_bKeysHeld = FALSE;
  }
}

// Brings layers, keys, CMNU and the screen in line with what is open.
static void MENU_vSettle(void) {
  MENU_vSettleLayers();
  MENU_vSettleKeys();
  const U32 u32Open = MENU_eOpen();
  if (u32Open != s_u32Published) {
    s_u32Published = u32Open;
    H_DATABASE_bUpdateValueU32(FCID("CMNU"), u32Open, P_NORMAL);
    log_me("[%d]%s: CMNU %u", __LINE__, __func__, (unsigned)u32Open);
  }
  const MENU_OPEN& o = g_sMenuOpen;
  s_u32HotView = o.eRoot == MENU_ROOT_EXPRESS ? (U32)o.eHotView : (U32)NO_VIEW_PRIORITY;
  if (s_bExpedite) {
    T_VIEW_vRequestExpeditedViewUpdate();
  } else if (s_bRedraw) {
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  }
  s_bExpedite = FALSE;
  s_bRedraw = FALSE;
}

// ---------------------------------------------------------------------------
// Opening and closing

static void MENU_vForgetSingle(void) {
  MENU_OPEN& o = g_sMenuOpen;
  if (o.bSingle && o.bSingleShown) s_bExpedite = TRUE;
  o.bSingle = FALSE;
  o.bSingleShown = FALSE;
}

// Every open root and level but the quick set-up.
static void MENU_vCloseAll(MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  MENU_vForgetSingle();
  if (o.eRoot == MENU_ROOT_NONE || o.eRoot == MENU_ROOT_QUICK) return;
  if (o.eRoot == MENU_ROOT_FLOATING) {
    const MENU_CONTAINER* c = T_MENUSTORE_pContainer(o.u16Floating);
    if (c != nullptr && c->eKind == MENU_BOX_FLOATING) pAfter->pExit = c->pExit;
  }
  o.eRoot = MENU_ROOT_NONE;
  o.u32Depth = 0;
  s_bExpedite = TRUE;
  log_me("[%d]%s: close", __LINE__, __func__);
}

static void MENU_vResetLevel(U32 u32Level, MENU_LEVEL_KIND eKind, U16 u16Container) {
  MENU_LEVEL& l = g_sMenuOpen.aLevels[u32Level];
  memset(&l, 0, sizeof l);
  l.eKind = eKind;
  l.u16Container = u16Container;
  l.u16Item = MENU_NONE;
}

// Closes what is open and makes eRoot the root; FALSE (logged) over the quick set-up.
static BOOLEAN MENU_bBeginRoot(MENU_ROOT eRoot, const char* pcWhat, MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  if (o.eRoot == MENU_ROOT_QUICK) {
    log_me("[%d]%s: dropped open %s %s over the quick set-up", __LINE__, __func__, MENU_pcRootName(eRoot), pcWhat);
    return FALSE;
  }
  MENU_vCloseAll(pAfter);
  o.eRoot = eRoot;
  o.u32Depth = 0;
  MENU_vResetLevel(0, MENU_LEVEL_ITEMS, MENU_NONE);
  s_bExpedite = TRUE;
  log_me("[%d]%s: open %s %s", __LINE__, __func__, MENU_pcRootName(eRoot), pcWhat);
  return TRUE;
}

// The pane whose express menu a view shows: the active one when it has an
// express menu, else the full screen's.
static SPLIT_WINDOW_TYPE MENU_ePane(LAYER_ID eView) {
  const SPLIT_WINDOW_TYPE eActive = U_VIEW_eCurrentSplit();
  if (T_MENUSTORE_u16Find(MENU_BOX_EXPRESS, nullptr, eView, eActive) != MENU_NONE) return eActive;
  return SPLIT_FULL_WINDOW;
}

static BOOLEAN MENU_bOpenExpress(LAYER_ID eView, MENU_AFTER* pAfter) {
  const SPLIT_WINDOW_TYPE ePane = MENU_ePane(eView);
  const U16 u16Box = T_MENUSTORE_u16Find(MENU_BOX_EXPRESS, nullptr, eView, ePane);
  // The views-selection menu is no real view: the items for every view stay off it.
  const BOOLEAN bMerge = eView != VIRTUAL_DISPLAY_VIEW_LAYER;
  U16 u16First;
  char acWhat[24];
  snprintf(acWhat, sizeof acWhat, "%d", (int)eView);
  if (T_MENUSTORE_u32Rows(u16Box, bMerge, 0, &u16First, 1) == 0) {
    log_me("[%d]%s: dropped open express %s: no rows", __LINE__, __func__, acWhat);
    return FALSE;
  }
  if (!MENU_bBeginRoot(MENU_ROOT_EXPRESS, acWhat, pAfter)) return FALSE;
  MENU_OPEN& o = g_sMenuOpen;
  MENU_vResetLevel(0, MENU_LEVEL_ITEMS, u16Box);
  o.aLevels[0].bMergeAllViews = bMerge;
  o.eHotView = eView;
  o.eHotSplit = ePane;
  return TRUE;
}

static BOOLEAN MENU_bOpenMain(MENU_AFTER* pAfter) {
  U16 au16Tabs[MENU_MAX_TABS];
  const U32 n = T_MENUSTORE_u32Tabs(au16Tabs, MENU_MAX_TABS);
  if (n == 0) return FALSE;
  MENU_OPEN& o = g_sMenuOpen;
  U16 u16Tab = au16Tabs[0];
  for (U32 i = 0; i < n; i++) {
    if (au16Tabs[i] == o.u16LastTab) u16Tab = o.u16LastTab;
  }
  if (!MENU_bBeginRoot(MENU_ROOT_MAIN, T_MENUSTORE_pcEnglish(T_MENUSTORE_pContainer(u16Tab)->pName), pAfter)) {
    return FALSE;
  }
  o.u16Tab = u16Tab;
  o.u16LastTab = u16Tab;
  o.bTabFocus = TRUE;
  MENU_vResetLevel(0, MENU_LEVEL_ITEMS, u16Tab);
  return TRUE;
}

static void MENU_vOpenFloating(MENU_TEXT pTitle, MENU_AFTER* pAfter) {
  const U16 u16Box = T_MENUSTORE_u16Find(MENU_BOX_FLOATING, pTitle, NO_VIEW_PRIORITY, NO_SPLIT_WINDOW);
  U16 u16First;
  if (u16Box == MENU_NONE || T_MENUSTORE_u32Rows(u16Box, FALSE, 0, &u16First, 1) == 0) {
    log_me("[%d]%s: dropped open floating %s: no such menu or no rows", __LINE__, __func__,
           T_MENUSTORE_pcEnglish(pTitle));
    return;
  }
  if (!MENU_bBeginRoot(MENU_ROOT_FLOATING, T_MENUSTORE_pcEnglish(pTitle), pAfter)) return;
  g_sMenuOpen.u16Floating = u16Box;
  MENU_vResetLevel(0, MENU_LEVEL_ITEMS, u16Box);
}

static void MENU_vOpenInfo(const MSG_MENU_REQUEST* r, MENU_AFTER* pAfter) {
  if (r->u8InfoCount == 0) {
    log_me("[%d]%s: dropped open info %s: no entries", __LINE__, __func__, T_MENUSTORE_pcEnglish(r->pContainerName));
    return;
  }
  if (!MENU_bBeginRoot(MENU_ROOT_INFO, T_MENUSTORE_pcEnglish(r->pContainerName), pAfter)) return;
  MENU_OPEN& o = g_sMenuOpen;
  o.pInfoTitle = r->pContainerName;
  o.bInfoAltName = r->bDisplayAltName && r->bHasAltName;
  memset(o.acInfoAltName, 0, sizeof o.acInfoAltName);
  if (r->bHasAltName) memcpy(o.acInfoAltName, r->acAltName, MENU_ALT_NAME_BYTES - 2);
  o.u8InfoCount = r->u8InfoCount <= MENU_MAX_INFO_ITEMS ? r->u8InfoCount : (U8)MENU_MAX_INFO_ITEMS;
  memcpy(o.aInfo, r->aInfoItems, o.u8InfoCount * sizeof(M_INFO_MENU_ITEM));
  MENU_vResetLevel(0, MENU_LEVEL_INFO, MENU_NONE);
}

// Opens what an entry or action list leads to as the next level; FALSE
// when it cannot open (too deep, already open on the stack, nothing in it).
static BOOLEAN MENU_bOpenSub(U16 u16Entry, MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  const MENU_ITEM* pEntry = T_MENUSTORE_pItem(u16Entry);
  const U32 u32Level = o.u32Depth + 1;
  if (u32Level >= MENU_MAX_LEVELS || !T_MENUSTORE_bItemShown(pEntry, o.u32Depth)) return FALSE;
  if (pEntry->value.eKind == MENU_ITEM_ACTION_LIST) {
    MENU_vResetLevel(u32Level, MENU_LEVEL_ENTRIES, MENU_NONE);
  } else {
    const U16 u16Box = T_MENUSTORE_u16Find(MENU_BOX_SUB, pEntry->pSubMenu, NO_VIEW_PRIORITY, NO_SPLIT_WINDOW);
    for (U32 i = 0; i < u32Level; i++) {
      if (o.aLevels[i].eKind == MENU_LEVEL_ITEMS && o.aLevels[i].u16Container == u16Box) return FALSE;
    }
    MENU_vResetLevel(u32Level, MENU_LEVEL_ITEMS, u16Box);
    pAfter->bRefreshChecks = TRUE;
  }
  o.aLevels[u32Level].u16Item = u16Entry;
  o.u32Depth = u32Level;
  s_bExpedite = TRUE;
  log_me("[%d]%s: open sub %s", __LINE__, __func__, T_MENUSTORE_pcEnglish(pEntry->pName));
  return TRUE;
}

// After the store or the user level changed: a level left without rows
// closes, and so does a sub-level whose entry is gone.
static void MENU_vRevalidate(MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  U16 au16Rows[MENU_MAX_ITEMS];
  if (o.eRoot == MENU_ROOT_NONE || o.eRoot == MENU_ROOT_QUICK) return;
  if (o.eRoot == MENU_ROOT_MAIN) {
    U16 au16Tabs[MENU_MAX_TABS];
    const U32 n = T_MENUSTORE_u32Tabs(au16Tabs, MENU_MAX_TABS);
    BOOLEAN bFound = FALSE;
    for (U32 i = 0; i < n; i++) bFound = bFound || au16Tabs[i] == o.u16Tab;
    if (n == 0) return MENU_vCloseAll(pAfter);
    if (!bFound) {
      o.u16Tab = o.u16LastTab = au16Tabs[0];
      o.bTabFocus = TRUE;
      o.u32Depth = 0;
      MENU_vResetLevel(0, MENU_LEVEL_ITEMS, o.u16Tab);
      s_bExpedite = TRUE;
    }
    if (T_MENUSTORE_u32LevelRows(0, au16Rows, MENU_MAX_ITEMS) == 0) o.bTabFocus = TRUE;
  } else if (T_MENUSTORE_u32LevelRows(0, au16Rows, MENU_MAX_ITEMS) == 0) {
    return MENU_vCloseAll(pAfter);
  }
  for (U32 i = 1; i <= o.u32Depth; i++) {
    const MENU_ITEM* pEntry = T_MENUSTORE_pItem(o.aLevels[i].u16Item);
    const U16 u16Expected = o.aLevels[i].eKind == MENU_LEVEL_ITEMS ? o.aLevels[i].u16Container : MENU_NONE;
    BOOLEAN bGone = pEntry == nullptr || !pEntry->bUsed || T_MENUSTORE_u32LevelRows(i, au16Rows, MENU_MAX_ITEMS) == 0;
    if (!bGone && u16Expected != MENU_NONE) {
      bGone = T_MENUSTORE_u16Find(MENU_BOX_SUB, pEntry->pSubMenu, NO_VIEW_PRIORITY, NO_SPLIT_WINDOW) != u16Expected;
    }
    if (bGone) {
      o.u32Depth = i - 1;
      s_bExpedite = TRUE;
      break;
    }
  }
}

// ---------------------------------------------------------------------------
// Actions

// Confirmations that ask a question of their own: an item's name alone, as
// the statement of its confirmation, does not say what Yes will do.
static const struct {
  MENU_TEXT pName;
  MENU_TEXT pQuestion;
} s_aQuestions[] = {
    {Restore_Defaults, Restore_factory_defaults_Q},
};

static MENU_TEXT MENU_pQuestion(MENU_TEXT pName) {
  for (const auto& q : s_aQuestions) {
    if (q.pName == pName) return q.pQuestion;
  }
  return pName;
}

static int MENU_nRun(MENU_TEXT pName, M_ACTION_PARAMETERS action, MENU_AFTER* pAfter) {
  if (action.p2Function == nullptr) return -1;
  if (action.bConfirm) {
    pAfter->pConfirm = action.p2Function;
    pAfter->pcStatement = T_MENUSTORE_pcText(MENU_pQuestion(pName), nCurrentLanguage());
    pAfter->pcActionName = T_MENUSTORE_pcEnglish(pName);
    return 0;
  }
  // An action that opens a screen of its own, or a menu, finds none left open.
  MENU_vCloseAll(pAfter);
  pAfter->pAction = action.p2Function;
  pAfter->pcActionName = T_MENUSTORE_pcEnglish(pName);
  return 0;
}

static BOOLEAN MENU_bAsian(U32 u32Language) { return u32Language >= LANGUAGE_FIRST_WIDE; }

// A step of a value; a language of the other set waits for confirmation.
static int MENU_nEdit(const MENU_VALUE* pValue, MENU_TEXT pName, int nDirection, U32 u32Steps, BOOLEAN bLoop,
                      MENU_AFTER* pAfter) {
  MENU_WRITE write;
  if (!T_MENUVALUE_bNext(pValue, nDirection, u32Steps, bLoop, &write)) return -1;
  if (write.key == FCID("SLNG")) {
    U32 u32Set = 0;
    H_DATABASE_bFetchU32(FCID("SLNS"), &u32Set, nullptr, nullptr);
    if (MENU_bAsian(write.value.u32Val) != (u32Set == 1)) {
      s_u32PendingLanguage = write.value.u32Val;
      pAfter->pcWarnTitle = T_MENUSTORE_pcText(pName, nCurrentLanguage());
      return 1;
    }
  }
  s_bRedraw = TRUE;
  return T_MENUVALUE_bWrite(&write) ? 1 : -1;
}

// ---------------------------------------------------------------------------
// Keys

static const char* MENU_pcKeyName(U32 u32Key, CURSOR_POSITION eCursor) {
  static const char* const s_apcCursor[] = {"?", "NORTH", "NORTH-EAST", "EAST", "SOUTH-EAST", "SOUTH",
                                            "SOUTH-WEST", "WEST", "NORTH-WEST", "CURSOR", "CURSOR"};
  switch (u32Key) {
    case HKEY_MASK_MENU:
      return "MENU";
    case HKEY_MASK_EXIT:
      return "EXIT";
    case HKEY_MASK_VIEW:
      return "VIEW";
    case HKEY_MASK_POWER:
      return "POWER";
    case HKEY_MASK_CURSOR:
      return (U32)eCursor <= CURSOR_ILLEGAL ? s_apcCursor[eCursor] : "CURSOR";
    default:
      return "?";
  }
}

static int MENU_nDirection(CURSOR_POSITION eCursor) {
  if (eCursor == CURSOR_EAST || eCursor == CURSOR_SOUTH) return 1;
  if (eCursor == CURSOR_WEST || eCursor == CURSOR_NORTH) return -1;
  return 0;
}

static void MENU_vSelectTab(U16 u16Tab) {
  MENU_OPEN& o = g_sMenuOpen;
  o.u16Tab = o.u16LastTab = u16Tab;
  MENU_vResetLevel(0, MENU_LEVEL_ITEMS, u16Tab);
}

// The main menu's tab strip has the focus.
static int MENU_nTabKey(CURSOR_POSITION eCursor) {
  MENU_OPEN& o = g_sMenuOpen;
  U16 au16Rows[MENU_MAX_ITEMS];
  if (eCursor == CURSOR_EAST || eCursor == CURSOR_WEST) {
    U16 au16Tabs[MENU_MAX_TABS];
    const U32 n = T_MENUSTORE_u32Tabs(au16Tabs, MENU_MAX_TABS);
    if (n <= 1) return -1;
    U32 at = 0;
    for (U32 i = 0; i < n; i++) {
      if (au16Tabs[i] == o.u16Tab) at = i;
    }
    MENU_vSelectTab(au16Tabs[(at + n + (U32)MENU_nDirection(eCursor)) % n]);
    s_bRedraw = TRUE;
    return 1;
  }
  const U32 n = T_MENUSTORE_u32LevelRows(0, au16Rows, MENU_MAX_ITEMS);
  if (n == 0 || (eCursor != CURSOR_SOUTH && eCursor != CURSOR_NORTH)) return -1;
  o.bTabFocus = FALSE;
  T_MENUSTORE_vSelect(0, au16Rows, n, eCursor == CURSOR_SOUTH ? 0 : n - 1);
  s_bRedraw = TRUE;
  return 1;
}

// North and south in the top level, wrapping; in the main root the tab
// strip is the row above the first.
static int MENU_nMove(int nDirection) {
  MENU_OPEN& o = g_sMenuOpen;
  const U32 u32Level = o.u32Depth;
  U16 au16Rows[MENU_MAX_ITEMS];
  const U32 n = T_MENUSTORE_u32LevelRows(u32Level, au16Rows, MENU_MAX_ITEMS);
  const U32 sel = T_MENUSTORE_u32Selected(u32Level, au16Rows, n);
  if (o.eRoot == MENU_ROOT_MAIN && u32Level == 0) {
    if (n == 0) return -1;
    if ((nDirection > 0 && sel + 1 == n) || (nDirection < 0 && sel == 0)) {
      o.bTabFocus = TRUE;
    } else {
      T_MENUSTORE_vSelect(0, au16Rows, n, sel + (U32)nDirection);
    }
    s_bRedraw = TRUE;
    return 1;
  }
  if (n <= 1) return -1;
  T_MENUSTORE_vSelect(u32Level, au16Rows, n, (sel + n + (U32)nDirection) % n);
  s_bRedraw = TRUE;
  return 1;
}

// East or west on the selected row of the top level.
static int MENU_nRowKey(int nDirection, BOOLEAN bPress, U32 u32Steps, MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  const U32 u32Level = o.u32Depth;
  const MENU_LEVEL& l = o.aLevels[u32Level];
  U16 au16Rows[MENU_MAX_ITEMS];
  const U32 n = T_MENUSTORE_u32LevelRows(u32Level, au16Rows, MENU_MAX_ITEMS);
  const U32 sel = T_MENUSTORE_u32Selected(u32Level, au16Rows, n);
  if (sel == MENU_NO_ROW) return -1;
  if (l.eKind != MENU_LEVEL_ITEMS) {
    if (nDirection < 0) return -1;
    if (!bPress) return 0;
    if (l.eKind == MENU_LEVEL_INFO) return MENU_nRun(o.aInfo[sel].pName, o.aInfo[sel].action, pAfter);
    const MENU_ITEM* pList = T_MENUSTORE_pItem(l.u16Item);
    if (pList == nullptr) return -1;
    const M_ACTION_PARAMETERS action = {pList->ppFunctions != nullptr ? pList->ppFunctions[sel] : nullptr,
                                        pList->pbConfirm != nullptr ? pList->pbConfirm[sel] : (BOOLEAN)FALSE};
    return MENU_nRun(pList->value.pChoices[sel], action, pAfter);
  }
  const U16 u16Item = au16Rows[sel];
  MENU_ITEM* pItem = T_MENUSTORE_pItem(u16Item);
  switch (pItem->value.eKind) {
    case MENU_ITEM_SELECTOR:
    case MENU_ITEM_SLIDER:
    case MENU_ITEM_PROGRESS_BAR:
    case MENU_ITEM_VAR_STEP_SLIDER:
      return MENU_nEdit(&pItem->value, pItem->pName, nDirection, u32Steps, FALSE, pAfter);
    default:
      break;
  }
  if (nDirection < 0) return -1;
  if (!bPress) return 0;
  switch (pItem->value.eKind) {
    case MENU_ITEM_ACTION:
      return MENU_nRun(pItem->pName, pItem->action, pAfter);
    case MENU_ITEM_CHECK_BOX:
      if (pItem->pSetter == nullptr) return -1;
      pAfter->pSetter = pItem->pSetter;
      pAfter->u32Context = pItem->u32Context;
      pAfter->bPress = bPress;
      return 0;
    default:
      return MENU_bOpenSub(u16Item, pAfter) ? 1 : -1;
  }
}

// A key while a menu panel is open.
static int MENU_nPanelKey(U32 u32Key, CURSOR_POSITION eCursor, BOOLEAN bPress, U32 u32Steps, MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  switch (u32Key) {
    case HKEY_MASK_MENU:
      if (o.eRoot == MENU_ROOT_QUICK) return -1;
      if (o.eRoot == MENU_ROOT_EXPRESS && MENU_bOpenMain(pAfter)) return 1;
      MENU_vCloseAll(pAfter);
      return 1;
    case HKEY_MASK_EXIT:
      if (o.u32Depth > 0) {
        o.u32Depth--;
        s_bExpedite = TRUE;
        return 1;
      }
      if (o.eRoot == MENU_ROOT_QUICK) {
        o.eRoot = MENU_ROOT_NONE;
        // The start-up task gives the keys and the layer back.
        s_bKeysHeld = FALSE;
        s_u32Layers &= ~MENU_LAYER_QUICK;
        pAfter->bRemoveQuick = TRUE;
        log_me("[%d]%s: close", __LINE__, __func__);
        return 1;
      }
      MENU_vCloseAll(pAfter);
      return 1;
    case HKEY_MASK_CURSOR:
      break;
    default:
      return -1;
  }
  if (o.eRoot == MENU_ROOT_MAIN && o.u32Depth == 0 && o.bTabFocus) return MENU_nTabKey(eCursor);
  switch (eCursor) {
    case CURSOR_NORTH:
    case CURSOR_SOUTH:
      return MENU_nMove(MENU_nDirection(eCursor));
    case CURSOR_EAST:
    case CURSOR_WEST:
      return MENU_nRowKey(MENU_nDirection(eCursor), bPress, u32Steps, pAfter);
    default:
      return -1;
  }
}

static int MENU_nSingleKey(U32 u32Key, CURSOR_POSITION eCursor, U32 u32Steps, MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  if (u32Key == HKEY_MASK_EXIT || u32Key == HKEY_MASK_MENU) {
    MENU_vForgetSingle();
    return 1;
  }
  if (u32Key != HKEY_MASK_CURSOR || (eCursor != CURSOR_EAST && eCursor != CURSOR_WEST)) return -1;
  return MENU_nEdit(&o.sSingle.value, o.sSingle.pTitle, MENU_nDirection(eCursor), u32Steps, o.sSingle.bLoop, pAfter);
}

// MENU with nothing open: the express menu of the view on screen, else the main menu.
static int MENU_nIdleMenu(MENU_AFTER* pAfter) {
  if (!s_bRunning) return -1;
  if (MENU_bOpenExpress(U_VIEW_eCurrentView(), pAfter)) return 1;
  return MENU_bOpenMain(pAfter) ? 1 : -1;
}

static void MENU_vHandleKey(const MSG_KEY_CHANGE* pKey, MENU_AFTER* pAfter) {
  if (pKey->state != KEY_DOWN) return;
  const MENU_OPEN& o = g_sMenuOpen;
  const BOOLEAN bPress = pKey->count <= 1;
  const U32 u32Steps = pKey->count > 10 ? 5 : 1;
  int nResult = 0;
  if (pKey->header.msghdr.task != KBDTASK) {
    // A remote's key never edits the row under the user's cursor.
    if (o.bSingle) nResult = MENU_nSingleKey(pKey->key, pKey->cursor, u32Steps, pAfter);
  } else if (o.eRoot != MENU_ROOT_NONE) {
    nResult = MENU_nPanelKey(pKey->key, pKey->cursor, bPress, u32Steps, pAfter);
  } else if (o.bSingle && o.bSingleShown) {
    nResult = MENU_nSingleKey(pKey->key, pKey->cursor, u32Steps, pAfter);
  } else if (pKey->key == HKEY_MASK_MENU) {
    nResult = MENU_nIdleMenu(pAfter);
  } else if (o.bSingle) {
    nResult = MENU_nSingleKey(pKey->key, pKey->cursor, u32Steps, pAfter);
  }
  if (nResult < 0) log_me("[%d]%s: key %s refused", __LINE__, __func__, MENU_pcKeyName(pKey->key, pKey->cursor));
  if (bPress && nResult != 0) L_SEMA_Signal(nResult > 0 ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
}

// ---------------------------------------------------------------------------
// Requests

typedef struct tag_MENU_ITEM_REQUEST {
  MENU_REQUEST_KIND eRequest;
  MENU_CONTAINER_KIND eBox;
  MENU_ITEM_KIND eItem;
} MENU_ITEM_REQUEST;

// The requests that register an item: where it goes and what it is.
static const MENU_ITEM_REQUEST s_aItemRequests[] = {
    {MENU_REQ_MAIN_SELECTOR, MENU_BOX_TAB, MENU_ITEM_SELECTOR},
    {MENU_REQ_MAIN_SLIDER, MENU_BOX_TAB, MENU_ITEM_SLIDER},
    {MENU_REQ_MAIN_PROGRESS_BAR, MENU_BOX_TAB, MENU_ITEM_PROGRESS_BAR},
    {MENU_REQ_MAIN_ACTION, MENU_BOX_TAB, MENU_ITEM_ACTION},
    {MENU_REQ_MAIN_ACTION_LIST, MENU_BOX_TAB, MENU_ITEM_ACTION_LIST},
    {MENU_REQ_MAIN_SUB_MENU, MENU_BOX_TAB, MENU_ITEM_SUB_MENU},
    {MENU_REQ_SUB_SUB_MENU, MENU_BOX_SUB, MENU_ITEM_SUB_MENU},
    {MENU_REQ_SUB_ACTION, MENU_BOX_SUB, MENU_ITEM_ACTION},
    {MENU_REQ_SUB_SELECTOR, MENU_BOX_SUB, MENU_ITEM_SELECTOR},
    {MENU_REQ_SUB_SLIDER, MENU_BOX_SUB, MENU_ITEM_SLIDER},
    {MENU_REQ_SUB_CHECK_BOX, MENU_BOX_SUB, MENU_ITEM_CHECK_BOX},
    {MENU_REQ_HOT_SELECTOR, MENU_BOX_EXPRESS, MENU_ITEM_SELECTOR},
    {MENU_REQ_HOT_SLIDER, MENU_BOX_EXPRESS, MENU_ITEM_SLIDER},
    {MENU_REQ_HOT_ACTION, MENU_BOX_EXPRESS, MENU_ITEM_ACTION},
    {MENU_REQ_HOT_ACTION_LIST, MENU_BOX_EXPRESS, MENU_ITEM_ACTION_LIST},
    {MENU_REQ_HOT_SUB_MENU_NO_ARROW, MENU_BOX_EXPRESS, MENU_ITEM_SUB_MENU_NO_ARROW},
    {MENU_REQ_HOT_SUB_ACTION, MENU_BOX_SUB, MENU_ITEM_ACTION},
    {MENU_REQ_QUICK_SELECTOR, MENU_BOX_QUICK, MENU_ITEM_SELECTOR},
    {MENU_REQ_QUICK_VAR_STEP_SLIDER, MENU_BOX_QUICK, MENU_ITEM_VAR_STEP_SLIDER},
    {MENU_REQ_FLOATING_ACTION, MENU_BOX_FLOATING, MENU_ITEM_ACTION},
    {MENU_REQ_FLOATING_ACTION_EXT, MENU_BOX_FLOATING, MENU_ITEM_ACTION},
};

// The requests that remove items by name, and where from.
static const struct {
  MENU_REQUEST_KIND eRequest;
  MENU_CONTAINER_KIND eBox;
} s_aRemoveRequests[] = {
    {MENU_REQ_UNREGISTER_MAIN_ITEM, MENU_BOX_TAB},       {MENU_REQ_UNREGISTER_SUB_ITEM, MENU_BOX_SUB},
    {MENU_REQ_UNREGISTER_HOT_ITEM, MENU_BOX_EXPRESS},    {MENU_REQ_UNREGISTER_QUICK_ITEM, MENU_BOX_QUICK},
    {MENU_REQ_UNREGISTER_FLOATING_ITEM, MENU_BOX_FLOATING},
};

static const MENU_CONTAINER_KIND* MENU_peRemoveRequest(MENU_REQUEST_KIND eKind) {
  for (const auto& r : s_aRemoveRequests) {
    if (r.eRequest == eKind) return &r.eBox;
  }
  return nullptr;
}

static const MENU_ITEM_REQUEST* MENU_pItemRequest(MENU_REQUEST_KIND eKind) {
  for (const MENU_ITEM_REQUEST& r : s_aItemRequests) {
    if (r.eRequest == eKind) return &r;
  }
  return nullptr;
}

// A menu that sets a key offers only what the key table takes: the store
// would drop anything else at the next start.
static void MENU_vCheckOffers(const MENU_VALUE* v, MENU_TEXT pName) {
  if (v->key == 0 || H_DBTABLE_pRow(v->key) == nullptr) return;
  const char* pcName = T_MENUSTORE_pcEnglish(pName);
  if (v->eKind == MENU_ITEM_SELECTOR && v->pValues != nullptr) {
    for (U32 i = 0; i < v->u32Count; i++) H_DBTABLE_vCheckOffered(v->key, H_DBTABLE_eCheck(v->key, v->pValues[i]), pcName);
  }
  if (v->eKind == MENU_ITEM_SLIDER || v->eKind == MENU_ITEM_VAR_STEP_SLIDER || v->eKind == MENU_ITEM_PROGRESS_BAR) {
    for (U32 i = 0; i < v->u8Limits; i++) {
      const MENU_LIMITS& l = v->aLimits[i];
      H_DBTABLE_vCheckOffered(v->key, H_DBTABLE_eCheckShownSpan(v->key, l.Units, l.fMinimum, l.fMaximum), pcName);
    }
  }
}

// The value part of a request, its copies read only as far as their counts.
static void MENU_vValueFrom(const MSG_MENU_REQUEST* r, MENU_ITEM_KIND eKind, MENU_VALUE* v) {
  memset(v, 0, sizeof *v);
  v->eKind = eKind;
  v->key = r->FourCharId;
  v->u32Count = r->u32Count;
  v->pChoices = r->pChoiceList;
  v->pValues = r->pu32Values;
  v->pLeft = r->pControlTextLeft;
  v->pRight = r->pControlTextRight;
  v->pSuffix = r->pValueSuffix;
  v->u8Limits = r->u8LimitCount <= MENU_MAX_LIMITS ? r->u8LimitCount : (U8)MENU_MAX_LIMITS;
  v->u8Steps = r->u8StepCount <= MENU_MAX_LIMITS ? r->u8StepCount : (U8)MENU_MAX_LIMITS;
  memcpy(v->aLimits, r->aLimits, v->u8Limits * sizeof(MENU_LIMITS));
  memcpy(v->aSteps, r->aStepLevels, v->u8Steps * sizeof(MENU_STEP_LEVELS));
  MENU_vCheckOffers(v, r->pItemName != nullptr ? r->pItemName : r->pContainerName);
}

static U16 MENU_u16Box(const MSG_MENU_REQUEST* r, MENU_CONTAINER_KIND eBox, BOOLEAN bMake) {
  MENU_TEXT pName = r->pContainerName;
  if (eBox == MENU_BOX_QUICK) return MENU_QUICK_LIST;
  if (eBox == MENU_BOX_EXPRESS && r->eView == USED_BY_ALL) return MENU_ALL_VIEWS_LIST;
  if (eBox == MENU_BOX_EXPRESS) pName = nullptr;
  return bMake ? T_MENUSTORE_u16Get(eBox, pName, r->eView, r->eSplit)
               : T_MENUSTORE_u16Find(eBox, pName, r->eView, r->eSplit);
}

static void MENU_vRegisterItem(const MSG_MENU_REQUEST* r, const MENU_ITEM_REQUEST* pWhat) {
  MENU_ITEM item;
  memset(&item, 0, sizeof item);
  item.pName = r->pItemName;
  item.u32Priority = r->u32Priority;
  item.eLevel = r->eUserLevel;
  item.pIcon = r->pIcon;
  item.pIconRight = r->pIconRight;
  MENU_vValueFrom(r, pWhat->eItem, &item.value);
  item.ppFunctions = r->ppFunctions;
  item.pbConfirm = r->pbConfirm;
  item.action = r->action;
  item.u32Context = r->u32Context;
  item.pGetter = r->pGetter;
  item.pSetter = r->pSetter;
  if (pWhat->eItem == MENU_ITEM_SUB_MENU || pWhat->eItem == MENU_ITEM_SUB_MENU_NO_ARROW) {
    item.pSubMenu = r->pSubMenuName != nullptr ? r->pSubMenuName : r->pItemName;
    static BOOLEAN s_bLogged = FALSE;
    if (r->u32Count > 1 && !s_bLogged) {
      log_me("[%d]%s: %s: sub-menu names after the first ignored", __LINE__, __func__,
             T_MENUSTORE_pcEnglish(r->pItemName));
      s_bLogged = TRUE;
    }
  }
  const U16 u16Box = MENU_u16Box(r, pWhat->eBox, TRUE);
  if (u16Box != MENU_NONE) T_MENUSTORE_u16Put(u16Box, &item);
}

static void MENU_vRemoveItems(const MSG_MENU_REQUEST* r, MENU_CONTAINER_KIND eBox) {
  const U16 u16Box = MENU_u16Box(r, eBox, FALSE);
  if (u16Box != MENU_NONE) T_MENUSTORE_u32Remove(u16Box, r->pItemName);
}

static void MENU_vRegisterFloating(const MSG_MENU_REQUEST* r) {
  const U16 u16Box = T_MENUSTORE_u16Get(MENU_BOX_FLOATING, r->pContainerName, NO_VIEW_PRIORITY, NO_SPLIT_WINDOW);
  MENU_CONTAINER* c = T_MENUSTORE_pContainer(u16Box);
  if (c == nullptr) return;
  T_MENUSTORE_vEmpty(u16Box);
  c->pGoTo = r->pGoToFunction;
  c->pExit = r->pExitFunction;
  c->bDisplayAltName = r->bDisplayAltName && r->bHasAltName;
  memset(c->acAltName, 0, sizeof c->acAltName);
  if (r->bHasAltName) memcpy(c->acAltName, r->acAltName, MENU_ALT_NAME_BYTES - 2);
}

static void MENU_vRemoveFloating(const MSG_MENU_REQUEST* r, MENU_AFTER* pAfter) {
  const U16 u16Box = T_MENUSTORE_u16Find(MENU_BOX_FLOATING, r->pContainerName, NO_VIEW_PRIORITY, NO_SPLIT_WINDOW);
  if (u16Box == MENU_NONE) return;
  if (g_sMenuOpen.eRoot == MENU_ROOT_FLOATING && g_sMenuOpen.u16Floating == u16Box) MENU_vCloseAll(pAfter);
  T_MENUSTORE_vFreeContainer(u16Box);
}

// A single-centred menu made current, shown or not.
static void MENU_vSetSingle(const MENU_SINGLE* pSingle, BOOLEAN bDisplay, MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  const char* pcTitle = T_MENUSTORE_pcEnglish(pSingle->pTitle);
  if (bDisplay) {
    if (o.eRoot == MENU_ROOT_QUICK) {
      log_me("[%d]%s: dropped open single %s over the quick set-up", __LINE__, __func__, pcTitle);
      return;
    }
    MENU_vCloseAll(pAfter);
    s_bExpedite = TRUE;
    log_me("[%d]%s: open single %s", __LINE__, __func__, pcTitle);
  } else if (o.bSingle && o.bSingleShown) {
    s_bExpedite = TRUE;
  }
  o.sSingle = *pSingle;
  o.bSingle = TRUE;
  o.bSingleShown = bDisplay;
}

static const MENU_ITEM* MENU_pValueItemIn(U16 u16Box, MENU_TEXT pTitle) {
  const MENU_CONTAINER* c = T_MENUSTORE_pContainer(u16Box);
  for (U16 i = c != nullptr ? c->u16First : MENU_NONE; i != MENU_NONE; i = T_MENUSTORE_pItem(i)->u16Next) {
    const MENU_ITEM* p = T_MENUSTORE_pItem(i);
    const MENU_ITEM_KIND k = p->value.eKind;
    const BOOLEAN bValue = k == MENU_ITEM_SELECTOR || k == MENU_ITEM_SLIDER || k == MENU_ITEM_PROGRESS_BAR ||
                           k == MENU_ITEM_VAR_STEP_SLIDER;
    if (bValue && T_MENUSTORE_bSameName(p->pName, pTitle)) return p;
  }
  return nullptr;
}

// The item a single-centred activation names: the view's express menu
// first, then the location, then every tab and sub-menu.
static const MENU_ITEM* MENU_pFindValueItem(const MSG_MENU_REQUEST* r) {
  const MENU_TEXT pTitle = r->pContainerName;
  const U16 u16Express = T_MENUSTORE_u16Find(MENU_BOX_EXPRESS, nullptr, r->eView, MENU_ePane(r->eView));
  const MENU_ITEM* p = MENU_pValueItemIn(u16Express, pTitle);
  if (p == nullptr) p = MENU_pValueItemIn(MENU_ALL_VIEWS_LIST, pTitle);
  if (p == nullptr && r->pSubMenuName != nullptr) {
    p = MENU_pValueItemIn(T_MENUSTORE_u16Find(MENU_BOX_TAB, r->pSubMenuName, NO_VIEW_PRIORITY, NO_SPLIT_WINDOW), pTitle);
    if (p == nullptr) {
      p = MENU_pValueItemIn(T_MENUSTORE_u16Find(MENU_BOX_SUB, r->pSubMenuName, NO_VIEW_PRIORITY, NO_SPLIT_WINDOW),
                            pTitle);
    }
  }
  for (U16 i = 0; p == nullptr && i < MENU_MAX_CONTAINERS; i++) {
    const MENU_CONTAINER_KIND k = T_MENUSTORE_pContainer(i)->eKind;
    if (k == MENU_BOX_TAB || k == MENU_BOX_SUB) p = MENU_pValueItemIn(i, pTitle);
  }
  return p;
}

static void MENU_vActivateSingle(const MSG_MENU_REQUEST* r, MENU_AFTER* pAfter) {
  MENU_SINGLE single;
  const MENU_SINGLE* pDefinition = T_MENUSTORE_pFindSingle(r->pContainerName);
  if (pDefinition != nullptr) {
    single = *pDefinition;
  } else {
    const MENU_ITEM* pItem = MENU_pFindValueItem(r);
    if (pItem == nullptr) {
      log_me("[%d]%s: dropped open single %s: no such menu", __LINE__, __func__,
             T_MENUSTORE_pcEnglish(r->pContainerName));
      return;
    }
    memset(&single, 0, sizeof single);
    single.pTitle = r->pContainerName;
    single.value = pItem->value;
  }
  single.bLoop = r->bLoop;
  MENU_vSetSingle(&single, r->bDisplay, pAfter);
}

static void MENU_vRegisterSingle(const MSG_MENU_REQUEST* r, MENU_AFTER* pAfter) {
  MENU_SINGLE single;
  memset(&single, 0, sizeof single);
  single.pTitle = r->pContainerName;
  const MENU_ITEM_KIND eKind = r->eKind == MENU_REQ_SINGLE_SELECTOR ? MENU_ITEM_SELECTOR
                               : r->eKind == MENU_REQ_SINGLE_SLIDER ? MENU_ITEM_SLIDER
                                                                    : MENU_ITEM_VAR_STEP_SLIDER;
  MENU_vValueFrom(r, eKind, &single.value);
  single.bLoop = r->bLoop;
  if (T_MENUSTORE_bPutSingle(&single)) MENU_vSetSingle(&single, r->bDisplay, pAfter);
}

static void MENU_vOpenQuick(MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  if (o.eRoot == MENU_ROOT_QUICK) return;
  MENU_vCloseAll(pAfter);
  o.eRoot = MENU_ROOT_QUICK;
  o.u32Depth = 0;
  MENU_vResetLevel(0, MENU_LEVEL_ITEMS, MENU_QUICK_LIST);
  s_bExpedite = TRUE;
  log_me("[%d]%s: open quick", __LINE__, __func__);
}

static void MENU_vRequest(const MSG_MENU_REQUEST* r, MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  const MENU_ITEM_REQUEST* pItem = MENU_pItemRequest(r->eKind);
  const MENU_CONTAINER_KIND* peRemoveFrom = MENU_peRemoveRequest(r->eKind);
  if (pItem != nullptr) {
    MENU_vRegisterItem(r, pItem);
  } else if (peRemoveFrom != nullptr) {
    MENU_vRemoveItems(r, *peRemoveFrom);
  } else {
    switch (r->eKind) {
      case MENU_REQ_REGISTER_TAB: {
        MENU_CONTAINER* c = T_MENUSTORE_pContainer(MENU_u16Box(r, MENU_BOX_TAB, TRUE));
        if (c == nullptr) break;
        c->bRegistered = TRUE;
        c->u32Priority = r->u32Priority;
        c->pIcon = r->pIcon;
        c->eLevel = r->eUserLevel;
        break;
      }
      case MENU_REQ_EXPRESS_MENU:
        MENU_u16Box(r, MENU_BOX_EXPRESS, TRUE);
        break;
      case MENU_REQ_FLOATING_MENU:
        MENU_vRegisterFloating(r);
        break;
      case MENU_REQ_UNREGISTER_FLOATING_MENU:
        MENU_vRemoveFloating(r, pAfter);
        break;
      case MENU_REQ_ACTIVATE_HOT:
        MENU_bOpenExpress(r->eView, pAfter);
        break;
      case MENU_REQ_ACTIVATE_FLOATING:
        MENU_vOpenFloating(r->pContainerName, pAfter);
        break;
      case MENU_REQ_ACTIVATE_INFO:
        MENU_vOpenInfo(r, pAfter);
        break;
      case MENU_REQ_SINGLE_SELECTOR:
      case MENU_REQ_SINGLE_SLIDER:
      case MENU_REQ_SINGLE_VAR_STEP_SLIDER:
        MENU_vRegisterSingle(r, pAfter);
        break;
      case MENU_REQ_UNREGISTER_SINGLE:
        T_MENUSTORE_vRemoveSingle(r->pContainerName);
        if (o.bSingle && T_MENUSTORE_bSameName(o.sSingle.pTitle, r->pContainerName)) MENU_vForgetSingle();
        break;
      case MENU_REQ_ACTIVATE_SINGLE:
        MENU_vActivateSingle(r, pAfter);
        break;
      case MENU_REQ_CLEAR:
        MENU_vCloseAll(pAfter);
        break;
      case MENU_REQ_ACTIVATE_QUICK:
        MENU_vOpenQuick(pAfter);
        break;
      default:
        break;
    }
  }
  MENU_vRevalidate(pAfter);
}

// ---------------------------------------------------------------------------
// Notices

static void MENU_vFollowPane(SPLIT_WINDOW_TYPE eActive, MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  if (o.eRoot == MENU_ROOT_FLOATING || o.eRoot == MENU_ROOT_INFO) return MENU_vCloseAll(pAfter);
  if (o.eRoot != MENU_ROOT_EXPRESS) return;
  const SPLIT_WINDOW_TYPE ePane =
      T_MENUSTORE_u16Find(MENU_BOX_EXPRESS, nullptr, o.eHotView, eActive) != MENU_NONE ? eActive : SPLIT_FULL_WINDOW;
  if (ePane == o.eHotSplit) return;
  U16 au16Rows[MENU_MAX_ITEMS];
  const U32 u32Old = T_MENUSTORE_u32LevelRows(0, au16Rows, MENU_MAX_ITEMS);
  const U32 u32Sel = o.u32Depth == 0 ? T_MENUSTORE_u32Selected(0, au16Rows, u32Old) : MENU_NO_ROW;
  const MENU_TEXT pSelected = u32Sel != MENU_NO_ROW ? T_MENUSTORE_pItem(au16Rows[u32Sel])->pName : nullptr;
  const BOOLEAN bMerge = o.aLevels[0].bMergeAllViews;
  MENU_vResetLevel(0, MENU_LEVEL_ITEMS, T_MENUSTORE_u16Find(MENU_BOX_EXPRESS, nullptr, o.eHotView, ePane));
  o.aLevels[0].bMergeAllViews = bMerge;
  o.u32Depth = 0;
  o.eHotSplit = ePane;
  s_bExpedite = TRUE;
  const U32 n = T_MENUSTORE_u32LevelRows(0, au16Rows, MENU_MAX_ITEMS);
  if (n == 0) return MENU_vCloseAll(pAfter);
  for (U32 i = 0; i < n && pSelected != nullptr; i++) {
    if (T_MENUSTORE_bSameName(T_MENUSTORE_pItem(au16Rows[i])->pName, pSelected)) {
      T_MENUSTORE_vSelect(0, au16Rows, n, i);
      break;
    }
  }
}

static void MENU_vFollowLanguage(void) {
  U_WSTRING_vUpdateCurrentLanguage();
  const unsigned nLanguage = nCurrentLanguage();
  G_TRUETYPE_vSelectFontSet(nLanguage >= LANGUAGE_CROATIAN && nLanguage <= LANGUAGE_BULGARIAN ? 1 : 0);
  s_bExpedite = TRUE;
}

static void MENU_vHandleNewData(const MESSAGE_NEW_DATA* pMsg, MENU_AFTER* pAfter) {
  MENU_OPEN& o = g_sMenuOpen;
  switch (pMsg->FourCharId) {
    case FCID("CVEW"):
      if (o.eRoot == MENU_ROOT_EXPRESS || o.eRoot == MENU_ROOT_FLOATING || o.eRoot == MENU_ROOT_INFO) {
        MENU_vCloseAll(pAfter);
      }
      break;
    case FCID("CVAS"):
      MENU_vFollowPane((SPLIT_WINDOW_TYPE)pMsg->dbValue.s32Val, pAfter);
      break;
    case FCID("SLNG"):
      MENU_vFollowLanguage();
      break;
    case FCID("SMSU"):
      T_MENUSTORE_vSetSuperUser(pMsg->bValid && (pMsg->dbValue.u32Val & 0xFF) != 0);
      MENU_vRevalidate(pAfter);
      s_bRedraw = TRUE;
      break;
    case FCID("CCST"):
      if (s_bRunning) MENU_vCloseAll(pAfter);
      break;
    default:
      break;
  }
}

static void MENU_vHandleRunSystem(MENU_AFTER* pAfter) {
  if (s_bRunning) return;
  s_bRunning = TRUE;
  BOOLEAN bSuperUser = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SMSU"), &bSuperUser, nullptr, nullptr);
  T_MENUSTORE_vSetSuperUser(bSuperUser);
  pAfter->bRegisterIdleKey = TRUE;
}

// A request's kind is read only once its command says the block is one.
static BOOLEAN MENU_bIsRequest(const GENERIC_MESSAGE* pMsg) {
  BOOLEAN bRequestCommand = FALSE;
  for (CMD_ID cmd : g_aeMenuRequestCommand) bRequestCommand = bRequestCommand || cmd == pMsg->Cmd;
  if (!bRequestCommand) return FALSE;
  const MSG_MENU_REQUEST* r = (const MSG_MENU_REQUEST*)pMsg;
  return (U32)r->eKind < MENU_REQ_COUNT && g_aeMenuRequestCommand[r->eKind] == pMsg->Cmd;
}

// ---------------------------------------------------------------------------
// Work done without RES_MENU

static void MENU_vRefreshChecks(void) {
  typedef struct {
    U16 u16Item;
    BOOLEAN (*pGetter)(U32);
    U32 u32Context;
    BOOLEAN bChecked;
  } CHECK;
  static CHECK s_aChecks[MENU_MAX_ITEMS];  // the menu task's own
  static U16 s_au16Rows[MENU_MAX_ITEMS];
  U32 n = 0;
  L_MUTEX_LockWait(RES_MENU);
  const U32 u32Level = g_sMenuOpen.u32Depth;
  if (g_sMenuOpen.eRoot != MENU_ROOT_NONE && g_sMenuOpen.aLevels[u32Level].eKind == MENU_LEVEL_ITEMS) {
    const U32 u32Rows = T_MENUSTORE_u32LevelRows(u32Level, s_au16Rows, MENU_MAX_ITEMS);
    for (U32 i = 0; i < u32Rows && i < MENU_MAX_ITEMS; i++) {
      const MENU_ITEM* p = T_MENUSTORE_pItem(s_au16Rows[i]);
      if (p->value.eKind == MENU_ITEM_CHECK_BOX && p->pGetter != nullptr) {
        s_aChecks[n++] = {s_au16Rows[i], p->pGetter, p->u32Context, FALSE};
      }
    }
  }
  L_MUTEX_Unlock(RES_MENU);
  if (n == 0) return;
  for (U32 i = 0; i < n; i++) s_aChecks[i].bChecked = s_aChecks[i].pGetter(s_aChecks[i].u32Context) ? TRUE : FALSE;
  L_MUTEX_LockWait(RES_MENU);
  for (U32 i = 0; i < n; i++) {
    MENU_ITEM* p = T_MENUSTORE_pItem(s_aChecks[i].u16Item);
    if (p->bUsed && p->pGetter == s_aChecks[i].pGetter && p->u32Context == s_aChecks[i].u32Context) {
      p->bChecked = s_aChecks[i].bChecked;
    }
  }
  s_bRedraw = TRUE;
  MENU_vSettle();
  L_MUTEX_Unlock(RES_MENU);
}

static void MENU_vRegisterIdleKey(void) {
  for (int i = 0; i < MENU_REGISTER_TRIES; i++) {
    if (U_KEYBOARD_bRegisterKeys(M_MENU, HKEY_MASK_MENU, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_BASIC)) return;
    L_CLOCK_Sleep(1);
  }
  log_me("[%d]%s: no keyboard task, MENU not taken", __LINE__, __func__);
}

static void MENU_vAfter(const MENU_AFTER* a) {
  if (a->pExit != nullptr) a->pExit();
  if (a->bRemoveQuick) T_STARTUP_vRemoveQuickConfigMenu();
  if (a->bRegisterIdleKey) MENU_vRegisterIdleKey();
  if (a->pAction != nullptr) {
    log_me("[%d]%s: action %s", __LINE__, __func__, a->pcActionName);
    a->pAction();
  }
  if (a->pConfirm != nullptr) {
    T_MESSAGEBOX_vSetupConfMessageWithTitle(a->pcStatement, nullptr, a->pConfirm, TRUE, 0);
    // The box takes the keys when it is first drawn.
    T_VIEW_vRequestExpeditedViewUpdate();
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    log_me("[%d]%s: confirm %s", __LINE__, __func__, a->pcActionName);
  }
  if (a->pcWarnTitle != nullptr) {
    T_MESSAGEBOX_vSetupLanguageModeChangeWarnMessageWithTitle(
        a->pcWarnTitle, T_MENUSTORE_pcText(Change_Language_Mode, nCurrentLanguage()), nullptr,
        T_MENU_vConfirmLanguageModeChange, TRUE, 0);
    T_VIEW_vRequestExpeditedViewUpdate();
  }
  if (a->pSetter != nullptr) {
    const BOOLEAN bTaken = a->pSetter(a->u32Context);
    if (a->bPress) L_SEMA_Signal(bTaken ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
    MENU_vRefreshChecks();
  } else if (a->bRefreshChecks) {
    MENU_vRefreshChecks();
  }
}

// ---------------------------------------------------------------------------
// The task

static void MENU_vDispatch(GENERIC_MESSAGE* pMsg) {
  if (s_bShutdown) return H_MEMORY_vDumpMail(pMsg);
  MENU_AFTER after;
  memset(&after, 0, sizeof after);
  L_MUTEX_LockWait(RES_MENU);
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      s_bShutdown = TRUE;
      break;
    case CMD_ID_NEW_DATA:
      MENU_vHandleNewData((const MESSAGE_NEW_DATA*)pMsg, &after);
      break;
    case CMD_ID_RESET_POS:
      MENU_vCloseAll(&after);
      g_sMenuOpen.u16LastTab = MENU_NONE;
      break;
    case CMD_ID_RUN_SYSTEM:
      MENU_vHandleRunSystem(&after);
      break;
    case CMD_ID_KEY_CHANGE:
      MENU_vHandleKey((const MSG_KEY_CHANGE*)pMsg, &after);
      break;
    default:
      if (MENU_bIsRequest(pMsg)) MENU_vRequest((const MSG_MENU_REQUEST*)pMsg, &after);
      break;
  }
  MENU_vSettle();
  L_MUTEX_Unlock(RES_MENU);
  MENU_vAfter(&after);
  H_MEMORY_vDumpMail(pMsg);
}

static U32 MENU_u32HotMenuView(void) { return s_u32HotView; }

void T_MENU_vRegisterHooks(void) { U_MENU_bRegisterHotMenuView(MENU_u32HotMenuView); }

void T_MENU_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  H_DATABASE_bUpdateEverythingU32(FCID("CMNU"), NO_MENU, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  L_MUTEX_LockWait(RES_MENU);
  T_MENUSTORE_vClear();
  memset(&g_sMenuOpen, 0, sizeof g_sMenuOpen);
  g_sMenuOpen.u16LastTab = MENU_NONE;
  s_u32Published = NO_MENU;
  L_MUTEX_Unlock(RES_MENU);
  for (FOURCHARID key : {FCID("CVEW"), FCID("CVAS"), FCID("SLNG"), FCID("SMSU"), FCID("CCST")}) {
    H_DATABASE_bRegisterForDataWithConditions(key, M_MENU, TRUE, FALSE, FALSE);
  }
  U_WSTRING_vUpdateCurrentLanguage();
  if (H_DATABASE_bUpdateEverythingU32(FCID("TMNU"), (U32)M_MENU, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Menu Task Maibox");
  }
  const SEMA events[] = {SEMA_MBOX_MENU, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(events) != SEMA_MBOX_MENU) continue;
    while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_MENU)) MENU_vDispatch(pMsg);
  }
}

// ---------------------------------------------------------------------------
// Functions for other threads

void T_MENU_vRemoveMenus(void) {
  MENU_AFTER after;
  memset(&after, 0, sizeof after);
  L_MUTEX_LockWait(RES_MENU);
  MENU_vCloseAll(&after);
  MENU_vSettle();
  L_MUTEX_Unlock(RES_MENU);
  MENU_vAfter(&after);
}

void T_MENU_vUpdateActivateMenu(ACTIVE_MENU eMenu) {
  MENU_AFTER after;
  memset(&after, 0, sizeof after);
  L_MUTEX_LockWait(RES_MENU);
  if (eMenu != NO_MENU) MENU_vCloseAll(&after);
  g_sMenuOpen.eRecorded = eMenu;
  MENU_vSettle();
  L_MUTEX_Unlock(RES_MENU);
  MENU_vAfter(&after);
}

void T_MENU_vDoRemoveSingleCenteredMenu(void) {
  L_MUTEX_LockWait(RES_MENU);
  MENU_vForgetSingle();
  MENU_vSettle();
  L_MUTEX_Unlock(RES_MENU);
}

U32 T_MENU_u32GetSelection(MENU_TEXT pTitle, char* pBuffer) {
  constexpr U32 SELECTION_BYTES = 48;
  U32 u32Result = 0xFFFFFFFF;
  L_MUTEX_LockWait(RES_MENU);
  const MENU_OPEN& o = g_sMenuOpen;
  if (o.bSingle && T_MENUSTORE_bSameName(o.sSingle.pTitle, pTitle)) {
    if (o.sSingle.value.eKind == MENU_ITEM_SELECTOR) u32Result = T_MENUVALUE_u32Choice(&o.sSingle.value);
    // A selector's choice is named too: its owner's names are the ones the
    // user knows from the row, which an index cannot give back.
    if (pBuffer != nullptr) {
      char acText[MENU_VALUE_TEXT];
      MENU_CHOICE_POSITION ePosition;
      float fFraction;
      T_MENUVALUE_vShow(&o.sSingle.value, o.sSingle.bLoop, nCurrentLanguage(), acText, SELECTION_BYTES, &ePosition,
                        &fFraction);
      memcpy(pBuffer, acText, SELECTION_BYTES);
    }
  }
  L_MUTEX_Unlock(RES_MENU);
  return u32Result;
}

void T_MENU_vConfirmLanguageModeChange(void) {
  L_MUTEX_LockWait(RES_MENU);
  const U32 u32Language = s_u32PendingLanguage;
  s_u32PendingLanguage = MENU_NO_LANGUAGE;
  if (u32Language != MENU_NO_LANGUAGE) {
    H_DATABASE_bUpdateValueU32(FCID("SLNS"), MENU_bAsian(u32Language) ? 1 : 0, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("SLNG"), u32Language, P_NORMAL);
    H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), TRUE, P_NORMAL);
    U32 u32Nvr = 0;
    BOOLEAN bValid = FALSE;
    const BOOLEAN bNvr = H_DATABASE_bFetchU32(FCID("TNVR"), &u32Nvr, &bValid, nullptr) && bValid && u32Nvr != 0;
    for (FOURCHARID key : {FCID("SLNS"), FCID("SLNG"), FCID("SRDF")}) {
      if (!bNvr) break;
      MSG_NVRAM_WRITE_TO_NVR* pMsg = (MSG_NVRAM_WRITE_TO_NVR*)H_MEMORY_pvCalloc(1, sizeof(MSG_NVRAM_WRITE_TO_NVR));
      pMsg->Header.Cmd = CMD_ID_WRITE_TO_NVR;
      pMsg->id = key;
      if (L_MBOX_Send((MBOX)u32Nvr, pMsg, MENU_MAIL_PRIORITY, 0) != 0) H_MEMORY_vFree(pMsg);
    }
  }
  L_MUTEX_Unlock(RES_MENU);
}

void T_MENU_vSnapshot(MENU_SNAPSHOT* p) {
  memset(p, 0, sizeof *p);
  L_MUTEX_LockWait(RES_MENU);
  const MENU_OPEN& o = g_sMenuOpen;
  p->eMenu = MENU_eOpen();
  p->u32Depth = o.u32Depth;
  p->u32Selected = MENU_NO_ROW;
  const unsigned nLanguage = nCurrentLanguage();
  if (o.bSingle) p->pcTitle = T_MENUSTORE_pcEnglish(o.sSingle.pTitle);
  if (o.eRoot == MENU_ROOT_NONE) {
    if (o.bSingle) {
      MENU_CHOICE_POSITION ePosition;
      float fFraction;
      p->u32Rows = 1;
      T_MENUVALUE_vShow(&o.sSingle.value, o.sSingle.bLoop, nLanguage, p->aacValues[0], sizeof p->aacValues[0],
                        &ePosition, &fFraction);
    }
    L_MUTEX_Unlock(RES_MENU);
    return;
  }
  static U16 s_au16Rows[MENU_MAX_ITEMS];  // under RES_MENU
  const U32 u32Level = o.u32Depth;
  const MENU_LEVEL& l = o.aLevels[u32Level];
  p->u32Rows = T_MENUSTORE_u32LevelRows(u32Level, s_au16Rows, MENU_MAX_ITEMS);
  p->u32Selected = T_MENUSTORE_u32Selected(u32Level, s_au16Rows, p->u32Rows);
  if (o.eRoot == MENU_ROOT_MAIN && u32Level == 0) {
    p->pcTitle = T_MENUSTORE_pcEnglish(T_MENUSTORE_pContainer(o.u16Tab)->pName);
    if (o.bTabFocus) p->u32Selected = MENU_NO_ROW;
  } else if (u32Level > 0) {
    p->pcTitle = T_MENUSTORE_pcEnglish(T_MENUSTORE_pItem(l.u16Item)->pName);
  }
  for (U32 i = 0; i < p->u32Rows && i < MENU_SNAPSHOT_ROWS; i++) {
    if (l.eKind == MENU_LEVEL_INFO) {
      p->apcLabels[i] = T_MENUSTORE_pcEnglish(o.aInfo[i].pName);
      continue;
    }
    if (l.eKind == MENU_LEVEL_ENTRIES) {
      p->apcLabels[i] = T_MENUSTORE_pcEnglish(T_MENUSTORE_pItem(l.u16Item)->value.pChoices[i]);
      continue;
    }
    const MENU_ITEM* pItem = T_MENUSTORE_pItem(s_au16Rows[i]);
    p->apcLabels[i] = T_MENUSTORE_pcEnglish(pItem->pName);
    p->abChecked[i] = pItem->bChecked;
    const MENU_ITEM_KIND k = pItem->value.eKind;
    if (k == MENU_ITEM_SELECTOR || k == MENU_ITEM_SLIDER || k == MENU_ITEM_PROGRESS_BAR ||
        k == MENU_ITEM_VAR_STEP_SLIDER) {
      MENU_CHOICE_POSITION ePosition;
      float fFraction;
      T_MENUVALUE_vShow(&pItem->value, FALSE, nLanguage, p->aacValues[i], sizeof p->aacValues[i], &ePosition,
                        &fFraction);
    }
  }
  L_MUTEX_Unlock(RES_MENU);
}

// ---------------------------------------------------------------------------
// The map of what the menus hold, for a tester on the rig

static size_t MENU_szPut(char* pcOut, size_t size, size_t used, const char* pcFormat, ...)
    __attribute__((format(printf, 4, 5)));

static size_t MENU_szPut(char* pcOut, size_t size, size_t used, const char* pcFormat, ...) {
  if (used + 1 >= size) return used;
  va_list args;
  va_start(args, pcFormat);
  const int n = vsnprintf(pcOut + used, size - used, pcFormat, args);
  va_end(args);
  if (n < 0) return used;
  return (size_t)n < size - used ? used + (size_t)n : size - 1;
}

// One line per visible row below the container: its place, the path of
// sub-menu entries down to it, and the key it writes ("-" for none).
static size_t MENU_szMapRows(char* pcOut, size_t size, size_t used, const char* pcPlace, const char* pcPath,
                             U16 u16Container, BOOLEAN bMerge, U32 u32Depth) {
  U16 au16Rows[MENU_MAX_ITEMS / 4];
  const U32 n = T_MENUSTORE_u32Rows(u16Container, bMerge, u32Depth, au16Rows, MENU_MAX_ITEMS / 4);
  for (U32 i = 0; i < n && i < MENU_MAX_ITEMS / 4; i++) {
    const MENU_ITEM* pItem = T_MENUSTORE_pItem(au16Rows[i]);
    char acPath[160];
    snprintf(acPath, sizeof acPath, "%s%s%s", pcPath, *pcPath != '\0' ? " > " : "", T_MENUSTORE_pcEnglish(pItem->pName));
    const FOURCHARID k = pItem->value.key;
    const MENU_ITEM_KIND e = pItem->value.eKind;
    const BOOLEAN bKeyed = k != 0 && (e == MENU_ITEM_SELECTOR || e == MENU_ITEM_SLIDER || e == MENU_ITEM_PROGRESS_BAR ||
                                      e == MENU_ITEM_VAR_STEP_SLIDER);
    if (bKeyed) {
      used = MENU_szPut(pcOut, size, used, "%s\t%s\t%c%c%c%c\n", pcPlace, acPath, (char)(k & 0xFF),
                        (char)(k >> 8 & 0xFF), (char)(k >> 16 & 0xFF), (char)(k >> 24 & 0xFF));
    } else {
      used = MENU_szPut(pcOut, size, used, "%s\t%s\t-\n", pcPlace, acPath);
    }
    if (pItem->value.eKind == MENU_ITEM_SUB_MENU || pItem->value.eKind == MENU_ITEM_SUB_MENU_NO_ARROW) {
      const U16 sub = T_MENUSTORE_u16Find(MENU_BOX_SUB, pItem->pSubMenu, NO_VIEW_PRIORITY, NO_SPLIT_WINDOW);
      if (sub != MENU_NONE && u32Depth + 1 < MENU_MAX_LEVELS) {
        used = MENU_szMapRows(pcOut, size, used, pcPlace, acPath, sub, FALSE, u32Depth + 1);
      }
    }
  }
  return used;
}

BOOLEAN T_MENU_bValueText(FOURCHARID key, char* pcOut, size_t size) {
  BOOLEAN bFound = FALSE;
  L_MUTEX_LockWait(RES_MENU);
  for (U16 i = 0; i < MENU_MAX_ITEMS && !bFound; i++) {
    const MENU_ITEM* pItem = T_MENUSTORE_pItem(i);
    const MENU_ITEM_KIND e = pItem->value.eKind;
    if (!pItem->bUsed || pItem->value.key != key ||
        (e != MENU_ITEM_SELECTOR && e != MENU_ITEM_SLIDER && e != MENU_ITEM_PROGRESS_BAR &&
         e != MENU_ITEM_VAR_STEP_SLIDER)) {
      continue;
    }
    char acText[MENU_VALUE_TEXT];
    MENU_CHOICE_POSITION ePosition;
    float fFraction;
    T_MENUVALUE_vShow(&pItem->value, FALSE, LANGUAGE_ENGLISH, acText, sizeof acText, &ePosition, &fFraction);
    snprintf(pcOut, size, "%s", acText);
    bFound = TRUE;
  }
  L_MUTEX_Unlock(RES_MENU);
  return bFound;
}

size_t T_MENU_szMap(char* pcOut, size_t size) {
  if (size == 0) return 0;
  pcOut[0] = '\0';
  size_t used = 0;
  L_MUTEX_LockWait(RES_MENU);
  U16 au16Tabs[MENU_MAX_TABS];
  const U32 tabs = T_MENUSTORE_u32Tabs(au16Tabs, MENU_MAX_TABS);
  for (U32 t = 0; t < tabs; t++) {
    const char* pcTab = T_MENUSTORE_pcEnglish(T_MENUSTORE_pContainer(au16Tabs[t])->pName);
    used = MENU_szMapRows(pcOut, size, used, pcTab, "", au16Tabs[t], FALSE, 0);
  }
  for (U16 c = 0; c < MENU_MAX_CONTAINERS; c++) {
    const MENU_CONTAINER* p = T_MENUSTORE_pContainer(c);
    if (p == nullptr || p->eKind != MENU_BOX_EXPRESS || p->eView == VIRTUAL_DISPLAY_VIEW_LAYER) continue;
    char acPlace[32];
    snprintf(acPlace, sizeof acPlace, "@%d.%d", (int)p->eView, (int)p->eSplit);
    used = MENU_szMapRows(pcOut, size, used, acPlace, "", c, TRUE, 0);
  }
  L_MUTEX_Unlock(RES_MENU);
  return used;
}
