// The one rotation the chart and navigation views turn their geometry by,
// kept as integer sine and cosine so that every point turns alike.

#include "gp_rotate.h"

#include <math.h>

// Degrees per radian, to eight decimals: every angle of the views goes
// through this factor both ways.
static const double GP_DEGREES_PER_RADIAN = 57.29577951;

U32 gr_ResetRotationContext(GP_ROTCONTEXT* rot) {
  rot->CenterX = 0;
  rot->CenterY = 0;
  rot->CurrX = 0;
  rot->CurrY = 0;
  rot->PrevRotX = 0;
  rot->PrevRotY = 0;
  rot->x = 0;
  rot->y = 0;
  rot->xrot = 0;
  rot->yrot = 0;
  rot->pSrcGC = nullptr;
  rot->RotAreaSrcOrg = PIXELPOS{0, 0};
  rot->RotAreaDestOrg = PIXELPOS{0, 0};
  rot->RotAreaDim = PIXELDIM{0, 0};
  return gr_SetRotationAngle(rot, 0.0);
}

// Quadrants by angle, with the quarter turns each takes out.
typedef struct tag_GP_QUADRANT {
  double from;  // inclusive
  double to;    // exclusive
  SINT Quadrant;
  double turn;  // degrees taken out
} GP_QUADRANT;

static const GP_QUADRANT s_aQuadrants[] = {
    {-45.0, 45.0, 1, 0.0},
    {45.0, 135.0, 2, 90.0},
    {-135.0, -45.0, 4, -90.0},
};

U32 gr_SetRotationAngle(GP_ROTCONTEXT* rot, double degrees) {
  // fmod is exact, so this is the whole-turn reduction for every finite
  // angle, however large.
  double a = isfinite(degrees) ? fmod(degrees, 360.0) : 0.0;
  if (a <= -180.0) a += 360.0;
  if (a > 180.0) a -= 360.0;
  rot->AngleRad = a / GP_DEGREES_PER_RADIAN;
  double residual = a > 0 ? a - 180.0 : a + 180.0;
  rot->Quadrant = 3;
  for (const GP_QUADRANT& q : s_aQuadrants) {
    if (a >= q.from && a < q.to) {
      rot->Quadrant = q.Quadrant;
      residual = a - q.turn;
      break;
    }
  }
  rot->AngleNorm = residual / GP_DEGREES_PER_RADIAN;
  rot->IntCosAngle = (S32)(cos(rot->AngleRad) * 1024.0);
  rot->IntSinAngle = (S32)(sin(rot->AngleRad) * 1024.0);
  rot->IntShearX = (S32)(-tan(rot->AngleNorm * 0.5) * 1024.0);
  rot->IntShearY = (S32)(sin(rot->AngleNorm) * 1024.0);
  return GR_DONE;
}

U32 gr_StepRotationAngle(GP_ROTCONTEXT* rot, double degrees) {
  return gr_SetRotationAngle(rot, rot->AngleRad * GP_DEGREES_PER_RADIAN + degrees);
}

U32 gr_SetCenterOfRotation(GP_ROTCONTEXT* rot, SINT x, SINT y) {
  rot->CenterX = x;
  rot->CenterY = y;
  return GR_DONE;
}

U32 gr_SetRotationAreaSource(GP_ROTCONTEXT* rot, GRCONTEXTPTR gc) {
  rot->pSrcGC = gc;
  return GR_DONE;
}

U32 gr_SetRotationAreaDim(GP_ROTCONTEXT* rot, SINT w, SINT h) {
  rot->RotAreaDim.pw = w == INT32_MIN ? w : w - 1;
  rot->RotAreaDim.ph = h == INT32_MIN ? h : h - 1;
  return GR_DONE;
}

U32 gr_SetRotationAreaSrcOrg(GP_ROTCONTEXT* rot, SINT x, SINT y) {
  rot->RotAreaSrcOrg = PIXELPOS{x, y};
  return GR_DONE;
}

U32 gr_SetRotationAreaDestOrg(GP_ROTCONTEXT* rot, SINT x, SINT y) {
  rot->RotAreaDestOrg = PIXELPOS{x, y};
  return GR_DONE;
}

// v / 1024 rounded half away from zero.
static SINT gp_Unscale(S64 v) {
  const S64 r = v >= 0 ? (v + 512) / 1024 : (v - 512) / 1024;
  if (r > INT32_MAX) return INT32_MAX;
  if (r < INT32_MIN) return INT32_MIN;
  return (SINT)r;
}

U32 gr_PutStraightPoint(GP_ROTCONTEXT* rot, SINT x, SINT y, SINT* outx, SINT* outy) {
  // In 64 bits: points more than about two million from the origin would
  // overflow 32.
  const S64 c = rot->IntCosAngle, s = rot->IntSinAngle;
  *outx = gp_Unscale(c * x + s * y);
  *outy = gp_Unscale(c * y - s * x);
  return GR_DONE;
}
