#include <gtest/gtest.h>

#include "canvas.h"
#include "g_pixel.h"

namespace {

// A distinct colour for every memory position.
void Number(Canvas& c, COLOR base) {
  for (size_t i = 0; i < c.pixelCount(); i++) c.pixels()[i] = (COLOR)(base + i);
}

TEST(BitmapCopy, RegionCopiesAColumnBandOfEveryMemoryRow) {
  Canvas history(20, 6), frame(16, 8);
  Number(history, 0x1000);
  Number(frame, 0x8000);
  G_BMP_vCopyRegion(history.get(), frame.get(), 12, 3, 5);
  for (U32 r = 0; r < 8; r++) {
    for (U32 x = 0; x < 16; x++) {
      const COLOR expected = (r < 6 && x >= 3 && x < 8) ? (COLOR)(0x1000 + r * 20 + x + 9) : (COLOR)(0x8000 + r * 16 + x);
      ASSERT_EQ(expected, frame.pixels()[r * 16 + x]) << "row " << r << " column " << x;
    }
  }
  Canvas before(16, 8);
  for (size_t i = 0; i < frame.pixelCount(); i++) before.pixels()[i] = frame.pixels()[i];
  G_BMP_vCopyRegion(history.get(), frame.get(), 0, 0, 0);
  for (size_t i = 0; i < frame.pixelCount(); i++) ASSERT_EQ(before.pixels()[i], frame.pixels()[i]);
}

TEST(BitmapCopy, RegionScrollsWithinOneBitmap) {
  Canvas history(20, 4);
  Number(history, 0);
  G_BMP_vCopyRegion(history.get(), history.get(), 1, 0, 19);  // one column to the left
  for (U32 r = 0; r < 4; r++) {
    for (U32 x = 0; x < 19; x++) ASSERT_EQ((COLOR)(r * 20 + x + 1), history.pixels()[r * 20 + x]);
  }
  G_BMP_vCopyRegion(history.get(), history.get(), 0, 1, 18);  // and back to the right
  for (U32 r = 0; r < 4; r++) {
    for (U32 x = 1; x < 19; x++) ASSERT_EQ((COLOR)(r * 20 + x), history.pixels()[r * 20 + x]);
  }
}

TEST(BitmapCopy, LogicalOnLogicalMapsRowsByEachBitmapsHeight) {
  Canvas src(10, 10), dest(10, 10);
  Number(src, 0x100);
  G_BMP_vSet(dest.get(), 0);
  POINT from = {0, 0}, to = {5, 5};
  G_BMP_vPlaceLogicalOnLogical(dest.get(), &to, src.get(), &from, 1, 1);
  EXPECT_EQ(src.pixels()[9 * 10 + 0], dest.pixels()[4 * 10 + 5]);
  EXPECT_EQ(1u, dest.changed(0).size());

  // Different heights: the rectangle keeps its logical rows in both.
  Canvas tall(12, 30);
  G_BMP_vSet(tall.get(), 0);
  from = {2, 3};
  to = {4, 20};
  G_BMP_vPlaceLogicalOnLogical(tall.get(), &to, src.get(), &from, 5, 4);
  for (PIXEL y = 0; y < 4; y++) {
    for (PIXEL x = 0; x < 5; x++) ASSERT_EQ(src.at(2 + x, 3 + y), tall.at(4 + x, 20 + y)) << x << "," << y;
  }
  EXPECT_EQ(20u, tall.changed(0).size());
  G_BMP_vPlaceLogicalOnLogical(tall.get(), &to, src.get(), &from, 5, 0);
  EXPECT_EQ(20u, tall.changed(0).size());
}

TEST(BitmapCopy, LogicalOnLogicalMovesOverlappingAreasIntact) {
  const struct {
    PIXEL dx, dy;
  } moves[] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {2, 3}, {-3, -2}};
  for (const auto& m : moves) {
    Canvas c(16, 16), original(16, 16);
    Number(c, 0x400);
    Number(original, 0x400);
    POINT from = {4, 4}, to = {4 + m.dx, 4 + m.dy};
    G_BMP_vPlaceLogicalOnLogical(c.get(), &to, c.get(), &from, 8, 8);
    for (PIXEL y = 0; y < 8; y++) {
      for (PIXEL x = 0; x < 8; x++) {
        ASSERT_EQ(original.at(4 + x, 4 + y), c.at(to.x + x, to.y + y)) << "move " << m.dx << "," << m.dy;
      }
    }
  }
}

TEST(BitmapCopy, PhysicalToLogicalStaysUprightClipsAndSkipsTheTransparentColour) {
  Canvas icon(4, 3);
  // Memory rows top down: row 0 is the top of the picture.
  const COLOR rows[3][4] = {{1, 2, 3, 4}, {5, 0xF800, 7, 8}, {9, 10, 11, 12}};
  for (int r = 0; r < 3; r++) {
    for (int x = 0; x < 4; x++) icon.pixels()[r * 4 + x] = rows[r][x];
  }
  Canvas dest(10, 10, 0x0F0F);
  POINT from = {0, 0}, to = {2, 3};
  G_BMP_vCopyPhysicalToLogical(dest.get(), &to, icon.get(), &from, 4, 3, G_BMP_NO_TRANSPARENCY);
  for (PIXEL k = 0; k < 3; k++) {
    for (PIXEL j = 0; j < 4; j++) EXPECT_EQ(rows[2 - k][j], dest.at(2 + j, 3 + k)) << j << "," << k;
  }
  EXPECT_EQ(12u, dest.changed(0x0F0F).size());

  G_BMP_vSet(dest.get(), 0x0F0F);
  G_BMP_vCopyPhysicalToLogical(dest.get(), &to, icon.get(), &from, 4, 3, 0xF800);
  EXPECT_EQ(0x0F0F, dest.at(3, 4));
  EXPECT_EQ(11u, dest.changed(0x0F0F).size());

  // A sub-rectangle, half outside the clip.
  G_BMP_vSet(dest.get(), 0x0F0F);
  dest->s32ClipLeft = 1;
  from = {1, 1};
  to = {-1, 8};
  G_BMP_vCopyPhysicalToLogical(dest.get(), &to, icon.get(), &from, 3, 2, G_BMP_NO_TRANSPARENCY);
  EXPECT_PIXELS(Rect(1, 8, 1, 9), dest.changed(0x0F0F));
  EXPECT_EQ(12, dest.at(1, 8));  // source column 3
  EXPECT_EQ(8, dest.at(1, 9));
}

TEST(BitmapCopy, PhysicalToLogicalSkipsEverythingOfTheTransparentColour) {
  Canvas red(8, 8, 0xF800), dest(8, 8, 0x001F);
  POINT from = {0, 0}, to = {0, 0};
  G_BMP_vCopyPhysicalToLogical(dest.get(), &to, red.get(), &from, 8, 8, 0xF800);
  EXPECT_TRUE(dest.changed(0x001F).empty());
  G_BMP_vCopyPhysicalToLogical(dest.get(), &to, red.get(), &from, 8, 8, G_BMP_NO_TRANSPARENCY);
  EXPECT_EQ(64u, dest.with(0xF800).size());
}

}  // namespace
