// What the menu kit's tests share: fonts and a language to draw in, and
// golden pictures kept beside the tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "font_test.h"
#include "g_types.h"
#include "golden.h"
#include "u_language.h"

typedef FontTest MenuDrawTest;

inline ::testing::AssertionResult MENU_MatchGolden(const std::string& name, const BITMAP* pBitmap) {
  return GOLDEN_MatchBitmap(std::string(MENU_GOLDEN_DIR "/") + name + ".png", pBitmap);
}
