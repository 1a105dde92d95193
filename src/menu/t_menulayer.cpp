// The layers the open menus are drawn in. A draw function describes its
// levels while it holds RES_MENU and draws them after letting it go: the
// texts a description points at are the registrants' tables, which outlive
// their items, or copies made here.

#include "t_menulayer.h"

#include <string.h>

#include <mutex>

#include "h_database.h"
#include "linuxsvc.h"
#include "t_menuvalue.h"
#include "u_language.h"
#include "u_menulook.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

constexpr TICKS LAYER_LOCK_WAIT = 100;

static void LAYER_vCopyAltName(char* pTo, const char* pFrom) {
  memcpy(pTo, pFrom, MENU_ALT_NAME_BYTES);
  pTo[MENU_ALT_NAME_BYTES - 2] = 0;
  pTo[MENU_ALT_NAME_BYTES - 1] = 0;
}

static void LAYER_vValueRow(const MENU_VALUE* pValue, BOOLEAN bLoop, unsigned nLanguage, MENU_PANEL_ROW* r,
                            char* pcBuffer, const FONT_DEF* pFont) {
  T_MENUVALUE_vShow(pValue, bLoop, nLanguage, pcBuffer, sizeof(MENU_PANEL_TEXTS::aacValue[0]), &r->ePosition,
                    &r->fFraction);
  r->pcValue = pcBuffer;
  r->u32ValueWidth = T_MENUVALUE_u32Widest(pValue, nLanguage, pFont);
}

// Once the Asian set is chosen, the language row still holds the western
// list until the next start registers the Asian one; until then it says
// where the Asian languages are to be found.
static BOOLEAN LAYER_bAsianAfterRestart(const MENU_VALUE* pValue) {
  if (pValue->key != FCID("SLNG") || pValue->pValues == nullptr) return FALSE;
  U32 u32Set = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNS"), &u32Set, nullptr, nullptr) || u32Set != 1) return FALSE;
  for (U32 i = 0; i < pValue->u32Count; i++) {
    if (pValue->pValues[i] == LANGUAGE_JAPANESE) return FALSE;
  }
  return TRUE;
}

static void LAYER_vItemRow(const MENU_ITEM* pItem, unsigned nLanguage, MENU_PANEL_ROW* r, char* pcBuffer) {
  r->pIcon = pItem->pIcon;
  r->pcLabel = T_MENUSTORE_pcText(LAYER_bAsianAfterRestart(&pItem->value) ? Asian_Languages_After_Restart
                                                                          : pItem->pName,
                                  nLanguage);
  switch (pItem->value.eKind) {
    case MENU_ITEM_SELECTOR:
      r->eControl = MENU_CONTROL_SELECTOR;
      LAYER_vValueRow(&pItem->value, FALSE, nLanguage, r, pcBuffer, U_MENULOOK_pValueFont());
      break;
    case MENU_ITEM_SLIDER:
    case MENU_ITEM_VAR_STEP_SLIDER:
      r->eControl = MENU_CONTROL_SLIDER;
      LAYER_vValueRow(&pItem->value, FALSE, nLanguage, r, pcBuffer, U_MENULOOK_pValueFont());
      break;
    case MENU_ITEM_PROGRESS_BAR:
      r->eControl = MENU_CONTROL_PROGRESS_BAR;
      LAYER_vValueRow(&pItem->value, FALSE, nLanguage, r, pcBuffer, U_MENULOOK_pValueFont());
      break;
    case MENU_ITEM_CHECK_BOX:
      r->eControl = MENU_CONTROL_CHECK_BOX;
      r->bChecked = pItem->bChecked;
      break;
    default:
      r->eControl = MENU_CONTROL_ACTION;
      r->bArrow = pItem->value.eKind != MENU_ITEM_SUB_MENU_NO_ARROW;
      break;
  }
}

static void LAYER_vHead(U32 u32Level, unsigned nLanguage, MENU_PANEL* p, MENU_PANEL_TEXTS* t) {
  const MENU_OPEN& o = g_sMenuOpen;
  p->eSplit = SPLIT_FULL_WINDOW;
  if (u32Level > 0) {
    p->eKind = MENU_PANEL_SUB;
    const MENU_ITEM* pEntry = T_MENUSTORE_pItem(o.aLevels[u32Level].u16Item);
    p->pcTitle = pEntry != nullptr ? T_MENUSTORE_pcText(pEntry->pName, nLanguage) : nullptr;
    return;
  }
  switch (o.eRoot) {
    case MENU_ROOT_EXPRESS:
      p->eKind = MENU_PANEL_EXPRESS;
      p->eSplit = o.eHotSplit;
      break;
    case MENU_ROOT_MAIN: {
      p->eKind = MENU_PANEL_MAIN;
      U16 au16Tabs[MENU_MAX_TABS];
      p->u32Tabs = T_MENUSTORE_u32Tabs(au16Tabs, MENU_MAX_TABS);
      for (U32 i = 0; i < p->u32Tabs; i++) {
        t->apcTabs[i] = T_MENUSTORE_pcText(T_MENUSTORE_pContainer(au16Tabs[i])->pName, nLanguage);
        if (au16Tabs[i] == o.u16Tab) p->u32SelectedTab = i;
      }
      p->ppcTabs = t->apcTabs;
      p->bTabFocus = o.bTabFocus;
      break;
    }
    case MENU_ROOT_FLOATING: {
      p->eKind = MENU_PANEL_FLOATING;
      const MENU_CONTAINER* c = T_MENUSTORE_pContainer(o.u16Floating);
      p->pcTitle = T_MENUSTORE_pcText(c->pName, nLanguage);
      if (c->bDisplayAltName) {
        LAYER_vCopyAltName(t->acSubtitle, c->acAltName);
        p->pcSubtitle = t->acSubtitle;
      }
      break;
    }
    case MENU_ROOT_INFO:
      p->eKind = MENU_PANEL_FLOATING;
      p->pcTitle = T_MENUSTORE_pcText(o.pInfoTitle, nLanguage);
      if (o.bInfoAltName) {
        LAYER_vCopyAltName(t->acSubtitle, o.acInfoAltName);
        p->pcSubtitle = t->acSubtitle;
      }
      break;
    default:
      p->eKind = MENU_PANEL_QUICK;
      p->pcTitle = T_MENUSTORE_pcText(Quick_Setup, nLanguage);
      p->pcFooter = T_MENUSTORE_pcText(Press_EXIT_when_done, nLanguage);
      break;
  }
}

BOOLEAN T_MENULAYER_bDescribe(U32 u32Level, unsigned nLanguage, MENU_PANEL* p, MENU_PANEL_TEXTS* t) {
  memset(p, 0, sizeof *p);
  const MENU_OPEN& o = g_sMenuOpen;
  if (o.eRoot == MENU_ROOT_NONE || u32Level > o.u32Depth) return FALSE;
  LAYER_vHead(u32Level, nLanguage, p, t);
  const MENU_LEVEL& l = o.aLevels[u32Level];
  U16 au16Rows[MENU_MAX_ITEMS];
  const U32 n = T_MENUSTORE_u32LevelRows(u32Level, au16Rows, MENU_MAX_ITEMS);
  U32 sel = T_MENUSTORE_u32Selected(u32Level, au16Rows, n);
  if (u32Level == 0 && o.eRoot == MENU_ROOT_MAIN && o.bTabFocus) sel = MENU_NO_ROW;
  // Rows may have come or gone since the selection last moved.
  U32 top = l.u32Top;
  if (sel != MENU_NO_ROW && sel < top) top = sel;
  if (sel != MENU_NO_ROW && sel >= top + MENU_PANEL_ROWS) top = sel + 1 - MENU_PANEL_ROWS;
  if (top + MENU_PANEL_ROWS > n) top = n > MENU_PANEL_ROWS ? n - MENU_PANEL_ROWS : 0;
  const MENU_ITEM* pList = T_MENUSTORE_pItem(l.u16Item);
  for (U32 i = top; i < n && p->u32Rows < MENU_PANEL_ROWS; i++) {
    MENU_PANEL_ROW* r = &p->aRows[p->u32Rows];
    char* pcBuffer = t->aacValue[p->u32Rows++];
    r->bSelected = i == sel;
    if (l.eKind == MENU_LEVEL_ITEMS) {
      LAYER_vItemRow(T_MENUSTORE_pItem(au16Rows[i]), nLanguage, r, pcBuffer);
      continue;
    }
    r->eControl = MENU_CONTROL_ACTION;
    r->bArrow = TRUE;
    r->pcLabel = l.eKind == MENU_LEVEL_INFO ? T_MENUSTORE_pcText(o.aInfo[i].pName, nLanguage)
                 : pList != nullptr        ? T_MENUSTORE_pcText(pList->value.pChoices[i], nLanguage)
                                           : nullptr;
  }
  p->bMoreUp = top > 0;
  p->bMoreDown = top + MENU_PANEL_ROWS < n;
  return TRUE;
}

// ---------------------------------------------------------------------------
// Draw functions

// The levels a layer draws, described under the lock.
typedef struct tag_LAYER_PICTURE {
  MENU_PANEL aPanels[MENU_MAX_LEVELS];
  MENU_PANEL_TEXTS aTexts[MENU_MAX_LEVELS];
  U32 u32Levels;
} LAYER_PICTURE;

// The descriptions are too large for a task's stack. The view task is the
// one drawer; the lock keeps a frame composed on another thread (a benchmark)
// off its picture.
static LAYER_PICTURE s_picture;
static std::mutex s_pictureLock;

static BOOLEAN LAYER_bLock(void) { return L_MUTEX_LockTime(RES_MENU, LAYER_LOCK_WAIT) == 0; }

// Describes levels 0 to the deepest open one when the root is one of the
// kinds asked for; nothing when it is not or the lock cannot be had.
static BOOLEAN LAYER_bTake(U32 u32RootMask, BOOLEAN bAllLevels) {
  s_picture.u32Levels = 0;
  if (!LAYER_bLock()) return FALSE;
  const unsigned nLanguage = nCurrentLanguage();
  if (u32RootMask & (1u << g_sMenuOpen.eRoot)) {
    const U32 u32Last = bAllLevels ? g_sMenuOpen.u32Depth : 0;
    for (U32 i = 0; i <= u32Last; i++) {
      if (T_MENULAYER_bDescribe(i, nLanguage, &s_picture.aPanels[i], &s_picture.aTexts[i])) s_picture.u32Levels = i + 1;
    }
  }
  L_MUTEX_Unlock(RES_MENU);
  return s_picture.u32Levels > 0;
}

// Draws levels u32From on, each cascaded from the one before.
static void LAYER_vDraw(BITMAP* pBitmap, U32 u32From) {
  const U32 u32XOrigin = U_VIEW_u32XOrigin();
  MENU_PANEL_BOX box = {}, parent = {};
  for (U32 i = 0; i < s_picture.u32Levels; i++) {
    U_MENUPANEL_vLayout(&s_picture.aPanels[i], u32XOrigin, i > 0 ? &parent : nullptr, &box);
    if (i >= u32From) U_MENUPANEL_vDraw(pBitmap, &s_picture.aPanels[i], &box);
    parent = box;
  }
}

void T_MENULAYER_vDrawRoot(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  std::lock_guard<std::mutex> picture(s_pictureLock);
  const U32 mask = 1u << MENU_ROOT_EXPRESS | 1u << MENU_ROOT_FLOATING | 1u << MENU_ROOT_INFO;
  if (LAYER_bTake(mask, FALSE)) LAYER_vDraw(pBitmap, 0);
}

void T_MENULAYER_vDrawMain(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  std::lock_guard<std::mutex> picture(s_pictureLock);
  if (LAYER_bTake(1u << MENU_ROOT_MAIN, FALSE)) LAYER_vDraw(pBitmap, 0);
}

void T_MENULAYER_vDrawSub(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  std::lock_guard<std::mutex> picture(s_pictureLock);
  const U32 mask = 1u << MENU_ROOT_EXPRESS | 1u << MENU_ROOT_MAIN;
  if (LAYER_bTake(mask, TRUE) && s_picture.u32Levels > 1) LAYER_vDraw(pBitmap, 1);
}

void T_MENULAYER_vDrawQuick(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  std::lock_guard<std::mutex> picture(s_pictureLock);
  if (LAYER_bTake(1u << MENU_ROOT_QUICK, FALSE)) LAYER_vDraw(pBitmap, 0);
}

void T_MENULAYER_vDrawSingle(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  std::lock_guard<std::mutex> picture(s_pictureLock);
  MENU_PANEL* p = &s_picture.aPanels[0];
  memset(p, 0, sizeof *p);
  if (!LAYER_bLock()) return;
  const BOOLEAN bShown = g_sMenuOpen.bSingle && g_sMenuOpen.bSingleShown;
  if (bShown) {
    const unsigned nLanguage = nCurrentLanguage();
    const MENU_SINGLE& s = g_sMenuOpen.sSingle;
    p->eKind = MENU_PANEL_SINGLE;
    p->eSplit = SPLIT_FULL_WINDOW;
    p->pcTitle = T_MENUSTORE_pcText(s.pTitle, nLanguage);
    p->u32Rows = 1;
    LAYER_vValueRow(&s.value, s.bLoop, nLanguage, &p->aRows[0], s_picture.aTexts[0].aacValue[0],
                    U_MENULOOK_pBigFont());
    p->aRows[0].eControl = MENU_CONTROL_SLIDER;
  }
  L_MUTEX_Unlock(RES_MENU);
  if (!bShown) return;
  s_picture.u32Levels = 1;
  LAYER_vDraw(pBitmap, 0);
}
