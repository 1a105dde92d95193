// The JSON decoder over any bytes. A text it accepts must come back through
// the encoder as a text that it accepts again with the same tree.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "u_json_decoder.h"
#include "u_json_encoder.h"

namespace {

void Check(bool bHolds, const char* pcText) {
  if (bHolds) return;
  fprintf(stderr, "fuzz_json: does not hold: %s\n", pcText);
  abort();
}

bool Same(JSON_decoder a, JSON_decoder b) {
  const JSON_type_t type = JSON_util_get_type(a);
  if (type != JSON_util_get_type(b) || JSON_util_get_child_count(a) != JSON_util_get_child_count(b) ||
      JSON_util_get_key_length(a) != JSON_util_get_key_length(b) ||
      memcmp(JSON_util_get_key(a), JSON_util_get_key(b), (size_t)JSON_util_get_key_length(a)) != 0) {
    return false;
  }
  switch (type) {
    case JSON_TYPE_OBJECT:
    case JSON_TYPE_ARRAY:
      for (int i = 0; i < JSON_util_get_child_count(a); i++) {
        if (!Same(JSON_util_get_child(a, i), JSON_util_get_child(b, i))) return false;
      }
      return true;
    case JSON_TYPE_STRING:
      return JSON_util_get_string_length(a) == JSON_util_get_string_length(b) &&
             memcmp(JSON_util_get_string(a), JSON_util_get_string(b), (size_t)JSON_util_get_string_length(a)) == 0;
    case JSON_TYPE_INT:
      return JSON_util_get_int64(a) == JSON_util_get_int64(b) && JSON_util_bIsNegative(a) == JSON_util_bIsNegative(b);
    case JSON_TYPE_REAL: return JSON_util_get_real(a) == JSON_util_get_real(b);
    default: return true;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  JSON_decoder root = new_JSON_decoder((const char*)data, (int)size);
  if (root == nullptr) return 0;
  Check(JSON_util_get_type(root) == JSON_TYPE_OBJECT || JSON_util_get_type(root) == JSON_TYPE_ARRAY,
        "the top is an object or an array");
  // Escapes at most sextuple a byte, and indentation adds three spaces a
  // level to each line; a text that does not fit is not checked.
  std::vector<char> text(8 * size + 64 * 1024);
  JSON_encoder_struct encoder;
  new_JSON_encoder(&encoder, text.data(), (int)text.size(), JSON_util_get_type(root));
  JSON_encode_tree(&encoder, root);
  const int n = JSON_encoder_done(&encoder);
  if (n >= 0) {
    Check(text[(size_t)n] == '\0' && (int)strlen(text.data()) <= n, "the encoding is terminated in its buffer");
    JSON_decoder again = new_JSON_decoder(text.data(), n);
    Check(again != nullptr, "the encoding of an accepted text is accepted");
    Check(Same(root, again), "the encoding decodes to the same tree");
    JSON_decoder_done(again);
  }
  JSON_decoder_done(root);
  return 0;
}
