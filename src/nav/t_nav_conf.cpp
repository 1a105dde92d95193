// Yes/no questions of the navigation screens. The one in use hands the
// question to the message boxes; beside it a queue of option dialogs of the
// navigation task's own, shown one at a time, answered by EXIT and the
// cursor key, guarded by mutex 11.

#include <string.h>

#include "color.h"
#include "g_box.h"
#include "g_fontdata.h"
#include "g_icon.h"
#include "g_truetype.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_messagebox.h"
#include "t_nav_views.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_view.h"
#include "u_wstring.h"

constexpr U32 NAV_CONF_LINES = 10;
constexpr U16 NAV_CONF_WRAP = 533;

typedef struct tag_CONF_INFO {
  struct tag_CONF_INFO* pNext;
  const char* pStatement;
  int nLang;
  int nLines;
  LINEOFTEXT lines[NAV_CONF_LINES];
  NAV_CONF_ACTION pYes;
  NAV_CONF_ACTION pNo;
  const char* pTitle;
  const ICON* pTitleIcon;
  const char* pLeftChoice;
  const char* pRightChoice;
} CONF_INFO_TAG;

static CONF_INFO_TAG* s_pConf;

void T_NAV_CONF_vSetup(const char* pStatement, NAV_CONF_ACTION pYes, NAV_CONF_ACTION pNo) {
  T_MESSAGEBOX_vSetupConfMessageWithTitle(pStatement, pNo, pYes, TRUE, 0);
}

static const FONT_DEF* CONF_pFont(void) {
  return U_WSTRING_bIsUnicodeLanguage() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
}

// The keys and the layer go with the last question; the caller holds mutex 11.
static void CONF_vReleaseIfEmpty(void) {
  if (s_pConf != nullptr) return;
  U_KEYBOARD_bUnregisterKeys(M_NAV, 0xFFFE);
  U_VIEW_bUnRegisterLayer(NAV_CONF_LAYER);
}

static void CONF_vRemoveHead(void) {
  CONF_INFO_TAG* p = s_pConf;
  if (p == nullptr) return;
  s_pConf = p->pNext;
  H_MEMORY_vFree(p);
}

void T_NAV_CONF_vShowOptions(const char* pTitle, const ICON* pTitleIcon, const char* pStatement,
                             const char* pLeftChoice, const char* pRightChoice, NAV_CONF_ACTION pfLeftAction,
                             NAV_CONF_ACTION pfRightAction) {
  if (pStatement == nullptr) return;
  CONF_INFO_TAG* p = (CONF_INFO_TAG*)H_MEMORY_pvMallocNoWait(sizeof(CONF_INFO_TAG));
  if (p == nullptr) return;
  memset(p, 0, sizeof *p);
  p->pStatement = pStatement;
  p->nLang = (int)nCurrentLanguage();
  LINEOFTEXT all[U_DIALOG_MAX_LINES];
  const U16 n = U_DIALOG_u16ExtractTextIntoLines(pStatement, all, CONF_pFont(), NAV_CONF_WRAP, FALSE);
  p->nLines = n < NAV_CONF_LINES ? n : (int)NAV_CONF_LINES;
  memcpy(p->lines, all, sizeof(LINEOFTEXT) * (size_t)p->nLines);
  p->pNo = pfLeftAction;
  p->pYes = pfRightAction;
  p->pTitle = pTitle;
  p->pTitleIcon = pTitleIcon;
  p->pLeftChoice = pLeftChoice;
  p->pRightChoice = pRightChoice;
  L_MUTEX_LockWait(RES_NAV_CONF);
  CONF_INFO_TAG** pp = &s_pConf;
  while (*pp != nullptr) pp = &(*pp)->pNext;
  const BOOLEAN bFirst = s_pConf == nullptr;
  *pp = p;
  if (bFirst) {
    U_KEYBOARD_bRegisterKeys(M_NAV, 0xFFEF, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_DIALOG_BOX);
    U_KEYBOARD_bRegisterKeys(M_NAV, HKEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
    U_VIEW_bRegisterLayer(T_NAV_CONF_vRender, NAV_CONF_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr);
  }
  L_MUTEX_Unlock(RES_NAV_CONF);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

BOOLEAN T_NAV_CONF_bHandleKeys(const MSG_KEY_CHANGE* pKey) {
  if (pKey == nullptr || (pKey->key != HKEY_MASK_EXIT && pKey->key != HKEY_MASK_CURSOR)) return FALSE;
  L_MUTEX_LockWait(RES_NAV_CONF);
  CONF_INFO_TAG* p = s_pConf;
  if (p == nullptr) {
    L_MUTEX_Unlock(RES_NAV_CONF);
    return FALSE;
  }
  NAV_CONF_ACTION pAnswer = nullptr;
  BOOLEAN bAnswered = TRUE;
  if (pKey->key == HKEY_MASK_EXIT || pKey->cursor == CURSOR_WEST) {
    pAnswer = p->pNo;
  } else if (pKey->cursor == CURSOR_EAST) {
    pAnswer = p->pYes;
  } else {
    bAnswered = FALSE;
  }
  if (bAnswered) {
    CONF_vRemoveHead();
    CONF_vReleaseIfEmpty();
  }
  L_MUTEX_Unlock(RES_NAV_CONF);
  // The answer may ask again: it runs without the queue's lock.
  if (!bAnswered) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  } else if (pAnswer != nullptr) {
    pAnswer();
  } else {
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  }
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return TRUE;
}

void T_NAV_CONF_vReset(U32 u32Priority) {
  (void)u32Priority;
  L_MUTEX_LockWait(RES_NAV_CONF);
  const BOOLEAN bAny = s_pConf != nullptr;
  while (s_pConf != nullptr) CONF_vRemoveHead();
  if (bAny) CONF_vReleaseIfEmpty();
  L_MUTEX_Unlock(RES_NAV_CONF);
}

void T_NAV_CONF_vRemoveAllMatching(const char* pStatement) {
  L_MUTEX_LockWait(RES_NAV_CONF);
  const BOOLEAN bAny = s_pConf != nullptr;
  for (CONF_INFO_TAG** pp = &s_pConf; *pp != nullptr;) {
    CONF_INFO_TAG* p = *pp;
    if (p->pStatement == pStatement) {
      *pp = p->pNext;
      H_MEMORY_vFree(p);
    } else {
      pp = &p->pNext;
    }
  }
  if (bAny) CONF_vReleaseIfEmpty();
  L_MUTEX_Unlock(RES_NAV_CONF);
}

U32 T_NAV_CONF_u32Pending(void) {
  L_MUTEX_LockWait(RES_NAV_CONF);
  U32 n = 0;
  for (const CONF_INFO_TAG* p = s_pConf; p != nullptr; p = p->pNext) n++;
  L_MUTEX_Unlock(RES_NAV_CONF);
  return n;
}

// ---------------------------------------------------------------------------
// Drawing (view task); y grows upward

static void CONF_vText(BITMAP* pBitmap, const char* pText, U32 u32Bytes, S32 x, S32 y, const FONT_DEF* pFont) {
  char line[2 * 100 + 2] = {};
  memcpy(line, pText, u32Bytes < sizeof line - 2 ? u32Bytes : sizeof line - 2);
  POINT anchor = {x, y};
  G_TRUETYPE_M_vPut(pBitmap, line, &anchor, gCOLOR_pcolColorTable[68], pFont);
}

void T_NAV_CONF_vRender(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  (void)psWindowSpec;
  if (pBitmap == nullptr || L_MUTEX_LockTime(RES_NAV_CONF, 100) != 0) return;
  const CONF_INFO_TAG* p = s_pConf;
  if (p == nullptr) {
    L_MUTEX_Unlock(RES_NAV_CONF);
    return;
  }
  const FONT_DEF* pFont = CONF_pFont();
  const BOOLEAN bTitle = p->pTitle != nullptr || p->pTitleIcon != nullptr;
  const S32 height = 24 * p->nLines + 42 + (bTitle ? 36 : 0);
  S32 widest = 0;
  for (int i = 0; i < p->nLines; i++) widest = p->lines[i].u16WidthOfLine > widest ? p->lines[i].u16WidthOfLine : widest;
  const S32 icon = p->pTitleIcon != nullptr ? p->pTitleIcon->nWidth : 0;
  const S32 titleBlock = (p->pTitle != nullptr ? (S32)G_TRUETYPE_M_u32GetWidth(p->pTitle, pFont) : 0) + 2 * icon;
  S32 width = titleBlock > widest + 4 ? titleBlock + 16 : widest + 20;
  const S32 choices = (p->pLeftChoice != nullptr ? (S32)G_TRUETYPE_M_u32GetWidth(p->pLeftChoice, pFont) : 0) +
                      (p->pRightChoice != nullptr ? (S32)G_TRUETYPE_M_u32GetWidth(p->pRightChoice, pFont) : 0);
  if (width < choices) width = choices;
  const S32 screenW = (S32)pBitmap->pixels_wide, screenH = (S32)pBitmap->pixels_high;
  const S32 left = (screenW - 160 - width) / 2 + 160;
  const S32 bottom = (screenH - height) / 2;
  const S32 top = bottom + height;
  POINT a = {left, bottom};
  G_BOX_vDrawRounded(pBitmap, gCOLOR_pcolColorTable[67], &a, (U32)width, (U32)height, 5);
  a = {left + 1, bottom + 1};
  G_BOX_vDrawRounded(pBitmap, gCOLOR_pcolColorTable[67], &a, (U32)(width - 2), (U32)(height - 2), 3);
  a = {left + 2, bottom + 2};
  G_BOX_vDrawRoundedFilled(pBitmap, gCOLOR_pcolColorTable[71], &a, (U32)(width - 4), (U32)(height - 4), 3);
  S32 y = top;
  if (bTitle) {
    a = {left, top - 36};
    G_BOX_vDrawFilled(pBitmap, gCOLOR_pcolColorTable[67], &a, (U32)width, 1);
    const S32 titleW = p->pTitle != nullptr ? (S32)G_TRUETYPE_M_u32GetWidth(p->pTitle, pFont) : 0;
    const S32 tx = left + (width - titleW) / 2;
    if (p->pTitleIcon != nullptr) {
      POINT ia = {tx - 6 - icon, top - 30};
      G_ICON_vPut(pBitmap, p->pTitleIcon, &ia);
    }
    if (p->pTitle != nullptr) CONF_vText(pBitmap, p->pTitle, (U32)strlen(p->pTitle), tx, top - 28, pFont);
    y -= 36;
  }
  for (int i = 0; i < p->nLines; i++) {
    y -= 24;
    CONF_vText(pBitmap, p->lines[i].pcStartOfText, p->lines[i].u8NumberOfCharsInLine, left + 10, y, pFont);
  }
  U_MENU_vDrawArrowLeft(pBitmap, left + 23, bottom + 6, 26, gCOLOR_pcolColorTable[68]);
  if (p->pLeftChoice != nullptr) CONF_vText(pBitmap, p->pLeftChoice, (U32)strlen(p->pLeftChoice), left + 40, bottom + 10, pFont);
  const S32 rightArrow = left + width - 24 - 13;
  U_MENU_vDrawArrowRight(pBitmap, rightArrow, bottom + 6, 26, gCOLOR_pcolColorTable[68]);
  if (p->pRightChoice != nullptr) {
    const S32 w = (S32)G_TRUETYPE_M_u32GetWidth(p->pRightChoice, pFont);
    CONF_vText(pBitmap, p->pRightChoice, (U32)strlen(p->pRightChoice), rightArrow - 4 - w, bottom + 10, pFont);
  }
  L_MUTEX_Unlock(RES_NAV_CONF);
}
