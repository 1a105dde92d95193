// File services: the base directory, a directory walker, closes that
// schedule a file-system sync, the clock setter, and the file calls through
// which the stores write, so that tests can give them a failing disk.
#pragma once

#include <dirent.h>
#include <stdio.h>
#include <sys/types.h>

#include "basetypes.h"

constexpr U8 FS_ATTR_DIRECTORY = 16;
constexpr U8 FS_ATTR_MISSING = 255;

struct tag_VELMORA_DIRENT {
  char full_name[256];    // "directory/entry"
  struct dirent* pDirent;
  U32 size;               // bytes
  U8 attr;                // FS_ATTR_DIRECTORY or 0
};
typedef tag_VELMORA_DIRENT VELMORA_DIRENT;

struct tag_VELMORA_DIR {
  char name[256];
  DIR* pDir;
  VELMORA_DIRENT mdirent;
};
typedef tag_VELMORA_DIR VELMORA_DIR;
typedef tag_VELMORA_DIR FS_DIR;

// Starts the sync thread once (it syncs at most every five seconds).
void LS_sync_vInit(void);
// Asks the sync thread for a file-system sync.
void LS_sync(void);
// File-system syncs the sync thread has made so far.
U32 LS_sync_u32Count(void);
int LS_fclose(FILE* stream);
// 1 when the next read would meet the end of the file.
int LS_feof(FILE* stream);

// Removes a file and syncs; 0 also when there was no such file, -1 on failure.
int FS_Remove(const char* name);
// Size in bytes, 0xFFFFFFFF when the stream cannot seek.
U32 FS_GetFileSize(FILE* stream);
// FS_ATTR_MISSING, FS_ATTR_DIRECTORY or 0.
U8 FS_GetFileAttributes(const char* path);
// Null when the directory cannot be opened. The result is a heap block.
VELMORA_DIR* FS_OpenDir(const char* path);
// The next entry other than "." and ".."; entries that cannot be examined
// are skipped. Null at the end.
VELMORA_DIRENT* FS_ReadDir(VELMORA_DIR* dir);
void FS_RewindDir(VELMORA_DIR* dir);
void FS_CloseDir(VELMORA_DIR* dir);
void FS_DirEnt2Name(const VELMORA_DIRENT* entry, char* destination);
void FS_DirEnt2Attr(const VELMORA_DIRENT* entry, U8* attr);
U32 FS_DirEnt2Size(const VELMORA_DIRENT* entry);

// ---------------------------------------------------------------------------
// File calls of the stores, and the faults a test can put into them
//
// The unit's stores (settings, waypoints, card files) open, write, flush,
// rename and remove their files through these calls, so that a test can give
// any of them a full disk, an I/O error, a short write or a read-only
// directory: tests run as root, where file permissions stop nothing. With no
// fault set each call is its system call, retried on EINTR.

// open(2), always close-on-exec; -1 with errno on failure.
int FS_nOpen(const char* path, int flags, mode_t mode);
// write(2); the bytes written, -1 with errno on failure.
ssize_t FS_nWrite(int fd, const void* pData, size_t size);
// pwrite(2); the bytes written, -1 with errno on failure.
ssize_t FS_nPWrite(int fd, const void* pData, size_t size, off_t offset);
// fsync(2); 0, or -1 with errno.
int FS_nFsync(int fd);
// Starts writing the file's changed pages to the medium without waiting
// (sync_file_range(2)); a later FS_nFsync then finds them under way. Only a
// hint: it forces nothing, and an error shows at the FS_nFsync.
void FS_vStartWriteback(int fd);
// rename(2); 0, or -1 with errno.
int FS_nRename(const char* from, const char* to);
// unlink(2); 0, or -1 with errno.
int FS_nUnlink(const char* path);

// The calls a fault can hit, as bits.
constexpr U32 FS_CALL_OPEN = 1;    // FS_nOpen
constexpr U32 FS_CALL_WRITE = 2;   // FS_nWrite and FS_nPWrite
constexpr U32 FS_CALL_SYNC = 4;    // FS_nFsync
constexpr U32 FS_CALL_RENAME = 8;  // FS_nRename
constexpr U32 FS_CALL_UNLINK = 16; // FS_nUnlink

enum FS_FAULT_KIND : U32 {
  FS_FAULT_NONE = 0,
  FS_FAULT_DISK_FULL,    // writes and syncs fail with ENOSPC
  FS_FAULT_IO_ERROR,     // every call fails with EIO
  FS_FAULT_SHORT_WRITE,  // a write moves only the first half of its bytes (rounded down) and returns that count
  FS_FAULT_READ_ONLY,    // opens for writing or creating, writes, renames and removals fail with EROFS
  FS_FAULT_NO_ACCESS,    // opens for writing or creating, renames and removals fail with EACCES
};

constexpr S32 FS_FAULT_UNTIL_CLEARED = -1;

struct FS_FAULT {
  FS_FAULT_KIND eKind;
  // Only paths that begin with this text (copied; a file's descriptor counts
  // under its path, a rename under either name); null: every path.
  const char* pcPathPrefix;
  // FS_CALL_ bits: only these of the calls the kind hits; 0: all of them.
  U32 u32Calls;
  // The fault ends after failing this many calls; FS_FAULT_UNTIL_CLEARED.
  S32 s32Times;
};

// Replaces any fault in force; null clears it. For tests only.
void FS_vSetFault(const FS_FAULT* pFault);
// Calls failed by faults since the last FS_vSetFault.
U32 FS_u32FaultHits(void);

// One call as a test's trace sees it, after it was made (or failed).
struct FS_TRACE_RECORD {
  U32 u32Call;          // one FS_CALL_ bit
  const char* pcPath;   // the file (of a descriptor: as the system names it); a rename's source
  const char* pcPathTo; // a rename's target, else null
  off_t offset;         // of FS_nPWrite, else 0
  size_t size;          // of a write, else 0
  ssize_t result;       // what the call returned
};
// Calls pfTrace after every file call, on the caller's thread; null stops.
// For tests only.
void FS_vSetTrace(void (*pfTrace)(const FS_TRACE_RECORD*));

// Sets the system clock (UTC seconds since 1970) when it is an hour or more
// off the last time set; smaller corrections are ignored. On a host rig the
// clock is never touched: the command is only logged.
void L_UTILS_vSetSysDate(S32 seconds);

// Shims of an older file-system interface.
int FS_X_OS_Lock(void);
int FS_X_OS_Unlock(void);
U32 FS_X_OS_GetDate(void);
U32 FS_X_OS_GetTime(void);
int FS_X_OS_Init(void);
int FS_X_OS_Exit(void);

// Board memory services that are plain here.
U32* H_MMU_pu32AllocateNonCachedArea(U32 size);
void H_MMU_vInit(void);
void H_MMU_vSetMTT(void);
void H_MMU_vDisableAll(void);
void H_RECSELECT_vConnectElementToReceiver(void);
