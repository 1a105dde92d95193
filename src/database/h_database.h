// The settings database: the state every task shares. Values of one word
// under four-character keys, each with a write priority, a validity time-out,
// attributes and the mailboxes subscribed to its change notices. Every
// operation runs under the resource mutex RES_DATABASE, notices included.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "linuxsvc.h"
#include "msghdr.h"

// Write priorities: the lower number wins, an equal one replaces.
enum ITEM_PRIORITY : U32 {
  P_HIGHEST = 0,
  P_TESTMODE = 1,
  P_NORMAL = 2,
  P_SELECTED_GPS_OVERRIDE = 3,
  P_NETWORK_GPS = 4,
  P_GATEWAY_ATTACHED_GPS = 5,
  P_EXTERNAL_GPS = 6,
  P_INTERNAL_GPS = 7,
  P_REMOTE_EXTERNAL_GPS = 8,
  P_REMOTE_INTERNAL_GPS = 9,
  P_NAVRO_GPS = 10,
  P_NMEA2K_GPS = 11,
  P_EXTERNAL_AIS = 12,
  P_EXTERNAL_AIS2 = 13,
  P_NVR = 14,
  P_DEFAULT_SETTING = 15,
  P_UNOWNED = 16,
};

// The kind of a value: its storage form and its units.
enum DATA_TYPE : U32 {
  D_UNKNOWN = 0,
  D_UNITS = 1,
  D_POINTER = 2,
  D_TEMPERATURE = 3,
  D_SPEED = 4,
  D_DISTANCE = 5,
  D_HEADING = 6,
  D_DEPTH = 7,
  D_DATETIME = 8,
  D_TIME = 9,
  D_LONG_TIME = 10,
  D_PRESSURE = 11,
  D_VOLUME = 12,
  D_PH = 13,
  D_CONCENTRATION = 14,
  D_VOLTAGE = 15,
  D_CURRENT = 16,
  D_MAILBOX = 17,
  D_POSITION = 18,
  D_POSITION_LAT = 19,
  D_POSITION_LON = 20,
  D_POSITION_LAT_MM = 21,
  D_POSITION_LON_MM = 22,
  D_FCID = 23,
  D_PERCENT = 24,
  D_SAT_DATA = 25,
  D_WAYPOINT = 26,
  D_ALTITUDE = 27,
  D_FLOAT = 28,
  D_SIGNED32 = 29,
  D_UNSIGNED32 = 30,
  D_FIXED_POINT = 31,
  D_ELEVATION_ANGLE = 32,
  D_TEMPERATURE_OFFSET = 33,
  D_FREQUENCY = 34,
  D_FREQUENCY_MHZ = 35,
  D_FUEL_RATE = 36,
  D_FUEL_ECON = 37,
  NUMBER_OF_DATA_TYPES = 38
};

// Display units. Values are held in one internal unit per data type.
enum UNIT_TYPE : U32 {
  U_NONE = 0,
  U_MPS = 1,
  U_STAT_MILES = 2,
  U_NAUT_MILES = 3,
  U_KM = 4,
  U_KNOTS = 5,
  U_MPH = 6,
  U_KPH = 7,
  U_LATLON = 8,
  U_INCH = 9,
  U_METRES = 10,
  U_FEET = 11,
  U_FATHOMS = 12,
  U_SECONDS = 13,
  U_MINUTES = 14,
  U_INCHESHG = 15,
  U_MMHG = 16,
  U_MILLIBAR = 17,
  U_HECTOPASCALS = 18,
  U_USGALLONS = 19,
  U_UKGALLONS = 20,
  U_LITRES = 21,
  U_M3 = 22,
  U_PPMO2 = 23,
  U_MOLPERM3 = 24,
  U_VOLTS = 25,
  U_AMPERES = 26,
  U_MILLIAMPERES = 27,
  U_CELSIUS = 28,
  U_FAHRENHEIT = 29,
  U_DEG_TRUE = 30,
  U_DEG_MAGNETIC = 31,
  U_NAUT_MILES_FT = 32,
  U_NAUT_MILES_M = 33,
  U_DEG_GEOMETRIC = 34,
  U_PSI = 35,
  U_KPA = 36,
  U_USGAL_PER_HR = 37,
  U_UKGAL_PER_HR = 38,
  U_LITERS_PER_HR = 39,
  U_US_MPG = 40,
  U_UK_MPG = 41,
  U_KM_PER_LITER = 42,
  NUMBER_OF_UNIT_TYPES = 43
};

// How a data type is stored in the value word.
enum DATA_FORMAT : U32 {
  DF_ERROR = 0,
  DF_FLOAT = 1,
  DF_UNSIGNED32 = 2,
  DF_SIGNED32 = 3,
  DF_VOID_POINTER = 4,
  DF_ENUMERATED = 5,
};

// The value of an item. On the 32-bit board it is one word; here the pointer
// makes it 8 bytes. Values of D_POINTER items compare as pointers, all others
// as their 32-bit word (RawData), whatever lies beyond it. A BOOLEAN is
// stored as 0 or 1.
union DB_DATA_TYPE {
  U32 RawData;
  U32 u32Val;
  S32 s32Val;
  float fVal;
  void* vpPointer;
};

// An item's attributes. ppcText points at a 27-language text table (the
// item's display name) or is null. u32TimeOut is in seconds; 0xFFFFFFFF is
// never stale, and 0 offered in a write keeps the item's time-out.
struct DB_ATTRIBUTES {
  DATA_TYPE DataType;
  const char* const* ppcText;
  U32 u32TimeOut;
};

constexpr U32 DB_NEVER_STALE = 0xFFFFFFFFu;

// The change notice every subscriber receives as mail (command
// CMD_ID_NEW_DATA, message priority 3). The receiver frees it.
struct MESSAGE_NEW_DATA {
  GENERIC_MESSAGE Header;
  FOURCHARID FourCharId;
  DB_DATA_TYPE dbValue;  // the item's value after the operation
  BOOLEAN bValid;        // FALSE once the item was found stale or was relinquished
};

struct tagLlistDatabase;

// The walk of H_DATABASE_bFetchNextBeginningWith. Set cMatch and clear
// __bNotFirst before the first call; the rest is the walk's own state.
struct MULTI_FETCH_CONTROL_STRUCTURE {
  FOURCHARID id;         // out: key found
  DB_DATA_TYPE data;     // out: its value
  DB_ATTRIBUTES extras;  // out: its attributes
  BOOLEAN bValid;        // out: not stale
  BYTE cMatch;           // in: class letter, 'A'..'Z'
  BOOLEAN __bNotFirst;
  U32 __index;
  tagLlistDatabase* __pItem;
  BYTE __cMatch;
};

// Clears the table. Called once by Main before any task runs; a later call
// (tests) gives the nodes of the old table back to the heap.
void H_DATABASE_vInit(void);

// Every update returns FALSE when the item holds the offered value after the
// call, and TRUE when it does not: the write was refused by a stronger
// (lower) priority still within its time-out, or no node could be had.
BOOLEAN H_DATABASE_bUpdateValue(FOURCHARID id, DB_DATA_TYPE value, U32 u32Priority);
BOOLEAN H_DATABASE_bUpdateValueU32(FOURCHARID id, U32 value, U32 u32Priority);
BOOLEAN H_DATABASE_bUpdateValueS32(FOURCHARID id, S32 value, U32 u32Priority);
BOOLEAN H_DATABASE_bUpdateValueFloat(FOURCHARID id, float value, U32 u32Priority);
BOOLEAN H_DATABASE_bUpdateValueVoidPointer(FOURCHARID id, void* value, U32 u32Priority);
BOOLEAN H_DATABASE_bUpdateValueBoolean(FOURCHARID id, BOOLEAN value, U32 u32Priority);
// As H_DATABASE_bUpdateValueU32, but the subscriber exceptThisOne (the writer's
// own mailbox) is not told.
BOOLEAN H_DATABASE_bUpdateValueU32Except(FOURCHARID id, U32 value, U32 u32Priority, MBOX exceptThisOne);

// Writes with attributes; a time-out of 0 keeps the item's time-out.
BOOLEAN H_DATABASE_bUpdateEverything(FOURCHARID id, DB_DATA_TYPE value, U32 u32Priority, DATA_TYPE DataType,
                                     const char* const* ppcText, U32 u32TimeOut);
BOOLEAN H_DATABASE_bUpdateEverythingU32(FOURCHARID id, U32 value, U32 u32Priority, DATA_TYPE DataType,
                                        const char* const* ppcText, U32 u32TimeOut);
BOOLEAN H_DATABASE_bUpdateEverythingS32(FOURCHARID id, S32 value, U32 u32Priority, DATA_TYPE DataType,
                                        const char* const* ppcText, U32 u32TimeOut);
BOOLEAN H_DATABASE_bUpdateEverythingFloat(FOURCHARID id, float value, U32 u32Priority, DATA_TYPE DataType,
                                          const char* const* ppcText, U32 u32TimeOut);
BOOLEAN H_DATABASE_bUpdateEverythingVoidPointer(FOURCHARID id, void* value, U32 u32Priority, DATA_TYPE DataType,
                                                const char* const* ppcText, U32 u32TimeOut);
BOOLEAN H_DATABASE_bUpdateEverythingBoolean(FOURCHARID id, BOOLEAN value, U32 u32Priority, DATA_TYPE DataType,
                                            const char* const* ppcText, U32 u32TimeOut);

// TRUE when the item exists and holds a written value; then copies the value,
// whether it is within its time-out, and its attributes into the pointers
// that are not null. FALSE otherwise: *pbValid (when given) becomes FALSE and
// the value and attributes are left as they were.
BOOLEAN H_DATABASE_bFetch(FOURCHARID id, DB_DATA_TYPE* pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra);
BOOLEAN H_DATABASE_bFetchU32(FOURCHARID id, U32* pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra);
BOOLEAN H_DATABASE_bFetchS32(FOURCHARID id, S32* pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra);
BOOLEAN H_DATABASE_bFetchFloat(FOURCHARID id, float* pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra);
BOOLEAN H_DATABASE_bFetchVoidPointer(FOURCHARID id, void** pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra);
// Stores the low byte of the value word.
BOOLEAN H_DATABASE_bFetchBoolean(FOURCHARID id, BOOLEAN* pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra);
// Two values that belong together, read under one hold of RES_DATABASE: a
// writer that holds it across both (a fix's ILAT and ILON) is never seen
// half done. TRUE when both exist; *pbValid (when given) TRUE when both are
// also within their time-outs.
BOOLEAN H_DATABASE_bFetchPair(FOURCHARID idA, FOURCHARID idB, DB_DATA_TYPE* pA, DB_DATA_TYPE* pB, BOOLEAN* pbValid);

// Subscribes mbox to the item's notices: on a change of value (and the first
// write), on invalidation, on every taken write. Subscribing again replaces
// the conditions. Sends nothing now: fetch the value to know it. FALSE only
// when the heap has no node to spare.
BOOLEAN H_DATABASE_bRegisterForDataWithConditions(FOURCHARID id, MBOX mbox, BOOLEAN bChanged, BOOLEAN bInvalid,
                                                  BOOLEAN bUpdated);
// Removes every subscription of mbox to the item, written or not.
void H_DATABASE_vUnregisterMailbox(FOURCHARID id, MBOX mbox);

// A notice of the current value, whatever the conditions: for every written
// item mbox is subscribed to; for every written item of class cMatch (every
// written item when cMatch is 0).
void H_DATABASE_vSendMailboxAllRegisteredItems(MBOX mbox);
void H_DATABASE_vSendMailboxAllItemsBeginningWith(char cMatch, MBOX mbox);

// The next written item of the class: TRUE with its key, value, attributes
// and validity filled in; FALSE at the end, or at once when cMatch is not an
// upper-case letter. Safe while others write between calls.
BOOLEAN H_DATABASE_bFetchNextBeginningWith(MULTI_FETCH_CONTROL_STRUCTURE* pControl);

// The 2-second sweep: every written item that has gone stale since it was
// last written is marked invalid, and every subscriber with any condition
// gets one notice with bValid FALSE.
void H_DATABASE_vSendAllInvalidData(void);

// Marks a written item invalid and unowned (priority 16) and tells its
// subscribers. An item that was never written is a fatal error.
void H_DATABASE_vRelinquishOwnership(FOURCHARID id);

// Registers an item: a written item gets the attributes and its value is
// returned in *pValue; otherwise the item is created with the attributes and
// *pValue (the default) is written at u32Priority. No notice either way.
// pExtra may be null (no attributes).
void H_DATABASE_vReadOrSetDefault(FOURCHARID id, DB_DATA_TYPE* pValue, U32 u32Priority, DB_ATTRIBUTES* pExtra);

// Makes the item read as absent; the next write of any priority is taken.
// Its subscribers stay.
void H_DATABASE_vDeleteEntry(FOURCHARID id);

// The storage form of a data type; DF_ERROR (and a log line) for a type that
// has none.
DATA_FORMAT H_DATABASE_DataType(DATA_TYPE DataType);
// The units the user chose for a data type, U_NONE where there is no choice.
UNIT_TYPE H_DATABASE_CurrentUnits(DATA_TYPE DataType);
// The unit's short text in the language (a wide string for 22..26); an empty
// text, valid in both forms, for a unit without a text.
const char* H_DATABASE_pcUnitsString(UNIT_TYPE Units, U32 u32Language);
// On a domestic model: when the unit setting `id` does not hold one of the
// `count` units in pValidUnits, writes DefaultUnits at priority 2.
void H_DATABASE_vCheckForValidUnits(FOURCHARID id, const U32* pValidUnits, U8 count, UNIT_TYPE DefaultUnits);

// Debug and test builds stop at a key the key table has no row for; the
// database's own tests, which work with keys of their own making, allow
// them. No effect in other builds.
void H_DATABASE_vAllowKeysOutsideTable(BOOLEAN bAllow);
BOOLEAN H_DATABASE_bKeysOutsideTableAllowed(void);

// The clock of the time-outs, in milliseconds; monotonic, so a step of the
// calendar clock (the GPS sets it) neither ages nor renews any value. Tests
// step time-outs with a clock of their own; null restores the real one.
typedef U64 (*H_DATABASE_CLOCK)(void);
void H_DATABASE_vSetClock(H_DATABASE_CLOCK pfClock);

// A run of database calls from one thread under one hold of the database
// lock and one reading of the clock: the calls inside take neither again.
// Runs nest. Keep a run short and free of waits and of other locks, since
// every other task's database call waits for its end.
void H_DATABASE_vBeginRun(void);
void H_DATABASE_vEndRun(void);
