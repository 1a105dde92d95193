#include <gtest/gtest.h>
#include <math.h>

#include <algorithm>
#include <string>
#include <vector>

#include "golden.h"
#include "scene.h"
#include "tsdisplay.h"

namespace {

constexpr u16 kSky = 0x5D7F;
constexpr u16 kSeam = 0xF800;
constexpr u16 kTrack = 0xFFE0;
constexpr u16 kBlank = 0x0001;

// Checks of 64 texels, with a red seam along the texture's first rows and
// columns so that its repeats show.
std::vector<u16> Checkerboard() {
  return MakeTexture([](i32 tx, i32 ty) -> u16 {
    if (tx < 3 || ty < 3) return kSeam;
    return ((tx >> 6) ^ (ty >> 6)) & 1 ? 0x2A69 : 0xE71C;
  });
}

// A 17 x 17 grid of ground vertices 4 units apart around the origin with two
// texture repeats across it each way, drawn as 256 quads; then a winding
// track from behind the camera to the far edge.
void DrawGround(tsDisplay* d, const u16* texture) {
  constexpr int kN = 17;
  std::vector<i32> pos, tex, quads, track;
  for (int j = 0; j < kN; j++) {
    for (int i = 0; i < kN; i++) {
      pos.insert(pos.end(), {Ground(-32 + 4 * i), Ground(-32 + 4 * j), 0});
      tex.insert(tex.end(), {i * kOne / 8, j * kOne / 8});
      if (i + 1 < kN && j + 1 < kN)
        quads.insert(quads.end(), {j * kN + i, j * kN + i + 1, (j + 1) * kN + i + 1, (j + 1) * kN + i});
    }
  }
  tsDisplay_VertexPointer(d, 3, 0, 0, pos.data());
  tsDisplay_TexCoordPointer(d, 2, 0, 0, tex.data());
  ASSERT_EQ(1, tsDisplay_ProcessVertices(d, 0, kN * kN));
  d->CurTexturePtr = (u16*)texture;
  tsDisplay_DrawTextureQuad(d, (i32)quads.size(), quads.data());

  // Whole-unit offsets keep the picture free of the library's sine.
  static const int kWinding[16] = {0, 2, 4, 5, 6, 5, 4, 2, 0, -2, -4, -5, -6, -5, -4, -2};
  pos.clear();
  for (int k = 0; k < 16; k++) {
    pos.insert(pos.end(), {Ground(kWinding[k]), Ground(-30 + 4 * k), 0});
    track.push_back(k);
  }
  ASSERT_EQ(1, tsDisplay_ProcessVertices(d, 0, 16));
  tsDisplay_SetColor(d, kTrack);
  tsDisplay_DrawLineStrip(d, 15, track.data());
}

TEST(Render3dGolden, CheckerboardGroundUnderAYawedAndPitchedCamera) {
  Display d(320, 240);
  tsDisplay_ClearColorx(d.get(), kSky, 0);
  SetCamera(d.get(), 30, -20, -2, 6, -20);
  const std::vector<u16> texture = Checkerboard();
  DrawGround(d.get(), texture.data());
  EXPECT_EQ(TS_OK, d->Error);
  const GOLDEN_PICTURE picture = {d->BackBuffer, 320, 240, 320};
  EXPECT_TRUE(GOLDEN_Match(std::string(RENDER3D_GOLDEN_DIR) + "/checkerboard_ground.png", picture));

  // Neighbouring quads, clipped or not, leave no hole in the ground.
  for (i32 x = 0; x < 320; x++) {
    i32 y = 0;
    while (y < 240 && d.at(x, y) == kSky) y++;
    for (; y < 240; y++) ASSERT_NE(kSky, d.at(x, y)) << "hole at " << x << "," << y;
  }
}

TEST(Render3dGolden, GroundCutByTheScreenEdgesReachesTheOuterRowsAndColumns) {
  // Looking 45 degrees down, the ground fills the screen and every quad at
  // the border is cut by a side plane.
  const std::vector<u16> texture = Checkerboard();
  for (double yaw : {0.0, 30.0, 100.0, 200.0}) {
    Display d(320, 240, kBlank);
    SetCamera(d.get(), yaw, -45, 0, 6, 0);
    DrawGround(d.get(), texture.data());
    for (i32 x = 0; x < 320; x++) {
      ASSERT_NE(kBlank, d.at(x, 0)) << yaw << ": column " << x;
      ASSERT_NE(kBlank, d.at(x, 239)) << yaw << ": column " << x;
    }
    for (i32 y = 0; y < 240; y++) {
      ASSERT_NE(kBlank, d.at(0, y)) << yaw << ": row " << y;
      ASSERT_NE(kBlank, d.at(319, y)) << yaw << ": row " << y;
    }
  }
}

// The ground point under screen pixel (px, py), in world units, solved in
// floating point from Combine.
void GroundUnder(const tsDisplay* d, int px, int py, double* x, double* z) {
  double K[4][4];
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) K[i][j] = (double)d->Combine.m[i][j] / kOne;
  }
  const double a = (px - d->Width / 2) / (double)d->ViewScaleX, b = (py - d->Height / 2) / (double)d->ViewScaleY;
  const double a11 = K[0][0] - a * K[0][3], a12 = K[2][0] - a * K[2][3], r1 = a * K[3][3] - K[3][0];
  const double a21 = K[0][1] - b * K[0][3], a22 = K[2][1] - b * K[2][3], r2 = b * K[3][3] - K[3][1];
  const double det = a11 * a22 - a12 * a21;
  *x = (r1 * a22 - a12 * r2) / det;
  *z = (a11 * r2 - r1 * a21) / det;
}

int TexelDistance(int a, int b) {
  const int d = ((a - b) % 512 + 512) % 512;
  return std::min(d, 512 - d);
}

TEST(Render3dQuads, EveryGroundPixelShowsItsPerspectiveTexel) {
  // One quad across the whole ground, clipped by the near plane and all four
  // sides; the texels name their own column or row.
  const std::vector<u16> byColumn = MakeTexture([](i32 tx, i32) { return (u16)tx; });
  const std::vector<u16> byRow = MakeTexture([](i32, i32 ty) { return (u16)ty; });
  i32 pos[] = {Ground(-32), Ground(-32), 0, Ground(32),  Ground(-32), 0,
               Ground(32),  Ground(32),  0, Ground(-32), Ground(32),  0};
  i32 tex[] = {0, 0, 2 * kOne, 0, 2 * kOne, 2 * kOne, 0, 2 * kOne};
  i32 quad[] = {0, 1, 2, 3};
  Display columns(320, 240, kBlank), rows(320, 240, kBlank);
  for (Display* d : {&columns, &rows}) {
    SetCamera(d->get(), 30, -20, -2, 6, -20);
    tsDisplay_VertexPointer(d->get(), 3, 0, 0, pos);
    tsDisplay_TexCoordPointer(d->get(), 2, 0, 0, tex);
    ASSERT_EQ(1, tsDisplay_ProcessVertices(d->get(), 0, 4));
    (*d)->CurTexturePtr = (u16*)(d == &columns ? byColumn.data() : byRow.data());
    tsDisplay_DrawTextureQuad(d->get(), 4, quad);
  }
  int drawn = 0;
  for (int py = 0; py < 240; py += 3) {
    for (int px = 0; px < 320; px += 5) {
      if (columns.at(px, py) == kBlank) continue;
      double x, z;
      GroundUnder(columns.get(), px, py, &x, &z);
      // v is stored upside down: v = 0 is the last texel row.
      const int tx = (int)floor((x + 32) / 32 * 512), ty = (int)floor(-(z + 32) / 32 * 512);
      ASSERT_LE(TexelDistance(columns.at(px, py), tx), 3) << px << "," << py;
      ASSERT_LE(TexelDistance(rows.at(px, py), ty), 3) << px << "," << py;
      drawn++;
    }
  }
  EXPECT_GT(drawn, 3000);
}

const std::vector<u16>& Flat() {
  static const std::vector<u16> flat = MakeTexture([](i32, i32) -> u16 { return kTrack; });
  return flat;
}

// A screen vertex at (x, y) pixels, 16.16, at w = 1.0.
tsVertex At(double x, double y, i32 u = 0, i32 v = 0) {
  return tsVertex{(i32)lround(x * kOne), (i32)lround(y * kOne), kOne, kOne, u, v, 0};
}

// Walks two edges and draws; returns the covered pixels.
std::vector<std::pair<i32, i32>> Spans(Display& d, tsVertex a0, tsVertex a1, tsVertex b0, tsVertex b1,
                                       const std::vector<u16>& texture = Flat()) {
  d.fill(kBlank);
  d->CurTexturePtr = (u16*)texture.data();
  d->MinScan = TS_MAX_SCANS;
  d->MaxScan = 0;
  tsDisplay_CalcScans(d.get(), &a0, &a1);
  tsDisplay_CalcScans(d.get(), &b0, &b1);
  tsDisplay_DrawScans(d.get());
  return d.changed(kBlank);
}

TEST(Render3dSpans, PixelsAndRowsFromTheCeilingOfTheFirstEndToBeforeTheCeilingOfTheLast) {
  // Left edge at x1 and right edge at x2, both from row line top to bottom.
  const struct {
    double x1, x2, top, bottom;
    i32 xs, xe, ys, ye;  // pixels xs..xe - 1 of rows ys..ye - 1
  } rows[] = {{10.5, 12.0, 0, 1, 11, 12, 0, 1}, {10.0, 12.0, 0, 1, 10, 12, 0, 1}, {10.2, 10.9, 0, 1, 0, 0, 0, 0},
              {-5.0, 2.0, 0, 1, 0, 2, 0, 1},    {13.5, 40.0, 0, 1, 14, 16, 0, 1}, {0, 4, 1.0, 3.0, 0, 4, 1, 3},
              {0, 4, 1.5, 3.0, 0, 4, 2, 3},     {0, 4, 1.0, 3.5, 0, 4, 1, 4},     {0, 4, -2.0, 9.0, 0, 4, 0, 6}};
  Display d(16, 6);
  for (const auto& r : rows) {
    std::vector<std::pair<i32, i32>> expected;
    for (i32 y = r.ys; y < r.ye; y++) {
      for (i32 x = r.xs; x < r.xe; x++) expected.push_back({x, y});
    }
    EXPECT_EQ(expected, Spans(d, At(r.x1, r.top), At(r.x1, r.bottom), At(r.x2, r.top), At(r.x2, r.bottom)))
        << r.x1 << ".." << r.x2 << " x " << r.top << ".." << r.bottom;
  }
  // An edge clamped at the left border goes on from the border: in row 1 it
  // is at x = -3, and the span starts at pixel 1.
  const auto carried = Spans(d, At(-4, 0), At(4, 8), At(16, 0), At(16, 8));
  EXPECT_EQ(std::make_pair(1, 1), carried[16]);
}

TEST(Render3dSpans, TextureCoordinatesPastOneWrap) {
  // The whole 64 x 8 screen under one quad whose u runs 0 to 2.0: the texture
  // repeats every 32 pixels.
  const std::vector<u16> texture = MakeTexture([](i32 tx, i32 ty) { return (u16)(tx + 512 * (ty & 7)); });
  Display d(64, 8);
  const auto pixels = Spans(d, At(0, 0, 0), At(0, 8, 0), At(64, 0, 2 * kOne), At(64, 8, 2 * kOne), texture);
  ASSERT_EQ(64u * 8u, pixels.size());
  for (i32 x = 0; x < 32; x++) {
    EXPECT_EQ(16 * x, d.at(x, 3));
    EXPECT_EQ(d.at(x, 3), d.at(x + 32, 3));
  }
}

// The pixels of a line between two screen points, in whole pixels.
std::vector<std::pair<i32, i32>> Line(Display& d, double x1, double y1, double x2, double y2) {
  d.fill(kBlank);
  tsVertex a = At(x1, y1), b = At(x2, y2);
  tsDisplay_DrawLine(d.get(), &a, &b, 0x1234F00D);
  for (auto& p : d.changed(kBlank)) EXPECT_EQ(0xF00D, d.at(p.first, p.second));
  return d.changed(kBlank);
}

TEST(Render3dLines, DrawTheFirstEndAndNotTheLast) {
  typedef std::vector<std::pair<i32, i32>> PIXELS;
  struct Row {
    double x1, y1, x2, y2;
    PIXELS expected;
  } rows[] = {
      {0, 0, 3, 0, {{0, 0}, {1, 0}, {2, 0}}},
      {0, 0, 0, 0, {}},
      {3, 0, 0, 0, {{1, 0}, {2, 0}, {3, 0}}},
      {0.9, 0.5, 0, 3, {{0, 0}, {0, 1}, {0, 2}}},
      {0, 0, 4, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}}},
      {5, 0, 8, 0, {{5, 0}, {6, 0}}},  // x = Width is clamped to the last column
  };
  Display d(8, 4);
  for (const Row& r : rows) {
    EXPECT_EQ(r.expected, Line(d, r.x1, r.y1, r.x2, r.y2)) << r.x1 << "," << r.y1 << " " << r.x2 << "," << r.y2;
  }
}

TEST(Render3dLines, ASegmentLeavingThroughTheNearPlaneStopsAtTheCrossing) {
  // Eyes half a unit above the ground; the segment runs from 10 units ahead
  // to 5 behind, and a second one lies wholly behind.
  Display d(320, 240, kBlank);
  SetCamera(d.get(), 0, 0, 0, 0.5, 0);
  i32 pos[] = {0, Ground(10), 0, 0, Ground(-5), 0, 0, Ground(-6), 0}, tex[6] = {}, strip[] = {0, 1, 2};
  tsDisplay_VertexPointer(d.get(), 3, 0, 0, pos);
  tsDisplay_TexCoordPointer(d.get(), 2, 0, 0, tex);
  ASSERT_EQ(1, tsDisplay_ProcessVertices(d.get(), 0, 3));
  tsDisplay_DrawLineStrip(d.get(), 2, strip);
  i32 x, nearY, farY;
  ASSERT_EQ(1, tsDisplay_ProjectPoint(d.get(), 0, kOne, 0, &x, &nearY));
  ASSERT_EQ(1, tsDisplay_ProjectPoint(d.get(), 0, 10 * kOne, 0, &x, &farY));
  const auto pixels = d.changed(kBlank);
  ASSERT_FALSE(pixels.empty());
  EXPECT_EQ(std::make_pair(160, farY), pixels.front());
  // The crossing rounds to nearY; its own pixel is the segment's last end.
  EXPECT_GE(pixels.back().second, nearY - 2);
  EXPECT_LE(pixels.back().second, nearY - 1);
  EXPECT_EQ(160, pixels.back().first);
}

}  // namespace
