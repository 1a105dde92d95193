// The JSON decoder. A transition table over 31 states and 31 character
// classes accepts exactly the texts of the grammar whose top value is an
// object or an array; a mode stack tells objects from arrays. The tree is
// built as the checker accepts, in an arena owned by the root, and all other
// state lives in the call, so decodes never share anything.

#include "u_json_decoder.h"

#include <stdlib.h>
#include <string.h>

#include <charconv>
#include <system_error>

namespace {

enum JSON_CLASS : S8 {
  C_SPACE, C_WHITE, C_LCURB, C_RCURB, C_LSQRB, C_RSQRB, C_COLON, C_COMMA, C_QUOTE, C_BACKS, C_SLASH,
  C_PLUS, C_MINUS, C_POINT, C_ZERO, C_DIGIT, C_LOW_A, C_LOW_B, C_LOW_C, C_LOW_D, C_LOW_E, C_LOW_F,
  C_LOW_L, C_LOW_N, C_LOW_R, C_LOW_S, C_LOW_T, C_LOW_U, C_ABCDF, C_E, C_ETC, NR_CLASSES,
  C_NONE = -1,  // control characters: refused everywhere
};

enum JSON_STATE : S8 {
  GO, OK, OB, KE, CO, VA, AR, ST, ES, U1, U2, U3, U4, MI, ZE, IN, FR, FS, E1, E2, E3,
  T1, T2, T3, F1, F2, F3, F4, N1, N2, N3, NR_STATES,
};

// Table entries below zero: a refusal or an action on the mode stack.
constexpr S8 __ = -1;               // refused
constexpr S8 A_EMPTY_OBJECT = -9;   // '}' right after '{'
constexpr S8 A_OBJECT_END = -8;     // '}' after a member
constexpr S8 A_ARRAY_END = -7;      // ']'
constexpr S8 A_OBJECT = -6;         // '{'
constexpr S8 A_ARRAY = -5;          // '['
constexpr S8 A_QUOTE = -4;          // the closing quote of a key or a string
constexpr S8 A_COMMA = -3;
constexpr S8 A_COLON = -2;

enum JSON_MODE : U8 { MODE_ARRAY, MODE_DONE, MODE_KEY, MODE_OBJECT };

constexpr U32 B(JSON_CLASS c) { return 1u << c; }
constexpr U32 WS = B(C_SPACE) | B(C_WHITE);
constexpr U32 DIGITS = B(C_ZERO) | B(C_DIGIT);
constexpr U32 EXP = B(C_LOW_E) | B(C_E);
constexpr U32 HEX = DIGITS | B(C_LOW_A) | B(C_LOW_B) | B(C_LOW_C) | B(C_LOW_D) | B(C_LOW_E) | B(C_LOW_F) |
                    B(C_ABCDF) | B(C_E);
constexpr U32 ALL = (1u << NR_CLASSES) - 1;

struct JSON_RULE {
  JSON_STATE state;
  U32 u32Classes;
  S8 next;
};

// The grammar, rule by rule: in state, a character of these classes leads to next.
constexpr JSON_RULE s_atRules[] = {
    {GO, WS, GO}, {GO, B(C_LCURB), A_OBJECT}, {GO, B(C_LSQRB), A_ARRAY},
    {OK, WS, OK}, {OK, B(C_RCURB), A_OBJECT_END}, {OK, B(C_RSQRB), A_ARRAY_END}, {OK, B(C_COMMA), A_COMMA},
    {OB, WS, OB}, {OB, B(C_RCURB), A_EMPTY_OBJECT}, {OB, B(C_QUOTE), ST},
    {KE, WS, KE}, {KE, B(C_QUOTE), ST},
    {CO, WS, CO}, {CO, B(C_COLON), A_COLON},
    // A value: after ':' or ',' (VA), or first in an array (AR), which may also close.
    {VA, WS, VA}, {VA, B(C_LCURB), A_OBJECT}, {VA, B(C_LSQRB), A_ARRAY}, {VA, B(C_QUOTE), ST},
    {VA, B(C_MINUS), MI}, {VA, B(C_ZERO), ZE}, {VA, B(C_DIGIT), IN},
    {VA, B(C_LOW_F), F1}, {VA, B(C_LOW_N), N1}, {VA, B(C_LOW_T), T1},
    {AR, WS, AR}, {AR, B(C_LCURB), A_OBJECT}, {AR, B(C_LSQRB), A_ARRAY}, {AR, B(C_QUOTE), ST},
    {AR, B(C_MINUS), MI}, {AR, B(C_ZERO), ZE}, {AR, B(C_DIGIT), IN},
    {AR, B(C_LOW_F), F1}, {AR, B(C_LOW_N), N1}, {AR, B(C_LOW_T), T1}, {AR, B(C_RSQRB), A_ARRAY_END},
    // Strings: only the space of the white space, escapes and \u with four hex digits.
    {ST, ALL & ~(B(C_WHITE) | B(C_QUOTE) | B(C_BACKS)), ST}, {ST, B(C_QUOTE), A_QUOTE}, {ST, B(C_BACKS), ES},
    {ES, B(C_QUOTE) | B(C_BACKS) | B(C_SLASH) | B(C_LOW_B) | B(C_LOW_F) | B(C_LOW_N) | B(C_LOW_R) | B(C_LOW_T), ST},
    {ES, B(C_LOW_U), U1},
    {U1, HEX, U2}, {U2, HEX, U3}, {U3, HEX, U4}, {U4, HEX, ST},
    // Numbers: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)? and what may end one.
    {MI, B(C_ZERO), ZE}, {MI, B(C_DIGIT), IN},
    {ZE, B(C_POINT), FR}, {ZE, EXP, E1},
    {IN, DIGITS, IN}, {IN, B(C_POINT), FR}, {IN, EXP, E1},
    {FR, DIGITS, FS},
    {FS, DIGITS, FS}, {FS, EXP, E1},
    {E1, B(C_PLUS) | B(C_MINUS), E2}, {E1, DIGITS, E3},
    {E2, DIGITS, E3},
    {E3, DIGITS, E3},
    {ZE, WS, OK}, {IN, WS, OK}, {FS, WS, OK}, {E3, WS, OK},
    {ZE, B(C_RCURB), A_OBJECT_END}, {IN, B(C_RCURB), A_OBJECT_END}, {FS, B(C_RCURB), A_OBJECT_END},
    {E3, B(C_RCURB), A_OBJECT_END},
    {ZE, B(C_RSQRB), A_ARRAY_END}, {IN, B(C_RSQRB), A_ARRAY_END}, {FS, B(C_RSQRB), A_ARRAY_END},
    {E3, B(C_RSQRB), A_ARRAY_END},
    {ZE, B(C_COMMA), A_COMMA}, {IN, B(C_COMMA), A_COMMA}, {FS, B(C_COMMA), A_COMMA}, {E3, B(C_COMMA), A_COMMA},
    // Literals, lower case only.
    {T1, B(C_LOW_R), T2}, {T2, B(C_LOW_U), T3}, {T3, B(C_LOW_E), OK},
    {F1, B(C_LOW_A), F2}, {F2, B(C_LOW_L), F3}, {F3, B(C_LOW_S), F4}, {F4, B(C_LOW_E), OK},
    {N1, B(C_LOW_U), N2}, {N2, B(C_LOW_L), N3}, {N3, B(C_LOW_L), OK},
};

struct JSON_TABLES {
  S8 aClass[256];
  bool abPlain[256];  // bytes that a string holds as they stand
  S8 aTransition[NR_STATES][NR_CLASSES];
};

constexpr JSON_CLASS JSON_eClassOf(int c) {
  if (c >= 128) return C_ETC;
  if (c == ' ') return C_SPACE;
  if (c == '\t' || c == '\n' || c == '\r') return C_WHITE;
  if (c < 32) return C_NONE;
  switch (c) {
    case '{': return C_LCURB;
    case '}': return C_RCURB;
    case '[': return C_LSQRB;
    case ']': return C_RSQRB;
    case ':': return C_COLON;
    case ',': return C_COMMA;
    case '"': return C_QUOTE;
    case '\\': return C_BACKS;
    case '/': return C_SLASH;
    case '+': return C_PLUS;
    case '-': return C_MINUS;
    case '.': return C_POINT;
    case '0': return C_ZERO;
    case 'a': return C_LOW_A;
    case 'b': return C_LOW_B;
    case 'c': return C_LOW_C;
    case 'd': return C_LOW_D;
    case 'e': return C_LOW_E;
    case 'f': return C_LOW_F;
    case 'l': return C_LOW_L;
    case 'n': return C_LOW_N;
    case 'r': return C_LOW_R;
    case 's': return C_LOW_S;
    case 't': return C_LOW_T;
    case 'u': return C_LOW_U;
    case 'E': return C_E;
    default: break;
  }
  if (c >= '1' && c <= '9') return C_DIGIT;
  if (c >= 'A' && c <= 'D') return C_ABCDF;
  if (c == 'F') return C_ABCDF;
  return C_ETC;
}

constexpr JSON_TABLES JSON_MakeTables() {
  JSON_TABLES t = {};
  for (int c = 0; c < 256; c++) {
    t.aClass[c] = JSON_eClassOf(c);
    t.abPlain[c] = c != '"' && c != '\\' && (c == ' ' || t.aClass[c] > C_WHITE);
  }
  for (auto& row : t.aTransition) {
    for (S8& entry : row) entry = __;
  }
  for (const JSON_RULE& rule : s_atRules) {
    for (int c = 0; c < NR_CLASSES; c++) {
      if (rule.u32Classes & (1u << c)) t.aTransition[rule.state][c] = rule.next;
    }
  }
  return t;
}

constexpr JSON_TABLES s_tJson = JSON_MakeTables();

constexpr bool JSON_bNumberState(int state) { return state >= MI && state <= E3; }

// The arena: chunks of the system heap; the first one begins with the root.
// Its header keeps what follows aligned for the nodes' 64-bit fields.
struct alignas(8) JSON_CHUNK {
  JSON_CHUNK* pNext;
  size_t size;  // usable bytes after the header
  size_t used;
};

}  // namespace

struct JSON_decoder_value_s {
  JSON_type_t type;
  int iCount;
  const char* pcKey;
  JSON_decoder_value_s* parent;
  JSON_decoder_value_s* pNext;   // next sibling, while the parent is open
  JSON_decoder_value_s* pFirst;  // first child, while open
  JSON_decoder_value_s* pLast;   // last child, while open
  JSON_decoder_value_s** ppChildren;  // all children, once closed
  union {
    struct {
      const char* pc;
      int nLength;
    } str;
    U64 u64;
    double d;
  } data;
  BOOLEAN bNegative;
  U8 u8KeyLength;  // a decoded \u0000 may end the C text of the key early
};

namespace {

typedef JSON_decoder_value_s JSON_NODE;

constexpr int JSON_STACK_SIZE = JSON_MAX_NESTING + 1;  // one place for MODE_DONE

struct JSON_PARSE {
  JSON_CHUNK* pChunk;  // the newest chunk; chunks link back to the first
  JSON_NODE* pRoot;
  JSON_NODE* pCurrent;  // the innermost open object or array
  int state;
  int top;
  U8 au8Stack[JSON_STACK_SIZE];
  char acText[JSON_MAX_STRING + 1];  // the string, key or number being read
  int nText;
  char acKey[JSON_MAX_KEY + 1];  // the member name waiting for its value
  int nKey;
  U32 u32Unit;  // the \u escape being read
  U32 u32HighSurrogate;  // a \u high surrogate waiting for its partner, or 0
};

constexpr size_t JSON_ALIGN = alignof(JSON_NODE);

BOOLEAN JSON_bNewChunk(JSON_PARSE* p, size_t size) {
  JSON_CHUNK* pNew = (JSON_CHUNK*)malloc(sizeof(JSON_CHUNK) + size);
  if (pNew == nullptr) return FALSE;
  pNew->pNext = nullptr;
  pNew->size = size;
  pNew->used = 0;
  if (p->pChunk != nullptr) p->pChunk->pNext = pNew;
  p->pChunk = pNew;
  return TRUE;
}

void* JSON_pvAllocate(JSON_PARSE* p, size_t size) {
  size = (size + JSON_ALIGN - 1) & ~(JSON_ALIGN - 1);
  JSON_CHUNK* pChunk = p->pChunk;
  if (pChunk->size - pChunk->used < size) {
    if (!JSON_bNewChunk(p, size > 2 * pChunk->size ? size : 2 * pChunk->size)) return nullptr;
    pChunk = p->pChunk;
  }
  void* pv = (U8*)(pChunk + 1) + pChunk->used;
  pChunk->used += size;
  return pv;
}

// Frees the chain from its first chunk on.
void JSON_vFreeChunks(JSON_CHUNK* pChunk) {
  while (pChunk != nullptr) {
    JSON_CHUNK* pNext = pChunk->pNext;
    free(pChunk);
    pChunk = pNext;
  }
}

char* JSON_pcCopy(JSON_PARSE* p, const char* pc, int n) {
  char* pcCopy = (char*)JSON_pvAllocate(p, (size_t)n + 1);
  if (pcCopy != nullptr) {
    memcpy(pcCopy, pc, (size_t)n);
    pcCopy[n] = '\0';
  }
  return pcCopy;
}

// A new node under the current container (the root when there is none yet),
// with the waiting member name inside an object.
JSON_NODE* JSON_pNewNode(JSON_PARSE* p, JSON_type_t type) {
  JSON_NODE* pParent = p->pCurrent;
  if (pParent != nullptr && pParent->iCount >= JSON_MAX_CHILDREN) return nullptr;
  JSON_NODE* pNode = (JSON_NODE*)JSON_pvAllocate(p, sizeof(JSON_NODE));
  if (pNode == nullptr) return nullptr;
  memset(pNode, 0, sizeof *pNode);
  pNode->type = type;
  pNode->pcKey = "";
  pNode->parent = pParent;
  if (pParent == nullptr) {
    p->pRoot = pNode;
    return pNode;
  }
  if (pParent->type == JSON_TYPE_OBJECT) {
    pNode->pcKey = JSON_pcCopy(p, p->acKey, p->nKey);
    pNode->u8KeyLength = (U8)p->nKey;
    if (pNode->pcKey == nullptr) return nullptr;
  }
  if (pParent->pLast == nullptr) {
    pParent->pFirst = pNode;
  } else {
    pParent->pLast->pNext = pNode;
  }
  pParent->pLast = pNode;
  pParent->iCount++;
  return pNode;
}

// Ends the current container: its children become an array in order.
BOOLEAN JSON_bClose(JSON_PARSE* p) {
  JSON_NODE* pNode = p->pCurrent;
  if (pNode->iCount > 0) {
    pNode->ppChildren = (JSON_NODE**)JSON_pvAllocate(p, sizeof(JSON_NODE*) * (size_t)pNode->iCount);
    if (pNode->ppChildren == nullptr) return FALSE;
    int i = 0;
    for (JSON_NODE* pChild = pNode->pFirst; pChild != nullptr; pChild = pChild->pNext) pNode->ppChildren[i++] = pChild;
  }
  p->pCurrent = pNode->parent;
  return TRUE;
}

BOOLEAN JSON_bAppend(JSON_PARSE* p, const char* pc, int n) {
  if (p->nText + n > JSON_MAX_STRING) return FALSE;
  memcpy(p->acText + p->nText, pc, (size_t)n);
  p->nText += n;
  return TRUE;
}

// A code point in UTF-8; a lone surrogate takes the three-byte form that
// other decoders give it too.
BOOLEAN JSON_bAppendCodePoint(JSON_PARSE* p, U32 cp) {
  char ac[4];
  int n;
  if (cp < 0x80) {
    ac[0] = (char)cp;
    n = 1;
  } else if (cp < 0x800) {
    ac[0] = (char)(0xC0 | cp >> 6);
    ac[1] = (char)(0x80 | (cp & 0x3F));
    n = 2;
  } else if (cp < 0x10000) {
    ac[0] = (char)(0xE0 | cp >> 12);
    ac[1] = (char)(0x80 | ((cp >> 6) & 0x3F));
    ac[2] = (char)(0x80 | (cp & 0x3F));
    n = 3;
  } else {
    ac[0] = (char)(0xF0 | cp >> 18);
    ac[1] = (char)(0x80 | ((cp >> 12) & 0x3F));
    ac[2] = (char)(0x80 | ((cp >> 6) & 0x3F));
    ac[3] = (char)(0x80 | (cp & 0x3F));
    n = 4;
  }
  return JSON_bAppend(p, ac, n);
}

BOOLEAN JSON_bFlushSurrogate(JSON_PARSE* p) {
  const U32 u32High = p->u32HighSurrogate;
  p->u32HighSurrogate = 0;
  return u32High == 0 || JSON_bAppendCodePoint(p, u32High);
}

// A complete \u unit: a low surrogate after a high one joins it.
BOOLEAN JSON_bUnicodeUnit(JSON_PARSE* p, U32 u32Unit) {
  if (p->u32HighSurrogate != 0 && u32Unit >= 0xDC00 && u32Unit <= 0xDFFF) {
    const U32 cp = 0x10000 + ((p->u32HighSurrogate - 0xD800) << 10) + (u32Unit - 0xDC00);
    p->u32HighSurrogate = 0;
    return JSON_bAppendCodePoint(p, cp);
  }
  if (!JSON_bFlushSurrogate(p)) return FALSE;
  if (u32Unit >= 0xD800 && u32Unit <= 0xDBFF) {
    p->u32HighSurrogate = u32Unit;
    return TRUE;
  }
  return JSON_bAppendCodePoint(p, u32Unit);
}

int JSON_nHexValue(int c) {
  if (c <= '9') return c - '0';
  return (c | 0x20) - 'a' + 10;
}

// A byte inside a string, after the opening quote.
BOOLEAN JSON_bStringByte(JSON_PARSE* p, int state, int next, int c) {
  if (state == ES) {
    if (next == U1) {
      p->u32Unit = 0;
      return TRUE;
    }
    static const char s_acFrom[] = "\"\\/bfnrt";
    static const char s_acTo[] = "\"\\/\b\f\n\r\t";
    const char ch = s_acTo[strchr(s_acFrom, c) - s_acFrom];
    return JSON_bFlushSurrogate(p) && JSON_bAppend(p, &ch, 1);
  }
  if (state >= U1 && state <= U4) {
    p->u32Unit = p->u32Unit << 4 | (U32)JSON_nHexValue(c);
    return state != U4 || JSON_bUnicodeUnit(p, p->u32Unit);
  }
  if (next != ST) return TRUE;  // the backslash itself
  const char ch = (char)c;
  return JSON_bFlushSurrogate(p) && JSON_bAppend(p, &ch, 1);
}

// The number whose text was gathered: an integer when it has neither
// fraction nor exponent, else a double.
BOOLEAN JSON_bNumber(JSON_PARSE* p) {
  JSON_NODE* pNode = JSON_pNewNode(p, JSON_TYPE_INT);
  if (pNode == nullptr) return FALSE;
  pNode->iCount = 1;
  const char* pc = p->acText;
  const char* pcEnd = pc + p->nText;
  if (memchr(pc, '.', (size_t)p->nText) || memchr(pc, 'e', (size_t)p->nText) || memchr(pc, 'E', (size_t)p->nText)) {
    pNode->type = JSON_TYPE_REAL;
    const std::from_chars_result r = std::from_chars(pc, pcEnd, pNode->data.d);
    return r.ec == std::errc() && r.ptr == pcEnd;
  }
  const bool bNegative = *pc == '-';
  U64 u64Magnitude = 0;
  const std::from_chars_result r = std::from_chars(pc + (bNegative ? 1 : 0), pcEnd, u64Magnitude);
  if (r.ec != std::errc() || r.ptr != pcEnd) return FALSE;
  if (bNegative) {
    if (u64Magnitude > (U64)1 << 63) return FALSE;
    pNode->data.u64 = 0 - u64Magnitude;
    pNode->bNegative = u64Magnitude != 0;
  } else {
    pNode->data.u64 = u64Magnitude;
  }
  return TRUE;
}

BOOLEAN JSON_bLiteral(JSON_PARSE* p, int state) {
  JSON_NODE* pNode =
      JSON_pNewNode(p, state == T3 ? JSON_TYPE_BOOLEAN_TRUE : state == F4 ? JSON_TYPE_BOOLEAN_FALSE : JSON_TYPE_NULL);
  if (pNode == nullptr) return FALSE;
  pNode->iCount = 1;
  return TRUE;
}

BOOLEAN JSON_bClosingQuote(JSON_PARSE* p) {
  if (!JSON_bFlushSurrogate(p)) return FALSE;
  if (p->au8Stack[p->top] == MODE_KEY) {
    if (p->nText > JSON_MAX_KEY) return FALSE;
    memcpy(p->acKey, p->acText, (size_t)p->nText);
    p->nKey = p->nText;
    p->state = CO;
    return TRUE;
  }
  JSON_NODE* pNode = JSON_pNewNode(p, JSON_TYPE_STRING);
  if (pNode == nullptr) return FALSE;
  pNode->iCount = 1;
  pNode->data.str.pc = JSON_pcCopy(p, p->acText, p->nText);
  pNode->data.str.nLength = p->nText;
  p->state = OK;
  return pNode->data.str.pc != nullptr;
}

BOOLEAN JSON_bPush(JSON_PARSE* p, JSON_MODE mode) {
  if (p->top + 1 >= JSON_STACK_SIZE) return FALSE;
  JSON_NODE* pNode = JSON_pNewNode(p, mode == MODE_ARRAY ? JSON_TYPE_ARRAY : JSON_TYPE_OBJECT);
  if (pNode == nullptr) return FALSE;
  p->au8Stack[++p->top] = (U8)mode;
  p->pCurrent = pNode;
  p->state = mode == MODE_ARRAY ? AR : OB;
  return TRUE;
}

BOOLEAN JSON_bPop(JSON_PARSE* p, JSON_MODE mode) {
  if (p->au8Stack[p->top] != mode) return FALSE;
  p->top--;
  p->state = OK;
  return JSON_bClose(p);
}

BOOLEAN JSON_bAction(JSON_PARSE* p, int action) {
  JSON_MODE mode = (JSON_MODE)p->au8Stack[p->top];
  switch (action) {
    case A_EMPTY_OBJECT: return JSON_bPop(p, MODE_KEY);
    case A_OBJECT_END: return JSON_bPop(p, MODE_OBJECT);
    case A_ARRAY_END: return JSON_bPop(p, MODE_ARRAY);
    case A_OBJECT: return JSON_bPush(p, MODE_KEY);
    case A_ARRAY: return JSON_bPush(p, MODE_ARRAY);
    case A_QUOTE: return JSON_bClosingQuote(p);
    case A_COMMA:
      if (mode == MODE_OBJECT) {
        p->au8Stack[p->top] = MODE_KEY;
        p->state = KE;
        return TRUE;
      }
      p->state = VA;
      return mode == MODE_ARRAY;
    case A_COLON:
      if (mode != MODE_KEY) return FALSE;
      p->au8Stack[p->top] = MODE_OBJECT;
      p->state = VA;
      return TRUE;
    default: return FALSE;
  }
}

// One byte of the text; FALSE refuses the whole text.
BOOLEAN JSON_bByte(JSON_PARSE* p, U8 c) {
  const int cls = s_tJson.aClass[c];
  if (cls == C_NONE) return FALSE;
  const int state = p->state;
  const int next = s_tJson.aTransition[state][cls];
  if (next == __) return FALSE;
  if (JSON_bNumberState(state) && !JSON_bNumberState(next) && !JSON_bNumber(p)) return FALSE;
  if ((state == T3 || state == F4 || state == N3) && !JSON_bLiteral(p, state)) return FALSE;
  if (state >= ST && state <= U4 && next != A_QUOTE) {
    if (!JSON_bStringByte(p, state, next, c)) return FALSE;
  } else if (next == ST || (JSON_bNumberState(next) && !JSON_bNumberState(state))) {
    p->nText = 0;  // a string or a number starts
    p->u32HighSurrogate = 0;
  }
  if (JSON_bNumberState(next)) {
    const char ch = (char)c;
    if (!JSON_bAppend(p, &ch, 1)) return FALSE;
  }
  if (next >= 0) {
    p->state = next;
    return TRUE;
  }
  return JSON_bAction(p, next);
}

}  // namespace

JSON_decoder new_JSON_decoder(const char* pcText, int nSize) {
  if (pcText == nullptr || nSize <= 0) return nullptr;
  JSON_PARSE parse;
  JSON_PARSE* p = &parse;
  p->pChunk = nullptr;
  p->pRoot = nullptr;
  p->pCurrent = nullptr;
  p->state = GO;
  p->top = 0;
  p->au8Stack[0] = MODE_DONE;
  p->nText = 0;
  p->nKey = 0;
  p->u32HighSurrogate = 0;
  // The first chunk, sized for a typical message, holds the root at its
  // start, where JSON_decoder_done finds the chunk again.
  const size_t first = (size_t)nSize * 4;
  if (!JSON_bNewChunk(p, first < 512 ? 512 : first > 256 * 1024 ? 256 * 1024 : first)) return nullptr;
  JSON_CHUNK* pFirst = p->pChunk;
  BOOLEAN bGood = TRUE;
  for (int i = 0; bGood && i < nSize; i++) {
    // Inside a string, a run of bytes that stand for themselves is taken whole.
    if (p->state == ST && s_tJson.abPlain[(U8)pcText[i]]) {
      int end = i + 1;
      while (end < nSize && s_tJson.abPlain[(U8)pcText[end]]) end++;
      bGood = JSON_bFlushSurrogate(p) && JSON_bAppend(p, pcText + i, end - i);
      i = end - 1;
      continue;
    }
    // Between tokens white space changes nothing.
    if (p->state <= AR && s_tJson.aClass[(U8)pcText[i]] <= C_WHITE && s_tJson.aClass[(U8)pcText[i]] >= C_SPACE) {
      continue;
    }
    bGood = JSON_bByte(p, (U8)pcText[i]);
  }
  if (bGood && p->state == OK && p->top == 0 && p->pRoot != nullptr) return p->pRoot;
  JSON_vFreeChunks(pFirst);
  return nullptr;
}

void JSON_decoder_done(JSON_decoder jo) {
  if (jo == nullptr || jo->parent != nullptr) return;
  JSON_vFreeChunks((JSON_CHUNK*)jo - 1);
}

JSON_type_t JSON_util_get_type(JSON_decoder jo) { return jo == nullptr ? JSON_TYPE_UNKNOWN : jo->type; }

int JSON_util_get_child_count(JSON_decoder jo) { return jo == nullptr ? 0 : jo->iCount; }

const char* JSON_util_get_key(JSON_decoder jo) { return jo == nullptr ? "" : jo->pcKey; }

int JSON_util_get_key_length(JSON_decoder jo) { return jo == nullptr ? 0 : jo->u8KeyLength; }

JSON_decoder JSON_util_get_child(JSON_decoder jo, int i) {
  if (jo == nullptr || (jo->type != JSON_TYPE_OBJECT && jo->type != JSON_TYPE_ARRAY) || i < 0 || i >= jo->iCount) {
    return nullptr;
  }
  return jo->ppChildren[i];
}

const char* JSON_util_get_string(JSON_decoder jo) {
  return jo != nullptr && jo->type == JSON_TYPE_STRING ? jo->data.str.pc : "";
}

int JSON_util_get_string_length(JSON_decoder jo) {
  return jo != nullptr && jo->type == JSON_TYPE_STRING ? jo->data.str.nLength : 0;
}

U64 JSON_util_get_int64(JSON_decoder jo) { return jo != nullptr && jo->type == JSON_TYPE_INT ? jo->data.u64 : 0; }

int JSON_util_get_int(JSON_decoder jo) { return (int)(U32)JSON_util_get_int64(jo); }

BOOLEAN JSON_util_bIsNegative(JSON_decoder jo) { return jo != nullptr && jo->type == JSON_TYPE_INT && jo->bNegative; }

double JSON_util_get_real(JSON_decoder jo) {
  if (jo == nullptr) return 0;
  if (jo->type == JSON_TYPE_REAL) return jo->data.d;
  if (jo->type != JSON_TYPE_INT) return 0;
  return jo->bNegative ? (double)(S64)jo->data.u64 : (double)jo->data.u64;
}
