// Results of the service layer: 0 or one of these codes negated.
#pragma once

#include "basetypes.h"

enum LINUX_SVC_RETURN_CODES {
  lsSUCCESS = 0,
  lsTIMEOUT = 1,
  lsSEMA_INVALID = 2,
  lsSEMA_OVERRUN = 3,
  lsSEMA_PENDING = 4,
  lsSEMA_DONE = 5,
  lsSEMA_WAIT_CONFLICT = 6,
  lsTASK_INVALID = 7,
  lsTASK_PARAMS = 8,
  lsTASK_MEMORY = 9,
  lsTASK_START = 10,
  lsNO_TIMER = 11,
  lsTIMER_ILLEGAL = 12,
  lsTIMER_UNINIT = 13,
  lsTIMER_INACTIVE = 14,
  lsNO_CLOCK = 15,
  lsQUEUE_INVALID = 16,
  lsQCOND_INVALID = 17,
  lsQUEUE_NO_MEMORY = 18,
  lsQUEUE_FULL = 19,
  lsQUEUE_EMPTY = 20,
  lsMUTEX_INVALID = 21,
  lsMUTEX_BUSY = 22,
  lsMUTEX_NESTED = 23,
  lsMAP_INVALID = 24,
  lsMAP_CROSSED = 25,
  lsMAP_NO_MEMORY = 26,
  lsMAP_NONE_AVAIL = 27,
  lsMBOX_INVALID = 28,
  lsCOUNT = 29
};

typedef S32 ERC;

// The time-out result of every wait.
constexpr ERC RC_TIMEOUT = -lsTIMEOUT;
