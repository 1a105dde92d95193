// Platform set-up at start.
#pragma once

void H_PLATFORM_vSetup(void);
