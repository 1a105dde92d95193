// The readout catalogue and the value formatters every subsystem shares. A
// readout is any B or Q item; the formatters turn a live item into wide text
// and units by its data type and the user's units. They run in the caller's
// task and keep nothing between calls.

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "g_fonts.h"
#include "g_string.h"
#include "t_info.h"
#include "t_nav_twr.h"
#include "u_convert.h"
#include "u_language.h"
#include "u_nav.h"
#include "u_wstring.h"
#include "ui_texts.h"

// Titles are told apart by this many characters when sorted.
constexpr U32 INFO_SORT_CHARACTERS = 10;

static const char s_acDashes[] = "---";
// A date-time of -1: not known.
constexpr U32 INFO_NO_TIME = 0xFFFFFFFFu;

// The units of a percentage in a wide language, with its wide terminator.
static const char s_acWidePercent[] = {0, '%', 0, 0};

// ---------------------------------------------------------------------------
// Catalogue

// By the language of the titles, not the setting: a language change may be
// under way while the lists are rebuilt for the language before it.
static S32 INFO_nCompareTitles(const char* const* a, const char* const* b, U32 nLang) {
  const BOOLEAN bWide = nLang >= LANGUAGE_FIRST_WIDE;
  return U_WSTRING_s32w_strncmpAs(a[nLang], b[nLang], INFO_SORT_CHARACTERS * (bWide ? 2 : 1), bWide);
}

U32 vFetchAllBeginningWith(char cMatch, const char* const** aChoices, U32* aValues, U32 nLang) {
  aChoices[0] = Off;
  aValues[0] = 0;
  U32 count = 1;
  MULTI_FETCH_CONTROL_STRUCTURE walk = {};
  walk.cMatch = (BYTE)cMatch;
  walk.__bNotFirst = FALSE;
  while (count < INFO_CHOICES_MAX && H_DATABASE_bFetchNextBeginningWith(&walk)) {
    const char* const* title = walk.extras.ppcText;
    if (title == nullptr) continue;
    U32 at = 0;
    while (at < count && INFO_nCompareTitles(aChoices[at], title, nLang) <= 0) at++;
    memmove(&aChoices[at + 1], &aChoices[at], (count - at) * sizeof aChoices[0]);
    memmove(&aValues[at + 1], &aValues[at], (count - at) * sizeof aValues[0]);
    aChoices[at] = title;
    aValues[at] = walk.id;
    count++;
  }
  return count;
}

U32 vCombineChoices(const char* const* const* aBox1Choices, const U32* aBox1Values, U32 nChoices1,
                    const char* const* const* aBox2Choices, const U32* aBox2Values, U32 nChoices2,
                    const char* const** aCombinedChoicesTemp, U32* aCombinedValuesTemp, U32 nLang) {
  U32 count = 0;
  for (; count < nChoices1 && count < INFO_CHOICES_MAX && aBox1Choices[count] != nullptr; count++) {
    aCombinedChoicesTemp[count] = aBox1Choices[count];
    aCombinedValuesTemp[count] = aBox1Values[count];
  }
  for (U32 i = 0; i < nChoices2 && aBox2Choices[i] != nullptr && count < INFO_CHOICES_MAX; i++) {
    U32 at = 0;
    while (at < count && INFO_nCompareTitles(aCombinedChoicesTemp[at], aBox2Choices[i], nLang) < 0) at++;
    if (at < count && aCombinedValuesTemp[at] == aBox2Values[i]) continue;
    memmove(&aCombinedChoicesTemp[at + 1], &aCombinedChoicesTemp[at], (count - at) * sizeof aCombinedChoicesTemp[0]);
    memmove(&aCombinedValuesTemp[at + 1], &aCombinedValuesTemp[at], (count - at) * sizeof aCombinedValuesTemp[0]);
    aCombinedChoicesTemp[at] = aBox2Choices[i];
    aCombinedValuesTemp[at] = aBox2Values[i];
    count++;
  }
  return count;
}

// Flags and numbers both: the value word is looked at.
BOOLEAN T_INFO_bFCIDNonZero(FOURCHARID fcid) {
  DB_DATA_TYPE value = {};
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetch(fcid, &value, &bValid, nullptr) && bValid && value.u32Val != 0;
}

BOOLEAN T_INFO_bFCIDIsValidSelection(FOURCHARID fcid) {
  DB_DATA_TYPE value = {};
  DB_ATTRIBUTES attributes = {};
  if (!H_DATABASE_bFetch(fcid, &value, nullptr, &attributes)) return FALSE;
  if (attributes.DataType != D_FCID || value.u32Val == 0) return FALSE;
  DB_DATA_TYPE named = {};
  return H_DATABASE_bFetch(value.u32Val, &named, nullptr, nullptr);
}

BOOLEAN T_INFO_bNavigating(void) { return T_INFO_bFCIDNonZero(FCID("INIP")); }

// The sonar leaves the depth unwritten while it knows no bottom, and a
// depth that stopped coming goes stale: neither is a depth to show.
BOOLEAN T_INFO_bNoDepth(FOURCHARID fcid) {
  if (fcid != FCID("IDEP")) return FALSE;
  BOOLEAN bValid = FALSE;
  return !H_DATABASE_bFetch(fcid, nullptr, &bValid, nullptr) || !bValid;
}

static const FOURCHARID s_afcidNormalSlots[INFO_SLOTS] = {FCID("SIS1"), FCID("SIS2"), FCID("SIS3"), FCID("SIS4"),
                                                         FCID("SIS5")};
static const FOURCHARID s_afcidNavigatingSlots[INFO_SLOTS] = {FCID("SC50"), FCID("SC51"), FCID("SC52"),
                                                             FCID("SC53"), FCID("SC54")};

const FOURCHARID* T_INFO_pSlotSet(void) {
  return T_INFO_bNavigating() ? s_afcidNavigatingSlots : s_afcidNormalSlots;
}

BOOLEAN T_INFO_bFCIDIsValidBoxSelection(int nBox) {
  if (nBox < 0 || nBox >= (int)INFO_SLOTS) return FALSE;
  return T_INFO_bFCIDIsValidSelection(T_INFO_pSlotSet()[nBox]);
}

// ---------------------------------------------------------------------------
// Number texts

// The ASCII text made wide in place where the current language is wide.
static void INFO_vWiden(char* sValue) { U_WSTRING_vReplaceNarrowWithWide(sValue, INFO_VALUE_SIZE); }

static const char* INFO_pcDistanceFormat(double d) { return d >= 99.95 ? "%.0f" : d >= 9.995 ? "%.1f" : "%.2f"; }

void T_INFO_vFormatDistance(double dDistance, UNIT_TYPE* punits, char* sValue) {
  double d = fabs(dConvertFromInternal(dDistance, D_DISTANCE, *punits));
  const char* format = INFO_pcDistanceFormat(d);
  // Below a tenth of a mile, or below a kilometre, the short unit reads better.
  const UNIT_TYPE eShort = U_CONVERT_eShortDistanceUnits(*punits);
  const BOOLEAN bKm = *punits == U_KM;
  if (eShort != *punits && d < (bKm ? 1.0 : 0.1)) {
    d = fabs(dConvertFromInternal(dDistance, D_DISTANCE, eShort));
    format = bKm ? "%.2f" : "%.0f";
    *punits = eShort;
  }
  snprintf(sValue, INFO_VALUE_SIZE, format, d);
  INFO_vWiden(sValue);
}

static BOOLEAN INFO_bDepthUnitHasTenths(UNIT_TYPE units) {
  return units == U_METRES || units == U_FEET || units == U_FATHOMS;
}

void T_INFO_vFormatDepth(double dDistance, UNIT_TYPE units, char* sValue, BOOLEAN bNoTenths) {
  const double d = dConvertFromInternal(dDistance, D_DEPTH, units);
  const BOOLEAN bTenths = INFO_bDepthUnitHasTenths(units) && !bNoTenths && d < 99.95;
  snprintf(sValue, INFO_VALUE_SIZE, bTenths ? "%.1f" : "%.0f", d);
  INFO_vWiden(sValue);
}

BOOLEAN T_INFO_pSplitTenths(char* pSource, char* pInteger, char** ppTenths, BOOLEAN bKeepDecimal) {
  if (pInteger == nullptr || ppTenths == nullptr || pSource == nullptr) return FALSE;
  const U32 unit = U_WSTRING_bIsUnicodeLanguage() ? 2 : 1;
  U_WSTRING_vw_strncpy(pInteger, pSource, 0, FALSE);
  char* point = U_WSTRING_pw_strchr(pSource, '.');
  *ppTenths = point;
  if (point == nullptr) return FALSE;
  char* end = pInteger + (point - pSource) + (bKeepDecimal ? unit : 0);
  memset(end, 0, unit);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Clock time and date

static BOOLEAN INFO_bFetchU32(FOURCHARID id, U32* pValue) {
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(id, pValue, &bValid, nullptr);
}

BOOLEAN T_INFO_bBlinkState(void);

void T_INFO_vFormatTimeAscii(time_t nTime, BOOLEAN bIncludeSeconds, BOOLEAN bIncludeAMPM, char* sTime, char* sDate,
                             BOOLEAN* pbBlinkStateOn, BOOLEAN bForceUnicode) {
  if (pbBlinkStateOn != nullptr) *pbBlinkStateOn = T_INFO_bBlinkState();
  if (nTime == 0) {
    if (sTime != nullptr) memset(sTime, 0, 2);
    if (sDate != nullptr) memset(sDate, 0, 2);
    return;
  }
  S32 s32Zone = 0;
  BOOLEAN bDst = FALSE;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchS32(FCID("SLTZ"), &s32Zone, &bValid, nullptr) &&
      H_DATABASE_bFetchBoolean(FCID("SDST"), &bDst, &bValid, nullptr)) {
    nTime += (time_t)s32Zone * 60 + (bDst ? 3600 : 0);
  }
  struct tm t = {};
  // The shift above is the whole of the time zone: the host's own is never
  // applied on top of it.
  gmtime_r(&nTime, &t);
  const U32 nLang = nCurrentLanguage();
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  if (sTime != nullptr) {
    U32 format = 0;
    if (!INFO_bFetchU32(FCID("SITF"), &format)) {
      snprintf(sTime, INFO_VALUE_SIZE, "%s", s_acDashes);
    } else if (format == F_24HOUR) {
      if (bIncludeSeconds) {
        snprintf(sTime, INFO_VALUE_SIZE, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
      } else {
        snprintf(sTime, INFO_VALUE_SIZE, "%02d:%02d", t.tm_hour, t.tm_min);
      }
    } else {
      const int hour = t.tm_hour == 0 ? 12 : t.tm_hour > 12 ? t.tm_hour - 12 : t.tm_hour;
      const BOOLEAN bPm = t.tm_hour >= 12;
      if (!bWide || !bForceUnicode) {
        // An 8-bit language writes its own marks; a wide one asked for 8-bit
        // text keeps the Latin ones.
        const char* mark = !bIncludeAMPM ? "" : !bWide ? (bPm ? pm : am)[nLang] : bPm ? "PM" : "AM";
        const char* gap = bIncludeAMPM ? " " : "";
        if (bIncludeSeconds) {
          snprintf(sTime, INFO_VALUE_SIZE, "%d:%02d:%02d%s%s", hour, t.tm_min, t.tm_sec, gap, mark);
        } else {
          snprintf(sTime, INFO_VALUE_SIZE, "%d:%02d%s%s", hour, t.tm_min, gap, mark);
        }
      } else {
        if (bIncludeSeconds) {
          snprintf(sTime, INFO_VALUE_SIZE, "%d:%02d:%02d ", hour, t.tm_min, t.tm_sec);
        } else {
          snprintf(sTime, INFO_VALUE_SIZE, "%d:%02d", hour, t.tm_min);
        }
        INFO_vWiden(sTime);
        if (bIncludeAMPM) {
          const char* mark = (bPm ? pm : am)[nLang];
          const U32 used = U_WSTRING_u32w_strlen(sTime, TRUE);
          if (used + U_WSTRING_u32w_strlen(mark, TRUE) + 2 <= INFO_VALUE_SIZE) U_WSTRING_vw_strncat(sTime, mark, 0, TRUE);
        }
      }
    }
    if (bForceUnicode) INFO_vWiden(sTime);
  }
  if (sDate != nullptr) {
    U32 format = 0;
    const int year = t.tm_year + 1900 - 2000;
    if (!INFO_bFetchU32(FCID("SIDF"), &format)) {
      snprintf(sDate, INFO_VALUE_SIZE, "%s", s_acDashes);
    } else if (format == F_DDMMYY) {
      snprintf(sDate, INFO_VALUE_SIZE, "%02d.%02d.%02d", t.tm_mday, t.tm_mon + 1, year);
    } else if (format == F_YYMMDD) {
      snprintf(sDate, INFO_VALUE_SIZE, "%02d.%02d.%02d", year, t.tm_mon + 1, t.tm_mday);
    } else {
      snprintf(sDate, INFO_VALUE_SIZE, "%02d/%02d/%02d", t.tm_mon + 1, t.tm_mday, year);
    }
    if (bForceUnicode) INFO_vWiden(sDate);
  }
}

void T_INFO_vFormatTime(time_t nTime, BOOLEAN bIncludeSeconds, BOOLEAN bIncludeAMPM, char* sTime, char* sDate,
                        BOOLEAN* pbBlinkStateOn) {
  T_INFO_vFormatTimeAscii(nTime, bIncludeSeconds, bIncludeAMPM, sTime, sDate, pbBlinkStateOn, TRUE);
}

// The clock of a D_DATETIME readout: hours and minutes only.
static void INFO_vFormatClockOnly(time_t nTime, char* sValue) {
  T_INFO_vFormatTimeAscii(nTime, FALSE, FALSE, sValue, nullptr, nullptr, TRUE);
}

// ---------------------------------------------------------------------------
// One readout

static double INFO_dNumber(DB_DATA_TYPE value, DATA_TYPE type) {
  switch (H_DATABASE_DataType(type)) {
    case DF_FLOAT: return value.fVal;
    case DF_SIGNED32: return value.s32Val;
    default: return value.u32Val;
  }
}

// Width of the text up to (not including) pEnd.
static U32 INFO_u32PrefixWidth(const FONT_DEF* pFont, const char* sText, const char* pEnd) {
  char prefix[INFO_VALUE_SIZE] = {};
  const size_t n = (size_t)(pEnd - sText) < sizeof prefix - 2 ? (size_t)(pEnd - sText) : sizeof prefix - 2;
  memcpy(prefix, sText, n);
  return G_STRING_u32GetWidth(pFont, (const BYTE*)prefix);
}

// The waypoint name, cut before the first character at which the running
// width passes nMinWidth.
static void INFO_vWaypointName(U32 u32Index, char* sValue, S32 nMinWidth, const FONT_DEF* pFont,
                               S32 nValueStringSize) {
  U32 limit = nValueStringSize > 0 ? (U32)nValueStringSize : 0;
  if (limit > INFO_VALUE_SIZE) limit = INFO_VALUE_SIZE;
  memset(sValue, 0, INFO_VALUE_SIZE);
  if (nMinWidth < 0 || limit < 2) return;
  T_NAV_vCopyWaypointName(u32Index, sValue, limit - 1);
  sValue[INFO_VALUE_SIZE - 1] = 0;
  sValue[INFO_VALUE_SIZE - 2] = 0;
  const U32 unit = U_WSTRING_bIsUnicodeLanguage() ? 2 : 1;
  const U32 length = U_WSTRING_u32w_strlen(sValue, FALSE);
  for (U32 end = unit; end <= length; end += unit) {
    if (INFO_u32PrefixWidth(pFont, sValue, sValue + end) > (U32)nMinWidth) {
      memset(sValue + end - unit, 0, unit);
      return;
    }
  }
}

S32 T_INFO_nInfoStrings(char* sValue, const char** psUnits, BOOLEAN* pbDataValid, S32 nMinWidth, FOURCHARID fcid,
                        const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont,
                        DIGITS_FORMAT eDigitsFormat, U32 nLang, S32 nValueStringSize, S32* pnValueWidth,
                        S32* pnUnitsWidth) {
  DB_DATA_TYPE value = {};
  DB_ATTRIBUTES attributes = {};
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetch(fcid, &value, &bValid, &attributes)) return 0;
  const DATA_TYPE type = attributes.DataType;
  UNIT_TYPE unit = H_DATABASE_CurrentUnits(type);
  // Magnetic headings are turned from true ones below.
  const UNIT_TYPE conversion = unit == U_DEG_MAGNETIC ? U_DEG_TRUE : unit;
  const double raw = type == D_FIXED_POINT ? value.s32Val / 65536.0 : INFO_dNumber(value, type);
  const double d = unit != U_NONE ? dConvertFromInternal(raw, type, conversion) : raw;
  const BOOLEAN bNoTenths = eDigitsFormat == NO_TENTHS;
  const char* units = "";
  BOOLEAN bUnitText = TRUE;
  char* s = sValue;
  switch (type) {
    case D_UNKNOWN:
      snprintf(s, INFO_VALUE_SIZE, "%u", value.u32Val);
      bUnitText = FALSE;
      break;
    case D_TEMPERATURE:
      snprintf(s, INFO_VALUE_SIZE, bNoTenths ? "%.0f" : "%.1f", d);
      break;
    case D_SPEED:
      snprintf(s, INFO_VALUE_SIZE, bNoTenths || fabs(d) >= 9.95 ? "%.0f" : "%.1f", d);
      break;
    case D_DISTANCE:
      T_INFO_vFormatDistance(raw, &unit, s);
      break;
    case D_HEADING: {
      double heading = d;
      if (unit == U_DEG_MAGNETIC) {
        float variation = 0;
        BOOLEAN bVarValid = FALSE;
        if (!H_DATABASE_bFetchFloat(FCID("IMGV"), &variation, &bVarValid, nullptr)) {
          snprintf(s, INFO_VALUE_SIZE, "%s", s_acDashes);
          bUnitText = FALSE;
          break;
        }
        heading = fmod(heading + 360.0 - variation, 360.0);
      }
      if (heading >= 359.5) heading = 0;
      snprintf(s, INFO_VALUE_SIZE, "%03.0f", heading);
      break;
    }
    case D_DEPTH:
      snprintf(s, INFO_VALUE_SIZE, INFO_bDepthUnitHasTenths(unit) && !bNoTenths && d < 99.95 ? "%.1f" : "%.0f", d);
      break;
    case D_DATETIME:
      // An arrival time is -1 while the time to go is unknown: no clock time
      // may stand for it.
      if (value.u32Val == INFO_NO_TIME) {
        snprintf(s, INFO_VALUE_SIZE, "%s", s_acDashes);
        INFO_vWiden(s);
      } else {
        INFO_vFormatClockOnly((time_t)value.u32Val, s);
      }
      bUnitText = FALSE;
      break;
    case D_TIME:
      if (value.s32Val < 0) {
        snprintf(s, INFO_VALUE_SIZE, "%s", s_acDashes);
      } else if (value.s32Val >= 3600) {
        snprintf(s, INFO_VALUE_SIZE, "%d:%02d", value.s32Val / 3600, value.s32Val / 60 % 60);
      } else {
        snprintf(s, INFO_VALUE_SIZE, "%d:%02d", value.s32Val / 60, value.s32Val % 60);
      }
      bUnitText = FALSE;
      break;
    case D_LONG_TIME:
      if (value.s32Val < 0) {
        snprintf(s, INFO_VALUE_SIZE, "%s", s_acDashes);
      } else {
        snprintf(s, INFO_VALUE_SIZE, "%02d:%02d:%02d", value.s32Val / 3600, value.s32Val / 60 % 60,
                 value.s32Val % 60);
      }
      bUnitText = FALSE;
      break;
    case D_PRESSURE:
      snprintf(s, INFO_VALUE_SIZE, unit == U_INCHESHG && !bNoTenths ? "%.1f" : "%.0f", d);
      break;
    case D_VOLTAGE:
      snprintf(s, INFO_VALUE_SIZE, bNoTenths ? "%.0f" : "%.1f", d);
      units = V[nLang];
      bUnitText = FALSE;
      break;
    case D_POSITION_LAT:
    case D_POSITION_LON: {
      U32 format = 0;
      if (!INFO_bFetchU32(FCID("SIPF"), &format)) {
        snprintf(s, INFO_VALUE_SIZE, "%s", s_acDashes);
      } else {
        char position[U_NAV_POSITION_TEXT_SIZE] = {};
        U_NAV_vFormatPosition(type, value.fVal, position, (NAV_FORMAT_ENUM)format, nLang, IPS_SPACE);
        memcpy(s, position, INFO_VALUE_SIZE - 2);
        s[INFO_VALUE_SIZE - 2] = 0;
        s[INFO_VALUE_SIZE - 1] = 0;
      }
      bUnitText = FALSE;
      break;
    }
    case D_PERCENT:
      snprintf(s, INFO_VALUE_SIZE, "%u", value.u32Val);
      units = U_WSTRING_bIsUnicodeLanguage() ? s_acWidePercent : "%";
      bUnitText = FALSE;
      break;
    case D_WAYPOINT:
      INFO_vWaypointName(value.u32Val, s, nMinWidth, pValueFont, nValueStringSize);
      bUnitText = FALSE;
      break;
    case D_FLOAT:
      snprintf(s, INFO_VALUE_SIZE, "%.2f", value.fVal);
      bUnitText = FALSE;
      break;
    case D_SIGNED32:
      snprintf(s, INFO_VALUE_SIZE, "%d", value.s32Val);
      bUnitText = FALSE;
      break;
    case D_FIXED_POINT:
      snprintf(s, INFO_VALUE_SIZE, "%.2f", value.s32Val / 65536.0);
      bUnitText = FALSE;
      break;
    case D_ELEVATION_ANGLE:
      snprintf(s, INFO_VALUE_SIZE, "%d", value.s32Val);
      unit = U_DEG_GEOMETRIC;
      break;
    default:
      snprintf(s, INFO_VALUE_SIZE, "%08x", value.u32Val);
      bUnitText = FALSE;
      break;
  }
  if (fcid == FCID("IHDC") && !bValid) snprintf(s, INFO_VALUE_SIZE, "%s", s_acDashes);
  if (type != D_DISTANCE && type != D_DATETIME && type != D_WAYPOINT && type != D_POSITION_LAT &&
      type != D_POSITION_LON) {
    INFO_vWiden(s);
  }
  if (bUnitText) units = H_DATABASE_pcUnitsString(unit, nLang);
  *psUnits = units;
  if (pbDataValid != nullptr) *pbDataValid = bValid;

  const char* point = U_WSTRING_pw_strchr(s, '.');
  S32 valueWidth = 0;
  if (eDigitsFormat == SMALL_TENTHS && pTenthsFont != pValueFont && point != nullptr) {
    valueWidth = (S32)(INFO_u32PrefixWidth(pValueFont, s, point) + G_FONTS_u32GetWidth(pTenthsFont, '4') + 8);
  } else {
    valueWidth = (S32)G_STRING_u32GetWidth(pValueFont, (const BYTE*)s);
  }
  const S32 unitsWidth = (S32)G_STRING_u32GetWidth(pUnitsFont, (const BYTE*)units);
  if (pnValueWidth != nullptr) *pnValueWidth = valueWidth;
  if (pnUnitsWidth != nullptr) *pnUnitsWidth = unitsWidth;
  return valueWidth + unitsWidth;
}

void T_INFO_vGetData(FOURCHARID fcid, BOOLEAN* pbDataValid, char* psValue, char* psUnits, const FONT_DEF* pValueFont,
                     const FONT_DEF* pUnitFont, U32 nLang) {
  const char* units = nullptr;
  T_INFO_nInfoStrings(psValue, &units, pbDataValid, 1, fcid, pValueFont, pUnitFont, pValueFont, DONT_FORCE, nLang, 4,
                      nullptr, nullptr);
  if (units == nullptr) return;
  if (U_WSTRING_bIsStringNull(units)) {
    strcpy(psUnits, "  ");
  } else {
    strncpy(psUnits, units, 20);
    psUnits[20] = 0;
  }
}

void IBRF_vAddAmPm(char* pUnitString, const struct tm* pLocalTime) {
  memset(pUnitString, 0, IBRF_AMPM_SIZE);
  U32 u32Format = 0;
  if (!H_DATABASE_bFetchU32(FCID("SITF"), &u32Format, nullptr, nullptr) || u32Format == F_24HOUR) return;
  const BOOLEAN bPm = pLocalTime->tm_hour > 11;
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  U_WSTRING_vw_strncpy(pUnitString, (bPm ? pm : am)[nCurrentLanguage()], IBRF_AMPM_SIZE - (bWide ? 2 : 1), bWide);
}
