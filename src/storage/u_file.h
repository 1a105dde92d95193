// Device directories and file names. The card slots lie under the card root
// ("/mnt/mmc" on the board, under VELMORA_DEVROOT on a rig) and the internal
// store under the base directory, so tests and the rig give the unit private
// directories without a change to its callers.
#pragma once

#include "basetypes.h"

// Bytes of every path buffer made here, terminator included.
constexpr U32 U_FILE_PATH_SIZE = 127;

// The directory of a device unit, ending in '/': "mmc" n is card slot n
// ("/mnt/mmc<n>/"), "mvn" 0 the base directory (the internal store), "mvn" n
// "<base>/data<n>/", any other name "<base>/<name><n>/"; units of 10 and more
// are written in decimal. A new heap block of U_FILE_PATH_SIZE bytes that the
// caller frees; null for a negative unit or a path that does not fit.
char* U_FILE_psCreateDeviceName(const char* psDevice, int numUnit);
// The two texts joined, in a new heap block of U_FILE_PATH_SIZE bytes; null
// when they do not fit.
char* U_FILE_psComposeFileName(const char* psDevice, const char* psFileName);
// A file in the unit's temporary directory ("/tmp" on the board, under
// VELMORA_DEVROOT on a rig), made like U_FILE_psComposeFileName.
char* U_FILE_psCreateTempName(const char* psName);
// Appends "." and the extension in place; FALSE, the name unchanged, when the
// result would not fit in u32Size bytes.
BOOLEAN U_FILE_bAddExtension(char* pcFileName, U32 u32Size, const char* pcExtension);
// Cuts the name at the first '.' of its last path element, so that a dot in
// a directory name is kept.
void U_FILE_vCutExtension(char* pcFileName);
// Copies the part after the last '/' (all of it without one); FALSE, with an
// empty result, when it does not fit in u32Size bytes.
BOOLEAN U_FILE_bIsolateFileName(const char* pcFullName, char* pcShortName, U32 u32Size);
// Cuts a path down to its device directory in place: a card path ends after
// its slot number ("/mnt/mmc1/x" becomes "/mnt/mmc1"), any other absolute
// path becomes "/", and a relative name or a card path without a number is
// left alone.
void U_FILE_vMarkDeviceName(char* pcFileName);
// TRUE when the name is longer than the extension, ends with it (either case)
// and has '.' right before it.
BOOLEAN U_FILE_bCheckExtension(const char* pcFileName, const char* pcExtension);
