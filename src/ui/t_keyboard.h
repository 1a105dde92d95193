// The keyboard task: its entry.
#pragma once

void T_KEYBOARD_vMain(void);
