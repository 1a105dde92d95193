// What the highway files share: the overlay written down as a list of its
// drawing calls (t_chart_list.h), and the tracks traced once per view.
#pragma once

#include <vector>

#include "color.h"
#include "g_icon.h"
#include "t_chart_list.h"
#include "t_highway.h"

// An icon standing on the projected point p with the label centred under it,
// u32Size bytes of sLabel at most.
void HWY_vPin(NAV_VIEW_INFO* pNVI, POINT p, const ICON* pIcon, const char* sLabel, U32 u32Size, COLOR colour);

// What a projection depends on: a view's centre, turn, eye, scale and
// offset, the boat for the current track, the style class of a track.
// Compared whole.
typedef struct tag_HWY_TRACE_VIEW {
  POINT ptCenterMM;
  POINT CenterOffset;
  POINT ptBoatMM;
  S32 nPixelsPerMMM;
  S32 nEyeOffsetMM;
  S32 nCos;
  S32 nSin;
  U32 u32Style;
} HWY_TRACE_VIEW;
HWY_TRACE_VIEW HWY_traceView(const NAV_VIEW_INFO* pNVI, BOOLEAN bCurrentTrack, U32 u32Style);

// Saved track nIndex (kept copy, steps kept while the view stays) and the
// current track, as the overlay draws them.
void HWY_vRenderSavedTrack(NAV_VIEW_INFO* pNVI, S32 nIndex, const TRACK_HEADER* pHeader, U32 u32Style,
                           U32 u32Color);
void HWY_vRenderCurrentTrack(NAV_VIEW_INFO* pNVI, U32 u32Style, U32 u32Color);

// The overlay of the navigation data, without the boat, as a list; takes
// mutex 9 and, for the AIS targets, mutex 68.
void HWY_vListOverlay(NAV_VIEW_INFO* pNVI, T_CHART_LIST* pList);
