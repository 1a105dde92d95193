// The display task owns the screen and the backlight. It brings the
// framebuffer up, sets palette and backlight for the system state, follows
// backlight changes, and runs the POWER pop-up: sonar on/off, backlight
// level, night mode and standby. The pop-up's draw function runs on the view
// task; the state it reads is kept in atomics.

#include "t_display.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "color.h"
#include "error.h"
#include "g_box.h"
#include "g_buffers.h"
#include "g_line.h"
#include "g_string.h"
#include "h_backlight.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_display.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_startup.h"
#include "u_dialog.h"
#include "u_keyboard.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_palette.h"
#include "u_taskstub.h"
#include "u_view.h"
#include "u_viewarea.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

static std::atomic<U32> s_eCurrentState{STATE_STARTUP};
static std::atomic<BOOLEAN> s_bContrastMenuDisplayed{FALSE};
static const U32 s_u32MenuItemCount = PwrMnu_Last_Item;
static const POWER_KEY_MENU_ITEMS s_aMenuItemList[PwrMnu_Last_Item] = {PwrMnu_Sonar_Control, PwrMnu_Backlight_Adj,
                                                                       PwrMnu_Contrast_Adj, PwrMnu_Standby};
static std::atomic<U32> s_u32ActiveMenuIndex{0};
static std::atomic<U32> s_u32TopMenuIndex{0};
static std::atomic<U32> s_u32BottomMenuIndex{0};
static std::atomic<U32> s_eActiveMenuItem{PwrMnu_Sonar_Control};
static std::atomic<BOOLEAN> s_bBacklightChanged{FALSE};
static std::atomic<U32> u32PaletteSaved{100};  // 100: nothing drawn yet
static U32 u32SaveBacklight = DISPLAY_BACKLIGHT_DEFAULT;
static TIMER_INFO* s_pA2DTimer = nullptr;
static BOOLEAN alreadyRegistered = FALSE;
static BOOLEAN s_bAlreadyRegistered = FALSE;
static std::atomic<void (*)(BOOLEAN)> s_pfnSonarStandby{nullptr};

static const MENU_TEXT s_paOnOffChoices[] = {Off, On};
static const MENU_TEXT s_paBackgroundColorChoices[] = {Off, On};
static const U32 s_au32SonarValues[] = {0, 1};
static const U32 s_au32PaletteValues[] = {1, 3};

constexpr U32 POPUP_VISIBLE_ROWS = 6;
constexpr S32 POPUP_ROW = 54;
constexpr S32 POPUP_MIN_WIDTH = 266;
constexpr S32 POPUP_TOP = 469;
constexpr U32 MASK_POPUP_KEYS = 0xFF8E;
constexpr U32 MASK_SPARE_KEYS = 0x60;

void T_DISPLAY_vSetSonarStandby(void (*pfnSonarStandby)(BOOLEAN bOn)) { s_pfnSonarStandby = pfnSonarStandby; }

static void DISPLAY_vSonarStandby(BOOLEAN bOn) {
  void (*pfn)(BOOLEAN) = s_pfnSonarStandby;
  if (pfn != nullptr) pfn(bOn);
}

static BOOLEAN DISPLAY_bFetchFlag(FOURCHARID id) {
  BOOLEAN bValue = FALSE;
  return H_DATABASE_bFetchBoolean(id, &bValue, nullptr, nullptr) && bValue;
}

// ---------------------------------------------------------------------------
// System state

static void T_DISPLAY_vHandleOperatingMode(U32 state) {
  s_eCurrentState = state;
  if (state == STATE_POINT_OF_SALE || state == STATE_INLINE_TEST || state == STATE_BURN_IN) {
    H_DATABASE_bUpdateValueS32(FCID("SBAK"), DISPLAY_BACKLIGHT_MAX, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("SPAL"), PALETTE1, P_NORMAL);
  }
  if (state == STATE_POINT_OF_SALE) {
    COLOR_vSetPOSPalette();
  } else {
    COLOR_vSetStandardPalette();
  }
}

// Key clicks sound in the point-of-sale state only for the keys handled here.
static void T_DISPLAY_vHandleKeyClick(KEY_STATE keyState, BOOLEAN bGoodClick) {
  const BOOLEAN bPos = s_eCurrentState == STATE_POINT_OF_SALE;
  if (keyState != KEY_DOWN) {
    if (bPos) H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), FALSE, P_NORMAL);
    return;
  }
  if (bPos) H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), TRUE, P_NORMAL);
  L_SEMA_Signal(bGoodClick ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
}

// ---------------------------------------------------------------------------
// The pop-up

static void DISPLAY_vTakeKeys(void) {
  U_KEYBOARD_bRegisterKeys(M_DISPLAY, MASK_POPUP_KEYS, KEY_CHANGE, FALSE, FALSE, CURSOR_4, REGISTER_CONTRAST);
  U_KEYBOARD_bRegisterKeys(M_DISPLAY, MASK_SPARE_KEYS, KEY_CHANGE, TRUE, FALSE, CURSOR_4, REGISTER_CONTRAST);
  U_KEYBOARD_bRegisterKeys(M_DISPLAY, HKEY_MASK_CURSOR, KEY_CHANGE, TRUE, FALSE, CURSOR_4, REGISTER_CONTRAST);
}

static void T_DISPLAY_vDisplayContrastMenu(void) {
  DISPLAY_vTakeKeys();
  U_VIEW_bRegisterLayer(T_DISPLAY_vDrawLayer, CONTRAST_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr);
  s_u32ActiveMenuIndex = 0;
  s_u32TopMenuIndex = 0;
  s_bContrastMenuDisplayed = TRUE;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static void T_DISPLAY_vRemoveContrastMenu(void) {
  U_KEYBOARD_bUnregisterKeys(M_DISPLAY, HKEY_MASK_ALL_BUT_POWER);
  U_VIEW_bUnRegisterLayer(CONTRAST_LAYER);
  s_bContrastMenuDisplayed = FALSE;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_DISPLAY_vStandbyMode(BOOLEAN bOn) {
  if (s_bContrastMenuDisplayed) T_DISPLAY_vRemoveContrastMenu();
  if (bOn) {
    S32 level = DISPLAY_BACKLIGHT_DEFAULT;
    if (H_DATABASE_bFetchS32(FCID("SBAK"), &level, nullptr, nullptr)) u32SaveBacklight = (U32)level;
    H_BACKLIGHT_vEnableDisableBacklight(FALSE);
    DISPLAY_vSonarStandby(TRUE);
    DISPLAY_vTakeKeys();
  } else {
    DISPLAY_vSonarStandby(FALSE);
    H_BACKLIGHT_vEnableDisableBacklight(TRUE);
    U_KEYBOARD_bUnregisterKeys(M_DISPLAY, HKEY_MASK_ALL_BUT_POWER);
  }
  H_DATABASE_bUpdateEverythingBoolean(FCID("CSBM"), bOn, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

// A selector row steps its key to the next or previous choice. The rows
// hold keys of different types, so the choice is a value word.
static BOOLEAN DISPLAY_bStepSelector(FOURCHARID id, const U32* pValues, BOOLEAN bNext) {
  DB_DATA_TYPE value = {};
  H_DATABASE_bFetch(id, &value, nullptr, nullptr);
  U32 index = value.u32Val == pValues[1] ? 1 : 0;
  if (bNext ? index >= 1 : index == 0) return FALSE;
  value.u32Val = pValues[bNext ? index + 1 : index - 1];
  H_DATABASE_bUpdateValue(id, value, P_NORMAL);
  return TRUE;
}

static BOOLEAN T_DISPLAY_bHandleCursor(CURSOR_POSITION cursor) {
  const U32 count = s_u32MenuItemCount;
  U32 active = s_u32ActiveMenuIndex, top = s_u32TopMenuIndex;
  const U32 visible = count - top < POPUP_VISIBLE_ROWS ? count - top : POPUP_VISIBLE_ROWS;
  BOOLEAN bAccepted = TRUE;
  switch (cursor) {
    case CURSOR_NORTH:
      if (active == 0) {
        active = count - 1;
        top = count > POPUP_VISIBLE_ROWS ? count - POPUP_VISIBLE_ROWS : 0;
      } else {
        if (active == top) top--;
        active--;
      }
      break;
    case CURSOR_SOUTH:
      if (active == count - 1) {
        active = 0, top = 0;
      } else {
        if (active == top + visible - 1) top++;
        active++;
      }
      break;
    case CURSOR_EAST:
    case CURSOR_WEST: {
      const BOOLEAN bEast = cursor == CURSOR_EAST;
      switch (s_aMenuItemList[active]) {
        case PwrMnu_Sonar_Control:
          bAccepted = DISPLAY_bStepSelector(FCID("SSEN"), s_au32SonarValues, bEast);
          break;
        case PwrMnu_Backlight_Adj:
          bAccepted = H_BACKLIGHT_bChange(bEast ? 1 : -1);
          if (bAccepted) s_bBacklightChanged = TRUE;
          break;
        case PwrMnu_Contrast_Adj:
          bAccepted = DISPLAY_bStepSelector(FCID("SPAL"), s_au32PaletteValues, bEast);
          break;
        default:
          bAccepted = bEast;
          if (bEast) T_DISPLAY_vStandbyMode(TRUE);
          break;
      }
      break;
    }
    default:
      bAccepted = FALSE;
      break;
  }
  s_u32ActiveMenuIndex = active;
  s_u32TopMenuIndex = top;
  return bAccepted;
}

static void T_DISPLAY_vHandleKeyChange(const MSG_KEY_CHANGE* pMsg) {
  const BOOLEAN bPress = pMsg->state == KEY_DOWN;
  if (!bPress) {
    if (s_eCurrentState == STATE_POINT_OF_SALE) H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), FALSE, P_NORMAL);
    if (!(pMsg->key & (HKEY_MASK_CURSOR | MASK_SPARE_KEYS))) return;
  }
  if (DISPLAY_bFetchFlag(FCID("CSBM"))) {
    if (pMsg->key == HKEY_MASK_POWER && bPress) {
      T_DISPLAY_vStandbyMode(FALSE);
      T_DISPLAY_vHandleKeyClick(KEY_DOWN, TRUE);
    }
    return;
  }
  if (!s_bContrastMenuDisplayed) {
    if (pMsg->key != HKEY_MASK_POWER) return;
    T_DISPLAY_vHandleKeyClick(pMsg->state, TRUE);
    H_BACKLIGHT_vSave();
    if (s_eCurrentState == STATE_POINT_OF_SALE || DISPLAY_bFetchFlag(FCID("SQCD"))) T_DISPLAY_vDisplayContrastMenu();
    s_bBacklightChanged = FALSE;
    return;
  }
  if (pMsg->key == HKEY_MASK_EXIT || pMsg->key == HKEY_MASK_POWER) {
    if (!bPress) return;
    T_DISPLAY_vHandleKeyClick(KEY_DOWN, TRUE);
    if (s_u32ActiveMenuIndex != 0) {
      s_u32ActiveMenuIndex = 0;
      s_u32TopMenuIndex = 0;
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
      return;
    }
    T_DISPLAY_vRemoveContrastMenu();
    if (!s_bBacklightChanged) H_BACKLIGHT_vRestore();
    return;
  }
  if (pMsg->key == HKEY_MASK_CURSOR) {
    if (!bPress) return;
    if (T_DISPLAY_bHandleCursor(pMsg->cursor)) {
      T_DISPLAY_vHandleKeyClick(KEY_DOWN, TRUE);
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
    } else {
      T_DISPLAY_vHandleKeyClick(KEY_DOWN, FALSE);
    }
    return;
  }
  if (bPress) T_DISPLAY_vHandleKeyClick(KEY_DOWN, FALSE);
}

// ---------------------------------------------------------------------------
// Drawing the pop-up


static const char* DISPLAY_pcText(MENU_TEXT pTable) { return pTable[nCurrentLanguage()]; }

// In every language: a wide language's own characters come from the Unicode face.
static const FONT_DEF* DISPLAY_pLabelFont(void) { return myriad_pro_size17_font_def_ptr; }

// The widest choice or value a control shows, plus room for its arrows.
static S32 DISPLAY_s32ControlWidth(void) {
  const FONT_DEF* pFont = U_DIALOG_pChoiceFont();
  U32 u32Widest = G_STRING_u32GetWidth(pFont, (const BYTE*)"10");
  for (MENU_TEXT pText : {Off, On, Dim}) {
    U32 w = G_STRING_u32GetWidth(pFont, (const BYTE*)DISPLAY_pcText(pText));
    if (w > u32Widest) u32Widest = w;
  }
  S32 width = (S32)u32Widest + 40;
  return width < 140 ? 140 : width;
}

static S32 DISPLAY_s32LabelWidth(void) {
  const FONT_DEF* pFont = DISPLAY_pLabelFont();
  U32 u32Widest = 0;
  for (MENU_TEXT pText : {Sonar, Light, Night_Mode, Standby}) {
    U32 w = G_STRING_u32GetWidth(pFont, (const BYTE*)DISPLAY_pcText(pText));
    if (w > u32Widest) u32Widest = w;
  }
  return (S32)u32Widest;
}

static void DISPLAY_vDrawLabel(BITMAP* pBitmap, MENU_TEXT pText, S32 x, S32 rowBottom) {
  POINT at = {x + 11, rowBottom + 20};
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &at, DISPLAY_pLabelFont(), (const BYTE*)DISPLAY_pcText(pText));
}

// Night mode changes the backlight with the palette: dimmer on the night
// palette, full on the standard one.
static void DISPLAY_vFollowPalette(U32 u32Palette) {
  U32 u32Saved = u32PaletteSaved;
  if (u32Saved != 100 && u32Saved != u32Palette) {
    H_BACKLIGHT_bChange(-10);
    H_BACKLIGHT_bChange(u32Palette == PALETTE1 ? 10 : 6);
    s_bBacklightChanged = TRUE;
  }
  u32PaletteSaved = u32Palette;
}

void T_DISPLAY_vDrawLayer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  if (pBitmap == nullptr) return;
  M_SELECTION_BOX_PARAMETERS sSonar = {FCID("SSEN"), s_paOnOffChoices, nullptr, s_au32SonarValues, 0, 2};
  M_SELECTION_BOX_PARAMETERS sPalette = {FCID("SPAL"), s_paBackgroundColorChoices, nullptr, s_au32PaletteValues, 0, 2};
  T_MENU_vDrawMaskBackground(pBitmap);

  const U32 top = s_u32TopMenuIndex, active = s_u32ActiveMenuIndex;
  const U32 visible = s_u32MenuItemCount - top < POPUP_VISIBLE_ROWS ? s_u32MenuItemCount - top : POPUP_VISIBLE_ROWS;
  s_u32BottomMenuIndex = top + visible - 1;
  s_eActiveMenuItem = s_aMenuItemList[active < s_u32MenuItemCount ? active : 0];

  const S32 control = DISPLAY_s32ControlWidth();
  S32 W = 11 + DISPLAY_s32LabelWidth() + 24 + control + 11;
  if (W < POPUP_MIN_WIDTH) W = POPUP_MIN_WIDTH;
  const S32 origin = (S32)U_VIEW_u32XOrigin();
  const S32 H = POPUP_ROW * (S32)visible + 2;
  POINT box = {origin + (pBitmap->pixels_wide - origin - W) / 2, POPUP_TOP - H};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(237), &box, (U32)W, (U32)H);
  G_BOX_vDraw(pBitmap, COLOR_colEntry(32), &box, (U32)W, (U32)H);

  for (U32 i = 0; i < visible; i++) {
    const U32 row = top + i;
    const S32 rowBottom = box.y + 1 + POPUP_ROW * (S32)(visible - 1 - i);
    const POINT controlAt = {box.x + W - 11 - control, rowBottom + (POPUP_ROW - 32) / 2};
    switch (s_aMenuItemList[row]) {
      case PwrMnu_Sonar_Control: {
        DISPLAY_vDrawLabel(pBitmap, Sonar, box.x, rowBottom);
        DB_DATA_TYPE sonar = {};
        if (H_DATABASE_bFetch(FCID("SSEN"), &sonar, nullptr, nullptr) && sonar.u32Val > 1) {
          H_DATABASE_bUpdateValueBoolean(FCID("SSEN"), TRUE, P_NORMAL);
        }
        U_MENU_vDrawControlSelectionBox(pBitmap, controlAt, 0, &sSonar, (U32)control, 32, COLOR_colEntry(237));
        break;
      }
      case PwrMnu_Backlight_Adj: {
        DISPLAY_vDrawLabel(pBitmap, Light, box.x, rowBottom);
        M_PROGRESS_BAR_PARAMETERS sBar = {FCID("SBAK"), 0.0f, 10.0f, nullptr, nullptr, "%2d", nullptr};
        if (!U_WSTRING_bIsUnicodeLanguage()) sBar.pMinimumText = Dim;
        DB_DATA_TYPE value;
        value.u32Val = 0;
        H_DATABASE_bFetch(FCID("SBAK"), &value, nullptr, nullptr);
        U_MENU_vDrawControlProgressBar(pBitmap, controlAt, value, &sBar, DF_SIGNED32, (U32)control, 32);
        break;
      }
      case PwrMnu_Contrast_Adj: {
        DISPLAY_vDrawLabel(pBitmap, Night_Mode, box.x, rowBottom);
        U_MENU_vDrawControlSelectionBox(pBitmap, controlAt, 0, &sPalette, (U32)control, 32, COLOR_colEntry(237));
        U32 u32Palette = PALETTE1;
        if (H_DATABASE_bFetchU32(FCID("SPAL"), &u32Palette, nullptr, nullptr)) DISPLAY_vFollowPalette(u32Palette);
        break;
      }
      default: {
        DISPLAY_vDrawLabel(pBitmap, Standby, box.x, rowBottom);
        POINT rowAt = {box.x, rowBottom};
        U_MENU_vDrawControlAction(pBitmap, rowAt, row == active, (U32)W, POPUP_ROW);
        break;
      }
    }
    if (i + 1 < visible) {
      POINT from = {box.x + 11, rowBottom}, to = {box.x + W - 12, rowBottom};
      G_LINE_vDraw(pBitmap, COLOR_colEntry(236), &from, &to);
    }
    if (row != active) continue;
    for (S32 in = 0; in < 3; in++) {
      POINT at = {box.x + 1 + in, rowBottom + in};
      G_BOX_vDraw(pBitmap, COLOR_colEntry(241), &at, (U32)(W - 2 - 2 * in), (U32)(POPUP_ROW - 2 * in));
    }
  }
  POINT footer = {box.x, box.y - 24};
  const BOOLEAN bFooter = top > 0 || top + visible < s_u32MenuItemCount;
  T_MENU_vDrawMoreDownTab(pBitmap, footer, (U32)W, top > 0, top + visible < s_u32MenuItemCount);
  // A readout the pop-up would cut is left out while it is up; the bar
  // under it keeps clear of the readouts itself.
  const VIEWAREA_BOX covered = {box.x, bFooter ? footer.y : box.y, W, H + (bFooter ? 24 : 0)};
  U_VIEWAREA_vCovers(CONTRAST_LAYER, &covered);
  U_DIALOG_vDrawDialogGenericNotification(pBitmap, DISPLAY_pcText(Press_and_hold_to_power_unit_Off));
}

// ---------------------------------------------------------------------------
// Mail

static void T_DISPLAY_vHandlePOSReset(void) {
  if (s_eCurrentState == STATE_POINT_OF_SALE) {
    H_DATABASE_bUpdateValueS32(FCID("SBAK"), DISPLAY_BACKLIGHT_MAX, P_NORMAL);
  }
  if (s_bContrastMenuDisplayed) T_DISPLAY_vRemoveContrastMenu();
  H_DATABASE_bUpdateValueU32(FCID("SPAL"), H_DBTABLE_u32Default(FCID("SPAL")), P_NORMAL);
}

static void DISPLAY_vHandleNewData(const MESSAGE_NEW_DATA* pMsg) {
  switch (pMsg->FourCharId) {
    case FCID("CCST"):
      T_DISPLAY_vHandleOperatingMode(pMsg->dbValue.u32Val);
      break;
    case FCID("CREV"):
      H_BACKLIGHT_vProcessRevisionBits(pMsg->dbValue.u32Val);
      H_BACKLIGHT_vChangeIntensity(DISPLAY_BACKLIGHT_MAX);
      break;
    case FCID("SBAK"):
      H_BACKLIGHT_vChangeIntensity((DISPLAY_BACKLIGHT)pMsg->dbValue.s32Val);
      break;
    default:
      break;
  }
}

static void DISPLAY_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      log_me("[%d]%s: display off", __LINE__, __func__);
      H_DISPLAY_vPowerDown();
      break;
    case CMD_ID_NEW_DATA:
      DISPLAY_vHandleNewData((const MESSAGE_NEW_DATA*)pMsg);
      break;
    case CMD_ID_RESET_POS:
      T_DISPLAY_vHandlePOSReset();
      break;
    case CMD_ID_DISPLAY_SCREEN: {
      BITMAP* pBitmap = ((MSG_DISPLAY_SCREEN*)pMsg)->pBitmap;
      if (pBitmap != nullptr) {
        H_DISPLAY_vDisplayBitmap(pBitmap);
        G_BUFFERS_vFreeFullScreenBitmapHeader(pBitmap);
      }
      break;
    }
    case CMD_ID_KEY_CHANGE:
      T_DISPLAY_vHandleKeyChange((const MSG_KEY_CHANGE*)pMsg);
      break;
    case CMD_ID_RUN_SYSTEM: {
      U_PALETTE_vRegisterMenuItem();
      BOOLEAN bSuperUser = FALSE;
      H_DATABASE_bFetchBoolean(FCID("SMSU"), &bSuperUser, nullptr, nullptr);
      break;
    }
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// The task

// POWER and the system state, which need the keyboard task and the
// database; tried again every 100 ms until both are had.
static void DISPLAY_vConnect(void) {
  if (!alreadyRegistered) {
    alreadyRegistered = U_KEYBOARD_bRegisterKeys(M_DISPLAY, HKEY_MASK_POWER, KEY_DOWN, FALSE, FALSE, CURSOR_4,
                                                 REGISTER_CONTRAST);
  }
  if (!s_bAlreadyRegistered &&
      H_DATABASE_bRegisterForDataWithConditions(FCID("CCST"), M_DISPLAY, TRUE, FALSE, FALSE)) {
    s_bAlreadyRegistered = TRUE;
    U32 state = 0;
    if (H_DATABASE_bFetchU32(FCID("CCST"), &state, nullptr, nullptr)) T_DISPLAY_vHandleOperatingMode(state);
  }
}

static void T_DISPLAY_vInit(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  H_DISPLAY_vInitScreen(M_DISPLAY);
  if (H_DATABASE_bUpdateEverythingU32(FCID("TDSP"), (U32)M_DISPLAY, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Display Task Maibox");
  }
  DISPLAY_vConnect();
  if (!alreadyRegistered || !s_bAlreadyRegistered) s_pA2DTimer = L_TIMER_Start(nullptr, 100, 100, SEMA_TIMER_DISPLAY1);
  if (H_DATABASE_bUpdateEverythingVoidPointer(FCID("DSFB"), H_DISPLAY_psbGetFrameBufferPointer(), P_NORMAL,
                                              D_POINTER, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Screen Frame Buffer Pointer");
  }
  H_DATABASE_bUpdateEverythingU32(FCID("SPAL"), H_DBTABLE_u32Default(FCID("SPAL")), P_DEFAULT_SETTING, D_UNSIGNED32, Color_Palette,
                                  DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("CZLV"), 1, P_DEFAULT_SETTING, D_UNSIGNED32, Zoom_Level, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SICE"), H_DBTABLE_bDefaultFlag(FCID("SICE")), P_DEFAULT_SETTING, D_UNKNOWN, Ice_Fishing_Mode,
                                      DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("CSBM"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  L_SEMA_Signal(SEMA_DISPINIT_COMPLETE);
}

void T_DISPLAY_vMain(void) {
  T_DISPLAY_vInit();
  const SEMA events[] = {SEMA_MBOX_DISPLAY, SEMA_TIMER_DISPLAY1, SEMA_TIMER_DISPLAY2, 0};
  for (;;) {
    S32 event = L_SEMA_WaitMultiple(events);
    if (event == SEMA_TIMER_DISPLAY1 && s_pA2DTimer != nullptr) {
      DISPLAY_vConnect();
      if (alreadyRegistered && s_bAlreadyRegistered) {
        U_VIEW_bUnRegisterLayer(PRESS_POWER_LAYER);
        L_TIMER_Stop(s_pA2DTimer);
        L_TIMER_Release(s_pA2DTimer);
        s_pA2DTimer = nullptr;
      }
    } else if (event == SEMA_MBOX_DISPLAY) {
      while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_DISPLAY)) DISPLAY_vDispatch(pMsg);
    }
  }
}
