// Where the readouts lie on the frame being drawn, and what covers them. A
// readout is drawn whole or not at all, and a banner that stays a while
// covers none.
//
// Within a frame the readouts' layers, drawn before anything that goes over
// them, tell each readout they draw. Banners and bars drawn later in the
// frame place themselves clear of them. Windows that stay over the view for
// a while (an editor, a pop-up) tell where they cover as they draw, and a
// readout one of them would cut is not drawn in the frames after: when a
// cover is new, or has moved, over a readout already drawn, the frame is to
// be drawn again before it is shown, and a cover not told in a frame is gone
// from the next.
//
// All of it belongs to the drawing thread, between U_VIEWAREA_vFrameBegins
// and U_VIEWAREA_bFrameEnds (the view task's frames); outside a frame
// nothing is kept, every readout is drawn and every band stays where it is.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "layer_id.h"

// A box of the screen: its lower-left corner (y grows upward) and size.
typedef struct tag_VIEWAREA_BOX {
  S32 x;
  S32 y;
  S32 w;
  S32 h;
} VIEWAREA_BOX;

void U_VIEWAREA_vFrameBegins(void);
// TRUE when the frame is to be drawn again before it is shown: a cover told
// in it is new or has moved over a readout it drew, or a cover that hid a
// readout has gone. Never twice in a row, so that a cover moving in every
// frame does not hold the screen still.
BOOLEAN U_VIEWAREA_bFrameEnds(void);

// Asked by a readout before it is drawn: FALSE when a window covers part of
// its box (it is not drawn); else TRUE, and the box is among the frame's
// readouts.
BOOLEAN U_VIEWAREA_bReadout(const VIEWAREA_BOX* pBox);
// Told by a window as it draws: the box it covers in this frame. One box
// per layer; the last told counts.
void U_VIEWAREA_vCovers(LAYER_ID layer, const VIEWAREA_BOX* pBox);

// Draws a window whose screens vary in shape (title boxes as wide as their
// titles, lists as long as their rows) and tells as its cover the box of
// what the drawing changed on the page. Outside a frame it only draws.
void U_VIEWAREA_vDrawCovering(LAYER_ID layer, BITMAP* pPage, void (*pfnDraw)(BITMAP* pPage));

// A band placed clear of the frame's readouts: narrowed from the left past
// those in its rows while it keeps s32MinWidth, else moved, at its full
// width, up (bUp) or down past them. FALSE, the band unchanged, when no
// place on the screen is clear.
BOOLEAN U_VIEWAREA_bPlaceBand(VIEWAREA_BOX* pBand, S32 s32MinWidth, BOOLEAN bUp);
