// The accessory secrets, read once from the key file and kept under a lock
// (the handshake and the link cipher may run on different tasks).

#include "u_acckeys.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>

#include "linuxsvc.h"

namespace {

struct ACCKEYS_STORE {
  BOOLEAN bRead;
  BOOLEAN abHandshake[U_ACCKEYS_HANDSHAKE_KEYS];
  ACCKEYS_RSA atHandshake[U_ACCKEYS_HANDSHAKE_KEYS];
  BOOLEAN bLink;
  U8 au8Link[U_ACCKEYS_LINK_KEY_BYTES];
};

std::mutex s_mutexKeys;
ACCKEYS_STORE s_tKeys;

// A whole decimal or 0x-hex number; FALSE for anything else.
BOOLEAN ACCKEYS_bNumber(const char* pcText, U64* pu64Value) {
  if (pcText == nullptr || *pcText == '-' || *pcText == '+') return FALSE;
  char* pcEnd = nullptr;
  errno = 0;
  *pu64Value = strtoull(pcText, &pcEnd, 0);
  return errno == 0 && pcEnd != pcText && *pcEnd == '\0';
}

int ACCKEYS_nHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = (char)(c | 0x20);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

BOOLEAN ACCKEYS_bHexBytes(const char* pcText, U8* pu8Out, U32 u32Bytes) {
  if (strlen(pcText) != 2 * u32Bytes) return FALSE;
  for (U32 i = 0; i < u32Bytes; i++) {
    const int hi = ACCKEYS_nHexDigit(pcText[2 * i]), lo = ACCKEYS_nHexDigit(pcText[2 * i + 1]);
    if (hi < 0 || lo < 0) return FALSE;
    pu8Out[i] = (U8)(hi << 4 | lo);
  }
  return TRUE;
}

void ACCKEYS_vParseLine(char* pcLine, int nLine) {
  char* pcComment = strchr(pcLine, '#');
  if (pcComment != nullptr) *pcComment = '\0';
  char* pcSave = nullptr;
  const char* pcWord = strtok_r(pcLine, " \t\r\n", &pcSave);
  if (pcWord == nullptr) return;
  const char* apcArgs[5] = {};
  int nArgs = 0;
  for (const char* pc; nArgs < 5 && (pc = strtok_r(nullptr, " \t\r\n", &pcSave)) != nullptr;) apcArgs[nArgs++] = pc;
  U64 index = 0;
  ACCKEYS_RSA tKey = {};
  if (strcmp(pcWord, "handshake") == 0 && nArgs == 4 && ACCKEYS_bNumber(apcArgs[0], &index) &&
      index < U_ACCKEYS_HANDSHAKE_KEYS && ACCKEYS_bNumber(apcArgs[1], &tKey.e) &&
      ACCKEYS_bNumber(apcArgs[2], &tKey.n) && ACCKEYS_bNumber(apcArgs[3], &tKey.d) && tKey.n >= 2) {
    s_tKeys.atHandshake[index] = tKey;
    s_tKeys.abHandshake[index] = TRUE;
  } else if (strcmp(pcWord, "link") == 0 && nArgs == 1 &&
             ACCKEYS_bHexBytes(apcArgs[0], s_tKeys.au8Link, U_ACCKEYS_LINK_KEY_BYTES)) {
    s_tKeys.bLink = TRUE;
  } else {
    log_me("[%d]%s: key file line %d ignored", __LINE__, __func__, nLine);
  }
}

// Reads the key file once; the caller holds the lock.
void ACCKEYS_vRead(void) {
  if (s_tKeys.bRead) return;
  s_tKeys = ACCKEYS_STORE{};
  s_tKeys.bRead = TRUE;
  char path[512];
  U_ACCKEYS_vKeyFilePath(path, sizeof path);
  FILE* fp = fopen(path, "r");
  if (fp == nullptr) {
    log_me("[%d]%s: no accessory key file %s: handshake and link cipher refuse", __LINE__, __func__, path);
    return;
  }
  char line[256];
  for (int nLine = 1; fgets(line, sizeof line, fp) != nullptr; nLine++) ACCKEYS_vParseLine(line, nLine);
  fclose(fp);
}

}  // namespace

void U_ACCKEYS_vKeyFilePath(char* pcPath, U32 size) {
  const char* pcFile = getenv("VELMORA_ACCESSORY_KEYS");
  if (pcFile != nullptr && *pcFile != '\0') {
    snprintf(pcPath, size, "%s", pcFile);
  } else {
    snprintf(pcPath, size, "%s/accessory.keys", L_UTILS_cpGetPathnamePtr());
  }
}

BOOLEAN U_ACCKEYS_bHandshakeKey(int nIndex, ACCKEYS_RSA* pKey) {
  if (nIndex < 0 || nIndex >= U_ACCKEYS_HANDSHAKE_KEYS) return FALSE;
  std::lock_guard<std::mutex> lock(s_mutexKeys);
  ACCKEYS_vRead();
  if (!s_tKeys.abHandshake[nIndex]) return FALSE;
  *pKey = s_tKeys.atHandshake[nIndex];
  return TRUE;
}

BOOLEAN U_ACCKEYS_bLinkKey(U8 au8Key[U_ACCKEYS_LINK_KEY_BYTES]) {
  std::lock_guard<std::mutex> lock(s_mutexKeys);
  ACCKEYS_vRead();
  if (!s_tKeys.bLink) return FALSE;
  memcpy(au8Key, s_tKeys.au8Link, U_ACCKEYS_LINK_KEY_BYTES);
  return TRUE;
}

void U_ACCKEYS_vReload(void) {
  std::lock_guard<std::mutex> lock(s_mutexKeys);
  s_tKeys = ACCKEYS_STORE{};
}
