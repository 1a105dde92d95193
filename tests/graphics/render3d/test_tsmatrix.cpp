#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include "scene.h"
#include "tsmatrix.h"

namespace {

TEST(Render3dTrig, SineTableSamples) {
  const struct {
    int index;
    i16 value;
  } rows[] = {{0, 0}, {1, 25}, {128, 3199}, {341, 8192}, {512, 11594}, {1000, 16373}, {1023, 16384}, {1024, 16384}};
  for (const auto& r : rows) EXPECT_EQ(r.value, SinTab[r.index]) << r.index;
}

TEST(Render3dTrig, SineTableIsTheTruncatedQuarterWave) {
  // Only entries 0, 341 and 1023 are exact; no other lies within 1e-6 of a
  // whole number, so the small allowance cannot change a truncation.
  for (int i = 0; i < 1024; i++) {
    const long double v = 16384.0L * sinl((long double)i * 1.5707963267948966192313216916397514L / 1023.0L);
    ASSERT_EQ((i16)floorl(v + 1e-9L), SinTab[i]) << i;
  }
}

TEST(Render3dTrig, QuadrantsMirrorTheQuarterWave) {
  const struct {
    i32 angle, sin, cos;
  } rows[] = {
      {0, 0, 1 << 30},          {0x10000, 1 << 30, 0},    {0x20000, 0, -(1 << 30)},
      {0x30000, -(1 << 30), 0}, {-0x10000, -(1 << 30), 0}, {0x50000, 1 << 30, 0},
      {Degrees(30), 8192 << 16, SinTab[682] << 16},
  };
  for (const auto& r : rows) {
    TrigRec t;
    tsMatrix_Trig(r.angle, &t);
    EXPECT_EQ(r.sin, t.sin) << r.angle;
    EXPECT_EQ(r.cos, t.cos) << r.angle;
  }
  for (i32 a = 0; a < 0x20000; a += 37) {
    TrigRec t, half, mirror;
    tsMatrix_Trig(a, &t);
    tsMatrix_Trig(a + 0x20000, &half);
    tsMatrix_Trig(0x20000 - a, &mirror);
    ASSERT_EQ(-t.sin, half.sin) << a;
    ASSERT_EQ(t.sin, mirror.sin) << a;
  }
}

TEST(Render3dMatrix, CameraWithZeroAnglesIsTheIdentityWhateverTheRoll) {
  tsMatrix identity, camera;
  tsMatrix_Identity(&identity);
  i32 centre[3] = {0, 0, 0};
  for (i32 roll : {0, 0x12345, -7}) {
    tsMatrix_Set(&camera, 0, 0, roll, centre);
    EXPECT_EQ(0, memcmp(&identity, &camera, sizeof camera)) << roll;
  }
}

TEST(Render3dMatrix, CameraRotatesByYawThenPitchAndCarriesTheRotatedCentre) {
  const double yaw = 30 * M_PI / 180, pitch = -20 * M_PI / 180;
  const double s1 = sin(yaw), c1 = cos(yaw), s2 = sin(pitch), c2 = cos(pitch);
  const double c[3] = {1.5, -2.25, 3.0};
  const double rot[3][3] = {{c1, s1 * s2, s1 * c2}, {0, c2, -s2}, {-s1, c1 * s2, c1 * c2}};
  i32 centre[3] = {(i32)(c[0] * kOne), (i32)(c[1] * kOne), (i32)(c[2] * kOne)};
  tsMatrix m;
  tsMatrix_Set(&m, Degrees(30), Degrees(-20), 0, centre);
  for (int j = 0; j < 3; j++) {
    double translated = 0;
    for (int i = 0; i < 3; i++) {
      // The angles and the table are quantised to about 1/1000.
      EXPECT_NEAR(rot[i][j], (double)m.m[i][j] / kOne, 2e-3) << i << "," << j;
      translated += c[i] * rot[i][j];
    }
    EXPECT_NEAR(translated, (double)m.m[3][j] / kOne, 1e-2) << j;
    EXPECT_EQ(0, m.m[j][3]);
  }
  EXPECT_EQ(kOne, m.m[3][3]);
}

TEST(Render3dMatrix, ProductTakesTheSecondOperandFirst) {
  tsMatrix identity, scale, shift, product;
  tsMatrix_Identity(&identity);
  tsMatrix_Identity(&scale);
  for (int i = 0; i < 3; i++) scale.m[i][i] = 2 * kOne;
  tsMatrix_Identity(&shift);
  tsMatrix_Translatex(&shift, kOne, 0, -kOne);

  tsMatrix_Multiply(&product, &identity, &shift);
  EXPECT_EQ(0, memcmp(&shift, &product, sizeof product));
  // m0 = m2 x m1: shift x scale scales the shift, scale x shift does not.
  tsMatrix_Multiply(&product, &scale, &shift);
  EXPECT_EQ(2 * kOne, product.m[3][0]);
  EXPECT_EQ(-2 * kOne, product.m[3][2]);
  tsMatrix_Multiply(&product, &shift, &scale);
  EXPECT_EQ(kOne, product.m[3][0]);
  EXPECT_EQ(2 * kOne, product.m[1][1]);
}

TEST(Render3dMatrix, PerspectiveFromTheFieldOfView) {
  tsMatrix m;
  tsMatrix_SetFOV(&m, 90.0f, 2.0f, 1.0f, 101.0f);
  EXPECT_NEAR(kOne, m.m[1][1], 2);
  EXPECT_NEAR(kOne / 2, m.m[0][0], 2);
  EXPECT_EQ((i64)(101.0f / 100.0f * 65536.0f), m.m[2][2]);
  EXPECT_EQ(-m.m[2][2], m.m[3][2]);
  EXPECT_EQ(kOne, m.m[2][3]);
  EXPECT_EQ(0, m.m[3][3]);
  EXPECT_EQ(0, m.m[0][1]);
}

TEST(Render3dMatrix, ConversionsKeepTheLowWordOrScaleToOne) {
  tsMatrix m = {};
  m.m[0][1] = 0x123456789LL;
  m.m[2][3] = -3 * kOne / 2;
  m.m[3][0] = -1;
  i32 fix[16];
  float flt[16];
  tsMatrix_ToFix(fix, &m);
  tsMatrix_ToFloat(flt, &m);
  EXPECT_EQ(0x23456789, fix[1]);
  EXPECT_EQ(-1, fix[12]);
  EXPECT_EQ(-1.5f, flt[11]);
  EXPECT_EQ(0.0f, flt[0]);
}

}  // namespace
