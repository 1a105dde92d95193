// What other tasks ask of the info task's readout slots: to put one of their
// readouts into a free normal slot when their sensor is found.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"

// Records the request (at most five; FALSE without trying past that) and
// puts the readout into a slot as U_INFO_bSelectBox does.
BOOLEAN U_INFO_bDisplayInInfoBox(FOURCHARID fcidItemToBeDisplayed, U32 u32Desired_window);
// Windows 1 to 5 are SIS1 to SIS5. TRUE when a slot already holds the readout
// or a free one (value 0) was found from the asked window on, wrapping round;
// FALSE for a window outside 1 to 5 or with no free slot.
BOOLEAN U_INFO_bSelectBox(FOURCHARID fcidItemToBeDisplayed, U32 u32Desired_window);
// Replays every recorded request in order.
void U_INFO_vReinitializeInfoBoxes(void);
// Forgets every recorded request (test programs start each case afresh).
void U_INFO_vForgetRequests(void);
