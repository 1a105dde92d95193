// The sweep motor of a rotating transducer: a position counter of 1600 steps
// a turn, under the resource mutex RES_PPI_MOTOR.
#pragma once

#include "basetypes.h"

constexpr S32 H_PPI_MOTOR_STEPS_PER_TURN = 1600;

// Reads the sweep settings and puts the motor at 1200, turning clockwise.
void H_PPI_MOTOR_vInitialize(void);
void H_PPI_MOTOR_vMoveToSidePosition(void);
// While sweeping, moves by steps in the turning direction (modulo a turn);
// returns the position and reports the direction when pbClockwise is given.
S32 H_PPI_MOTOR_s32Step(S32 steps, BOOLEAN* pbClockwise);
void H_PPI_MOTOR_vStartSweeping(BOOLEAN bOn);
// Sweeps an area: the position moves to its start, turning anticlockwise.
void H_PPI_MOTOR_vSetSweepArea(S32 start, S32 range);
// Reverses the turning direction at an end of the area.
void H_PPI_MOTOR_vSweepAreaStart(void);
void H_PPI_MOTOR_vReturnFullSweep(void);
void H_PPI_MOTOR_vTurningDirection(BOOLEAN bClockwise);
BOOLEAN H_PPI_MOTOR_bIsTurningClockwise(void);
void H_PPI_MOTOR_vSetPositionAndLimit(S32 position, S32 limit);
