// The tone task: its entry.
#pragma once

void T_TONE_vMain(void);
