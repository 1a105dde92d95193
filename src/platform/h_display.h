// The display host service the display, view and keyboard tasks call.
#pragma once

#include "basetypes.h"
#include "g_types.h"

// What a screen dump fills: one screen of RGB565 pixels.
typedef U32 SCREEN_BUFFER[192000];

// Brings the framebuffer up; the mailbox is not used.
void H_DISPLAY_vInitScreen(MBOX mailbox);
// A free page to draw a frame into, null when none is free.
U32* H_DISPLAY_pu32GetDisplayBuffer(void);
// Shows the bitmap: a page goes on display at the next vertical blank, any
// other bitmap is copied into the page on display.
void H_DISPLAY_vDisplayBitmap(BITMAP* pBitmap);
void H_DISPLAY_vFreeDisplayBuffer(U32* pu32Buffer);
// The page on display, null before the first frame.
U32* H_DISPLAY_psbGetFrameBufferPointer(void);
// Every page black, the panel off.
void H_DISPLAY_vPowerDown(void);
void H_DISPLAY_vScreenDump(SCREEN_BUFFER* psbBuffer);
