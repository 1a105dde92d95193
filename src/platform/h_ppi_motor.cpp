#include "h_ppi_motor.h"

#include "h_database.h"
#include "linuxsvc.h"

static BOOLEAN s_bInitialised = FALSE;
static BOOLEAN s_bSweeping = FALSE;
static BOOLEAN s_bClockwise = TRUE;
static S32 s_s32Position = 1200;
static BOOLEAN s_bArea = FALSE;
static S32 s_s32AreaStart = -1800;
static S32 s_s32AreaRange = 0;
static U32 s_u32SweepAngle = 0;   // SSPA
static U32 s_u32StepFactor = 0;   // SSPS
static BOOLEAN s_bTurningClockwise = TRUE;

static void PPI_vInitialise(void) {
  H_DATABASE_bFetchU32(FCID("SSPA"), &s_u32SweepAngle, nullptr, nullptr);
  H_DATABASE_bFetchU32(FCID("SSPS"), &s_u32StepFactor, nullptr, nullptr);
  s_bClockwise = TRUE;
  s_s32Position = 1200;
  s_bInitialised = TRUE;
}

void H_PPI_MOTOR_vInitialize(void) {
  L_MUTEX_LockWait(RES_PPI_MOTOR);
  PPI_vInitialise();
  L_MUTEX_Unlock(RES_PPI_MOTOR);
}

void H_PPI_MOTOR_vMoveToSidePosition(void) { H_PPI_MOTOR_vInitialize(); }

S32 H_PPI_MOTOR_s32Step(S32 steps, BOOLEAN* pbClockwise) {
  L_MUTEX_LockWait(RES_PPI_MOTOR);
  if (!s_bInitialised) PPI_vInitialise();
  if (s_bSweeping) {
    S32 moved = s_s32Position + (s_bClockwise ? steps : -steps);
    s_s32Position = ((moved % H_PPI_MOTOR_STEPS_PER_TURN) + H_PPI_MOTOR_STEPS_PER_TURN) % H_PPI_MOTOR_STEPS_PER_TURN;
  }
  if (pbClockwise != nullptr) *pbClockwise = s_bClockwise;
  S32 position = s_s32Position;
  L_MUTEX_Unlock(RES_PPI_MOTOR);
  return position;
}

void H_PPI_MOTOR_vStartSweeping(BOOLEAN bOn) {
  L_MUTEX_LockWait(RES_PPI_MOTOR);
  s_bSweeping = bOn;
  L_MUTEX_Unlock(RES_PPI_MOTOR);
}

void H_PPI_MOTOR_vSetSweepArea(S32 start, S32 range) {
  L_MUTEX_LockWait(RES_PPI_MOTOR);
  s_s32AreaStart = start;
  s_s32AreaRange = range;
  s_s32Position = start;
  s_bClockwise = FALSE;
  s_bArea = TRUE;
  L_MUTEX_Unlock(RES_PPI_MOTOR);
}

void H_PPI_MOTOR_vSweepAreaStart(void) {
  L_MUTEX_LockWait(RES_PPI_MOTOR);
  s_bClockwise = !s_bClockwise;
  L_MUTEX_Unlock(RES_PPI_MOTOR);
}

void H_PPI_MOTOR_vReturnFullSweep(void) {
  L_MUTEX_LockWait(RES_PPI_MOTOR);
  s_bArea = FALSE;
  s_s32AreaStart = -1800;
  s_s32AreaRange = 0;
  PPI_vInitialise();
  L_MUTEX_Unlock(RES_PPI_MOTOR);
}

void H_PPI_MOTOR_vTurningDirection(BOOLEAN bClockwise) {
  L_MUTEX_LockWait(RES_PPI_MOTOR);
  s_bTurningClockwise = bClockwise;
  L_MUTEX_Unlock(RES_PPI_MOTOR);
}

BOOLEAN H_PPI_MOTOR_bIsTurningClockwise(void) {
  L_MUTEX_LockWait(RES_PPI_MOTOR);
  BOOLEAN b = s_bTurningClockwise;
  L_MUTEX_Unlock(RES_PPI_MOTOR);
  return b;
}

void H_PPI_MOTOR_vSetPositionAndLimit(S32, S32) {}
