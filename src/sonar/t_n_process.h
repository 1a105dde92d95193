// The sonar process task: each ping's noise floor, bottom, depth, range and
// column.
#pragma once

#include "msghdr.h"
#include "s_share.h"

// A ping to process; u16Index is its descriptor's slot, which goes back to
// Q_PING once the process task is done with it (also after a shutdown).
struct MSG_SONAR_PROCESS_PING {
  GENERIC_MESSAGE Header;  // Cmd = CMD_ID_SONAR_PROCESS_PING
  PING_DESCRIPTOR* pPing;
  U16 u16Index;
};

void T_N_PROCESS_vMain(void);
