// The graphic-context engine keeps one rotation angle with its sine and cosine
// as integers scaled by 1024, and rotates points with them. The chart and
// navigation views rotate their geometry by the chart rotation: reset, set the
// angle, then rotate each point.
//
// Positions are taken and kept as given (no y conversion). The quarter-turn
// split, shear factors, centre and area fields are kept for area rotation,
// which no drawing uses yet.
#pragma once

#include "gr_context.h"

typedef struct gp_rotcontext_tag {
  double AngleRad;   // (-pi, pi]
  double AngleNorm;  // after whole quarter turns, [-pi/4, pi/4)
  SINT Quadrant;     // 1 [-45, 45), 2 [45, 135), 3 [135, 180] and (-180, -135), 4 [-135, -45)
  SINT CenterX;
  SINT CenterY;
  SINT CurrX;
  SINT CurrY;
  SINT PrevRotX;
  SINT PrevRotY;
  SINT x;
  SINT y;
  SINT xrot;
  SINT yrot;
  GRCONTEXTPTR pSrcGC;
  PIXELPOS RotAreaSrcOrg;
  PIXELPOS RotAreaDestOrg;
  PIXELDIM RotAreaDim;  // size minus one
  S32 IntSinAngle;      // x 1024, truncated
  S32 IntCosAngle;
  S32 IntShearX;  // -tan(AngleNorm / 2) x 1024
  S32 IntShearY;  // sin(AngleNorm) x 1024
} GP_ROTCONTEXT;

// Every function returns GR_DONE.
U32 gr_ResetRotationContext(GP_ROTCONTEXT* rot);
// Any angle in degrees, normalised to (-180, 180]; one that is not a number
// gives angle 0.
U32 gr_SetRotationAngle(GP_ROTCONTEXT* rot, double degrees);
// Turns the angle on by degrees.
U32 gr_StepRotationAngle(GP_ROTCONTEXT* rot, double degrees);
U32 gr_SetCenterOfRotation(GP_ROTCONTEXT* rot, SINT x, SINT y);
U32 gr_SetRotationAreaSource(GP_ROTCONTEXT* rot, GRCONTEXTPTR gc);
U32 gr_SetRotationAreaDim(GP_ROTCONTEXT* rot, SINT w, SINT h);
U32 gr_SetRotationAreaSrcOrg(GP_ROTCONTEXT* rot, SINT x, SINT y);
U32 gr_SetRotationAreaDestOrg(GP_ROTCONTEXT* rot, SINT x, SINT y);
// (x, y) turned about the origin, rounded half away from zero; a result
// beyond the 32-bit range is held at its limit.
U32 gr_PutStraightPoint(GP_ROTCONTEXT* rot, SINT x, SINT y, SINT* outx, SINT* outy);
