// The info task owns the user's choice of readouts: ten slots in the
// database (five for normal use, five while navigating), the menus that fill
// them from the readout catalogue, and a one-second tick that checks the
// count-down timer, flips the blink phase of flashing readouts and redraws.
// Its state is written only here and read by the view task's layers as
// single words, so each piece is an atomic.

#include "t_info.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "color.h"
#include "error.h"
#include "g_string.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_alarm.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

static std::atomic<DATA_BOXES_OPTION> s_eDataBoxOption{DATA_BOXES_OVERLAY};
static std::atomic<BOOLEAN> s_bBlinkStateOn{FALSE};
static std::atomic<BOOLEAN> s_bChirpLabelOn{FALSE};
static std::atomic<U32> s_ePalette{DEFAULT_PALETTE};
static std::atomic<BOOLEAN> s_bUseInvertedXTEBoatIcon{FALSE};
static std::atomic<U8> s_u8Alpha{0};
static BOOLEAN s_bMenusCreated = FALSE;
static BOOLEAN s_bChoiceMenusRegistered = FALSE;
static TIMER_INFO* s_pTickTimer = nullptr;

// The lists are handed to the menu task by address. Each rebuild writes the
// set the menus do not use now, so a menu drawn during a rebuild never reads
// a list half rewritten.
struct INFO_CHOICE_LISTS {
  const char* const* apB[INFO_CHOICES_MAX];
  U32 au32B[INFO_CHOICES_MAX];
  U32 u32B;
  const char* const* apQ[INFO_CHOICES_MAX];
  U32 au32Q[INFO_CHOICES_MAX];
  U32 u32Q;
  const char* const* apCombined[INFO_CHOICES_MAX];
  U32 au32Combined[INFO_CHOICES_MAX];
  U32 u32Combined;
};
static INFO_CHOICE_LISTS s_asLists[2];
static std::atomic<U32> s_u32ListsInUse{0};

constexpr U32 INFO_TICK_MS = 1000;

// ---------------------------------------------------------------------------
// Items

static const struct {
  FOURCHARID slot;
  FOURCHARID normal;
  FOURCHARID ice;
} s_aSlotDefaults[] = {
    {FCID("SIS1"), FCID("BDEP"), FCID("BDEP")}, {FCID("SIS2"), FCID("BTMP"), FCID("BTMO")},
    {FCID("SIS3"), FCID("BPOS"), FCID("BBAT")}, {FCID("SIS4"), FCID("BTMO"), FCID("BVLT")},
    {FCID("SIS5"), FCID("BSPD"), FCID("BPOS")}, {FCID("SC50"), FCID("BDEP"), FCID("BDEP")},
    {FCID("SC51"), FCID("BHDG"), FCID("BHDG")}, {FCID("SC52"), FCID("QBRG"), FCID("QBRG")},
    {FCID("SC53"), FCID("QCTD"), FCID("QCTD")}, {FCID("SC54"), FCID("QTSP"), FCID("QTSP")},
};

// The info palette, entries 128 to 131, by SPAL.
static const COLOR acInfoPaletteBlueBackground[4] = {0x2815, 0x7BFF, 0x8410, 0xFFFF};
static const COLOR acInfoPaletteBlackBackground[4] = {0x0000, 0x5AF5, 0x4208, 0xFFFF};
static const COLOR acInfoPaletteWhiteBackground[4] = {0xFFFF, 0xA510, 0x4208, 0x0000};

static BOOLEAN INFO_bIceMode(void) {
  BOOLEAN bIce = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr)) return FALSE;
  return bIce;
}

void T_INFO_vSetDefaultSettings(BOOLEAN bForceFactoryDefaults) {
  const U32 priority = bForceFactoryDefaults ? P_NORMAL : P_DEFAULT_SETTING;
  const BOOLEAN bIce = INFO_bIceMode();
  for (const auto& s : s_aSlotDefaults) {
    H_DATABASE_bUpdateEverythingU32(s.slot, bIce ? s.ice : s.normal, priority, D_FCID, nullptr, DB_NEVER_STALE);
  }
  H_DATABASE_bUpdateEverythingU32(FCID("SDBO"), DATA_BOXES_OVERLAY, priority, D_FCID, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("SFMT"), SMALL_TENTHS, priority, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

static void INFO_vUpdated_SPAL(U32 u32Palette) {
  const COLOR* set = u32Palette == PALETTE2   ? acInfoPaletteBlueBackground
                     : u32Palette == PALETTE3 ? acInfoPaletteBlackBackground
                                              : acInfoPaletteWhiteBackground;
  COLOR_vSetColorTableSection(128, 4, set);
  s_bUseInvertedXTEBoatIcon = u32Palette == PALETTE2 || u32Palette == PALETTE3;
  s_ePalette = u32Palette;
}

static void INFO_vReadDataBoxOption(void) {
  U32 u32Option = DATA_BOXES_OVERLAY;
  if (H_DATABASE_bFetchU32(FCID("SDBO"), &u32Option, nullptr, nullptr)) {
    s_eDataBoxOption = (DATA_BOXES_OPTION)u32Option;
  }
}

static void INFO_vSelectLanguageFonts(void) {
  U32 u32Language = 0;
  if (H_DATABASE_bFetchU32(FCID("SLNG"), &u32Language, nullptr, nullptr)) U_FONTS_vSelectFontSet((LANGUAGE)u32Language);
}

// ---------------------------------------------------------------------------
// Accessors

BOOLEAN T_INFO_bBlinkState(void) { return s_bBlinkStateOn; }
U8 T_INFO_u8ConvertAlphaVector(U32 u32AlphaVector) { return (U8)(u32AlphaVector & 0xFF); }
void T_INFO_vSetAlpha(U32 u32AlphaVector) { s_u8Alpha = T_INFO_u8ConvertAlphaVector(u32AlphaVector); }
U8 T_INFO_u8Alpha(void) { return s_u8Alpha; }
DATA_BOXES_OPTION T_INFO_eDataBoxOption(void) { return s_eDataBoxOption; }
BOOLEAN T_INFO_bChirpLabelOn(void) { return s_bChirpLabelOn; }
BOOLEAN T_INFO_bUseInvertedXTEBoatIcon(void) { return s_bUseInvertedXTEBoatIcon; }

const char* const* const* T_INFO_ppChoices(char cList, const U32** ppValues, U32* pu32Count) {
  const INFO_CHOICE_LISTS& l = s_asLists[s_u32ListsInUse];
  switch (cList) {
    case 'B':
      *ppValues = l.au32B;
      *pu32Count = l.u32B;
      return l.apB;
    case 'Q':
      *ppValues = l.au32Q;
      *pu32Count = l.u32Q;
      return l.apQ;
    default:
      *ppValues = l.au32Combined;
      *pu32Count = l.u32Combined;
      return l.apCombined;
  }
}

// ---------------------------------------------------------------------------
// Menus

static MENU_TEXT const s_apReadoutNames[INFO_SLOTS] = {Readout_1, Readout_2, Readout_3, Readout_4, Readout_5};
static MENU_TEXT const s_apNavReadoutNames[INFO_SLOTS] = {Nav_Readout_1, Nav_Readout_2, Nav_Readout_3,
                                                          Nav_Readout_4, Nav_Readout_5};
static const FOURCHARID s_afcidNormal[INFO_SLOTS] = {FCID("SIS1"), FCID("SIS2"), FCID("SIS3"), FCID("SIS4"),
                                                    FCID("SIS5")};
static const FOURCHARID s_afcidNavigating[INFO_SLOTS] = {FCID("SC50"), FCID("SC51"), FCID("SC52"), FCID("SC53"),
                                                        FCID("SC54")};
static MENU_TEXT const s_apDataBoxChoices[] = {Boxes, Overlay, Off};
static const U32 s_au32DataBoxValues[] = {DATA_BOXES_ON, DATA_BOXES_OVERLAY, DATA_BOXES_OFF};
static MENU_TEXT const s_apSelectReadouts[] = {Select_Readouts};
static MENU_TEXT const s_apSelectNavReadouts[] = {Select_Nav_Readouts};

void T_INFO_vUpdateInfoboxChoices(BOOLEAN bNavigationRelatedOnlyUpdate) {
  (void)bNavigationRelatedOnlyUpdate;
  const U32 nLang = nCurrentLanguage();
  if (!s_bChoiceMenusRegistered) {
    U_MENU_bRegisterMainSelectorMenu(Digital_Readouts, Setup, 130, FCID("SDBO"), 3, s_apDataBoxChoices,
                                     s_au32DataBoxValues, M_ADVANCED);
    INFO_vReadDataBoxOption();
    s_bChoiceMenusRegistered = TRUE;
  } else {
    for (U32 i = 0; i < INFO_SLOTS; i++) {
      U_MENU_bUnregisterSubMenuItem(Select_Readouts, s_apReadoutNames[i]);
      U_MENU_bUnregisterSubMenuItem(Select_Nav_Readouts, s_apNavReadoutNames[i]);
    }
  }
  const MENU_USER_LEVEL level = s_eDataBoxOption == DATA_BOXES_ON ? M_ADVANCED : M_SUPER_USER;
  U_MENU_bRegisterMainSubMenu(Select_Readouts, Setup, 131, s_apSelectReadouts, s_apSelectReadouts, nullptr, 1, level);
  U_MENU_bRegisterMainSubMenu(Select_Nav_Readouts, Setup, 132, s_apSelectNavReadouts, s_apSelectNavReadouts, nullptr, 1,
                              level);

  // The battery readout is offered only in ice mode: it has a title only then.
  DB_DATA_TYPE value = {};
  value.u32Val = FCID("IBAT");
  DB_ATTRIBUTES attributes = {D_FCID, INFO_bIceMode() ? Battery : nullptr, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(FCID("BBAT"), &value, P_NORMAL, &attributes);

  const U32 u32Next = s_u32ListsInUse ^ 1;
  INFO_CHOICE_LISTS& l = s_asLists[u32Next];
  l.u32B = vFetchAllBeginningWith('B', l.apB, l.au32B, nLang);
  l.u32Q = vFetchAllBeginningWith('Q', l.apQ, l.au32Q, nLang);
  l.u32Combined = vCombineChoices(l.apQ, l.au32Q, l.u32Q, l.apB, l.au32B, l.u32B, l.apCombined, l.au32Combined, nLang);
  s_u32ListsInUse = u32Next;
  for (U32 i = 0; i < INFO_SLOTS; i++) {
    U_MENU_bRegisterSubMenuSelectorMenu(s_apReadoutNames[i], Select_Readouts, nullptr, 2 + i, s_afcidNormal[i], l.u32B,
                                        l.apB, l.au32B, M_BASIC);
    U_MENU_bRegisterSubMenuSelectorMenu(s_apNavReadoutNames[i], Select_Nav_Readouts, nullptr, 2 + i,
                                        s_afcidNavigating[i], l.u32Combined, l.apCombined, l.au32Combined, M_BASIC);
  }
}

static MENU_TEXT const s_apDigitsChoices[] = {Small_Tenths, Large_Tenths, No_Tenths};
static const U32 s_au32DigitsValues[] = {SMALL_TENTHS, LARGE_TENTHS, NO_TENTHS};
static MENU_TEXT const s_apDepthUnitsDomestic[] = {Feet, Fathoms};
static const U32 s_au32DepthUnitsDomestic[] = {U_FEET, U_FATHOMS};
static MENU_TEXT const s_apDepthUnits[] = {Meters, Feet, Fathoms};
static const U32 s_au32DepthUnits[] = {U_METRES, U_FEET, U_FATHOMS};

static void INFO_vCreateMenus(void) {
  U_MENU_bRegisterMainSelectorMenu(Digits_Format, Setup, 145, FCID("SFMT"), 3, s_apDigitsChoices, s_au32DigitsValues,
                                   M_ADVANCED);
  if (MODEL_bDomesticModel()) {
    U_MENU_bRegisterMainSelectorMenu(Units_Depth, Setup, 115, FCID("SUDP"), 2, s_apDepthUnitsDomestic,
                                     s_au32DepthUnitsDomestic, M_BASIC);
  } else {
    U_MENU_bRegisterMainSelectorMenu(Units_Depth, Setup, 115, FCID("SUDP"), 3, s_apDepthUnits, s_au32DepthUnits,
                                     M_BASIC);
  }
  T_INFO_vUpdateInfoboxChoices(FALSE);
  s_bMenusCreated = TRUE;
}

// ---------------------------------------------------------------------------
// Messages

static void INFO_vHandleNewData(const MESSAGE_NEW_DATA* pMsg) {
  switch (pMsg->FourCharId) {
    case FCID("SPAL"):
      INFO_vUpdated_SPAL(pMsg->dbValue.u32Val);
      break;
    case FCID("SICE"):
      T_INFO_vSetDefaultSettings(TRUE);
      T_INFO_vUpdateInfoboxChoices(FALSE);
      log_me("[%d]%s: ice mode change done", __LINE__, __func__);
      break;
    case FCID("SLNG"):
      T_INFO_vUpdateInfoboxChoices(FALSE);
      U_FONTS_vSelectFontSet((LANGUAGE)pMsg->dbValue.u32Val);
      break;
    case FCID("SDBO"):
      s_eDataBoxOption = (DATA_BOXES_OPTION)pMsg->dbValue.u32Val;
      break;
    case FCID("CCLO"):
      s_bChirpLabelOn = pMsg->dbValue.u32Val != 0;
      break;
    default:
      break;
  }
}

static void INFO_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_RESET_POS:
      T_INFO_vSetDefaultSettings(TRUE);
      break;
    case CMD_ID_RUN_SYSTEM:
      if (!s_bMenusCreated) INFO_vCreateMenus();
      if (s_pTickTimer == nullptr) {
        s_pTickTimer = L_TIMER_Allocate();
        if (s_pTickTimer != nullptr) L_TIMER_Start(s_pTickTimer, INFO_TICK_MS, INFO_TICK_MS, SEMA_TIMER_INFO);
      }
      break;
    case CMD_ID_NEW_DATA:
      if (s_bMenusCreated) INFO_vHandleNewData((const MESSAGE_NEW_DATA*)pMsg);
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

static void INFO_vTick(void) {
  T_ALARM_vCheckTimer();
  s_bBlinkStateOn = s_bBlinkStateOn == TRUE ? FALSE : TRUE;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static void INFO_vInit(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  if (H_DATABASE_bUpdateEverythingU32(FCID("TINF"), (U32)M_INFO, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Info Task Maibox");
  }
  T_INFO_vSetDefaultSettings(FALSE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SLNG"), M_INFO, TRUE, FALSE, FALSE);
  INFO_vSelectLanguageFonts();
  BOOLEAN bChirp = FALSE;
  if (H_DATABASE_bFetchBoolean(FCID("CCLO"), &bChirp, nullptr, nullptr)) s_bChirpLabelOn = bChirp;
  H_DATABASE_bRegisterForDataWithConditions(FCID("CCLO"), M_INFO, TRUE, FALSE, TRUE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SDBO"), M_INFO, TRUE, FALSE, FALSE);
  INFO_vReadDataBoxOption();
  H_DATABASE_bRegisterForDataWithConditions(FCID("SPAL"), M_INFO, TRUE, FALSE, FALSE);
  U32 u32Palette = DEFAULT_PALETTE;
  H_DATABASE_bFetchU32(FCID("SPAL"), &u32Palette, nullptr, nullptr);
  INFO_vUpdated_SPAL(u32Palette);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SICE"), M_INFO, TRUE, FALSE, FALSE);
  H_DATABASE_bUpdateEverythingS32(FCID("ITAW"), 0, P_NORMAL, D_TIME, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("BTAW"), FCID("ITAW"), P_NORMAL, D_FCID, Timer, DB_NEVER_STALE);
}

void T_INFO_vMain(void) {
  INFO_vInit();
  const SEMA events[] = {SEMA_MBOX_INFO, SEMA_INFOBOX_UPDATE, SEMA_TIMER_INFO, 0};
  for (;;) {
    switch (L_SEMA_WaitMultiple(events)) {
      case SEMA_TIMER_INFO:
        INFO_vTick();
        break;
      case SEMA_INFOBOX_UPDATE:
        if (s_bMenusCreated) T_INFO_vUpdateInfoboxChoices(FALSE);
        break;
      case SEMA_MBOX_INFO:
        while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_INFO)) INFO_vDispatch(pMsg);
        break;
      default:
        break;
    }
  }
}
