// Writes the unit's stores could not make because the medium is read-only or
// full. The settings store, the record files and the track journal report
// each refused write here: the log hears of a cause once and then only of
// its count at each power of ten, and the user gets one note per cause.
#pragma once

#include "basetypes.h"

typedef enum tag_STORE_FAULT {
  STORE_FAULT_READ_ONLY = 0,  // EROFS, EACCES, EPERM
  STORE_FAULT_FULL = 1,       // ENOSPC, EDQUOT
  STORE_FAULT_CAUSES = 2,
  STORE_FAULT_OTHER = 2,      // any other error: not this module's
} STORE_FAULT;

STORE_FAULT U_STOREFAULT_eCause(int nError);

// A write refused with nError (an errno value); pcWhat names what was being
// written, for the first log line of its cause. FALSE when the cause is
// read-only or full (counted here, logged once, the note raised once); TRUE
// for any other error, which the caller logs itself.
BOOLEAN U_STOREFAULT_bReport(int nError, const char* pcWhat);

// Writes refused for the cause since the start; of every cause when given
// STORE_FAULT_CAUSES.
U32 U_STOREFAULT_u32Count(STORE_FAULT eCause);
// The note's text table of the cause last reported; null before any.
const char* const* U_STOREFAULT_ppcLastCauseText(void);

// What shows a note to the user, called on the reporting task's thread with
// a UI text table, or with a text already in the current language (the
// table then null). Set once at start by the application; until then (and
// with null) a note is only logged.
typedef void STORE_NOTE_FUNCTION(const char* const* ppText, const char* pcText);
void U_STOREFAULT_vSetNoteAction(STORE_NOTE_FUNCTION* pfnNote);
// A note about the stores through the same action (a lost setting, records
// dropped, ...).
void U_STOREFAULT_vNote(const char* const* ppText);
void U_STOREFAULT_vNoteText(const char* pcText);

// Forgets the counts and the notes given. For tests.
void U_STOREFAULT_vReset(void);
