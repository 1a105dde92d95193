// Each data item shown on an analogue gauge has a scale from a least to a
// greatest value in the unit it is shown in; this table keeps them.
#pragma once

#include "basetypes.h"

// Displayable data items (DI_NULL to DI_MAX); the items with gauge ranges.
typedef enum tag_DATA_ID : U32 {
  DI_NULL = 0,
  DI_SPEED_THROUGH_WATER = 1,
  DI_SPEED_OVER_GROUND_GPS_SPEED = 2,
  DI_SPEED_OVER_GROUND_AVERAGE = 3,
  DI_SPEED_THROUGH_WATER_AVERAGE = 5,
  DI_FUEL_RATE_GAL_PER_HR = 60,
  DI_FUEL_RATE_GAL_PER_HR1 = 61,
  DI_FUEL_RATE_GAL_PER_HR2 = 62,
  DI_ENGINE0_OIL_PRESSURE = 71,
  DI_ENGINE1_OIL_PRESSURE = 72,
  DI_ENGINE0_OIL_TEMPERATURE = 75,
  DI_ENGINE1_OIL_TEMPERATURE = 76,
  DI_COOLANT_PRESSURE = 87,
  DI_COOLANT_PRESSURE1 = 88,
  DI_BOOST_PRESSURE = 91,
  DI_BOOST_PRESSURE1 = 92,
  DI_ENGINE0_TEMPERATURE = 95,
  DI_ENGINE1_TEMPERATURE = 96,
  DI_SEA_TEMPERATURE = 154,
  DI_AIR_TEMPERATURE_OUTSIDE = 155,
  DI_BAROMETRIC_PRESSURE = 158,
  DI_APPARENT_WIND_SPEED = 161,
  DI_TRUE_WIND_SPEED = 163,
  DI_MAX = 333,
} DATA_ID;

typedef struct tag_T_GAUGE_RANGE {
  float minV;
  float maxV;
  int unit;  // UNIT_TYPE
  DATA_ID dataId;
} T_GAUGE_RANGE;

constexpr U32 GAUGE_RANGE_COUNT = 48;
extern const T_GAUGE_RANGE sGaugeRange[GAUGE_RANGE_COUNT];

// The range of the first row for dataId in unit, truncated toward zero, into
// *minV and *maxV. FALSE, with both left as they were, when there is none.
BOOLEAN bGetRange(DATA_ID dataId, int unit, S32* minV, S32* maxV);
