// What the NMEA task asks of its AIS menus, whose work is built later. Until then
// a plain NMEA receiver needs none of it: each step says once in the log
// what it would have done.

#include "t_nmea_internal.h"

// One log line per step and run, not one per tick.
static void NMEA_vLogOnce(BOOLEAN* pbLogged, const char* pcFunction, const char* pcWhat) {
  if (*pbLogged) return;
  *pbLogged = TRUE;
  log_me("[%d]%s: not built yet: %s", __LINE__, pcFunction, pcWhat);
}

#define NMEA_PENDING(what)                        \
  do {                                            \
    static BOOLEAN s_bLogged = FALSE;             \
    NMEA_vLogOnce(&s_bLogged, __func__, (what));  \
  } while (0)

void T_NMEA_vSetupAISMenuItems(void) { NMEA_PENDING("no AIS menus"); }
