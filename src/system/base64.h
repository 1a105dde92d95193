// Base64 text coding of binary data (standard alphabet, "=" padding).
#pragma once

#include "basetypes.h"

// A zero-terminated heap text; null for null data or length 0. The caller frees it.
char* BASE64_pcEncode(const U8* data, U32 length);
// Heap bytes and their count; null (and *outLength 0) for text that is not
// Base64. The caller frees them.
U8* BASE64_pu8Decode(const char* text, U32* outLength);
// The length is a multiple of 4, every character is in the alphabet or "=",
// and "=" stands only among the last three places with nothing else after it.
BOOLEAN BASE64_bIsBase64(const char* text);
