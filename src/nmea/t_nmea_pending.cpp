// The AIS menus the NMEA task asks for at the first AIS sentence belong to
// the navigation menus.

#include "t_nmea_internal.h"
#include "t_nav_views.h"

void T_NMEA_vSetupAISMenuItems(void) { T_NAV_vSetupAISMenuItems(); }
