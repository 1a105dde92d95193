#include <gtest/gtest.h>

#include "gc_canvas.h"

namespace {

TEST(GraphicContext, InitGivesRowSizeByteCountAndWholeClip) {
  std::vector<U32> buffer(401 * 480);
  GR_CONTEXT gc;
  EXPECT_EQ(GR_DONE, gr_InitGC(&gc, 801, 480, buffer.data()));
  EXPECT_EQ(401, gc.scrdim.rowsize);
  EXPECT_EQ(480, gc.scrdim.nrows);
  EXPECT_EQ(769920u, gc.nbytes);
  EXPECT_EQ(0, gc.cliporig.px);
  EXPECT_EQ(0, gc.cliporig.py);
  EXPECT_EQ(800, gc.cliplim.px);
  EXPECT_EQ(479, gc.cliplim.py);
}

TEST(GraphicContext, ClipAreaIsNormalisedAndCutToTheContext) {
  struct Row {
    const char* what;
    SINT x, y, w, h;
    U32 status;
    SINT left, top, right, bottom;  // columns and rows
  };
  const Row rows[] = {
      {"left part outside", -5, 10, 20, 10, GR_OUT_OF_CLIP, 0, 460, 14, 469},
      {"inside", 10, 10, 20, 10, GR_DONE, 10, 460, 29, 469},
      {"negative width counts leftward", 30, 10, -20, 10, GR_DONE, 11, 460, 30, 469},
      {"negative height counts downward", 10, 19, 20, -10, GR_DONE, 10, 460, 29, 469},
      {"beyond the top and right", 790, 470, 20, 20, GR_OUT_OF_CLIP, 790, 0, 799, 9},
      {"whole context", 0, 0, 800, 480, GR_DONE, 0, 0, 799, 479},
  };
  std::vector<U32> buffer(400 * 480);
  GR_CONTEXT gc;
  gr_InitGC(&gc, 800, 480, buffer.data());
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(r.status, gr_SetClipArea(&gc, r.x, r.y, r.w, r.h));
    EXPECT_EQ(r.left, gc.cliporig.px);
    EXPECT_EQ(r.top, gc.cliporig.py);
    EXPECT_EQ(r.right, gc.cliplim.px);
    EXPECT_EQ(r.bottom, gc.cliplim.py);
  }
}

TEST(GraphicContext, ClipWhollyOutsideTheContextDrawsNothing) {
  GcCanvas c(40, 30);
  EXPECT_EQ(GR_OUT_OF_CLIP, gr_SetClipArea(&c.gc, 50, 5, 10, 10));
  gr_SetAbsPenPos(&c.gc, 5, -5);
  gr_DrawAbsLine(&c.gc, 5, 40);
  EXPECT_EQ(GR_OUT_OF_CLIP, gr_SetPixel(&c.gc, 55, 10));
  EXPECT_TRUE(c.changed().empty());
}

TEST(GraphicContext, SettersReportInvalidArgumentsAndConflicts) {
  GcCanvas c(40, 30);
  GR_CONTEXT* gc = &c.gc;
  EXPECT_EQ(GR_BAD_PIXEL_SIZE, gr_SetPixelSize(gc, 0));
  EXPECT_EQ(1, gc->PixelSize);
  EXPECT_EQ(GR_DONE, gr_SetPixelSize(gc, 3));

  FONT font = {};
  EXPECT_EQ(GR_BAD_FONT_INDEX, gr_AddFont(&font, 70));
  EXPECT_EQ(GR_BAD_FONT_INDEX, gr_AddFont(&font, -1));
  EXPECT_EQ(GR_BAD_DIRECTION, gr_SetPrintingDirection(gc, 360));

  EXPECT_EQ(GR_DONE, gr_SetDrawingTool(gc, BRUSH));
  EXPECT_EQ(GR_MODE_WITH_BRUSH, gr_SetGMode(gc, GR_MODE_XOR));
  EXPECT_EQ(GR_MODE_XOR, gc->mode);
  EXPECT_EQ(GR_BRUSH_WITH_MODE, gr_SetDrawingTool(gc, BRUSH));
  EXPECT_EQ(BRUSH, gc->DrTool);

  // Zero divisors are refused and change nothing.
  static const U8 pattern[8] = {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC};
  gr_InitPattern(pattern, 49, 8, 8, 8);
  gr_SetPatternType(gc, 49);
  EXPECT_EQ(GR_BAD_ZOOM, gr_SetPatternZoom(gc, 0, 1));
  EXPECT_EQ(1, gc->ptrnattrib.zx);
  static const U8 picture[6] = {};
  EXPECT_EQ(GR_BAD_BITMAP_HEIGHT, gr_InitBitmap(gc, picture, 7, 3, 0, 6));
  EXPECT_EQ(GR_DONE, gr_InitBitmap(gc, picture, 7, 3, 3, 6));
  EXPECT_EQ(2, BitmapInfo[7].rowbytes);
}

TEST(GraphicContext, PenMovesEvenOutsideTheClipAndReadsBackUpward) {
  GcCanvas c(40, 30);
  gr_SetClipArea(&c.gc, 10, 10, 10, 10);
  EXPECT_EQ(GR_OUT_OF_CLIP, gr_SetAbsPenPos(&c.gc, 5, 3));
  EXPECT_EQ(5, c.gc.cp.px);
  EXPECT_EQ(26, c.gc.cp.py);
  EXPECT_EQ(GR_DONE, gr_SetAbsPenPos(&c.gc, 12, 15));
  PIXELPOS pen;
  gr_GetLogicPosition(&c.gc, &pen);
  EXPECT_EQ(12, pen.px);
  EXPECT_EQ(15, pen.py);
}

TEST(GraphicContext, ColourIsAPaletteEntryOrADirectValue) {
  GcCanvas c(4, 4);
  gr_SetColor(&c.gc, 7);
  EXPECT_EQ(0x1007u, c.gc.colour);
  gr_SetColor(&c.gc, (S32)0x8000F800u);
  EXPECT_EQ(0xF800u, c.gc.colour);
}

// Bitmap rows are stored bottom row first, two 4-bit values to a byte.
TEST(GraphicContext, TransparentBitmapWritesOnlyItsOpaquePixel) {
  GcCanvas c(20, 20);
  static const U8 mark[6] = {0x00, 0x00, 0x07, 0x00, 0x00, 0x00};
  ASSERT_EQ(GR_DONE, gr_InitBitmap(&c.gc, mark, 4, 3, 3, 6));
  gr_SetTranspAttr(&c.gc, 1, 0);
  gr_SetColor(&c.gc, 3);
  gr_SetAbsPenPos(&c.gc, 5, 5);  // row 14
  EXPECT_EQ(GR_DONE, gr_PrintBitmapWithType(&c.gc, 4, 0));
  EXPECT_EQ(CELLS({{6, 13}}), c.changed());
  EXPECT_EQ(0x1007, c.at(6, 13));
  EXPECT_EQ(0x1003u, c.gc.colour);

  // Opaque, and partly off the clip.
  gr_SetTranspAttr(&c.gc, 0, 0);
  gr_SetAbsPenPos(&c.gc, 18, 1);
  c.Clear();
  EXPECT_EQ(GR_OUT_OF_CLIP, gr_PrintBitmapWithType(&c.gc, 4, 0));
  EXPECT_EQ(Cells(18, 16, 19, 18), c.changed());
  EXPECT_EQ(0x1007, c.at(19, 17));
}

// A 2 x 2 picture of four values, turned and zoomed about the pen.
TEST(GraphicContext, BitmapDirectionsTurnAndZoomRepeats) {
  static const U8 picture[2] = {0x12, 0x34};  // bottom row 1 2, top row 3 4
  struct Row {
    U8 dir, zx, zy;
    std::vector<std::pair<CR, COLOR>> expected;  // offsets from the pen
  };
  const Row rows[] = {
      {0, 1, 1, {{{0, 0}, 1}, {{1, 0}, 2}, {{0, -1}, 3}, {{1, -1}, 4}}},
      {1, 1, 1, {{{0, 0}, 1}, {{0, 1}, 2}, {{1, 0}, 3}, {{1, 1}, 4}}},
      {2, 1, 1, {{{0, 0}, 1}, {{-1, 0}, 2}, {{0, 1}, 3}, {{-1, 1}, 4}}},
      {3, 1, 1, {{{0, 0}, 1}, {{0, -1}, 2}, {{-1, 0}, 3}, {{-1, -1}, 4}}},
      {4, 1, 1, {{{0, 0}, 1}, {{0, -1}, 2}, {{1, 0}, 3}, {{1, -1}, 4}}},
      {0, 2, 1, {{{0, 0}, 1}, {{1, 0}, 1}, {{2, 0}, 2}, {{3, 0}, 2}, {{0, -1}, 3}, {{1, -1}, 3}, {{2, -1}, 4}, {{3, -1}, 4}}},
      {0, 1, 2, {{{0, 0}, 1}, {{0, -1}, 1}, {{1, 0}, 2}, {{1, -1}, 2}, {{0, -2}, 3}, {{0, -3}, 3}, {{1, -2}, 4}, {{1, -3}, 4}}},
      {0, 0, 1, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "direction " << (int)r.dir << " zoom " << (int)r.zx << "x" << (int)r.zy);
    GcCanvas c(20, 20);
    gr_InitBitmap(&c.gc, picture, 5, 2, 2, 2);
    gr_SetBitmapDirection(&c.gc, r.dir);
    gr_SetBitmapZoom(&c.gc, r.zx, r.zy);
    gr_SetAbsPenPos(&c.gc, 10, 10);  // row 9
    EXPECT_EQ(GR_DONE, gr_PrintBitmapWithType(&c.gc, 5, 0));
    CELLS expected;
    for (const auto& [offset, value] : r.expected) {
      const CR at = {10 + offset.first, 9 + offset.second};
      expected.insert(at);
      EXPECT_EQ(0x1000 + value, c.at(at.first, at.second)) << at.first << "," << at.second;
    }
    EXPECT_EQ(expected, c.changed());
  }
}

}  // namespace
