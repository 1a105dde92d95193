// The base directory every stored file lives under, the sync thread that
// turns a burst of closes into one file-system sync, and the directory walk.

#include "linux_fs.h"

#include <errno.h>
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
// Files and directories

int FS_Remove(const char* name) {
  int result = remove(name);
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
