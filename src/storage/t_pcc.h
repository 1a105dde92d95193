// The PC-connect task: a service PC on serial channel 2 queries, configures,
// personalises, wipes and updates the unit with '#' lines, and moves the
// navigation store both ways by XMODEM.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "layer_id.h"

typedef enum tag_RX_STATE {
  RX_WAIT_PREFIX = 1,
  RX_WAIT_COMMAND = 2,
  RX_WAIT_DATA = 3,
  RX_WAIT_CR = 4,
  RX_DISCARD_LINE = 5,  // a data text too long for the buffer, dropped to its line end
} RX_STATE;

typedef enum tag_PCC_UPDATE {
  PCC_UPDATE_NONE = 1,
  PCC_UPDATE_DOWNLOAD = 2,
  PCC_UPDATE_REFLASH = 3,
} PCC_UPDATE;

constexpr U32 PCC_DATA_SIZE = 512;

void T_PCC_vMain(void);

// One byte of channel 2 into the request receiver; FALSE once a command has
// asked to leave connect mode (only Q does).
BOOLEAN T_PCC_bReceiveByte(U8 u8Byte);
// Back to the start of a request, nothing pending.
void T_PCC_vResetReceiver(void);
// Where replies go: channel 2 by default; a test or fuzz target may take
// them (nullptr restores the channel).
typedef void PCC_REPLY_FUNCTION(const U8* pu8Bytes, U32 u32Count);
void T_PCC_vSetReplySink(PCC_REPLY_FUNCTION* pfnReply);

// The update's block sink: a non-zero count appends to the image file
// (pParam, a FILE*); 0 ends the image by removing its padding.
void T_PCC_vSaveXmodemBlock(U32 u32Count, U8* pu8Buffer, void* pParam);
// The private directory the update image and the hand-over file live in,
// under the base directory.
const char* T_PCC_pcUpdateDirectory(void);

// Draw function of the PC-connect layer.
void T_PCC_vDrawScreen(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// The factory defaults for every task but the keyboard's.
void T_PCC_vRestoreFactoryDefaults(void);
