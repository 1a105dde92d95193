// The 27 UI languages, the font set of each, and the current language.
#pragma once

#include "basetypes.h"

typedef enum tag_LANGUAGE {
  LANGUAGE_ENGLISH = 0,
  LANGUAGE_DANISH = 1,
  LANGUAGE_DUTCH = 2,
  LANGUAGE_FINNISH = 3,
  LANGUAGE_FRENCH = 4,
  LANGUAGE_GERMAN = 5,
  LANGUAGE_GREEK = 6,
  LANGUAGE_HUNGARIAN = 7,
  LANGUAGE_ITALIAN = 8,
  LANGUAGE_NORWEGIAN = 9,
  LANGUAGE_POLISH = 10,
  LANGUAGE_PORTUGUESE = 11,
  LANGUAGE_SPANISH = 12,
  LANGUAGE_SWEDISH = 13,
  LANGUAGE_CZECH = 14,
  LANGUAGE_CROATIAN = 15,
  LANGUAGE_RUSSIAN = 16,
  LANGUAGE_BULGARIAN = 17,
  LANGUAGE_ESTONIAN = 18,
  LANGUAGE_LATVIAN = 19,
  LANGUAGE_LITHUANIAN = 20,
  LANGUAGE_TURKISH = 21,
  LANGUAGE_JAPANESE = 22,
  LANGUAGE_KOREAN = 23,
  LANGUAGE_CHINESE_SIMPLIFIED = 24,
  LANGUAGE_CHINESE_TRADITIONAL = 25,
  LANGUAGE_ENGLISH_UNICODE = 26,
  LANGUAGE_COUNT = 27,
  // Old numbers kept for stored settings of earlier releases.
  LANGUAGE_CROATIAN_OBSOLETE = 1,
  LANGUAGE_RUSSIAN_OBSOLETE = 2,
} LANGUAGE;

typedef enum tag_LANGUAGE_REGION {
  LANGUAGE_REGION_WESTERN = 0,
  LANGUAGE_REGION_ASIAN = 1,
} LANGUAGE_REGION;

typedef enum tag_FONT_SET {
  FONT_SET_1 = 0,
  FONT_SET_2 = 1,
  FONT_SET_3 = 2,
  FONT_SET_4 = 3,
} FONT_SET;

// The font set of each language: sets 1 and 2 draw 8-bit text through the
// Latin faces' code pages 0 and 1, sets 3 and 4 wide text in the Unicode face.
extern const FONT_SET g_eFontSet[LANGUAGE_COUNT];

// The first language whose texts are wide.
constexpr unsigned LANGUAGE_FIRST_WIDE = LANGUAGE_JAPANESE;

// The language the texts are drawn in, and with it the form they are read
// in (wide from LANGUAGE_FIRST_WIDE on): both come from this one value, so
// no reader can take a text of one language in the other's form. It is the
// language U_LANGUAGE_vFollowSetting last took from SLNG (English before
// that), or the one this thread holds.
unsigned nCurrentLanguage(void);
// Takes the language from setting SLNG when it is present, valid and below
// 27, else English; called at start and whenever SLNG changes.
void U_LANGUAGE_vFollowSetting(void);
// Keeps this thread's language as it is now until the matching release,
// whatever the setting does meanwhile: a frame, or a text built from several
// tables, is in one language and one form throughout. Holds nest.
void U_LANGUAGE_vHold(void);
void U_LANGUAGE_vRelease(void);
