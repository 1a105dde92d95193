// The NVR store files. The descriptors stay open once used; the status bits
// live in memory as a copy of the status file, so a read never has to
// go to the file to learn whether a slot holds a value.
//
// What a crash may leave. Day to day the store is changed in place, one slot
// at a time, each value by a single write of its 4 aligned bytes, and a
// slot's status bit is written only after its value is in the file. A process
// that dies at any point (the unit's watchdog, a fatal error, SIGKILL)
// therefore leaves every marked slot holding one whole value, the old one or
// the new one, and a slot marked for the first time only once its value is
// there; the kernel keeps every write that returned. Rewriting a fresh copy at
// every save would cost up to 186 KB of flash each time and would replace
// files that the factory test and the PC link reach through this module while
// the NVR task has them open. Only a change of the store's format, which
// empties the store but for a few keys, builds the new store beside the old
// and renames it into place: erasing first and writing the kept keys after
// would lose them to a crash in between. A store found damaged at start is
// emptied (see NVRAM_vDropSlotFiles); the unit's identity outlives that in a
// second copy (see "The header's second copy").

#include "h_nvram.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <mutex>

#include "dd_util.h"
#include "h_dbtable.h"
#include "u_crcst.h"
#include "linux_fs.h"
#include "linuxsvc.h"
#include "u_storefault.h"

static const char* const velmora_filenames[nfCOUNT] = {"sonar.dat", "personal.dat", "nvr_statbit.dat",
                                                       "nvr_entries.dat"};
// The status and slot files of a store being built to replace the store.
static const char* const NVRAM_NEW_STATBIT = "nvr_statbit.new";
static const char* const NVRAM_NEW_ENTRIES = "nvr_entries.new";
static const char* const NVRAM_NEW_HEADER_COPY = "nvr_header.new";
static int velmora_filehands[nfCOUNT] = {-1, -1, -1, -1};  // below 0: not open
static BOOLEAN velmora_filereadonly[nfCOUNT];                // open for reading only
// The status file of a store being built, kept here: a task's stack is small.
static U8 s_au8NewStatus[NVRAM_STATUS_WORDS * 4];

static U32 fcid_statbits[NVRAM_STATUS_WORDS];
// Whole slots the slot file held when it was opened; marks of slots beyond
// them were dropped then, and counted here for the whole run: the first
// open may not be the NVR task's.
static U32 s_u32SlotsAtOpen = NVRAM_SLOTS;
static U32 s_u32LostSlots;
// Damage found since the process started, each finding once.
static U32 s_u32Damage;

// The walk of H_NVRAM_bReadSEntry and H_NVRAM_bReadFEntry.
static U32 fcread_offset;  // current status word
static U32 fcread_offbit;  // mask of the current bit; 0 = the word is just begun
static U32 fcread_offbno;  // number of the current bit

static const FOURCHARID special_fcids[NVRAM_SLOTS - NVRAM_S_SLOTS] = {FCID("NVER"), FCID("CREV"), FCID("FFST")};

constexpr U32 NVRAM_LAST_S_WORD = NVRAM_S_SLOTS / 32 - 1;
constexpr U32 NVRAM_SPECIAL_WORD = NVRAM_STATUS_WORDS - 1;

// The factory test and the PC link erase and flush from their own threads:
// one lock, so that no descriptor is closed under a write that still uses
// its number. It nests, as the public operations call one another.
static std::recursive_mutex s_Lock;

// The header's second copy (at the end of this file).
static void NVRAM_vLoadHeaderCopy(void);
static BOOLEAN NVRAM_bHeaderCopyPresent(void);
static void NVRAM_vSalvageHeader(int fdEntries);
static void NVRAM_vCopyHeaderValue(FOURCHARID id, U32 u32Value);
static void NVRAM_vWriteHeaderCopy(void);
static BOOLEAN NVRAM_bRemoveHeaderCopy(void);

// The key as printable text for the log.
struct NVRAM_KEY_TEXT {
  char ac[5];
};

static NVRAM_KEY_TEXT NVRAM_KeyText(FOURCHARID id) {
  NVRAM_KEY_TEXT text;
  for (int i = 0; i < 4; i++) {
    char c = (char)((id >> (8 * i)) & 0xFF);
    text.ac[i] = (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  text.ac[4] = 0;
  return text;
}

static U32 NVRAM_u32GetLE(const U8* p) { return (U32)p[0] | (U32)p[1] << 8 | (U32)p[2] << 16 | (U32)p[3] << 24; }

static void NVRAM_vPutLE(U8* p, U32 value) {
  for (int i = 0; i < 4; i++) p[i] = (U8)(value >> (8 * i));
}

static DB_DATA_TYPE NVRAM_Value(U32 u32Raw) {
  DB_DATA_TYPE value;
  value.vpPointer = nullptr;
  value.RawData = u32Raw;
  return value;
}

static BOOLEAN NVRAM_bPath(const char* pcName, char* pcPath, size_t size) {
  int length = snprintf(pcPath, size, "%s/%s", L_UTILS_cpGetPathnamePtr(), pcName);
  if (length < 0 || (size_t)length >= size) {
    log_me("[%d]%s: path of %s too long", __LINE__, __func__, pcName);
    return FALSE;
  }
  return TRUE;
}

// "/tmp/velmora", under the rig directory on a development machine.
static void NVRAM_vTempDirectory(char* pcPath, size_t size) {
  const char* root = getenv("VELMORA_DEVROOT");
  snprintf(pcPath, size, "%s/tmp/velmora", root != nullptr ? root : "");
}

// The status words as the file holds them; a short file reads as zero bits
// beyond its end. Bits past the last special slot mark no slot: they are
// dropped here, and the file loses them at the next write of their word.
static void NVRAM_vLoadStatusWords(int fd) {
  U8 raw[NVRAM_STATUS_WORDS * 4];
  memset(raw, 0, sizeof raw);
  size_t got = 0;
  while (got < sizeof raw) {
    ssize_t n = pread(fd, raw + got, sizeof raw - got, (off_t)got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += (size_t)n;
  }
  for (U32 w = 0; w < NVRAM_STATUS_WORDS; w++) fcid_statbits[w] = NVRAM_u32GetLE(raw + 4 * w);
  fcid_statbits[NVRAM_SPECIAL_WORD] &= (1u << (NVRAM_SLOTS - NVRAM_S_SLOTS)) - 1;
}

static U32 NVRAM_u32Marked(void) {
  U32 count = 0;
  for (U32 word : fcid_statbits) count += (U32)std::popcount(word);
  return count;
}

// All the bytes at an offset; a short write goes on with the rest. FALSE
// when a write fails or moves nothing.
static BOOLEAN NVRAM_bPutAll(int fd, const U8* pData, U32 u32Size, U32 u32Offset) {
  U32 done = 0;
  while (done < u32Size) {
    ssize_t n = FS_nPWrite(fd, pData + done, u32Size - done, (off_t)(u32Offset + done));
    if (n <= 0) return FALSE;
    done += (U32)n;
  }
  return TRUE;
}

// A slot file cut short (a card pulled while the file grew, a copy cut off)
// has lost the values of its marked slots beyond its end. Read, they would be
// zeros, or whatever a later write's hole puts there, taken for settings:
// their marks go, in memory and in the status file, before anything can grow
// the slot file over them. The settings keep their defaults.
static void NVRAM_vDropMarksPastEnd(int fdStatus, BOOLEAN bReadOnly) {
  BOOLEAN bDropped = FALSE;
  for (U32 w = s_u32SlotsAtOpen / 32; w < NVRAM_STATUS_WORDS; w++) {
    const U32 first = 32 * w;
    const U32 keep = s_u32SlotsAtOpen <= first ? 0 : (U32)((1ull << (s_u32SlotsAtOpen - first)) - 1);
    const U32 lost = fcid_statbits[w] & ~keep;
    if (lost == 0) continue;
    fcid_statbits[w] &= keep;
    // The version and the code revision are written again at every start:
    // only settings count as lost.
    if (w <= NVRAM_LAST_S_WORD) s_u32LostSlots += (U32)std::popcount(lost);
    bDropped = TRUE;
    U8 raw[4];
    NVRAM_vPutLE(raw, fcid_statbits[w]);
    if (!bReadOnly && !NVRAM_bPutAll(fdStatus, raw, sizeof raw, 4 * w)) {
      log_me("[%d]%s: status word %u not mended: %s", __LINE__, __func__, w, strerror(errno));
    }
  }
  if (!bDropped) return;
  s_u32Damage++;
  if (!bReadOnly && FS_nFsync(fdStatus) != 0) {
    log_me("[%d]%s: status file not flushed: %s", __LINE__, __func__, strerror(errno));
  }
  log_me("[%d]%s: the slot file ends at slot %u: stored settings lost, back at their defaults", __LINE__, __func__,
         s_u32SlotsAtOpen);
}

// Whole slots in the slot file as it is now.
static U32 NVRAM_u32SlotsInFile(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || st.st_size < 0) return 0;
  const U64 slots = (U64)st.st_size / 4;
  return slots > NVRAM_SLOTS ? NVRAM_SLOTS : (U32)slots;
}

// The file's descriptor, opened on first use. A store that cannot be written
// (a read-only file system, no write access) is still read, so the unit keeps
// its settings: the file is opened for reading, and each writer tries again
// to open it for writing.
static int NVRAM_nOpen(NVRAM_FILENAMES_ED eFile, BOOLEAN bWrite) {
  const int fdOpen = velmora_filehands[eFile];
  if (fdOpen >= 0 && (!bWrite || !velmora_filereadonly[eFile])) return fdOpen;
  char path[512];
  if (!NVRAM_bPath(velmora_filenames[eFile], path, sizeof path)) return -1;
  int fd = FS_nOpen(path, O_RDWR | O_CREAT, 0666);
  BOOLEAN bReadOnly = FALSE;
  if (fd < 0) {
    const int error = errno;
    if (U_STOREFAULT_bReport(error, path)) {
      log_me("[%d]%s: cannot open %s: %s", __LINE__, __func__, path, strerror(error));
    }
    if (fdOpen >= 0) return -1;  // still read-only
    if (error != EROFS && error != EACCES) return -1;
    fd = FS_nOpen(path, O_RDONLY, 0);
    if (fd < 0) return -1;
    bReadOnly = TRUE;
  }
  if (fdOpen >= 0) {
    close(fdOpen);  // the same file, writable now; its status words are in memory
  } else if (eFile == nfFCID_ENTRIES) {
    s_u32SlotsAtOpen = NVRAM_u32SlotsInFile(fd);
  } else if (eFile == nfFCID_STATBIT) {
    NVRAM_vLoadStatusWords(fd);
    NVRAM_vDropMarksPastEnd(fd, bReadOnly);
  }
  velmora_filehands[eFile] = fd;
  velmora_filereadonly[eFile] = bReadOnly;
  return bReadOnly && bWrite ? -1 : fd;
}

U32 H_NVRAM_u32LostSlots(void) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  return s_u32LostSlots;
}

U32 H_NVRAM_u32Damage(void) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  return s_u32Damage;
}

static BOOLEAN NVRAM_bOpenSlotFiles(BOOLEAN bWrite) {
  return NVRAM_nOpen(nfFCID_ENTRIES, bWrite) >= 0 && NVRAM_nOpen(nfFCID_STATBIT, bWrite) >= 0;
}

static void NVRAM_vCloseAll(void) {
  for (U32 i = 0; i < nfCOUNT; i++) {
    if (velmora_filehands[i] >= 0) close(velmora_filehands[i]);
    velmora_filehands[i] = -1;
    velmora_filereadonly[i] = FALSE;
  }
  memset(fcid_statbits, 0, sizeof fcid_statbits);
  s_u32SlotsAtOpen = NVRAM_SLOTS;
  fcread_offset = 0;
  fcread_offbit = 0;
  fcread_offbno = 0;
}

// A status file that marks more slots than the unit has settings was not
// written by this code: an erased or overwritten sector reads as all bits
// set. Restoring it would fill the database with thousands of made-up
// settings until no task could get memory, at every start. The slot files are
// emptied instead, status file first, so that a crash on the way leaves a
// store that reads as empty, and the unit starts afresh.
static void NVRAM_vDropSlotFiles(void) {
  log_me("[%d]%s: the status file marks %u slots, more than %u: the store is damaged and starts afresh", __LINE__,
         __func__, NVRAM_u32Marked(), NVRAM_MAX_STORED);
  for (NVRAM_FILENAMES_ED eFile : {nfFCID_STATBIT, nfFCID_ENTRIES}) {
    if (ftruncate(velmora_filehands[eFile], 0) != 0) {
      log_me("[%d]%s: %s not emptied: %s", __LINE__, __func__, velmora_filenames[eFile], strerror(errno));
    }
  }
  memset(fcid_statbits, 0, sizeof fcid_statbits);
}

// One little-endian word at a byte offset: one write, unless the disk cuts it short.
static BOOLEAN NVRAM_bPutWord(NVRAM_FILENAMES_ED eFile, U32 u32Offset, U32 value) {
  U8 raw[4];
  NVRAM_vPutLE(raw, value);
  if (!NVRAM_bPutAll(velmora_filehands[eFile], raw, sizeof raw, u32Offset)) {
    const int error = errno;
    if (U_STOREFAULT_bReport(error, velmora_filenames[eFile])) {
      log_me("[%d]%s: %s at %u: %s", __LINE__, __func__, velmora_filenames[eFile], u32Offset, strerror(error));
    }
    return FALSE;
  }
  return TRUE;
}

static void NVRAM_vMakeDirectories(void) {
  char tmp[512];
  NVRAM_vTempDirectory(tmp, sizeof tmp);
  // 0777 less the umask: a directory needs its search bit to be of any use.
  for (const char* dir : {L_UTILS_cpGetPathnamePtr(), (const char*)tmp}) {
    if (mkdir(dir, 0777) != 0 && errno != EEXIST) {
      log_me("[%d]%s: cannot create %s: %s", __LINE__, __func__, dir, strerror(errno));
    }
  }
}

// ---------------------------------------------------------------------------
// Slots

static U32 NVRAM_u32Slot(FOURCHARID id) {
  for (U32 i = 0; i < NVRAM_SLOTS - NVRAM_S_SLOTS; i++) {
    if (special_fcids[i] == id) return NVRAM_S_SLOTS + i;
  }
  if ((id & 0xFF) != 'S') return NVRAM_NO_SLOT;
  U32 slot = 0;
  for (int i = 1; i < 4; i++) {
    U8 c = (U8)(id >> (8 * i));
    // Only true digits: a character read as 0 would share a slot with '0'.
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return NVRAM_NO_SLOT;
    slot = slot * 36 + DD_UTIL_XlatCapNumeric(c);
  }
  return slot;
}

U32 H_NVRAM_u32XlatID(FOURCHARID id) {
  U32 slot = NVRAM_u32Slot(id);
  if (slot == NVRAM_NO_SLOT) log_me("[%d]%s: key %s has no slot", __LINE__, __func__, NVRAM_KeyText(id).ac);
  return slot;
}

BOOLEAN H_NVRAM_bHasSlot(FOURCHARID id) { return NVRAM_u32Slot(id) != NVRAM_NO_SLOT; }

FOURCHARID H_NVRAM_fcidXlatNumber(U32 u32Slot) {
  if (u32Slot >= NVRAM_SLOTS) return 0xFFFFFFFFu;
  if (u32Slot >= NVRAM_S_SLOTS) return special_fcids[u32Slot - NVRAM_S_SLOTS];
  return (U32)'S' | (U32)DD_UTIL_FormCapNumeric(u32Slot / 1296 % 36) << 8 |
         (U32)DD_UTIL_FormCapNumeric(u32Slot / 36 % 36) << 16 | (U32)DD_UTIL_FormCapNumeric(u32Slot % 36) << 24;
}

BOOLEAN H_NVRAM_bIDInHeader(FOURCHARID id) {
  for (FOURCHARID row : g_afcidNvramHeader) {
    if (row == NVRAM_HEADER_END) break;
    if (row == id) return TRUE;
  }
  return FALSE;
}

// ---------------------------------------------------------------------------
// Initialise

// A status file lost or cut short has lost marks, never values: the slot
// file still holds the unit's identity, whose keys the start looks up there
// when their second copy cannot give them.
static void NVRAM_vStatusDamaged(const char* pcWhat) {
  log_me("[%d]%s: the status file %s: its settings are lost, back at their defaults", __LINE__, __func__, pcWhat);
  s_u32Damage++;
  char path[512];
  if (!NVRAM_bPath(velmora_filenames[nfFCID_ENTRIES], path, sizeof path)) return;
  const int fd = FS_nOpen(path, O_RDONLY, 0);
  if (fd < 0) return;
  NVRAM_vSalvageHeader(fd);
  close(fd);
}

// A store is new when none of its files holds anything: a status file
// missing or empty beside a slot file or a header copy was lost.
static BOOLEAN NVRAM_bFileHolds(NVRAM_FILENAMES_ED eFile) {
  char path[512];
  struct stat st;
  return NVRAM_bPath(velmora_filenames[eFile], path, sizeof path) && stat(path, &st) == 0 && st.st_size > 0;
}

NVR_STATE H_NVRAM_eInit(void) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  NVRAM_vCloseAll();
  NVRAM_vMakeDirectories();
  // What a replacement cut short left behind.
  for (const char* name : {NVRAM_NEW_STATBIT, NVRAM_NEW_ENTRIES, NVRAM_NEW_HEADER_COPY}) {
    char path[512];
    if (NVRAM_bPath(name, path, sizeof path)) FS_nUnlink(path);
  }

  struct stat st;
  if (stat(L_UTILS_cpGetPathnamePtr(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    log_me("[%d]%s: base directory %s unusable", __LINE__, __func__, L_UTILS_cpGetPathnamePtr());
    return STATE_HARDWARE_FAILURE;
  }
  NVRAM_vLoadHeaderCopy();
  char path[512];
  if (!NVRAM_bPath(velmora_filenames[nfFCID_STATBIT], path, sizeof path)) return STATE_HARDWARE_FAILURE;
  if (stat(path, &st) != 0 || st.st_size == 0) {
    if (NVRAM_bFileHolds(nfFCID_ENTRIES) || NVRAM_bHeaderCopyPresent()) NVRAM_vStatusDamaged("is missing or empty");
    return STATE_VIRGIN;
  }
  // Every status file this code writes has all its words: the version's
  // mark, in the last one, is written first.
  if (st.st_size < (off_t)sizeof fcid_statbits) NVRAM_vStatusDamaged("is cut short");
  if (NVRAM_bOpenSlotFiles(FALSE) && NVRAM_u32Marked() > NVRAM_MAX_STORED) {
    NVRAM_vStatusDamaged("marks more slots than the unit has settings");
    NVRAM_vDropSlotFiles();
    return STATE_VIRGIN;
  }
  return STATE_ACTIVE;
}

// ---------------------------------------------------------------------------
// Slot values

BOOLEAN H_NVRAM_bWriteFCID(const NVR_ENTRY* pEntry) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  if (!NVRAM_bOpenSlotFiles(TRUE)) return FALSE;
  U32 slot = H_NVRAM_u32XlatID(pEntry->id);
  if (slot == NVRAM_NO_SLOT) return FALSE;

  // The value first, its mark after (see the head of this file).
  if (!NVRAM_bPutWord(nfFCID_ENTRIES, 4 * slot, pEntry->data.RawData)) return FALSE;
  U32 word = slot / 32;
  U32 mask = 1u << (slot % 32);
  if ((fcid_statbits[word] & mask) == 0) {
    fcid_statbits[word] |= mask;
    if (!NVRAM_bPutWord(nfFCID_STATBIT, 4 * word, fcid_statbits[word])) {
      // The copy in memory stays the file's: the next write of this slot
      // tries the mark again.
      fcid_statbits[word] &= ~mask;
      return FALSE;
    }
  }
  NVRAM_vCopyHeaderValue(pEntry->id, pEntry->data.RawData);
  return TRUE;
}

static void NVRAM_vFail(NVR_ENTRY* pEntry) {
  pEntry->id = 0xFFFFFFFFu;
  pEntry->data = NVRAM_Value(0xFFFFFFFFu);
}

// The value of a slot whose status bit is set; the slot files are open.
static BOOLEAN H_NVRAM_bGetItemByNumber(U32 u32Slot, NVR_ENTRY* pEntry) {
  if ((fcid_statbits[u32Slot / 32] & (1u << (u32Slot % 32))) == 0) return FALSE;
  U8 raw[4];
  ssize_t n;
  do {
    n = pread(velmora_filehands[nfFCID_ENTRIES], raw, sizeof raw, (off_t)(4 * u32Slot));
  } while (n < 0 && errno == EINTR);
  if (n != (ssize_t)sizeof raw) {
    log_me("[%d]%s: slot %u unreadable", __LINE__, __func__, u32Slot);
    return FALSE;
  }
  pEntry->data = NVRAM_Value(NVRAM_u32GetLE(raw));
  return TRUE;
}

BOOLEAN H_NVRAM_bGetItemByID(NVR_ENTRY* pEntry) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  const FOURCHARID id = pEntry->id;
  const char cClass = FCID_cClass(id);
  U32 slot = NVRAM_NO_SLOT;
  if (cClass == 'F' || cClass == 'S' || H_NVRAM_bIDInHeader(id)) slot = H_NVRAM_u32XlatID(id);
  if (slot == NVRAM_NO_SLOT || !NVRAM_bOpenSlotFiles(FALSE) || !H_NVRAM_bGetItemByNumber(slot, pEntry)) {
    NVRAM_vFail(pEntry);
    return FALSE;
  }
  return TRUE;
}

BOOLEAN H_NVRAM_bReadUnitHeaderEntry(U32 u32ItemNumber, NVR_ENTRY* pEntry) {
  if (u32ItemNumber >= NVRAM_HEADER_ROWS) return FALSE;
  pEntry->id = g_afcidNvramHeader[u32ItemNumber];
  pEntry->data = NVRAM_Value(0);
  if (pEntry->id == NVRAM_HEADER_END) {
    pEntry->id = 0xFFFFFFFFu;
    return FALSE;
  }
  return H_NVRAM_bGetItemByID(pEntry);
}

// The next set status bit up to word u32LastWord, in slot order. A slot whose
// value cannot be read is passed over, so one bad sector does not hide the
// rest of the store.
static BOOLEAN H_NVRAM_bTryNextEntry(U32 u32LastWord, NVR_ENTRY* pEntry) {
  for (; fcread_offset <= u32LastWord; fcread_offset++, fcread_offbit = 0) {
    for (;;) {
      U32 from = fcread_offbit == 0 ? 0 : fcread_offbno + 1;
      U32 rest = from < 32 ? fcid_statbits[fcread_offset] & (0xFFFFFFFFu << from) : 0;
      if (rest == 0) break;
      fcread_offbno = (U32)std::countr_zero(rest);
      fcread_offbit = 1u << fcread_offbno;
      U32 slot = 32 * fcread_offset + fcread_offbno;
      pEntry->id = H_NVRAM_fcidXlatNumber(slot);
      if (H_NVRAM_bGetItemByNumber(slot, pEntry)) return TRUE;
    }
  }
  return FALSE;
}

// A stored value the key table does not allow (a key the unit has no row
// for, a number outside its range, a float that is not a number) is not
// restored: the setting keeps its factory value, and one the unit has is
// counted lost, for the user to hear of.
static BOOLEAN NVRAM_bRestorable(const NVR_ENTRY* pEntry) {
  const DB_CHECK eCheck = H_DBTABLE_eCheck(pEntry->id, pEntry->data.u32Val);
  if (eCheck == DBC_TAKEN || (eCheck == DBC_NO_KEY && H_DATABASE_bKeysOutsideTableAllowed())) return TRUE;
  log_me("[%d]%s: %s = 0x%08X not restored: %s", __LINE__, __func__, NVRAM_KeyText(pEntry->id).ac,
         (unsigned)pEntry->data.u32Val, H_DBTABLE_pcCheckText(eCheck));
  if (eCheck != DBC_NO_KEY) {
    s_u32LostSlots++;
    s_u32Damage++;
  }
  return FALSE;
}

static BOOLEAN NVRAM_bReadNext(U32 index, U32 u32FirstWord, U32 u32LastWord, NVR_ENTRY* pEntry) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  if (!NVRAM_bOpenSlotFiles(FALSE)) return FALSE;
  if (index == 0) {
    fcread_offset = u32FirstWord;
    fcread_offbit = 0;
  }
  while (H_NVRAM_bTryNextEntry(u32LastWord, pEntry)) {
    if (NVRAM_bRestorable(pEntry)) return TRUE;
  }
  return FALSE;
}

BOOLEAN H_NVRAM_bReadSEntry(U32 index, NVR_ENTRY* pEntry) {
  return NVRAM_bReadNext(index, 0, NVRAM_LAST_S_WORD, pEntry);
}

BOOLEAN H_NVRAM_bReadFEntry(U32 index, NVR_ENTRY* pEntry) {
  return NVRAM_bReadNext(index, NVRAM_SPECIAL_WORD, NVRAM_SPECIAL_WORD, pEntry);
}

// ---------------------------------------------------------------------------
// Blocks

static BOOLEAN NVRAM_bTransfer(NVRAM_FILENAMES_ED eFile, U8* pRead, const U8* pWrite, U32 u32Size) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  int fd = NVRAM_nOpen(eFile, pWrite != nullptr);
  if (fd < 0) return FALSE;
  U32 done = 0;
  while (done < u32Size) {
    ssize_t n = pWrite != nullptr ? FS_nPWrite(fd, pWrite + done, u32Size - done, (off_t)done)
                                  : pread(fd, pRead + done, u32Size - done, (off_t)done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += (U32)n;
  }
  BOOLEAN bSynced = FS_nFsync(fd) == 0;
  const int error = errno;
  if (pWrite != nullptr && eFile == nfFCID_STATBIT) NVRAM_vLoadStatusWords(fd);
  if (pWrite != nullptr && (done != u32Size || !bSynced) && !U_STOREFAULT_bReport(error, velmora_filenames[eFile])) {
    return FALSE;
  }
  if (done != u32Size || !bSynced) {
    log_me("[%d]%s: %s: %u of %u bytes%s", __LINE__, __func__, velmora_filenames[eFile], done, u32Size,
           bSynced ? "" : ", not flushed");
    return FALSE;
  }
  return TRUE;
}

BOOLEAN H_NVRAM_bReadBlock(U32 u32Index, U8* pData, U32 u32Size) {
  if (u32Index >= nfCOUNT || pData == nullptr) return FALSE;
  return NVRAM_bTransfer((NVRAM_FILENAMES_ED)u32Index, pData, nullptr, u32Size);
}

BOOLEAN H_NVRAM_bWriteBlock(U32 u32Index, const U8* pData, U32 u32Size) {
  if (u32Index >= nfCOUNT || pData == nullptr) return FALSE;
  return NVRAM_bTransfer((NVRAM_FILENAMES_ED)u32Index, nullptr, pData, u32Size);
}

BOOLEAN H_NVRAM_bReadSonarData(SONAR_DATA_BLOCK* pData) {
  return H_NVRAM_bReadBlock(nfSONAR_DATA, (U8*)pData, sizeof *pData);
}

BOOLEAN H_NVRAM_bWriteSonarData(const SONAR_DATA_BLOCK* pData) {
  return H_NVRAM_bWriteBlock(nfSONAR_DATA, (const U8*)pData, sizeof *pData);
}

BOOLEAN H_NVRAM_bReadPersonalizationData(PERSONALIZATION_DATA_BLOCK* pData) {
  return H_NVRAM_bReadBlock(nfPERSONAL_DATA, (U8*)pData, sizeof *pData);
}

BOOLEAN H_NVRAM_bWritePersonalizationData(const PERSONALIZATION_DATA_BLOCK* pData) {
  return H_NVRAM_bWriteBlock(nfPERSONAL_DATA, (const U8*)pData, sizeof *pData);
}

// ---------------------------------------------------------------------------
// Flush and erase

void H_NVRAM_vFlashWriteBack(void) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  for (NVRAM_FILENAMES_ED eFile : {nfFCID_ENTRIES, nfFCID_STATBIT}) {
    int fd = velmora_filehands[eFile];
    if (fd < 0 || FS_nFsync(fd) == 0) continue;
    const int error = errno;
    if (U_STOREFAULT_bReport(error, velmora_filenames[eFile])) {
      log_me("[%d]%s: %s not flushed: %s", __LINE__, __func__, velmora_filenames[eFile], strerror(error));
    }
  }
  // After the store: the copy never holds a value the store does not.
  NVRAM_vWriteHeaderCopy();
}

BOOLEAN H_NVRAM_bScratchNVR(U32 u32Code1, U32 u32Code2) {
  if (u32Code1 != NVRAM_SCRATCH_CODE1 || u32Code2 != NVRAM_SCRATCH_CODE2) {
    log_me("[%d]%s: refused, wrong codes", __LINE__, __func__);
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  // The copy first: an erase cut short leaves the store, which makes the
  // copy again, never a copy that brings an erased identity back.
  BOOLEAN bRemoved = NVRAM_bRemoveHeaderCopy();
  for (U32 i = 0; i < nfCOUNT; i++) {
    char path[512];
    if (!NVRAM_bPath(velmora_filenames[i], path, sizeof path) || FS_Remove(path) != 0) {
      log_me("[%d]%s: %s not removed: %s", __LINE__, __func__, velmora_filenames[i], strerror(errno));
      bRemoved = FALSE;
    }
  }
  NVRAM_vCloseAll();
  NVRAM_vMakeDirectories();
  log_me("[%d]%s: store erased", __LINE__, __func__);
  return bRemoved;
}

void H_NVRAM_vVersionChangeFindAndSave(FOURCHARID fcid) {
  NVR_ENTRY entry;
  entry.id = fcid;
  if (H_NVRAM_bGetItemByID(&entry)) H_DATABASE_bUpdateValue(fcid, entry.data, P_NORMAL);
}

// ---------------------------------------------------------------------------
// Replacing the store

// A new file holding u32Size bytes at offset 0 (none when pBytes is null) and
// the value of each entry at 4 times its slot, forced to storage.
static BOOLEAN NVRAM_bMakeFile(const char* pcPath, const U8* pBytes, U32 u32Size, const NVR_ENTRY* paEntries,
                               const U32* pau32Slots, U32 u32Count) {
  int fd = FS_nOpen(pcPath, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return FALSE;
  BOOLEAN bMade = pBytes == nullptr || NVRAM_bPutAll(fd, pBytes, u32Size, 0);
  for (U32 i = 0; bMade && i < u32Count; i++) {
    U8 raw[4];
    NVRAM_vPutLE(raw, paEntries[i].data.RawData);
    bMade = NVRAM_bPutAll(fd, raw, sizeof raw, 4 * pau32Slots[i]);
  }
  bMade = bMade && FS_nFsync(fd) == 0;
  int saved = errno;
  close(fd);
  errno = saved;
  return bMade;
}

// The renames reach storage only with their directory.
static BOOLEAN NVRAM_bSyncBaseDirectory(void) {
  int fd = FS_nOpen(L_UTILS_cpGetPathnamePtr(), O_RDONLY | O_DIRECTORY, 0);
  if (fd < 0) return FALSE;
  BOOLEAN bSynced = FS_nFsync(fd) == 0;
  close(fd);
  return bSynced;
}

BOOLEAN H_NVRAM_bReplaceStore(const NVR_ENTRY* paEntries, U32 u32Count) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  U32 slots[NVRAM_HEADER_ROWS];
  if (u32Count > NVRAM_HEADER_ROWS) {
    log_me("[%d]%s: %u entries, more than a new store takes", __LINE__, __func__, u32Count);
    return FALSE;
  }
  // Bit n of the status words is bit n mod 8 of byte n / 8, the words being little-endian.
  memset(s_au8NewStatus, 0, sizeof s_au8NewStatus);
  for (U32 i = 0; i < u32Count; i++) {
    slots[i] = H_NVRAM_u32XlatID(paEntries[i].id);
    if (slots[i] == NVRAM_NO_SLOT) return FALSE;
    s_au8NewStatus[slots[i] / 8] |= (U8)(1u << (slots[i] % 8));
  }

  char newStatus[512], newEntries[512], path[512];
  if (!NVRAM_bPath(NVRAM_NEW_STATBIT, newStatus, sizeof newStatus) ||
      !NVRAM_bPath(NVRAM_NEW_ENTRIES, newEntries, sizeof newEntries)) {
    return FALSE;
  }
  // The new files, complete and on storage, before any of the old goes.
  if (!NVRAM_bMakeFile(newStatus, s_au8NewStatus, sizeof s_au8NewStatus, nullptr, nullptr, 0) ||
      !NVRAM_bMakeFile(newEntries, nullptr, 0, paEntries, slots, u32Count)) {
    log_me("[%d]%s: new store not made: %s", __LINE__, __func__, strerror(errno));
    FS_nUnlink(newStatus);
    FS_nUnlink(newEntries);
    return FALSE;
  }
  NVRAM_vCloseAll();
  // The blocks go first: a crash before the renames leaves the old store,
  // whose blocks are about to go anyway.
  BOOLEAN bReplaced = TRUE;
  for (NVRAM_FILENAMES_ED eFile : {nfSONAR_DATA, nfPERSONAL_DATA}) {
    if (NVRAM_bPath(velmora_filenames[eFile], path, sizeof path) && FS_nUnlink(path) != 0 && errno != ENOENT) {
      bReplaced = FALSE;
    }
  }
  // The status file before the slot file: over the old slot file the new
  // marks name only slots whose old values are the kept ones, and the old
  // version, so the store still reads as the old one. The other order would
  // put the old marks over a slot file of zeros under the new version.
  for (NVRAM_FILENAMES_ED eFile : {nfFCID_STATBIT, nfFCID_ENTRIES}) {
    const char* pcFrom = eFile == nfFCID_STATBIT ? newStatus : newEntries;
    bReplaced =
        bReplaced && NVRAM_bPath(velmora_filenames[eFile], path, sizeof path) && FS_nRename(pcFrom, path) == 0;
  }
  if (!bReplaced) {
    log_me("[%d]%s: store not replaced: %s", __LINE__, __func__, strerror(errno));
    FS_nUnlink(newStatus);
    FS_nUnlink(newEntries);
    return FALSE;
  }
  if (!NVRAM_bSyncBaseDirectory()) {
    log_me("[%d]%s: base directory not flushed: %s", __LINE__, __func__, strerror(errno));
  }
  log_me("[%d]%s: store replaced, %u entries", __LINE__, __func__, u32Count);
  return TRUE;
}

// ---------------------------------------------------------------------------
// The header's second copy
//
// A unit that forgets its serial number runs as a burn-in unit for good, and
// one that forgets its model runs as another. The header keys but the
// version and the code revision (model, serial number and the rest of the
// unit's identity) are therefore kept a second time, in a file of their own
// that no rebuild of the store touches: records of key and value, then a
// CRC-32 of them, the file replaced whole (new file, flush, rename) at the
// flush after one of them changed. At start a key the store cannot give
// comes from here or, when the status file was lost, from its slot in the
// slot file, which usually still holds it. Only the erase removes the copy.

static const char* const NVRAM_HEADER_COPY = "nvr_header.dat";

struct NVRAM_COPY_ROW {
  U32 u32Value;
  BOOLEAN bHeld;
};
static NVRAM_COPY_ROW s_asCopy[NVRAM_HEADER_ROWS];  // by header row
static BOOLEAN s_bCopyChanged;                       // memory holds what the file does not
static BOOLEAN s_bCopyFile;                          // the file was there at the last load

// The header row of a kept key; NVRAM_HEADER_ROWS for any other.
static U32 NVRAM_u32CopyRow(FOURCHARID id) {
  if (id == FCID("NVER") || id == FCID("CREV") || id == NVRAM_HEADER_END) return NVRAM_HEADER_ROWS;
  for (U32 row = 0; row < NVRAM_HEADER_ROWS; row++) {
    if (g_afcidNvramHeader[row] == id) return row;
  }
  return NVRAM_HEADER_ROWS;
}

static BOOLEAN NVRAM_bAllowed(FOURCHARID id, U32 u32Value) { return H_DBTABLE_eCheck(id, u32Value) == DBC_TAKEN; }

// The file as it is; one that fails its length or its check holds nothing.
static void NVRAM_vLoadHeaderCopy(void) {
  memset(s_asCopy, 0, sizeof s_asCopy);
  s_bCopyChanged = FALSE;
  char path[512];
  const int fd = NVRAM_bPath(NVRAM_HEADER_COPY, path, sizeof path) ? FS_nOpen(path, O_RDONLY, 0) : -1;
  s_bCopyFile = fd >= 0;
  if (fd < 0) return;
  U8 raw[8 * NVRAM_HEADER_ROWS + 8];
  ssize_t n;
  do {
    n = pread(fd, raw, sizeof raw, 0);
  } while (n < 0 && errno == EINTR);
  close(fd);
  U32 words[2 * NVRAM_HEADER_ROWS + 1];
  const U32 count = n >= 4 && n % 8 == 4 && n < (ssize_t)sizeof raw ? (U32)(n / 4) : 0;
  for (U32 i = 0; i < count; i++) words[i] = NVRAM_u32GetLE(raw + 4 * i);
  if (count == 0 || U_CRCST_u32Calc(0xFFFFFFFFu, words, count - 1) != words[count - 1]) {
    log_me("[%d]%s: %s unreadable (%d bytes): it holds nothing", __LINE__, __func__, NVRAM_HEADER_COPY, (int)n);
    return;
  }
  for (U32 i = 0; i + 1 < count; i += 2) {
    const U32 row = NVRAM_u32CopyRow(words[i]);
    if (row < NVRAM_HEADER_ROWS && NVRAM_bAllowed(words[i], words[i + 1])) s_asCopy[row] = {words[i + 1], TRUE};
  }
}

static BOOLEAN NVRAM_bHeaderCopyPresent(void) { return s_bCopyFile; }

// The kept keys' slots read whatever their marks, for the keys the copy
// lacks. A slot never written reads as zero, so a zero is taken for one.
static void NVRAM_vSalvageHeader(int fdEntries) {
  for (U32 row = 0; row < NVRAM_HEADER_ROWS; row++) {
    const FOURCHARID id = g_afcidNvramHeader[row];
    if (NVRAM_u32CopyRow(id) != row || s_asCopy[row].bHeld) continue;
    U8 raw[4];
    if (pread(fdEntries, raw, sizeof raw, (off_t)(4 * NVRAM_u32Slot(id))) != (ssize_t)sizeof raw) continue;
    const U32 u32Value = NVRAM_u32GetLE(raw);
    if (u32Value == 0 || !NVRAM_bAllowed(id, u32Value)) continue;
    s_asCopy[row] = {u32Value, TRUE};
    log_me("[%d]%s: %s = 0x%08X found in its slot", __LINE__, __func__, NVRAM_KeyText(id).ac, (unsigned)u32Value);
  }
}

static void NVRAM_vCopyHeaderValue(FOURCHARID id, U32 u32Value) {
  const U32 row = NVRAM_u32CopyRow(id);
  if (row >= NVRAM_HEADER_ROWS || !NVRAM_bAllowed(id, u32Value)) return;
  if (s_asCopy[row].bHeld && s_asCopy[row].u32Value == u32Value) return;
  s_asCopy[row] = {u32Value, TRUE};
  s_bCopyChanged = TRUE;
}

static void NVRAM_vWriteHeaderCopy(void) {
  if (!s_bCopyChanged) return;
  U32 words[2 * NVRAM_HEADER_ROWS + 1];
  U32 count = 0;
  for (U32 row = 0; row < NVRAM_HEADER_ROWS; row++) {
    if (!s_asCopy[row].bHeld) continue;
    words[count++] = g_afcidNvramHeader[row];
    words[count++] = s_asCopy[row].u32Value;
  }
  words[count] = U_CRCST_u32Calc(0xFFFFFFFFu, words, count);
  count++;
  U8 raw[sizeof words];
  for (U32 i = 0; i < count; i++) NVRAM_vPutLE(raw + 4 * i, words[i]);
  char newPath[512], path[512];
  if (!NVRAM_bPath(NVRAM_NEW_HEADER_COPY, newPath, sizeof newPath) ||
      !NVRAM_bPath(NVRAM_HEADER_COPY, path, sizeof path)) {
    return;
  }
  if (!NVRAM_bMakeFile(newPath, raw, 4 * count, nullptr, nullptr, 0) || FS_nRename(newPath, path) != 0) {
    const int error = errno;
    if (U_STOREFAULT_bReport(error, NVRAM_HEADER_COPY)) {
      log_me("[%d]%s: %s not written: %s", __LINE__, __func__, NVRAM_HEADER_COPY, strerror(error));
    }
    FS_nUnlink(newPath);
    return;
  }
  if (!NVRAM_bSyncBaseDirectory()) {
    log_me("[%d]%s: base directory not flushed: %s", __LINE__, __func__, strerror(errno));
  }
  s_bCopyChanged = FALSE;
  s_bCopyFile = TRUE;
}

static BOOLEAN NVRAM_bRemoveHeaderCopy(void) {
  memset(s_asCopy, 0, sizeof s_asCopy);
  s_bCopyChanged = FALSE;
  s_bCopyFile = FALSE;
  char path[512];
  if (NVRAM_bPath(NVRAM_HEADER_COPY, path, sizeof path) && FS_Remove(path) != 0 && errno != ENOENT) {
    log_me("[%d]%s: %s not removed: %s", __LINE__, __func__, NVRAM_HEADER_COPY, strerror(errno));
    return FALSE;
  }
  return TRUE;
}

BOOLEAN H_NVRAM_bReadHeaderCopy(FOURCHARID id, DB_DATA_TYPE* pValue) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  const U32 row = NVRAM_u32CopyRow(id);
  if (row >= NVRAM_HEADER_ROWS || !s_asCopy[row].bHeld) return FALSE;
  *pValue = NVRAM_Value(s_asCopy[row].u32Value);
  return TRUE;
}

void H_NVRAM_vCopyHeader(void) {
  std::lock_guard<std::recursive_mutex> guard(s_Lock);
  if (!NVRAM_bOpenSlotFiles(FALSE)) return;
  for (FOURCHARID id : g_afcidNvramHeader) {
    NVR_ENTRY entry;
    entry.id = id;
    const U32 slot = NVRAM_u32CopyRow(id) < NVRAM_HEADER_ROWS ? NVRAM_u32Slot(id) : NVRAM_NO_SLOT;
    if (slot != NVRAM_NO_SLOT && H_NVRAM_bGetItemByNumber(slot, &entry)) NVRAM_vCopyHeaderValue(id, entry.data.RawData);
  }
  NVRAM_vWriteHeaderCopy();
}
