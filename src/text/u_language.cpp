#include "u_language.h"

#include "fourcharid.h"
#include "h_database.h"

const FONT_SET g_eFontSet[LANGUAGE_COUNT] = {
    FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1,  // 0-6
    FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1,  // 7-13
    FONT_SET_1, FONT_SET_2, FONT_SET_2, FONT_SET_2, FONT_SET_1, FONT_SET_1, FONT_SET_1,  // 14-20
    FONT_SET_1, FONT_SET_3, FONT_SET_4, FONT_SET_4, FONT_SET_4, FONT_SET_4,              // 21-26
};

unsigned nCurrentLanguage(void) {
  U32 u32Language = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &u32Language, &bValid, nullptr) || !bValid) return LANGUAGE_ENGLISH;
  return u32Language < LANGUAGE_COUNT ? u32Language : (unsigned)LANGUAGE_ENGLISH;
}
