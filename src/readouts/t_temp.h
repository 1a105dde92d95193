// The water-temperature task: the transducer's thermistor reading as a water
// temperature with the user's offset, its readout, and the temperature alarm.
#pragma once

#include "basetypes.h"
#include "h_database.h"

void T_TEMP_vMain(void);
// TRUE once the sensor (0 main, 1 auxiliary) has given a plausible reading.
BOOLEAN T_TEMP_bIsSensorPresent(int nSensorIndex);

// The thermistor table (generated): degrees Celsius by the top 10 bits of
// the 12-bit reading.
constexpr U32 T_TEMP_TABLE_SIZE = 1024;
extern const float T_TEMP_afWaterTempLookup[T_TEMP_TABLE_SIZE];

// The temperature (degrees Celsius) of a raw analogue item (the reading
// shifted left by 4) with an offset in the user's units.
float T_TEMP_fTemperature(U32 u32Raw, float fOffset, UNIT_TYPE eUnits);
// An offset in the old units in the new ones; one in Fahrenheit is kept
// within the offset menu's -10..10.
float T_TEMP_fConvertOffset(float fOffset, UNIT_TYPE eFrom, UNIT_TYPE eTo);

enum TEMP_ALARM_STATE : U32 {
  INITIAL_STATE = 0,
  WAITING_TO_EXCEED_SP = 1,
  WAITING_TO_DROP_BELOW_SP = 2,
  WAITING_TO_EXCEED_SP_PLUS_HYST = 3,
  WAITING_TO_DROP_BELOW_SP_LESS_HYST = 4,
};
// One step of the alarm: the next state for temperature fT at set point fSp
// with window fW and hysteresis fH; *pbRaise TRUE when the alarm fires.
TEMP_ALARM_STATE T_TEMP_eAlarmStep(TEMP_ALARM_STATE eState, float fT, float fSp, float fW, float fH,
                                   BOOLEAN* pbRaise);

// Test programs replace the milliseconds clock of the start delay; null
// restores the service layer's.
typedef U64 T_TEMP_CLOCK(void);
void T_TEMP_vSetClock(T_TEMP_CLOCK* pfnClock);
