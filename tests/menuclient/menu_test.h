// What the menu kit's tests share: fonts and a language to draw in, and
// golden pictures kept beside the tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "font_test.h"
#include "g_types.h"
#include "golden.h"
#include "u_language.h"

typedef FontTest MenuDrawTest;

// FreeType built for 32-bit ARM rounds a few coverage values differently;
// where that shows, the board's picture is kept beside the host's.
inline ::testing::AssertionResult MENU_MatchGolden(const std::string& name, const BITMAP* pBitmap) {
  std::string path = std::string(MENU_GOLDEN_DIR "/") + name;
#if defined(__arm__)
  if (access((path + "-armhf.png").c_str(), R_OK) == 0) path += "-armhf";
#endif
  return GOLDEN_MatchBitmap(path + ".png", pBitmap);
}
