// The message-box task: its entry.
#pragma once

void T_MESSAGEBOX_vMain(void);
