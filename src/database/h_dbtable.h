// The key table: one row for every key the unit reads or writes, with its
// value type, factory default, range or choices, unit class and owning
// subsystem. The database checks typed access against it, start-up creates
// every setting from it, Restore Defaults resets from it, and the PC link,
// the factory test and the NVR store refuse what it does not allow.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "h_database.h"

// How a key's value word is read and written. A caller that knows the key
// uses the typed functions of this type; code that handles keys it does not
// know (menus, the PC link, profiles, the NVR store) uses the word functions
// (H_DATABASE_bFetch, H_DATABASE_bUpdateValue).
enum DB_VALUE_TYPE : U8 {
  DBT_U32,
  DBT_S32,
  DBT_FLOAT,
  DBT_BOOL,     // the word 0 or 1
  DBT_POINTER,  // the address of a frame buffer, a fix or a renderer: never stored
  DBT_BINDING,  // a data box's binding: a key (U32) or a renderer (pointer)
  DBT_WORD,     // a copy of another key's word (a profile's stored row): word functions only
};

// The quantity a value is, for the unit the user sees it in.
enum DB_UNIT_CLASS : U8 {
  DBU_NONE,
  DBU_DEPTH,
  DBU_DISTANCE,
  DBU_SPEED,
  DBU_TEMPERATURE,
  DBU_TIME,
};

enum DB_DEFAULT_KIND : U8 {
  DBD_NONE,      // no factory value: a live value, or a setting its owner makes
  DBD_FIXED,     // u32Value
  DBD_DOMESTIC,  // u32Other on a home-market model, u32Value on any other
  DBD_ICE,       // u32Other in ice mode (SICE), u32Value otherwise
  DBD_ICE_MODEL,  // u32Other on a model with the ice feature, u32Value on any other
  DBD_DOMESTIC_WESTERN,  // u32Other on a home-market model whose language set is western (SLNS 0)
};

// A factory value as value words of the key's type.
struct DB_DEFAULT {
  DB_DEFAULT_KIND eKind;
  U32 u32Value;
  U32 u32Other;
};

enum DB_RANGE_KIND : U8 {
  DBR_ANY,      // every word of the type
  DBR_SPAN,     // u32Low to u32High, words of the key's type, both taken
  DBR_CHOICES,  // one of pu32Choices
  DBR_MODEL,    // a model number of the model table
};

// A slider's span in one display unit; the first entry of a row's list in
// the unit the user has chosen is the one shown. A list ends with an entry
// of units U_NONE (taken) or after DB_MAX_SHOWN entries.
struct DB_SHOWN_SPAN {
  UNIT_TYPE eUnits;
  float fLow;
  float fHigh;
  float fStep;
};
constexpr U32 DB_MAX_SHOWN = 4;

struct DB_RANGE {
  DB_RANGE_KIND eKind;
  U32 u32Low;
  U32 u32High;
  const U32* pu32Choices;
  U32 u32Choices;
  const DB_SHOWN_SPAN* pShown;  // null: no slider takes its span from here
};

// Flags of a row.
constexpr U8 DBF_KEPT = 0x01;   // survives Restore Defaults: the unit's identity, counters, the user's store
constexpr U8 DBF_OWNER = 0x02;  // made by its owner, not at start-up: its absence means something
// Changes as the unit runs (position, trip log, hours): stored by the
// periodic save and at shutdown, not within seconds of each change as a
// setting the user changed is.
constexpr U8 DBF_LIVE = 0x04;

struct DB_TABLE_ROW {
  FOURCHARID id;  // a '#' stands for any digit 0-9
  DB_VALUE_TYPE eType;
  DB_UNIT_CLASS eUnit;
  U8 u8Owner;  // the subsystem, 1 to 16
  U8 u8Flags;
  DB_DEFAULT sDefault;
  DB_RANGE sRange;
};

// The local time zones a unit offers (SLTZ's choices): minutes east of UTC
// as words of S32, west to east.
constexpr U32 DB_TIME_ZONES = 35;
extern const U32* const g_au32DbTimeZones;

// The row of a key; null for a key the table does not know.
const DB_TABLE_ROW* H_DBTABLE_pRow(FOURCHARID id);

// Every row, in key order (the rows with '#' last), for walks and tests.
U32 H_DBTABLE_u32Rows(void);
const DB_TABLE_ROW* H_DBTABLE_pRowAt(U32 u32Index);

// A saved setting: class S, the class the NVR store keeps.
BOOLEAN H_DBTABLE_bIsSetting(const DB_TABLE_ROW* pRow);

// The key's factory value for this model and mode; FALSE (and *pValue
// untouched) when the row has none.
BOOLEAN H_DBTABLE_bDefault(const DB_TABLE_ROW* pRow, DB_DATA_TYPE* pValue);
// The same by key; a key without a row or a default gives FALSE.
BOOLEAN H_DBTABLE_bDefaultOf(FOURCHARID id, DB_DATA_TYPE* pValue);
// The factory value by key and type, for owners that register their own
// settings; a key without a default gives 0.
U32 H_DBTABLE_u32Default(FOURCHARID id);
S32 H_DBTABLE_s32Default(FOURCHARID id);
float H_DBTABLE_fDefault(FOURCHARID id);
BOOLEAN H_DBTABLE_bDefaultFlag(FOURCHARID id);

enum DB_CHECK : U8 {
  DBC_TAKEN,
  DBC_NO_KEY,        // the table has no row for the key
  DBC_OUT_OF_RANGE,  // the word is not one the row allows (a float that is not a number included)
  DBC_NOT_A_VALUE,   // a pointer, a binding or a copy: nothing an outside party may write
};
// Whether an outside party (the PC link, the factory test, the NVR store)
// may put the word into the key.
DB_CHECK H_DBTABLE_eCheck(FOURCHARID id, U32 u32Word);
// The text of a check result for a log line.
const char* H_DBTABLE_pcCheckText(DB_CHECK eCheck);

// Whether a slider's span in the units shown (U_NONE: the key's own
// numbers) lies in the key's range: the check of the first end refused,
// else DBC_TAKEN.
DB_CHECK H_DBTABLE_eCheckShownSpan(FOURCHARID id, UNIT_TYPE eUnits, float fLow, float fHigh);
// A menu's choice or slider end that lies outside its key's range: debug and
// test builds stop at it, as at a key used with another type; other builds
// log it. pcWhat names the menu for the line.
void H_DBTABLE_vCheckOffered(FOURCHARID id, DB_CHECK eCheck, const char* pcWhat);

// The word of a whole number in the key's type (a float key takes it as a
// float); FALSE for a key without a row or of a type without numbers.
BOOLEAN H_DBTABLE_bWordOfNumber(FOURCHARID id, S32 s32Number, U32* pu32Word);

// Creates every setting that holds no value yet with its factory value at
// the defaults priority: stored and chosen values stay. Rows with DBF_OWNER
// are left to their owners.
void H_DBTABLE_vCreateSettings(void);
// Offers the factory values that depend on the model or the mode again at
// the defaults priority, once the model is known.
void H_DBTABLE_vSettleModelDefaults(void);
// Writes every setting's factory value at priority 2, but those kept.
// Returns the number of settings written.
U32 H_DBTABLE_u32RestoreDefaults(void);

// The data type a key of this unit class is created with.
DATA_TYPE H_DBTABLE_eDataType(const DB_TABLE_ROW* pRow);
