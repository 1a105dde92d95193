// Switching the unit off: the process ends with exit status 10.
#pragma once

[[noreturn]] void H_SHUTDOWN_vShutdown(void);
