// File services of the service layer. The base directory is looked up once
// and kept; file closes only ask for a sync, which one thread makes at most
// every five seconds; and every file call of the stores passes one place
// where a test can make it fail as a failing disk would.

#include "linux_fs.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>

#include "h_memory.h"
#include "linuxsvc.h"

const char* L_UTILS_cpGetPathnamePtr(void) {
  // Looked up once: the base directory does not move under a running unit.
  static const std::string s_base = [] {
    const char* value = getenv("VELMORA_CWD");
    return std::string(value != nullptr && value[0] != '\0' ? value : "/usr/velmora");
  }();
  return s_base.c_str();
}

// ---------------------------------------------------------------------------
// The sync thread: a burst of closes costs one sync, syncs are five seconds apart.

static std::atomic<BOOLEAN> s_bSync;
static std::atomic<U32> s_u32Syncs;
static std::once_flag s_SyncOnce;

static void* LS_sync_vThread(void*) {
  pthread_detach(pthread_self());
  for (;;) {
    if (s_bSync.exchange(FALSE)) {
      sync();
      s_u32Syncs++;
      L_CLOCK_Sleep(5000);
    } else {
      L_CLOCK_Sleep(1000);
    }
  }
  return nullptr;
}

void LS_sync_vInit(void) {
  std::call_once(s_SyncOnce, [] { L_UTILS_threadCreateSimpleThread("sync", LS_sync_vThread, nullptr); });
}

void LS_sync(void) { s_bSync = TRUE; }

U32 LS_sync_u32Count(void) { return s_u32Syncs; }

int LS_fclose(FILE* stream) {
  int result = fclose(stream);
  LS_sync();
  return result;
}

int LS_feof(FILE* stream) {
  int c = fgetc(stream);
  if (c == EOF) return 1;
  fseek(stream, -1, SEEK_CUR);
  return 0;
}

// ---------------------------------------------------------------------------
// File calls and injected faults

struct FS_FAULT_STATE {
  FS_FAULT fault;
  std::string prefix;     // as given
  std::string canonical;  // the same with links resolved, to compare with descriptors' paths
  U32 u32Hits;
  void (*pfTrace)(const FS_TRACE_RECORD*);
};

static std::mutex s_FaultLock;
static FS_FAULT_STATE s_Faults;
// Set while a fault or a trace is in force: the plain path never takes the lock.
static std::atomic<bool> s_bWatched{false};

// What each kind of fault does, row by FS_FAULT_KIND: the calls it fails and
// the error they give.
struct FS_FAULT_ROW {
  U32 u32Calls;
  int error;
};
static const FS_FAULT_ROW s_aFaultRows[] = {
    {0, 0},                                                                             // FS_FAULT_NONE
    {FS_CALL_WRITE | FS_CALL_SYNC, ENOSPC},                                              // FS_FAULT_DISK_FULL
    {FS_CALL_OPEN | FS_CALL_WRITE | FS_CALL_SYNC | FS_CALL_RENAME | FS_CALL_UNLINK, EIO},  // FS_FAULT_IO_ERROR
    {FS_CALL_WRITE, 0},                                                                  // FS_FAULT_SHORT_WRITE
    {FS_CALL_OPEN | FS_CALL_WRITE | FS_CALL_RENAME | FS_CALL_UNLINK, EROFS},             // FS_FAULT_READ_ONLY
    {FS_CALL_OPEN | FS_CALL_RENAME | FS_CALL_UNLINK, EACCES},                            // FS_FAULT_NO_ACCESS
};
static_assert(sizeof s_aFaultRows / sizeof s_aFaultRows[0] == FS_FAULT_NO_ACCESS + 1);

// A path not yet there resolves through its directory; a closing slash stays.
static std::string FS_Canonical(const std::string& path) {
  if (path.empty()) return path;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) {
    return std::string(resolved) + (path.back() == '/' && strcmp(resolved, "/") != 0 ? "/" : "");
  }
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return path;
  if (realpath(path.substr(0, slash).c_str(), resolved) == nullptr) return path;
  return std::string(resolved) + path.substr(slash);
}

void FS_vSetFault(const FS_FAULT* pFault) {
  std::lock_guard<std::mutex> guard(s_FaultLock);
  s_Faults.fault = {};
  s_Faults.prefix.clear();
  s_Faults.canonical.clear();
  s_Faults.u32Hits = 0;
  if (pFault != nullptr && pFault->eKind > FS_FAULT_NONE && pFault->eKind <= FS_FAULT_NO_ACCESS &&
      pFault->s32Times != 0) {
    s_Faults.fault = *pFault;
    if (pFault->pcPathPrefix != nullptr) {
      s_Faults.prefix = pFault->pcPathPrefix;
      s_Faults.canonical = FS_Canonical(s_Faults.prefix);
    }
    s_Faults.fault.pcPathPrefix = nullptr;
  }
  s_bWatched = s_Faults.fault.eKind != FS_FAULT_NONE || s_Faults.pfTrace != nullptr;
}

U32 FS_u32FaultHits(void) {
  std::lock_guard<std::mutex> guard(s_FaultLock);
  return s_Faults.u32Hits;
}

void FS_vSetTrace(void (*pfTrace)(const FS_TRACE_RECORD*)) {
  std::lock_guard<std::mutex> guard(s_FaultLock);
  s_Faults.pfTrace = pfTrace;
  s_bWatched = s_Faults.fault.eKind != FS_FAULT_NONE || pfTrace != nullptr;
}

static bool FS_bUnder(const std::string& path, const std::string& prefix) {
  return !prefix.empty() && path.compare(0, prefix.size(), prefix) == 0;
}

// One call on its way: what the fault in force does to it, and its trace. The
// paths are filled in only while a fault or a trace is in force.
struct FS_CALL {
  U32 u32Call;
  std::string path = {};
  std::string pathTo = {};
  FS_FAULT_KIND eFault = FS_FAULT_NONE;
  void (*pfTrace)(const FS_TRACE_RECORD*) = nullptr;
};

static std::string FS_PathOfFd(int fd) {
  char link[64];
  char target[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, target, sizeof target - 1);
  return n > 0 ? std::string(target, (size_t)n) : std::string();
}

// bWriting: the call may change the file system. An open for reading meets
// only an I/O error.
static void FS_vDecide(FS_CALL* pCall, bool bWriting) {
  std::lock_guard<std::mutex> guard(s_FaultLock);
  pCall->pfTrace = s_Faults.pfTrace;
  const FS_FAULT& f = s_Faults.fault;
  if (f.eKind == FS_FAULT_NONE) return;
  U32 calls = s_aFaultRows[f.eKind].u32Calls;
  if (f.u32Calls != 0) calls &= f.u32Calls;
  if ((calls & pCall->u32Call) == 0) return;
  if (pCall->u32Call == FS_CALL_OPEN && !bWriting && f.eKind != FS_FAULT_IO_ERROR) return;
  if (!s_Faults.prefix.empty()) {
    bool bUnder = false;
    for (const std::string* p : {&pCall->path, &pCall->pathTo}) {
      bUnder = bUnder || FS_bUnder(*p, s_Faults.prefix) || FS_bUnder(*p, s_Faults.canonical);
    }
    if (!bUnder) return;
  }
  pCall->eFault = f.eKind;
  s_Faults.u32Hits++;
  if (f.s32Times > 0 && --s_Faults.fault.s32Times == 0) {
    s_Faults.fault.eKind = FS_FAULT_NONE;
    s_bWatched = s_Faults.pfTrace != nullptr;
  }
}

static void FS_vTrace(const FS_CALL& call, off_t offset, size_t size, ssize_t result) {
  if (call.pfTrace == nullptr) return;
  int saved = errno;
  FS_TRACE_RECORD record = {call.u32Call, call.path.c_str(), call.pathTo.empty() ? nullptr : call.pathTo.c_str(),
                            offset, size, result};
  call.pfTrace(&record);
  errno = saved;
}

// Fails the call as its fault says: -1 with the fault's errno.
static int FS_nFail(const FS_CALL& call) {
  errno = s_aFaultRows[call.eFault].error;
  return -1;
}

int FS_nOpen(const char* path, int flags, mode_t mode) {
  FS_CALL call{FS_CALL_OPEN};
  if (s_bWatched) {
    call.path = path;
    FS_vDecide(&call, (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0);
  }
  int fd;
  if (call.eFault != FS_FAULT_NONE) {
    fd = FS_nFail(call);
  } else {
    do {
      fd = open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
  }
  FS_vTrace(call, 0, 0, fd);
  return fd;
}

// write(2) or pwrite(2), offset < 0 for the former.
static ssize_t FS_nWriteAt(int fd, const void* pData, size_t size, off_t offset) {
  FS_CALL call{FS_CALL_WRITE};
  if (s_bWatched) {
    call.path = FS_PathOfFd(fd);
    FS_vDecide(&call, true);
  }
  if (call.eFault == FS_FAULT_SHORT_WRITE) size /= 2;
  ssize_t n;
  if (call.eFault != FS_FAULT_NONE && call.eFault != FS_FAULT_SHORT_WRITE) {
    n = FS_nFail(call);
  } else if (size == 0) {
    n = 0;
  } else {
    do {
      n = offset < 0 ? write(fd, pData, size) : pwrite(fd, pData, size, offset);
    } while (n < 0 && errno == EINTR);
  }
  FS_vTrace(call, offset < 0 ? 0 : offset, size, n);
  return n;
}

ssize_t FS_nWrite(int fd, const void* pData, size_t size) { return FS_nWriteAt(fd, pData, size, -1); }

ssize_t FS_nPWrite(int fd, const void* pData, size_t size, off_t offset) {
  if (offset < 0) {
    errno = EINVAL;
    return -1;
  }
  return FS_nWriteAt(fd, pData, size, offset);
}

int FS_nFsync(int fd) {
  FS_CALL call{FS_CALL_SYNC};
  if (s_bWatched) {
    call.path = FS_PathOfFd(fd);
    FS_vDecide(&call, true);
  }
  int result;
  if (call.eFault != FS_FAULT_NONE) {
    result = FS_nFail(call);
  } else {
    do {
      result = fsync(fd);
    } while (result != 0 && errno == EINTR);
  }
  FS_vTrace(call, 0, 0, result);
  return result;
}

void FS_vStartWriteback(int fd) {
  if (fd >= 0) (void)sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

int FS_nRename(const char* from, const char* to) {
  FS_CALL call{FS_CALL_RENAME};
  if (s_bWatched) {
    call.path = from;
    call.pathTo = to;
    FS_vDecide(&call, true);
  }
  int result = call.eFault != FS_FAULT_NONE ? FS_nFail(call) : rename(from, to);
  FS_vTrace(call, 0, 0, result);
  return result;
}

int FS_nUnlink(const char* path) {
  FS_CALL call{FS_CALL_UNLINK};
  if (s_bWatched) {
    call.path = path;
    FS_vDecide(&call, true);
  }
  int result = call.eFault != FS_FAULT_NONE ? FS_nFail(call) : unlink(path);
  FS_vTrace(call, 0, 0, result);
  return result;
}

// ---------------------------------------------------------------------------
// Files and directories

int FS_Remove(const char* name) {
  int result = FS_nUnlink(name);
  if (result != 0 && errno == EISDIR) result = rmdir(name);
  if (result != 0 && errno == ENOENT) result = 0;
  sync();
  return result;
}

U32 FS_GetFileSize(FILE* stream) {
  long position = ftell(stream);
  if (position < 0 || fseek(stream, 0, SEEK_END) != 0) return 0xFFFFFFFFu;
  long size = ftell(stream);
  if (size < 0) return 0xFFFFFFFFu;
  if (size != position) fseek(stream, position, SEEK_SET);
  return (U32)size;
}

U8 FS_GetFileAttributes(const char* path) {
  struct stat st;
  if (stat(path, &st) != 0) return FS_ATTR_MISSING;
  return S_ISDIR(st.st_mode) ? FS_ATTR_DIRECTORY : 0;
}

VELMORA_DIR* FS_OpenDir(const char* path) {
  if (strlen(path) >= sizeof(((VELMORA_DIR*)nullptr)->name)) return nullptr;
  DIR* d = opendir(path);
  if (d == nullptr) return nullptr;
  VELMORA_DIR* dir = (VELMORA_DIR*)H_MEMORY_pvCalloc(1, sizeof(VELMORA_DIR));
  snprintf(dir->name, sizeof dir->name, "%s", path);
  dir->pDir = d;
  return dir;
}

VELMORA_DIRENT* FS_ReadDir(VELMORA_DIR* dir) {
  if (dir == nullptr) return nullptr;
  for (;;) {
    struct dirent* e = readdir(dir->pDir);
    if (e == nullptr) return nullptr;
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    VELMORA_DIRENT* out = &dir->mdirent;
    int length = snprintf(out->full_name, sizeof out->full_name, "%s/%s", dir->name, e->d_name);
    if (length < 0 || (size_t)length >= sizeof out->full_name) continue;
    struct stat st;
    if (stat(out->full_name, &st) != 0) {
      // A dangling link or a file removed meanwhile: the rest of the walk
      // is still good.
      if (errno != EOVERFLOW) continue;
      out->size = 0xFFFFFFFFu;
      out->attr = 0;
    } else {
      out->size = (U64)st.st_size > 0xFFFFFFFFull ? 0xFFFFFFFFu : (U32)st.st_size;
      out->attr = S_ISDIR(st.st_mode) ? FS_ATTR_DIRECTORY : 0;
    }
    out->pDirent = e;
    return out;
  }
}

void FS_RewindDir(VELMORA_DIR* dir) {
  if (dir != nullptr) rewinddir(dir->pDir);
}

void FS_CloseDir(VELMORA_DIR* dir) {
  if (dir == nullptr) return;
  closedir(dir->pDir);
  H_MEMORY_vFree(dir);
}

void FS_DirEnt2Name(const VELMORA_DIRENT* entry, char* destination) { strcpy(destination, entry->pDirent->d_name); }

void FS_DirEnt2Attr(const VELMORA_DIRENT* entry, U8* attr) { *attr = entry->attr; }

U32 FS_DirEnt2Size(const VELMORA_DIRENT* entry) { return entry->size; }

// ---------------------------------------------------------------------------
// System clock

static std::atomic<S32> s_s32LastTimeSet;

void L_UTILS_vSetSysDate(S32 seconds) {
  S32 last = s_s32LastTimeSet;
  S64 difference = (S64)seconds - last;
  if (difference > -3600 && difference < 3600) return;
  s_s32LastTimeSet = seconds;
  time_t t = seconds;
  struct tm utc;
  gmtime_r(&t, &utc);
  char command[96];
  snprintf(command, sizeof command, "date -u -s %4d.%02d.%02d-%02d:%02d:%02d > /dev/null", utc.tm_year + 1900,
           utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  if (getenv("VELMORA_DEVROOT") != nullptr) {
    // A development machine's clock is not ours to set.
    log_me("[%d]%s: host rig, not running: %s", __LINE__, __func__, command);
    return;
  }
  if (system(command) != 0) log_me("[%d]%s: setting the clock failed: %s", __LINE__, __func__, command);
}

// ---------------------------------------------------------------------------
// Shims and board stubs

int FS_X_OS_Lock(void) {
  L_MUTEX_LockWait(RES_FS_FOP);
  return 0;
}

int FS_X_OS_Unlock(void) {
  L_MUTEX_Unlock(RES_FS_FOP);
  return 0;
}
U32 FS_X_OS_GetDate(void) { return 0; }
U32 FS_X_OS_GetTime(void) { return 0; }
int FS_X_OS_Init(void) { return 0; }
int FS_X_OS_Exit(void) { return 0; }

U32* H_MMU_pu32AllocateNonCachedArea(U32 size) { return (U32*)malloc(size); }
void H_MMU_vInit(void) {}
void H_MMU_vSetMTT(void) {}
void H_MMU_vDisableAll(void) {}
void H_RECSELECT_vConnectElementToReceiver(void) {}
