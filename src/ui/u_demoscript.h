// The language of the shop demonstration's scripts, read without side
// effects: lines, command words, the fields of each command, the balloon
// text and its annotation codes, and the searches for target lines. The
// player (t_demo) acts on what is read here; a script is outside input, so
// every field is cut to its buffer and every search ends after one pass.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "g_types.h"
#include "h_keyboard.h"

typedef struct tag_TUTORIAL_DATA {
  const char* data;
  U32 dataSize;
} TUTORIAL_DATA;

typedef enum tag_POS_COMMAND {
  BAD_COMMAND = 1,
  CHAPTER = 2,
  END_CHAPTER = 3,
  CHANGE_VIEW = 4,
  CHANGE_KEY = 5,
  WAIT = 6,
  BALLOON = 7,
  END_BALLOON = 8,
  NO_BALLOON = 9,
  MORE_INFO = 10,
  END_MORE_INFO = 11,
  SET_DB_ITEM = 12,
  PHOTO = 13,
  SPLASH = 14,
  EXIT_MESSAGE_BOX = 15,
  SELECT_CHAPTER = 16,
  SUB_CHAPTER = 17,
} POS_COMMAND;

typedef enum tag_SCRIPT_LINE {
  BLANK_LINE = 1,
  COMMENT_LINE = 2,
  VALID_LINE = 3,
} SCRIPT_LINE;

typedef enum tag_ERROR_CODE {
  NO_ERROR = 0,
  ERR_NO_VIEW = 1,
  ERR_BAD_VIEW = 2,
  ERR_NO_CHAPTER = 3,
  ERR_NO_KEY = 4,
  ERR_BAD_KEY = 5,
  ERR_NO_WAIT = 6,
  ERR_NO_BALLOON = 7,
  ERR_BALLOON_PARAMETERS = 8,
  ERR_NO_FCID = 9,
  ERR_NO_FCID_DATA = 10,
  ERR_POINTER_IN_BALLOON = 11,
  ERR_BAD_ANNOTATION = 12,
  ERR_NO_NAME = 13,
  ERR_NO_PHOTO = 14,
  ERR_COUNT = 15,
} ERROR_CODE;

// The message shown for an error; "" for NO_ERROR and for codes out of range.
const char* U_DEMOSCRIPT_pcErrorMessage(ERROR_CODE eError);

// Buffer sizes, terminator included.
constexpr U32 POS_LINE_SIZE = 100;
constexpr U32 POS_COMMAND_SIZE = 16;
constexpr U32 POS_CHAPTER_NAME_SIZE = 20;
constexpr U32 POS_VIEW_NAME_SIZE = 80;
constexpr U32 POS_KEY_NAME_SIZE = 14;
constexpr U32 POS_WAIT_SIZE = 6;
constexpr U32 POS_PHOTO_NAME_SIZE = 20;
constexpr U32 POS_TITLE_SIZE = 40;
constexpr U32 POS_TEXT_SIZE = 500;
constexpr U32 POS_SUBCHAPTERS = 100;  // SELECTCHAPTER numbers lie below this

// Balloon geometry: rows of text 34 pixels apart, the body at least 43 high.
constexpr S32 POS_BALLOON_LINE = 34;
constexpr S32 POS_BALLOON_MARGIN = 18;  // each side of the text width

typedef struct tag_D_BALLOON {
  char title[POS_TITLE_SIZE];
  U32 widthPixels;
  U8 heightLines;
  POINT llAnchor;       // lower-left corner
  POINT pointerAnchor;  // the spot pointed at; -1, -1 for none
  char text[POS_TEXT_SIZE];
  BOOLEAN bActive;
  BOOLEAN bMoreInfo;
} D_BALLOON;

// The balloon's box: width and height of the frame round the text.
U32 U_DEMOSCRIPT_u32BalloonWidth(const D_BALLOON* pBalloon);
U32 U_DEMOSCRIPT_u32BalloonHeight(const D_BALLOON* pBalloon);

// One line of a script, read into its command and fields. eError is what
// the command reports when it runs: a field it needs is missing or bad.
typedef struct tag_POS_LINE {
  POS_COMMAND eCommand;
  ERROR_CODE eError;
  char acName[POS_VIEW_NAME_SIZE];  // chapter, view, key or photo name, upper-cased
  U32 u32WaitMs;                    // WAIT
  FOURCHARID fcid;                  // SET
  U32 u32Value;                     // SET; SUBCHAPTER's number
  HKEY_ID eKey;                     // KEY
  CURSOR_POSITION eCursor;          // KEY
  U32 u32Default;                   // SELECTCHAPTER; 0 when not given
  U32 u32Ice;
  D_BALLOON balloon;                // BALLOON, without its text
} POS_LINE;

// Reads the line at *pu32Offset into pLine (POS_LINE_SIZE bytes; a longer
// line is cut) and moves the offset past it, to 0 after the last line.
SCRIPT_LINE U_DEMOSCRIPT_eReadLine(const TUTORIAL_DATA* pScript, U32* pu32Offset, char* pLine);
// The next valid line, passing over comments and blank lines; FALSE when one
// pass over the whole script finds none.
BOOLEAN U_DEMOSCRIPT_bNextValidLine(const TUTORIAL_DATA* pScript, U32* pu32Offset, char* pLine);
// The command and fields of a valid line.
void U_DEMOSCRIPT_vParseLine(const char* pLine, POS_LINE* pParsed);

// Searches from u32From, wrapping once round the script, for a line of the
// command whose first parameter (upper-cased) is pName, or any such line
// when pName is null; *pu32After is the offset after it. FALSE when there is
// none.
BOOLEAN U_DEMOSCRIPT_bFindLine(const TUTORIAL_DATA* pScript, U32 u32From, POS_COMMAND eCommand, const char* pName,
                               U32* pu32After);
// The text lines after a BALLOON line up to its ENDBALLOON, joined with line
// feeds and ended by a carriage return, cut to fit u32Size bytes; the offset
// moves past the ENDBALLOON. ERR_NO_BALLOON when the script has none.
ERROR_CODE U_DEMOSCRIPT_eBalloonText(const TUTORIAL_DATA* pScript, U32* pu32Offset, char* pText, U32 u32Size);

// Where the text of a balloon goes: pfnPut draws a character at the pen and
// moves it right (it may be null to measure nothing), pfnBullet draws a
// bullet round the centre.
typedef struct tag_POS_TEXT_SINK {
  void* pContext;
  void (*pfnPut)(void* pContext, char c, POINT* pPen);
  void (*pfnBullet)(void* pContext, const POINT* pCentre);
} POS_TEXT_SINK;
// Walks the balloon text from the pen's start up to its carriage return:
// characters, line feeds (a new line POS_BALLOON_LINE lower) and the
// bracketed annotation codes. Stops with ERR_BAD_ANNOTATION at an unknown or
// unclosed code. *pPen ends where the text ended.
ERROR_CODE U_DEMOSCRIPT_eWalkText(const char* pText, POINT* pPen, const POS_TEXT_SINK* pSink);
