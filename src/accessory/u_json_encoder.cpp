// The JSON encoder. Each item is one piece: a comma when something was
// written before at its level, a line feed, the indentation and the item.

#include "u_json_encoder.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

namespace {

enum JSON_ENCODER_STATE { STATE_GO, STATE_OK, STATE_KEY, STATE_OBJECT_END, STATE_ARRAY_END };
enum JSON_ENCODER_MODE : U8 { EMODE_ARRAY, EMODE_DONE, EMODE_OBJECT };

void JSON_vWrite(JSON_encoder jc, const char* pc, int n) {
  if (jc->bFailed) return;
  if (n > jc->nSize - 1 - jc->nUsed) {
    jc->bFailed = TRUE;
    return;
  }
  memcpy(jc->pcOut + jc->nUsed, pc, (size_t)n);
  jc->nUsed += n;
  jc->pcOut[jc->nUsed] = '\0';
}

void JSON_vWriteText(JSON_encoder jc, const char* pc) { JSON_vWrite(jc, pc, (int)strlen(pc)); }

void JSON_vNewLine(JSON_encoder jc, int nLevels) {
  JSON_vWrite(jc, "\n", 1);
  for (int i = 0; i < nLevels; i++) JSON_vWrite(jc, "   ", 3);
}

void JSON_vWriteString(JSON_encoder jc, const char* pc, int n) {
  JSON_vWrite(jc, "\"", 1);
  int nRun = 0;  // bytes waiting to be written as they stand
  for (int i = 0; i < n; i++) {
    const U8 c = (U8)pc[i];
    if (c >= 0x20 && c != '"' && c != '\\') {
      nRun++;
      continue;
    }
    JSON_vWrite(jc, pc + i - nRun, nRun);
    nRun = 0;
    static const char s_acShort[] = "\"\\\b\f\n\r\t";
    static const char s_acLetter[] = "\"\\bfnrt";
    const char* pcShort = c != 0 ? strchr(s_acShort, c) : nullptr;
    char acEscape[8];
    if (pcShort != nullptr) {
      snprintf(acEscape, sizeof acEscape, "\\%c", s_acLetter[pcShort - s_acShort]);
    } else {
      snprintf(acEscape, sizeof acEscape, "\\u%04x", c);
    }
    JSON_vWriteText(jc, acEscape);
  }
  JSON_vWrite(jc, pc + n - nRun, nRun);
  JSON_vWrite(jc, "\"", 1);
}

// The comma, line feed, indentation and name that precede an item.
void JSON_vItemStart(JSON_encoder jc, const char* pcName, int nNameLength) {
  if (jc->state == STATE_KEY || jc->state == STATE_OBJECT_END || jc->state == STATE_ARRAY_END) {
    JSON_vWrite(jc, ",", 1);
  }
  JSON_vNewLine(jc, jc->top);
  if (jc->stack[jc->top] == EMODE_OBJECT) {
    JSON_vWriteString(jc, pcName != nullptr ? pcName : "", pcName != nullptr ? nNameLength : 0);
    JSON_vWrite(jc, " : ", 3);
  }
}

int JSON_nResult(JSON_encoder jc) { return jc->bFailed ? -1 : 0; }

BOOLEAN JSON_bUsable(JSON_encoder jc) { return jc != nullptr && jc->valid == JSON_ENCODER_VALID && !jc->bFailed; }

}  // namespace

void new_JSON_encoder(JSON_encoder jc, char* pcBuffer, int nSize, JSON_type_t eType) {
  jc->valid = JSON_ENCODER_VALID;
  jc->state = STATE_GO;
  jc->depth = JSON_MAX_NESTING + 1;
  jc->top = 0;
  jc->stack[0] = EMODE_DONE;
  jc->pcOut = pcBuffer;
  jc->nSize = nSize;
  jc->nUsed = 0;
  jc->bFailed = pcBuffer == nullptr || nSize < 1;
  if (jc->bFailed) return;
  pcBuffer[0] = '\0';
  const BOOLEAN bObject = eType == JSON_TYPE_OBJECT;
  JSON_vWrite(jc, bObject ? "{" : "[", 1);
  jc->stack[++jc->top] = bObject ? EMODE_OBJECT : EMODE_ARRAY;
}

int JSON_encode_string(JSON_encoder jc, const char* objName, const char* pcText, int nLength) {
  return JSON_encode_item(jc, JSON_TYPE_STRING, objName, objName != nullptr ? (int)strlen(objName) : 0, pcText, nLength);
}

int JSON_encode(JSON_encoder jc, JSON_type_t type, const char* objName, const void* value) {
  const char* pcText = type == JSON_TYPE_STRING && value != nullptr ? (const char*)value : "";
  return JSON_encode_item(jc, type, objName, objName != nullptr ? (int)strlen(objName) : 0, value,
                          (int)strlen(pcText));
}

int JSON_encode_item(JSON_encoder jc, JSON_type_t type, const char* pcName, int nNameLength, const void* value,
                     int nValueLength) {
  if (!JSON_bUsable(jc)) return -1;
  if (type == JSON_TYPE_OBJECT_END || type == JSON_TYPE_ARRAY_END) {
    const U8 mode = type == JSON_TYPE_OBJECT_END ? EMODE_OBJECT : EMODE_ARRAY;
    // The outermost level is closed by JSON_encoder_done.
    if (jc->top <= 1 || jc->stack[jc->top] != mode) {
      jc->bFailed = TRUE;
      return -1;
    }
    jc->top--;
    JSON_vNewLine(jc, jc->top);
    JSON_vWrite(jc, type == JSON_TYPE_OBJECT_END ? "}" : "]", 1);
    jc->state = type == JSON_TYPE_OBJECT_END ? STATE_OBJECT_END : STATE_ARRAY_END;
    return JSON_nResult(jc);
  }
  char acNumber[40] = "";
  switch (type) {
    case JSON_TYPE_STRING: break;
    case JSON_TYPE_INT: snprintf(acNumber, sizeof acNumber, "%lld", (long long)*(const S64*)value); break;
    case JSON_TYPE_INT64: snprintf(acNumber, sizeof acNumber, "%llu", (unsigned long long)*(const U64*)value); break;
    case JSON_TYPE_REAL: {
      const double d = *(const double*)value;
      if (!isfinite(d)) {
        jc->bFailed = TRUE;
        return -1;
      }
      // Enough digits to read back the same double, and never the form of an integer.
      snprintf(acNumber, sizeof acNumber, "%.17g", d);
      if (strpbrk(acNumber, ".e") == nullptr) strcat(acNumber, ".0");
      break;
    }
    case JSON_TYPE_OBJECT:
    case JSON_TYPE_ARRAY:
      if (jc->top + 1 >= jc->depth) {
        jc->bFailed = TRUE;
        return -1;
      }
      break;
    case JSON_TYPE_BOOLEAN_TRUE: strcpy(acNumber, "true"); break;
    case JSON_TYPE_BOOLEAN_FALSE: strcpy(acNumber, "false"); break;
    case JSON_TYPE_NULL: strcpy(acNumber, "null"); break;
    default: jc->bFailed = TRUE; return -1;
  }
  JSON_vItemStart(jc, pcName, nNameLength);
  if (type == JSON_TYPE_STRING) {
    JSON_vWriteString(jc, value != nullptr ? (const char*)value : "", value != nullptr ? nValueLength : 0);
    jc->state = STATE_KEY;
  } else if (type == JSON_TYPE_OBJECT || type == JSON_TYPE_ARRAY) {
    JSON_vWrite(jc, type == JSON_TYPE_OBJECT ? "{" : "[", 1);
    jc->stack[++jc->top] = type == JSON_TYPE_OBJECT ? EMODE_OBJECT : EMODE_ARRAY;
    jc->state = STATE_GO;
  } else {
    JSON_vWriteText(jc, acNumber);
    jc->state = STATE_KEY;
  }
  return JSON_nResult(jc);
}

// One decoded node as an item named as it stands in its parent.
static int JSON_nEncodeNode(JSON_encoder jc, JSON_decoder jo) {
  const JSON_type_t type = JSON_util_get_type(jo);
  const char* pcName = JSON_util_get_key(jo);
  const int nName = JSON_util_get_key_length(jo);
  if (type == JSON_TYPE_OBJECT || type == JSON_TYPE_ARRAY) {
    JSON_encode_item(jc, type, pcName, nName, nullptr, 0);
    JSON_encode_tree(jc, jo);
    return JSON_encode(jc, type == JSON_TYPE_OBJECT ? JSON_TYPE_OBJECT_END : JSON_TYPE_ARRAY_END, nullptr, nullptr);
  }
  if (type == JSON_TYPE_STRING) {
    return JSON_encode_item(jc, type, pcName, nName, JSON_util_get_string(jo), JSON_util_get_string_length(jo));
  }
  if (type == JSON_TYPE_INT) {
    const S64 s64 = (S64)JSON_util_get_int64(jo);
    const U64 u64 = JSON_util_get_int64(jo);
    return JSON_util_bIsNegative(jo) ? JSON_encode_item(jc, JSON_TYPE_INT, pcName, nName, &s64, 0)
                                     : JSON_encode_item(jc, JSON_TYPE_INT64, pcName, nName, &u64, 0);
  }
  const double d = JSON_util_get_real(jo);
  return JSON_encode_item(jc, type, pcName, nName, &d, 0);
}

int JSON_encode_tree(JSON_encoder jc, JSON_decoder jo) {
  for (int i = 0; i < JSON_util_get_child_count(jo) && JSON_bUsable(jc); i++) {
    JSON_nEncodeNode(jc, JSON_util_get_child(jo, i));
  }
  return JSON_bUsable(jc) ? 0 : -1;
}

int JSON_encoder_done(JSON_encoder jc) {
  if (!JSON_bUsable(jc)) return -1;
  jc->valid = 0;
  if (jc->top != 1) return -1;
  JSON_vNewLine(jc, 0);
  JSON_vWrite(jc, jc->stack[1] == EMODE_OBJECT ? "}\n" : "]\n", 2);
  return jc->bFailed ? -1 : jc->nUsed;
}
