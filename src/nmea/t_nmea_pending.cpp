// The AIS menus the NMEA task asks for at the first AIS sentence belong to
// the navigation overlays, which open the screens behind them.

#include "t_nmea_internal.h"
#include "u_nav_edit.h"

void T_NMEA_vSetupAISMenuItems(void) { T_NAV_vSetupAISMenuItems(); }
