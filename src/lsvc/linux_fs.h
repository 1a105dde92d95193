// Every stored file lives under the base directory named here, and closing
// one schedules a file-system sync so that it survives a power loss; the
// directory walker and the clock setter sit beside them.
#pragma once

#include <dirent.h>
#include <stdio.h>

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
