#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include "scene.h"
#include "tsmatrix.h"

namespace {

TEST(Render3dTrig, SineTableSamplesAndTheWholeQuarterWave) {
  const struct {
    int index;
    i16 value;
  } rows[] = {{0, 0}, {1, 25}, {128, 3199}, {341, 8192}, {512, 11594}, {1000, 16373}, {1023, 16384}, {1024, 16384}};
  for (const auto& r : rows) EXPECT_EQ(r.value, SinTab[r.index]) << r.index;
  // Only entries 0, 341 and 1023 are exact; no other lies within 1e-6 of a
  // whole number, so the allowance cannot change a truncation.
  for (int i = 0; i < 1024; i++) {
    const long double v = 16384.0L * sinl((long double)i * 1.5707963267948966192313216916397514L / 1023.0L);
    ASSERT_EQ((i16)floorl(v + 1e-9L), SinTab[i]) << i;
  }
}

TEST(Render3dTrig, QuadrantsMirrorTheQuarterWave) {
  const struct {
    i32 angle, sin, cos;
  } rows[] = {
      {0, 0, 1 << 30},
      {0x10000, 1 << 30, 0},
      {0x20000, 0, -(1 << 30)},
      {-0x10000, -(1 << 30), 0},
      {0x50000, 1 << 30, 0},
      {Degrees(30), 8192 << 16, SinTab[682] << 16},
      {0x20000 + Degrees(30), -(8192 << 16), -(SinTab[682] << 16)},
  };
  for (const auto& r : rows) {
    TrigRec t;
    tsMatrix_Trig(r.angle, &t);
    EXPECT_EQ(r.sin, t.sin) << r.angle;
    EXPECT_EQ(r.cos, t.cos) << r.angle;
  }
}

TEST(Render3dMatrix, CameraRotatesByYawThenPitchAndCarriesTheRotatedCentre) {
  tsMatrix identity, m;
  tsMatrix_Identity(&identity);
  i32 centre[3] = {0, 0, 0};
  for (i32 roll : {0, 0x12345}) {
    tsMatrix_Set(&m, 0, 0, roll, centre);
    EXPECT_EQ(0, memcmp(&identity, &m, sizeof m)) << roll;
  }
  // Quarter turns of both (exact in the table): row 3 is the centre through
  // the rotation.
  centre[0] = kOne, centre[1] = 2 * kOne, centre[2] = 3 * kOne;
  tsMatrix_Set(&m, 0x10000, 0x10000, 0, centre);
  const i64 expected[4][4] = {{0, kOne, 0, 0}, {0, 0, -kOne, 0}, {-kOne, 0, 0, 0}, {-3 * kOne, kOne, -2 * kOne, kOne}};
  EXPECT_EQ(0, memcmp(expected, m.m, sizeof expected));
}

TEST(Render3dMatrix, PerspectiveFromTheVerticalFieldOfView) {
  tsMatrix m;
  tsMatrix_SetFOV(&m, 90.0f, 2.0f, 1.0f, 101.0f);
  EXPECT_NEAR(kOne, m.m[1][1], 2);
  EXPECT_NEAR(kOne / 2, m.m[0][0], 2);
  EXPECT_EQ((i64)(101.0f / 100.0f * 65536.0f), m.m[2][2]);
  EXPECT_EQ(-m.m[2][2], m.m[3][2]);
  EXPECT_EQ(kOne, m.m[2][3]);
  EXPECT_EQ(0, m.m[3][3]);
}

}  // namespace
