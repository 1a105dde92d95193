// The store's files: one file per waypoint slot, route and saved track,
// rewritten whole whenever its record changes, and the current track's
// journal of two files, appended a point at a time and replayed at start.
#pragma once

#include "basetypes.h"
#include "t_nav_records.h"

// The directories, as the board names them; with VELMORA_DEVROOT set they
// lie under that directory instead.
constexpr const char* NAV_DIR_WAYPOINTS = "/usr/velmora/wpts";
constexpr const char* NAV_DIR_ROUTES = "/usr/velmora/routes";
constexpr const char* NAV_DIR_TRACKS = "/usr/velmora/tracks";
constexpr const char* NAV_DIR_CURRENT_TRACK = "/usr/velmora/cr_track";
// Where an import stages the new record files.
constexpr const char* NAV_DIR_IMPORT = "/usr/velmora/import";

// The 8-byte head of every record file.
constexpr U32 NAV_FS_VERSION = 0x00024210;
constexpr U8 NAV_FILE_TRACK = 1;
constexpr U8 NAV_FILE_WAYPOINT = 2;
constexpr U8 NAV_FILE_ROUTE = 3;
constexpr U8 NAV_FILE_RECORD_VERSION = 3;
typedef struct tag_FILE_HEADER {
  U32 U32FSVersion;
  U8 u8Type;
  U8 u8Version;
  U16 u16Index;
} FILE_HEADER;
static_assert(sizeof(FILE_HEADER) == 8);

// The journal: a start record, then ring entries.
constexpr U32 NAV_JOURNAL_START_SIZE = 10;
constexpr U32 NAV_JOURNAL_ENTRY_SIZE = 6;
// Past this offset the next append begins a new file.
constexpr S32 NAV_JOURNAL_ROLL_OFFSET = 131019;
// The largest journal the replay reads.
constexpr U32 NAV_JOURNAL_MAX_SIZE = NAV_JOURNAL_ROLL_OFFSET + 1 + 3 * NAV_JOURNAL_ENTRY_SIZE;

// Creates the four directories that do not exist.
void T_NAV_NVRAM_vInit(void);
// Removes the four directories with everything in them; the journal starts
// afresh. Callers call T_NAV_NVRAM_vInit after it.
void T_NAV_NVRAM_vErase(void);
// The same for the three record directories: the journal stays.
void T_NAV_NVRAM_vEraseRecords(void);

// The checks of the start-up reader, for records from elsewhere too: FALSE
// for a record the tables cannot hold; icons above 82 become 0 and route
// points beyond the table 65535.
BOOLEAN T_NAV_NVRAM_bCheckWaypoint(WAYPOINT* p);
BOOLEAN T_NAV_NVRAM_bCheckRoute(ROUTE* p);
BOOLEAN T_NAV_NVRAM_bCheckTrackHeader(const TRACK_HEADER* p);

// A replacement of all record files at once (an import). Begin makes an
// empty staging area beside the record directories (FALSE when it cannot);
// the Stage writers put records there, forced to the medium (FALSE on a
// failure); Commit puts the staged directories in the place of the live
// ones, or, returning FALSE, leaves the live ones and drops the staging
// area; Abort drops it. A crash during a commit is finished by the next
// T_NAV_NVRAM_vRecover, one before it is undone: the store is the old one
// or the new one. The journal is not touched.
BOOLEAN T_NAV_NVRAM_bStageBegin(void);
BOOLEAN T_NAV_NVRAM_bStageWaypoint(const WAYPOINT* pWaypoint, U16 u16Index);
BOOLEAN T_NAV_NVRAM_bStageRoute(const ROUTE* pRoute, U16 u16Index);
// A track as its record file holds it (NAV_RECORD_TRACK_BYTES).
BOOLEAN T_NAV_NVRAM_bStageTrackRecord(const U8* pRecord, U16 u16Index);
BOOLEAN T_NAV_NVRAM_bStageCommit(void);
void T_NAV_NVRAM_vStageAbort(void);
// At start, before the record files are read: finishes or undoes a
// replacement a crash cut short.
void T_NAV_NVRAM_vRecover(void);

// The writers replace the record's file whole or not at all: on failure the
// old file stays and FALSE is returned (logged). In the point-of-sale state
// (or with no system state) they write nothing and return TRUE, unless
// bOverridePointOfSale. An index beyond its table: FALSE.
//
// A waypoint, group or route record written or removed by a thread that holds
// the navigation data lock is only prepared: FALSE then means the medium
// refused the new file. It is forced to the medium and put in place when the
// thread lets go of the lock altogether, in the order of the changes, and a
// failure there is reported as a store fault. Saved tracks, and every write
// made without the lock, are done at once.
BOOLEAN T_NAV_NVRAM_bSaveWaypoint(const WAYPOINT* pWaypoint, U16 u16Index, BOOLEAN bOverridePointOfSale);
BOOLEAN T_NAV_NVRAM_bSaveRoute(const ROUTE* pRoute, U16 u16Index, BOOLEAN bOverridePointOfSale);
BOOLEAN T_NAV_NVRAM_bSaveTrack(const TRACK* pTrack, U16 u16Index, BOOLEAN bOverridePointOfSale);
// Remove the record's file; a missing file is no failure.
// (The same waiting as the writers' applies.)
BOOLEAN T_NAV_NVRAM_bDeleteWaypoint(U16 u16Index, BOOLEAN bOverridePointOfSale);
BOOLEAN T_NAV_NVRAM_bDeleteRoute(U16 u16Index, BOOLEAN bOverridePointOfSale);
BOOLEAN T_NAV_NVRAM_bDeleteTrack(U16 u16Index, BOOLEAN bOverridePointOfSale);

// Puts every waiting record write in place now; FALSE when one failed.
BOOLEAN T_NAV_NVRAM_bFlush(void);
// The newest record write this thread has prepared under the lock (0: none),
// and whether a prepared write is known to have failed where it was put in
// place (asked once: the answer is forgotten).
U64 T_NAV_NVRAM_u64NewestWrite(void);
BOOLEAN T_NAV_NVRAM_bWriteFailed(U64 u64Write);
// The number of the newest record write any thread has prepared: taken
// just after the lock, the writes numbered after it until the lock is let
// go are this thread's. Whether any write numbered from after u64After up
// to u64Upto failed where it was put in place (asked once, as above).
U64 T_NAV_NVRAM_u64WritesNumbered(void);
BOOLEAN T_NAV_NVRAM_bWritesFailed(U64 u64After, U64 u64Upto);

// Reads every record file into the tables (3,000 slots, 50 routes, 50 track
// headers); *pnWaypointsUsed (when given) rises to one past the highest slot
// read. Files with a bad head, an index beyond its table or a record that
// fails its checks (short, counts, points, positions) are removed; icons
// above 82 become 0 and route points beyond the table 65535. Leftover
// temporary files of interrupted writes are removed.
void T_NAV_NVRAM_vScan(TRACK_HEADER* pTrackHeader, WAYPOINT* pWaypoint, S32* pnWaypointsUsed, ROUTE* pRoute);
// Takes mutex 38 and loads saved track nIndex into the one shared buffer; a
// missing or bad file gives an empty track. Always returns the buffer with
// the mutex held: call T_NAV_NVRAM_vReleaseTrack on every path.
TRACK* T_NAV_NVRAM_pLoadTrack(S32 nIndex);
void T_NAV_NVRAM_vReleaseTrack(void);
// Rises with every write, removal or replacement of saved-track files: a
// track loaded before is stale when it has moved.
U32 T_NAV_NVRAM_u32TrackChanges(void);

// Journals the current track's ring entry nDeltaIndex (and the two after it
// when bGapPoint); nLastDeltaIndex is the newest entry, 65535 for the first
// point of a track. Called for every new entry, oldest first, while the
// system runs normally. A failure is logged, and the next call begins a new
// file, so that the journal never holds a step from a point it lost.
void T_NAV_NVRAM_vAddCurrentTrackPoint(const TRACK* pTrack, U16 nDeltaIndex, const U16 nLastDeltaIndex,
                                       BOOLEAN bGapPoint);
// In the normal-run state: empties pTrack and replays both journal files
// into it. Otherwise nothing.
void T_NAV_NVRAM_vScanCurrentTrack(TRACK* pTrack);
// In the normal-run state: removes both journal files. Otherwise nothing.
void T_NAV_NVRAM_vEraseCurrentTrack(void);

// Replays one journal held in memory into pTrack; the bytes of the whole
// points taken, 0 when the file is to be removed (its start is no position).
U32 T_NAV_NVRAM_u32ReplayJournal(TRACK* pTrack, const U8* pData, U32 u32Size);
// Bytes in the file being appended.
S32 T_NAV_NVRAM_s32JournalOffset(void);
