#include "h_display.h"

#include "dd_lcd.h"

void H_DISPLAY_vInitScreen(MBOX) {
  DD_LCD_vInit();
  DD_LCD_vDisplayPowerOn();
}

U32* H_DISPLAY_pu32GetDisplayBuffer(void) { return DD_LCD_pu32GetDisplayBuffer(); }

void H_DISPLAY_vDisplayBitmap(BITMAP* pBitmap) {
  U64 bytes = (U64)pBitmap->__u32PixelWidthOfBuffer * pBitmap->__u32PixelHeightOfBuffer * sizeof(COLOR);
  DD_LCD_vDisplayScreenBytes(pBitmap->pBuffer, bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : (U32)bytes);
}

void H_DISPLAY_vFreeDisplayBuffer(U32* pu32Buffer) { DD_LCD_vFreeDisplayBuffer(pu32Buffer); }

U32* H_DISPLAY_psbGetFrameBufferPointer(void) { return DD_LCD_pu32GetFrameBufferPointer(); }

void H_DISPLAY_vPowerDown(void) {
  DD_LCD_vCLS();
  DD_LCD_vDisplayOff();
  DD_LCD_vDisplayPowerOff();
  DD_LCD_vLCDPowerOff();
}

void H_DISPLAY_vScreenDump(SCREEN_BUFFER* psbBuffer) { DD_LCD_vScreenDump(*psbBuffer); }
