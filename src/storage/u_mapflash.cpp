#include "u_mapflash.h"

#include <ctype.h>
#include <string.h>
#include <strings.h>

#include <mutex>

#include "h_memory.h"
#include "linuxsvc.h"
#include "u_file.h"
#include "u_mmc.h"

typedef struct tag_MAPFLASH_ROW {
  MAPFLASH_STATE eState;
  const char* pcSignature;  // its first MAPFLASH_SIGNATURE_WINDOW bytes decide
  const char* pcText;
} MAPFLASH_ROW;

static const MAPFLASH_ROW s_aStates[] = {
    {MAPFLASH_STATE_BLANK, nullptr, "Map Flash Blank"},
    {MAPFLASH_STATE_INCOMPLETE, nullptr, "Map Flash Incomplete"},
    {MAPFLASH_STATE_KORDALE, "MAPFLASH_SIGNATURE_KORDALE", "Kordale Complete"},
    {MAPFLASH_STATE_QRB, "MAPFLASH_SIGNATURE_QRBMAP", "QRB Complete"},
    {MAPFLASH_STATE_VINTREL, "MAPFLASH_SIGNATURE_VTXMAP", "Vintrel Complete"},
};

constexpr int MAPFLASH_LIST_BYTES = 512;
constexpr int MAPFLASH_LIST_LINES = 10;

// Up to u32Max bytes of a file into pcText, which is always terminated (it
// holds u32Max + 1); -1 when the file does not open.
static int U_MAPFLASH_nReadText(const char* pcPath, char* pcText, U32 u32Max) {
  BUFFERED_IO_CONTROL* file = U_MMC_psBufferedOpen(pcPath, "rb", nullptr, 0);
  if (file == nullptr) return -1;
  const int got = U_MMC_nBufferedRead(pcText, (int)u32Max, file);
  U_MMC_nBufferedClose(file);
  pcText[got] = '\0';
  return got;
}

MAPFLASH_STATE U_MAPFLASH_eReadMapFlashState(int numUnit) {
  char* dir = U_FILE_psCreateDeviceName("mvn", numUnit);
  char* path = dir != nullptr ? U_FILE_psComposeFileName(dir, MAPFLASH_SIGNATURE_FILE) : nullptr;
  H_MEMORY_vFree(dir);
  if (path == nullptr) return MAPFLASH_STATE_BLANK;
  char window[MAPFLASH_SIGNATURE_WINDOW + 1];
  const int got = U_MAPFLASH_nReadText(path, window, MAPFLASH_SIGNATURE_WINDOW);
  H_MEMORY_vFree(path);
  if (got < 0) return MAPFLASH_STATE_BLANK;
  for (const MAPFLASH_ROW& row : s_aStates) {
    if (row.pcSignature != nullptr && got == (int)MAPFLASH_SIGNATURE_WINDOW &&
        memcmp(window, row.pcSignature, MAPFLASH_SIGNATURE_WINDOW) == 0) {
      return row.eState;
    }
  }
  return MAPFLASH_STATE_INCOMPLETE;
}

MAPFLASH_STATE U_MAPFLASH_eGetMapFlashState(int numUnit) {
  static std::once_flag s_once;
  static MAPFLASH_STATE s_eState = MAPFLASH_STATE_BLANK;
  std::call_once(s_once, [numUnit] { s_eState = U_MAPFLASH_eReadMapFlashState(numUnit); });
  return s_eState;
}

const char* U_MAPFLASH_pcGetMapFlashStateText(MAPFLASH_STATE eState) {
  for (const MAPFLASH_ROW& row : s_aStates) {
    if (row.eState == eState) return row.pcText;
  }
  return s_aStates[0].pcText;
}

// ---------------------------------------------------------------------------
// The update list

// pcStart..pcEnd without white space at either end.
static void U_MAPFLASH_vTrim(const char** ppcStart, const char** ppcEnd) {
  while (*ppcStart < *ppcEnd && isspace((unsigned char)**ppcStart)) (*ppcStart)++;
  while (*ppcEnd > *ppcStart && isspace((unsigned char)(*ppcEnd)[-1])) (*ppcEnd)--;
}

char* U_MAPFLASH_psParseMapFlashInfLine(const char* pcLine, const char* pcKey) {
  if (pcLine == nullptr || pcKey == nullptr) return nullptr;
  const char* equals = strchr(pcLine, '=');
  if (equals == nullptr) return nullptr;
  const char* key = pcLine;
  const char* keyEnd = equals;
  U_MAPFLASH_vTrim(&key, &keyEnd);
  const size_t keyLength = (size_t)(keyEnd - key);
  if (keyLength == 0 || keyLength != strlen(pcKey) || memcmp(key, pcKey, keyLength) != 0) return nullptr;
  const char* value = equals + 1;
  const char* valueEnd = value + strlen(value);
  U_MAPFLASH_vTrim(&value, &valueEnd);
  const size_t valueLength = (size_t)(valueEnd - value);
  if (valueLength == 0) return nullptr;
  char* copy = (char*)H_MEMORY_pvMallocNoWait((U32)valueLength + 1);
  if (copy == nullptr) return nullptr;
  memcpy(copy, value, valueLength);
  copy[valueLength] = '\0';
  return copy;
}

BOOLEAN U_MAPFLASH_bParseMapFlashInf(const char* pcPath, MAPFLASH_INF_DATA* pData) {
  pData->pFileName = nullptr;
  pData->pSignature = nullptr;
  pData->eMethod = MAPFLASH_METHOD_UNDEFINED;
  char text[MAPFLASH_LIST_BYTES + 1];
  if (U_MAPFLASH_nReadText(pcPath, text, MAPFLASH_LIST_BYTES) < 0) return FALSE;

  char* method = nullptr;
  char* cursor = text;
  for (int line = 0; line < MAPFLASH_LIST_LINES; line++) {
    cursor += strspn(cursor, "\r\n");
    if (*cursor == '\0') break;
    char* end = cursor + strcspn(cursor, "\r\n");
    const BOOLEAN bLast = *end == '\0';
    *end = '\0';
    // The first occurrence of a key wins.
    if (pData->pFileName == nullptr) pData->pFileName = U_MAPFLASH_psParseMapFlashInfLine(cursor, "FILE");
    if (method == nullptr) method = U_MAPFLASH_psParseMapFlashInfLine(cursor, "METHOD");
    if (pData->pSignature == nullptr) pData->pSignature = U_MAPFLASH_psParseMapFlashInfLine(cursor, "SIGNATURE");
    if (bLast) break;
    cursor = end + 1;
  }

  static const struct {
    const char* pcName;
    MAPFLASH_METHOD eMethod;
  } s_aMethods[] = {{"COPY", MAPFLASH_METHOD_COPY}, {"COMPARE", MAPFLASH_METHOD_COMPARE}, {"IMAGE", MAPFLASH_METHOD_IMAGE}};
  if (method != nullptr) {
    for (const auto& row : s_aMethods) {
      if (strcasecmp(method, row.pcName) == 0) pData->eMethod = row.eMethod;
    }
    H_MEMORY_vFree(method);
  }
  if (pData->pFileName != nullptr && pData->pSignature != nullptr && pData->eMethod != MAPFLASH_METHOD_UNDEFINED) {
    return TRUE;
  }
  H_MEMORY_vFree(pData->pFileName);
  H_MEMORY_vFree(pData->pSignature);
  pData->pFileName = nullptr;
  pData->pSignature = nullptr;
  pData->eMethod = MAPFLASH_METHOD_UNDEFINED;
  return FALSE;
}

BOOLEAN U_MAPFLASH_bUpdateMapFlash(int numID) {
  // Copying, comparing or imaging needs the flash's raw content, which
  // nothing in this unit can read or write.
  log_me("[%d]%s: card %d: the map flash cannot be updated here", __LINE__, __func__, numID);
  return FALSE;
}
