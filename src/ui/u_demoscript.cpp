// Reading demonstration scripts. Scripts come from the program and, in
// future, from cards, so nothing here trusts a length, a terminator or a
// target line: fields are cut to their buffers and searches stop after one
// pass round the script.

#include "u_demoscript.h"

#include <ctype.h>
#include <string.h>

static const char* const s_apcErrorMessages[ERR_COUNT] = {
    "",
    "No View name in POS script",
    "Bad view name in POS script",
    "No Chapter name in POS script",
    "No Key name in POS script",
    "Bad Key name in POS script",
    "No wait time in POS script",
    "No Balloon info in POS script",
    "Error: Not enough balloon parameters",
    "No FCID following SET cmd",
    "No FCID data to set",
    "Pointer end inside balloon",
    "Error in text annotation",
    "Error no photo name",
    "Error photo not found",
};

typedef struct tag_POS_COMMAND_WORD {
  const char* pcWord;
  POS_COMMAND eCommand;
} POS_COMMAND_WORD;

static const POS_COMMAND_WORD s_aCommands[] = {
    {"CHAPTER", CHAPTER},       {"ENDCHAPTER", END_CHAPTER},         {"VIEW", CHANGE_VIEW},
    {"KEY", CHANGE_KEY},        {"WAIT", WAIT},                      {"BALLOON", BALLOON},
    {"ENDBALLOON", END_BALLOON}, {"NOBALLOON", NO_BALLOON},           {"MOREINFO", MORE_INFO},
    {"ENDMOREINFO", END_MORE_INFO}, {"SET", SET_DB_ITEM},            {"PHOTO", PHOTO},
    {"SPLASH", SPLASH},         {"EXITMESSAGEBOX", EXIT_MESSAGE_BOX}, {"SELECTCHAPTER", SELECT_CHAPTER},
    {"SUBCHAPTER", SUB_CHAPTER},
};

typedef struct tag_POS_KEY_NAME {
  const char* pcName;
  HKEY_ID eKey;
  CURSOR_POSITION eCursor;
} POS_KEY_NAME;

static const POS_KEY_NAME s_aKeyNames[] = {
    {"POWER", HKEY_POWER, CURSOR_ILLEGAL},       {"MENU", HKEY_MENU, CURSOR_ILLEGAL},
    {"EXIT", HKEY_EXIT, CURSOR_ILLEGAL},         {"VIEW", HKEY_VIEW, CURSOR_ILLEGAL},
    {"CURSOR_RIGHT", HKEY_CURSOR, CURSOR_EAST},  {"CURSOR_LEFT", HKEY_CURSOR, CURSOR_WEST},
    {"CURSOR_DOWN", HKEY_CURSOR, CURSOR_SOUTH},  {"CURSOR_UP", HKEY_CURSOR, CURSOR_NORTH},
};

const char* U_DEMOSCRIPT_pcErrorMessage(ERROR_CODE eError) {
  return (U32)eError < ERR_COUNT ? s_apcErrorMessages[eError] : "";
}

U32 U_DEMOSCRIPT_u32BalloonWidth(const D_BALLOON* pBalloon) { return pBalloon->widthPixels + 2 * POS_BALLOON_MARGIN; }

U32 U_DEMOSCRIPT_u32BalloonHeight(const D_BALLOON* pBalloon) {
  const S32 body = (S32)pBalloon->heightLines * POS_BALLOON_LINE + 20;
  return (U32)(body > 43 ? body : 43);
}

// ---------------------------------------------------------------------------
// Lines

static BOOLEAN DEMOSCRIPT_bSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
static BOOLEAN DEMOSCRIPT_bBlank(char c) { return c == ' ' || c == '\t'; }
// A zero byte ends a line as a line end would: the line is a C string.
static BOOLEAN DEMOSCRIPT_bLineEnd(char c) { return c == '\r' || c == '\n' || c == '\0'; }

SCRIPT_LINE U_DEMOSCRIPT_eReadLine(const TUTORIAL_DATA* pScript, U32* pu32Offset, char* pLine) {
  pLine[0] = '\0';
  const char* p = pScript->data;
  const U32 size = pScript->data != nullptr ? pScript->dataSize : 0;
  U32 i = *pu32Offset < size ? *pu32Offset : size;
  while (i < size && (DEMOSCRIPT_bSpace(p[i]) || p[i] == '\0')) i++;
  if (i >= size) {
    *pu32Offset = 0;
    return BLANK_LINE;
  }
  const BOOLEAN bComment = i + 1 < size && p[i] == '/' && p[i + 1] == '/';
  U32 n = 0;
  for (; i < size && !DEMOSCRIPT_bLineEnd(p[i]); i++) {
    if (!bComment && n + 1 < POS_LINE_SIZE) pLine[n++] = p[i];
  }
  while (n > 0 && DEMOSCRIPT_bBlank(pLine[n - 1])) n--;
  pLine[n] = '\0';
  *pu32Offset = i < size ? i : 0;
  return bComment ? COMMENT_LINE : VALID_LINE;
}

// Bytes passed from u32From to u32To, counting a wrap to the start.
static U32 DEMOSCRIPT_u32Advance(U32 u32From, U32 u32To, U32 u32Size) {
  return u32To > u32From ? u32To - u32From : u32Size - u32From + u32To;
}

// The next valid line while less than one pass round the script has been
// read; *pu32Passed counts the bytes read.
static BOOLEAN DEMOSCRIPT_bNextInPass(const TUTORIAL_DATA* pScript, U32* pu32Offset, U32* pu32Passed, char* pLine) {
  const U32 size = pScript->data != nullptr ? pScript->dataSize : 0;
  while (size > 0 && *pu32Passed <= size) {
    const U32 from = *pu32Offset < size ? *pu32Offset : 0;
    *pu32Offset = from;
    const SCRIPT_LINE kind = U_DEMOSCRIPT_eReadLine(pScript, pu32Offset, pLine);
    *pu32Passed += DEMOSCRIPT_u32Advance(from, *pu32Offset, size);
    if (kind == VALID_LINE) return TRUE;
  }
  pLine[0] = '\0';
  return FALSE;
}

BOOLEAN U_DEMOSCRIPT_bNextValidLine(const TUTORIAL_DATA* pScript, U32* pu32Offset, char* pLine) {
  U32 passed = 0;
  return DEMOSCRIPT_bNextInPass(pScript, pu32Offset, &passed, pLine);
}

// ---------------------------------------------------------------------------
// Fields

// The next blank-separated word, upper-cased and cut to u32Size bytes; the
// cursor moves past the whole word. FALSE when the line has no more words.
static BOOLEAN DEMOSCRIPT_bWord(const char** ppCursor, char* pOut, U32 u32Size) {
  const char* p = *ppCursor;
  while (DEMOSCRIPT_bBlank(*p)) p++;
  U32 n = 0;
  for (; *p != '\0' && !DEMOSCRIPT_bBlank(*p); p++) {
    if (n + 1 < u32Size) pOut[n++] = (char)toupper((unsigned char)*p);
  }
  pOut[n] = '\0';
  *ppCursor = p;
  return n > 0;
}

// A decimal number (with a leading '-' when bSigned); FALSE when the word is
// none. Values are kept within ±10^9.
static BOOLEAN DEMOSCRIPT_bNumber(const char** ppCursor, S32* ps32Value, BOOLEAN bSigned) {
  char word[12];
  const char* p = *ppCursor;
  if (!DEMOSCRIPT_bWord(&p, word, sizeof word)) return FALSE;
  const char* q = word;
  const BOOLEAN bNegative = bSigned && *q == '-';
  if (bNegative) q++;
  if (*q == '\0') return FALSE;
  S32 value = 0;
  for (; *q != '\0'; q++) {
    if (!isdigit((unsigned char)*q) || value > 99999999) return FALSE;
    value = value * 10 + (*q - '0');
  }
  *ps32Value = bNegative ? -value : value;
  *ppCursor = p;
  return TRUE;
}

// Seconds as "s", "s.t...": whole tenths, the rest of the digits dropped.
static BOOLEAN DEMOSCRIPT_bWaitMs(const char* pRest, U32* pu32Ms) {
  char word[POS_WAIT_SIZE];
  if (!DEMOSCRIPT_bWord(&pRest, word, sizeof word)) return FALSE;
  U32 tenths = 0;
  const char* q = word;
  BOOLEAN bDigits = FALSE;
  for (; isdigit((unsigned char)*q); q++, bDigits = TRUE) tenths = tenths * 10 + (U32)(*q - '0');
  tenths *= 10;
  if (*q == '.') {
    q++;
    if (isdigit((unsigned char)*q)) {
      tenths += (U32)(*q - '0');
      bDigits = TRUE;
    }
    while (isdigit((unsigned char)*q)) q++;
  }
  if (!bDigits || *q != '\0') return FALSE;
  *pu32Ms = tenths * 100;
  return TRUE;
}

// Decimal, or hexadecimal after "0x"; FALSE for anything else or above 32 bits.
static BOOLEAN DEMOSCRIPT_bValue(const char* pRest, U32* pu32Value) {
  char word[16];
  if (!DEMOSCRIPT_bWord(&pRest, word, sizeof word)) return FALSE;
  const BOOLEAN bHex = word[0] == '0' && word[1] == 'X';
  const char* q = bHex ? word + 2 : word;
  if (*q == '\0') return FALSE;
  U64 value = 0;
  for (; *q != '\0'; q++) {
    int digit = isdigit((unsigned char)*q) ? *q - '0' : (bHex && *q >= 'A' && *q <= 'F') ? *q - 'A' + 10 : -1;
    if (digit < 0) return FALSE;
    value = value * (bHex ? 16 : 10) + (U64)digit;
    if (value > 0xFFFFFFFFull) return FALSE;
  }
  *pu32Value = (U32)value;
  return TRUE;
}

static ERROR_CODE DEMOSCRIPT_eBalloon(const char* pRest, D_BALLOON* pBalloon) {
  S32 x = 0, y = 0, width = 0, lines = 0;
  if (!DEMOSCRIPT_bNumber(&pRest, &x, TRUE) || !DEMOSCRIPT_bNumber(&pRest, &y, TRUE) ||
      !DEMOSCRIPT_bNumber(&pRest, &width, FALSE) || !DEMOSCRIPT_bNumber(&pRest, &lines, FALSE)) {
    return ERR_BALLOON_PARAMETERS;
  }
  while (DEMOSCRIPT_bBlank(*pRest)) pRest++;
  if (*pRest != '"') return ERR_BALLOON_PARAMETERS;
  const char* pEnd = strchr(pRest + 1, '"');
  if (pEnd == nullptr) return ERR_BALLOON_PARAMETERS;
  // A balloon that cannot be on the screen is no balloon.
  if (width < 1 || width > (S32)G_SCREEN_WIDTH || lines > 255 || x < -(S32)G_SCREEN_WIDTH ||
      x > (S32)G_SCREEN_WIDTH || y < -(S32)G_SCREEN_HEIGHT || y > (S32)G_SCREEN_HEIGHT) {
    return ERR_BALLOON_PARAMETERS;
  }
  const size_t titleLength = (size_t)(pEnd - pRest - 1) < POS_TITLE_SIZE - 1 ? (size_t)(pEnd - pRest - 1)
                                                                               : POS_TITLE_SIZE - 1;
  memcpy(pBalloon->title, pRest + 1, titleLength);
  pBalloon->title[titleLength] = '\0';
  pBalloon->llAnchor = {x, y};
  pBalloon->widthPixels = (U32)width;
  pBalloon->heightLines = (U8)lines;
  pBalloon->pointerAnchor = {-1, -1};
  pRest = pEnd + 1;
  S32 px = 0, py = 0;
  if (DEMOSCRIPT_bNumber(&pRest, &px, TRUE) && DEMOSCRIPT_bNumber(&pRest, &py, TRUE)) {
    pBalloon->pointerAnchor = {px, py};
  }
  const POINT& at = pBalloon->pointerAnchor;
  if ((at.x != -1 || at.y != -1) && at.x >= x && at.x < x + (S32)U_DEMOSCRIPT_u32BalloonWidth(pBalloon) &&
      at.y >= y && at.y < y + (S32)U_DEMOSCRIPT_u32BalloonHeight(pBalloon)) {
    return ERR_POINTER_IN_BALLOON;
  }
  return NO_ERROR;
}

// "DEFAULT" n and "ICE" n in any order; numbers of 100 and more are no choice.
static void DEMOSCRIPT_vSelection(const char* pRest, POS_LINE* pParsed) {
  char word[POS_COMMAND_SIZE];
  while (DEMOSCRIPT_bWord(&pRest, word, sizeof word)) {
    U32* pTarget = strcmp(word, "DEFAULT") == 0 ? &pParsed->u32Default : strcmp(word, "ICE") == 0 ? &pParsed->u32Ice
                                                                                                  : nullptr;
    S32 n = 0;
    if (pTarget != nullptr && DEMOSCRIPT_bNumber(&pRest, &n, FALSE) && n < (S32)POS_SUBCHAPTERS) *pTarget = (U32)n;
  }
}

// The VIEW name: the rest of the line without a trailing comment.
static void DEMOSCRIPT_vViewName(const char* pRest, char* pOut) {
  while (DEMOSCRIPT_bBlank(*pRest)) pRest++;
  U32 n = 0;
  for (; *pRest != '\0' && !(pRest[0] == '/' && pRest[1] == '/'); pRest++) {
    if (n + 1 < POS_VIEW_NAME_SIZE) pOut[n++] = (char)toupper((unsigned char)*pRest);
  }
  while (n > 0 && DEMOSCRIPT_bBlank(pOut[n - 1])) n--;
  pOut[n] = '\0';
}

static POS_COMMAND DEMOSCRIPT_eCommand(const char** ppCursor) {
  char word[POS_COMMAND_SIZE + 1];
  if (!DEMOSCRIPT_bWord(ppCursor, word, sizeof word) || strlen(word) >= POS_COMMAND_SIZE) return BAD_COMMAND;
  for (const POS_COMMAND_WORD& row : s_aCommands) {
    if (strcmp(word, row.pcWord) == 0) return row.eCommand;
  }
  return BAD_COMMAND;
}

void U_DEMOSCRIPT_vParseLine(const char* pLine, POS_LINE* pParsed) {
  memset(pParsed, 0, sizeof *pParsed);
  const char* p = pLine;
  pParsed->eCommand = DEMOSCRIPT_eCommand(&p);
  char word[POS_VIEW_NAME_SIZE];
  switch (pParsed->eCommand) {
    case CHAPTER:
    case MORE_INFO:
      if (!DEMOSCRIPT_bWord(&p, pParsed->acName, POS_CHAPTER_NAME_SIZE)) pParsed->eError = ERR_NO_CHAPTER;
      break;
    case CHANGE_VIEW:
      DEMOSCRIPT_vViewName(p, pParsed->acName);
      if (pParsed->acName[0] == '\0') pParsed->eError = ERR_NO_VIEW;
      break;
    case CHANGE_KEY:
      if (!DEMOSCRIPT_bWord(&p, pParsed->acName, POS_KEY_NAME_SIZE)) {
        pParsed->eError = ERR_NO_KEY;
        break;
      }
      pParsed->eError = ERR_BAD_KEY;
      for (const POS_KEY_NAME& row : s_aKeyNames) {
        if (strcmp(pParsed->acName, row.pcName) != 0) continue;
        pParsed->eKey = row.eKey;
        pParsed->eCursor = row.eCursor;
        pParsed->eError = NO_ERROR;
      }
      break;
    case WAIT:
      if (!DEMOSCRIPT_bWaitMs(p, &pParsed->u32WaitMs)) pParsed->eError = ERR_NO_WAIT;
      break;
    case BALLOON:
      pParsed->eError = DEMOSCRIPT_eBalloon(p, &pParsed->balloon);
      break;
    case SET_DB_ITEM:
      if (!DEMOSCRIPT_bWord(&p, word, sizeof word) || strlen(word) != 4) {
        pParsed->eError = ERR_NO_FCID;
      } else if (!DEMOSCRIPT_bValue(p, &pParsed->u32Value)) {
        pParsed->eError = ERR_NO_FCID_DATA;
      } else {
        pParsed->fcid = (U32)(U8)word[0] | (U32)(U8)word[1] << 8 | (U32)(U8)word[2] << 16 | (U32)(U8)word[3] << 24;
      }
      break;
    case PHOTO:
      if (!DEMOSCRIPT_bWord(&p, pParsed->acName, POS_PHOTO_NAME_SIZE)) pParsed->eError = ERR_NO_NAME;
      break;
    case SELECT_CHAPTER:
      DEMOSCRIPT_vSelection(p, pParsed);
      break;
    case SUB_CHAPTER: {
      S32 n = 0;
      if (DEMOSCRIPT_bNumber(&p, &n, FALSE)) pParsed->u32Value = (U32)n;
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Searches

BOOLEAN U_DEMOSCRIPT_bFindLine(const TUTORIAL_DATA* pScript, U32 u32From, POS_COMMAND eCommand, const char* pName,
                               U32* pu32After) {
  U32 offset = u32From, passed = 0;
  char line[POS_LINE_SIZE];
  while (DEMOSCRIPT_bNextInPass(pScript, &offset, &passed, line)) {
    const char* p = line;
    if (DEMOSCRIPT_eCommand(&p) != eCommand) continue;
    char word[POS_CHAPTER_NAME_SIZE];
    if (pName != nullptr && (!DEMOSCRIPT_bWord(&p, word, sizeof word) || strcmp(word, pName) != 0)) continue;
    *pu32After = offset;
    return TRUE;
  }
  return FALSE;
}

ERROR_CODE U_DEMOSCRIPT_eBalloonText(const TUTORIAL_DATA* pScript, U32* pu32Offset, char* pText, U32 u32Size) {
  if (u32Size < 2) return ERR_NO_BALLOON;
  U32 offset = *pu32Offset, passed = 0, n = 0;
  char line[POS_LINE_SIZE];
  while (DEMOSCRIPT_bNextInPass(pScript, &offset, &passed, line)) {
    const char* p = line;
    if (DEMOSCRIPT_eCommand(&p) == END_BALLOON) {
      pText[n++] = '\r';
      pText[n] = '\0';
      *pu32Offset = offset;
      return NO_ERROR;
    }
    // Room is kept for the carriage return and the terminator.
    if (n > 0 && n + 2 < u32Size) pText[n++] = '\n';
    for (const char* q = line; *q != '\0' && n + 2 < u32Size; q++) pText[n++] = *q;
  }
  pText[0] = '\0';
  return ERR_NO_BALLOON;
}

// ---------------------------------------------------------------------------
// Balloon text

// The number from the eighth character inside the brackets on: the code word
// and its separator take seven.
static S32 DEMOSCRIPT_s32Argument(const char* pInside, size_t length) {
  S32 value = 0;
  for (size_t i = 7; i < length && isdigit((unsigned char)pInside[i]) && value < (S32)G_SCREEN_WIDTH; i++) {
    value = value * 10 + (pInside[i] - '0');
  }
  return value;
}

ERROR_CODE U_DEMOSCRIPT_eWalkText(const char* pText, POINT* pPen, const POS_TEXT_SINK* pSink) {
  const S32 left = pPen->x;
  BOOLEAN bLineStart = TRUE;
  for (const char* p = pText; *p != '\0' && *p != '\r';) {
    if (*p == '\n') {
      pPen->x = left;
      pPen->y -= POS_BALLOON_LINE;
      bLineStart = TRUE;
      p++;
      continue;
    }
    if (*p != '[') {
      if (pSink->pfnPut != nullptr) pSink->pfnPut(pSink->pContext, *p, pPen);
      bLineStart = FALSE;
      p++;
      continue;
    }
    const char* pInside = p + 1;
    const char* pClose = pInside;
    while (*pClose != '\0' && *pClose != '\r' && *pClose != '\n' && *pClose != ']') pClose++;
    if (*pClose != ']' || pClose - pInside < 2) return ERR_BAD_ANNOTATION;
    const size_t length = (size_t)(pClose - pInside);
    const char code[3] = {(char)toupper((unsigned char)pInside[0]), (char)toupper((unsigned char)pInside[1]), '\0'};
    if (strcmp(code, "BU") == 0) {
      const POINT centre = {pPen->x + 10, pPen->y + 9};
      if (pSink->pfnBullet != nullptr) pSink->pfnBullet(pSink->pContext, &centre);
      pPen->x = centre.x + 15;
      bLineStart = FALSE;
    } else if (strcmp(code, "HS") == 0) {
      pPen->x += DEMOSCRIPT_s32Argument(pInside, length);
    } else if (strcmp(code, "VS") == 0) {
      if (!bLineStart) {
        pPen->x = left;
        pPen->y -= POS_BALLOON_LINE;
        bLineStart = TRUE;
      }
      pPen->y -= DEMOSCRIPT_s32Argument(pInside, length);
    } else if (strcmp(code, "IC") != 0 && strcmp(code, "BI") != 0) {
      return ERR_BAD_ANNOTATION;
    }
    p = pClose + 1;
    while (DEMOSCRIPT_bBlank(*p)) p++;
  }
  return NO_ERROR;
}
