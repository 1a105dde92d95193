// Chart and sonar profiles. Rows are always found by key: a row number fixed
// in code would put one setting's value into another's row.

#include "h_profile.h"

#include "linuxsvc.h"

// The live settings a chart profile governs, with their defaults.
static CHART_PROFILE_TYPE s_ChartProfileDefault = {{
    {FCID("SNWD"), {0}}, {FCID("SNCM"), {0}}, {FCID("SCLG"), {0}}, {FCID("SCSS"), {0}},
    {FCID("SCTC"), {0}}, {FCID("SNUP"), {0}}, {FCID("SAZM"), {0}}, {FCID("SARS"), {0}},
    {FCID("SLAY"), {0xFFFFFFFFu}}, {FCID("SCOR"), {0}}, {FCID("SUHD"), {0}}, {FCID("SDTM"), {0}},
    {FCID("SCCP"), {0}}, {FCID("SCSN"), {0}}, {FCID("SCDL"), {0}}, {FCID("SCMB"), {0}},
    {FCID("SVOS"), {0}}, {FCID("SNGA"), {0}}, {FCID("SCSD"), {0}}, {FCID("SNOS"), {2}},
}};

// The live settings a sonar profile governs. SDSC has one row; the row after
// it stays empty so that every later row keeps the storage setting it has
// always had.
static SONAR_PROFILE_TYPE s_SonarProfileDefault = {{
    {FCID("STVG"), {0}}, {FCID("SSIN"), {0}}, {FCID("SSBL"), {0}}, {FCID("SSNF"), {0}}, {FCID("SSMD"), {0}},
    {FCID("SSWA"), {0}}, {FCID("SRPS"), {0}}, {FCID("SSFI"), {0}}, {FCID("SSFS"), {0}}, {FCID("SUDP"), {0}},
    {FCID("SSSP"), {0}}, {FCID("SSS2"), {0}}, {FCID("SSQL"), {0}}, {FCID("SSBV"), {0}}, {FCID("SSZW"), {0}},
    {FCID("SSDL"), {0}}, {FCID("SSCL"), {0}}, {FCID("SSPL"), {0}}, {FCID("SSWV"), {0}}, {FCID("SSSS"), {0}},
    {FCID("SSSN"), {0}}, {FCID("SSSL"), {0}}, {FCID("SITM"), {0}}, {FCID("SSSC"), {0}}, {FCID("SDSS"), {0}},
    {FCID("SDSN"), {0}}, {FCID("SDSL"), {0}}, {FCID("SDSC"), {0}}, {0, {0}},             {FCID("SSS8"), {0}},
    {FCID("SSS4"), {0}}, {FCID("SSRW"), {0}}, {FCID("SSSR"), {0}}, {FCID("SSLD"), {0}}, {FCID("SDPO"), {0}},
    {FCID("SSUD"), {0}}, {FCID("SSBR"), {0}},
}};

static CHART_PROFILE_TYPE s_ChartProfiles[PROFILE_COUNT];
static SONAR_PROFILE_TYPE s_SonarProfiles[PROFILE_COUNT];
static CHART_PROFILE_TYPE* s_pCurrentChartProfile;
static SONAR_PROFILE_TYPE* s_pCurrentSonarProfile;
static CHART_PROFILE_TYPE* s_pNextChartProfile;
static SONAR_PROFILE_TYPE* s_pNextSonarProfile;

// Rows of the chart template refreshed by each set-default operation.
static const U32 s_au32ChartDefaultRows[] = {2, 3, 9, 10, 11, 13, 14};
static const U32 s_au32NavDefaultRows[] = {0, 1, 5, 6, 7, 8, 12, 15, 16, 17, 18, 19};

// ---------------------------------------------------------------------------
// Rows and storage

// Chart profile p keeps row r in S<p><r+1>; sonar profile p in S<p>21 to
// S<p>59, passing over 46 and 48.
static U32 PROFILE_u32ChartNumber(U32 row) { return row + 1; }

static U32 PROFILE_u32SonarNumber(U32 row) {
  U32 number = 21 + row;
  if (number >= 46) number++;
  if (number >= 48) number++;
  return number;
}

static FOURCHARID PROFILE_fcidStorageKey(U32 profile, U32 number) {
  const char text[5] = {'S', (char)('1' + profile), (char)('0' + number / 10), (char)('0' + number % 10), 0};
  return FCID(text);
}

static FCID_DB_PAIR* PROFILE_pRow(FCID_DB_PAIR* pRows, U32 count, FOURCHARID fcid) {
  if (fcid == 0) return nullptr;
  for (U32 r = 0; r < count; r++) {
    if (pRows[r].fcid == fcid) return &pRows[r];
  }
  return nullptr;
}

static BOOLEAN PROFILE_bValidIndex(int nProfile) {
  if (nProfile >= 0 && nProfile < (int)PROFILE_COUNT) return TRUE;
  log_me("[%d]%s: no profile %d", __LINE__, __func__, nProfile);
  return FALSE;
}

static void PROFILE_vRefresh(FCID_DB_PAIR* pRow) {
  DB_DATA_TYPE value;
  if (pRow != nullptr && pRow->fcid != 0 && H_DATABASE_bFetch(pRow->fcid, &value, nullptr, nullptr)) {
    pRow->value = value;
  }
}

static void PROFILE_vWriteLive(const FCID_DB_PAIR* pRow) {
  if (pRow->fcid != 0) H_DATABASE_bUpdateValue(pRow->fcid, pRow->value, P_NORMAL);
}

static void PROFILE_vLoad(const FCID_DB_PAIR* pTemplate, FCID_DB_PAIR* pProfile, U32 count, U32 profile,
                          U32 (*pfNumber)(U32)) {
  for (U32 r = 0; r < count; r++) {
    pProfile[r] = pTemplate[r];
    DB_DATA_TYPE value;
    if (pProfile[r].fcid != 0 &&
        H_DATABASE_bFetch(PROFILE_fcidStorageKey(profile, pfNumber(r)), &value, nullptr, nullptr)) {
      pProfile[r].value = value;
    }
  }
}

static void PROFILE_vSave(const FCID_DB_PAIR* pProfile, U32 count, U32 profile, U32 (*pfNumber)(U32)) {
  for (U32 r = 0; r < count; r++) {
    if (pProfile[r].fcid == 0) continue;
    H_DATABASE_bUpdateValue(PROFILE_fcidStorageKey(profile, pfNumber(r)), pProfile[r].value, P_NORMAL);
  }
}

// The index a profile setting holds; the first profile when it holds none
// that exists.
static U32 PROFILE_u32CurrentIndex(FOURCHARID fcid) {
  U32 index = 0;
  if (!H_DATABASE_bFetchU32(fcid, &index, nullptr, nullptr)) return 0;
  if (index >= PROFILE_COUNT) {
    log_me("[%d]%s: %.4s holds %u, profile 0 taken", __LINE__, __func__, (const char*)&fcid, index);
    return 0;
  }
  return index;
}

// Writes the settings whose values differ between the two profiles.
static void PROFILE_vSwitch(const FCID_DB_PAIR* pFrom, const FCID_DB_PAIR* pTo, U32 count) {
  for (U32 r = 0; r < count; r++) {
    if (pTo[r].value.RawData != pFrom[r].value.RawData) PROFILE_vWriteLive(&pTo[r]);
  }
}

static void PROFILE_vRestore(const FCID_DB_PAIR* pTemplate, const FCID_DB_PAIR* pProfile, U32 count) {
  for (U32 r = 0; r < count; r++) {
    if (pProfile[r].value.RawData != pTemplate[r].value.RawData) PROFILE_vWriteLive(&pProfile[r]);
  }
}

// ---------------------------------------------------------------------------
// Template defaults

void H_PROFILE_vSetChartDefaultValue(void) {
  for (U32 r : s_au32ChartDefaultRows) PROFILE_vRefresh(&s_ChartProfileDefault.Settings[r]);
}

void H_PROFILE_vSetNavDefaultValue(void) {
  for (U32 r : s_au32NavDefaultRows) PROFILE_vRefresh(&s_ChartProfileDefault.Settings[r]);
}

void H_PROFILE_vSetChartLayerDefaultValue(void) {
  PROFILE_vRefresh(PROFILE_pRow(s_ChartProfileDefault.Settings, CHART_PROFILE_SETTINGS, FCID("SLAY")));
}

void H_PROFILE_vSetSonarDefaultValue(void) {
  for (FCID_DB_PAIR& row : s_SonarProfileDefault.Settings) PROFILE_vRefresh(&row);
}

// ---------------------------------------------------------------------------
// Load, save, reset

BOOLEAN H_PROFILE_bLoadChartProfile(CHART_PROFILE_TYPE*) {
  for (U32 p = 0; p < PROFILE_COUNT; p++) {
    PROFILE_vLoad(s_ChartProfileDefault.Settings, s_ChartProfiles[p].Settings, CHART_PROFILE_SETTINGS, p,
                  PROFILE_u32ChartNumber);
  }
  s_pCurrentChartProfile = &s_ChartProfiles[PROFILE_u32CurrentIndex(FCID("SUPC"))];
  return TRUE;
}

BOOLEAN H_PROFILE_bLoadSonarProfile(SONAR_PROFILE_TYPE*) {
  for (U32 p = 0; p < PROFILE_COUNT; p++) {
    PROFILE_vLoad(s_SonarProfileDefault.Settings, s_SonarProfiles[p].Settings, SONAR_PROFILE_SETTINGS, p,
                  PROFILE_u32SonarNumber);
  }
  s_pCurrentSonarProfile = &s_SonarProfiles[PROFILE_u32CurrentIndex(FCID("SUPS"))];
  return TRUE;
}

BOOLEAN H_PROFILE_bSaveChartProfile(CHART_PROFILE_TYPE*) {
  for (U32 p = 0; p < PROFILE_COUNT; p++) {
    PROFILE_vSave(s_ChartProfiles[p].Settings, CHART_PROFILE_SETTINGS, p, PROFILE_u32ChartNumber);
  }
  return TRUE;
}

BOOLEAN H_PROFILE_bSaveSonarProfile(SONAR_PROFILE_TYPE*) {
  for (U32 p = 0; p < PROFILE_COUNT; p++) {
    PROFILE_vSave(s_SonarProfiles[p].Settings, SONAR_PROFILE_SETTINGS, p, PROFILE_u32SonarNumber);
  }
  return TRUE;
}

BOOLEAN H_PROFILE_bResetSonarMenuSetting(void) {
  for (SONAR_PROFILE_TYPE& profile : s_SonarProfiles) profile = s_SonarProfileDefault;
  return TRUE;
}

BOOLEAN H_PROFILE_bResetChartMenuSetting(void) {
  for (CHART_PROFILE_TYPE& profile : s_ChartProfiles) profile = s_ChartProfileDefault;
  return TRUE;
}

// ---------------------------------------------------------------------------
// Switch, edit, restore

BOOLEAN H_PROFILE_bUpdateChartMenuSetting(int nSelectProfile) {
  if (s_pCurrentChartProfile == nullptr || !PROFILE_bValidIndex(nSelectProfile)) return FALSE;
  s_pNextChartProfile = &s_ChartProfiles[nSelectProfile];
  PROFILE_vSwitch(s_pCurrentChartProfile->Settings, s_pNextChartProfile->Settings, CHART_PROFILE_SETTINGS);
  s_pCurrentChartProfile = s_pNextChartProfile;
  return TRUE;
}

BOOLEAN H_PROFILE_bUpdateSonarMenuSetting(int nSelectProfile) {
  if (s_pCurrentSonarProfile == nullptr || !PROFILE_bValidIndex(nSelectProfile)) return FALSE;
  s_pNextSonarProfile = &s_SonarProfiles[nSelectProfile];
  PROFILE_vSwitch(s_pCurrentSonarProfile->Settings, s_pNextSonarProfile->Settings, SONAR_PROFILE_SETTINGS);
  s_pCurrentSonarProfile = s_pNextSonarProfile;
  return TRUE;
}

BOOLEAN H_PROFILE_bSaveSonarNonMenuSetting(FOURCHARID fcid, DB_DATA_TYPE value) {
  if (s_pCurrentSonarProfile == nullptr) return FALSE;
  FCID_DB_PAIR* pRow = PROFILE_pRow(s_pCurrentSonarProfile->Settings, SONAR_PROFILE_SETTINGS, fcid);
  if (pRow == nullptr) return FALSE;
  pRow->value = value;
  return TRUE;
}

BOOLEAN H_PROFILE_bSaveChartNonMenuSetting(FOURCHARID fcid, DB_DATA_TYPE value) {
  if (fcid != FCID("SLAY")) return TRUE;
  if (s_pCurrentChartProfile == nullptr) return FALSE;
  PROFILE_pRow(s_pCurrentChartProfile->Settings, CHART_PROFILE_SETTINGS, fcid)->value = value;
  return TRUE;
}

BOOLEAN H_PROFILE_bRestoreSonarMenuSetting(void) {
  if (s_pCurrentSonarProfile == nullptr) return FALSE;
  PROFILE_vRestore(s_SonarProfileDefault.Settings, s_pCurrentSonarProfile->Settings, SONAR_PROFILE_SETTINGS);
  return TRUE;
}

BOOLEAN H_PROFILE_bRestoreChartMenuSetting(void) {
  if (s_pCurrentChartProfile == nullptr) return FALSE;
  PROFILE_vRestore(s_ChartProfileDefault.Settings, s_pCurrentChartProfile->Settings, CHART_PROFILE_SETTINGS);
  return TRUE;
}
