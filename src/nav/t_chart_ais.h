// AIS targets over the plan chart.
#pragma once

#include "g_image32.h"
#include "navmath.h"
#include "u_nav.h"

// Every target of the pool; the caller holds mutex 68 (and mutex 9).
void T_NAV_vRenderAIS(NAV_VIEW_INFO* pNVI);
// The ship symbol of a ship type in state 0 normal, 1 stale, 2 in alarm.
const IMAGE32* T_NAV_vGetAisIcon(U8 u8ShipType, S32 eState);
// The Mercator position of the target at pool index nIndex with latitude and
// longitude *pPos; FALSE when they do not convert. Each index keeps its last
// conversion, made again only when the position changed. Under mutex 68.
BOOLEAN T_NAV_bAisPositionMM(S32 nIndex, const POSITION* pPos, POINT* ppt);
