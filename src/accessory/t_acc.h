// The accessory task: accessory power for the life of the unit, and the
// inventory of supported accessories shown in the "Accessory Test" view.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "layer_id.h"

void T_ACC_vMain(void);

// One accessory of the inventory, in the order of its name in the current
// language.
typedef struct tag_SUPPORTED_ACCESSORY {
  const char* const* pAccessoryName;  // a UI text table
  BOOLEAN bConnected;
  FOURCHARID FourCharId;  // the key whose value tells presence
  U8 unitID;              // 0, or the index of a unit in the unit status table
  struct tag_SUPPORTED_ACCESSORY* next;
  BOOLEAN bShowVer;
} SUPPORTED_ACCESSORY;

// The head of the list. The list and its nodes change only under the
// inventory's lock, which the view's drawing takes too: take it around any
// walk of the list from another thread.
SUPPORTED_ACCESSORY* T_ACC_pGetAccoryList(void);
void T_ACC_vLockList(void);
void T_ACC_vUnlockList(void);
// Refreshes the connected flags of the whole list (on the accessory task).
void T_ACC_vUpdateAccessoryStatus(void);

// The "Accessory Test" view (DIAGNOSTIC_ACCESSORY_CATALOG).
void T_ACC_vDrawInventoryView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER pSpec);
