#include "u_file.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "dd_devpath.h"
#include "h_memory.h"
#include "linuxsvc.h"

// A new path buffer holding the formatted text; null when it does not fit or
// the heap has no block to spare.
static char* U_FILE_psFormat(const char* pcFormat, const char* pcA, const char* pcB, const char* pcC) {
  char* path = (char*)H_MEMORY_pvMallocNoWait(U_FILE_PATH_SIZE);
  if (path == nullptr) return nullptr;
  const int length = snprintf(path, U_FILE_PATH_SIZE, pcFormat, pcA, pcB, pcC);
  if (length < 0 || (U32)length >= U_FILE_PATH_SIZE) {
    H_MEMORY_vFree(path);
    return nullptr;
  }
  return path;
}

// The base directory with exactly one '/' after it.
static const char* U_FILE_pcBaseSeparator(const char* pcBase) {
  const size_t length = strlen(pcBase);
  return (length > 0 && pcBase[length - 1] == '/') ? "" : "/";
}

char* U_FILE_psCreateDeviceName(const char* psDevice, int numUnit) {
  if (psDevice == nullptr || numUnit < 0) return nullptr;
  char unit[16];
  snprintf(unit, sizeof unit, "%d", numUnit);
  if (strcmp(psDevice, "mmc") == 0) {
    char root[U_FILE_PATH_SIZE];
    if (DD_DEVPATH_pcResolve("/mnt/mmc", root, sizeof root) == nullptr) return nullptr;
    return U_FILE_psFormat("%s%s%s/", root, unit, "");
  }
  const char* base = L_UTILS_cpGetPathnamePtr();
  const char* separator = U_FILE_pcBaseSeparator(base);
  if (strcmp(psDevice, "mvn") == 0) {
    if (numUnit == 0) return U_FILE_psFormat("%s%s%s", base, separator, "");
    return U_FILE_psFormat("%s%sdata%s/", base, separator, unit);
  }
  char name[U_FILE_PATH_SIZE];
  if (snprintf(name, sizeof name, "%s%s", psDevice, unit) >= (int)sizeof name) return nullptr;
  return U_FILE_psFormat("%s%s%s/", base, separator, name);
}

char* U_FILE_psComposeFileName(const char* psDevice, const char* psFileName) {
  if (psDevice == nullptr || psFileName == nullptr) return nullptr;
  return U_FILE_psFormat("%s%s%s", psDevice, psFileName, "");
}

char* U_FILE_psCreateTempName(const char* psName) {
  if (psName == nullptr) return nullptr;
  char root[U_FILE_PATH_SIZE];
  if (DD_DEVPATH_pcResolve("/tmp/", root, sizeof root) == nullptr) return nullptr;
  return U_FILE_psFormat("%s%s%s", root, psName, "");
}

BOOLEAN U_FILE_bAddExtension(char* pcFileName, U32 u32Size, const char* pcExtension) {
  const size_t name = strlen(pcFileName);
  const size_t extension = strlen(pcExtension);
  if (name + 1 + extension + 1 > u32Size) return FALSE;
  pcFileName[name] = '.';
  memcpy(pcFileName + name + 1, pcExtension, extension + 1);
  return TRUE;
}

void U_FILE_vCutExtension(char* pcFileName) {
  char* slash = strrchr(pcFileName, '/');
  char* dot = strchr(slash != nullptr ? slash + 1 : pcFileName, '.');
  if (dot != nullptr) *dot = '\0';
}

BOOLEAN U_FILE_bIsolateFileName(const char* pcFullName, char* pcShortName, U32 u32Size) {
  if (u32Size == 0) return FALSE;
  const char* slash = strrchr(pcFullName, '/');
  const char* name = slash != nullptr ? slash + 1 : pcFullName;
  const size_t length = strlen(name);
  if (length + 1 > u32Size) {
    pcShortName[0] = '\0';
    return FALSE;
  }
  memcpy(pcShortName, name, length + 1);
  return TRUE;
}

void U_FILE_vMarkDeviceName(char* pcFileName) {
  if (pcFileName[0] != '/') return;
  char root[U_FILE_PATH_SIZE];
  const char* mnt = DD_DEVPATH_pcResolve("/mnt", root, sizeof root);
  const size_t rootLength = mnt != nullptr ? strlen(mnt) : 0;
  if (mnt == nullptr || strncmp(pcFileName, mnt, rootLength) != 0) {
    pcFileName[1] = '\0';
    return;
  }
  char* digit = pcFileName + rootLength;
  while (*digit != '\0' && !isdigit((unsigned char)*digit)) digit++;
  if (*digit == '\0') return;
  while (isdigit((unsigned char)*digit)) digit++;
  *digit = '\0';
}

BOOLEAN U_FILE_bCheckExtension(const char* pcFileName, const char* pcExtension) {
  const size_t name = strlen(pcFileName);
  const size_t extension = strlen(pcExtension);
  if (name <= extension) return FALSE;
  const char* tail = pcFileName + name - extension;
  return tail[-1] == '.' && strcasecmp(tail, pcExtension) == 0;
}
