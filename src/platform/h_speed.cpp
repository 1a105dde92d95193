#include "h_speed.h"

#include "dd_speed.h"
#include "linuxsvc.h"
#include "u_convert.h"

// Knots per 10 Hz of pulse rate, by 10-Hz band of the rate: the paddlewheel's
// calibration.
static const float SpeedConvFactor[11] = {
    2.206389f, 2.002723f, 1.765111f, 1.629334f, 1.700742f, 1.833f,
    1.866945f, 1.866945f, 1.900889f, 1.934801f, 1.918803f,
};

static U32 s_u32Stamp = 0;
static BOOLEAN s_bFirstCall = TRUE;
static BOOLEAN s_bFound = FALSE;

void H_SPEED_vInit(void) {
  DD_SPEED_vInit();
  s_bFirstCall = TRUE;
  s_bFound = FALSE;
}

BOOLEAN H_SPEED_bGetSpeed(float* pfData) {
  if (s_bFirstCall) {
    s_bFirstCall = FALSE;
    L_TIMER_GetElapsed(&s_u32Stamp);
    DD_SPEED_u32GetPulses();
    return s_bFound;
  }
  U32 t = L_TIMER_GetElapsed(&s_u32Stamp);
  U32 n = DD_SPEED_u32GetPulses();
  if (t == 0) return FALSE;
  if (n == 0) {
    *pfData = 0;
    return s_bFound;
  }
  double f = n / (t * 0.001);
  S64 band = ((S64)f - 1) / 10;
  if (band < 0) band = 0;
  if (band > 10) band = 10;
  double knots = f * SpeedConvFactor[band] * 0.1;
  *pfData = (float)dConvertToInternal(knots, D_SPEED, U_KNOTS);
  s_bFound = *pfData <= 50.0f;
  return s_bFound;
}
