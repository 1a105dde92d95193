#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "scene.h"
#include "tsdisplay.h"

namespace {

TEST(Render3dContext, SizesBeyondTheSpanTableOrTheFixedPointRangeAreRefused) {
  const struct {
    i32 width, height;
    bool accepted;
  } rows[] = {{800, 480, true}, {800, 481, false}, {10, -1, false}, {0x7FFF, 2, true}, {0x8000, 2, false}};
  for (const auto& r : rows) {
    Display d(16, 16);
    tsDisplay_Init(d.get(), r.width, r.height, nullptr, nullptr, nullptr);
    EXPECT_EQ(r.accepted ? TS_OK : TS_ERR, d->Error) << r.width << "x" << r.height;
    EXPECT_EQ(r.accepted ? r.height : 0, d->Height);
    tsDisplay_Init(d.get(), 16, 16, nullptr, nullptr, nullptr);
    tsDisplay_Resize(d.get(), r.width, r.height);
    EXPECT_EQ(r.accepted ? r.width : 16, d->Width) << r.width << "x" << r.height;
  }
}

TEST(Render3dContext, StacksHoldFifteenMatricesAndRecordTheirErrors) {
  const struct {
    i32 mode, overflow, underflow;
  } rows[] = {{TS_MODELVIEW, TS_ERR_MVStackOverflow, TS_ERR_MVStackUnderflow},
              {TS_PROJECTION, TS_ERR_ProjStackOverflow, TS_ERR_ProjStackUnderflow}};
  for (const auto& r : rows) {
    Display d(8, 8);
    tsDisplay_MatrixMode(d.get(), r.mode);
    const i32* depth = r.mode == TS_MODELVIEW ? &d->MVStackPtr : &d->ProjStackPtr;
    tsDisplay_PopMatrix(d.get());
    EXPECT_EQ(r.underflow, d->Error);
    EXPECT_EQ(0, *depth);
    d->Error = TS_OK;
    for (int k = 0; k < 14; k++) tsDisplay_PushMatrix(d.get());
    EXPECT_EQ(TS_OK, d->Error);
    tsDisplay_PushMatrix(d.get());
    EXPECT_EQ(r.overflow, d->Error);
    EXPECT_EQ(14, *depth);
  }
}

TEST(Render3dContext, ClearsStayWithinASixteenBitSurface) {
  Display d(5, 3, 0x7777);  // 15 pixels and two spare past the end
  tsDisplay_ClearColorx(d.get(), 0x1234, 0x5678);
  for (i32 i = 0; i < 14; i++) EXPECT_EQ(0x1234, d->BackBuffer[i]) << i;
  EXPECT_EQ(0x7777, d->BackBuffer[14]);  // odd last pixel
  d->RenderMode = tsRM_FULL;
  tsDisplay_ClearColorx(d.get(), 0x4321, 0xABCD);
  u32 word;
  memcpy(&word, d->BackBuffer, 4);
  EXPECT_EQ(0xABCD4321u, word);
  for (i32 i = 14; i < 17; i++) EXPECT_EQ(0x7777, d->BackBuffer[i]) << i;
}

// Runs a batch of ground vertices (x, depth, height in whole units); vertex
// k has texture co-ordinates (k * 0x1000, k * 0x100 + 7).
i32 Transform(Display& d, std::vector<std::vector<double>> points, i32 start, i32 end) {
  static std::vector<i32> pos, tex;
  pos.clear();
  tex.clear();
  for (const auto& p : points) {
    pos.insert(pos.end(), {Ground(p[0]), Ground(p[1]), Ground(p[2])});
    tex.insert(tex.end(), {(i32)tex.size() / 2 * 0x1000, (i32)tex.size() / 2 * 0x100 + 7});
  }
  tsDisplay_VertexPointer(d.get(), 3, 0, 0, pos.data());
  tsDisplay_TexCoordPointer(d.get(), 2, 0, 0, tex.data());
  return tsDisplay_ProcessVertices(d.get(), start, end);
}

TEST(Render3dTransform, BatchesWhollyOutsideOrEmptyAreNotVisible) {
  Display d(320, 240);
  SetCamera(d.get(), 0, 0, 0, 2, 0);
  EXPECT_EQ(0, Transform(d, {{0, 10, 0}}, 1, 1));
  EXPECT_EQ(nullptr, d->TVerts);
  EXPECT_EQ(0, Transform(d, {{0, -3, 0}, {5, 0.5, 0}}, 0, 2));  // behind the near plane
  EXPECT_NE(0, TS_CLIP_NEAR & d->TVerts[0].clip & d->TVerts[1].clip);
  EXPECT_EQ(1, Transform(d, {{0, -3, 0}, {0, 10, 0}}, 0, 2));
}

TEST(Render3dTransform, ClipCodesFromTheSixPlanesAndZeroW) {
  // With Combine the identity, w = 1.0 and x = 32 p0: 2048 is exactly w.
  const struct {
    i32 p0, p1, p2, code;
  } rows[] = {{2048, 1024, 0, 0},
              {2049, 1024, 0, TS_CLIP_XMAX},
              {-2049, 1024, 0, TS_CLIP_XMIN},
              {0, 1024, -2049, TS_CLIP_YMAX},
              {0, 1024, 2049, TS_CLIP_YMIN},
              {0, -1, 0, TS_CLIP_NEAR},
              {0, 2049, 0, TS_CLIP_FAR}};
  Display d(64, 64);
  tsMatrix_Identity(&d->Combine);
  i32 pos[3], tex[2] = {0, 0};
  tsDisplay_VertexPointer(d.get(), 3, 0, 0, pos);
  tsDisplay_TexCoordPointer(d.get(), 2, 0, 0, tex);
  for (i32 mode : {tsRM_FULL, tsRM_FLAT}) {
    d->RenderMode = mode;
    for (const auto& r : rows) {
      pos[0] = r.p0, pos[1] = r.p1, pos[2] = r.p2;
      // The height counts only in the full mode.
      const i32 code = mode == tsRM_FULL ? r.code : r.code & ~(TS_CLIP_YMIN | TS_CLIP_YMAX);
      EXPECT_EQ(code == 0 ? 1 : 0, tsDisplay_ProcessVertices(d.get(), 0, 1));
      EXPECT_EQ(code, d->TVerts[0].clip) << r.p0 << "," << r.p1 << "," << r.p2;
    }
  }
  d->Combine.m[3][3] = 0;
  EXPECT_EQ(0, tsDisplay_ProcessVertices(d.get(), 0, 1));
  EXPECT_EQ(TS_CLIP_W0, d->TVerts[0].clip);
}

TEST(Render3dTransform, ABatchFromALaterVertexTakesThatVertexTextureCoordinates) {
  Display d(320, 240);
  SetCamera(d.get(), 10, -5, 0, 2, 0);
  const std::vector<std::vector<double>> points = {{0, 5, 0}, {1, 6, 0}, {2, 7, 0}, {3, 8, 0}};
  ASSERT_EQ(1, Transform(d, points, 0, 4));
  const tsTVertex third = d->TVerts[2];
  ASSERT_EQ(1, Transform(d, points, 2, 4));
  EXPECT_EQ(0, memcmp(&third, &d->TVerts[0], sizeof third));
  EXPECT_EQ(0xFFFF - (2 * 0x100 + 7), d->TVerts[0].v);  // stored bottom-up
}

TEST(Render3dTransform, ABatchTheHeapCannotHoldFailsAndKeepsTheOldBuffers) {
  Display d(320, 240);
  SetCamera(d.get(), 0, 0, 0, 2, 0);
  ASSERT_EQ(1, Transform(d, {{0, 5, 0}, {1, 6, 0}}, 0, 2));
  tsTVertex* buffer = d->TVerts;
  // 13,000 transformed vertices exceed the heap's largest block.
  EXPECT_EQ(0, Transform(d, std::vector<std::vector<double>>(13000, {0, 5, 0}), 0, 13000));
  EXPECT_EQ(buffer, d->TVerts);
  EXPECT_EQ(2, d->TVertCount);
}

TEST(Render3dTransform, ScreenRowsAndColumnsMapBackToTheGround) {
  Display d(320, 240);
  SetCamera(d.get(), 20, -15, 0, 3, 0);
  i32 sx, sy, z = 0, x = 0;
  ASSERT_EQ(1, tsDisplay_ProjectPoint(d.get(), 4 * kOne, 12 * kOne, 0, &sx, &sy));
  tsDisplay_CalcZ(d.get(), sy, 4 * kOne, 0, &z);
  EXPECT_NEAR(12.0, (double)z / kOne, 0.3);
  tsDisplay_CalcX(d.get(), sx, &x, 0, 12 * kOne);
  EXPECT_NEAR(4.0, (double)x / kOne, 0.3);
  EXPECT_EQ(TS_OK, d->Error);

  // Level camera: the middle row is the horizon, where no depth answers.
  SetCamera(d.get(), 0, 0, 0, 3, 0);
  z = 12345;
  tsDisplay_CalcZ(d.get(), 120, 0, 0, &z);
  EXPECT_EQ(12345, z);
  EXPECT_EQ(TS_ERR, d->Error);
}

TEST(Render3dClip, AQuadWithOneVertexBeforeTheNearPlaneGainsAVertex) {
  Display d(64, 64);
  const tsTVertex square[4] = {{-kOne / 2, -kOne / 2, -kOne / 4, kOne, 0, 0, 0, 0},
                               {kOne / 2, -kOne / 2, kOne / 2, kOne, kOne, 0, 0, 0},
                               {kOne / 2, kOne / 2, kOne / 2, kOne, kOne, kOne, 0, 0},
                               {-kOne / 2, kOne / 2, kOne / 2, kOne, 0, kOne, 0, 0}};
  i32 order[4] = {0, 1, 2, 3};
  memcpy(d->ClipTVerts, square, sizeof square);
  ASSERT_EQ(5, tsDisplay_ClipUVW(d.get(), order, 4));
  // The two crossings take the next free slots and lie on the plane.
  EXPECT_NEAR(0, d->ClipTVerts[4].z, 1);
  EXPECT_NEAR(0, d->ClipTVerts[5].z, 1);
  EXPECT_EQ(0, d->ClipVerts[4].u);
  EXPECT_NEAR(kOne / 3, d->ClipVerts[4].v, 1);  // two thirds of the way from vertex 3 to 0

  // Wholly inside, the polygon stays as it is.
  memcpy(d->ClipTVerts, square, sizeof square);
  d->ClipTVerts[0].z = kOne / 2;
  ASSERT_EQ(4, tsDisplay_ClipUVW(d.get(), order, 4));
  EXPECT_EQ(16 * kOne, d->ClipVerts[0].x);
  EXPECT_EQ(16 * kOne, d->ClipVerts[0].y);
}

}  // namespace
