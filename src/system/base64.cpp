#include "base64.h"

#include <string.h>

#include <array>

#include "h_memory.h"

static constexpr char s_cBase64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr U8 BASE64_PAD = 64;
constexpr U8 BASE64_BAD = 65;

static constexpr std::array<U8, 256> BASE64_MakeDecode() {
  std::array<U8, 256> table{};
  for (U8& v : table) v = BASE64_BAD;
  for (U8 i = 0; i < 64; i++) table[(U8)s_cBase64Chars[i]] = i;
  table['='] = BASE64_PAD;
  return table;
}

static constexpr std::array<U8, 256> s_u8Base64Decode = BASE64_MakeDecode();

char* BASE64_pcEncode(const U8* data, U32 length) {
  if (data == nullptr || length == 0) return nullptr;
  U32 size = (length + 2) / 3 * 4 + 1;
  char* text = (char*)H_MEMORY_pvMalloc(size);
  char* out = text;
  for (U32 i = 0; i < length; i += 3) {
    U32 left = length - i;
    U32 group = (U32)data[i] << 16 | (left > 1 ? (U32)data[i + 1] << 8 : 0) | (left > 2 ? data[i + 2] : 0);
    *out++ = s_cBase64Chars[(group >> 18) & 63];
    *out++ = s_cBase64Chars[(group >> 12) & 63];
    *out++ = left > 1 ? s_cBase64Chars[(group >> 6) & 63] : '=';
    *out++ = left > 2 ? s_cBase64Chars[group & 63] : '=';
  }
  *out = '\0';
  return text;
}

BOOLEAN BASE64_bIsBase64(const char* text) {
  if (text == nullptr) return FALSE;
  size_t length = strlen(text);
  if (length % 4 != 0) return FALSE;
  BOOLEAN padding = FALSE;
  for (size_t i = 0; i < length; i++) {
    U8 value = s_u8Base64Decode[(U8)text[i]];
    if (value == BASE64_BAD) return FALSE;
    if (value == BASE64_PAD) {
      if (i + 3 < length) return FALSE;
      padding = TRUE;
    } else if (padding) {
      return FALSE;
    }
  }
  return TRUE;
}

U8* BASE64_pu8Decode(const char* text, U32* outLength) {
  *outLength = 0;
  // Anything else would be read past or decoded into garbage.
  if (!BASE64_bIsBase64(text) || text[0] == '\0') return nullptr;
  U32 length = (U32)strlen(text);
  U8* bytes = (U8*)H_MEMORY_pvMalloc((length + 3) / 4 * 3);
  U32 n = 0;
  for (U32 i = 0; i < length; i += 4) {
    U8 v[4];
    int have = 0;
    while (have < 4 && s_u8Base64Decode[(U8)text[i + have]] != BASE64_PAD) {
      v[have] = s_u8Base64Decode[(U8)text[i + have]];
      have++;
    }
    if (have >= 2) bytes[n++] = (U8)(v[0] << 2 | v[1] >> 4);
    if (have >= 3) bytes[n++] = (U8)(v[1] << 4 | v[2] >> 2);
    if (have == 4) bytes[n++] = (U8)(v[2] << 6 | v[3]);
  }
  *outLength = n;
  return bytes;
}
