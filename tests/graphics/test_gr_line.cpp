#include <gtest/gtest.h>

#include <random>

#include "gc_canvas.h"
#include "color.h"
#include "golden.h"
#include "test_timing.h"

namespace {

constexpr COLOR kInk = 0xF81F;

// The bytes of the chart views' dashed track pattern, type 49 index 0.
const U8 kDashes[8] = {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC};

// Positions in these tests are (column, row); y = height - 1 - row.
U32 Polyline(GcCanvas& c, std::initializer_list<CR> points) {
  U32 status = GR_DONE;
  const CR* p = points.begin();
  gr_SetAbsPenPos(&c.gc, p->first, gf_RowOf(&c.gc, p->second));
  for (p++; p != points.end(); p++) status = gr_DrawAbsLine(&c.gc, p->first, gf_RowOf(&c.gc, p->second));
  return status;
}

CELLS Drawn(GcCanvas& c, std::initializer_list<CR> points, U32* pStatus = nullptr) {
  c.Clear();
  gr_SetColor(&c.gc, (S32)(0x80000000u | kInk));
  const U32 status = Polyline(c, points);
  if (pStatus) *pStatus = status;
  return c.changed();
}

CELLS operator&(const CELLS& a, const CELLS& b) {
  CELLS out;
  for (const CR& p : a) {
    if (b.count(p)) out.insert(p);
  }
  return out;
}

TEST(GcLine, SolidLinesLeaveOutTheirEndPoint) {
  struct Row {
    const char* what;
    CR from, to;
    CELLS expected;
  };
  const Row rows[] = {
      {"horizontal", {10, 10}, {20, 10}, Cells(10, 10, 19, 10)},
      {"horizontal leftward", {20, 10}, {10, 10}, Cells(11, 10, 20, 10)},
      {"vertical upward in rows", {7, 30}, {7, 20}, Cells(7, 21, 7, 30)},
      {"one diagonal step", {0, 0}, {1, 1}, {{0, 0}}},
      {"to itself", {4, 4}, {4, 4}, {{4, 4}}},
      {"minor step waits for the decision", {5, 5}, {8, 6}, {{5, 5}, {6, 5}, {7, 6}}},
      {"diagonal", {3, 9}, {6, 6}, {{3, 9}, {4, 8}, {5, 7}}},
      {"steep", {0, 0}, {2, 5}, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}}},
  };
  GcCanvas c(40, 40);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(r.expected, Drawn(c, {r.from, r.to}));
    EXPECT_EQ(r.to, CR(c.gc.cp.px, c.gc.cp.py));
  }
}

TEST(GcLine, ClippedLinesWriteTheBoundaryPoint) {
  struct Row {
    const char* what;
    CR from, to;
    U32 status;
    CELLS expected;
  };
  // Clip columns 10..29, rows 10..29.
  const Row rows[] = {
      {"horizontal leaving", {20, 15}, {35, 15}, GR_DONE, Cells(20, 15, 29, 15)},
      {"horizontal entering", {2, 15}, {20, 15}, GR_DONE, Cells(10, 15, 19, 15)},
      {"vertical entering from above", {12, 0}, {12, 20}, GR_DONE, Cells(12, 10, 12, 19)},
      {"entering onto the edge", {2, 15}, {10, 15}, GR_OUT_OF_CLIP, {}},
      {"diagonal entering", {5, 5}, {13, 13}, GR_DONE, {{10, 10}, {11, 11}, {12, 12}}},
      {"diagonal leaving", {25, 25}, {35, 35}, GR_DONE, {{25, 25}, {26, 26}, {27, 27}, {28, 28}, {29, 29}}},
      {"vertical across", {15, 0}, {15, 39}, GR_DONE, Cells(15, 10, 15, 29)},
      {"horizontal across leftward", {39, 12}, {0, 12}, GR_DONE, Cells(10, 12, 29, 12)},
      {"wholly left", {0, 0}, {9, 39}, GR_OUT_OF_CLIP, {}},
      {"missing a corner", {0, 12}, {12, 0}, GR_OUT_OF_CLIP, {}},
      {"short and outside", {9, 9}, {10, 10}, GR_OUT_OF_CLIP, {}},
  };
  GcCanvas c(40, 40);
  gr_SetClipArea(&c.gc, 10, 10, 20, 20);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    U32 status;
    EXPECT_EQ(r.expected, Drawn(c, {r.from, r.to}, &status));
    EXPECT_EQ(r.status, status);
  }
  // Across both edges: a chord from edge to edge, both ends written.
  const CELLS chord = Drawn(c, {{0, 0}, {39, 39}});
  EXPECT_EQ(20u, chord.size());
  EXPECT_TRUE(chord.count({10, 10}) && chord.count({29, 29}));
}

// A polygon through corners, inside and across the clip, closed back on its
// first vertex: with XOR every pixel must be written an odd number of times,
// so XOR and copy give the same pixels.
TEST(GcLine, XorClosedPolylineWritesEveryVertexOnce) {
  const std::initializer_list<CR> polygons[] = {
      {{5, 5}, {30, 8}, {25, 30}, {8, 22}, {5, 5}},
      {{2, 20}, {20, 2}, {38, 20}, {20, 38}, {2, 20}},  // corners cut by the clip
      {{12, 12}, {20, 12}, {20, 20}, {12, 20}, {12, 12}},
  };
  GcCanvas c(40, 40);
  gr_SetClipArea(&c.gc, 4, 4, 32, 32);
  for (const auto& polygon : polygons) {
    gr_SetGMode(&c.gc, GR_MODE_COPY);
    const CELLS copied = Drawn(c, polygon);
    gr_SetGMode(&c.gc, GR_MODE_XOR);
    c.Clear(0);
    Polyline(c, polygon);
    EXPECT_EQ(copied, c.with(kInk));
    EXPECT_EQ(copied, c.changed(0));
  }
}

TEST(GcLine, BrushWritesTheSquareAtThePenAndLeadingEdgesAfter) {
  GcCanvas c(40, 40);
  gr_SetPixelSize(&c.gc, 3);
  gr_SetDrawingTool(&c.gc, BRUSH);
  EXPECT_EQ(Cells(8, 8, 14, 12), Drawn(c, {{10, 10}, {13, 10}}));
  // Diagonal steps add a row and a column; XOR shows each pixel once.
  gr_SetGMode(&c.gc, GR_MODE_XOR);
  c.Clear(0);
  Polyline(c, {{10, 10}, {13, 13}});
  EXPECT_EQ(Cells(8, 8, 12, 12), c.with(kInk) & Cells(8, 8, 12, 12));
  EXPECT_EQ(43u, c.changed(0).size());  // 25 + 2 * 9
  EXPECT_EQ(c.changed(0), c.with(kInk));
  // A line to the pen itself writes nothing; a point writes the square.
  c.Clear(0);
  Polyline(c, {{20, 20}, {20, 20}});
  EXPECT_TRUE(c.changed(0).empty());
  gr_SetPixel(&c.gc, 20, gf_RowOf(&c.gc, 20));
  EXPECT_EQ(Cells(18, 18, 22, 22), c.changed(0));
}

// The brush walk starts where its squares can first reach the clip: the
// pixels must be those of the whole walk, cut to the clip, each once.
TEST(GcLine, BrushLinesCutByTheClipKeepThePixelsOfTheWholeLine) {
  std::mt19937 rng(9);
  GcCanvas whole(200, 200), cut(200, 200);
  gr_SetClipArea(&cut.gc, 70, 80, 50, 40);
  for (GcCanvas* c : {&whole, &cut}) {
    gr_SetPixelSize(&c->gc, 3);
    gr_SetDrawingTool(&c->gc, BRUSH);
    gr_SetGMode(&c->gc, GR_MODE_XOR);
    gr_SetColor(&c->gc, (S32)(0x80000000u | kInk));
  }
  const CELLS clip = Cells(70, 80, 119, 119);
  const int kTrials = (int)TEST_u32Rounds(400);
  for (int trial = 0; trial < kTrials; trial++) {
    const CR a = {(SINT)(rng() % 200), (SINT)(rng() % 200)};
    CR b = {(SINT)(rng() % 200), (SINT)(rng() % 200)};
    // Lines along an axis too.
    if (trial % 4 == 1) b.first = a.first;
    if (trial % 4 == 2) b.second = a.second;
    whole.Clear(0);
    cut.Clear(0);
    Polyline(whole, {a, b});
    Polyline(cut, {a, b});
    ASSERT_EQ(whole.with(kInk) & clip, cut.changed(0)) << a.first << "," << a.second << " - " << b.first << ","
                                                        << b.second;
    ASSERT_EQ(whole.with(kInk), whole.changed(0));
  }
}

// A brush line in a copy, wholly inside the clip, covers the squares of its
// walk from the pen up to the end, left out: the walk of a line from
// (x1, y1) steps along the major axis and across it when its decision
// value 2m(k + 1) - M - 2Mj is at least 0.
TEST(GcLine, CopiedBrushLinesCoverTheSquaresOfTheirWalk) {
  std::mt19937 rng(21);
  GcCanvas c(120, 100);
  const int kTrials = (int)TEST_u32Rounds(2000);
  for (int trial = 0; trial < kTrials; trial++) {
    const SINT size = 2 + (SINT)(rng() % 2), r = size - 1;
    const CR a = {r + (SINT)(rng() % (120 - 2 * r)), r + (SINT)(rng() % (100 - 2 * r))};
    CR b = {r + (SINT)(rng() % (120 - 2 * r)), r + (SINT)(rng() % (100 - 2 * r))};
    if (trial % 4 == 1) b.first = a.first;
    if (trial % 4 == 2) b.second = a.second;
    gr_SetDrawingTool(&c.gc, BRUSH);
    gr_SetPixelSize(&c.gc, size);
    const CELLS drawn = Drawn(c, {a, b});
    CELLS walk;
    const S64 dx = (S64)b.first - a.first, dr = (S64)b.second - a.second;
    const bool xMajor = llabs(dx) >= llabs(dr);
    const S64 M = xMajor ? llabs(dx) : llabs(dr), m = xMajor ? llabs(dr) : llabs(dx);
    const S64 sx = dx > 0 ? 1 : dx < 0 ? -1 : 0, sr = dr > 0 ? 1 : dr < 0 ? -1 : 0;
    S64 j = 0, d = 2 * m - M;
    for (S64 k = 0; k < M; k++) {
      const S64 x = a.first + (xMajor ? sx * k : sx * j), row = a.second + (xMajor ? sr * j : sr * k);
      for (S64 v = -r; v <= r; v++) {
        for (S64 u = -r; u <= r; u++) walk.insert({(SINT)(x + u), (SINT)(row + v)});
      }
      if (d >= 0) {
        j++;
        d += 2 * (m - M);
      } else {
        d += 2 * m;
      }
    }
    ASSERT_EQ(walk, drawn) << a.first << "," << a.second << " - " << b.first << "," << b.second << " size " << size;
  }
}

// The same random clip, raster operation, colour and pen on each canvas: a
// brush of the given size half the time, the dashed pattern a quarter.
void RandomPen(std::mt19937& rng, std::initializer_list<GcCanvas*> canvases, SINT brushSize) {
  const U8 modes[] = {GR_MODE_COPY, GR_MODE_XOR, GR_MODE_OR, GR_MODE_AND};
  const SINT cx = (SINT)(rng() % 30), cy = (SINT)(rng() % 25), cw = (SINT)(rng() % 40) + 1, ch = (SINT)(rng() % 30) + 1;
  const U8 mode = modes[rng() % 4];
  const S32 colour = (S32)(rng() % 64);
  const bool brush = rng() % 2 == 0, pattern = rng() % 4 == 0;
  for (GcCanvas* c : canvases) {
    gr_SetClipArea(&c->gc, cx, cy, cw, ch);
    gr_SetGMode(&c->gc, mode);
    gr_SetColor(&c->gc, colour);
    gr_SetDrawingTool(&c->gc, brush ? BRUSH : STD_PEN);
    gr_SetPixelSize(&c->gc, brush ? brushSize : 1);
    gr_SetPatternType(&c->gc, 49);
    gr_SetPatternStatus(&c->gc, pattern);
  }
}

// A dot of nine pixels at once is nine single pixels, near and across the
// clip's edges, in every raster operation, pen and pattern phase.
TEST(GcLine, NinePixelsAtOnceAreNineSinglePixels) {
  std::mt19937 rng(33);
  GcCanvas once(60, 50), single(60, 50), many(60, 50);
  gr_InitPattern(kDashes, 49, 8, 8, 8);
  const int kTrials = (int)TEST_u32Rounds(3000);
  for (int trial = 0; trial < kTrials; trial++) {
    RandomPen(rng, {&once, &single, &many}, 2);
    // And as one of many dots with the raster operation found once.
    GR_DOTS dots;
    gr_DotsStart(&dots, &many.gc);
    for (int dot = 0; dot < 4; dot++) {
      const SINT x = (SINT)(rng() % 64) - 2, y = (SINT)(rng() % 54) - 2;
      gr_SetPixels3x3(&once.gc, x, y);
      gr_DotsPut(&dots, x, y);
      for (SINT dy = -1; dy <= 1; dy++) {
        for (SINT dx = -1; dx <= 1; dx++) gr_SetPixel(&single.gc, x + dx, y + dy);
      }
      ASSERT_TRUE(once.memory() == single.memory()) << "trial " << trial << " dot at " << x << "," << y;
      ASSERT_TRUE(many.memory() == single.memory()) << "trial " << trial << " dot at " << x << "," << y;
      for (const GcCanvas* c : {&once, &many}) {
        ASSERT_EQ(single.gc.cp.px, c->gc.cp.px);
        ASSERT_EQ(single.gc.cp.py, c->gc.cp.py);
      }
    }
  }
}

// Lines joined where they run on in one direction write what each line
// drawn by itself writes, in every raster operation, tool and clip; the pen
// ends where theirs does.
TEST(GcLine, JoinedLinesWriteWhatEachLineWrites) {
  std::mt19937 rng(45);
  GcCanvas joined(60, 50), each(60, 50);
  gr_InitPattern(kDashes, 49, 8, 8, 8);
  const int kTrials = (int)TEST_u32Rounds(3000);
  for (int trial = 0; trial < kTrials; trial++) {
    joined.Clear();
    each.Clear();
    RandomPen(rng, {&joined, &each}, 2 + (SINT)(trial % 2));
    SINT x = (SINT)(rng() % 70) - 5, y = (SINT)(rng() % 60) - 5;
    gr_SetAbsPenPos(&joined.gc, x, y);
    gr_SetAbsPenPos(&each.gc, x, y);
    GR_JOINED_LINES join;
    gr_JoinStart(&join, &joined.gc);
    // Runs of steps in one direction (along an axis, a diagonal, or none:
    // lines to the pen) and lines in any direction.
    for (int run = 0; run < 8; run++) {
      const bool any = rng() % 4 == 0;
      const SINT ux = (SINT)(rng() % 3) - 1, uy = (SINT)(rng() % 3) - 1;
      for (int k = (int)(rng() % 6); k >= 0; k--) {
        const SINT length = (SINT)(rng() % 4);
        x += any ? (SINT)(rng() % 9) - 4 : ux * length;
        y += any ? (SINT)(rng() % 9) - 4 : uy * length;
        gr_JoinLine(&join, x, y);
        gr_DrawAbsLine(&each.gc, x, y);
      }
    }
    gr_JoinFlush(&join);
    ASSERT_TRUE(joined.memory() == each.memory()) << "trial " << trial;
    ASSERT_EQ(each.gc.cp.px, joined.gc.cp.px) << "trial " << trial;
    ASSERT_EQ(each.gc.cp.py, joined.gc.cp.py) << "trial " << trial;
  }
}

TEST(GcLine, FarAwayBrushAndDecorativeLinesStayCheap) {
  GcCanvas c(64, 48);
  gr_SetPixelSize(&c.gc, 3);
  gr_SetDrawingTool(&c.gc, BRUSH);
  // Through the middle, from ends four billion pixels apart.
  EXPECT_FALSE(Drawn(c, {{INT32_MIN, 20}, {INT32_MAX, 24}}).empty());
  EXPECT_FALSE(Drawn(c, {{30, INT32_MIN}, {34, INT32_MAX}}).empty());
  gr_InitPattern(kDashes, 0, 8, 8, 8);
  gr_SetPatternType(&c.gc, 0);
  for (U8 code : {255, 254}) {
    gr_SetPatternIndex(&c.gc, code);
    gr_SetPatternStatus(&c.gc, 1);
    EXPECT_FALSE(Drawn(c, {{INT32_MIN, 20}, {INT32_MAX, 24}}).empty());
  }
}

TEST(GcLine, PatternPhaseAdvancesBeforeEachBitAndRunsAcrossVertices) {
  GcCanvas c(40, 20);
  gr_InitPattern(kDashes, 49, 8, 8, 8);
  gr_SetPatternType(&c.gc, 49);
  gr_SetPatternStatus(&c.gc, 1);
  // Nine pixels: off on on off off on on off off.
  EXPECT_EQ(CELLS({{1, 5}, {2, 5}, {5, 5}, {6, 5}}), Drawn(c, {{0, 5}, {9, 5}}));
  // The phase runs on from that line into the next.
  EXPECT_EQ(CELLS({{8, 5}, {9, 5}, {12, 5}, {13, 5}}), Drawn(c, {{8, 5}, {16, 5}}));
  gr_SetPatternStatus(&c.gc, 1);
  const CELLS straight = Drawn(c, {{0, 5}, {30, 5}});
  gr_SetPatternStatus(&c.gc, 1);
  EXPECT_EQ(straight, Drawn(c, {{0, 5}, {7, 5}, {11, 5}, {30, 5}}));
  // Zoomed, each bit covers two pixels: bits 0 1 1 2 2 3 3 4 4 5 5 6.
  gr_SetPatternStatus(&c.gc, 1);
  gr_SetPatternZoom(&c.gc, 2, 1);
  EXPECT_EQ(CELLS({{3, 5}, {4, 5}, {5, 5}, {6, 5}, {11, 5}}), Drawn(c, {{0, 5}, {12, 5}}));
  // A one-step line consults the pattern before writing.
  gr_SetPatternType(&c.gc, 49);
  gr_SetPatternStatus(&c.gc, 1);
  U32 status;
  EXPECT_TRUE(Drawn(c, {{3, 3}, {4, 4}}, &status).empty());
  EXPECT_EQ(GR_OUT_OF_CLIP, status);
  EXPECT_EQ(CELLS({{3, 3}}), Drawn(c, {{3, 3}, {4, 4}}, &status));
  EXPECT_EQ(GR_DONE, status);
}

TEST(GcLine, RasterOperationsOnSpansAndWords) {
  struct Row {
    U8 mode;
    COLOR (*op)(COLOR pixel, COLOR colour);
  };
  const Row rows[] = {
      {GR_MODE_COPY, [](COLOR, COLOR c) { return c; }},
      {GR_MODE_AND, [](COLOR p, COLOR c) { return (COLOR)(p & c); }},
      {GR_MODE_OR, [](COLOR p, COLOR c) { return (COLOR)(p | c); }},
      {GR_MODE_XOR, [](COLOR p, COLOR c) { return (COLOR)(p ^ c); }},
      {5, [](COLOR p, COLOR) { return p; }},
  };
  const COLOR background = 0x5A3C, colour = 0x0FF0;
  GcCanvas c(40, 4);
  gr_SetColor(&c.gc, (S32)(0x80000000u | colour));
  for (const Row& r : rows) {
    gr_SetGMode(&c.gc, r.mode);
    // Every start alignment and length, both directions.
    for (SINT start = 16; start < 20; start++) {
      for (SINT length = -3; length <= 13; length++) {
        c.Clear(background);
        gf_HorLine(&c.gc, start, 1, length);
        const SINT first = length >= 0 ? start : start + length + 1, end = first + (length >= 0 ? length : -length);
        const CELLS expected = first < end && r.mode != 5 ? Cells(first, 1, end - 1, 1) : CELLS{};
        ASSERT_EQ(expected, c.changed(background)) << (int)r.mode << " " << start << " " << length;
        ASSERT_EQ(first < end ? r.op(background, colour) : background, c.at(first, 1));
      }
    }
    c.Clear(background);
    gf_VertLine(&c.gc, 3, 2, -2);
    EXPECT_EQ(r.op(background, colour), c.at(3, 1));
    U32 word = 0x12345678;
    gf_SetBit(&word, 8, colour, r.mode);
    EXPECT_EQ((0x12345678u & ~0x00FFFF00u) | ((U32)r.op(0x3456, colour) << 8), word);
  }
  U32 word = 0x12345678;
  gf_SetBit(&word, 24, 0xABCD, GR_MODE_COPY);
  EXPECT_EQ(0xCD345678u, word);
  gf_SetBit(&word, 32, 0xABCD, GR_MODE_COPY);
  EXPECT_EQ(0xCD345678u, word);
}

TEST(GcLine, SpanThroughATwoDimensionalPattern) {
  // 4 x 2, rows stored top first: columns 1 2, then columns 0 2. The
  // bottom row of the screen takes the last stored row.
  static const U8 checks[2] = {0x06, 0x05};
  GcCanvas c(16, 4);
  gr_InitPattern(checks, 3, 4, 2, 2);
  gr_SetPatternType(&c.gc, 3);
  gr_SetColor(&c.gc, (S32)(0x80000000u | kInk));
  gf_HorLineWithPattern(&c.gc, 1, 3, 8);  // y 0: pattern row 1, the bottom
  gf_HorLineWithPattern(&c.gc, 1, 2, 8);  // y 1: pattern row 0
  EXPECT_EQ(CELLS({{2, 3}, {4, 3}, {6, 3}, {8, 3}, {1, 2}, {2, 2}, {5, 2}, {6, 2}, {9, 2}}), c.changed());
}

// Lines of every kind thrown around a random clip rectangle: nothing may
// land outside it, and a line reported wholly clipped changes nothing.
TEST(GcLine, RandomLinesNeverWriteOutsideTheClip) {
  std::mt19937 rng(17);
  GcCanvas c(61, 45);
  gr_InitPattern(kDashes, 49, 8, 8, 8);
  gr_InitPattern(kDashes, 0, 8, 8, 8);
  const U8 modes[] = {GR_MODE_COPY, GR_MODE_AND, GR_MODE_OR, GR_MODE_XOR, 3};
  auto coordinate = [&](SINT size) -> SINT {
    switch (rng() % 16) {
      case 0:
        return (SINT)rng();  // anywhere in 32 bits
      case 1:
        return rng() % 2 ? INT32_MAX : INT32_MIN;
      default:
        return (SINT)(rng() % (size + 40)) - 20;
    }
  };
  std::vector<COLOR> before;
  const int kTrials = (int)TEST_u32Rounds(100000);
  for (int trial = 0; trial < kTrials; trial++) {
    if (trial % 500 == 0) {
      c.Clear();
      gr_SetClipArea(&c.gc, (SINT)(rng() % 70) - 5, (SINT)(rng() % 50) - 5, (SINT)(rng() % 50) - 10,
                     (SINT)(rng() % 40) - 10);
      gr_SetAbsPenPos(&c.gc, coordinate(61), coordinate(45));
    }
    if (trial % 50 == 0) {
      gr_SetPixelSize(&c.gc, 1 + (SINT)(rng() % 3));
      gr_SetDrawingTool(&c.gc, rng() % 2 ? BRUSH : STD_PEN);
      gr_SetGMode(&c.gc, modes[rng() % 5]);
      gr_SetColor(&c.gc, (S32)(rng() % 32));
      const U32 pattern = rng() % 8;
      gr_SetPatternType(&c.gc, pattern == 7 ? 0 : 49);
      if (pattern == 7) gr_SetPatternIndex(&c.gc, rng() % 2 ? 255 : 254);
      gr_SetPatternStatus(&c.gc, pattern >= 4);
    }
    before = c.memory();
    const SINT x = coordinate(61), y = coordinate(45);
    const U32 status = rng() % 10 == 0 ? gr_SetPixel(&c.gc, x, y) : gr_DrawAbsLine(&c.gc, x, y);
    ASSERT_FALSE(c.strayOutsideClip()) << "trial " << trial;
    if (status == GR_OUT_OF_CLIP) {
      ASSERT_TRUE(before == c.memory()) << "trial " << trial;
    }
  }
}

// A chart-like picture through the context: a dashed track, a brushed
// route with clipped legs, XOR cursor lines and track-point marks.
TEST(GcLine, ChartSceneMatchesGolden) {
  GcCanvas c(160, 120);
  c.Clear(0x2945);
  gr_SetColorPalette(gCOLOR_pcolColorTable + 148);
  gr_InitPattern(kDashes, 49, 8, 8, 8);
  gr_InitPattern(kDashes, 0, 8, 8, 8);
  gr_SetClipArea(&c.gc, 4, 4, 152, 112);
  gr_SetColor(&c.gc, 9);
  gr_SetPatternType(&c.gc, 49);
  gr_SetPatternStatus(&c.gc, 1);
  Polyline(c, {{10, 100}, {40, 70}, {60, 75}, {90, 40}, {150, 30}});
  gr_SetPatternStatus(&c.gc, 0);
  gr_SetColor(&c.gc, 10);
  gr_SetDrawingTool(&c.gc, BRUSH);
  gr_SetPixelSize(&c.gc, 3);
  Polyline(c, {{-30, 60}, {50, 20}, {120, 90}, {200, 110}});
  gr_SetPixelSize(&c.gc, 2);
  Polyline(c, {{20, 20}, {35, 50}});
  gr_SetDrawingTool(&c.gc, STD_PEN);
  gr_SetGMode(&c.gc, GR_MODE_XOR);
  gr_SetColor(&c.gc, (S32)0x8000FFFFu);
  Polyline(c, {{80, 0}, {80, 119}});
  Polyline(c, {{0, 60}, {159, 60}});
  gr_SetGMode(&c.gc, GR_MODE_COPY);
  gr_SetColor(&c.gc, 11);
  for (U8 code : {255, 254}) {
    gr_SetPatternType(&c.gc, 0);
    gr_SetPatternIndex(&c.gc, code);
    gr_SetPatternStatus(&c.gc, 1);
    Polyline(c, {{20, code == 255 ? 108 : 114}, {140, code == 255 ? 100 : 112}});
  }
  gr_SetPatternStatus(&c.gc, 0);
  static const U8 mark[6] = {0x0F, 0xF0, 0xFF, 0xF0, 0x0F, 0xF0};
  gr_InitBitmap(&c.gc, mark, 4, 3, 3, 6);
  gr_SetTranspAttr(&c.gc, 1, 0);
  for (CR at : {CR{40, 70}, CR{60, 75}, CR{90, 40}, CR{155, 30}}) {
    gr_SetAbsPenPos(&c.gc, at.first - 1, gf_RowOf(&c.gc, at.second + 1));
    gr_PrintBitmapWithType(&c.gc, 4, 0);
  }
  const GOLDEN_PICTURE picture = {&c.at(0, 0), 160, 120, 160};
  EXPECT_TRUE(GOLDEN_Match(std::string(GRAPHICS_GOLDEN_DIR) + "/gc_chart.png", picture));
  gr_SetColorPalette(GcTestPalette());
}

}  // namespace
