// Refused writes by cause. A store that cannot be written stays so for the
// rest of the run, and its writers try again every second: a log line each
// time would bury everything else, and a note each time would cover the
// screen. So each cause is told once, and the log keeps a count.

#include "u_storefault.h"

#include <errno.h>
#include <string.h>

#include <atomic>

#include "linuxsvc.h"
#include "ui_texts.h"

static std::atomic<U32> s_au32Count[STORE_FAULT_CAUSES];
static std::atomic<int> s_nLastCause{-1};
static std::atomic<STORE_NOTE_FUNCTION*> s_pfnNote{nullptr};

static const char* const* const s_appcCauseText[STORE_FAULT_CAUSES] = {Storage_Read_Only, Storage_Full};
static const char* const s_apcCauseName[STORE_FAULT_CAUSES] = {"read-only", "full"};

STORE_FAULT U_STOREFAULT_eCause(int nError) {
  switch (nError) {
    case EROFS:
    case EACCES:
    case EPERM:
      return STORE_FAULT_READ_ONLY;
    case ENOSPC:
    case EDQUOT:
      return STORE_FAULT_FULL;
    default:
      return STORE_FAULT_OTHER;
  }
}

static BOOLEAN STOREFAULT_bPowerOfTen(U32 n) {
  while (n >= 10 && n % 10 == 0) n /= 10;
  return n == 1;
}

BOOLEAN U_STOREFAULT_bReport(int nError, const char* pcWhat) {
  const STORE_FAULT eCause = U_STOREFAULT_eCause(nError);
  if (eCause == STORE_FAULT_OTHER) return TRUE;
  const U32 n = s_au32Count[eCause].fetch_add(1) + 1;
  s_nLastCause = (int)eCause;
  if (n == 1) {
    log_me("[%d]%s: the store is %s: %s not written (%s); further refusals are counted", __LINE__, __func__,
           s_apcCauseName[eCause], pcWhat != nullptr ? pcWhat : "?", strerror(nError));
    U_STOREFAULT_vNote(s_appcCauseText[eCause]);
  } else if (STOREFAULT_bPowerOfTen(n)) {
    log_me("[%d]%s: the store is %s: %u writes refused so far", __LINE__, __func__, s_apcCauseName[eCause], n);
  }
  return FALSE;
}

U32 U_STOREFAULT_u32Count(STORE_FAULT eCause) {
  if (eCause < STORE_FAULT_CAUSES) return s_au32Count[eCause].load();
  U32 total = 0;
  for (const std::atomic<U32>& count : s_au32Count) total += count.load();
  return total;
}

const char* const* U_STOREFAULT_ppcLastCauseText(void) {
  const int nCause = s_nLastCause.load();
  return nCause < 0 ? nullptr : s_appcCauseText[nCause];
}

void U_STOREFAULT_vSetNoteAction(STORE_NOTE_FUNCTION* pfnNote) { s_pfnNote = pfnNote; }

// A note is on the screen for seconds, maybe behind the start's screens: the
// log keeps each one.
void U_STOREFAULT_vNote(const char* const* ppText) {
  STORE_NOTE_FUNCTION* pfnNote = s_pfnNote.load();
  log_me("[%d]%s: note%s: %s", __LINE__, __func__, pfnNote == nullptr ? " not shown" : "", ppText[0]);
  if (pfnNote != nullptr) pfnNote(ppText, nullptr);
}

void U_STOREFAULT_vNoteText(const char* pcText) {
  STORE_NOTE_FUNCTION* pfnNote = s_pfnNote.load();
  if (pfnNote != nullptr) pfnNote(nullptr, pcText);
}

void U_STOREFAULT_vReset(void) {
  for (std::atomic<U32>& count : s_au32Count) count = 0;
  s_nLastCause = -1;
}
