// Unit conversion: every physical value in the database is held in the
// internal unit of its data type (metres, metres per second, degrees Celsius,
// ...) and converted for display and entry.
#pragma once

#include "h_database.h"

// A value v in a unit is v * fMultiplier + fOffset in the base unit of its
// quantity.
struct CONVERT_FACTOR {
  float fMultiplier;
  float fOffset;
};

// Called once by Main before the tasks that convert start.
void U_CONVERT_vInitialiseConversionUtility(void);

// dValue (internal unit of DataType) in ToUnits; unchanged when they are the
// same unit.
double dConvertFromInternal(double dValue, DATA_TYPE DataType, UNIT_TYPE ToUnits);
// dValue (in FromUnits) in the internal unit of DataType; unchanged when they
// are the same unit.
double dConvertToInternal(double dValue, DATA_TYPE DataType, UNIT_TYPE FromUnits);
// dValue converted from one unit to the other.
double dGenericConvert(double dValue, UNIT_TYPE FromUnits, UNIT_TYPE ToUnits);
// A unit without a factor (degrees magnetic, inches, seconds, ...) or out of
// range on either side leaves the value as it is, with a log line the first
// time that unit is met.

// The unit a short length is shown in beside a distance unit: metres beside
// kilometres and metric nautical miles, feet beside miles; any other unit is
// its own.
UNIT_TYPE U_CONVERT_eShortDistanceUnits(UNIT_TYPE DistanceUnits);
