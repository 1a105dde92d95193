#include <gtest/gtest.h>

#include "g_gauge.h"
#include "h_database.h"

namespace {

TEST(GaugeRange, ItemsAndUnitsGiveTheirRangesTruncated) {
  const struct {
    DATA_ID id;
    int unit;
    S32 min, max;
  } rows[] = {
      {DI_SPEED_OVER_GROUND_AVERAGE, U_KPH, 0, 200},
      {DI_TRUE_WIND_SPEED, U_MPH, 0, 60},
      {DI_AIR_TEMPERATURE_OUTSIDE, U_CELSIUS, -30, 50},
      {DI_AIR_TEMPERATURE_OUTSIDE, U_FAHRENHEIT, -20, 120},
      {DI_SEA_TEMPERATURE, U_FAHRENHEIT, 30, 110},
      {DI_BAROMETRIC_PRESSURE, U_KPA, 950, 1050},
      {DI_ENGINE1_OIL_PRESSURE, U_PSI, 0, 80},
      {DI_FUEL_RATE_GAL_PER_HR1, U_LITRES, 0, 80},
      {DI_FUEL_RATE_GAL_PER_HR2, U_USGALLONS, 0, 20},
  };
  for (const auto& row : rows) {
    S32 min = 12345, max = 12345;
    ASSERT_TRUE(bGetRange(row.id, row.unit, &min, &max)) << row.id << " " << row.unit;
    EXPECT_EQ(row.min, min) << row.id;
    EXPECT_EQ(row.max, max) << row.id;
  }
}

TEST(GaugeRange, NoRowLeavesTheOutputsAsTheyWere) {
  const struct {
    DATA_ID id;
    int unit;
  } rows[] = {
      {DI_FUEL_RATE_GAL_PER_HR1, U_USGALLONS},
      {DI_FUEL_RATE_GAL_PER_HR2, U_LITRES},
      {DI_SPEED_THROUGH_WATER, U_CELSIUS},
      {DI_NULL, U_KPH},
      {DI_MAX, U_KPA},
      {(DATA_ID)4, U_KNOTS},
  };
  for (const auto& row : rows) {
    S32 min = 7, max = 9;
    EXPECT_FALSE(bGetRange(row.id, row.unit, &min, &max)) << row.id;
    EXPECT_EQ(7, min);
    EXPECT_EQ(9, max);
  }
}

TEST(GaugeRange, EveryRowIsReachableByItsOwnItemAndUnit) {
  ASSERT_EQ(48u, sizeof(sGaugeRange) / sizeof(sGaugeRange[0]));
  for (const T_GAUGE_RANGE& row : sGaugeRange) {
    S32 min, max;
    ASSERT_TRUE(bGetRange(row.dataId, row.unit, &min, &max));
    EXPECT_EQ((S32)row.minV, min);
    EXPECT_EQ((S32)row.maxV, max);
    EXPECT_LT(min, max);
  }
}

}  // namespace
