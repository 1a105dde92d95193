// Golden images: a picture compared exactly with a PNG kept beside its test.
//
// A mismatch fails with the count and bounding box of the differing pixels
// and writes <name>.actual.png and <name>.diff.png (differences in red over a
// dimmed copy of the actual picture) into $GOLDEN_OUT_DIR, or golden-out/
// at the top of the build tree. With UPDATE_GOLDEN=1 in the environment the
// golden is written from the picture instead, and the check passes: goldens
// change only on purpose.
//
// PNGs are read and written with libpng, so the unit's own PNG decoder is
// later checked against an independent one. Goldens are 8-bit RGB; an RGB565
// pixel is widened by repeating its high bits (0x1F -> 0xFF).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "g_types.h"

// An RGB565 picture, top row first, pitch pixels from row to row.
typedef struct tag_GOLDEN_PICTURE {
  const COLOR* pPixels;
  U32 u32Width;
  U32 u32Height;
  U32 u32Pitch;
} GOLDEN_PICTURE;

// On the board's processor a picture kept beside the golden as "NAME-armhf.png"
// is the one compared; UPDATE_GOLDEN=1 there writes one only where the board's
// picture differs from the host's.
::testing::AssertionResult GOLDEN_Match(const std::string& goldenPath, const GOLDEN_PICTURE& picture);
// The whole bitmap, its top memory row at the top of the image.
::testing::AssertionResult GOLDEN_MatchBitmap(const std::string& goldenPath, const BITMAP* pBitmap);

// 8-bit RGB, top row first. FALSE (with the reason in *pError) when the file
// cannot be written or read.
BOOLEAN GOLDEN_bWritePng(const std::string& path, U32 u32Width, U32 u32Height, const std::vector<U8>& rgb,
                         std::string* pError);
BOOLEAN GOLDEN_bReadPng(const std::string& path, U32* pu32Width, U32* pu32Height, std::vector<U8>* pRgb,
                        std::string* pError);
// The picture widened to 8-bit RGB.
std::vector<U8> GOLDEN_rgbFromPicture(const GOLDEN_PICTURE& picture);

// The page on display of a host rig: its dev/fb0 holds four 800 x 480 RGB565
// pages and dev/fb0.page names the one shown. Top row first; empty when it
// cannot be read. Read straight from the file rather than through the rig
// tool's PNG, which takes seconds on a busy machine, so a wait can look often.
std::vector<COLOR> GOLDEN_RigScreen(const std::string& rigDir);
