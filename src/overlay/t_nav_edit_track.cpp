// The two track appearance screens: the track being recorded (screen 2) and
// the defaults that saved tracks get (screen 4). Both edit a copy and write
// only the settings that changed, and only on save.

#include <stdlib.h>

#include "g_iconset.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav_edit_int.h"
#include "g_box.h"
#include "g_icon.h"
#include "g_line.h"
#include "u_view.h"
#include "u_language.h"
#include "ui_texts.h"

const NAV_EDIT_TEXT g_apNavEditColorName[NAV_EDIT_COLOR_NAMES] = {
    Color_Black, Color_Dark_Red, Color_Light_Green, Color_Beige,       Color_Navy,    Color_Maroon,
    Color_Light_Blue, Color_Gray, Color_Dark_Gray, Color_Red,         Color_Lime,    Color_Yellow,
    Color_Bright_Blue, Color_Magenta, Color_Teal,  Color_White,       Color_Orange};

namespace {

constexpr S32 TRK_WIDTH = 410;
constexpr S32 TRK_ROW_VISIBILITY = 294;
constexpr S32 TRK_ROW_STYLE = 240;
constexpr S32 TRK_ROW_COLOR = 186;
constexpr S32 TRK_ROW_HEIGHT = 54;

const ICON* const s_apStyleIcon[] = {&QX_Vorne_Track_Style_Dot_Large, &QX_Vorne_Track_Style_Dot_Small,
                                     &QX_Vorne_Track_Style_Line_Small, &QX_Vorne_Track_Style_Line_Large};
const ICON* const s_apColorIcon[NAV_EDIT_MAX_TRACK_COLOR + 1] = {
    &QX_Vorne_Track_Color_Black,     &QX_Vorne_Track_Color_Dark_Red,   &QX_Vorne_Track_Color_Light_Green,
    &QX_Vorne_Track_Color_Beige,     &QX_Vorne_Track_Color_Navy,       &QX_Vorne_Track_Color_Maroon,
    &QX_Vorne_Track_Color_Light_Blue, &QX_Vorne_Track_Color_Gray,      &QX_Vorne_Track_Color_Dark_Gray,
    &QX_Vorne_Track_Color_Red,       &QX_Vorne_Track_Color_Lime,       &QX_Vorne_Track_Color_Yellow,
    &QX_Vorne_Track_Color_Bright_Blue, &QX_Vorne_Track_Color_Magenta,  &QX_Vorne_Track_Color_Teal,
    &QX_Vorne_Track_Color_White};
const char* const* const s_aVisibilityChoices[] = {Hidden, Visible};

BOOLEAN TRK_bDefaults(void) { return s_eNavEditState == NAV_EDIT_TRACK_DEFAULT; }
BOOLEAN TRK_bLineStyle(void) { return s_TrkEdit.u32Style >= 1 && s_TrkEdit.u32Style <= 3; }
BOOLEAN TRK_bShowsStyle(void) { return TRK_bDefaults() || s_TrkEdit.bVisible; }
BOOLEAN TRK_bShowsColor(void) { return TRK_bShowsStyle() && TRK_bLineStyle(); }

void TRK_vOpen(NAV_EDIT_STATE eState, NAV_EDIT_TEXT pTitle) {
  s_TrkEdit.eState = TRK_EDIT_VISIBILITY;
  s_TrkEdit.nPosition = 0;
  s_TrkEdit.pSave = s_TrkEdit.pCancel = nullptr;
  s_TrkEdit.bDirty = FALSE;
  s_TrkEdit.nLang = nCurrentLanguage();
  s_TrkEdit.bVisibleDirty = s_TrkEdit.bColorDirty = s_TrkEdit.bStyleDirty = FALSE;
  NAV_EDIT_vOpen(eState, pTitle);
}

void TRK_vMoveTo(TRK_EDIT_STATE eState) {
  s_TrkEdit.eState = eState;
  s_TrkEdit.nPosition = 0;
}

// Writes what changed, closes, and clicks. bDefaults picks the settings.
void TRK_vSave(BOOLEAN bDefaults) {
  NAV_TRK_EDIT& t = s_TrkEdit;
  if (bDefaults) {
    if (t.bVisibleDirty) H_DATABASE_bUpdateValueU32(FCID("SNDV"), t.bVisible ? 0xFFFFFFFFu : 0, P_NORMAL);
    if (t.bStyleDirty) H_DATABASE_bUpdateValueU32(FCID("SNDS"), t.u32Style, P_NORMAL);
    if (t.bColorDirty) {
      H_DATABASE_bUpdateValueU32(FCID("SNRC"), t.u32ColorSetting, P_NORMAL);
      H_DATABASE_bUpdateValueU32(FCID("SNDC"), t.u32ActualColor, P_NORMAL);
    }
  } else {
    if (t.bStyleDirty) H_DATABASE_bUpdateValueU32(FCID("SNCP"), t.u32Style, P_NORMAL);
    if (t.bColorDirty) H_DATABASE_bUpdateValueU32(FCID("SNCC"), t.u32ActualColor, P_NORMAL);
    if (t.bVisibleDirty) H_DATABASE_bUpdateValueBoolean(FCID("SCTV"), t.bVisible, P_NORMAL);
  }
  NAV_EDIT_vClose();
  if (t.pSave != nullptr) t.pSave(t.nIndex);
  NAV_EDIT_vClick(TRUE);
}

// The confirmation's yes answer acts only while its own screen is open.
void TRK_vSaveAnswer(NAV_EDIT_STATE eState) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  if (s_eNavEditState == eState) TRK_vSave(eState == NAV_EDIT_TRACK_DEFAULT);
  L_MUTEX_Unlock(RES_NAV_EDIT);
}

void TRK_vMark(BOOLEAN* pbFlag) {
  *pbFlag = TRUE;
  s_TrkEdit.bDirty = TRUE;
  NAV_EDIT_vClick(TRUE);
}

void TRK_vExit(void) {
  const TRK_EDIT_STATE e = s_TrkEdit.eState;
  const BOOLEAN bRow = e == TRK_EDIT_VISIBILITY || e == TRK_EDIT_STYLE || e == TRK_EDIT_COLOR || e == TRK_EDIT_SAVE;
  if (!bRow) {
    NAV_EDIT_vClose();
    return;
  }
  if (s_TrkEdit.bDirty) {
    NAV_EDIT_vAsk(Save_Changes, T_NAV_vETCancel, TRK_bDefaults() ? T_NAV_vEDTSave : T_NAV_vECTSave);
  } else {
    NAV_EDIT_vClose();
    if (s_TrkEdit.pCancel != nullptr) s_TrkEdit.pCancel(s_TrkEdit.nIndex);
  }
  NAV_EDIT_vClick(TRUE);
}

// Screen 4's WEST on the colour row: one more colour, then the random choice.
void TRK_vDefaultColorUp(void) {
  NAV_TRK_EDIT& t = s_TrkEdit;
  if (t.bUseRandomColor || t.u32ColorSetting >= NAV_EDIT_RANDOM_TRACK_COLOR) {
    NAV_EDIT_vClick(FALSE);
    return;
  }
  t.u32ColorSetting++;
  if (t.u32ColorSetting == NAV_EDIT_RANDOM_TRACK_COLOR) {
    t.bUseRandomColor = TRUE;
    // Stored tracks were given colours 0..14 this way; White stays a
    // deliberate choice.
    t.u32ActualColor = (U32)rand() % 15;
  } else {
    t.u32ActualColor = t.u32ColorSetting;
  }
  TRK_vMark(&t.bColorDirty);
}

void TRK_vColorKey(CURSOR_POSITION eCursor) {
  NAV_TRK_EDIT& t = s_TrkEdit;
  const BOOLEAN bDefaults = TRK_bDefaults();
  if (eCursor == CURSOR_NORTH) {
    TRK_vMoveTo(TRK_EDIT_STYLE);
    NAV_EDIT_vClick(TRUE);
  } else if (eCursor == CURSOR_SOUTH) {
    TRK_vMoveTo(TRK_EDIT_SAVE);
    NAV_EDIT_vClick(TRUE);
  } else if (eCursor == CURSOR_EAST) {
    U32& value = bDefaults ? t.u32ColorSetting : t.u32ActualColor;
    if (value == 0) {
      NAV_EDIT_vClick(FALSE);
      return;
    }
    value--;
    if (bDefaults) t.u32ActualColor = value;
    t.bUseRandomColor = FALSE;
    TRK_vMark(&t.bColorDirty);
  } else if (eCursor == CURSOR_WEST) {
    if (bDefaults) {
      TRK_vDefaultColorUp();
    } else if (t.u32ActualColor < NAV_EDIT_MAX_TRACK_COLOR) {
      t.u32ActualColor++;
      TRK_vMark(&t.bColorDirty);
    } else {
      NAV_EDIT_vClick(FALSE);
    }
  }
}

void TRK_vCursor(CURSOR_POSITION eCursor) {
  NAV_TRK_EDIT& t = s_TrkEdit;
  const BOOLEAN bDefaults = TRK_bDefaults();
  switch (t.eState) {
    case TRK_EDIT_VISIBILITY:
      if (eCursor == CURSOR_SOUTH) {
        TRK_vMoveTo(TRK_bShowsStyle() ? TRK_EDIT_STYLE : TRK_EDIT_SAVE);
        NAV_EDIT_vClick(TRUE);
      } else if (eCursor == CURSOR_EAST || eCursor == CURSOR_WEST) {
        const BOOLEAN bShow = eCursor == CURSOR_EAST;
        if (t.bVisible == bShow) {
          NAV_EDIT_vClick(FALSE);
        } else {
          t.bVisible = bShow;
          TRK_vMark(&t.bVisibleDirty);
        }
      }
      break;
    case TRK_EDIT_STYLE:
      if (eCursor == CURSOR_NORTH) {
        TRK_vMoveTo(TRK_EDIT_VISIBILITY);
        NAV_EDIT_vClick(TRUE);
      } else if (eCursor == CURSOR_SOUTH) {
        TRK_vMoveTo(TRK_bLineStyle() ? TRK_EDIT_COLOR : TRK_EDIT_SAVE);
        NAV_EDIT_vClick(TRUE);
      } else if (eCursor == CURSOR_EAST || eCursor == CURSOR_WEST) {
        const BOOLEAN bUp = eCursor == CURSOR_EAST;
        if (bUp ? t.u32Style >= 3 : t.u32Style == 0) {
          NAV_EDIT_vClick(FALSE);
        } else {
          t.u32Style += bUp ? 1 : (U32)-1;
          TRK_vMark(&t.bStyleDirty);
        }
      }
      break;
    case TRK_EDIT_COLOR:
      TRK_vColorKey(eCursor);
      break;
    case TRK_EDIT_SAVE:
      if (eCursor == CURSOR_NORTH) {
        if (TRK_bShowsColor()) {
          TRK_vMoveTo(TRK_EDIT_COLOR);
        } else {
          TRK_vMoveTo(TRK_bShowsStyle() ? TRK_EDIT_STYLE : TRK_EDIT_VISIBILITY);
        }
      } else if (eCursor == CURSOR_EAST) {
        TRK_vSave(bDefaults);
      } else if (eCursor == CURSOR_SOUTH || eCursor == CURSOR_WEST) {
        NAV_EDIT_vClick(bDefaults);
      }
      break;
    default:
      break;
  }
}

BOOLEAN TRK_bKeys(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->key == HKEY_MASK_EXIT) {
    TRK_vExit();
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) return FALSE;
  TRK_vCursor(pMsg->cursor);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Drawing

S32 TRK_x0(void) {
  const U32 o = U_VIEW_u32XOrigin();
  return (S32)(o + ((390 - o) >> 1));
}

void TRK_vIcon(BITMAP* pBitmap, const ICON* pIcon, S32 x, S32 y) {
  const POINT at = {x, y};
  G_ICON_vPut(pBitmap, pIcon, &at);
}

void TRK_vFrame(BITMAP* pBitmap, S32 x0, S32 bottom) {
  POINT at = {x0, 349};
  G_BOX_vDrawFilled(pBitmap, NAV_EDIT_color(239), &at, TRK_WIDTH, 39);
  G_BOX_vDraw(pBitmap, NAV_EDIT_color(32), &at, TRK_WIDTH, 39);
  NAV_EDIT_vHLine(pBitmap, 236, x0 + 1, x0 + 408, 386);
  POINT a = {x0 + 1, 350}, b = {x0 + 1, 386};
  G_LINE_vDraw(pBitmap, NAV_EDIT_color(236), &a, &b);
  NAV_EDIT_vHLine(pBitmap, 239, x0 + 2, x0 + 408, 350);
  a = {x0 + 408, 350};
  b = {x0 + 408, 385};
  G_LINE_vDraw(pBitmap, NAV_EDIT_color(239), &a, &b);
  NAV_EDIT_vText(pBitmap, x0 + 10, 360, NAV_EDIT_pBoldFont(), NAV_EDIT_pText(s_pNavEditTitle, s_TrkEdit.nLang));
  at = {x0, bottom};
  G_BOX_vDraw(pBitmap, NAV_EDIT_color(32), &at, TRK_WIDTH, (U32)(349 - bottom));
  at = {x0 + 1, bottom + 1};
  G_BOX_vDrawFilled(pBitmap, NAV_EDIT_color(238), &at, TRK_WIDTH - 2, (U32)(349 - bottom - 2));
  NAV_EDIT_vHLine(pBitmap, 238, x0 + 1, x0 + 408, bottom + 1);
}

void TRK_vVisibilityRow(BITMAP* pBitmap, S32 x0, BOOLEAN bSelected) {
  const FONT_DEF* pBold = NAV_EDIT_pBoldFont();
  const char* pValue = NAV_EDIT_pText(s_aVisibilityChoices[s_TrkEdit.bVisible ? 1 : 0], s_TrkEdit.nLang);
  NAV_EDIT_vText(pBitmap, x0 + 9, TRK_ROW_VISIBILITY + 32, NAV_EDIT_pFont(), NAV_EDIT_pText(Visibility, s_TrkEdit.nLang));
  const S32 width = (S32)G_STRING_u32GetWidth(pBold, (const BYTE*)pValue);
  if (!bSelected) {
    NAV_EDIT_vText(pBitmap, x0 + TRK_WIDTH - 10 - width, 302, pBold, pValue);
  } else {
    NAV_EDIT_vHighlight(pBitmap, x0 + 1, TRK_ROW_VISIBILITY, 408, TRK_ROW_HEIGHT);
    const S32 x = x0 + (TRK_WIDTH - width) / 2;
    NAV_EDIT_vText(pBitmap, x, 302, pBold, pValue);
    if (s_TrkEdit.bVisible) {
      TRK_vIcon(pBitmap, &QX_Vorne_Selection_Arrow_Left, x - (S32)G_ICON_u32GetWidth(&QX_Vorne_Selection_Arrow_Left), 302);
    } else {
      TRK_vIcon(pBitmap, &QX_Vorne_Selection_Arrow_Right, x + width + 10, 302);
    }
  }
  NAV_EDIT_vHLine(pBitmap, 236, x0 + 11, x0 + 398, TRK_ROW_VISIBILITY);
}

void TRK_vStyleRow(BITMAP* pBitmap, S32 x0, BOOLEAN bSelected) {
  const U32 style = s_TrkEdit.u32Style <= 3 ? s_TrkEdit.u32Style : 3;
  const ICON* pIcon = s_apStyleIcon[style];
  const S32 w = (S32)G_ICON_u32GetWidth(pIcon);
  NAV_EDIT_vText(pBitmap, x0 + 9, TRK_ROW_STYLE + 32, NAV_EDIT_pFont(), NAV_EDIT_pText(Style, s_TrkEdit.nLang));
  if (!bSelected) {
    TRK_vIcon(pBitmap, pIcon, x0 + TRK_WIDTH - 11 - w, TRK_ROW_STYLE + (TRK_ROW_HEIGHT - 12) / 2);
    NAV_EDIT_vHLine(pBitmap, 236, x0 + 11, x0 + 398, TRK_ROW_STYLE);
    return;
  }
  NAV_EDIT_vHighlight(pBitmap, x0 + 1, TRK_ROW_STYLE, 408, TRK_ROW_HEIGHT);
  const S32 x = x0 + (TRK_WIDTH - w) / 2, y = TRK_ROW_STYLE - 1 + (TRK_ROW_HEIGHT - 12) / 2;
  TRK_vIcon(pBitmap, pIcon, x, y);
  if (style > 0) TRK_vIcon(pBitmap, &QX_Vorne_Selection_Arrow_Left, x - 3 - 10, y - 2);
  if (style < 3) TRK_vIcon(pBitmap, &QX_Vorne_Selection_Arrow_Right, x + w + 3, y - 2);
}

void TRK_vColorRow(BITMAP* pBitmap, S32 x0, BOOLEAN bSelected) {
  const NAV_TRK_EDIT& t = s_TrkEdit;
  const BOOLEAN bDefaults = TRK_bDefaults();
  const BOOLEAN bRandom = bDefaults && t.bUseRandomColor;
  const U32 colour = t.u32ActualColor <= NAV_EDIT_MAX_TRACK_COLOR ? t.u32ActualColor : 0;
  const ICON* pTray = &QX_Vorne_Track_Color_Tray;
  const S32 trayW = (S32)G_ICON_u32GetWidth(pTray);
  const FONT_DEF* pBold = NAV_EDIT_pBoldFont();
  // The value is the colour's name and its swatch, or the word for random.
  const char* pName = NAV_EDIT_pText(bRandom ? Random : g_apNavEditColorName[colour], t.nLang);
  const S32 nameW = (S32)G_STRING_u32GetWidth(pBold, (const BYTE*)pName);
  const S32 valueW = bRandom ? nameW : nameW + 8 + trayW;
  NAV_EDIT_vText(pBitmap, x0 + 9, TRK_ROW_COLOR + 32, NAV_EDIT_pFont(), NAV_EDIT_pText(Color, t.nLang));
  const S32 x = bSelected ? x0 + (TRK_WIDTH - valueW) / 2 : x0 + TRK_WIDTH - 11 - valueW;
  if (bSelected) NAV_EDIT_vHighlight(pBitmap, x0 + 1, TRK_ROW_COLOR, 408, TRK_ROW_HEIGHT);
  NAV_EDIT_vText(pBitmap, x, 194, pBold, pName);
  if (!bRandom) {
    TRK_vIcon(pBitmap, pTray, x + nameW + 8, 187);
    TRK_vIcon(pBitmap, s_apColorIcon[colour], x + nameW + 8 + (trayW - 32) / 2, 187 + 4);
  }
  if (!bSelected) {
    NAV_EDIT_vHLine(pBitmap, 236, x0 + 11, x0 + 398, TRK_ROW_COLOR);
    return;
  }
  const U32 value = bDefaults ? t.u32ColorSetting : t.u32ActualColor;
  const BOOLEAN bCanRise = bDefaults ? !t.bUseRandomColor : t.u32ActualColor < NAV_EDIT_MAX_TRACK_COLOR;
  if (bCanRise) TRK_vIcon(pBitmap, &QX_Vorne_Selection_Arrow_Left, x - 3 - 10, 189);
  if (value > 0) {
    TRK_vIcon(pBitmap, &QX_Vorne_Selection_Arrow_Right, x + valueW + (bDefaults ? 3 : 5), bRandom ? 191 : 189);
  }
}

void TRK_vRender(BITMAP* pBitmap) {
  const S32 x0 = TRK_x0();
  const S32 rows = 1 + (TRK_bShowsStyle() ? 1 : 0) + (TRK_bShowsColor() ? 1 : 0);
  const S32 bottom = 292 - TRK_ROW_HEIGHT * rows;
  TRK_vFrame(pBitmap, x0, bottom);
  const TRK_EDIT_STATE e = s_TrkEdit.eState;
  TRK_vVisibilityRow(pBitmap, x0, e == TRK_EDIT_VISIBILITY);
  if (TRK_bShowsStyle()) TRK_vStyleRow(pBitmap, x0, e == TRK_EDIT_STYLE);
  if (TRK_bShowsColor()) TRK_vColorRow(pBitmap, x0, e == TRK_EDIT_COLOR);
  NAV_EDIT_vText(pBitmap, x0 + 9, bottom + 34, NAV_EDIT_pFont(), NAV_EDIT_pText(Save, s_TrkEdit.nLang));
  if (e == TRK_EDIT_SAVE) {
    NAV_EDIT_vHighlight(pBitmap, x0 + 1, bottom + 2, 408, TRK_ROW_HEIGHT);
    const S32 w = (S32)G_ICON_u32GetWidth(&QX_Vorne_Action_Arrow);
    TRK_vIcon(pBitmap, &QX_Vorne_Action_Arrow, x0 + TRK_WIDTH - 4 - w, bottom + 2 + (TRK_ROW_HEIGHT - w) / 2);
  }
}

}  // namespace

void T_NAV_EDIT_vCurrentTrackAppearanceSetup(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  BOOLEAN bVisible = TRUE;
  if (!H_DATABASE_bFetchBoolean(FCID("SCTV"), &bVisible, nullptr, nullptr)) bVisible = TRUE;
  s_TrkEdit.bVisible = bVisible;
  s_TrkEdit.u32Style = NAV_EDIT_u32Setting(FCID("SNCP"), 3);
  s_TrkEdit.u32ActualColor = NAV_EDIT_u32Setting(FCID("SNCC"), 9);
  s_TrkEdit.bUseRandomColor = FALSE;
  TRK_vOpen(NAV_EDIT_CURRENT_TRACK_APPEARANCE, Current_Track);
  L_MUTEX_Unlock(RES_NAV_EDIT);
}

void T_NAV_EDIT_vTrackDefaultsSetup(void) {
  L_MUTEX_LockWait(RES_NAV_EDIT);
  s_TrkEdit.bVisible = NAV_EDIT_u32Setting(FCID("SNDV"), 0xFFFFFFFFu) != 0;
  s_TrkEdit.u32Style = NAV_EDIT_u32Setting(FCID("SNDS"), 0);
  s_TrkEdit.u32ColorSetting = NAV_EDIT_u32Setting(FCID("SNRC"), 0);
  s_TrkEdit.bUseRandomColor = s_TrkEdit.u32ColorSetting == NAV_EDIT_RANDOM_TRACK_COLOR;
  s_TrkEdit.u32ActualColor = NAV_EDIT_u32Setting(FCID("SNDC"), 0);
  TRK_vOpen(NAV_EDIT_TRACK_DEFAULT, Default_Track);
  L_MUTEX_Unlock(RES_NAV_EDIT);
}

void T_NAV_vECTSave(void) { TRK_vSaveAnswer(NAV_EDIT_CURRENT_TRACK_APPEARANCE); }
void T_NAV_vEDTSave(void) { TRK_vSaveAnswer(NAV_EDIT_TRACK_DEFAULT); }

BOOLEAN T_NAV_vCurrentTrackAppearanceHandleKeys(const MSG_KEY_CHANGE* pMsg) { return TRK_bKeys(pMsg); }
BOOLEAN T_NAV_vTrackDefaultsHandleKeys(const MSG_KEY_CHANGE* pMsg) { return TRK_bKeys(pMsg); }

void T_NAV_vCurrentTrackAppearanceRender(BITMAP* pBitmap) { TRK_vRender(pBitmap); }
void T_NAV_vTrackDefaultsRender(BITMAP* pBitmap) { TRK_vRender(pBitmap); }
