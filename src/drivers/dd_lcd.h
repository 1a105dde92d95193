// The page driver: the framebuffer's pages handed out for drawing, shown and
// taken back.
#pragma once

#include "basetypes.h"
#include "omapfbvideoout.h"

typedef enum tag_DISPLAY_BUFFER_STATUS {
  BUFFER_IS_ON_DISPLAY = 1,
  BUFFER_IS_IDLE = 2,
  BUFFER_IS_ALLOCATED = 3,
  BUFFER_IS_WAITING_TO_BE_DISPLAYED = 4,
} DISPLAY_BUFFER_STATUS;

typedef struct tag_DISPLAY_BUF {
  osal_buf_t buf;
  DISPLAY_BUFFER_STATUS bufferStatus;
} DISPLAY_BUF;

// Bytes of one full screen of RGB565 pixels.
constexpr U32 DD_LCD_SCREEN_BYTES = OMAPFB_XRES * OMAPFB_YRES * 2;

// Opens and maps the framebuffer; on failure every later page call does
// nothing. A second call sets the device up afresh.
void DD_LCD_vInit(void);
// A page for drawing, or null when every page is taken or on display.
U32* DD_LCD_pu32GetDisplayBuffer(void);
void DD_LCD_vFreeDisplayBuffer(U32* pu32Buffer);
// A page is panned to (at the next vertical blank); any other pointer is
// taken as a full screen of pixels and copied into the page on display.
void DD_LCD_vDisplayScreen(U32* pu32ScreenBuffer);
// As DD_LCD_vDisplayScreen, for a buffer of u32Bytes: a copy takes at most
// one page.
void DD_LCD_vDisplayScreenBytes(U32* pu32ScreenBuffer, U32 u32Bytes);
// The page on display, null before the first was shown.
U32* DD_LCD_pu32GetFrameBufferPointer(void);
// 768,000 bytes of the page on display; nothing before the first was shown.
void DD_LCD_vScreenDump(U32* pu32Buffer);
// Every page black, then page 0 shown.
void DD_LCD_vCLS(void);
// Pages the device granted (0 before a successful set-up).
int DD_LCD_nPages(void);

// Panel power and timing are the board's own: nothing to do here.
void DD_LCD_vSetupPins(void);
void DD_LCD_vDisplayPowerOff(void);
void DD_LCD_vDisplayPowerOn(void);
void DD_LCD_vLCDPowerOff(void);
void DD_LCD_vLCDPowerOn(void);
void DD_LCD_vEnable(void);
void DD_LCD_vDisable(void);
void DD_LCD_vDisplayOff(void);
void DD_LCD_vDisplayOn(void);
void DD_LCD_vSetVCom(float fDutyCycle);

void* DD_UTIL_FastMemcpyProxy(void* dest, const void* src, U32 n);
void* DD_UTIL_MemcpyProxy(void* dest, const void* src, U32 n, const char* szFile, int lineNo);
void* DD_UTIL_MemsetProxy(void* s, int c, U32 n, const char* szFile, int lineNo);
