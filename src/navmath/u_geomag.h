// The magnetic declination by the World Magnetic Model, for showing magnetic
// headings and bearings.
#pragma once

#include "basetypes.h"

// Declination in degrees, east positive, at a geodetic position (degrees),
// an altitude in kilometres above the ellipsoid and a time in seconds since
// 1970. Times outside the model's five years use its nearer end. Safe to call
// from any number of tasks at once.
double dMagneticVariation(double alt, double lat, double lon, U32 u32time);
