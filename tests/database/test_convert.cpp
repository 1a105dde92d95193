// Unit conversion checked against values worked out by hand from the unit
// definitions, since every displayed and entered number passes through it.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "u_convert.h"

namespace {

class Convert : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { U_CONVERT_vInitialiseConversionUtility(); }
};

TEST_F(Convert, KnownValuesConvertBetweenDisplayAndInternalUnits) {
  const struct {
    const char* what;
    double value;
    DATA_TYPE type;
    UNIT_TYPE units;
    BOOLEAN bToInternal;
    double expected;
    double tolerance;
  } rows[] = {
      {"1 kn", 1, D_SPEED, U_KNOTS, TRUE, 0.5144456, 1e-7},
      {"10 m/s in km/h", 10, D_SPEED, U_KPH, FALSE, 36, 1e-5},
      {"10 m/s in mph", 10, D_SPEED, U_MPH, FALSE, 22.369363, 1e-5},
      {"212 F", 212, D_TEMPERATURE, U_FAHRENHEIT, TRUE, 100, 1e-4},
      {"0 C in F", 0, D_TEMPERATURE, U_FAHRENHEIT, FALSE, 32, 1e-4},
      {"-40 C in F", -40, D_TEMPERATURE, U_FAHRENHEIT, FALSE, -40, 1e-4},
      {"10 L/h in US gal/h", 10, D_FUEL_RATE, U_USGAL_PER_HR, FALSE, 2.6417205, 1e-6},
      {"10 L/h in UK gal/h", 10, D_FUEL_RATE, U_UKGAL_PER_HR, FALSE, 2.1996925, 3e-6},
      {"1 mpg in km/L", 1, D_FUEL_ECON, U_US_MPG, TRUE, 0.4251445, 1e-7},
      {"1 UK mpg in km/L", 1, D_FUEL_ECON, U_UK_MPG, TRUE, 0.3540067, 1e-7},
      {"1 nm", 1, D_DISTANCE, U_NAUT_MILES, TRUE, 1852, 1e-9},
      {"1 nm (ft)", 1, D_DISTANCE, U_NAUT_MILES_FT, TRUE, 1852, 1e-9},
      {"1 sm", 1, D_DISTANCE, U_STAT_MILES, TRUE, 1609.347, 1e-3},
      {"100 ft", 100, D_DEPTH, U_FEET, TRUE, 30.48, 1e-5},
      {"10 fathoms", 10, D_DEPTH, U_FATHOMS, TRUE, 18.288037, 1e-5},
      {"1000 m in km", 1000, D_ALTITUDE, U_KM, FALSE, 1, 1e-9},
      {"1 inHg", 1, D_PRESSURE, U_INCHESHG, TRUE, 33.8639, 1e-4},
      {"1 psi", 1, D_PRESSURE, U_PSI, TRUE, 68.94757, 1e-4},
      {"1013 hPa in kPa", 1013, D_PRESSURE, U_KPA, FALSE, 101.3, 1e-5},
      {"760 mmHg", 760, D_PRESSURE, U_MMHG, TRUE, 1013.2472, 1e-3},
      {"1 US gal", 1, D_VOLUME, U_USGALLONS, TRUE, 0.0037854118, 1e-10},
      {"1 m3 in L", 1, D_VOLUME, U_LITRES, FALSE, 1000, 1e-4},
      {"250 mA", 250, D_CURRENT, U_MILLIAMPERES, TRUE, 0.25, 1e-7},
  };
  for (const auto& row : rows) {
    double got = row.bToInternal ? dConvertToInternal(row.value, row.type, row.units)
                                 : dConvertFromInternal(row.value, row.type, row.units);
    EXPECT_NEAR(row.expected, got, row.tolerance) << row.what;
  }
}

// Every unit with a factor; the others are never the source or target.
std::vector<UNIT_TYPE> UnitsWithFactors() {
  std::vector<UNIT_TYPE> units;
  for (U32 u = 0; u < NUMBER_OF_UNIT_TYPES; u++) {
    switch (u) {
      case U_LATLON: case U_INCH: case U_SECONDS: case U_MINUTES: case U_PPMO2: case U_MOLPERM3: case U_DEG_MAGNETIC:
        break;
      default:
        units.push_back((UNIT_TYPE)u);
    }
  }
  return units;
}

TEST_F(Convert, EveryPairConvertsAndConvertsBack) {
  const std::vector<UNIT_TYPE> units = UnitsWithFactors();
  EXPECT_EQ(36u, units.size());
  for (double value : {123.456, -7.25, 1e6}) {
    for (UNIT_TYPE a : units) {
      for (UNIT_TYPE b : units) {
        double there = dGenericConvert(value, a, b);
        ASSERT_TRUE(std::isfinite(there)) << a << " to " << b;
        double back = dGenericConvert(there, b, a);
        EXPECT_NEAR(value, back, 1e-6 * std::fabs(value)) << a << " to " << b << " and back";
      }
    }
  }
}

TEST_F(Convert, TheInternalUnitComesBackWithoutArithmetic) {
  // (0 + -0.0 * 1) / 1 is +0.0, so only a value left alone keeps its sign.
  EXPECT_TRUE(std::signbit(dConvertFromInternal(-0.0, D_DEPTH, U_METRES)));
  EXPECT_TRUE(std::signbit(dConvertToInternal(-0.0, D_TEMPERATURE, U_CELSIUS)));
  EXPECT_TRUE(std::signbit(dConvertFromInternal(-0.0, D_FUEL_ECON, U_KM_PER_LITER)));
  EXPECT_FALSE(std::signbit(dGenericConvert(-0.0, U_METRES, U_METRES))) << "the generic form always computes";
}

TEST_F(Convert, UnitsWithoutAFactorLeaveTheValueAloneAndSaySoOnce) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(123.0, dConvertFromInternal(123.0, D_HEADING, U_DEG_MAGNETIC));
  EXPECT_EQ(123.0, dConvertFromInternal(123.0, D_HEADING, U_DEG_MAGNETIC));
  EXPECT_EQ(5.0, dGenericConvert(5.0, U_INCH, U_METRES));
  EXPECT_EQ(5.0, dGenericConvert(5.0, U_METRES, U_SECONDS));
  EXPECT_EQ(7.0, dConvertToInternal(7.0, D_SPEED, (UNIT_TYPE)NUMBER_OF_UNIT_TYPES));
  EXPECT_EQ(7.0, dConvertToInternal(7.0, (DATA_TYPE)NUMBER_OF_DATA_TYPES, U_KNOTS));
  std::string log = ::testing::internal::GetCapturedStdout();
  // Once in the program's life: a second run hears nothing.
  static bool s_bSaid = false;
  const std::string magnetic = "no conversion factor for units 31";
  size_t at = log.find(magnetic);
  if (s_bSaid) {
    EXPECT_EQ(std::string::npos, log.find("no conversion factor")) << "once per unit: " << log;
    return;
  }
  s_bSaid = true;
  EXPECT_NE(std::string::npos, at) << log;
  EXPECT_EQ(std::string::npos, log.find(magnetic, at + 1)) << "once per unit: " << log;
  EXPECT_NE(std::string::npos, log.find("no conversion factor for units 9")) << log;
  EXPECT_NE(std::string::npos, log.find("no conversion factor for units 13")) << log;
}

}  // namespace
