// The internal map flash: which chart set its signature file names, and the
// update list a memory card may carry. The flash sits in the base directory
// (device "mvn" unit 0), so a test or a rig gives it a private one.
#pragma once

#include "basetypes.h"

typedef enum tag_MAPFLASH_STATE {
  MAPFLASH_STATE_BLANK = 1,       // no signature file
  MAPFLASH_STATE_INCOMPLETE = 2,  // a signature file naming no known chart set
  MAPFLASH_STATE_KORDALE = 3,
  MAPFLASH_STATE_QRB = 4,
  MAPFLASH_STATE_VINTREL = 5,
} MAPFLASH_STATE;

typedef enum tag_MAPFLASH_METHOD {
  MAPFLASH_METHOD_UNDEFINED = 0,
  MAPFLASH_METHOD_COPY = 1,
  MAPFLASH_METHOD_COMPARE = 2,
  MAPFLASH_METHOD_IMAGE = 3,
} MAPFLASH_METHOD;

// An update list: heap texts the caller frees (H_MEMORY_vFree).
typedef struct tag_MAPFLASH_INF_DATA {
  char* pFileName;   // the image file or directory, relative to the card's directory
  char* pSignature;  // what the flash holds (compare, image) or is to receive (copy)
  MAPFLASH_METHOD eMethod;
} MAPFLASH_INF_DATA;

// The signature file in the flash's directory and the list on a card.
constexpr char MAPFLASH_SIGNATURE_FILE[] = "mapflash.sig";
constexpr char MAPFLASH_LIST_FILE[] = "mapflash.inf";
// Bytes of the signature file that decide the state.
constexpr U32 MAPFLASH_SIGNATURE_WINDOW = 25;

// The state of the flash of device "mvn" unit numUnit, read at the first call
// only: later calls, whatever their unit, return that answer, so the status
// screen and the navigation task always agree.
MAPFLASH_STATE U_MAPFLASH_eGetMapFlashState(int numUnit);
// The same reading, made afresh at every call.
MAPFLASH_STATE U_MAPFLASH_eReadMapFlashState(int numUnit);
// "Map Flash Blank", "Map Flash Incomplete" or "<chart set> Complete"; a
// value outside the states reads as blank.
const char* U_MAPFLASH_pcGetMapFlashStateText(MAPFLASH_STATE eState);

// Reads the first 512 bytes of the list at pcPath. TRUE when FILE, METHOD and
// SIGNATURE are all found within its first 10 lines and the method is known;
// otherwise FALSE with both texts null.
BOOLEAN U_MAPFLASH_bParseMapFlashInf(const char* pcPath, MAPFLASH_INF_DATA* pData);
// The value of a "KEY = VALUE" line whose key (white space around it
// ignored) is exactly pcKey, without the white space around it: a new heap
// text, or null when the key differs or either side is empty.
char* U_MAPFLASH_psParseMapFlashInfLine(const char* pcLine, const char* pcKey);
// Would bring the flash in line with the card's list; this unit has no raw
// access to the flash, so it changes nothing and returns FALSE.
BOOLEAN U_MAPFLASH_bUpdateMapFlash(int numID);
