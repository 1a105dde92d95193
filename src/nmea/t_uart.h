// The UART task, owner of the serial channels: its entry.
#pragma once

void T_UART_vMain(void);
