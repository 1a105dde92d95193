// The saved-track editor (state 3): the track's name typed in place, its
// visibility, line style and colour stepped, and everything written back on
// save. The appearance lives in the shared track record, the name, size and
// time beside it.

#include <string.h>

#include "g_box.h"
#include "linuxsvc.h"
#include "t_nav_edit_draw.h"
#include "t_nav_edit_lists.h"
#include "t_nav_edit_wpt.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"

NAV_TRK_NAME s_TrkName;

namespace {

constexpr S32 TE_NAME_LAST = 16;  // byte offset of the ninth character
const char* const* const s_aTrkVisibilityChoices[] = {Hidden, Visible};

BOOLEAN TE_bLineStyle(void) { return s_TrkEdit.u32Style >= 1 && s_TrkEdit.u32Style <= 3; }

void TE_vMove(TRK_EDIT_STATE eState) {
  s_TrkEdit.eState = eState;
  s_TrkEdit.nPosition = 0;
}

void TE_vMark(BOOLEAN* pbFlag) {
  *pbFlag = TRUE;
  s_TrkEdit.bDirty = TRUE;
}

// Writes the name and the changed appearance, closes and hands the index on;
// FALSE, still open, when the store refused the name.
BOOLEAN TE_bSave(void) {
  const NAV_TRK_EDIT& t = s_TrkEdit;
  char name[TRACK_NAME_SIZE] = {};
  NAV_EDIT_vNarrowName(name, s_TrkName.sName, sizeof name);
  const BOOLEAN bRenamed = memcmp(s_TrkName.sName, s_TrkName.sShownName, TRACK_NAME_SIZE) != 0;
  if (bRenamed && !T_NAV_bRenameTrack(t.nIndex, name)) return FALSE;
  if (t.bVisibleDirty) T_NAV_vSetTrackVisibility(t.nIndex, t.bVisible);
  if (t.bStyleDirty) T_NAV_bSetTrackStyle(t.nIndex, t.u32Style);
  if (t.bColorDirty) T_NAV_bSetTrackColor(t.nIndex, t.u32ActualColor);
  const NAV_EDIT_INDEX_CALLBACK pSave = t.pSave;
  NAV_EDIT_vClose();
  if (pSave != nullptr) pSave(t.nIndex);
  return TRUE;
}

void TE_vExit(void) {
  NAV_TRK_EDIT& t = s_TrkEdit;
  switch (t.eState) {
    case TRK_EDIT_NAME:
    case TRK_EDIT_VISIBILITY:
    case TRK_EDIT_STYLE:
    case TRK_EDIT_COLOR:
    case TRK_EDIT_SAVE:
      if (t.bDirty) {
        NAV_EDIT_vAsk(Save_Changes, T_NAV_vETCancel, T_NAV_vETSave);
      } else {
        NAV_EDIT_vClose();
        if (t.pCancel != nullptr) t.pCancel(t.nIndex);
      }
      NAV_EDIT_vClick(TRUE);
      break;
    case TRK_EDIT_NAME_VALUE:
    case TRK_EDIT_VISIBILITY_VALUE:
    case TRK_EDIT_STYLE_VALUE:
    case TRK_EDIT_COLOR_VALUE:
      TE_vMove((TRK_EDIT_STATE)(t.eState - 1));
      NAV_EDIT_vClick(TRUE);
      break;
    default:
      NAV_EDIT_vClose();
      break;
  }
}

// A value stepped by one within [0, u32Max]; FALSE at the end.
BOOLEAN TE_bStep(U32* pu32Value, U32 u32Max, BOOLEAN bDown, BOOLEAN* pbFlag) {
  if (bDown ? *pu32Value == 0 : *pu32Value >= u32Max) return FALSE;
  *pu32Value += bDown ? (U32)-1 : 1;
  TE_vMark(pbFlag);
  return TRUE;
}

NAV_EDIT_KEY_CLICK TE_eCursor(CURSOR_POSITION cursor) {
  NAV_TRK_EDIT& t = s_TrkEdit;
  const BOOLEAN bN = cursor == CURSOR_NORTH, bE = cursor == CURSOR_EAST;
  const BOOLEAN bS = cursor == CURSOR_SOUTH, bW = cursor == CURSOR_WEST;
  if (!bN && !bE && !bS && !bW) return NAV_EDIT_SILENT;
  switch (t.eState) {
    case TRK_EDIT_NAME:
      if (bE || bS) TE_vMove(bE ? TRK_EDIT_NAME_VALUE : TRK_EDIT_VISIBILITY);
      return NAV_EDIT_CLICK;
    case TRK_EDIT_NAME_VALUE:
      if (bN || bS) {
        NAV_EDIT_vStepChar(s_TrkName.sName, t.nPosition, t.nLang, bN);
        t.bDirty = TRUE;
      }
      if (bE && !NAV_EDIT_bCaretRight(s_TrkName.sName, &t.nPosition, TE_NAME_LAST)) TE_vMove(TRK_EDIT_VISIBILITY);
      if (bW && !NAV_EDIT_bCaretLeft(s_TrkName.sName, &t.nPosition)) TE_vMove(TRK_EDIT_NAME);
      return NAV_EDIT_FIRST_CLICK;
    case TRK_EDIT_VISIBILITY:
      TE_vMove(bN || bW ? TRK_EDIT_NAME : bE ? TRK_EDIT_VISIBILITY_VALUE : TRK_EDIT_STYLE);
      return NAV_EDIT_CLICK;
    case TRK_EDIT_VISIBILITY_VALUE:
      if (bN || bS) {
        if (t.bVisible == bS) return NAV_EDIT_REFUSED;
        t.bVisible = bS;
        TE_vMark(&t.bVisibleDirty);
      }
      if (bE || bW) TE_vMove(bE ? TRK_EDIT_STYLE : TRK_EDIT_VISIBILITY);
      return NAV_EDIT_CLICK;
    case TRK_EDIT_STYLE:
    case TRK_EDIT_STYLE_VALUE:
      if (t.eState == TRK_EDIT_STYLE_VALUE && (bN || bS)) {
        return TE_bStep(&t.u32Style, 3, bN, &t.bStyleDirty) ? NAV_EDIT_CLICK : NAV_EDIT_REFUSED;
      }
      if (bW || (bN && t.eState == TRK_EDIT_STYLE)) {
        TE_vMove(t.eState == TRK_EDIT_STYLE ? TRK_EDIT_VISIBILITY : TRK_EDIT_STYLE);
      } else if (bE && t.eState == TRK_EDIT_STYLE) {
        TE_vMove(TRK_EDIT_STYLE_VALUE);
      } else {
        TE_vMove(TE_bLineStyle() ? TRK_EDIT_COLOR : TRK_EDIT_SAVE);
      }
      return NAV_EDIT_CLICK;
    case TRK_EDIT_COLOR:
      TE_vMove(bN || bW ? TRK_EDIT_STYLE : bE ? TRK_EDIT_COLOR_VALUE : TRK_EDIT_SAVE);
      return NAV_EDIT_CLICK;
    case TRK_EDIT_COLOR_VALUE:
      if (bN || bS) {
        if (!TE_bStep(&t.u32ActualColor, NAV_EDIT_MAX_TRACK_COLOR, bN, &t.bColorDirty)) return NAV_EDIT_REFUSED;
        t.u32ColorSetting = t.u32ActualColor;
        t.bUseRandomColor = FALSE;
      }
      if (bE || bW) TE_vMove(bE ? TRK_EDIT_SAVE : TRK_EDIT_COLOR);
      return NAV_EDIT_CLICK;
    case TRK_EDIT_SAVE:
      if (bN || bW) {
        TE_vMove(TE_bLineStyle() ? TRK_EDIT_COLOR : TRK_EDIT_STYLE);
        return NAV_EDIT_SILENT;
      }
      if (bE) return TE_bSave() ? NAV_EDIT_CLICK : NAV_EDIT_REFUSED;
      return NAV_EDIT_CLICK;
    default:
      return NAV_EDIT_SILENT;
  }
}

// ---- drawing

void TE_vLabel(BITMAP* pBitmap, S32 y, NAV_EDIT_TEXT pLabel, BOOLEAN bSelected) {
  const char* pText = NAV_EDIT_pText(pLabel, s_TrkEdit.nLang);
  if (bSelected) {
    const U32 w = NAV_EDIT_u32Width(NAV_EDIT_pBoldFont(), pText);
    NAV_EDIT_vMarked(pBitmap, 295, y - 5, w + 9, 33, NAV_EDIT_FIELD);
  }
  NAV_EDIT_vInk(pBitmap, 300, y, NAV_EDIT_pBoldFont(), pText);
}

void TE_vField(BITMAP* pBitmap, S32 x, S32 y, U32 w, BOOLEAN bEdited) {
  if (bEdited) {
    NAV_EDIT_vMarked(pBitmap, x, y, w, 33, NAV_EDIT_FIELD);
  } else {
    NAV_EDIT_vRounded(pBitmap, NAV_EDIT_FIELD, x, y, w, 33, 3, FALSE);
  }
}

void TE_vBox(BITMAP* pBitmap, COLOR color, S32 x, S32 y, U32 w, U32 h) {
  const POINT at = {x, y};
  G_BOX_vDrawFilled(pBitmap, color, &at, w, h);
}

// A sample of the track's line in its colour across the style field.
void TE_vStyleSample(BITMAP* pBitmap, COLOR color) {
  constexpr S32 x0 = 444, x1 = 652, y = 247;
  switch (s_TrkEdit.u32Style) {
    case TRACK_STYLE_BREADCRUMBS:
      for (S32 x = x0; x + 3 <= x1; x += 10) TE_vBox(pBitmap, color, x, y - 1, 3, 3);
      break;
    case TRACK_STYLE_SHORT_DASHED_LINE:
      for (S32 x = x0; x + 6 <= x1; x += 10) TE_vBox(pBitmap, color, x, y, 6, 1);
      break;
    case TRACK_STYLE_THIN_LINE:
      TE_vBox(pBitmap, color, x0, y, (U32)(x1 - x0), 1);
      break;
    default:
      TE_vBox(pBitmap, color, x0, y - 1, (U32)(x1 - x0), 3);
      break;
  }
}

}  // namespace

BOOLEAN T_NAV_EDIT_bEditTrackSetup(U32 nIndex, NAV_EDIT_INDEX_CALLBACK pSave, NAV_EDIT_INDEX_CALLBACK pCancel,
                                   NAV_EDIT_TEXT pTitle) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  L_MUTEX_LockWait(RES_NAV_DATA);
  const TRACK_HEADER* pTrack = nIndex < NAV_MAX_TRACKS ? T_NAV_pGetTrackHeader(nIndex) : nullptr;
  const BOOLEAN bUsed = pTrack != nullptr && pTrack->u16Count != 0;
  if (bUsed) {
    // The name is edited as 16-bit text, nine characters at most.
    char name[TRACK_NAME_SIZE] = {};
    memcpy(name, pTrack->sName, sizeof name - 2);
    s_TrkName = NAV_TRK_NAME{};
    U_WSTRING_vAscii2Unicode(s_TrkName.sName, name, TRACK_NAME_SIZE - 2, TRUE);
    memcpy(s_TrkName.sShownName, s_TrkName.sName, TRACK_NAME_SIZE);
    s_TrkName.u16Count = pTrack->u16Count;
    s_TrkName.u32DateTime = pTrack->u32DateTime;
  }
  L_MUTEX_Unlock(RES_NAV_DATA);
  if (bUsed) {
    NAV_TRK_EDIT& t = s_TrkEdit;
    t = NAV_TRK_EDIT{};
    t.eState = TRK_EDIT_NAME;
    t.nIndex = nIndex;
    t.nLang = nCurrentLanguage();
    t.pSave = pSave;
    t.pCancel = pCancel;
    t.bVisible = T_NAV_bGetTrackVisibility(nIndex);
    const U32 style = T_NAV_nGetTrackStyle(nIndex);
    t.u32Style = style <= (U32)TRACK_STYLE_WIDE_LINE ? style : (U32)TRACK_STYLE_WIDE_LINE;
    const U32 color = T_NAV_nGetTrackColor(nIndex);
    t.u32ActualColor = t.u32ColorSetting = color <= NAV_EDIT_MAX_TRACK_COLOR ? color : NAV_EDIT_MAX_TRACK_COLOR;
    NAV_EDIT_vOpen(NAV_EDIT_TRACK, pTitle);
  }
  L_MUTEX_Unlock(RES_NAV_EDIT);
  return bUsed;
}

BOOLEAN T_NAV_bEditTrackHandleKeys(const MSG_KEY_CHANGE* pMsg) { return NAV_EDIT_bEditorKeys(pMsg, TE_vExit, TE_eCursor); }

void T_NAV_vETSave(void) { NAV_EDIT_vSaveAnswer(NAV_EDIT_TRACK, TE_bSave); }

void T_NAV_vEditTrackRender(BITMAP* pBitmap) {
  const NAV_TRK_EDIT& t = s_TrkEdit;
  const TRK_EDIT_STATE e = t.eState;
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_MARK, 289, 17, 382, 396, 6, TRUE);
  T_NAV_vDrawTitleBoxString(pBitmap, (const BYTE*)NAV_EDIT_pText(s_pNavEditTitle, t.nLang));
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 290, 90, 380, 320, 5, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_INK, 291, 91, 378, 318, 3, FALSE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_PANEL, 292, 92, 376, 316, 3, TRUE);

  TE_vLabel(pBitmap, 357, Name, e == TRK_EDIT_NAME);
  TE_vField(pBitmap, 390, 352, 275, e == TRK_EDIT_NAME_VALUE);
  if (e == TRK_EDIT_NAME_VALUE) {
    NAV_EDIT_vEditName(pBitmap, 395, 357, s_TrkName.sName, sizeof s_TrkName.sName, t.nPosition);
  } else {
    char name[TRACK_NAME_SIZE] = {};
    NAV_EDIT_vNarrowName(name, s_TrkName.sName, sizeof name);
    NAV_EDIT_vName(pBitmap, 395, 357, name, sizeof name);
  }

  TE_vLabel(pBitmap, 297, Visibility, e == TRK_EDIT_VISIBILITY);
  const FONT_DEF* pFont = NAV_EDIT_pBoldFont();
  const U32 wHidden = NAV_EDIT_u32Width(pFont, NAV_EDIT_pText(Hidden, t.nLang));
  const U32 wVisible = NAV_EDIT_u32Width(pFont, NAV_EDIT_pText(Visible, t.nLang));
  TE_vField(pBitmap, 432, 292, (wHidden > wVisible ? wHidden : wVisible) + 10, e == TRK_EDIT_VISIBILITY_VALUE);
  NAV_EDIT_vInk(pBitmap, 437, 297, pFont, NAV_EDIT_pText(s_aTrkVisibilityChoices[t.bVisible ? 1 : 0], t.nLang));

  const COLOR color = NAV_EDIT_color(148 + (t.u32ActualColor & NAV_EDIT_MAX_TRACK_COLOR));
  TE_vLabel(pBitmap, 237, Style, e == TRK_EDIT_STYLE);
  TE_vField(pBitmap, 432, 232, 232, e == TRK_EDIT_STYLE_VALUE);
  TE_vStyleSample(pBitmap, color);

  TE_vLabel(pBitmap, 177, Color, e == TRK_EDIT_COLOR);
  TE_vField(pBitmap, 432, 172, 232, e == TRK_EDIT_COLOR_VALUE);
  NAV_EDIT_vRounded(pBitmap, NAV_EDIT_FIELD, 436, 176, 224, 25, 2, FALSE);
  TE_vBox(pBitmap, color, 437, 177, 222, 23);

  const char* pSave = NAV_EDIT_pText(Save, t.nLang);
  const U32 w = NAV_EDIT_u32Width(pFont, pSave) + 23;
  TE_vField(pBitmap, 295, 112, w, e == TRK_EDIT_SAVE);
  NAV_EDIT_vInk(pBitmap, 300, 117, pFont, pSave);
  if (e == TRK_EDIT_SAVE) NAV_EDIT_vArrow(pBitmap, 295 + (S32)w - 20, 117);

  NAV_EDIT_vEditorDetails(pBitmap, s_TrkName.u32DateTime, t.nLang);
  NAV_EDIT_vCount(pBitmap, 306, 62, s_TrkName.u16Count, Trackpoints, t.nLang);
}
