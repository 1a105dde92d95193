// The in-line test task: its entry.
#pragma once

void T_INLINETEST_vMain(void);
