// A JSON decoder for the accessory protocol: a syntax checker driven one
// byte at a time by a table of states and character classes, building a tree
// of nodes as it accepts. The text must be an object or an array; strings
// are bytes (UTF-8 passes through), with escapes decoded to UTF-8.
#pragma once

#include "basetypes.h"

enum JSON_type_t : int {
  JSON_TYPE_STRING = 0,
  JSON_TYPE_INT = 1,  // every decoded integer
  JSON_TYPE_INT64 = 2,
  JSON_TYPE_REAL = 3,
  JSON_TYPE_OBJECT = 4,
  JSON_TYPE_OBJECT_END = 5,
  JSON_TYPE_ARRAY = 6,
  JSON_TYPE_ARRAY_END = 7,
  JSON_TYPE_BOOLEAN_TRUE = 8,
  JSON_TYPE_BOOLEAN_FALSE = 9,
  JSON_TYPE_NULL = 10,
  JSON_TYPE_UNKNOWN = 11,
};

// What a decoded text may hold; anything beyond is refused as a whole.
constexpr int JSON_MAX_KEY = 63;         // bytes of a member name
constexpr int JSON_MAX_STRING = 1023;    // bytes of a string value or a number's text
constexpr int JSON_MAX_CHILDREN = 200;   // members of an object, elements of an array
constexpr int JSON_MAX_NESTING = 199;    // objects and arrays open at once

typedef struct JSON_decoder_value_s* JSON_decoder;

// Decodes the nSize bytes at pcText (no terminator needed; a NUL byte in
// them is refused). Returns the root, or null for a refused or truncated
// text, a scalar at the top, a text beyond the limits, a number outside
// the 64-bit range (integers from -2^63 to 2^64 - 1, finite doubles) or an
// allocation failure. The tree is one allocation: free it with
// JSON_decoder_done on the root. Any number of decodes may run at once.
JSON_decoder new_JSON_decoder(const char* pcText, int nSize);
// Frees the tree that the root jo heads; null and non-root nodes are ignored.
void JSON_decoder_done(JSON_decoder jo);

// Accessors. A node of another type gives the empty value (0, "", null).
JSON_type_t JSON_util_get_type(JSON_decoder jo);
// Children of an object or array; 1 for a scalar.
int JSON_util_get_child_count(JSON_decoder jo);
// The member name under which the node stands; "" for the root and elements.
const char* JSON_util_get_key(JSON_decoder jo);
// Its length in bytes (a decoded \u0000 counted).
int JSON_util_get_key_length(JSON_decoder jo);
// Child i, or null when i is outside 0 .. count - 1.
JSON_decoder JSON_util_get_child(JSON_decoder jo, int i);
// A string's bytes with a terminator; a decoded \u0000 ends the C text
// early, so the length says how many bytes there are.
const char* JSON_util_get_string(JSON_decoder jo);
int JSON_util_get_string_length(JSON_decoder jo);
// The low 32 bits of an integer, as a signed int.
int JSON_util_get_int(JSON_decoder jo);
// All 64 bits of an integer (two's complement for a negative one).
U64 JSON_util_get_int64(JSON_decoder jo);
// TRUE for an integer below zero.
BOOLEAN JSON_util_bIsNegative(JSON_decoder jo);
// A real, or an integer converted.
double JSON_util_get_real(JSON_decoder jo);
