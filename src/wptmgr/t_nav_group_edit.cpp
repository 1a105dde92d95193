// The edit-form machinery shared by every form of the manager: stepping a
// value by its edit type, the keys of a form and of its character editor,
// the drawing, and saving or leaving with "Save Changes?".

#include <string.h>

#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "t_info.h"
#include "t_messagebox.h"
#include "t_nav_alarm.h"
#include "t_nav_group_edit.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_nav_edit.h"
#include "u_wstring.h"
#include "ui_texts.h"

WPM_FORM_STATE g_WPMForm;

// ---------------------------------------------------------------------------
// Stepping

static const char* WPM_pcTypeTable(GROUP_MGR_EDIT_TYPE eType) {
  switch (eType) {
    case EDIT_TYPE_CHAR:
      return WPM_pcText(Alphabet);
    case EDIT_TYPE_00:
      return " 0123456789";
    case EDIT_TYPE_01:
      return "01";
    case EDIT_TYPE_03:
      return "0123";
    case EDIT_TYPE_05:
      return "012345";
    case EDIT_TYPE_07:
      return "01234567";
    case EDIT_TYPE_09:
      return "0123456789";
    default:
      return nullptr;
  }
}

static U8 WPM_cToggle(U8 cValue, const char* const* pA, const char* const* pB) {
  const U8 a = (U8)WPM_pcText(pA)[0], b = (U8)WPM_pcText(pB)[0];
  if (cValue == a) return b;
  if (cValue == b) return a;
  return cValue;
}

U8 T_NAV_GROUP_cEditWindowStepValue(const void* pDisplayList, const U16* pnDisplayList, U8 cValue,
                                    GROUP_MGR_EDIT_TYPE eType, BOOLEAN bForward) {
  const int d = bForward ? 1 : -1;
  switch (eType) {
    case EDIT_TYPE_ICON_ARRAY:
    case EDIT_TYPE_STRING_LIST:
    case EDIT_TYPE_ICON_VAR: {
      const int n = pnDisplayList != nullptr ? *pnDisplayList : 0;
      if (n <= 0) return 0;
      int r = ((n + cValue + d) % n + n) % n;
      // The man-overboard icon is never offered as a waypoint's icon.
      if (eType == EDIT_TYPE_ICON_ARRAY && pDisplayList != nullptr && ((const U16*)pDisplayList)[r] == 30) {
        r = ((r + d) % n + n) % n;
      }
      return (U8)r;
    }
    case EDIT_TYPE_YESNO:
      return cValue > 1 ? 0 : (U8)(1 - cValue);
    case EDIT_TYPE_ICON:
      return (U8)((cValue + 72 + d) % 72);
    case EDIT_TYPE_COLOR:
      return (U8)((cValue + d) & 15);
    case EDIT_TYPE_TRACKSTYLE:
      return (U8)((cValue + d) & 3);
    case EDIT_TYPE_NS:
      return WPM_cToggle(cValue, Direction_N, Direction_S);
    case EDIT_TYPE_EW:
      return WPM_cToggle(cValue, Direction_E, Direction_W);
    default:
      break;
  }
  const char* table = WPM_pcTypeTable(eType);
  if (table == nullptr) return 255;
  const U8 first = (U8)WPM_pcText(Alphabet)[0];
  const size_t len = strlen(table);
  const char look = (eType == EDIT_TYPE_CHAR && cValue == 0) ? ' ' : (char)cValue;
  const char* at = (len == 0 || look == 0) ? nullptr : strchr(table, look);
  if (at == nullptr) return first;
  const size_t i = (size_t)(at - table);
  return (U8)table[bForward ? (i + 1) % len : (i + len - 1) % len];
}

// The waypoint-type codes a mixed position offers, in order: presets 0, 1,
// 3 to 29 and 47.
static U16 WPM_u16TypeCode(U32 i) { return i < 2 ? (U16)(0xFDD0 + i) : i < 29 ? (U16)(0xFDD1 + i) : (U16)0xFDFF; }
constexpr U32 WPM_TYPE_CODES = 30;

static U16 WPM_u16Unit(const char* p) { return (U16)(((U8)p[0] << 8) | (U8)p[1]); }

static U16 WPM_u16WideToggle(U16 c, const char* const* pA, const char* const* pB) {
  const U16 a = WPM_u16Unit(WPM_pcText(pA)), b = WPM_u16Unit(WPM_pcText(pB));
  return c == a ? b : c == b ? a : 0;
}

U16 T_NAV_GROUP_u16EditWindowStepWide(U16 c, GROUP_MGR_EDIT_TYPE eType, BOOLEAN bForward) {
  const U32 nLang = nCurrentLanguage();
  switch (eType) {
    case EDIT_TYPE_CHAR_U: {
      const U16 look = c == 0 ? (U16)' ' : c;
      return bForward ? T_NAV_u16NextWCharInAlphabet(nLang, look) : T_NAV_u16PrevWCharInAlphabet(nLang, look);
    }
    case EDIT_TYPE_MIXED_CHAR:
      if (c < 0xFDD0 || c > 0xFDFE) return bForward ? 0xFDD0 : 0xFDED;
      if (bForward) {
        for (U32 i = 0; i < WPM_TYPE_CODES; i++) {
          if (WPM_u16TypeCode(i) > c) return WPM_u16TypeCode(i);
        }
      }
      for (U32 i = WPM_TYPE_CODES; i-- > 0;) {
        if (WPM_u16TypeCode(i) < c) return WPM_u16TypeCode(i);
      }
      return 0xFDFF;
    case EDIT_TYPE_NS:
      return WPM_u16WideToggle(c, Direction_N, Direction_S);
    case EDIT_TYPE_EW:
      return WPM_u16WideToggle(c, Direction_E, Direction_W);
    default:
      break;
  }
  const char* alphabet = WPM_pcText(Alphabet);
  const U16 first = WPM_u16Unit(alphabet);
  if (eType == EDIT_TYPE_CHAR) {
    // The language's own alphabet is wide text.
    const U16 look = c == 0 ? (U16)' ' : c;
    U32 n = 0, at = 0;
    BOOLEAN bFound = FALSE;
    for (; WPM_u16Unit(alphabet + 2 * n) != 0; n++) {
      if (!bFound && WPM_u16Unit(alphabet + 2 * n) == look) {
        at = n;
        bFound = TRUE;
      }
    }
    if (!bFound || n == 0) return first;
    return WPM_u16Unit(alphabet + 2 * (bForward ? (at + 1) % n : (at + n - 1) % n));
  }
  const char* table = WPM_pcTypeTable(eType);
  if (table == nullptr) return 0xFFFF;
  const size_t len = strlen(table);
  const char* at = (len == 0 || c == 0 || c > 0x7F) ? nullptr : strchr(table, (char)c);
  if (at == nullptr) return first;
  const size_t i = (size_t)(at - table);
  return (U8)table[bForward ? (i + 1) % len : (i + len - 1) % len];
}

// ---------------------------------------------------------------------------
// Keys

static BOOLEAN WPM_bTextType(GROUP_MGR_EDIT_TYPE t) {
  return t == EDIT_TYPE_CHAR || t == EDIT_TYPE_CHAR_U || t == EDIT_TYPE_MIXED_CHAR;
}

BOOLEAN WPM_bWideRow(const EDIT_FIELD* f) {
  return f->type == EDIT_TYPE_CHAR_U || f->type == EDIT_TYPE_MIXED_CHAR;
}

// Position p's character (from 0) of a text row, 16-bit in a wide row.
static U16 WPM_u16CharAt(const EDIT_FIELD* f, U32 p) {
  return WPM_bWideRow(f) ? WPM_u16Unit(f->value_string + 2 * p) : (U8)f->value_string[p];
}

static void WPM_vSetCharAt(EDIT_FIELD* f, U32 p, U16 c) {
  if (WPM_bWideRow(f)) {
    f->value_string[2 * p] = (char)(c >> 8);
    f->value_string[2 * p + 1] = (char)c;
  } else {
    f->value_string[p] = (char)c;
  }
}

// Positions a row's buffer holds with room for its end mark.
static U32 WPM_u32Positions(const EDIT_FIELD* f) {
  return WPM_bWideRow(f) ? EDIT_FIELD_VALUE_SIZE / 2 - 1 : EDIT_FIELD_VALUE_SIZE - 2;
}

static EDIT_FIELD* WPM_pSelected(POPUP_EDIT_WINDOW* p, S32* pIndex) {
  for (S32 i = 0; p->pEditFields[i].name != nullptr; i++) {
    if (p->pEditFields[i].highlight >= 0) {
      *pIndex = i;
      return &p->pEditFields[i];
    }
  }
  return nullptr;
}

static BOOLEAN WPM_bSelectable(const EDIT_FIELD* f) {
  return f->type != EDIT_TYPE_STATIC && !f->bDisabled && !f->bInactive;
}

static BOOLEAN WPM_bValidate(POPUP_EDIT_WINDOW* p) {
  return p->pUpdateDataFunc == nullptr || p->pUpdateDataFunc(&p->parent);
}

static void WPM_vCloseEdit(POPUP_EDIT_WINDOW* p) {
  if (p->parent.pDestoryFunc != nullptr) p->parent.pDestoryFunc(&p->parent);
  p->parent.bActive = FALSE;
  g_WPMForm.bEditMenuChange = FALSE;
}

static void WPM_vSaveAndClose(POPUP_EDIT_WINDOW* p) {
  if (p->pSaveFunc != nullptr) {
    if (!WPM_bValidate(p)) {
      WPM_vClick(FALSE);
      return;
    }
    p->pSaveFunc(p->pData, p->u32Index);
  }
  WPM_vCloseEdit(p);
  WPM_vClick(TRUE);
}

static void WPM_vRestoreCounters(void) {
  if (g_WPMForm.bNewGroupCreated) {
    g_WPMForm.bNewGroupCreated = FALSE;
    H_DATABASE_bUpdateValueS32(FCID("SGID"), g_WPMForm.s32OldGroupCount2Name, P_NORMAL);
  } else if (g_WPMForm.bNewWaypointCreated) {
    g_WPMForm.bNewWaypointCreated = FALSE;
    H_DATABASE_bUpdateValueS32(FCID("SWID"), g_WPMForm.s32OldWaypointCount2Name, P_NORMAL);
  } else if (g_WPMForm.bNewRouteCreated) {
    g_WPMForm.bNewRouteCreated = FALSE;
  }
}

static void WPM_vCloseEditor(POPUP_EDIT_WINDOW* p, EDIT_FIELD* f) {
  if (!WPM_bValidate(p)) {
    WPM_vClick(FALSE);
    return;
  }
  if (f != nullptr) f->highlight = 0;
  g_WPMForm.bEditMenuChange = FALSE;
  WPM_vClick(TRUE);
}

static void WPM_vExit(POPUP_EDIT_WINDOW* p, EDIT_FIELD* f) {
  if (g_WPMForm.bEditMenuChange) {
    WPM_vCloseEditor(p, f);
  } else if (p->bDirty) {
    g_WPM.pfnConfYes = T_NAV_GROUP_vEditWindowSaveAndExit;
    g_WPM.pfnConfNo = T_NAV_GROUP_vEditWindowCancelAndExit;
    T_MESSAGEBOX_vSetupConfMessageWithTitle(WPM_pcText(Save_Changes), T_NAV_GROUP_vNavConfNo,
                                            T_NAV_GROUP_vNavConfYes, TRUE, 0);
  } else {
    if (p->pCancelFunc != nullptr) p->pCancelFunc(p->u32Index);
    WPM_vCloseEdit(p);
    WPM_vRestoreCounters();
    WPM_vClick(TRUE);
  }
}

static void WPM_vMoveSelection(POPUP_EDIT_WINDOW* p, S32 sel, int d) {
  for (S32 i = sel + d; i >= 0 && p->pEditFields[i].name != nullptr; i += d) {
    if (WPM_bSelectable(&p->pEditFields[i])) {
      p->pEditFields[sel].highlight = -1;
      p->pEditFields[i].highlight = 0;
      WPM_vClick(TRUE);
      return;
    }
  }
  WPM_vClick(FALSE);
}

static void WPM_vStepValue(POPUP_EDIT_WINDOW* p, EDIT_FIELD* f, U32 at, GROUP_MGR_EDIT_TYPE eType,
                           BOOLEAN bForward) {
  if (WPM_bWideRow(f)) {
    if (at >= WPM_u32Positions(f)) return;
    const U16 c = T_NAV_GROUP_u16EditWindowStepWide(WPM_u16CharAt(f, at), eType, bForward);
    if (c == 0xFFFF) return;
    WPM_vSetCharAt(f, at, c);
  } else {
    if (at >= EDIT_FIELD_VALUE_SIZE - 1) return;
    const U8 c = T_NAV_GROUP_cEditWindowStepValue(f->pDisplayList, &f->nDisplayList, (U8)f->value_string[at], eType,
                                                  bForward);
    if (c == 255) return;
    f->value_string[at] = (char)c;
  }
  p->bDirty = TRUE;
  if (f->pHookDataFunc != nullptr) f->pHookDataFunc(&p->parent);
}

static U8 WPM_cMaskAt(const EDIT_FIELD* f, S32 pos) {
  if (f->candidate_mask == nullptr || pos < 1 || (size_t)pos > strlen(f->candidate_mask)) return ' ';
  return (U8)f->candidate_mask[pos - 1];
}

static void WPM_vCursorRight(POPUP_EDIT_WINDOW* p, EDIT_FIELD* f) {
  const S32 len = f->string_len <= WPM_u32Positions(f) ? f->string_len : (S32)WPM_u32Positions(f);
  S32 pos = f->highlight + 1;
  while (pos <= len && WPM_cMaskAt(f, pos) == ' ') pos++;
  if (pos > len) {
    if (g_WPMForm.bEditMenuChange && WPM_bValidate(p)) f->highlight = 0;
    WPM_vClick(FALSE);
    return;
  }
  const U8 kind = WPM_cMaskAt(f, pos);
  const BOOLEAN bGrows = kind == EDIT_TYPE_CHAR || kind == EDIT_TYPE_CHAR_U || kind == EDIT_TYPE_MIXED_CHAR;
  if (bGrows && WPM_u16CharAt(f, (U32)pos - 1) == 0) {
    // The text grows as the cursor moves past its end, so a character set
    // further on is never cut off by an end mark before it.
    WPM_vSetCharAt(f, (U32)pos - 1, ' ');
    WPM_vSetCharAt(f, (U32)pos, 0);
  }
  f->highlight = (S16)pos;
  WPM_vClick(TRUE);
}

static void WPM_vCursorLeft(EDIT_FIELD* f) {
  if (f->highlight == 1) {
    f->highlight = 0;
    WPM_vClick(TRUE);
    return;
  }
  S32 pos = f->highlight - 1;
  while (pos >= 1 && WPM_cMaskAt(f, pos) == ' ') pos--;
  if (pos < 1) {
    WPM_vClick(FALSE);
    return;
  }
  f->highlight = (S16)pos;
  WPM_vClick(TRUE);
}

static BOOLEAN WPM_bSteppedByPad(const EDIT_FIELD* f) {
  return f->type == EDIT_TYPE_ICON_ARRAY || f->type == EDIT_TYPE_COLOR || f->type == EDIT_TYPE_TRACKSTYLE ||
         (f->type == EDIT_TYPE_STRING_LIST && f->highlight == 0);
}

static void WPM_vSideways(POPUP_EDIT_WINDOW* p, EDIT_FIELD* f, BOOLEAN bEast) {
  if (f->type == EDIT_TYPE_SAVE) {
    if (bEast) {
      WPM_vSaveAndClose(p);
    } else {
      WPM_vClick(FALSE);
    }
    return;
  }
  if (WPM_bSteppedByPad(f)) {
    WPM_vStepValue(p, f, (U32)(f->highlight > 0 ? f->highlight : 0), f->type, !bEast);
    if (f->type == EDIT_TYPE_TRACKSTYLE) {
      // The colour row only means something for a drawn line.
      EDIT_FIELD* pColour = &p->pEditFields[3];
      pColour->bInactive = f->value_string[0] == 0;
    }
    WPM_vClick(TRUE);
    return;
  }
  if (!WPM_bTextType(f->type)) {
    WPM_vClick(FALSE);
    return;
  }
  if (bEast) {
    WPM_vCursorRight(p, f);
  } else if (f->highlight == 0) {
    WPM_vClick(FALSE);
  } else {
    WPM_vCursorLeft(f);
  }
}

BOOLEAN T_NAV_GROUP_bEditWindowHandleKeys(POPUP_WINDOW* pWin, const MSG_KEY_CHANGE* pMsg) {
  POPUP_EDIT_WINDOW* p = (POPUP_EDIT_WINDOW*)pWin;
  S32 sel = -1;
  EDIT_FIELD* f = WPM_pSelected(p, &sel);
  switch (pMsg->key) {
    case HKEY_MASK_EXIT:
      WPM_vExit(p, f);
      return TRUE;
    case HKEY_MASK_CURSOR:
      break;
    case 0x80:
      if (g_WPMForm.bMarkFlag) {
        WPM_vSaveAndClose(p);
        g_WPMForm.bMarkFlag = FALSE;
      }
      return TRUE;
    case 0x200:
      if (g_WPMForm.bEditMenuChange) WPM_vCloseEditor(p, f);
      return TRUE;
    default:
      WPM_vClick(FALSE);
      return TRUE;
  }
  if (f == nullptr) {
    WPM_vClick(FALSE);
    return TRUE;
  }
  switch (pMsg->cursor) {
    case CURSOR_NORTH:
    case CURSOR_SOUTH: {
      const BOOLEAN bNorth = pMsg->cursor == CURSOR_NORTH;
      if (g_WPMForm.bEditMenuChange && f->highlight > 0) {
        WPM_vStepValue(p, f, (U32)(f->highlight - 1), (GROUP_MGR_EDIT_TYPE)WPM_cMaskAt(f, f->highlight), bNorth);
      } else {
        WPM_vMoveSelection(p, sel, bNorth ? -1 : 1);
      }
      return TRUE;
    }
    case CURSOR_EAST:
    case CURSOR_WEST:
      WPM_vSideways(p, f, pMsg->cursor == CURSOR_EAST);
      return TRUE;
    default:
      return TRUE;
  }
}

void T_NAV_GROUP_vEditWindowSaveAndExit(void) {
  POPUP_EDIT_WINDOW* p = (POPUP_EDIT_WINDOW*)g_WPM.pPopupWindow;
  if (p == nullptr || !p->parent.bActive || p->parent.pKeyHandleFunc != T_NAV_GROUP_bEditWindowHandleKeys) {
    WPM_vClick(TRUE);
    return;
  }
  WPM_vSaveAndClose(p);
}

void T_NAV_GROUP_vEditWindowCancelAndExit(void) {
  POPUP_EDIT_WINDOW* p = (POPUP_EDIT_WINDOW*)g_WPM.pPopupWindow;
  if (p == nullptr || !p->parent.bActive || p->parent.pKeyHandleFunc != T_NAV_GROUP_bEditWindowHandleKeys) return;
  if (p->pCancelFunc != nullptr) p->pCancelFunc(p->u32Index);
  WPM_vCloseEdit(p);
  WPM_vClick(TRUE);
}

void WPM_vOpenForm(POPUP_EDIT_WINDOW* pWin, const char* const* strTitle, S32 nWidth, S32 nHeight) {
  for (S32 i = 0; pWin->pEditFields[i].name != nullptr; i++) pWin->pEditFields[i].highlight = i == 0 ? 0 : -1;
  const U32 origin = T_INFO_u32XOrigin();
  pWin->parent.strTitle = strTitle;
  pWin->parent.nWidth = nWidth;
  pWin->parent.nHeight = nHeight;
  pWin->parent.ptAnchor = {(S32)(origin + (U32)(800 - nWidth - (S32)origin) / 2), (480 - nHeight) / 2};
  pWin->parent.pDrawFunc = T_NAV_GROUP_vEditWindowDraw;
  pWin->parent.pKeyHandleFunc = T_NAV_GROUP_bEditWindowHandleKeys;
  pWin->bDirty = FALSE;
  pWin->parent.bActive = TRUE;
  g_WPMForm.bEditMenuChange = FALSE;
  g_WPM.pPopupWindow = &pWin->parent;
}

void WPM_vInstallForm(POPUP_EDIT_WINDOW* pWin, EDIT_FIELD* pFields, const WPM_FORM_LAYOUT& form) {
  *pWin = {};
  pWin->pEditFields = pFields;
  pWin->pUpdateDataFunc = form.pUpdate;
  pWin->pSaveFunc = form.pSave;
  pWin->pData = form.pData;
  pWin->u32Index = form.u32Index;
  pWin->parent.ppStrFooter = form.ppStrFooter;
  WPM_vOpenForm(pWin, form.strTitle, form.nWidth, form.nHeight);
}

// ---------------------------------------------------------------------------
// Helpers of the forms

static const char* const* const s_StringListVisibility[] = {Hidden, Visible};

EDIT_FIELD WPM_Row(const char* const* name, GROUP_MGR_EDIT_TYPE eType) {
  EDIT_FIELD f = {};
  f.name = name;
  f.highlight = -1;
  f.type = eType;
  f.string_len = 1;
  return f;
}

void WPM_vWidenRow(EDIT_FIELD* f) {
  if (!U_WSTRING_bIsUnicodeLanguage() || f->type != EDIT_TYPE_CHAR) return;
  if (2 * strnlen(f->value_string, sizeof f->value_string) + 2 > sizeof f->value_string) return;
  f->type = EDIT_TYPE_CHAR_U;
  U_WSTRING_vReplaceNarrowWithWide(f->value_string, sizeof f->value_string);
}

void WPM_vRowText(const EDIT_FIELD* f, char* out, U32 u32Size) {
  memset(out, 0, u32Size);
  if (!WPM_bWideRow(f)) {
    const size_t limit = u32Size <= sizeof f->value_string ? u32Size - 1 : sizeof f->value_string;
    memcpy(out, f->value_string, strnlen(f->value_string, limit));
    return;
  }
  for (U32 i = 0; i + 1 < u32Size && 2 * i + 1 < sizeof f->value_string; i++) {
    const U16 c = WPM_u16Unit(f->value_string + 2 * i);
    if (c == 0) break;
    out[i] = c < 0x100 ? (char)c : '?';
  }
}

void WPM_vNameRow(EDIT_FIELD* f, const char* pcText, U32 u32TextSize, const WPM_NAME_SHAPE& shape) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const char* mask = bWide ? shape.pcWideMask : shape.pcMask;
  const U16 len = (U16)strlen(mask);
  *f = WPM_Row(Name, bWide ? (mask[0] == EDIT_TYPE_MIXED_CHAR ? EDIT_TYPE_MIXED_CHAR : EDIT_TYPE_CHAR_U)
                           : EDIT_TYPE_CHAR);
  f->string_len = len;
  f->candidate_mask = mask;
  if (pcText == nullptr) return;
  if (!bWide) {
    memcpy(f->value_string, pcText, strnlen(pcText, u32TextSize < len ? u32TextSize : len));
    return;
  }
  for (U32 i = 0; i < len && 2 * i + 1 < u32TextSize && WPM_u16Unit(pcText + 2 * i) != 0; i++) {
    WPM_vSetCharAt(f, i, WPM_u16Unit(pcText + 2 * i));
  }
}

WPM_NAME_SHAPE WPM_WaypointNameShape(void) {
  // The languages with waypoint-type presets start a name with a type code.
  const U32 lang = nCurrentLanguage();
  const BOOLEAN bPresets = lang >= LANGUAGE_KOREAN && lang <= LANGUAGE_KOREAN + 2;
  return {"CCCCCCCCCCC", bPresets ? "MUUUUU" : "UUUUU"};
}

void WPM_vVisibilityRow(EDIT_FIELD* f, BOOLEAN bHide) {
  *f = WPM_Row(Visibility, EDIT_TYPE_STRING_LIST);
  f->pDisplayList = s_StringListVisibility;
  f->nDisplayList = 2;
  f->value_string[0] = bHide ? 0 : 1;
}

void WPM_vTakeName(char* pcName, U32 u32Size, const EDIT_FIELD* f) {
  memset(pcName, 0, u32Size);
  if (!WPM_bWideRow(f)) {
    memcpy(pcName, f->value_string, strnlen(f->value_string, u32Size));
    for (U32 i = u32Size - 1; i > 0 && (pcName[i] == ' ' || pcName[i] == '\0'); i--) pcName[i] = '\0';
    return;
  }
  U32 n = 0;
  while (n < WPM_u32Positions(f) && 2 * n + 1 < u32Size && WPM_u16CharAt(f, n) != 0) n++;
  while (n > 1 && WPM_u16CharAt(f, n - 1) == ' ') n--;
  memcpy(pcName, f->value_string, 2 * n);
}

BOOLEAN WPM_bBlankName(const char* pcName) {
  if (U_WSTRING_bIsUnicodeLanguage()) {
    const U16 c = WPM_u16Unit(pcName);
    return c == 0 || (c == ' ' && WPM_u16Unit(pcName + 2) == 0);
  }
  return pcName[0] == '\0' || (pcName[0] == ' ' && pcName[1] == '\0');
}

// Appends a text in the current string form, cut to the room left.
static void WPM_vAppendText(char* out, U32 u32Size, const char* pcText) {
  const U32 used = U_WSTRING_u32w_strlen(out, FALSE), len = U_WSTRING_u32w_strlen(pcText, FALSE);
  if (used + 4 > u32Size || len == 0) return;
  const U32 room = (u32Size - used - 2) & ~1u;
  U_WSTRING_vw_strncat(out, pcText, len < room ? len : room, FALSE);
}

void WPM_vJoinTexts(char* out, U32 u32Size, std::initializer_list<const char*> parts) {
  memset(out, 0, u32Size);
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  BOOLEAN bText = TRUE;
  for (const char* pcPart : parts) {
    if (pcPart == nullptr) {
      bText = !bText;
      continue;
    }
    if (bText) {
      WPM_vAppendText(out, u32Size, pcPart);
    } else {
      char acAscii[64] = {};
      U_WSTRING_vAscii2Unicode(acAscii, pcPart, bWide ? sizeof acAscii - 2 : 0, FALSE);
      WPM_vAppendText(out, u32Size, acAscii);
    }
    bText = !bText;
  }
}

void WPM_vCreatedLine(char* out, U32 u32Size, U32 u32DateTime) {
  char date[40] = {}, time[40] = {};
  T_INFO_vFormatTime((time_t)u32DateTime, FALSE, TRUE, time, date, nullptr);
  if (!U_WSTRING_bIsUnicodeLanguage()) {
    snprintf(out, u32Size, "%s: %s %s", WPM_pcText(Created), date, time);
    return;
  }
  char colon[4] = ":", space[4] = " ";
  U_WSTRING_vReplaceNarrowWithWide(colon, sizeof colon);
  U_WSTRING_vReplaceNarrowWithWide(space, sizeof space);
  memset(out, 0, u32Size);
  for (const char* part : {WPM_pcText(Created), (const char*)colon, (const char*)date, (const char*)space,
                           (const char*)time}) {
    WPM_vAppendText(out, u32Size, part);
  }
}

void WPM_vReenter(U16 highlight) {
  const U16 cur = g_WPM.u16CurrentGroupID;
  if (WPM_bIsGroupId(cur) && (cur & 0x0FFF) <= 2999) {
    T_NAV_GROUP_bEnterGroup(cur, highlight);
  } else if (WPM_bIsRouteId(cur) && (cur & 0x07FF) < NAV_MAX_ROUTES) {
    T_NAV_GROUP_bEnterRoute(cur, highlight);
  }
}

BOOLEAN WPM_bNeedFix(void) {
  S32 lat = 0, lon = 0;
  BOOLEAN bLat = FALSE, bLon = FALSE;
  if (H_DATABASE_bFetchS32(FCID("ILAT"), &lat, &bLat, nullptr) && bLat &&
      H_DATABASE_bFetchS32(FCID("ILON"), &lon, &bLon, nullptr) && bLon) {
    return TRUE;
  }
  T_NAV_vSetNavUIError(Fix_Required);
  WPM_vClick(FALSE);
  return FALSE;
}

U32 WPM_u32DefaultIcon(void) {
  U32 icon = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("SWDI"), &icon, &bValid, nullptr) || !bValid || icon > NAV_MAX_ICON) icon = 0;
  return icon;
}

void WPM_vNameOf(char* out, U32 u32Size, const char* pcField, U32 u32FieldSize) {
  memset(out, 0, u32Size);
  memcpy(out, pcField, strnlen(pcField, u32FieldSize < u32Size - 1 ? u32FieldSize : u32Size - 1));
}

// ---------------------------------------------------------------------------
// Drawing


void WPM_vFramed(BITMAP* pBitmap, S32 x, S32 y, S32 w, S32 h, U32 fill) {
  POINT at = {x, y};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(32), &at, (U32)w, (U32)h);
  at = {x + 1, y + 1};
  if (w > 2 && h > 2) G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(fill), &at, (U32)(w - 2), (U32)(h - 2));
}

static const char* const* WPM_pEditorTitle(const POPUP_EDIT_WINDOW* pForm, const EDIT_FIELD* f) {
  if (f->name == Latitude) return Edit_Latitude;
  if (f->name == Longitude) return Edit_Longitude;
  if (f->name != Name) return f->name;
  const char* const* t = pForm->parent.strTitle;
  if (t == Edit_Track || t == Save_As_Track) return Edit_Track_Name;
  if (t == Edit_Group || t == Create_New_Group) return Edit_Group_Name;
  if (t == Edit_Route || t == New_Route || t == Save_As_Route) return Edit_Route_Name;
  return Edit_Waypoint_Name;
}

// Appends one character in the current string form.
static void WPM_vPutUnit(char* line, U32 u32Size, U32* pO, U16 c, BOOLEAN bWide) {
  if (bWide) {
    if (*pO + 3 >= u32Size) return;
    line[(*pO)++] = (char)(c >> 8);
    line[(*pO)++] = (char)c;
  } else if (*pO + 1 < u32Size) {
    line[(*pO)++] = (char)c;
  }
}

static void WPM_vDrawEditor(const POPUP_EDIT_WINDOW* pForm, const EDIT_FIELD* f, BITMAP* pBitmap) {
  char line[EDIT_FIELD_VALUE_SIZE * 4 + 8];
  memset(line, 0, sizeof line);
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  // One cell per position, the cursor's cell marked.
  U32 o = 0;
  for (U32 i = 0; i < f->string_len && i < WPM_u32Positions(f); i++) {
    const U16 c = WPM_u16CharAt(f, i);
    if (c == 0) break;
    const BOOLEAN bCursor = (S32)i + 1 == f->highlight;
    if (bCursor) WPM_vPutUnit(line, sizeof line, &o, '[', bWide);
    WPM_vPutUnit(line, sizeof line, &o, c, bWide);
    if (bCursor) WPM_vPutUnit(line, sizeof line, &o, ']', bWide);
  }
  char foot[128] = {};
  U_WSTRING_vw_strncpy(foot, WPM_pcText(Press), 48, FALSE);
  U_WSTRING_vAscii2UnicodeCat(foot, " ", 4);
  U_WSTRING_vw_strncat(foot, WPM_pcText(To_Save), 48, FALSE);
  const FONT_DEF* pFont = myriad_pro_size17_font_def_ptr;
  U_DIALOG_vDrawDialogWithConfirm(pBitmap, WPM_pcText(WPM_pEditorTitle(pForm, f)), line, pFont, nullptr, foot,
                                  JUSTIFICATION_CENTER, JUSTIFICATION_CENTER, FALSE, FALSE, FALSE, 0);
}

// A text row's value in the current string form; a mixed row's leading
// type code is drawn as its preset's word.
static void WPM_vDrawText(BITMAP* pBitmap, POINT* pAt, const FONT_DEF* pFont, const EDIT_FIELD* f, BOOLEAN bWide) {
  char value[2 * EDIT_FIELD_VALUE_SIZE + 2] = {};
  const char* pText = value;
  if (WPM_bWideRow(f)) {
    memcpy(value, f->value_string, EDIT_FIELD_VALUE_SIZE);
    if (f->type == EDIT_TYPE_MIXED_CHAR && (U8)value[0] == 253) {
      T_NAV_EDIT_vPutChineseWypt(pBitmap, COLOR_colEntry(35), pAt, pFont, WPM_u16Unit(value));
      pText = value + 2;
    }
  } else if (bWide) {
    char narrow[EDIT_FIELD_VALUE_SIZE + 1] = {};
    memcpy(narrow, f->value_string, EDIT_FIELD_VALUE_SIZE);
    U_WSTRING_vAscii2Unicode(value, narrow, sizeof value - 2, FALSE);
  } else {
    memcpy(value, f->value_string, EDIT_FIELD_VALUE_SIZE);
  }
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), pAt, pFont, (const BYTE*)pText);
}

// A value row's band: its left edge, bottom, width and whether it is selected.
typedef struct tag_WPM_ROW_BOX {
  S32 x;
  S32 bottom;
  S32 w;
  BOOLEAN bSelected;
} WPM_ROW_BOX;

// The selection arrows of a chosen value as wide as nInner; the left edge
// of the value between them.
static S32 WPM_s32Arrows(BITMAP* pBitmap, const WPM_ROW_BOX& box, S32 nInner) {
  const S32 right = box.x + box.w - 10 - QX_Vorne_Selection_Arrow_Right.nWidth;
  const S32 left = right - nInner - 12 - QX_Vorne_Selection_Arrow_Left.nWidth;
  POINT at = {right, box.bottom + (54 - QX_Vorne_Selection_Arrow_Right.nHeight) / 2};
  G_ICON_vPut(pBitmap, &QX_Vorne_Selection_Arrow_Right, &at);
  at = {left, box.bottom + (54 - QX_Vorne_Selection_Arrow_Left.nHeight) / 2};
  G_ICON_vPut(pBitmap, &QX_Vorne_Selection_Arrow_Left, &at);
  return left + QX_Vorne_Selection_Arrow_Left.nWidth + 6;
}

// A list value: centred between the arrows when selected, else right-aligned.
static void WPM_vDrawChoiceText(BITMAP* pBitmap, const WPM_ROW_BOX& box, const FONT_DEF* pFont, const char* pcText) {
  const S32 width = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pcText);
  POINT at = {box.x + box.w - 10 - width, box.bottom + 20};
  if (box.bSelected) {
    const S32 inner = width > 120 ? width : 120;
    at.x = WPM_s32Arrows(pBitmap, box, inner) + (inner - width) / 2;
  }
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &at, pFont, (const BYTE*)pcText);
}

// A picture value, placed as a list value; the arrows leave room for 66
// pixels of icon. Returns the picture's left edge.
static S32 WPM_s32DrawChoiceIcon(BITMAP* pBitmap, const WPM_ROW_BOX& box, const ICON* pIcon) {
  POINT at = {box.x + box.w - 10 - pIcon->nWidth, box.bottom + (54 - pIcon->nHeight) / 2};
  if (box.bSelected) {
    const S32 inner = pIcon->nWidth > 66 ? pIcon->nWidth : 66;
    at.x = WPM_s32Arrows(pBitmap, box, inner) + (inner - pIcon->nWidth) / 2;
  }
  G_ICON_vPut(pBitmap, pIcon, &at);
  return at.x;
}

// The colour's name and the tray with its swatch on it, placed together as
// a list value.
static void WPM_vDrawSwatch(BITMAP* pBitmap, const WPM_ROW_BOX& box, const FONT_DEF* pFont, U8 u8Colour) {
  static const ICON* const s_apSwatches[NAV_EDIT_COLOR_NAMES] = {
      &QX_Vorne_Track_Color_Black,       &QX_Vorne_Track_Color_Dark_Red,   &QX_Vorne_Track_Color_Light_Green,
      &QX_Vorne_Track_Color_Beige,       &QX_Vorne_Track_Color_Navy,       &QX_Vorne_Track_Color_Maroon,
      &QX_Vorne_Track_Color_Light_Blue,  &QX_Vorne_Track_Color_Gray,       &QX_Vorne_Track_Color_Dark_Gray,
      &QX_Vorne_Track_Color_Red,         &QX_Vorne_Track_Color_Lime,       &QX_Vorne_Track_Color_Yellow,
      &QX_Vorne_Track_Color_Bright_Blue, &QX_Vorne_Track_Color_Magenta,    &QX_Vorne_Track_Color_Teal,
      &QX_Vorne_Track_Color_White,       &QX_Vorne_Track_Color_Orange};
  const U32 colour = u8Colour < NAV_EDIT_COLOR_NAMES ? u8Colour : 0;
  const ICON* pTray = &QX_Vorne_Track_Color_Tray;
  const ICON* pSwatch = s_apSwatches[colour];
  const char* pcName = WPM_pcText(g_apNavEditColorName[colour]);
  const S32 nameW = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pcName);
  const S32 width = nameW + 8 + pTray->nWidth;
  S32 left = box.x + box.w - 10 - width;
  if (box.bSelected) {
    const S32 inner = width > 66 ? width : 66;
    left = WPM_s32Arrows(pBitmap, box, inner) + (inner - width) / 2;
  }
  POINT at = {left, box.bottom + 20};
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &at, pFont, (const BYTE*)pcName);
  const S32 trayLeft = left + nameW + 8;
  at = {trayLeft, box.bottom + (54 - pTray->nHeight) / 2};
  G_ICON_vPut(pBitmap, pTray, &at);
  at = {trayLeft + (pTray->nWidth - pSwatch->nWidth) / 2, box.bottom + (54 - pSwatch->nHeight) / 2};
  G_ICON_vPut(pBitmap, pSwatch, &at);
}

void T_NAV_GROUP_vEditWindowDraw(POPUP_WINDOW* pWin, BITMAP* pBitmap) {
  POPUP_EDIT_WINDOW* p = (POPUP_EDIT_WINDOW*)pWin;
  const S32 x = pWin->ptAnchor.x, y = pWin->ptAnchor.y, w = pWin->nWidth, h = pWin->nHeight;
  const S32 top = y + h;
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const FONT_DEF* pBold = bWide ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
  const FONT_DEF* pFont = myriad_pro_size17_font_def_ptr;
  U32 nFooter = 0;
  while (pWin->ppStrFooter != nullptr && pWin->ppStrFooter[nFooter] != nullptr && nFooter < 4) nFooter++;
  WPM_vFramed(pBitmap, x, top - 40, w, 40, 239);
  POINT at = {x + 10, top - 27};
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &at, pBold, (const BYTE*)WPM_pcText(pWin->strTitle));
  if (nFooter > 0) {
    WPM_vFramed(pBitmap, x, y, w, 39 * (S32)nFooter, 239);
    for (U32 i = 0; i < nFooter; i++) {
      at = {x + 10, y + 39 * (S32)i + 12};
      G_STRING_vPut(pBitmap, COLOR_colEntry(35), &at, pFont, (const BYTE*)pWin->ppStrFooter[i]);
    }
  }
  WPM_vFramed(pBitmap, x, y + 39 * (S32)nFooter, w, h - 40 - 39 * (S32)nFooter, 238);
  S32 band = 0;
  const EDIT_FIELD* pEditing = nullptr;
  for (S32 i = 0; p->pEditFields[i].name != nullptr; i++) {
    const EDIT_FIELD* f = &p->pEditFields[i];
    if (f->bInactive) continue;
    band++;
    const S32 bandBottom = top - 40 - 54 * band;
    if (f->highlight >= 0) WPM_vFramed(pBitmap, x + 2, bandBottom, w - 4, 54, 33);
    const BOOLEAN bValueOnly =
        pWin->strTitle != Search_By_Name && (f->name == Name || f->name == Latitude || f->name == Longitude);
    at = {x + 11, top - 54 * band - 7 - 40 + 54 - 27};
    if (!bValueOnly) G_STRING_vPut(pBitmap, COLOR_colEntry(35), &at, pFont, (const BYTE*)WPM_pcText(f->name));
    const WPM_ROW_BOX box = {x, bandBottom, w, f->highlight >= 0};
    if (WPM_bTextType(f->type)) {
      // Beside a shown label the text starts past it, at the label part at
      // the earliest, so the two never print over each other.
      at.x = x + 10;
      if (!bValueOnly) {
        const S32 label = x + 11 + (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)WPM_pcText(f->name)) + 12;
        const S32 part = x + w * f->left_part_percent / 100;
        at.x = label > part ? label : part;
      }
      WPM_vDrawText(pBitmap, &at, pFont, f, bWide);
      if (f->highlight > 0) pEditing = f;
    } else if (f->type == EDIT_TYPE_STRING_LIST && f->pDisplayList != nullptr &&
               (U8)f->value_string[0] < f->nDisplayList) {
      const char* const* const* list = (const char* const* const*)f->pDisplayList;
      WPM_vDrawChoiceText(pBitmap, box, pFont, WPM_pcText(list[(U8)f->value_string[0]]));
    } else if (f->type == EDIT_TYPE_ICON_ARRAY && f->pDisplayList != nullptr &&
               (U8)f->value_string[0] < f->nDisplayList) {
      WPM_s32DrawChoiceIcon(pBitmap, box, WPM_pIconPicture(((const U16*)f->pDisplayList)[(U8)f->value_string[0]]));
    } else if (f->type == EDIT_TYPE_ICON) {
      WPM_s32DrawChoiceIcon(pBitmap, box, WPM_pIconPicture((U8)f->value_string[0]));
    } else if (f->type == EDIT_TYPE_COLOR) {
      WPM_vDrawSwatch(pBitmap, box, pFont, (U8)f->value_string[0]);
    } else if (f->type == EDIT_TYPE_TRACKSTYLE) {
      static const ICON* const s_apStyles[4] = {&QX_Vorne_Track_Style_Dot_Large, &QX_Vorne_Track_Style_Dot_Small,
                                                &QX_Vorne_Track_Style_Line_Small, &QX_Vorne_Track_Style_Line_Large};
      WPM_s32DrawChoiceIcon(pBitmap, box, s_apStyles[(U8)f->value_string[0] & 3]);
    }
    if (f->highlight >= 0 && (f->type == EDIT_TYPE_SAVE || WPM_bTextType(f->type))) {
      POINT arrow = {x + w - 31, bandBottom + 18};
      G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow, &arrow);
    }
  }
  if (pEditing != nullptr) {
    g_WPMForm.bEditMenuChange = TRUE;
    WPM_vDrawEditor(p, pEditing, pBitmap);
  }
}
