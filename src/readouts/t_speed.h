// The speed task: the paddle-wheel's water speed, the boat speed (the GPS
// speed over ground while it is valid) and the trip log.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "t_info.h"

void T_SPEED_vMain(void);
// The speed settings' defaults: they replace the user's values (priority 2)
// when forced, else the stored values win (priority 15).
void T_SPEED_vSetDefaultSettings(BOOLEAN bForceFactoryDefaults);
// One poll of the sensor; the task runs it once a second.
void T_SPEED_vPollSensor(void);
// The "Triplog Reset" action.
void T_SPEED_vResetTripLog(void);
// The trip-log data box (a D_POINTER readout).
void IBRF_vRenderTripLogInfoBox(BITMAP* pBitmap, POINT pt, VIBD_DIRECTION eDirection, U32 nLang);

// Test programs replace the sensor and the milliseconds between polls; with
// a source set the task starts no poll timer and polls when SEMA_TIMER_SPEED
// is signalled. Null restores the device and the service-layer clock.
typedef BOOLEAN T_SPEED_SENSOR(float* pfSpeed);
typedef U32 T_SPEED_ELAPSED(U32* pu32Stamp);
void T_SPEED_vSetSource(T_SPEED_SENSOR* pfnSensor, T_SPEED_ELAPSED* pfnElapsed);
