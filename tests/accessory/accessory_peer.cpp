// A line-oriented front end to the accessory code for check_with_python.py,
// which holds its answers to Python's own json, pow and a model of the link
// key derivation. One request per line on standard input, one answer line.
//
//   tree FILE      the decoded tree as tokens, or REFUSED
//   reencode FILE  the tree encoded again, as hex, or REFUSED
//   pow B E M | inv E N | derive HEX64 | decrypt K C | encrypt K P

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "linuxsvc.h"
#include "test_tasks.h"
#include "u_authentication.h"
#include "u_json_decoder.h"
#include "u_json_encoder.h"
#include "u_modularmath.h"
#include "u_navrocrypt.h"

static std::string Hex(const char* pc, size_t n) {
  std::string out;
  char ac[3];
  for (size_t i = 0; i < n; i++) {
    snprintf(ac, sizeof ac, "%02x", (unsigned char)pc[i]);
    out += ac;
  }
  return out.empty() ? "-" : out;
}

// O<count> / A<count>, then per member K<hex key>, then the value: S<hex>,
// I<decimal>, R<%.17g>, T, F, N.
static void Tree(JSON_decoder jo, std::string* pOut) {
  char ac[64];
  switch (JSON_util_get_type(jo)) {
    case JSON_TYPE_OBJECT:
    case JSON_TYPE_ARRAY: {
      const bool bObject = JSON_util_get_type(jo) == JSON_TYPE_OBJECT;
      *pOut += (bObject ? " O" : " A") + std::to_string(JSON_util_get_child_count(jo));
      for (int i = 0; i < JSON_util_get_child_count(jo); i++) {
        JSON_decoder child = JSON_util_get_child(jo, i);
        if (bObject) *pOut += " K" + Hex(JSON_util_get_key(child), (size_t)JSON_util_get_key_length(child));
        Tree(child, pOut);
      }
      return;
    }
    case JSON_TYPE_STRING: *pOut += " S" + Hex(JSON_util_get_string(jo), (size_t)JSON_util_get_string_length(jo)); return;
    case JSON_TYPE_INT:
      if (JSON_util_bIsNegative(jo)) {
        snprintf(ac, sizeof ac, " I%lld", (long long)JSON_util_get_int64(jo));
      } else {
        snprintf(ac, sizeof ac, " I%llu", (unsigned long long)JSON_util_get_int64(jo));
      }
      *pOut += ac;
      return;
    case JSON_TYPE_REAL: snprintf(ac, sizeof ac, " R%.17g", JSON_util_get_real(jo)); *pOut += ac; return;
    case JSON_TYPE_BOOLEAN_TRUE: *pOut += " T"; return;
    case JSON_TYPE_BOOLEAN_FALSE: *pOut += " F"; return;
    default: *pOut += " N"; return;
  }
}

static std::string File(const char* pcPath) {
  std::string text;
  if (FILE* fp = fopen(pcPath, "rb")) {
    char buf[65536];
    for (size_t n; (n = fread(buf, 1, sizeof buf, fp)) > 0;) text.append(buf, n);
    fclose(fp);
  }
  return text;
}

int main() {
  opt_nolog = 1;  // answers only on standard output
  TEST_vInitServiceLayer();
  char line[512];
  while (fgets(line, sizeof line, stdin) != nullptr) {
    char cmd[16] = "", arg[400] = "";
    unsigned long long a = 0, b = 0, c = 0;
    sscanf(line, "%15s %399s", cmd, arg);
    std::string out;
    if (strcmp(cmd, "tree") == 0 || strcmp(cmd, "reencode") == 0) {
      const std::string text = File(arg);
      JSON_decoder root = new_JSON_decoder(text.data(), (int)text.size());
      if (root == nullptr) {
        out = "REFUSED";
      } else if (cmd[0] == 't') {
        Tree(root, &out);
      } else {
        std::vector<char> buffer(4 * text.size() + 4096);
        JSON_encoder_struct encoder;
        new_JSON_encoder(&encoder, buffer.data(), (int)buffer.size(), JSON_util_get_type(root));
        JSON_encode_tree(&encoder, root);
        const int n = JSON_encoder_done(&encoder);
        out = n < 0 ? "FAILED" : Hex(buffer.data(), (size_t)n);
      }
      JSON_decoder_done(root);
    } else if (strcmp(cmd, "pow") == 0 && sscanf(line, "%*s %llu %llu %llu", &a, &b, &c) == 3) {
      out = std::to_string(U_MODULARMATH_ullFastModularExponentiate(a, b, c));
    } else if (strcmp(cmd, "inv") == 0 && sscanf(line, "%*s %llu %llu", &a, &b) == 2) {
      out = std::to_string(U_MODULARMATH_ullModuloInverse((S64)a, (S64)b));
    } else if (strcmp(cmd, "derive") == 0 && strlen(arg) == 64) {
      U8 key[32], derived[32];
      for (int i = 0; i < 32; i++) key[i] = (U8)strtoul(std::string(arg + 2 * i, 2).c_str(), nullptr, 16);
      U_NAVROCRYPT_vDeriveLinkKey(key, derived);
      out = Hex((const char*)derived, 32);
    } else if ((strcmp(cmd, "decrypt") == 0 || strcmp(cmd, "encrypt") == 0) &&
               sscanf(line, "%*s %llu %llu", &a, &b) == 2) {
      const U64 value = b;
      U64* result = cmd[0] == 'd' ? U_AUTHENTICATION_ullConvertToPlaintext((int)a, 1, &value)
                                  : U_AUTHENTICATION_ullConvertToCiphertext((int)a, 1, &value);
      out = result == nullptr ? "REFUSED" : std::to_string(result[0]);
      free(result);
    } else {
      out = "?";
    }
    printf("%s\n", out.c_str());
    fflush(stdout);
  }
  return 0;
}
