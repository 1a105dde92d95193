// Unit conversion through the base unit of each quantity. The factors are
// single-precision constants; the arithmetic is done in double.

#include "u_convert.h"

#include <atomic>

// The internal unit of each data type; U_NONE (factor 1) for the rest.
static constexpr UNIT_TYPE s_InternalUnits[NUMBER_OF_DATA_TYPES] = {
    U_NONE,           // D_UNKNOWN
    U_NONE,           // D_UNITS
    U_NONE,           // D_POINTER
    U_CELSIUS,        // D_TEMPERATURE
    U_MPS,            // D_SPEED
    U_METRES,         // D_DISTANCE
    U_DEG_TRUE,       // D_HEADING
    U_METRES,         // D_DEPTH
    U_NONE,           // D_DATETIME
    U_NONE,           // D_TIME
    U_NONE,           // D_LONG_TIME
    U_HECTOPASCALS,   // D_PRESSURE
    U_M3,             // D_VOLUME
    U_NONE,           // D_PH
    U_NONE,           // D_CONCENTRATION
    U_VOLTS,          // D_VOLTAGE
    U_AMPERES,        // D_CURRENT
    U_NONE,           // D_MAILBOX
    U_NONE,           // D_POSITION
    U_NONE,           // D_POSITION_LAT
    U_NONE,           // D_POSITION_LON
    U_NONE,           // D_POSITION_LAT_MM
    U_NONE,           // D_POSITION_LON_MM
    U_NONE,           // D_FCID
    U_NONE,           // D_PERCENT
    U_NONE,           // D_SAT_DATA
    U_NONE,           // D_WAYPOINT
    U_METRES,         // D_ALTITUDE
    U_NONE,           // D_FLOAT
    U_NONE,           // D_SIGNED32
    U_NONE,           // D_UNSIGNED32
    U_NONE,           // D_FIXED_POINT
    U_DEG_GEOMETRIC,  // D_ELEVATION_ANGLE
    U_NONE,           // D_TEMPERATURE_OFFSET
    U_NONE,           // D_FREQUENCY
    U_NONE,           // D_FREQUENCY_MHZ
    U_LITERS_PER_HR,  // D_FUEL_RATE
    U_KM_PER_LITER,   // D_FUEL_ECON
};

constexpr float kStatuteMile = 1609.347f;
constexpr float kUsGallon = 0.0037854118f;
constexpr float kUkGallon = 0.0045460919f;

// Multipliers in metres, metres per second, hectopascals, cubic metres,
// litres per hour and kilometres per litre; 0 where a unit has no factor.
static constexpr CONVERT_FACTOR s_ConvertFactors[NUMBER_OF_UNIT_TYPES] = {
    {1.0f, 0.0f},                                               // U_NONE
    {1.0f, 0.0f},                                               // U_MPS
    {kStatuteMile, 0.0f},                                       // U_STAT_MILES
    {1852.0f, 0.0f},                                            // U_NAUT_MILES
    {1000.0f, 0.0f},                                            // U_KM
    {0.5144456f, 0.0f},                                         // U_KNOTS
    {0.44704f, 0.0f},                                           // U_MPH
    {0.2777778f, 0.0f},                                         // U_KPH
    {0.0f, 0.0f},                                               // U_LATLON
    {0.0f, 0.0f},                                               // U_INCH
    {1.0f, 0.0f},                                               // U_METRES
    {0.3048f, 0.0f},                                            // U_FEET
    {1.8288037f, 0.0f},                                         // U_FATHOMS
    {0.0f, 0.0f},                                               // U_SECONDS
    {0.0f, 0.0f},                                               // U_MINUTES
    {33.8639f, 0.0f},                                           // U_INCHESHG
    {1.33322f, 0.0f},                                           // U_MMHG
    {1.0f, 0.0f},                                               // U_MILLIBAR
    {1.0f, 0.0f},                                               // U_HECTOPASCALS
    {kUsGallon, 0.0f},                                          // U_USGALLONS
    {kUkGallon, 0.0f},                                          // U_UKGALLONS
    {0.001f, 0.0f},                                             // U_LITRES
    {1.0f, 0.0f},                                               // U_M3
    {0.0f, 0.0f},                                               // U_PPMO2
    {0.0f, 0.0f},                                               // U_MOLPERM3
    {1.0f, 0.0f},                                               // U_VOLTS
    {1.0f, 0.0f},                                               // U_AMPERES
    {0.001f, 0.0f},                                             // U_MILLIAMPERES
    {1.0f, 0.0f},                                               // U_CELSIUS
    {0.5555556f, -17.777779f},                                  // U_FAHRENHEIT
    {1.0f, 0.0f},                                               // U_DEG_TRUE
    {0.0f, 0.0f},                                               // U_DEG_MAGNETIC
    {1852.0f, 0.0f},                                            // U_NAUT_MILES_FT
    {1852.0f, 0.0f},                                            // U_NAUT_MILES_M
    {1.0f, 0.0f},                                               // U_DEG_GEOMETRIC
    {68.94757f, 0.0f},                                          // U_PSI
    {10.0f, 0.0f},                                              // U_KPA
    {(float)(1000.0 * kUsGallon), 0.0f},                        // U_USGAL_PER_HR: litres per US gallon
    {(float)(1000.0 * kUkGallon), 0.0f},                        // U_UKGAL_PER_HR: litres per UK gallon
    {1.0f, 0.0f},                                               // U_LITERS_PER_HR
    {(float)(kStatuteMile / (1000.0 * kUsGallon) / 1000.0), 0.0f},  // U_US_MPG: km/L in one mile per US gallon
    {(float)(kStatuteMile / (1000.0 * kUkGallon) / 1000.0), 0.0f},  // U_UK_MPG
    {1.0f, 0.0f},                                               // U_KM_PER_LITER
};

// One bit per unit already reported, so that a readout converting every
// frame logs its problem once; bit 63 stands for out-of-range arguments.
static std::atomic<U64> s_u64Reported{0};

static void U_CONVERT_vReportOnce(U32 u32Bit, const char* pcWhat, U32 u32Value) {
  U64 bit = (U64)1 << (u32Bit < 63 ? u32Bit : 63);
  if ((s_u64Reported.fetch_or(bit) & bit) == 0) log_me("convert: %s %u, value left unconverted", pcWhat, (unsigned)u32Value);
}

// The tables are constants: nothing is left to prepare at start-up.
void U_CONVERT_vInitialiseConversionUtility(void) {}

double dGenericConvert(double dValue, UNIT_TYPE FromUnits, UNIT_TYPE ToUnits) {
  if ((U32)FromUnits >= NUMBER_OF_UNIT_TYPES || (U32)ToUnits >= NUMBER_OF_UNIT_TYPES) {
    U_CONVERT_vReportOnce(63, "unknown units", (U32)FromUnits >= NUMBER_OF_UNIT_TYPES ? FromUnits : ToUnits);
    return dValue;
  }
  const CONVERT_FACTOR& from = s_ConvertFactors[FromUnits];
  const CONVERT_FACTOR& to = s_ConvertFactors[ToUnits];
  // A unit without a factor would divide by zero, or turn every value into 0.
  if (from.fMultiplier == 0.0f || to.fMultiplier == 0.0f) {
    UNIT_TYPE bare = from.fMultiplier == 0.0f ? FromUnits : ToUnits;
    U_CONVERT_vReportOnce(bare, "no conversion factor for units", bare);
    return dValue;
  }
  return (((double)from.fOffset - (double)to.fOffset) + dValue * (double)from.fMultiplier) / (double)to.fMultiplier;
}

// FALSE (and a report) for a data type outside the table.
static BOOLEAN U_CONVERT_bKnownType(DATA_TYPE DataType) {
  if ((U32)DataType < NUMBER_OF_DATA_TYPES) return TRUE;
  U_CONVERT_vReportOnce(63, "unknown data type", DataType);
  return FALSE;
}

double dConvertFromInternal(double dValue, DATA_TYPE DataType, UNIT_TYPE ToUnits) {
  if (!U_CONVERT_bKnownType(DataType) || s_InternalUnits[DataType] == ToUnits) return dValue;
  return dGenericConvert(dValue, s_InternalUnits[DataType], ToUnits);
}

double dConvertToInternal(double dValue, DATA_TYPE DataType, UNIT_TYPE FromUnits) {
  if (!U_CONVERT_bKnownType(DataType) || s_InternalUnits[DataType] == FromUnits) return dValue;
  return dGenericConvert(dValue, FromUnits, s_InternalUnits[DataType]);
}

UNIT_TYPE U_CONVERT_eShortDistanceUnits(UNIT_TYPE DistanceUnits) {
  switch (DistanceUnits) {
    case U_KM:
    case U_NAUT_MILES_M:
      return U_METRES;
    case U_STAT_MILES:
    case U_NAUT_MILES:
    case U_NAUT_MILES_FT:
      return U_FEET;
    default:
      return DistanceUnits;
  }
}
