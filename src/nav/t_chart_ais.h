// AIS targets over the plan chart.
#pragma once

#include "u_nav.h"

// Every target of the pool; the caller holds mutex 68 (and mutex 9).
void T_NAV_vRenderAIS(NAV_VIEW_INFO* pNVI);
