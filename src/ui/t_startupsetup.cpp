// The first start: the language kept in step with the unit's language set,
// the Language item, and the quick set-up that asks the first questions once
// after the factory defaults were restored.

#include <stdio.h>
#include <string.h>

#include <mutex>

#include "g_truetype.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "t_nvram.h"
#include "t_startuppriv.h"
#include "t_view.h"
#include "u_keyboard.h"
#include "u_language.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// Languages

// Each language named in itself; choosing the last row of the western or the
// Asian list is choosing the other set's first language.
static const MENU_TEXT s_pLanguageNamesAll[] = {
    Language_English,   Language_Bulgarian, Language_Croatian,  Language_Czech,     Language_Danish,
    Language_Dutch,     Language_Estonian,  Language_Finnish,   Language_French,    Language_German,
    Language_Greek,     Language_Hungarian, Language_Italian,   Language_Latvian,   Language_Lithuanian,
    Language_Norwegian, Language_Polish,    Language_Portuguese, Language_Russian,  Language_Spanish,
    Language_Swedish,   Language_Turkish,   Asian_Mode};
static const U32 s_pLanguageNumsAll[] = {
    LANGUAGE_ENGLISH,   LANGUAGE_BULGARIAN, LANGUAGE_CROATIAN,  LANGUAGE_CZECH,     LANGUAGE_DANISH,
    LANGUAGE_DUTCH,     LANGUAGE_ESTONIAN,  LANGUAGE_FINNISH,   LANGUAGE_FRENCH,    LANGUAGE_GERMAN,
    LANGUAGE_GREEK,     LANGUAGE_HUNGARIAN, LANGUAGE_ITALIAN,   LANGUAGE_LATVIAN,   LANGUAGE_LITHUANIAN,
    LANGUAGE_NORWEGIAN, LANGUAGE_POLISH,    LANGUAGE_PORTUGUESE, LANGUAGE_RUSSIAN,  LANGUAGE_SPANISH,
    LANGUAGE_SWEDISH,   LANGUAGE_TURKISH,   LANGUAGE_ENGLISH_UNICODE};
static const MENU_TEXT s_pLanguageNamesAsian[] = {Language_English,  Language_Japanese,
                                                  Language_Korean,   Language_Chinese_Simplified,
                                                  Language_Chinese_Traditional, International_Mode};
static const U32 s_pLanguageNumsAsian[] = {LANGUAGE_ENGLISH_UNICODE,    LANGUAGE_JAPANESE,
                                           LANGUAGE_KOREAN,             LANGUAGE_CHINESE_SIMPLIFIED,
                                           LANGUAGE_CHINESE_TRADITIONAL, LANGUAGE_ENGLISH};
static const MENU_TEXT s_pDomesticLanguageNames[] = {Language_English, Language_Spanish};
static const U32 s_pDomesticLanguageNums[] = {LANGUAGE_ENGLISH, LANGUAGE_SPANISH};

constexpr U32 STARTUP_ASIAN_SET = 1;
constexpr MENU_PRIORITY STARTUP_MENU_LANGUAGE = 122;

template <size_t N>
static BOOLEAN STARTUP_bIn(const U32 (&au32List)[N], size_t count, U32 u32Value) {
  for (size_t i = 0; i < count && i < N; i++) {
    if (au32List[i] == u32Value) return TRUE;
  }
  return FALSE;
}

U32 T_STARTUP_u32KeptLanguage(U32 u32Language, U32 u32Set, BOOLEAN bDomestic) {
  if (bDomestic) return STARTUP_bIn(s_pDomesticLanguageNums, 2, u32Language) ? u32Language : (U32)LANGUAGE_ENGLISH;
  if (u32Set == STARTUP_ASIAN_SET) {
    // The Asian list without its last row, which names the western set.
    return STARTUP_bIn(s_pLanguageNumsAsian, 5, u32Language) ? u32Language : (U32)LANGUAGE_ENGLISH_UNICODE;
  }
  return STARTUP_bIn(s_pLanguageNumsAll, 22, u32Language) ? u32Language : (U32)LANGUAGE_ENGLISH;
}

U32 T_STARTUP_u32LanguageChoices(U32 u32Set, BOOLEAN bInternational, MENU_CHOICE_LIST* ppNames,
                                 const U32** ppu32Values) {
  if (u32Set == STARTUP_ASIAN_SET) {
    *ppNames = s_pLanguageNamesAsian;
    *ppu32Values = s_pLanguageNumsAsian;
    return 6;
  }
  if (bInternational) {
    *ppNames = s_pLanguageNamesAll;
    *ppu32Values = s_pLanguageNumsAll;
    return 23;
  }
  *ppNames = s_pDomesticLanguageNames;
  *ppu32Values = s_pDomesticLanguageNums;
  return 2;
}

static U32 STARTUP_u32Fetch(FOURCHARID id, U32 u32Default) {
  U32 value = u32Default;
  if (!H_DATABASE_bFetchU32(id, &value, nullptr, nullptr)) return u32Default;
  return value;
}

// Cyrillic languages draw through the faces' second code page.
static void STARTUP_vSelectFontSet(void) {
  U_WSTRING_vUpdateCurrentLanguage();
  if (U_WSTRING_bIsUnicodeLanguage()) return;
  const U32 u32Language = nCurrentLanguage();
  const BOOLEAN bCyrillic = u32Language == LANGUAGE_BULGARIAN || u32Language == LANGUAGE_CROATIAN ||
                            u32Language == LANGUAGE_RUSSIAN;
  G_TRUETYPE_vSelectFontSet(bCyrillic ? 1 : 0);
}

// A domestic unit has no Asian faces, so it stays in the western set.
void STARTUP_vCheckLanguage(void) {
  const BOOLEAN bDomestic = MODEL_bDomesticModel();
  U32 u32Set = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNS"), &u32Set, nullptr, nullptr) || u32Set > 1 ||
      (bDomestic && u32Set != 0)) {
    u32Set = 0;
    H_DATABASE_bUpdateValueU32(FCID("SLNS"), 0, P_NORMAL);
    STARTUP_vTellNvr(CMD_ID_WRITE_TO_NVR, FCID("SLNS"));
  }
  const U32 u32Language = STARTUP_u32Fetch(FCID("SLNG"), LANGUAGE_COUNT);
  const U32 u32Kept = T_STARTUP_u32KeptLanguage(u32Language, u32Set, bDomestic);
  if (u32Kept != u32Language) {
    log_me("[%d]%s: language %u is not of the unit's set %u, %u instead", __LINE__, __func__, u32Language, u32Set,
           u32Kept);
    H_DATABASE_bUpdateValueU32(FCID("SLNG"), u32Kept, P_NORMAL);
    STARTUP_vTellNvr(CMD_ID_WRITE_TO_NVR, FCID("SLNG"));
  }
  STARTUP_vSelectFontSet();
}

static U32 STARTUP_u32Languages(MENU_CHOICE_LIST* ppNames, const U32** ppu32Values) {
  return T_STARTUP_u32LanguageChoices(STARTUP_u32Fetch(FCID("SLNS"), 0), MODEL_bInternationalModel1(), ppNames,
                                      ppu32Values);
}

void STARTUP_vRegisterLanguageItem(void) {
  MENU_CHOICE_LIST pNames = nullptr;
  const U32* pValues = nullptr;
  const U32 count = STARTUP_u32Languages(&pNames, &pValues);
  U_MENU_bRegisterMainSelectorMenu(Language, Setup, STARTUP_MENU_LANGUAGE, FCID("SLNG"), count, pNames, pValues,
                                   M_BASIC);
}

// ---------------------------------------------------------------------------
// The quick set-up's items

static const MENU_TEXT s_apWaterTypes[] = {Water_Fresh, Water_Salt_Shallow, Water_Salt_Deep};
static const U32 s_au32WaterTypes[] = {0, 2, 1};
static const MENU_TEXT s_apTransducers[] = {Transducer_83_200_kHz};
static const U32 s_au32Transducers[] = {0};

// The fixed depth ranges of the sonar's own range setting, with the
// automatic range (0, "Auto") below them; the step grows at the two levels
// given for each unit.
static const MENU_LIMITS s_asMaxDepthLimits[] = {
    {U_FEET, 6.0f, 360.0f, 1.0f}, {U_METRES, 2.0f, 120.0f, 1.0f}, {U_FATHOMS, 1.0f, 60.0f, 1.0f},
    {U_NONE, 1.0f, 10.0f, 1.0f}};
static const MENU_STEP_LEVELS s_asMaxDepthSteps[] = {
    {U_FEET, 50.0f, 150.0f}, {U_METRES, 15.0f, 45.0f}, {U_FATHOMS, 10.0f, 25.0f}, {U_NONE, 15.0f, 45.0f}};

// The time zones' names ("UTC-11:00"), made once in both text forms from
// the key table's choices.
constexpr U32 STARTUP_TIME_ZONES = DB_TIME_ZONES;
static char s_aacZoneNarrow[STARTUP_TIME_ZONES][12];
static char s_aacZoneWide[STARTUP_TIME_ZONES][24];
static const char* s_aapcZoneTables[STARTUP_TIME_ZONES][LANGUAGE_COUNT];
static MENU_TEXT s_apTimeZones[STARTUP_TIME_ZONES];

static void STARTUP_vMakeTimeZoneNames(void) {
  static std::once_flag s_once;
  std::call_once(s_once, [] {
    for (U32 i = 0; i < STARTUP_TIME_ZONES; i++) {
      const S32 s32Minutes = (S32)g_au32DbTimeZones[i];
      const U32 u32Abs = (U32)(s32Minutes < 0 ? -s32Minutes : s32Minutes);
      snprintf(s_aacZoneNarrow[i], sizeof s_aacZoneNarrow[i], "UTC%c%02u:%02u", s32Minutes < 0 ? '-' : '+',
               (u32Abs / 60) % 100, u32Abs % 60);
      U_WSTRING_vAscii2Unicode(s_aacZoneWide[i], s_aacZoneNarrow[i], sizeof s_aacZoneWide[i], TRUE);
      for (U32 l = 0; l < LANGUAGE_COUNT; l++) {
        s_aapcZoneTables[i][l] = l >= LANGUAGE_FIRST_WIDE ? s_aacZoneWide[i] : s_aacZoneNarrow[i];
      }
      s_apTimeZones[i] = s_aapcZoneTables[i];
    }
  });
}

// A domestic unit's seven are its home zones, Hawaii to Atlantic: the
// offsets -600 to -240 of the list.
constexpr U32 STARTUP_FIRST_DOMESTIC_ZONE = 1;
constexpr U32 STARTUP_DOMESTIC_ZONES = 7;

U32 T_STARTUP_u32TimeZoneChoices(BOOLEAN bDomestic, MENU_CHOICE_LIST* ppNames, const U32** ppu32Values) {
  STARTUP_vMakeTimeZoneNames();
  const U32 first = bDomestic ? STARTUP_FIRST_DOMESTIC_ZONE : 0;
  *ppNames = s_apTimeZones + first;
  *ppu32Values = g_au32DbTimeZones + first;
  return bDomestic ? STARTUP_DOMESTIC_ZONES : STARTUP_TIME_ZONES;
}

constexpr MENU_PRIORITY STARTUP_QUICK_TIME_ZONE = 138;
constexpr MENU_PRIORITY STARTUP_QUICK_DAYLIGHT_SAVING = 139;
constexpr MENU_PRIORITY STARTUP_QUICK_MAX_DEPTH = 298;
constexpr MENU_PRIORITY STARTUP_QUICK_WATER_TYPE = 299;
constexpr MENU_PRIORITY STARTUP_QUICK_TRANSDUCER = 317;

// A setting the quick set-up edits exists before its item does.
static void STARTUP_vDefault(FOURCHARID id, DATA_TYPE eType, U32 u32Value) {
  DB_DATA_TYPE value;
  value.u32Val = u32Value;
  DB_ATTRIBUTES attributes = {eType, nullptr, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(id, &value, P_DEFAULT_SETTING, &attributes);
}

static void STARTUP_vRegisterQuickItems(void) {
  DB_DATA_TYPE depth;
  depth.fVal = 0.0f;
  DB_ATTRIBUTES depthAttributes = {D_DEPTH, Max_Depth, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(FCID("SSMD"), &depth, P_DEFAULT_SETTING, &depthAttributes);
  STARTUP_vDefault(FCID("SSWA"), D_UNKNOWN, 0);
  STARTUP_vDefault(FCID("LSTS"), D_UNKNOWN, 0);

  MENU_CHOICE_LIST pNames = nullptr;
  const U32* pValues = nullptr;
  const U32 count = STARTUP_u32Languages(&pNames, &pValues);
  U_MENU_bRegisterQuickSelectorMenu(Language, STARTUP_MENU_LANGUAGE, FCID("SLNG"), count, pNames, pValues, M_BASIC);
  U_MENU_bRegisterQuickSelectorMenu(Water_Type, STARTUP_QUICK_WATER_TYPE, FCID("SSWA"), 3, s_apWaterTypes,
                                    s_au32WaterTypes, M_BASIC);
  U_MENU_bRegisterQuickVarStepSliderMenu(Max_Depth, STARTUP_QUICK_MAX_DEPTH, FCID("SSMD"), s_asMaxDepthLimits,
                                         s_asMaxDepthSteps, Auto, M_BASIC);
  U_MENU_bRegisterQuickSelectorMenu(Connected_Transducer, STARTUP_QUICK_TRANSDUCER, FCID("LSTS"), 1, s_apTransducers,
                                    s_au32Transducers, M_BASIC);
  if (!g_sStartup.bIceModel) return;
  STARTUP_vMakeTimeZoneNames();
  STARTUP_vDefault(FCID("SLTZ"), D_SIGNED32, 0);
  STARTUP_vDefault(FCID("SDST"), D_UNKNOWN, 0);
  U_MENU_bRegisterQuickSelectorMenu(Local_Time_Zone, STARTUP_QUICK_TIME_ZONE, FCID("SLTZ"), STARTUP_TIME_ZONES,
                                    s_apTimeZones, g_au32DbTimeZones, M_BASIC);
  U_MENU_bRegisterQuickSelectorMenu(Daylight_Saving_Time, STARTUP_QUICK_DAYLIGHT_SAVING, FCID("SDST"), 2, U_MENU_apOffOn,
                                    U_MENU_au32OffOn, M_BASIC);
}

static BOOLEAN STARTUP_bFlag(FOURCHARID id, BOOLEAN* pbValue) {
  BOOLEAN bValue = FALSE;
  if (!H_DATABASE_bFetchBoolean(id, &bValue, nullptr, nullptr)) return FALSE;
  *pbValue = bValue;
  return TRUE;
}

static BOOLEAN STARTUP_bQuickSetUpWanted(void) {
  BOOLEAN bWanted = FALSE;
  return STARTUP_bFlag(FCID("SRDF"), &bWanted) && bWanted;
}

// A store that never held SQCD is a new unit's: its defaults are restored
// once, and the set-up questions wait for the system to start. One that lost
// it to damage keeps what it could still give (what it lost has its factory
// value already): only the questions are asked again.
void STARTUP_vFirstStartAtInit(void) {
  BOOLEAN bDone = FALSE;
  if (!STARTUP_bFlag(FCID("SQCD"), &bDone)) {
    H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), FALSE, P_NORMAL);
    if (T_NVRAM_bSettingsLost()) {
      log_me("[%d]%s: the set-up was lost with the store's damage: its questions are asked, nothing is reset",
             __LINE__, __func__);
      H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), TRUE, P_NORMAL);
    } else {
      H_DATABASE_bUpdateValueBoolean(FCID("SSRD"), TRUE, P_NORMAL);
      STARTUP_vRestoreFactoryDefaults("first start");
    }
  }
  if (STARTUP_bQuickSetUpWanted()) STARTUP_vRegisterQuickItems();
}

// The menu task takes the keys with the quick set-up; the pause lets the
// start-up's own frames settle first.
constexpr U32 STARTUP_QUICK_DELAY_MS = 1000;

void STARTUP_vFirstStartAtRun(void) {
  BOOLEAN bDone = FALSE;
  if (!STARTUP_bFlag(FCID("SQCD"), &bDone)) {
    H_DATABASE_bUpdateValueBoolean(FCID("SSRD"), TRUE, P_NORMAL);
    STARTUP_vRestoreFactoryDefaults("set-up never recorded");
  }
  if (!STARTUP_bQuickSetUpWanted()) return;
  H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), FALSE, P_NORMAL);
  L_CLOCK_Sleep(STARTUP_QUICK_DELAY_MS);
  T_STARTUP_vShowQuickConfigMenu();
}

void T_STARTUP_vShowQuickConfigMenu(void) {
  g_sStartup.u32QuickSetUpLanguageSet = STARTUP_u32Fetch(FCID("SLNS"), 0);
  g_sStartup.bQuickConfigMenuDisplayed = TRUE;
  T_MENU_vActivateQuickMenu();
  log_me("[%d]%s: quick set-up shown", __LINE__, __func__);
  T_VIEW_vRequestExpeditedViewUpdate();
}

void T_STARTUP_vRemoveQuickConfigMenu(void) {
  if (!g_sStartup.bQuickConfigMenuDisplayed.exchange(FALSE)) return;
  U_KEYBOARD_bUnregisterKeys(M_MENU, 0xFFFE);
  U_VIEW_bUnRegisterLayer(QUICK_CONFIGURE_LAYER);
  T_VIEW_vRequestExpeditedViewUpdate();
  U_MENU_bUnregisterQuickMenuItem(Language);
  U_MENU_bUnregisterQuickMenuItem(Water_Type);
  if (g_sStartup.bIceModel) {
    U_MENU_bUnregisterQuickMenuItem(Local_Time_Zone);
    U_MENU_bUnregisterQuickMenuItem(Daylight_Saving_Time);
  }
  U_MENU_bUnregisterQuickMenuItem(Max_Depth);
  U_MENU_bUnregisterQuickMenuItem(Connected_Transducer);
  // Asian or International Mode chosen here promised the questions at the
  // next start, in the languages of the new set, whatever key closes them.
  if (STARTUP_u32Fetch(FCID("SLNS"), 0) != g_sStartup.u32QuickSetUpLanguageSet) {
    H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), TRUE, P_NORMAL);
    log_me("[%d]%s: quick set-up left after a change of the language set: asked again at the next start", __LINE__,
           __func__);
    return;
  }
  H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), FALSE, P_NORMAL);
  H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), TRUE, P_NORMAL);
  log_me("[%d]%s: quick set-up done", __LINE__, __func__);
}
