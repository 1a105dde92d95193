// AIS targets over the plan chart.

#include "t_chart_ais.h"

void T_NAV_vRenderAIS(NAV_VIEW_INFO* pNVI) { (void)pNVI; }
