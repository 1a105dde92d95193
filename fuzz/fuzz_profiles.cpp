// The chart and sonar profiles over whatever the settings hold: stored
// profile values (S101..S359), the current-profile indices SUPC and SUPS and
// the live settings the profiles govern, with any value, priority, data type
// or absence; then the profiles are loaded as at start and put through a
// sequence of switches, edits, saves, restores and resets.
//
// Input, little-endian:
//   U32 x 56            the live settings a template is refreshed from, in the order below
//   U8  n, n records    settings written before the load (record below)
//   then, to the end:   U8 operation and its arguments (see Operate)
// A record: U8 key (see Key), U32 value, U8 how (bits 0-1: U32 write, write
// with a data type and time-out, delete; bits 2-6: data type; bit 7: a
// stronger priority than the profiles' own).

#include <array>

#include "fuzz_support.h"
#include "h_database.h"
#include "h_profile.h"

namespace {

// The live settings of the chart template, then of the sonar template.
constexpr char kLiveKeys[] =
    "SNWD" "SNCM" "SCLG" "SCSS" "SCTC" "SNUP" "SAZM" "SARS" "SLAY" "SCOR" "SUHD" "SDTM" "SCCP" "SCSN" "SCDL"
    "SCMB" "SVOS" "SNGA" "SCSD" "SNOS"
    "STVG" "SSIN" "SSBL" "SSNF" "SSMD" "SSWA" "SRPS" "SSFI" "SSFS" "SUDP" "SSSP" "SSS2" "SSQL" "SSBV" "SSZW"
    "SSDL" "SSCL" "SSPL" "SSWV" "SSSS" "SSSN" "SSSL" "SITM" "SSSC" "SDSS" "SDSN" "SDSL" "SDSC" "SSS8" "SSS4"
    "SSRW" "SSSR" "SSLD" "SDPO" "SSUD" "SSBR";
constexpr U32 kLiveCount = (sizeof kLiveKeys - 1) / 4;
static_assert(kLiveCount == CHART_PROFILE_SETTINGS + SONAR_PROFILE_SETTINGS - 1);

// Every storage setting a profile may use: S, profile 1 to 3, 01 to 59.
constexpr U32 kStorageCount = PROFILE_COUNT * 59;

FOURCHARID Text(const char* p) { return (U32)(U8)p[0] | (U32)(U8)p[1] << 8 | (U32)(U8)p[2] << 16 | (U32)(U8)p[3] << 24; }

FOURCHARID StorageKey(U32 n) {
  const U32 number = n % 59 + 1;
  const char text[4] = {'S', (char)('1' + n / 59), (char)('0' + number / 10), (char)('0' + number % 10)};
  return Text(text);
}

// Storage settings, the two indices, the live settings, then any S key.
FOURCHARID Key(FUZZ_INPUT* pIn) {
  const U8 n = FUZZ_u8Take(pIn);
  if (n < kStorageCount) return StorageKey(n);
  if (n == kStorageCount) return FCID("SUPC");
  if (n == kStorageCount + 1) return FCID("SUPS");
  if (n < kStorageCount + 2 + kLiveCount) return Text(kLiveKeys + 4 * (n - kStorageCount - 2));
  return (FUZZ_u32Take(pIn) & 0xFFFFFF00u) | 'S';
}

DB_DATA_TYPE Value(U32 raw) {
  DB_DATA_TYPE value;
  value.vpPointer = nullptr;
  value.RawData = raw;
  return value;
}

void Record(FUZZ_INPUT* pIn) {
  const FOURCHARID key = Key(pIn);
  const U32 raw = FUZZ_u32Take(pIn);
  const U8 how = FUZZ_u8Take(pIn);
  const U32 priority = (how & 0x80) != 0 ? P_HIGHEST : P_NORMAL;
  switch (how & 3) {
    case 0:
      H_DATABASE_bUpdateValueU32(key, raw, priority);
      break;
    case 1:
      H_DATABASE_bUpdateEverything(key, Value(raw), priority, (DATA_TYPE)(how >> 2 & 0x1F), nullptr,
                                   raw & 0xFF);
      break;
    default:
      H_DATABASE_vDeleteEntry(key);
      break;
  }
}

// The stored profile values as the settings hold them.
std::array<U32, kStorageCount> Stored(void) {
  std::array<U32, kStorageCount> values;
  for (U32 n = 0; n < kStorageCount; n++) {
    values[n] = 0xA5A5A5A5u;
    H_DATABASE_bFetchU32(StorageKey(n), &values[n], nullptr, nullptr);
  }
  return values;
}

// Saving, loading and saving again must leave the storage settings as the
// first save did: a load takes each value from where a save puts it.
void CheckRoundTrip(void) {
  FUZZ_CHECK(H_PROFILE_bSaveChartProfile(nullptr) && H_PROFILE_bSaveSonarProfile(nullptr));
  const std::array<U32, kStorageCount> saved = Stored();
  FUZZ_CHECK(H_PROFILE_bLoadChartProfile(nullptr) && H_PROFILE_bLoadSonarProfile(nullptr));
  FUZZ_CHECK(H_PROFILE_bSaveChartProfile(nullptr) && H_PROFILE_bSaveSonarProfile(nullptr));
  FUZZ_CHECK(Stored() == saved);
}

void Operate(FUZZ_INPUT* pIn) {
  switch (FUZZ_u8Take(pIn) % 12) {
    case 0: {
      const S32 n = (S32)FUZZ_u32Take(pIn);
      FUZZ_CHECK(H_PROFILE_bUpdateChartMenuSetting(n) == (n >= 0 && n < (S32)PROFILE_COUNT));
      break;
    }
    case 1: {
      const S32 n = (S32)FUZZ_u32Take(pIn);
      FUZZ_CHECK(H_PROFILE_bUpdateSonarMenuSetting(n) == (n >= 0 && n < (S32)PROFILE_COUNT));
      break;
    }
    case 2: {
      const FOURCHARID key = Key(pIn);
      H_PROFILE_bSaveSonarNonMenuSetting(key, Value(FUZZ_u32Take(pIn)));
      break;
    }
    case 3: {
      const FOURCHARID key = Key(pIn);
      FUZZ_CHECK(H_PROFILE_bSaveChartNonMenuSetting(key, Value(FUZZ_u32Take(pIn))));
      break;
    }
    case 4:
      FUZZ_CHECK(H_PROFILE_bRestoreChartMenuSetting() && H_PROFILE_bRestoreSonarMenuSetting());
      break;
    case 5:
      FUZZ_CHECK(H_PROFILE_bSaveChartProfile(nullptr) && H_PROFILE_bSaveSonarProfile(nullptr));
      break;
    case 6:
      FUZZ_CHECK(H_PROFILE_bLoadChartProfile(nullptr) && H_PROFILE_bLoadSonarProfile(nullptr));
      break;
    case 7:
      FUZZ_CHECK(H_PROFILE_bResetChartMenuSetting() && H_PROFILE_bResetSonarMenuSetting());
      break;
    case 8:
      H_PROFILE_vSetChartDefaultValue();
      H_PROFILE_vSetNavDefaultValue();
      H_PROFILE_vSetChartLayerDefaultValue();
      H_PROFILE_vSetSonarDefaultValue();
      break;
    case 9:
      Record(pIn);
      break;
    case 10:
      CheckRoundTrip();
      break;
    default:
      H_DATABASE_vDeleteEntry(Key(pIn));
      break;
  }
}

// Time-outs are measured on a clock that stands still, so that a run does
// not depend on how fast it goes.
U64 StillClock(void) { return 1000000; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_vInit();
  H_DATABASE_vSetClock(StillClock);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FUZZ_INPUT in = {data, size, 0};
  H_DATABASE_vInit();
  // The templates are the module's own state: every run sets them afresh.
  for (U32 k = 0; k < kLiveCount; k++) H_DATABASE_bUpdateValueU32(Text(kLiveKeys + 4 * k), FUZZ_u32Take(&in), P_NORMAL);
  H_PROFILE_vSetChartDefaultValue();
  H_PROFILE_vSetNavDefaultValue();
  H_PROFILE_vSetChartLayerDefaultValue();
  H_PROFILE_vSetSonarDefaultValue();
  H_PROFILE_bResetChartMenuSetting();
  H_PROFILE_bResetSonarMenuSetting();

  for (U8 n = FUZZ_u8Take(&in); n > 0; n--) Record(&in);
  FUZZ_CHECK(H_PROFILE_bLoadChartProfile(nullptr) && H_PROFILE_bLoadSonarProfile(nullptr));
  while (!FUZZ_bEnd(&in)) Operate(&in);
  CheckRoundTrip();
  return 0;
}
