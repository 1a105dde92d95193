// Selector and slider values. A slider's stored value goes through the unit
// conversion both ways, so a step is taken on the number the user sees and
// snapped to that number's grid: 50 °F east is 51 °F, stored in Celsius.

#include "t_menuvalue.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "h_dbtable.h"
#include "linuxsvc.h"
#include "u_convert.h"
#include "u_language.h"
#include "u_menulook.h"
#include "u_wstring.h"

// Steps are counted on the increment's grid; a stored float read back in
// another unit lands a hair off it.
constexpr double VALUE_GRID_SLACK = 1e-3;

// A slider's numbers, in the units its limits entry is in.
typedef struct tag_VALUE_NUMBER {
  DATA_TYPE eType;
  DATA_FORMAT eForm;
  UNIT_TYPE eUnits;       // the entry's units; U_NONE: no conversion
  double dMin;
  double dMax;
  double dInc;
  double dStep1;          // where a variable step grows; 0: not given
  double dStep2;
  BOOLEAN bKnown;         // the key holds a valid value
  double dValue;
  BOOLEAN bZeroBelow;     // 0 is the left text's place, one step below dMin
} VALUE_NUMBER;

static BOOLEAN VALUE_bSlider(const MENU_VALUE* p) {
  return p->eKind == MENU_ITEM_SLIDER || p->eKind == MENU_ITEM_PROGRESS_BAR || p->eKind == MENU_ITEM_VAR_STEP_SLIDER;
}

template <typename ENTRY>
static BOOLEAN VALUE_bHasEntry(const ENTRY* pEntries, U32 u32Count, UNIT_TYPE eUnits) {
  for (U32 i = 0; i < u32Count; i++) {
    if (pEntries[i].Units == eUnits) return TRUE;
  }
  return FALSE;
}

// The entry of the units in use, else the unit-less one, else the first.
template <typename ENTRY>
static const ENTRY* VALUE_pEntry(const ENTRY* pEntries, U32 u32Count, UNIT_TYPE eUnits) {
  if (u32Count == 0) return nullptr;
  for (U32 i = 0; i < u32Count; i++) {
    if (pEntries[i].Units == eUnits) return &pEntries[i];
  }
  for (U32 i = 0; i < u32Count; i++) {
    if (pEntries[i].Units == U_NONE) return &pEntries[i];
  }
  return &pEntries[0];
}

static double VALUE_dShown(const VALUE_NUMBER* n, double dInternal) {
  return n->eUnits != U_NONE ? dConvertFromInternal(dInternal, n->eType, n->eUnits) : dInternal;
}

static double VALUE_dInternal(const VALUE_NUMBER* n, double dShown) {
  return n->eUnits != U_NONE ? dConvertToInternal(dShown, n->eType, n->eUnits) : dShown;
}

// The key table says how a key's word is read; a key it does not know is
// read by its data type, signed when the slider goes below zero.
static DATA_FORMAT VALUE_eForm(FOURCHARID key, DATA_TYPE eType, double dMin) {
  const DB_TABLE_ROW* pRow = H_DBTABLE_pRow(key);
  if (pRow != nullptr) {
    if (pRow->eType == DBT_FLOAT) return DF_FLOAT;
    return pRow->eType == DBT_S32 ? DF_SIGNED32 : DF_UNSIGNED32;
  }
  const DATA_FORMAT eForm = H_DATABASE_DataType(eType);
  return eForm == DF_FLOAT || eForm == DF_SIGNED32 ? eForm : dMin < 0 ? DF_SIGNED32 : DF_UNSIGNED32;
}

static void VALUE_vNumber(const MENU_VALUE* p, VALUE_NUMBER* n) {
  memset(n, 0, sizeof *n);
  DB_DATA_TYPE raw = {};
  BOOLEAN bValid = FALSE;
  DB_ATTRIBUTES attributes = {};
  const BOOLEAN bFound = H_DATABASE_bFetch(p->key, &raw, &bValid, &attributes);
  n->eType = bFound ? attributes.DataType : D_UNKNOWN;
  UNIT_TYPE eDisplay = H_DATABASE_CurrentUnits(n->eType);
  // Limits in feet and metres on a distance are a short length: they follow
  // the distance unit's short unit (metres beside kilometres).
  if (!VALUE_bHasEntry(p->aLimits, p->u8Limits, eDisplay)) eDisplay = U_CONVERT_eShortDistanceUnits(eDisplay);
  const MENU_LIMITS* pLimit = VALUE_pEntry(p->aLimits, p->u8Limits, eDisplay);
  if (pLimit != nullptr) {
    n->dMin = pLimit->fMinimum;
    n->dMax = pLimit->fMaximum;
    n->dInc = pLimit->fIncrement;
    // A key of a type without a unit choice is taken as it is.
    n->eUnits = eDisplay != U_NONE ? pLimit->Units : U_NONE;
  }
  if (!(n->dInc > 0)) {
    static BOOLEAN s_bLogged = FALSE;
    if (!s_bLogged && pLimit != nullptr) log_me("[%d]%s: increment %g taken as 1", __LINE__, __func__, n->dInc);
    s_bLogged = TRUE;
    n->dInc = 1;
  }
  // A variable step's left text is a choice of its own beneath the numbers
  // (the automatic depth range below the fixed ones), stored as 0.
  n->bZeroBelow = p->eKind == MENU_ITEM_VAR_STEP_SLIDER && p->pLeft != nullptr && n->dMin > 0;
  const MENU_STEP_LEVELS* pSteps = VALUE_pEntry(p->aSteps, p->u8Steps, eDisplay);
  if (pSteps != nullptr) {
    n->dStep1 = pSteps->fStep1;
    n->dStep2 = pSteps->fStep2;
  }
  n->eForm = VALUE_eForm(p->key, n->eType, n->dMin);
  n->bKnown = bFound && bValid;
  if (!n->bKnown) return;
  const double dRaw = n->eForm == DF_FLOAT ? (double)raw.fVal : n->eForm == DF_SIGNED32 ? (double)raw.s32Val
                                                                                        : (double)raw.u32Val;
  n->dValue = VALUE_dShown(n, dRaw);
}

static double VALUE_dFloor(const VALUE_NUMBER* n) { return n->bZeroBelow ? 0 : n->dMin; }
static BOOLEAN VALUE_bAtMin(const VALUE_NUMBER* n) {
  return n->dValue <= VALUE_dFloor(n) + n->dInc * VALUE_GRID_SLACK;
}
static BOOLEAN VALUE_bAtMax(const VALUE_NUMBER* n) { return n->dValue >= n->dMax - n->dInc * VALUE_GRID_SLACK; }

static BOOLEAN VALUE_bWhole(double d) { return fabs(d - round(d)) < 1e-4; }

// The number as a row shows it: whole, one or two decimals by the grid; a
// duration in seconds as minutes and seconds (hours and minutes from an
// hour), as the readouts show one.
static void VALUE_vNumberText(const VALUE_NUMBER* n, double dValue, char* pBuffer, U32 u32Size) {
  if (n->eType == D_TIME && dValue >= 0) {
    const long seconds = lround(dValue);
    if (seconds >= 3600) {
      snprintf(pBuffer, u32Size, "%ld:%02ld", seconds / 3600, seconds / 60 % 60);
    } else {
      snprintf(pBuffer, u32Size, "%ld:%02ld", seconds / 60, seconds % 60);
    }
    return;
  }
  const int nDecimals = VALUE_bWhole(n->dMin) && VALUE_bWhole(n->dInc) ? 0 : VALUE_bWhole(n->dInc * 10) ? 1 : 2;
  if (fabs(dValue) < 0.5 * pow(10.0, -nDecimals)) dValue = 0;  // no "-0"
  snprintf(pBuffer, u32Size, "%.*f", nDecimals, dValue);
}

// An 8-bit text in the current form, then the suffix (already in that form).
static void VALUE_vCompose(const char* pcNumber, const char* pcSuffix, unsigned nLanguage, char* pBuffer,
                           U32 u32Size) {
  const BOOLEAN bWide = nLanguage >= LANGUAGE_FIRST_WIDE;
  if (bWide) {
    U_WSTRING_vAscii2Unicode(pBuffer, pcNumber, u32Size, TRUE);
  } else {
    snprintf(pBuffer, u32Size, "%s", pcNumber);
  }
  if (pcSuffix == nullptr) return;
  const U32 u32Used = U_WSTRING_u32w_strlen(pBuffer, bWide);
  const U32 u32Terminator = bWide ? 2 : 1;
  if (u32Used + u32Terminator >= u32Size) return;
  U32 u32Room = u32Size - u32Used - u32Terminator;
  if (bWide) u32Room &= ~1u;
  if (u32Room > 0) U_WSTRING_vw_strncat(pBuffer, pcSuffix, u32Room, bWide);
}

static void VALUE_vCopyText(const char* pText, unsigned nLanguage, char* pBuffer, U32 u32Size) {
  const BOOLEAN bWide = nLanguage >= LANGUAGE_FIRST_WIDE;
  const U32 u32Terminator = bWide ? 2 : 1;
  U32 u32Bytes = U_WSTRING_u32w_strlen(pText, bWide);
  if (u32Bytes + u32Terminator > u32Size) u32Bytes = (u32Size - u32Terminator) & (bWide ? ~1u : ~0u);
  memcpy(pBuffer, pText, u32Bytes);
  memset(pBuffer + u32Bytes, 0, u32Terminator);
}

static void VALUE_vSliderText(const VALUE_NUMBER* n, const MENU_VALUE* p, double dValue, unsigned nLanguage,
                              char* pBuffer, U32 u32Size) {
  VALUE_NUMBER at = *n;
  at.dValue = dValue;
  if (p->pLeft != nullptr && VALUE_bAtMin(&at)) return VALUE_vCopyText(T_MENUSTORE_pcText(p->pLeft, nLanguage), nLanguage, pBuffer, u32Size);
  if (p->pRight != nullptr && VALUE_bAtMax(&at)) return VALUE_vCopyText(T_MENUSTORE_pcText(p->pRight, nLanguage), nLanguage, pBuffer, u32Size);
  char acNumber[32];
  VALUE_vNumberText(n, dValue, acNumber, sizeof acNumber);
  if (p->pSuffix != nullptr) {
    return VALUE_vCompose(acNumber, T_MENUSTORE_pcText(p->pSuffix, nLanguage), nLanguage, pBuffer, u32Size);
  }
  // A value shown in a unit of the user's choosing names that unit.
  const char* pcUnits = n->eUnits != U_NONE ? H_DATABASE_pcUnitsString(n->eUnits, nLanguage) : nullptr;
  if (pcUnits != nullptr && !U_WSTRING_bIsStringNull(pcUnits)) {
    strncat(acNumber, " ", sizeof acNumber - strlen(acNumber) - 1);
  }
  VALUE_vCompose(acNumber, pcUnits, nLanguage, pBuffer, u32Size);
}

static MENU_CHOICE_POSITION VALUE_ePosition(BOOLEAN bOnly, BOOLEAN bFirst, BOOLEAN bLast, BOOLEAN bLoop) {
  if (bOnly) return MENU_CHOICE_ONLY;
  if (bLoop) return MENU_CHOICE_MIDDLE;
  if (bFirst) return MENU_CHOICE_FIRST;
  return bLast ? MENU_CHOICE_LAST : MENU_CHOICE_MIDDLE;
}

// ---------------------------------------------------------------------------

// A selector's choices are value words, whatever the key's type: flags,
// numbers and signed numbers alike.
U32 T_MENUVALUE_u32Choice(const MENU_VALUE* pValue) {
  DB_DATA_TYPE stored = {};
  BOOLEAN bValid = FALSE;
  if (pValue->pValues == nullptr || !H_DATABASE_bFetch(pValue->key, &stored, &bValid, nullptr) || !bValid) {
    return MENU_NO_ROW;
  }
  for (U32 i = 0; i < pValue->u32Count; i++) {
    if (pValue->pValues[i] == stored.u32Val) return i;
  }
  return MENU_NO_ROW;
}

void T_MENUVALUE_vShow(const MENU_VALUE* pValue, BOOLEAN bLoop, unsigned nLanguage, char* pBuffer, U32 u32Size,
                       MENU_CHOICE_POSITION* pePosition, float* pfFraction) {
  *pePosition = MENU_CHOICE_MIDDLE;
  *pfFraction = 0;
  if (!VALUE_bSlider(pValue)) {
    const U32 n = pValue->u32Count;
    const U32 i = T_MENUVALUE_u32Choice(pValue);
    if (i == MENU_NO_ROW || pValue->pChoices == nullptr) return VALUE_vCompose("--", nullptr, nLanguage, pBuffer, u32Size);
    *pePosition = VALUE_ePosition(n <= 1, i == 0, i + 1 == n, bLoop);
    return VALUE_vCopyText(T_MENUSTORE_pcText(pValue->pChoices[i], nLanguage), nLanguage, pBuffer, u32Size);
  }
  VALUE_NUMBER n;
  VALUE_vNumber(pValue, &n);
  if (!n.bKnown) return VALUE_vCompose("--", nullptr, nLanguage, pBuffer, u32Size);
  *pePosition = VALUE_ePosition(n.dMax <= n.dMin, VALUE_bAtMin(&n), VALUE_bAtMax(&n), bLoop);
  const double dFloor = VALUE_dFloor(&n);
  if (n.dMax > dFloor) *pfFraction = (float)((n.dValue - dFloor) / (n.dMax - dFloor));
  VALUE_vSliderText(&n, pValue, n.dValue, nLanguage, pBuffer, u32Size);
}

U32 T_MENUVALUE_u32Widest(const MENU_VALUE* pValue, unsigned nLanguage, const FONT_DEF* pFont) {
  U32 u32Widest = 0;
  char acText[MENU_VALUE_TEXT];
  if (!VALUE_bSlider(pValue)) {
    for (U32 i = 0; i < pValue->u32Count && pValue->pChoices != nullptr; i++) {
      const U32 w = U_MENULOOK_u32Width(T_MENUSTORE_pcText(pValue->pChoices[i], nLanguage), pFont);
      if (w > u32Widest) u32Widest = w;
    }
    return u32Widest;
  }
  VALUE_NUMBER n;
  VALUE_vNumber(pValue, &n);
  for (double d : {VALUE_dFloor(&n), n.dMin, n.dMax, n.dMin + n.dInc, n.dMax - n.dInc}) {
    VALUE_vSliderText(&n, pValue, d, nLanguage, acText, sizeof acText);
    const U32 w = U_MENULOOK_u32Width(acText, pFont);
    if (w > u32Widest) u32Widest = w;
  }
  return u32Widest;
}

// ---------------------------------------------------------------------------
// Steps

static BOOLEAN VALUE_bNextChoice(const MENU_VALUE* p, int nDirection, BOOLEAN bLoop, MENU_WRITE* pWrite) {
  const U32 n = p->u32Count;
  if (n == 0 || p->pValues == nullptr) return FALSE;
  const U32 i = T_MENUVALUE_u32Choice(p);
  U32 next;
  if (i == MENU_NO_ROW) {
    next = nDirection > 0 ? 0 : n - 1;
  } else if (nDirection > 0) {
    if (i + 1 < n) {
      next = i + 1;
    } else if (bLoop && n > 1) {
      next = 0;
    } else {
      return FALSE;
    }
  } else {
    if (i > 0) {
      next = i - 1;
    } else if (bLoop && n > 1) {
      next = n - 1;
    } else {
      return FALSE;
    }
  }
  pWrite->key = p->key;
  pWrite->eForm = DF_UNSIGNED32;
  pWrite->value.u32Val = p->pValues[next];
  return TRUE;
}

// One step of a variable-step slider: the step of the interval the value
// is in going up, of the interval just below it going down, to the next
// multiple of that step.
static double VALUE_dVariableStep(const VALUE_NUMBER* n, double v, int nDirection) {
  const double slack = n->dInc * VALUE_GRID_SLACK;
  double step = n->dInc;
  if (nDirection > 0) {
    if (v >= n->dStep2 - slack && n->dStep2 > 0) {
      step *= 10;
    } else if (v >= n->dStep1 - slack && n->dStep1 > 0) {
      step *= 5;
    }
    return (floor(v / step + VALUE_GRID_SLACK) + 1) * step;
  }
  if (v > n->dStep2 + slack && n->dStep2 > 0) {
    step *= 10;
  } else if (v > n->dStep1 + slack && n->dStep1 > 0) {
    step *= 5;
  }
  return (ceil(v / step - VALUE_GRID_SLACK) - 1) * step;
}

static BOOLEAN VALUE_bNextNumber(const MENU_VALUE* p, int nDirection, U32 u32Steps, BOOLEAN bLoop,
                                 MENU_WRITE* pWrite) {
  VALUE_NUMBER n;
  VALUE_vNumber(p, &n);
  if (p->u8Limits == 0 || n.dMax < n.dMin) return FALSE;
  const double dFloor = VALUE_dFloor(&n);
  const double slack = n.dInc * VALUE_GRID_SLACK;
  double t;
  if (!n.bKnown) {
    t = nDirection > 0 ? dFloor : n.dMax;
  } else if (nDirection > 0 && VALUE_bAtMax(&n)) {
    if (!bLoop || n.dMax <= dFloor) return FALSE;
    t = dFloor;
  } else if (nDirection < 0 && VALUE_bAtMin(&n)) {
    if (!bLoop || n.dMax <= dFloor) return FALSE;
    t = n.dMax;
  } else if (n.bZeroBelow && nDirection > 0 && n.dValue < n.dMin - slack) {
    t = n.dMin;
  } else if (n.bZeroBelow && nDirection < 0 && n.dValue <= n.dMin + slack) {
    t = 0;
  } else if (p->eKind == MENU_ITEM_VAR_STEP_SLIDER) {
    t = n.dValue;
    for (U32 i = 0; i < u32Steps; i++) t = VALUE_dVariableStep(&n, t, nDirection);
  } else {
    // Onto the grid in the direction of travel, then the further steps.
    const double k = (n.dValue - n.dMin) / n.dInc;
    const double grid = nDirection > 0 ? floor(k + VALUE_GRID_SLACK) + u32Steps : ceil(k - VALUE_GRID_SLACK) - u32Steps;
    t = n.dMin + grid * n.dInc;
  }
  if (t > n.dMax) t = n.dMax;
  if (t < dFloor) t = dFloor;
  if (n.bZeroBelow && t > 0 && t < n.dMin) t = nDirection > 0 ? n.dMin : 0;
  const double dInternal = VALUE_dInternal(&n, t);
  pWrite->key = p->key;
  pWrite->eForm = n.eForm;
  if (n.eForm == DF_FLOAT) {
    pWrite->value.fVal = (float)dInternal;
  } else if (n.eForm == DF_SIGNED32) {
    pWrite->value.s32Val = (S32)lround(dInternal);
  } else {
    pWrite->value.u32Val = dInternal <= 0 ? 0 : (U32)llround(dInternal);
  }
  return TRUE;
}

BOOLEAN T_MENUVALUE_bNext(const MENU_VALUE* pValue, int nDirection, U32 u32Steps, BOOLEAN bLoop, MENU_WRITE* pWrite) {
  if (u32Steps == 0) u32Steps = 1;
  if (!VALUE_bSlider(pValue)) return VALUE_bNextChoice(pValue, nDirection, bLoop, pWrite);
  return VALUE_bNextNumber(pValue, nDirection, u32Steps, bLoop, pWrite);
}

BOOLEAN T_MENUVALUE_bWrite(const MENU_WRITE* pWrite) {
  BOOLEAN bRefused;
  char acValue[32];
  switch (pWrite->eForm) {
    case DF_FLOAT:
      bRefused = H_DATABASE_bUpdateValueFloat(pWrite->key, pWrite->value.fVal, P_NORMAL);
      snprintf(acValue, sizeof acValue, "%.3f", (double)pWrite->value.fVal);
      break;
    case DF_SIGNED32:
      bRefused = H_DATABASE_bUpdateValueS32(pWrite->key, pWrite->value.s32Val, P_NORMAL);
      snprintf(acValue, sizeof acValue, "%d", (int)pWrite->value.s32Val);
      break;
    default: {
      DB_DATA_TYPE word = {};
      word.u32Val = pWrite->value.u32Val;
      bRefused = H_DATABASE_bUpdateValue(pWrite->key, word, P_NORMAL);
      snprintf(acValue, sizeof acValue, "%u", (unsigned)pWrite->value.u32Val);
      break;
    }
  }
  const FOURCHARID k = pWrite->key;
  log_me("[%d]%s: write %c%c%c%c = %s %s", __LINE__, __func__, (char)(k & 0xFF), (char)(k >> 8 & 0xFF),
         (char)(k >> 16 & 0xFF), (char)(k >> 24 & 0xFF), acValue, bRefused ? "refused" : "taken");
  return !bRefused;
}
