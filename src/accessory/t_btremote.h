// The Bluetooth remote task: its entry.
#pragma once

void T_BTREMOTE_vMain(void);
