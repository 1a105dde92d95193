// The views-selection menu: one item per selectable view in the "Sonar" and
// "System" submenus (and "NMEA 2000" where such a network is set up) of the
// express menu of VIRTUAL_DISPLAY_VIEW_LAYER. Choosing an item shows its view.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "layer_id.h"

// Puts the menu together from the views whose layer is registered and whose
// setting has been written.
void GUI_vRegisterSelectViewMenu(void);
// Takes every item and submenu out again.
void GUI_vUnRegisterSelectViewMenu(void);
// Marks a selectable view as registered or not; the view task calls it as
// view layers come and go.
void GUI_vSetViewRegisteration(LAYER_ID LayerID, BOOLEAN bRegister);
BOOLEAN bMoreThenOneEngine(void);
// What choosing a view does: while its layer is registered its setting is
// switched on, the view task is told to show it and the menus close (an
// accepted click); otherwise a refused click and nothing else.
void GUI_vSetView(LAYER_ID layer, FOURCHARID fcid);
