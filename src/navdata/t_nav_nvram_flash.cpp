// The store's files, and the current track's journal.
//
// A record file is never rewritten in place: the new bytes go to a
// temporary file beside it, are forced to the medium, and replace the old
// file by a rename. A crash or a full disk therefore leaves the old record
// or the new one, never a truncated one, and a writer can tell its caller
// that the record was not kept. The rename itself reaches the medium with
// the sync thread's next round.
//
// Forcing a file to the medium takes milliseconds, and the records change
// under the navigation data lock, which chart drawing waits for. So a record
// written by a thread that holds the lock goes to its temporary file at once
// (a full or read-only medium is known while the table can still stay as it
// was), and the force and the rename wait until that thread lets go of the
// lock altogether: its outermost unlock runs them, outside the lock, in the
// order the changes were made under it. The files thus pass through the same
// states as if each write had finished before the next began. A waypoint's
// or route's removal waits its turn the same way. Saved tracks, which other
// tasks load back from their files, are written through at once.
//
// The journal is appended at the offset the replay found, not at the end of
// the file: a write cut short by a crash is then overwritten by the next
// one instead of shifting every later entry. The replay cuts such a tail off
// track.2 before anything is appended behind it.

#include "t_nav_nvram_flash.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <deque>
#include <mutex>
#include <vector>

#include "dd_devpath.h"
#include "h_database.h"
#include "linux_fs.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "system_state.h"
#include "t_nav_data.h"
#include "u_storefault.h"

static const char* const NVRAM_TEMP_SUFFIX = ".tmp";
// Paths stay short ("/usr/velmora/wpts/2999" under a rig directory), and a
// task's stack is small: a path that does not fit is a failure, logged.
constexpr size_t NVRAM_PATH_SIZE = 256;
static const char* const NVRAM_JOURNAL_OLD = "track.1";
static const char* const NVRAM_JOURNAL_NEW = "track.2";

// The one shared saved-track buffer (mutex 38), and the journal being read:
// both far too large for a task's stack.
static TRACK s_sTrack;
static U8 s_au8Journal[NAV_JOURNAL_MAX_SIZE + 1];

static S32 s_currentTrackOffset;
// An append failed: the next one begins a new file.
static BOOLEAN s_bJournalBroken;

// ---------------------------------------------------------------------------
// Paths and plain file work

static BOOLEAN NVRAM_bPath(const char* pcDir, const char* pcName, char* pcPath, size_t size) {
  char dir[NVRAM_PATH_SIZE];
  const int length = DD_DEVPATH_pcResolve(pcDir, dir, sizeof dir) == nullptr ? -1
                     : pcName != nullptr                                  ? snprintf(pcPath, size, "%s/%s", dir, pcName)
                                                                          : snprintf(pcPath, size, "%s", dir);
  if (length < 0 || (size_t)length >= size) {
    log_me("[%d]%s: the path of %s is too long\n", __LINE__, __func__, pcDir);
    return FALSE;
  }
  return TRUE;
}

static BOOLEAN NVRAM_bRecordPath(const char* pcDir, U32 u32Index, char* pcPath, size_t size) {
  char name[16];
  snprintf(name, sizeof name, "%u", u32Index);
  return NVRAM_bPath(pcDir, name, pcPath, size);
}

static BOOLEAN NVRAM_bPutAll(int fd, const void* pData, size_t size, off_t offset, BOOLEAN bAtOffset) {
  const U8* p = (const U8*)pData;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = bAtOffset ? FS_nPWrite(fd, p + done, size - done, offset + (off_t)done)
                                : FS_nWrite(fd, p + done, size - done);
    if (n <= 0) return FALSE;
    done += (size_t)n;
  }
  return TRUE;
}

// Bytes from the descriptor's start, up to size.
static ssize_t NVRAM_nReadFd(int fd, void* pData, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(fd, (U8*)pData + done, size - done, (off_t)done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += (size_t)n;
  }
  return (ssize_t)done;
}

// The same from a file; -1 when it cannot be opened.
static ssize_t NVRAM_nReadFile(const char* pcPath, void* pData, size_t size) {
  const int fd = open(pcPath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  const ssize_t done = NVRAM_nReadFd(fd, pData, size);
  close(fd);
  return done;
}

// Writes the two pieces to a new file at pcTemp, leaving its descriptor open
// in *pFd when one is given, else closed. FALSE (reported) leaves no file.
// A record of at most this many bytes with its header goes in one write.
constexpr size_t NVRAM_ONE_WRITE = 256;

static BOOLEAN NVRAM_bWriteTemp(const char* pcTemp, const void* pHead, size_t headSize, const void* pBody,
                                size_t bodySize, const char* pcWhat, int* pFd) {
  const int fd = FS_nOpen(pcTemp, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  BOOLEAN bDone = fd >= 0;
  if (bDone && headSize + bodySize <= NVRAM_ONE_WRITE) {
    U8 au8Record[NVRAM_ONE_WRITE];
    memcpy(au8Record, pHead, headSize);
    if (bodySize != 0) memcpy(au8Record + headSize, pBody, bodySize);
    bDone = NVRAM_bPutAll(fd, au8Record, headSize + bodySize, 0, FALSE);
  } else {
    bDone = bDone && NVRAM_bPutAll(fd, pHead, headSize, 0, FALSE) && NVRAM_bPutAll(fd, pBody, bodySize, 0, FALSE);
  }
  if (fd >= 0 && (!bDone || pFd == nullptr) && close(fd) != 0) bDone = FALSE;
  if (!bDone) {
    const int error = errno;
    if (fd >= 0) FS_nUnlink(pcTemp);
    if (U_STOREFAULT_bReport(error, pcWhat)) log_me("[%d]%s: %s not written: %s\n", __LINE__, __func__, pcWhat, strerror(error));
    return FALSE;
  }
  if (pFd != nullptr) *pFd = fd;
  return TRUE;
}

// Forces the finished temporary file to the medium, through fdOpen when it
// is still open (-1 when not; closed here); 0, or the errno of the failure,
// the temporary file then gone.
static int NVRAM_nForceTemp(const char* pcTemp, int fdOpen) {
  const int fd = fdOpen >= 0 ? fdOpen : FS_nOpen(pcTemp, O_WRONLY, 0);
  BOOLEAN bDone = fd >= 0 && FS_nFsync(fd) == 0;
  int error = errno;
  if (fd >= 0 && close(fd) != 0 && bDone) {
    bDone = FALSE;
    error = errno;
  }
  if (!bDone) {
    FS_nUnlink(pcTemp);
    return error != 0 ? error : EIO;
  }
  return 0;
}

// Renames the forced temporary file over pcPath; 0, or the errno of the
// failure, the temporary file then gone.
static int NVRAM_nPlaceTemp(const char* pcTemp, const char* pcPath) {
  if (FS_nRename(pcTemp, pcPath) != 0) {
    const int error = errno;
    FS_nUnlink(pcTemp);
    return error != 0 ? error : EIO;
  }
  LS_sync();
  return 0;
}

static int NVRAM_nLandTemp(const char* pcTemp, const char* pcPath, int fdOpen) {
  const int error = NVRAM_nForceTemp(pcTemp, fdOpen);
  return error != 0 ? error : NVRAM_nPlaceTemp(pcTemp, pcPath);
}

static int NVRAM_nRemove(const char* pcPath) {
  if (FS_nUnlink(pcPath) != 0 && errno != ENOENT) return errno;
  LS_sync();
  return 0;
}

static void NVRAM_vReportLanding(int error, const char* pcPath) {
  if (U_STOREFAULT_bReport(error, pcPath)) log_me("[%d]%s: %s not kept: %s\n", __LINE__, __func__, pcPath, strerror(error));
}

// ---------------------------------------------------------------------------
// Record writes waiting for the lock to be let go

typedef struct tag_NVRAM_STEP {
  U64 u64Seq;
  BOOLEAN bRemove;
  int fd;  // the temporary file's, kept open while few steps wait; -1 closed
  char acPath[NVRAM_PATH_SIZE];
  char acTemp[NVRAM_PATH_SIZE];  // the new record, complete; empty for a removal
} NVRAM_STEP;

constexpr size_t NVRAM_FAILURES_KEPT = 64;
// A long run of waiting steps reopens its files to force them rather than
// hold a descriptor each.
constexpr size_t NVRAM_OPEN_STEPS = 16;
// Steps landed together: a mark's few, kept small for a task's stack.
constexpr size_t NVRAM_BATCH_STEPS = 4;

static std::mutex s_queueLock;  // the queue, the numbering and the failures
static std::mutex s_landLock;   // one thread lands steps at a time, oldest first
static std::deque<NVRAM_STEP> s_queue;
static U64 s_u64Numbered;
static std::atomic<U64> s_u64Landed{0};  // every step up to it is in place or failed
static std::vector<U64> s_au64Failed;    // the newest failed steps
static thread_local U64 s_u64MyNewest;   // this thread's newest step
static thread_local BOOLEAN s_bLanding;  // a report's own lock and unlock must not land again

// TRUE when this thread holds the navigation data lock.
static BOOLEAN NVRAM_bHeldHere(void) {
  const ERC rc = L_MUTEX_Lock(RES_NAV_DATA);
  if (rc == -lsMUTEX_NESTED || rc == 0) L_MUTEX_Unlock(RES_NAV_DATA);
  return rc == -lsMUTEX_NESTED;
}

// Lands waiting steps, oldest first, until step u64Upto is in place
// (everything, for the largest number). FALSE when one of them failed; the
// failures are reported once no lock of the store is held.
//
// A mark changes two records. Both files start on their way to the medium,
// then each is forced, and only then are they renamed into place, in order:
// a rename changes the directory, which forcing a new file writes out again,
// so renaming between the forces would cost the second one a directory
// write. Each file is still forced before its own rename, and the renames
// keep their order, so a crash leaves the same states as landing one by one.
static BOOLEAN NVRAM_bLand(U64 u64Upto) {
  std::vector<std::pair<int, std::string>> failures;
  {
    std::lock_guard<std::mutex> landing(s_landLock);
    s_bLanding = TRUE;
    for (;;) {
      // A batch of steps, out of the queue; only this thread closes their
      // descriptors.
      std::array<NVRAM_STEP, NVRAM_BATCH_STEPS> asBatch;
      size_t count = 0;
      {
        std::lock_guard<std::mutex> guard(s_queueLock);
        while (count < asBatch.size() && !s_queue.empty() && s_queue.front().u64Seq <= u64Upto) {
          asBatch[count++] = s_queue.front();
          s_queue.pop_front();
        }
      }
      if (count == 0) break;
      std::array<int, NVRAM_BATCH_STEPS> aForced;
      for (size_t i = 0; i < count; i++) {
        if (!asBatch[i].bRemove) FS_vStartWriteback(asBatch[i].fd);
      }
      for (size_t i = 0; i < count; i++) {
        aForced[i] = asBatch[i].bRemove ? 0 : NVRAM_nForceTemp(asBatch[i].acTemp, asBatch[i].fd);
      }
      for (size_t i = 0; i < count; i++) {
        const NVRAM_STEP& step = asBatch[i];
        int error = aForced[i];
        if (error == 0) error = step.bRemove ? NVRAM_nRemove(step.acPath) : NVRAM_nPlaceTemp(step.acTemp, step.acPath);
        std::lock_guard<std::mutex> guard(s_queueLock);
        s_u64Landed = step.u64Seq;
        if (error != 0) {
          if (s_au64Failed.size() == NVRAM_FAILURES_KEPT) s_au64Failed.erase(s_au64Failed.begin());
          s_au64Failed.push_back(step.u64Seq);
          failures.emplace_back(error, step.acPath);
        }
      }
    }
    s_bLanding = FALSE;
  }
  for (const auto& f : failures) NVRAM_vReportLanding(f.first, f.second.c_str());
  return failures.empty();
}

// The navigation data lock's release hook: what this thread wrote under it.
static void NVRAM_vOnRelease(void) {
  if (!s_bLanding && s_u64MyNewest > s_u64Landed) NVRAM_bLand(s_u64MyNewest);
}

BOOLEAN T_NAV_NVRAM_bFlush(void) { return NVRAM_bLand(~(U64)0); }

U64 T_NAV_NVRAM_u64NewestWrite(void) { return s_u64MyNewest; }

BOOLEAN T_NAV_NVRAM_bWriteFailed(U64 u64Write) {
  std::lock_guard<std::mutex> guard(s_queueLock);
  for (size_t i = 0; i < s_au64Failed.size(); i++) {
    if (s_au64Failed[i] == u64Write) {
      s_au64Failed.erase(s_au64Failed.begin() + (ptrdiff_t)i);
      return TRUE;
    }
  }
  return FALSE;
}

U64 T_NAV_NVRAM_u64WritesNumbered(void) {
  std::lock_guard<std::mutex> guard(s_queueLock);
  return s_u64Numbered;
}

BOOLEAN T_NAV_NVRAM_bWritesFailed(U64 u64After, U64 u64Upto) {
  std::lock_guard<std::mutex> guard(s_queueLock);
  BOOLEAN bFailed = FALSE;
  for (size_t i = 0; i < s_au64Failed.size();) {
    if (s_au64Failed[i] > u64After && s_au64Failed[i] <= u64Upto) {
      s_au64Failed.erase(s_au64Failed.begin() + (ptrdiff_t)i);
      bFailed = TRUE;
    } else {
      i++;
    }
  }
  return bFailed;
}

// A write (pBody's record after pHead) or, with no head, a removal of the
// record file at pcPath. Under the lock it waits its turn; otherwise it is
// done at once, after any that wait. FALSE when it cannot be done (reported).
static BOOLEAN NVRAM_bChange(const char* pcPath, const void* pHead, size_t headSize, const void* pBody,
                             size_t bodySize, BOOLEAN bThrough) {
  const BOOLEAN bRemove = pHead == nullptr;
  if (bThrough || !NVRAM_bHeldHere()) {
    NVRAM_bLand(~(U64)0);
    char temp[NVRAM_PATH_SIZE];
    if (bRemove) {
      const int error = NVRAM_nRemove(pcPath);
      if (error != 0) NVRAM_vReportLanding(error, pcPath);
      return error == 0;
    }
    int fd = -1;
    if (snprintf(temp, sizeof temp, "%s%s", pcPath, NVRAM_TEMP_SUFFIX) >= (int)sizeof temp ||
        !NVRAM_bWriteTemp(temp, pHead, headSize, pBody, bodySize, pcPath, &fd)) {
      return FALSE;
    }
    const int error = NVRAM_nLandTemp(temp, pcPath, fd);
    if (error != 0) NVRAM_vReportLanding(error, pcPath);
    return error == 0;
  }
  // Set with every step: a service layer made again has a fresh hook table.
  L_MUTEX_vSetReleaseHook(RES_NAV_DATA, NVRAM_vOnRelease);
  NVRAM_STEP step;
  step.bRemove = bRemove;
  step.fd = -1;
  step.acTemp[0] = '\0';
  BOOLEAN bKeepOpen;
  {
    std::lock_guard<std::mutex> guard(s_queueLock);
    step.u64Seq = ++s_u64Numbered;
    bKeepOpen = s_queue.size() < NVRAM_OPEN_STEPS;
  }
  // Each step its own temporary file: a record may change again before the
  // first change lands.
  if (snprintf(step.acPath, sizeof step.acPath, "%s", pcPath) >= (int)sizeof step.acPath ||
      (!bRemove && snprintf(step.acTemp, sizeof step.acTemp, "%s.%llu%s", pcPath, (unsigned long long)step.u64Seq,
                            NVRAM_TEMP_SUFFIX) >= (int)sizeof step.acTemp)) {
    return FALSE;
  }
  if (!bRemove && !NVRAM_bWriteTemp(step.acTemp, pHead, headSize, pBody, bodySize, pcPath,
                                     bKeepOpen ? &step.fd : nullptr)) {
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(s_queueLock);
  s_queue.push_back(step);
  s_u64MyNewest = step.u64Seq;
  return TRUE;
}

static BOOLEAN NVRAM_bReplaceFile(const char* pcPath, const void* pHead, size_t headSize, const void* pBody,
                                  size_t bodySize) {
  return NVRAM_bChange(pcPath, pHead, headSize, pBody, bodySize, TRUE);
}

static BOOLEAN NVRAM_bRemove(const char* pcPath) { return NVRAM_bChange(pcPath, nullptr, 0, nullptr, 0, TRUE); }

// Every missing directory of the path, as mkdir -p does.
static void NVRAM_vMakeDirectories(const char* pcPath) {
  char path[NVRAM_PATH_SIZE];
  snprintf(path, sizeof path, "%s", pcPath);
  for (char* p = path + 1;; p++) {
    const BOOLEAN bEnd = *p == '\0';
    if (*p == '/' || bEnd) {
      *p = '\0';
      if (mkdir(path, 0777) != 0 && errno != EEXIST) {
        log_me("[%d]%s: cannot create %s: %s\n", __LINE__, __func__, path, strerror(errno));
        return;
      }
      if (bEnd) return;
      *p = '/';
    }
  }
}

static BOOLEAN NVRAM_bSystemState(U32 u32State) {
  U32 state;
  return H_DATABASE_bFetchU32(FCID("CCST"), &state, nullptr, nullptr) && state == u32State;
}

// Writes are skipped in the shop's demonstration state, and while the state
// is unknown.
static BOOLEAN NVRAM_bMayWrite(BOOLEAN bOverridePointOfSale) {
  U32 state;
  if (bOverridePointOfSale) return TRUE;
  return H_DATABASE_bFetchU32(FCID("CCST"), &state, nullptr, nullptr) && state != STATE_POINT_OF_SALE;
}

static U32 NVRAM_u32Le32(const U8* p) { return (U32)p[0] | (U32)p[1] << 8 | (U32)p[2] << 16 | (U32)p[3] << 24; }
static U16 NVRAM_u16Le16(const U8* p) { return (U16)(p[0] | p[1] << 8); }
static void NVRAM_vPutLe32(U8* p, U32 v) {
  for (int i = 0; i < 4; i++) p[i] = (U8)(v >> (8 * i));
}
static void NVRAM_vPutLe16(U8* p, U16 v) {
  p[0] = (U8)v;
  p[1] = (U8)(v >> 8);
}

// ---------------------------------------------------------------------------
// Directories

// Counts every write, removal or replacement of saved-track files, so that
// readers keeping a loaded track know when to load it again.
static std::atomic<U32> s_u32TrackChanges{0};

U32 T_NAV_NVRAM_u32TrackChanges(void) { return s_u32TrackChanges.load(); }

static const char* const s_apcDirectories[] = {NAV_DIR_WAYPOINTS, NAV_DIR_ROUTES, NAV_DIR_TRACKS,
                                               NAV_DIR_CURRENT_TRACK};

void T_NAV_NVRAM_vInit(void) {
  for (const char* dir : s_apcDirectories) {
    char path[NVRAM_PATH_SIZE];
    if (NVRAM_bPath(dir, nullptr, path, sizeof path) && FS_GetFileAttributes(path) != FS_ATTR_DIRECTORY) {
      NVRAM_vMakeDirectories(path);
    }
  }
}

// Removes every entry of a directory (and of the directories in it) and
// then the directory itself.
static void NVRAM_vRemoveTree(const char* pcPath, U32 u32Depth) {
  VELMORA_DIR* d = FS_OpenDir(pcPath);
  if (d != nullptr) {
    while (VELMORA_DIRENT* e = FS_ReadDir(d)) {
      if (e->attr == FS_ATTR_DIRECTORY && u32Depth > 0) {
        NVRAM_vRemoveTree(e->full_name, u32Depth - 1);
      } else {
        FS_nUnlink(e->full_name);
      }
    }
    FS_CloseDir(d);
  }
  if (rmdir(pcPath) != 0 && errno != ENOENT) log_me("[%d]%s: %s stays: %s\n", __LINE__, __func__, pcPath, strerror(errno));
}

static void NVRAM_vEraseDirectories(U32 u32Count) {
  NVRAM_bLand(~(U64)0);
  for (U32 i = 0; i < u32Count; i++) {
    char path[NVRAM_PATH_SIZE];
    if (NVRAM_bPath(s_apcDirectories[i], nullptr, path, sizeof path)) NVRAM_vRemoveTree(path, 0);
  }
  LS_sync();
}

void T_NAV_NVRAM_vErase(void) {
  NVRAM_vEraseDirectories(sizeof s_apcDirectories / sizeof s_apcDirectories[0]);
  s_u32TrackChanges++;
  // The next point of the current track begins a new journal with its own
  // start: entries appended behind a vanished one would lead nowhere.
  s_currentTrackOffset = 0;
  s_bJournalBroken = FALSE;
}

// The journal is the last directory of the list.
void T_NAV_NVRAM_vEraseRecords(void) {
  NVRAM_vEraseDirectories(sizeof s_apcDirectories / sizeof s_apcDirectories[0] - 1);
  s_u32TrackChanges++;
}

// ---------------------------------------------------------------------------
// Record files

static BOOLEAN NVRAM_bSave(const char* pcDir, U8 u8Type, U16 u16Index, U32 u32Limit, const void* pRecord,
                           size_t size, BOOLEAN bOverridePointOfSale) {
  const BOOLEAN bThrough = u8Type == NAV_FILE_TRACK;
  if (u16Index >= u32Limit || pRecord == nullptr) return FALSE;
  if (!NVRAM_bMayWrite(bOverridePointOfSale)) return TRUE;
  char path[NVRAM_PATH_SIZE];
  if (!NVRAM_bRecordPath(pcDir, u16Index, path, sizeof path)) return FALSE;
  U8 head[sizeof(FILE_HEADER)];
  NVRAM_vPutLe32(head, NAV_FS_VERSION);
  head[4] = u8Type;
  head[5] = NAV_FILE_RECORD_VERSION;
  NVRAM_vPutLe16(head + 6, u16Index);
  return NVRAM_bChange(path, head, sizeof head, pRecord, size, bThrough);
}

BOOLEAN T_NAV_NVRAM_bSaveWaypoint(const WAYPOINT* pWaypoint, U16 u16Index, BOOLEAN bOverridePointOfSale) {
  if (pWaypoint == nullptr) return FALSE;
  U8 record[NAV_RECORD_SLOT_BYTES];
  T_NAV_RECORDS_vPutSlot(record, pWaypoint);
  return NVRAM_bSave(NAV_DIR_WAYPOINTS, NAV_FILE_WAYPOINT, u16Index, NAV_MAX_WAYPOINTS, record, sizeof record,
                     bOverridePointOfSale);
}

BOOLEAN T_NAV_NVRAM_bSaveRoute(const ROUTE* pRoute, U16 u16Index, BOOLEAN bOverridePointOfSale) {
  if (pRoute == nullptr) return FALSE;
  U8 record[NAV_RECORD_ROUTE_BYTES];
  T_NAV_RECORDS_vPutRoute(record, pRoute);
  return NVRAM_bSave(NAV_DIR_ROUTES, NAV_FILE_ROUTE, u16Index, NAV_MAX_ROUTES, record, sizeof record,
                     bOverridePointOfSale);
}

BOOLEAN T_NAV_NVRAM_bSaveTrack(const TRACK* pTrack, U16 u16Index, BOOLEAN bOverridePointOfSale) {
  if (pTrack == nullptr) return FALSE;
  std::vector<U8> record(NAV_RECORD_TRACK_BYTES);
  T_NAV_RECORDS_vPutTrack(record.data(), pTrack);
  const BOOLEAN bDone = NVRAM_bSave(NAV_DIR_TRACKS, NAV_FILE_TRACK, u16Index, NAV_MAX_TRACKS, record.data(),
                                    record.size(), bOverridePointOfSale);
  s_u32TrackChanges++;
  return bDone;
}

static BOOLEAN NVRAM_bDelete(const char* pcDir, U16 u16Index, U32 u32Limit, BOOLEAN bOverridePointOfSale,
                             BOOLEAN bThrough) {
  if (u16Index >= u32Limit) return FALSE;
  if (!NVRAM_bMayWrite(bOverridePointOfSale)) return TRUE;
  char path[NVRAM_PATH_SIZE];
  return NVRAM_bRecordPath(pcDir, u16Index, path, sizeof path) &&
         NVRAM_bChange(path, nullptr, 0, nullptr, 0, bThrough);
}

BOOLEAN T_NAV_NVRAM_bDeleteWaypoint(U16 u16Index, BOOLEAN bOverridePointOfSale) {
  return NVRAM_bDelete(NAV_DIR_WAYPOINTS, u16Index, NAV_MAX_WAYPOINTS, bOverridePointOfSale, FALSE);
}

BOOLEAN T_NAV_NVRAM_bDeleteRoute(U16 u16Index, BOOLEAN bOverridePointOfSale) {
  return NVRAM_bDelete(NAV_DIR_ROUTES, u16Index, NAV_MAX_ROUTES, bOverridePointOfSale, FALSE);
}

BOOLEAN T_NAV_NVRAM_bDeleteTrack(U16 u16Index, BOOLEAN bOverridePointOfSale) {
  const BOOLEAN bDone = NVRAM_bDelete(NAV_DIR_TRACKS, u16Index, NAV_MAX_TRACKS, bOverridePointOfSale, TRUE);
  s_u32TrackChanges++;
  return bDone;
}

// ---------------------------------------------------------------------------
// The staged replacement of the record directories (an import)
//
// The new records are written into import/wpts, import/routes and
// import/tracks beside the live directories and forced to the medium. Only
// then is the marker import/commit made; from that moment the replacement
// is decided, and each live directory is moved to import/old_* and its
// staged one put in its place. A start that finds the marker finishes the
// moves; one that finds a staging area without it removes the area. So a
// crash at any moment leaves the old store or the new one.

static const char* const s_apcStaged[] = {"wpts", "routes", "tracks"};
static const char* const s_apcOld[] = {"old_wpts", "old_routes", "old_tracks"};
static const char* const NVRAM_COMMIT_MARKER = "commit";

static BOOLEAN NVRAM_bSyncDirectory(const char* pcPath) {
  const int fd = open(pcPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const BOOLEAN bDone = fd >= 0 && FS_nFsync(fd) == 0;
  if (fd >= 0) close(fd);
  return bDone;
}

static BOOLEAN NVRAM_bStagePath(const char* pcName, char* pcPath, size_t size) {
  return NVRAM_bPath(NAV_DIR_IMPORT, pcName, pcPath, size);
}

static BOOLEAN NVRAM_bExists(const char* pcPath) { return FS_GetFileAttributes(pcPath) != FS_ATTR_MISSING; }

// Puts each staged directory in the place of its live one. Safe to run
// again from any point it was cut at.
static void NVRAM_vFinishCommit(void) {
  for (U32 k = 0; k < 3; k++) {
    char staged[NVRAM_PATH_SIZE], old[NVRAM_PATH_SIZE], live[NVRAM_PATH_SIZE];
    if (!NVRAM_bStagePath(s_apcStaged[k], staged, sizeof staged) || !NVRAM_bStagePath(s_apcOld[k], old, sizeof old) ||
        !NVRAM_bPath(s_apcDirectories[k], nullptr, live, sizeof live) || !NVRAM_bExists(staged)) {
      continue;
    }
    if (NVRAM_bExists(live) && !NVRAM_bExists(old) && FS_nRename(live, old) != 0) {
      log_me("[%d]%s: %s not moved aside: %s\n", __LINE__, __func__, live, strerror(errno));
    }
    if (FS_nRename(staged, live) != 0) log_me("[%d]%s: %s not put in place: %s\n", __LINE__, __func__, live, strerror(errno));
  }
  char base[NVRAM_PATH_SIZE], import[NVRAM_PATH_SIZE];
  if (NVRAM_bPath("/usr/velmora", nullptr, base, sizeof base)) NVRAM_bSyncDirectory(base);
  if (NVRAM_bStagePath(nullptr, import, sizeof import)) NVRAM_vRemoveTree(import, 1);
  LS_sync();
}

void T_NAV_NVRAM_vRecover(void) {
  char import[NVRAM_PATH_SIZE], marker[NVRAM_PATH_SIZE];
  if (!NVRAM_bStagePath(nullptr, import, sizeof import) || !NVRAM_bExists(import) ||
      !NVRAM_bStagePath(NVRAM_COMMIT_MARKER, marker, sizeof marker)) {
    return;
  }
  if (NVRAM_bExists(marker)) {
    log_me("[%d]%s: finishing a replacement of the store\n", __LINE__, __func__);
    NVRAM_vFinishCommit();
    s_u32TrackChanges++;
  } else {
    log_me("[%d]%s: an unfinished import is dropped\n", __LINE__, __func__);
    NVRAM_vRemoveTree(import, 1);
  }
}

BOOLEAN T_NAV_NVRAM_bStageBegin(void) {
  char import[NVRAM_PATH_SIZE];
  if (!NVRAM_bStagePath(nullptr, import, sizeof import)) return FALSE;
  NVRAM_vRemoveTree(import, 1);
  BOOLEAN bDone = TRUE;
  for (const char* name : s_apcStaged) {
    char path[NVRAM_PATH_SIZE];
    bDone = bDone && NVRAM_bStagePath(name, path, sizeof path);
    if (bDone) NVRAM_vMakeDirectories(path);
    bDone = bDone && FS_GetFileAttributes(path) == FS_ATTR_DIRECTORY;
  }
  return bDone;
}

static BOOLEAN NVRAM_bStage(U32 u32Kind, U8 u8Type, U16 u16Index, U32 u32Limit, const void* pRecord, size_t size) {
  if (u16Index >= u32Limit || pRecord == nullptr) return FALSE;
  char dir[NVRAM_PATH_SIZE], name[16], path[NVRAM_PATH_SIZE];
  snprintf(name, sizeof name, "%u", u16Index);
  if (!NVRAM_bStagePath(s_apcStaged[u32Kind], dir, sizeof dir) ||
      snprintf(path, sizeof path, "%s/%s", dir, name) >= (int)sizeof path) {
    return FALSE;
  }
  U8 head[sizeof(FILE_HEADER)];
  NVRAM_vPutLe32(head, NAV_FS_VERSION);
  head[4] = u8Type;
  head[5] = NAV_FILE_RECORD_VERSION;
  NVRAM_vPutLe16(head + 6, u16Index);
  // The staging area is thrown away unless it is complete: no temporary file.
  const int fd = FS_nOpen(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  BOOLEAN bDone = fd >= 0 && NVRAM_bPutAll(fd, head, sizeof head, 0, FALSE) && NVRAM_bPutAll(fd, pRecord, size, 0, FALSE);
  bDone = bDone && FS_nFsync(fd) == 0;
  if (fd >= 0 && close(fd) != 0) bDone = FALSE;
  const int error = errno;
  if (!bDone && U_STOREFAULT_bReport(error, path)) {
    log_me("[%d]%s: %s not staged: %s\n", __LINE__, __func__, path, strerror(error));
  }
  return bDone;
}

BOOLEAN T_NAV_NVRAM_bStageWaypoint(const WAYPOINT* pWaypoint, U16 u16Index) {
  if (pWaypoint == nullptr) return FALSE;
  U8 record[NAV_RECORD_SLOT_BYTES];
  T_NAV_RECORDS_vPutSlot(record, pWaypoint);
  return NVRAM_bStage(0, NAV_FILE_WAYPOINT, u16Index, NAV_MAX_WAYPOINTS, record, sizeof record);
}

BOOLEAN T_NAV_NVRAM_bStageRoute(const ROUTE* pRoute, U16 u16Index) {
  if (pRoute == nullptr) return FALSE;
  U8 record[NAV_RECORD_ROUTE_BYTES];
  T_NAV_RECORDS_vPutRoute(record, pRoute);
  return NVRAM_bStage(1, NAV_FILE_ROUTE, u16Index, NAV_MAX_ROUTES, record, sizeof record);
}

BOOLEAN T_NAV_NVRAM_bStageTrackRecord(const U8* pRecord, U16 u16Index) {
  return NVRAM_bStage(2, NAV_FILE_TRACK, u16Index, NAV_MAX_TRACKS, pRecord, NAV_RECORD_TRACK_BYTES);
}

BOOLEAN T_NAV_NVRAM_bStageCommit(void) {
  char import[NVRAM_PATH_SIZE], marker[NVRAM_PATH_SIZE];
  if (!NVRAM_bStagePath(nullptr, import, sizeof import) || !NVRAM_bStagePath(NVRAM_COMMIT_MARKER, marker, sizeof marker)) {
    return FALSE;
  }
  // A waiting write would land in the directories that are about to go.
  BOOLEAN bDone = NVRAM_bLand(~(U64)0);
  for (const char* name : s_apcStaged) {
    char path[NVRAM_PATH_SIZE];
    bDone = bDone && NVRAM_bStagePath(name, path, sizeof path) && NVRAM_bSyncDirectory(path);
  }
  const U8 mark = 1;
  bDone = bDone && NVRAM_bReplaceFile(marker, &mark, sizeof mark, nullptr, 0) && NVRAM_bSyncDirectory(import);
  if (!bDone) {
    log_me("[%d]%s: the staged store is not taken\n", __LINE__, __func__);
    NVRAM_vRemoveTree(import, 1);
    return FALSE;
  }
  NVRAM_vFinishCommit();
  s_u32TrackChanges++;
  return TRUE;
}

void T_NAV_NVRAM_vStageAbort(void) {
  char import[NVRAM_PATH_SIZE];
  if (NVRAM_bStagePath(nullptr, import, sizeof import)) NVRAM_vRemoveTree(import, 1);
}

// ---------------------------------------------------------------------------
// The start-up reader. Files come from older software, other units and
// damaged media: a record is taken only when nothing in it can send a
// reader out of its tables.

static BOOLEAN NVRAM_bInMercator(POINT pt) {
  return pt.x >= -NV_X_LIMIT && pt.x <= NV_X_LIMIT && pt.y >= -NV_Y_LIMIT && pt.y <= NV_Y_LIMIT;
}

BOOLEAN T_NAV_NVRAM_bCheckWaypoint(WAYPOINT* p) {
  switch (p->u8Status) {
    case WPT_STATUS_SAVED:
    case WPT_STATUS_SAVED_2:
      if (p->u8Icon > NAV_MAX_ICON) p->u8Icon = 0;
      return NVRAM_bInMercator(p->pt);
    case WPT_STATUS_GROUP_HEADER:
    case WPT_STATUS_GROUP_BODY:
    case WPT_STATUS_GROUP_ANY:
      return TRUE;
    default:
      return FALSE;  // free and temporary slots are never written
  }
}

BOOLEAN T_NAV_NVRAM_bCheckRoute(ROUTE* p) {
  if (p->nCount > NAV_MAX_ROUTE_POINTS) return FALSE;
  for (U16& point : p->anWaypoint) {
    if (point >= NAV_MAX_WAYPOINTS) point = NAV_NONE;
  }
  return TRUE;
}

BOOLEAN T_NAV_NVRAM_bCheckTrackHeader(const TRACK_HEADER* p) {
  if (p->u16Count > TRACK_MAX_COUNT || p->u16FirstDelta >= TRACK_DELTA_ENTRIES) return FALSE;
  return p->u16Count == 0 || (NVRAM_bInMercator(p->ptFirst) && NVRAM_bInMercator(p->ptLast) &&
                              NVRAM_bInMercator(p->ptLowerLeft) && NVRAM_bInMercator(p->ptUpperRight));
}

typedef struct tag_NVRAM_SCAN {
  TRACK_HEADER* pTrackHeader;
  WAYPOINT* pWaypoint;
  S32* pnWaypointsUsed;
  ROUTE* pRoute;
} NVRAM_SCAN;

static void NVRAM_vDrop(const char* pcPath, const char* pcWhy) {
  log_me("[%d]%s: %s removed: %s\n", __LINE__, __func__, pcPath, pcWhy);
  FS_nUnlink(pcPath);
}

static void NVRAM_vReadRecordFile(const char* pcPath, U8 u8Expected, const NVRAM_SCAN* pScan) {
  // Large enough for a track's header; a track's ring is read when loaded.
  U8 data[sizeof(FILE_HEADER) + NAV_RECORD_ROUTE_BYTES];
  const int fd = open(pcPath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st;
  const off_t size = fstat(fd, &st) == 0 ? st.st_size : 0;
  const ssize_t got = NVRAM_nReadFd(fd, data, sizeof data);
  close(fd);
  if (got < (ssize_t)sizeof(FILE_HEADER) || NVRAM_u32Le32(data) != NAV_FS_VERSION) {
    NVRAM_vDrop(pcPath, "no record file");
    return;
  }
  const U8 u8Type = data[4];
  const U16 u16Index = NVRAM_u16Le16(data + 6);
  if (u8Type != u8Expected) return;  // not ours to judge here
  const U8* pRecord = data + sizeof(FILE_HEADER);
  const size_t available = (size_t)got - sizeof(FILE_HEADER);
  if (u8Type == NAV_FILE_WAYPOINT) {
    WAYPOINT w;
    if (u16Index >= NAV_MAX_WAYPOINTS) return NVRAM_vDrop(pcPath, "slot beyond the table");
    if (available < NAV_RECORD_SLOT_BYTES) return NVRAM_vDrop(pcPath, "short");
    T_NAV_RECORDS_vGetSlot(pRecord, &w);
    if (!T_NAV_NVRAM_bCheckWaypoint(&w)) return NVRAM_vDrop(pcPath, "status or position out of range");
    pScan->pWaypoint[u16Index] = w;
    T_NAV_DATA_vFixBadGravaneIcon(u16Index, data[5], &pScan->pWaypoint[u16Index]);
    if (pScan->pnWaypointsUsed != nullptr && *pScan->pnWaypointsUsed < u16Index + 1) {
      *pScan->pnWaypointsUsed = u16Index + 1;
    }
  } else if (u8Type == NAV_FILE_ROUTE) {
    ROUTE r;
    if (u16Index >= NAV_MAX_ROUTES) return NVRAM_vDrop(pcPath, "route beyond the table");
    if (available < NAV_RECORD_ROUTE_BYTES) return NVRAM_vDrop(pcPath, "short");
    T_NAV_RECORDS_vGetRoute(pRecord, &r);
    if (!T_NAV_NVRAM_bCheckRoute(&r)) return NVRAM_vDrop(pcPath, "more than 50 points");
    pScan->pRoute[u16Index] = r;
  } else {
    TRACK_HEADER h;
    if (u16Index >= NAV_MAX_TRACKS) return NVRAM_vDrop(pcPath, "track beyond the table");
    if (size < (off_t)(sizeof(FILE_HEADER) + NAV_RECORD_TRACK_BYTES)) return NVRAM_vDrop(pcPath, "short");
    T_NAV_RECORDS_vGetTrackHeader(pRecord, &h);
    if (!T_NAV_NVRAM_bCheckTrackHeader(&h)) return NVRAM_vDrop(pcPath, "count or position out of range");
    pScan->pTrackHeader[u16Index] = h;
  }
}

static BOOLEAN NVRAM_bIsTemporary(const char* pcName) {
  const size_t length = strlen(pcName), suffix = strlen(NVRAM_TEMP_SUFFIX);
  return length >= suffix && strcmp(pcName + length - suffix, NVRAM_TEMP_SUFFIX) == 0;
}

void T_NAV_NVRAM_vScan(TRACK_HEADER* pTrackHeader, WAYPOINT* pWaypoint, S32* pnWaypointsUsed, ROUTE* pRoute) {
  const NVRAM_SCAN scan = {pTrackHeader, pWaypoint, pnWaypointsUsed, pRoute};
  const struct {
    const char* pcDir;
    U8 u8Type;
    BOOLEAN bWanted;
  } passes[] = {{NAV_DIR_WAYPOINTS, NAV_FILE_WAYPOINT, pWaypoint != nullptr},
                {NAV_DIR_ROUTES, NAV_FILE_ROUTE, pRoute != nullptr},
                {NAV_DIR_TRACKS, NAV_FILE_TRACK, pTrackHeader != nullptr}};
  for (const auto& pass : passes) {
    char dir[NVRAM_PATH_SIZE];
    if (!pass.bWanted || !NVRAM_bPath(pass.pcDir, nullptr, dir, sizeof dir)) continue;
    VELMORA_DIR* d = FS_OpenDir(dir);
    if (d == nullptr) continue;
    while (VELMORA_DIRENT* e = FS_ReadDir(d)) {
      if (e->attr == FS_ATTR_DIRECTORY) continue;
      if (NVRAM_bIsTemporary(e->pDirent->d_name)) {
        NVRAM_vDrop(e->full_name, "left by an interrupted write");
        continue;
      }
      NVRAM_vReadRecordFile(e->full_name, pass.u8Type, &scan);
    }
    FS_CloseDir(d);
  }
}

TRACK* T_NAV_NVRAM_pLoadTrack(S32 nIndex) {
  L_MUTEX_LockWait(RES_STATIC_TRACK);
  char path[NVRAM_PATH_SIZE];
  U8 head[sizeof(FILE_HEADER)];
  BOOLEAN bLoaded = nIndex >= 0 && nIndex < (S32)NAV_MAX_TRACKS &&
                    NVRAM_bRecordPath(NAV_DIR_TRACKS, (U32)nIndex, path, sizeof path);
  if (bLoaded) {
    std::vector<U8> record(NAV_RECORD_TRACK_BYTES);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    bLoaded = fd >= 0 && NVRAM_nReadFd(fd, head, sizeof head) == (ssize_t)sizeof head &&
              pread(fd, record.data(), record.size(), sizeof head) == (ssize_t)record.size();
    if (fd >= 0) close(fd);
    if (bLoaded) T_NAV_RECORDS_vGetTrack(record.data(), &s_sTrack);
  }
  bLoaded = bLoaded && NVRAM_u32Le32(head) == NAV_FS_VERSION && head[4] == NAV_FILE_TRACK &&
            T_NAV_NVRAM_bCheckTrackHeader(&s_sTrack.sHeader);
  if (!bLoaded) U_NAV_vClearTrack(&s_sTrack.sHeader);
  return &s_sTrack;
}

void T_NAV_NVRAM_vReleaseTrack(void) { L_MUTEX_Unlock(RES_STATIC_TRACK); }

// ---------------------------------------------------------------------------
// Current-track journal

static BOOLEAN JOURNAL_bIs(const TRACK_DELTA_DEPTH_TRIPLE* e, S16 value) { return e->x == value && e->y == value; }

// The position of the point whose step is ring entry u32Target, walked back
// from the newest point; gap marker pairs move nothing. FALSE when the entry
// is not in the track.
static BOOLEAN JOURNAL_bPointAt(const TRACK* pTrack, U32 u32Target, POINT* pPoint) {
  const TRACK_HEADER* h = &pTrack->sHeader;
  *pPoint = h->ptLast;
  if (h->u16Count <= 1) return TRUE;
  const U32 first = h->u16FirstDelta % TRACK_DELTA_ENTRIES;
  const U32 target = (u32Target + TRACK_DELTA_ENTRIES - first) % TRACK_DELTA_ENTRIES + 1;
  if (target > (U32)h->u16Count - 1) return FALSE;
  for (U32 k = (U32)h->u16Count - 1; k > target; k--) {
    const TRACK_DELTA_DEPTH_TRIPLE* e = &pTrack->aDelta[(first + k - 1) % TRACK_DELTA_ENTRIES];
    if (JOURNAL_bIs(e, TRACK_GAP_SECOND)) {
      k--;  // and its first entry
      continue;
    }
    pPoint->x = U_NAV_nFoldX((S32)((S64)pPoint->x - e->x));
    pPoint->y = U_NAV_nClampY((S32)((S64)pPoint->y - e->y));
  }
  return TRUE;
}

static void JOURNAL_vPutEntry(U8* p, S16 x, S16 y, U16 u16Depth) {
  NVRAM_vPutLe16(p, (U16)x);
  NVRAM_vPutLe16(p + 2, (U16)y);
  NVRAM_vPutLe16(p + 4, u16Depth);
}

// Moves track.2 to track.1, so that track.2 can begin again.
static BOOLEAN JOURNAL_bRollOver(const char* pcOld, const char* pcNew) {
  if (FS_nUnlink(pcOld) != 0 && errno != ENOENT) return FALSE;
  return FS_nRename(pcNew, pcOld) == 0 || errno == ENOENT;
}

void T_NAV_NVRAM_vAddCurrentTrackPoint(const TRACK* pTrack, U16 nDeltaIndex, const U16 nLastDeltaIndex,
                                       BOOLEAN bGapPoint) {
  if (pTrack == nullptr || nDeltaIndex >= TRACK_DELTA_ENTRIES) return;
  char pathOld[NVRAM_PATH_SIZE], pathNew[NVRAM_PATH_SIZE];
  if (!NVRAM_bPath(NAV_DIR_CURRENT_TRACK, NVRAM_JOURNAL_OLD, pathOld, sizeof pathOld) ||
      !NVRAM_bPath(NAV_DIR_CURRENT_TRACK, NVRAM_JOURNAL_NEW, pathNew, sizeof pathNew)) {
    return;
  }
  const BOOLEAN bFirstPoint = nLastDeltaIndex == NAV_NONE;
  if (bFirstPoint) {
    // A new track: what the journal holds belongs to the one before.
    if (FS_nUnlink(pathOld) != 0 && errno != ENOENT && U_STOREFAULT_bReport(errno, pathOld)) {
      log_me("[%d]%s: %s stays\n", __LINE__, __func__, pathOld);
    }
    s_currentTrackOffset = 0;
  } else if (s_currentTrackOffset > NAV_JOURNAL_ROLL_OFFSET || (s_bJournalBroken && s_currentTrackOffset > 0)) {
    if (!JOURNAL_bRollOver(pathOld, pathNew)) {
      const int error = errno;
      if (U_STOREFAULT_bReport(error, pathNew)) {
        log_me("[%d]%s: journal not rolled over: %s\n", __LINE__, __func__, strerror(error));
      }
      s_bJournalBroken = TRUE;
      return;
    }
    s_currentTrackOffset = 0;
  }

  U8 bytes[NAV_JOURNAL_START_SIZE + 3 * NAV_JOURNAL_ENTRY_SIZE];
  U32 size = 0;
  int fd = -1;
  if (s_currentTrackOffset > 0) {
    fd = FS_nOpen(pathNew, O_WRONLY, 0);
    if (fd < 0 && errno == ENOENT) s_currentTrackOffset = 0;  // gone: begin it again
  }
  const BOOLEAN bFresh = s_currentTrackOffset == 0;
  if (bFresh) {
    // The start stands for the point of this entry (for a gap, of the step
    // after its marker), so that entries still waiting follow it.
    const U32 target = bGapPoint ? (nDeltaIndex + 2u) % TRACK_DELTA_ENTRIES : nDeltaIndex;
    POINT start;
    if (!JOURNAL_bPointAt(pTrack, target, &start)) {
      log_me("[%d]%s: entry %u is not in the track\n", __LINE__, __func__, nDeltaIndex);
      return;
    }
    const U16 depth = bFirstPoint || pTrack->sHeader.u16Count <= 1 ? 0 : pTrack->aDelta[target].u16Depth;
    NVRAM_vPutLe32(bytes, (U32)start.x);
    NVRAM_vPutLe32(bytes + 4, (U32)start.y);
    NVRAM_vPutLe16(bytes + 8, depth);
    size = NAV_JOURNAL_START_SIZE;
    if (bGapPoint) {
      JOURNAL_vPutEntry(bytes + size, TRACK_GAP_FIRST, TRACK_GAP_FIRST, depth);
      JOURNAL_vPutEntry(bytes + size + 6, TRACK_GAP_SECOND, TRACK_GAP_SECOND, depth);
      JOURNAL_vPutEntry(bytes + size + 12, 1, 1, depth);
      size += 3 * NAV_JOURNAL_ENTRY_SIZE;
    }
    fd = FS_nOpen(pathNew, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  } else {
    for (U32 i = 0; i < (bGapPoint ? 3u : 1u); i++) {
      const TRACK_DELTA_DEPTH_TRIPLE* e = &pTrack->aDelta[(nDeltaIndex + i) % TRACK_DELTA_ENTRIES];
      JOURNAL_vPutEntry(bytes + size, e->x, e->y, e->u16Depth);
      size += NAV_JOURNAL_ENTRY_SIZE;
    }
  }
  BOOLEAN bDone = fd >= 0 && NVRAM_bPutAll(fd, bytes, size, s_currentTrackOffset, TRUE);
  // Only the start is forced out at once; the sync thread follows the rest.
  if (bDone && bFresh) bDone = FS_nFsync(fd) == 0;
  const int error = errno;
  if (fd >= 0 && close(fd) != 0) bDone = FALSE;
  if (!bDone) {
    if (U_STOREFAULT_bReport(error, pathNew)) {
      log_me("[%d]%s: %s not appended: %s\n", __LINE__, __func__, pathNew, strerror(error));
    }
    s_bJournalBroken = TRUE;
    return;
  }
  s_currentTrackOffset += (S32)size;
  s_bJournalBroken = FALSE;
}

static void JOURNAL_vApply(TRACK* pTrack, const TRACK_DELTA_DEPTH_TRIPLE* e, BOOLEAN bGap) {
  const POINT last = pTrack->sHeader.ptLast;
  const POINT next = {U_NAV_nFoldX((S32)((S64)last.x + e->x)), U_NAV_nClampY((S32)((S64)last.y + e->y))};
  U_NAV_vAddTrackPoint(pTrack, next, e->u16Depth, bGap);
}

static TRACK_DELTA_DEPTH_TRIPLE JOURNAL_Entry(const U8* p) {
  return {(S16)NVRAM_u16Le16(p), (S16)NVRAM_u16Le16(p + 2), NVRAM_u16Le16(p + 4)};
}

U32 T_NAV_NVRAM_u32ReplayJournal(TRACK* pTrack, const U8* pData, U32 u32Size) {
  if (pTrack == nullptr || pData == nullptr || u32Size < NAV_JOURNAL_START_SIZE) return 0;
  const POINT start = {(S32)NVRAM_u32Le32(pData), (S32)NVRAM_u32Le32(pData + 4)};
  const U16 startDepth = NVRAM_u16Le16(pData + 8);
  // Also a file that begins with a gap marker instead of a start.
  if (!NVRAM_bInMercator(start)) return 0;
  BOOLEAN bStarted = FALSE;
  U32 at = NAV_JOURNAL_START_SIZE;
  U32 consumed = at;
  auto Start = [&](BOOLEAN bGap) {
    if (!bStarted) U_NAV_vAddTrackPoint(pTrack, start, startDepth, bGap);
    bStarted = TRUE;
  };
  const U32 E = NAV_JOURNAL_ENTRY_SIZE;
  while (at + E <= u32Size) {
    const TRACK_DELTA_DEPTH_TRIPLE e = JOURNAL_Entry(pData + at);
    if (JOURNAL_bIs(&e, TRACK_GAP_FIRST) && at + 2 * E <= u32Size) {
      const TRACK_DELTA_DEPTH_TRIPLE second = JOURNAL_Entry(pData + at + E);
      if (JOURNAL_bIs(&second, TRACK_GAP_SECOND)) {
        // A marker whose step was cut off moves nothing.
        if (at + 3 * E > u32Size) break;
        const TRACK_DELTA_DEPTH_TRIPLE step = JOURNAL_Entry(pData + at + 2 * E);
        at += 3 * E;
        consumed = at;
        if (!bStarted && JOURNAL_bIs(&step, 1)) {
          Start(TRUE);  // the start itself follows a gap
        } else {
          Start(FALSE);
          JOURNAL_vApply(pTrack, &step, TRUE);
        }
        continue;
      }
    }
    // Anything else, a lone first marker included, is an ordinary step; the
    // ordinary steps up to the next first marker go to the ring in bulk.
    Start(FALSE);
    if (JOURNAL_bIs(&e, TRACK_GAP_FIRST)) {
      at += E;
      JOURNAL_vApply(pTrack, &e, FALSE);
    } else {
      TRACK_DELTA_DEPTH_TRIPLE steps[256];
      U32 n = 0;
      for (; n < 256 && at + E <= u32Size; n++, at += E) {
        steps[n] = JOURNAL_Entry(pData + at);
        if (JOURNAL_bIs(&steps[n], TRACK_GAP_FIRST)) break;
      }
      U_NAV_vAddTrackSteps(pTrack, steps, n);
    }
    consumed = at;
  }
  // A file of its start alone (just begun, or rolled over) holds one point.
  Start(FALSE);
  return consumed;
}

// Replays one file; what it took, 0 for a missing, empty or removed file.
// With bAppended, a tail cut off by a crash is removed from the file, so
// that entries appended later follow the last whole one.
static U32 JOURNAL_u32ReplayFile(TRACK* pTrack, const char* pcPath, BOOLEAN bAppended) {
  const ssize_t size = NVRAM_nReadFile(pcPath, s_au8Journal, sizeof s_au8Journal);
  if (size <= 0) return 0;
  const U32 readable = (U32)size < NAV_JOURNAL_MAX_SIZE ? (U32)size : NAV_JOURNAL_MAX_SIZE;
  const U32 consumed = T_NAV_NVRAM_u32ReplayJournal(pTrack, s_au8Journal, readable);
  if (consumed == 0) {
    NVRAM_vDrop(pcPath, "its start is no position");
    return 0;
  }
  if (bAppended && consumed < (U32)size) {
    log_me("[%d]%s: %s cut to %u bytes\n", __LINE__, __func__, pcPath, consumed);
    if (!NVRAM_bReplaceFile(pcPath, s_au8Journal, consumed, nullptr, 0)) s_bJournalBroken = TRUE;
  }
  return consumed;
}

void T_NAV_NVRAM_vScanCurrentTrack(TRACK* pTrack) {
  if (pTrack == nullptr || !NVRAM_bSystemState(STATE_NORMAL_RUN)) return;
  char pathOld[NVRAM_PATH_SIZE], pathNew[NVRAM_PATH_SIZE];
  U_NAV_vClearTrack(&pTrack->sHeader);
  s_bJournalBroken = FALSE;
  if (!NVRAM_bPath(NAV_DIR_CURRENT_TRACK, NVRAM_JOURNAL_OLD, pathOld, sizeof pathOld) ||
      !NVRAM_bPath(NAV_DIR_CURRENT_TRACK, NVRAM_JOURNAL_NEW, pathNew, sizeof pathNew)) {
    return;
  }
  JOURNAL_u32ReplayFile(pTrack, pathOld, FALSE);
  s_currentTrackOffset = (S32)JOURNAL_u32ReplayFile(pTrack, pathNew, TRUE);
}

void T_NAV_NVRAM_vEraseCurrentTrack(void) {
  if (!NVRAM_bSystemState(STATE_NORMAL_RUN)) return;
  for (const char* name : {NVRAM_JOURNAL_OLD, NVRAM_JOURNAL_NEW}) {
    char path[NVRAM_PATH_SIZE];
    if (NVRAM_bPath(NAV_DIR_CURRENT_TRACK, name, path, sizeof path)) NVRAM_bRemove(path);
  }
  s_currentTrackOffset = 0;
  s_bJournalBroken = FALSE;
}

S32 T_NAV_NVRAM_s32JournalOffset(void) { return s_currentTrackOffset; }
