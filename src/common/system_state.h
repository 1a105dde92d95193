// The system state, the value of key CCST that every task consults: shared
// by all, so that a store or a driver can ask it without the start-up task
// that decides it.
#pragma once

#include "basetypes.h"

enum SYSTEM_STATE : U32 {
  STATE_STARTUP = 1,
  STATE_BURN_IN = 2,
  STATE_NORMAL_RUN = 3,
  STATE_SIMULATION = 4,
  STATE_PRE_POINT_OF_SALE = 5,
  STATE_POINT_OF_SALE = 6,
  STATE_DIAGNOSTIC = 7,
  STATE_PC_CONNECT = 8,
  STATE_INLINE_TEST = 9,
  STATE_SPECIAL_IN_HOUSE = 10,
  STATE_PLAYBACK = 11,
  STATE_UPDATING_CODE = 12,
};
