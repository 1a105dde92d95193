// A streaming JSON encoder for the accessory protocol: one member per line,
// indented by three spaces per open level, into a caller's buffer that it
// never overruns. Strings are escaped, so any bytes make valid JSON.
#pragma once

#include "basetypes.h"
#include "u_json_decoder.h"

struct JSON_encoder_struct {
  U32 valid;   // JSON_ENCODER_VALID while usable
  int state;   // what was last written at this level
  int depth;   // places of the mode stack
  int top;     // levels open
  U8 stack[JSON_MAX_NESTING + 1];
  char* pcOut;
  int nSize;   // bytes of pcOut, the terminator included
  int nUsed;   // bytes of text so far
  BOOLEAN bFailed;
};
typedef JSON_encoder_struct* JSON_encoder;

constexpr U32 JSON_ENCODER_VALID = 0xBABAB00E;

// Starts an object (or, for any other type, an array) into pcBuffer.
void new_JSON_encoder(JSON_encoder jc, char* pcBuffer, int nSize, JSON_type_t eType);
// Writes one item: a member named objName inside an object, an element
// inside an array. value points to the item's data: const char* text for
// STRING, S64 for INT, U64 for INT64, double for REAL; none for the others.
// OBJECT and ARRAY open a level, OBJECT_END and ARRAY_END close one.
// Returns 0, or -1 when the encoder has failed: the buffer is full, a level
// would pass JSON_MAX_NESTING, a close does not match, a real is not finite,
// or the handle was not started. A failure sticks.
int JSON_encode(JSON_encoder jc, JSON_type_t type, const char* objName, const void* value);
// A string item of nLength bytes (a NUL among them is escaped).
int JSON_encode_string(JSON_encoder jc, const char* objName, const char* pcText, int nLength);
// Any item, its name nNameLength bytes long and, for STRING, its text
// nValueLength bytes long (a NUL in either is escaped).
int JSON_encode_item(JSON_encoder jc, JSON_type_t type, const char* pcName, int nNameLength, const void* value,
                     int nValueLength);
// Writes the children of the decoded object or array jo (members with their
// names) into the level open now, nested levels included; 0 or -1 as above.
int JSON_encode_tree(JSON_encoder jc, JSON_decoder jo);
// Closes the top level and ends the encoder. Returns the text's length (the
// buffer holds it terminated), or -1 after a failure or with levels still open.
int JSON_encoder_done(JSON_encoder jc);
