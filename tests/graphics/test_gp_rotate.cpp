#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include "gp_rotate.h"

namespace {

TEST(RotationContext, AnglesAreNormalisedIntoQuadrantsAndResiduals) {
  struct Row {
    double degrees;
    double angle;  // after normalising
    SINT quadrant;
    double residual;
    S32 sin, cos;
  };
  const Row rows[] = {
      {0, 0, 1, 0, 0, 1024},
      {450, 90, 2, 0, 1024, 0},
      {-190, 170, 3, -10, 177, -1008},
      {360, 0, 1, 0, 0, 1024},
      {-180, 180, 3, 0, 0, -1024},
      {-540, 180, 3, 0, 0, -1024},
      {45, 45, 2, -45, 724, 724},
      {44.5, 44.5, 1, 44.5, 717, 730},
      {-45, -45, 1, -45, -724, 724},
      {-135, -135, 4, -45, -724, -724},
      {-100, -100, 4, -10, -1008, -177},
      {NAN, 0, 1, 0, 0, 1024},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.degrees << " degrees");
    GP_ROTCONTEXT rot;
    gr_ResetRotationContext(&rot);
    EXPECT_EQ(GR_DONE, gr_SetRotationAngle(&rot, r.degrees));
    EXPECT_DOUBLE_EQ(r.angle / 57.29577951, rot.AngleRad);
    EXPECT_EQ(r.quadrant, rot.Quadrant);
    EXPECT_NEAR(r.residual / 57.29577951, rot.AngleNorm, 1e-12);
    EXPECT_EQ(r.sin, rot.IntSinAngle);
    EXPECT_EQ(r.cos, rot.IntCosAngle);
    EXPECT_EQ((S32)(-tan(rot.AngleNorm * 0.5) * 1024), rot.IntShearX);
    EXPECT_EQ((S32)(sin(rot.AngleNorm) * 1024), rot.IntShearY);
  }
  // Whole turns come off any finite angle exactly.
  GP_ROTCONTEXT huge, reduced;
  gr_SetRotationAngle(&huge, 1e300);
  gr_SetRotationAngle(&reduced, fmod(1e300, 360.0));
  EXPECT_EQ(reduced.AngleRad, huge.AngleRad);
  EXPECT_EQ(reduced.IntShearX, huge.IntShearX);
}

TEST(RotationContext, PointsTurnAboutTheOriginRoundedAwayFromZero) {
  struct Row {
    double degrees;
    SINT x, y, outx, outy;
  };
  const Row rows[] = {
      {0, 123, -45, 123, -45},
      {90, 100, 0, 0, -100},
      {90, 0, 100, 100, 0},
      {45, 10, 0, 7, -7},
      {45, -10, 0, -7, 7},
      {180, 3, 4, -3, -4},
      {30, 2, 0, 2, -1},  // 886 * 2 = 1772 -> 2; -512 * 2 = -1024 -> -1.5 -> -1
      {90, INT32_MAX, INT32_MIN, INT32_MIN, -INT32_MAX},
      {45, INT32_MAX, INT32_MAX, INT32_MAX, 0},  // held at the limit
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.degrees << " degrees, " << r.x << "," << r.y);
    GP_ROTCONTEXT rot;
    gr_ResetRotationContext(&rot);
    gr_SetRotationAngle(&rot, r.degrees);
    SINT x = 0, y = 0;
    EXPECT_EQ(GR_DONE, gr_PutStraightPoint(&rot, r.x, r.y, &x, &y));
    EXPECT_EQ(r.outx, x);
    EXPECT_EQ(r.outy, y);
  }
}

TEST(RotationContext, ResetClearsAndStepTurnsOn) {
  GP_ROTCONTEXT rot;
  memset(&rot, 0x5A, sizeof rot);
  gr_ResetRotationContext(&rot);
  EXPECT_EQ(1024, rot.IntCosAngle);
  EXPECT_EQ(1, rot.Quadrant);
  EXPECT_EQ(nullptr, rot.pSrcGC);
  EXPECT_EQ(0, rot.CurrX);
  gr_SetRotationAngle(&rot, 170);
  gr_StepRotationAngle(&rot, 20);
  EXPECT_NEAR(-170 / 57.29577951, rot.AngleRad, 1e-12);
  EXPECT_EQ(3, rot.Quadrant);
}

}  // namespace
