// Looking rows up, resolving factory values for the model and mode, and the
// checks an outside party's value must pass. The rows themselves are data in
// h_dbtable_rows.cpp.

#include "h_dbtable.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <bit>

#include "h_dbtable_rows.h"
#include "linuxsvc.h"
#include "model.h"
#include "u_convert.h"

// ---------------------------------------------------------------------------
// Rows

static BOOLEAN DBTABLE_bMatches(FOURCHARID pattern, FOURCHARID id) {
  for (int i = 0; i < 4; i++) {
    const char p = (char)(pattern >> (8 * i));
    const char c = (char)(id >> (8 * i));
    if (p == '#' ? !(c >= '0' && c <= '9') : p != c) return FALSE;
  }
  return TRUE;
}

const DB_TABLE_ROW* H_DBTABLE_pRow(FOURCHARID id) {
  U32 low = 0, high = g_u32DbTableRows;
  while (low < high) {
    const U32 mid = (low + high) / 2;
    const FOURCHARID key = g_asDbTable[mid].id;
    if (DB_TABLE_u32Order(key) < DB_TABLE_u32Order(id)) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  if (low < g_u32DbTableRows && g_asDbTable[low].id == id) return &g_asDbTable[low];
  for (U32 i = 0; i < g_u32DbTablePatterns; i++) {
    if (DBTABLE_bMatches(g_asDbTablePatterns[i].id, id)) return &g_asDbTablePatterns[i];
  }
  return nullptr;
}

U32 H_DBTABLE_u32Rows(void) { return g_u32DbTableRows + g_u32DbTablePatterns; }

const DB_TABLE_ROW* H_DBTABLE_pRowAt(U32 u32Index) {
  if (u32Index < g_u32DbTableRows) return &g_asDbTable[u32Index];
  u32Index -= g_u32DbTableRows;
  return u32Index < g_u32DbTablePatterns ? &g_asDbTablePatterns[u32Index] : nullptr;
}

BOOLEAN H_DBTABLE_bIsSetting(const DB_TABLE_ROW* pRow) { return pRow != nullptr && FCID_cClass(pRow->id) == 'S'; }

// ---------------------------------------------------------------------------
// Factory values

// The model is read here rather than through the current-model tests, which
// sit above the database; a unit whose model is not known yet is the
// default model.
static BOOLEAN DBTABLE_bDomestic(void) {
  U32 model = MODEL_DEFAULT;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &model, nullptr, nullptr)) model = MODEL_DEFAULT;
  return MODEL_bDomesticModelNumber((MODEL_TYPE)model);
}

static BOOLEAN DBTABLE_bIceModel(void) {
  U32 model = MODEL_DEFAULT;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &model, nullptr, nullptr)) model = MODEL_DEFAULT;
  return MODEL_bHasFeature((MODEL_TYPE)model, MODEL_BIT_ICE);
}

// Before SICE has a value of its own the model decides, as SICE's own
// default does.
static BOOLEAN DBTABLE_bIce(void) {
  BOOLEAN bIce = FALSE;
  if (H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr)) return bIce;
  return DBTABLE_bIceModel();
}

// The Asian language set shows Celsius whatever the market.
static BOOLEAN DBTABLE_bWesternDomestic(void) {
  U32 u32Set = 0;
  if (H_DATABASE_bFetchU32(FCID("SLNS"), &u32Set, nullptr, nullptr) && u32Set == 1) return FALSE;
  return DBTABLE_bDomestic();
}

BOOLEAN H_DBTABLE_bDefault(const DB_TABLE_ROW* pRow, DB_DATA_TYPE* pValue) {
  if (pRow == nullptr || pValue == nullptr) return FALSE;
  U32 u32Word;
  switch (pRow->sDefault.eKind) {
    case DBD_FIXED:
      u32Word = pRow->sDefault.u32Value;
      break;
    case DBD_DOMESTIC:
      u32Word = DBTABLE_bDomestic() ? pRow->sDefault.u32Other : pRow->sDefault.u32Value;
      break;
    case DBD_ICE:
      u32Word = DBTABLE_bIce() ? pRow->sDefault.u32Other : pRow->sDefault.u32Value;
      break;
    case DBD_ICE_MODEL:
      u32Word = DBTABLE_bIceModel() ? pRow->sDefault.u32Other : pRow->sDefault.u32Value;
      break;
    case DBD_DOMESTIC_WESTERN:
      u32Word = DBTABLE_bWesternDomestic() ? pRow->sDefault.u32Other : pRow->sDefault.u32Value;
      break;
    default:
      return FALSE;
  }
  pValue->vpPointer = nullptr;
  pValue->u32Val = u32Word;
  return TRUE;
}

BOOLEAN H_DBTABLE_bDefaultOf(FOURCHARID id, DB_DATA_TYPE* pValue) { return H_DBTABLE_bDefault(H_DBTABLE_pRow(id), pValue); }

static U32 DBTABLE_u32DefaultWord(FOURCHARID id) {
  DB_DATA_TYPE value;
  if (!H_DBTABLE_bDefaultOf(id, &value)) {
    log_me("[%d]%s: %.4s has no factory value", __LINE__, __func__, (const char*)&id);
    return 0;
  }
  return value.u32Val;
}

U32 H_DBTABLE_u32Default(FOURCHARID id) { return DBTABLE_u32DefaultWord(id); }
S32 H_DBTABLE_s32Default(FOURCHARID id) { return (S32)DBTABLE_u32DefaultWord(id); }
float H_DBTABLE_fDefault(FOURCHARID id) { return std::bit_cast<float>(DBTABLE_u32DefaultWord(id)); }
BOOLEAN H_DBTABLE_bDefaultFlag(FOURCHARID id) { return DBTABLE_u32DefaultWord(id) != 0 ? TRUE : FALSE; }

DATA_TYPE H_DBTABLE_eDataType(const DB_TABLE_ROW* pRow) {
  if (pRow == nullptr) return D_UNKNOWN;
  switch (pRow->eUnit) {
    case DBU_DEPTH:
      return D_DEPTH;
    case DBU_DISTANCE:
      return D_DISTANCE;
    case DBU_SPEED:
      return D_SPEED;
    case DBU_TEMPERATURE:
      return D_TEMPERATURE;
    case DBU_TIME:
      return D_TIME;
    default:
      break;
  }
  switch (pRow->eType) {
    case DBT_FLOAT:
      return D_FLOAT;
    case DBT_S32:
      return D_SIGNED32;
    case DBT_POINTER:
      return D_POINTER;
    default:
      return D_UNKNOWN;
  }
}

// ---------------------------------------------------------------------------
// Checks

static BOOLEAN DBTABLE_bInSpan(const DB_TABLE_ROW* pRow, U32 u32Word) {
  const DB_RANGE& r = pRow->sRange;
  switch (pRow->eType) {
    case DBT_S32:
      return (S32)u32Word >= (S32)r.u32Low && (S32)u32Word <= (S32)r.u32High;
    case DBT_FLOAT: {
      const float f = std::bit_cast<float>(u32Word);
      return f >= std::bit_cast<float>(r.u32Low) && f <= std::bit_cast<float>(r.u32High);
    }
    default:
      return u32Word >= r.u32Low && u32Word <= r.u32High;
  }
}

DB_CHECK H_DBTABLE_eCheck(FOURCHARID id, U32 u32Word) {
  const DB_TABLE_ROW* pRow = H_DBTABLE_pRow(id);
  if (pRow == nullptr) return DBC_NO_KEY;
  if (pRow->eType == DBT_POINTER || pRow->eType == DBT_BINDING) return DBC_NOT_A_VALUE;
  if (pRow->eType == DBT_FLOAT && !isfinite(std::bit_cast<float>(u32Word))) return DBC_OUT_OF_RANGE;
  if (pRow->eType == DBT_BOOL && u32Word > 1) return DBC_OUT_OF_RANGE;
  switch (pRow->sRange.eKind) {
    case DBR_SPAN:
      return DBTABLE_bInSpan(pRow, u32Word) ? DBC_TAKEN : DBC_OUT_OF_RANGE;
    case DBR_CHOICES:
      for (U32 i = 0; i < pRow->sRange.u32Choices; i++) {
        if (pRow->sRange.pu32Choices[i] == u32Word) return DBC_TAKEN;
      }
      return DBC_OUT_OF_RANGE;
    case DBR_MODEL:
      return MODEL_bKnownModel((MODEL_TYPE)u32Word) ? DBC_TAKEN : DBC_OUT_OF_RANGE;
    default:
      return DBC_TAKEN;
  }
}

const char* H_DBTABLE_pcCheckText(DB_CHECK eCheck) {
  switch (eCheck) {
    case DBC_TAKEN:
      return "taken";
    case DBC_NO_KEY:
      return "no such key";
    case DBC_OUT_OF_RANGE:
      return "outside its range";
    default:
      return "not a value that may be written";
  }
}

// A span in feet ends a rounding hair past the same length in metres, so
// each end is taken a hair inside the span before it is converted.
DB_CHECK H_DBTABLE_eCheckShownSpan(FOURCHARID id, UNIT_TYPE eUnits, float fLow, float fHigh) {
  const DB_TABLE_ROW* pRow = H_DBTABLE_pRow(id);
  if (pRow == nullptr) return DBC_NO_KEY;
  const double dHair = ((double)fHigh - (double)fLow) * 1e-6;
  for (double dShown : {(double)fLow + dHair, (double)fHigh - dHair}) {
    const double dInternal = eUnits == U_NONE ? dShown : dConvertToInternal(dShown, H_DBTABLE_eDataType(pRow), eUnits);
    const U32 u32Word =
        pRow->eType == DBT_FLOAT ? std::bit_cast<U32>((float)dInternal) : (U32)(S32)lround(dInternal);
    const DB_CHECK eCheck = H_DBTABLE_eCheck(id, u32Word);
    if (eCheck != DBC_TAKEN) return eCheck;
  }
  return DBC_TAKEN;
}

// A choice the table refuses would be set, saved and then dropped by the
// store at the next start: the user's setting silently gone.
void H_DBTABLE_vCheckOffered(FOURCHARID id, DB_CHECK eCheck, const char* pcWhat) {
  if (eCheck != DBC_OUT_OF_RANGE) return;
  log_me("[%d]%s: %.4s: %s offers a value outside its range", __LINE__, __func__, (const char*)&id, pcWhat);
#ifdef VELMORA_CHECK_DB_TYPES
  fprintf(stderr, "database: key %.4s: the menu %s offers a value outside the key table's range\n",
          (const char*)&id, pcWhat);
  fflush(stderr);
  abort();
#endif
}

BOOLEAN H_DBTABLE_bWordOfNumber(FOURCHARID id, S32 s32Number, U32* pu32Word) {
  const DB_TABLE_ROW* pRow = H_DBTABLE_pRow(id);
  if (pRow == nullptr || pu32Word == nullptr) return FALSE;
  switch (pRow->eType) {
    case DBT_FLOAT:
      *pu32Word = std::bit_cast<U32>((float)s32Number);
      return TRUE;
    case DBT_U32:
    case DBT_S32:
    case DBT_BOOL:
      *pu32Word = (U32)s32Number;
      return TRUE;
    default:
      return FALSE;
  }
}

// ---------------------------------------------------------------------------
// Creating and restoring

static void DBTABLE_vOffer(const DB_TABLE_ROW* pRow) {
  DB_DATA_TYPE value;
  if (!H_DBTABLE_bDefault(pRow, &value)) return;
  DB_ATTRIBUTES attributes = {H_DBTABLE_eDataType(pRow), nullptr, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(pRow->id, &value, P_DEFAULT_SETTING, &attributes);
}

// Whole keys only (the walks below pass over the rows with '#': a family its
// owner numbers).
static BOOLEAN DBTABLE_bCreated(const DB_TABLE_ROW* pRow) {
  return H_DBTABLE_bIsSetting(pRow) && (pRow->u8Flags & DBF_OWNER) == 0 && pRow->sDefault.eKind != DBD_NONE;
}

void H_DBTABLE_vCreateSettings(void) {
  for (U32 i = 0; i < g_u32DbTableRows; i++) {
    if (DBTABLE_bCreated(&g_asDbTable[i])) DBTABLE_vOffer(&g_asDbTable[i]);
  }
}

// A value offered at the defaults priority replaces an earlier offer and
// leaves a stored or chosen one. The mode's values come last: the mode
// itself (SICE) is one of the model's.
void H_DBTABLE_vSettleModelDefaults(void) {
  for (int pass = 0; pass < 2; pass++) {
    for (U32 i = 0; i < g_u32DbTableRows; i++) {
      const DB_TABLE_ROW* pRow = &g_asDbTable[i];
      if (!DBTABLE_bCreated(pRow) || pRow->sDefault.eKind == DBD_FIXED) continue;
      if ((pRow->sDefault.eKind == DBD_ICE) != (pass == 1)) continue;
      DB_DATA_TYPE value;
      if (H_DBTABLE_bDefault(pRow, &value)) H_DATABASE_bUpdateValue(pRow->id, value, P_DEFAULT_SETTING);
    }
  }
}

U32 H_DBTABLE_u32RestoreDefaults(void) {
  U32 u32Written = 0;
  for (U32 i = 0; i < g_u32DbTableRows; i++) {
    const DB_TABLE_ROW* pRow = &g_asDbTable[i];
    if (!DBTABLE_bCreated(pRow) || (pRow->u8Flags & DBF_KEPT) != 0) continue;
    DB_DATA_TYPE value;
    if (!H_DBTABLE_bDefault(pRow, &value)) continue;
    H_DATABASE_bUpdateValue(pRow->id, value, P_NORMAL);
    u32Written++;
  }
  return u32Written;
}
