// The menu task. Until its work is built here it keeps its place in the start
// order: it publishes its mailbox, answers shutdown and frees what it is sent.
// Its functions for other threads answer as a menu task with nothing open.

#include "t_menu.h"

#include "u_menu.h"
#include "u_taskstub.h"

void T_MENU_vMain(void) { U_TASKSTUB_vRun(FCID("TMNU"), M_MENU, SEMA_MBOX_MENU); }

// No menu is ever open yet, so there is nothing to confirm, close or record.
void T_MENU_vConfirmLanguageModeChange(void) {}
void T_MENU_vRemoveMenus(void) {}
void T_MENU_vUpdateActivateMenu(ACTIVE_MENU) {}
void T_MENU_vDoRemoveSingleCenteredMenu(void) {}

U32 T_MENU_u32GetSelection(MENU_TEXT, char*) { return 0xFFFFFFFF; }
