#include <gtest/gtest.h>
#include <string.h>

#include <array>
#include <initializer_list>
#include <vector>

#include "scene.h"
#include "tsdisplay.h"

namespace {

TEST(Render3dContext, InitialisesForTheScreenAndRefusesMoreRowsThanTheSpanTable) {
  Display d(800, 480);
  EXPECT_EQ(TS_OK, d->Error);
  EXPECT_EQ(tsRM_FLAT, d->RenderMode);
  EXPECT_EQ(TS_MODELVIEW, d->MatrixMode);
  EXPECT_EQ(384000, d->DispSize);
  EXPECT_EQ(1600, d->RenderPitch);
  EXPECT_EQ(400, d->ViewScaleX);
  EXPECT_EQ(240 << 16, d->ViewTransY);
  EXPECT_EQ(d->BackBuffer, d->RenderSurface);
  EXPECT_EQ(0, d->ModelView[0].m[0][0]);  // zeros, not the identity

  const struct {
    i32 width, height;
    bool accepted;
  } rows[] = {{800, 480, true}, {800, 481, false}, {10, -1, false}, {0x7FFF, 2, true}, {0x8000, 2, false}, {0, 0, true}};
  for (const auto& r : rows) {
    Display fresh(16, 16);
    tsDisplay_Init(fresh.get(), r.width, r.height, nullptr, nullptr, nullptr);
    EXPECT_EQ(r.accepted ? TS_OK : TS_ERR, fresh->Error) << r.width << "x" << r.height;
    EXPECT_EQ(r.accepted ? r.height : 0, fresh->Height);
    tsDisplay_Init(fresh.get(), 16, 16, nullptr, nullptr, nullptr);
    tsDisplay_Resize(fresh.get(), r.width, r.height);
    EXPECT_EQ(r.accepted ? r.width : 16, fresh->Width) << r.width << "x" << r.height;
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
    i32* depth = r.mode == TS_MODELVIEW ? &d->MVStackPtr : &d->ProjStackPtr;
    tsDisplay_PopMatrix(d.get());
    EXPECT_EQ(r.underflow, d->Error);
    EXPECT_EQ(0, *depth);
    d->Error = TS_OK;
    tsDisplay_LoadIdentity(d.get());
    for (int k = 0; k < 14; k++) tsDisplay_PushMatrix(d.get());
    EXPECT_EQ(TS_OK, d->Error);
    EXPECT_EQ(14, *depth);
    tsDisplay_PushMatrix(d.get());
    EXPECT_EQ(r.overflow, d->Error);
    EXPECT_EQ(14, *depth);
    // A pushed copy is changed apart from the one below it.
    tsDisplay_Translatex(d.get(), kOne, 0, 0);
    tsDisplay_PopMatrix(d.get());
    tsMatrix* top = r.mode == TS_MODELVIEW ? &d->ModelView[13] : &d->Projection[13];
    EXPECT_EQ(0, top->m[3][0]);
    EXPECT_EQ(kOne, top->m[0][0]);
  }

  Display d(8, 8);
  tsDisplay_MatrixMode(d.get(), TS_TEXTURE);
  tsDisplay_PopMatrix(d.get());
  tsDisplay_PushMatrix(d.get());
  tsDisplay_LoadIdentity(d.get());
  EXPECT_EQ(TS_OK, d->Error);
  EXPECT_EQ(0, d->MVStackPtr + d->ProjStackPtr);
  EXPECT_EQ(0, d->ModelView[0].m[0][0] + d->Projection[0].m[0][0]);
}

TEST(Render3dContext, ClearsStayWithinASixteenBitSurface) {
  Display d(5, 3, 0x7777);
  tsDisplay_ClearColorx(d.get(), 0x1234, 0x5678);
  for (i32 i = 0; i < 14; i++) EXPECT_EQ(0x1234, d->BackBuffer[i]) << i;
  EXPECT_EQ(0x7777, d->BackBuffer[14]);  // odd last pixel
  d->RenderMode = tsRM_FULL;
  tsDisplay_ClearColorx(d.get(), 0x4321, 0xABCD);
  u32 word;
  memcpy(&word, d->BackBuffer, 4);
  EXPECT_EQ(0xABCD4321u, word);
  for (i32 i = 14; i < 17; i++) EXPECT_NE(0xABCD, d->BackBuffer[i]) << i;

  u16* front = d->FrontBuffer;
  u16* back = d->BackBuffer;
  d->Scans[479].points = 3;
  tsDisplay_SwapBuffers(d.get());
  EXPECT_EQ(back, d->FrontBuffer);
  EXPECT_EQ(front, d->RenderSurface);
  EXPECT_EQ(0, d->Scans[479].points);
  tsDisplay_SwapBuffers(d.get());
  EXPECT_EQ(back, d->BackBuffer);
}

TEST(Render3dContext, ATranslationAfterThePerspectiveMovesGeometryBeforeProjection) {
  Display d(200, 100);
  tsDisplay_MatrixMode(d.get(), TS_PROJECTION);
  tsDisplay_LoadIdentity(d.get());
  tsDisplay_Perspective(d.get(), 90.0f, 1.0f, 1.0f, 100.0f);
  tsDisplay_Translatex(d.get(), 0, 0, 10 * kOne);
  tsDisplay_MatrixMode(d.get(), TS_MODELVIEW);
  tsDisplay_LoadIdentity(d.get());
  tsDisplay_CombineMatrices(d.get());
  i32 x = -1, y = -1;
  ASSERT_EQ(1, tsDisplay_ProjectPoint(d.get(), 0, 0, 0, &x, &y));
  EXPECT_EQ(100, x);
  EXPECT_EQ(50, y);
  ASSERT_EQ(1, tsDisplay_ProjectPoint(d.get(), 5 * kOne, 0, 0, &x, &y));
  EXPECT_EQ(150, x);
  // Far outside the view: held on its border.
  ASSERT_EQ(1, tsDisplay_ProjectPoint(d.get(), -500 * kOne, 0, 500 * kOne, &x, &y));
  EXPECT_EQ(0, x);
  EXPECT_EQ(0, y);
}

// A batch of ground vertices (x, depth, height in whole units) through the
// camera of the ground tests.
struct Batch {
  std::vector<i32> pos, tex;
  i32 Run(Display& d, i32 start, i32 end) {
    tsDisplay_VertexPointer(d.get(), 3, 0, 0, pos.data());
    tsDisplay_TexCoordPointer(d.get(), 2, 0, 0, tex.data());
    return tsDisplay_ProcessVertices(d.get(), start, end);
  }
};

Batch Vertices(std::initializer_list<std::array<double, 3>> points) {
  Batch b;
  i32 k = 0;
  for (const auto& p : points) {
    b.pos.insert(b.pos.end(), {Ground(p[0]), Ground(p[1]), Ground(p[2])});
    b.tex.insert(b.tex.end(), {k * 0x1000, k * 0x100 + 7});
    k++;
  }
  return b;
}

TEST(Render3dTransform, BatchesWhollyOutsideOrEmptyAreNotVisible) {
  Display d(320, 240);
  SetCamera(d.get(), 0, 0, 0, 2, 0);
  Batch ahead = Vertices({{0, 10, 0}, {1, 10, 0}}), behind = Vertices({{0, -3, 0}, {5, 0.5, 0}}),
        straddling = Vertices({{0, -3, 0}, {0, 10, 0}});
  EXPECT_EQ(0, ahead.Run(d, 1, 1));
  EXPECT_EQ(nullptr, d->TVerts);
  EXPECT_EQ(0, ahead.Run(d, 2, 1));
  EXPECT_EQ(1, ahead.Run(d, 0, 2));
  EXPECT_EQ(0, behind.Run(d, 0, 2));
  EXPECT_NE(0, TS_CLIP_NEAR & d->TVerts[0].clip & d->TVerts[1].clip);
  EXPECT_EQ(1, straddling.Run(d, 0, 2));
}

TEST(Render3dTransform, ClipCodesFromTheSixPlanesAndZeroW) {
  // With Combine the identity, w = 1.0 and x = 32 p0: 2048 is exactly w.
  const struct {
    i32 p0, p1, p2, code;
  } rows[] = {{2048, 1024, 0, 0},           {2049, 1024, 0, TS_CLIP_XMAX}, {-2049, 1024, 0, TS_CLIP_XMIN},
              {0, 1024, -2049, TS_CLIP_YMAX}, {0, 1024, 2049, TS_CLIP_YMIN}, {0, -1, 0, TS_CLIP_NEAR},
              {0, 2048, 0, 0},              {0, 2049, 0, TS_CLIP_FAR}};
  Display d(64, 64);
  tsMatrix_Identity(&d->Combine);
  d->RenderMode = tsRM_FULL;
  for (const auto& r : rows) {
    i32 pos[3] = {r.p0, r.p1, r.p2}, tex[2] = {0, 0};
    tsDisplay_VertexPointer(d.get(), 3, 0, 0, pos);
    tsDisplay_TexCoordPointer(d.get(), 2, 0, 0, tex);
    EXPECT_EQ(r.code == 0 ? 1 : 0, tsDisplay_ProcessVertices(d.get(), 0, 1));
    EXPECT_EQ(r.code, d->TVerts[0].clip) << r.p0 << "," << r.p1 << "," << r.p2;
  }
  // The height counts only in the full mode.
  d->RenderMode = tsRM_FLAT;
  i32 pos[3] = {0, 1024, 5000}, tex[2] = {0, 0};
  tsDisplay_VertexPointer(d.get(), 3, 0, 0, pos);
  tsDisplay_TexCoordPointer(d.get(), 2, 0, 0, tex);
  EXPECT_EQ(1, tsDisplay_ProcessVertices(d.get(), 0, 1));
  EXPECT_EQ(0, d->TVerts[0].y);
  d->Combine.m[3][3] = 0;
  EXPECT_EQ(0, tsDisplay_ProcessVertices(d.get(), 0, 1));
  EXPECT_EQ(TS_CLIP_W0, d->TVerts[0].clip);
}

TEST(Render3dTransform, ABatchFromALaterVertexTakesThatVertexTextureCoordinates) {
  Display d(320, 240);
  SetCamera(d.get(), 10, -5, 0, 2, 0);
  Batch all = Vertices({{0, 5, 0}, {1, 6, 0}, {2, 7, 0}, {3, 8, 0}});
  ASSERT_EQ(1, all.Run(d, 0, 4));
  const tsTVertex third = d->TVerts[2];
  ASSERT_EQ(1, all.Run(d, 2, 4));
  EXPECT_EQ(0, memcmp(&third, &d->TVerts[0], sizeof third));
  EXPECT_EQ(0xFFFF - (2 * 0x100 + 7), d->TVerts[0].v);
}

TEST(Render3dTransform, ABatchTheHeapCannotHoldFailsAndKeepsTheOldBuffers) {
  Display d(320, 240);
  SetCamera(d.get(), 0, 0, 0, 2, 0);
  Batch small = Vertices({{0, 5, 0}, {1, 6, 0}});
  ASSERT_EQ(1, small.Run(d, 0, 2));
  tsTVertex* buffer = d->TVerts;
  // 13,000 transformed vertices exceed the heap's largest block.
  Batch big;
  big.pos.assign(3 * 13000, 0);
  big.tex.assign(2 * 13000, 0);
  EXPECT_EQ(0, big.Run(d, 0, 13000));
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
  EXPECT_GT(d->ClipVerts[4].v, 0);

  // Wholly inside stays as it is; across a side plane, the side is cut.
  memcpy(d->ClipTVerts, square, sizeof square);
  for (tsTVertex& v : d->ClipTVerts) v.z = kOne / 2;
  ASSERT_EQ(4, tsDisplay_ClipUVW(d.get(), order, 4));
  EXPECT_EQ(16 * kOne, d->ClipVerts[0].x);
  EXPECT_EQ(16 * kOne, d->ClipVerts[0].y);
  d->ClipTVerts[1].x = d->ClipTVerts[2].x = 3 * kOne;
  ASSERT_EQ(4, tsDisplay_ClipUVW(d.get(), order, 4));
  for (i32 k = 0; k < 4; k++) EXPECT_LE(d->ClipVerts[k].x, 64 * kOne) << k;
}

}  // namespace
