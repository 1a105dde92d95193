// The in-line test task: a production-line PC on serial channel 2 sends a
// "?" line to take the unit over, then drives it with "#" commands, one
// letter and optional data to a line end, each answered by
// "Command received--processing" and a reply line.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "layer_id.h"

void T_INLINETEST_vMain(void);

// The task's state as at its start, without publishing or claiming anything.
void T_INLINETEST_vInitState(void);
// One byte from the PC into the command receiver; FALSE once a handler asked
// to leave the test.
BOOLEAN T_INLINETEST_bReceiveByte(U8 u8Byte);
void T_INLINETEST_vResetReceiver(void);
// Where the lines to the PC go: channel 2 by default; a test or fuzz target
// may take them (nullptr restores the channel).
typedef void INLINETEST_OUTPUT_FUNCTION(const U8* pu8Bytes, U32 u32Count);
void T_INLINETEST_vSetOutputSink(INLINETEST_OUTPUT_FUNCTION* pfnOutput);
// The shell, flash-version and map-check commands run only on a unit in
// factory mode (VELMORA_FACTORY_MODE=1 in the environment at start).
void T_INLINETEST_vSetFactoryMode(BOOLEAN bOn);
// The device the accessory-authentication chip sits on.
void T_INLINETEST_vSetI2cDevice(const char* pcPath);

// Draw function of the test layer.
void T_INLINETEST_vDrawTestLayer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
