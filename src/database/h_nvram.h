// The NVR store: settings kept across power cycles in files of the base
// directory. Every key has a fixed slot, so the store needs no index: the
// slot file holds one 4-byte value per slot, the status-bit file says which
// slots hold one. Two raw blocks (sonar and personalisation data) sit in
// files of their own. The NVR task is the regular user; the factory test and
// the PC link also erase and flush directly.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "h_database.h"

enum NVRAM_FILENAMES_ED : U32 {
  nfSONAR_DATA = 0,     // "sonar.dat"
  nfPERSONAL_DATA = 1,  // "personal.dat"
  nfFCID_STATBIT = 2,   // "nvr_statbit.dat"
  nfFCID_ENTRIES = 3,   // "nvr_entries.dat"
  nfCOUNT = 4
};

enum NVR_STATE : U32 {
  STATE_ACTIVE = 1,            // the status file exists and is not empty
  STATE_HARDWARE_FAILURE = 2,  // the base directory is missing or is not a directory
  STATE_VIRGIN = 3,            // the status file is missing or empty
};

struct NVR_ENTRY {
  FOURCHARID id;
  DB_DATA_TYPE data;  // only the 32-bit word is stored
};

// Laid out by the tasks that own them; the store moves their bytes.
struct SONAR_DATA_BLOCK {
  U16 au16Data[254];
};
struct PERSONALIZATION_DATA_BLOCK {
  U16 au16Data[126];
};
static_assert(sizeof(SONAR_DATA_BLOCK) == 508);
static_assert(sizeof(PERSONALIZATION_DATA_BLOCK) == 252);

// Slots 0..46655 belong to the keys "S" + three base-36 digits; the three
// special keys follow.
constexpr U32 NVRAM_S_SLOTS = 46656;
constexpr U32 NVRAM_SLOTS = 46659;
constexpr U32 NVRAM_STATUS_WORDS = 1459;
constexpr U32 NVRAM_NO_SLOT = 0xFFFFFFFFu;

// At most this many marked slots: far above the settings the unit has (some
// hundreds), well below the items the database can hold. A status file that
// marks more is damage, and the store starts afresh.
constexpr U32 NVRAM_MAX_STORED = 1024;

// The store format this code writes, kept under NVER.
constexpr U32 NVRAM_VERSION = 0xFFFFFFF8u;

// Keys written to the store on every change, row by row; unused rows hold
// the end marker.
constexpr U32 NVRAM_HEADER_ROWS = 20;
constexpr FOURCHARID NVRAM_HEADER_END = 0xFFFFFFF0u;
inline constexpr FOURCHARID g_afcidNvramHeader[NVRAM_HEADER_ROWS] = {
    FCID("NVER"), FCID("CREV"), FCID("SCFO"), FCID("SMDL"), FCID("SENB"), FCID("SENU"), FCID("SEDB"),
    FCID("SEDU"), FCID("SEIB"), FCID("SEIU"), FCID("SETB"), FCID("SCOM"), FCID("SSTD"), FCID("SMAC"),
    NVRAM_HEADER_END, NVRAM_HEADER_END, NVRAM_HEADER_END, NVRAM_HEADER_END, NVRAM_HEADER_END, NVRAM_HEADER_END,
};

// The two codes that must accompany an erase.
constexpr U32 NVRAM_SCRATCH_CODE1 = 0x5A17C3E9u;
constexpr U32 NVRAM_SCRATCH_CODE2 = 0x0D4B92F6u;

// Creates the base and temporary directories and says what the store holds.
// Any file left open by an earlier run is closed, so the store is read afresh,
// and the header's second copy is read again. A status file marking more
// than NVRAM_MAX_STORED slots is damage: the slot files are emptied and the
// store is a virgin one. A status file missing or empty beside a slot file
// or a header copy, one cut short and one that marks too much are damage:
// counted, and the header keys the copy lacks are looked up in their slots.
NVR_STATE H_NVRAM_eInit(void);

// Stored settings lost since the process started: marked past the end of a
// slot file cut short when it was opened (their marks are dropped, so they
// read as not stored), or holding a value the key table refuses.
U32 H_NVRAM_u32LostSlots(void);
// Damage found since the process started, each finding once: a status file
// lost, cut short or marking too much, marks past the end of the slot file,
// a stored value the key table refuses. A caller compares the count before
// and after its start.
U32 H_NVRAM_u32Damage(void);

// The header keys but NVER and CREV (the unit's identity) are kept a second
// time, in a file no rebuild of the store touches. The value the copy holds
// for the key, or, after damage to the status file, the one its slot held;
// only a value the key table allows. FALSE when neither has one.
BOOLEAN H_NVRAM_bReadHeaderCopy(FOURCHARID id, DB_DATA_TYPE* pValue);
// The copy takes the store's values of its keys and goes to storage.
void H_NVRAM_vCopyHeader(void);

// The slot of a key; NVRAM_NO_SLOT (and a log line) for a key that has none:
// only "S" followed by three of 0-9 and A-Z, NVER, CREV and FFST have one.
U32 H_NVRAM_u32XlatID(FOURCHARID id);
// As H_NVRAM_u32XlatID, without the log line.
BOOLEAN H_NVRAM_bHasSlot(FOURCHARID id);
// The key of a slot; 0xFFFFFFFF beyond the last slot.
FOURCHARID H_NVRAM_fcidXlatNumber(U32 u32Slot);
// TRUE when the key stands in a header row.
BOOLEAN H_NVRAM_bIDInHeader(FOURCHARID id);

// Writes the value into the key's slot and marks the slot. FALSE when a file
// cannot be opened, the key has no slot, or the value or its mark could not
// be written. Nothing is flushed: call H_NVRAM_vFlashWriteBack after a batch.
BOOLEAN H_NVRAM_bWriteFCID(const NVR_ENTRY* pEntry);
// Reads the stored value of pEntry->id. On FALSE (not stored, no slot, a file
// fault) both id and data become 0xFFFFFFFF.
BOOLEAN H_NVRAM_bGetItemByID(NVR_ENTRY* pEntry);
// Reads header row u32ItemNumber (0..19); an unused row gives id 0xFFFFFFFF.
BOOLEAN H_NVRAM_bReadUnitHeaderEntry(U32 u32ItemNumber, NVR_ENTRY* pEntry);
// The next stored "S" slot (index 0 restarts the walk), in slot order.
BOOLEAN H_NVRAM_bReadSEntry(U32 index, NVR_ENTRY* pEntry);
// The next stored special slot (NVER, CREV, FFST); index 0 restarts.
BOOLEAN H_NVRAM_bReadFEntry(U32 index, NVR_ENTRY* pEntry);

// Whole-block transfers at offset 0, each forced to storage; TRUE only when
// every byte moved and the flush succeeded.
BOOLEAN H_NVRAM_bReadSonarData(SONAR_DATA_BLOCK* pData);
BOOLEAN H_NVRAM_bWriteSonarData(const SONAR_DATA_BLOCK* pData);
BOOLEAN H_NVRAM_bReadPersonalizationData(PERSONALIZATION_DATA_BLOCK* pData);
BOOLEAN H_NVRAM_bWritePersonalizationData(const PERSONALIZATION_DATA_BLOCK* pData);
BOOLEAN H_NVRAM_bReadBlock(U32 u32Index, U8* pData, U32 u32Size);
BOOLEAN H_NVRAM_bWriteBlock(U32 u32Index, const U8* pData, U32 u32Size);

// Forces the slot file and the status file to storage, and then the header's
// copy when one of its keys was written since.
void H_NVRAM_vFlashWriteBack(void);

// Erases the store (all four files and the header's copy) when given the two
// codes; any other pair changes nothing and gives FALSE. FALSE also when a
// file could not be removed.
BOOLEAN H_NVRAM_bScratchNVR(U32 u32Code1, U32 u32Code2);

// When the store holds fcid, writes its stored value into the database at
// priority 2.
void H_NVRAM_vVersionChangeFindAndSave(FOURCHARID fcid);

// Puts in place of the whole store one that holds exactly these entries and
// no blocks. Its files are made and flushed beside the old ones and renamed
// over them, the status file first. A process killed at any moment leaves the
// old store, the new one, or the new status file over the old slot file,
// which reads as the old store holding only the new one's keys, at their old
// values: so give a kept key its stored value. At most NVRAM_HEADER_ROWS
// entries, each with a slot. FALSE, with a log line, when the new store is
// not in place.
BOOLEAN H_NVRAM_bReplaceStore(const NVR_ENTRY* paEntries, U32 u32Count);
