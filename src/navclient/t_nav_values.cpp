// The cursor's bearing and distance from the boat, which the chart cursor
// and the AIS list both set, and the rhumb distance they rest on.

#include "t_nav_values.h"

#include "h_database.h"
#include "navmath.h"
#include "u_convert.h"

static double VALUES_dBearing(const POINT* a, const POINT* b) {
  double bearing = 0.0;
  nv_RouteAngle(a, b, &bearing);
  return bearing;
}

float T_NAV_fDistanceBetweenPoints(const POINT* a, const POINT* b) {
  const double bearing = VALUES_dBearing(a, b);
  POSITION pa = {}, pb = {};
  nv_MeterToDegr(a, &pa);
  nv_MeterToDegr(b, &pb);
  double nm = 0.0;
  nv_CalcDistance(&pa, &pb, bearing, &nm);
  return (float)dConvertToInternal(nm, D_DISTANCE, U_NAUT_MILES);
}

void T_NAV_vUpdateCursorDistAndBearing(const POINT* from, const POINT* to) {
  H_DATABASE_bUpdateEverythingFloat(FCID("ICBH"), (float)VALUES_dBearing(from, to), P_NORMAL, D_HEADING, nullptr,
                                    DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ICBD"), T_NAV_fDistanceBetweenPoints(from, to), P_NORMAL, D_DISTANCE,
                                    nullptr, DB_NEVER_STALE);
}
