// Demonstration scripts, random or cut short: every line read, parsed and,
// for balloons, its text gathered and walked through the annotation codes;
// every search for a target line run from the line that would start it. The
// script is copied into a block exactly its size, so a read past it is caught.

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "fuzz_support.h"
#include "u_demoscript.h"

static void Put(void* pContext, char, POINT* pPen) {
  pPen->x += 9;
  (*(U32*)pContext)++;
}

static void Bullet(void* pContext, const POINT*) { (*(U32*)pContext)++; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_vInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> script(data, data + size);
  const TUTORIAL_DATA t = {script.data(), (U32)script.size()};
  U32 offset = 0;
  char line[POS_LINE_SIZE];
  // Every line once: the reader wraps to 0 after the last.
  for (U32 lines = 0; lines <= size && U_DEMOSCRIPT_bNextValidLine(&t, &offset, line); lines++) {
    FUZZ_CHECK(strlen(line) < POS_LINE_SIZE);
    FUZZ_CHECK(offset <= size);
    POS_LINE parsed;
    U_DEMOSCRIPT_vParseLine(line, &parsed);
    FUZZ_CHECK(strlen(parsed.acName) < sizeof parsed.acName);
    FUZZ_CHECK(strlen(parsed.balloon.title) < sizeof parsed.balloon.title);
    U32 after = 0;
    switch (parsed.eCommand) {
      case BALLOON: {
        U32 textOffset = offset;
        char text[POS_TEXT_SIZE];
        if (U_DEMOSCRIPT_eBalloonText(&t, &textOffset, text, sizeof text) == NO_ERROR) {
          FUZZ_CHECK(strlen(text) < sizeof text);
          U32 marks = 0;
          POINT pen = {0, 0};
          const POS_TEXT_SINK sink = {&marks, Put, Bullet};
          U_DEMOSCRIPT_eWalkText(text, &pen, &sink);
          FUZZ_CHECK(marks < sizeof text);
        }
        break;
      }
      case MORE_INFO:
        U_DEMOSCRIPT_bFindLine(&t, offset, END_MORE_INFO, nullptr, &after);
        U_DEMOSCRIPT_bFindLine(&t, 0, CHAPTER, parsed.acName, &after);
        break;
      case SELECT_CHAPTER:
        U_DEMOSCRIPT_bFindLine(&t, 0, SUB_CHAPTER, "1", &after);
        break;
      default:
        break;
    }
    FUZZ_CHECK(after <= size);
    if (offset == 0) break;
  }
  return 0;
}
