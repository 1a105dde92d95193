// The view task gets, shows and frees pages; the display task blanks them;
// the keyboard task may free one. Page states change under one small lock;
// the pan and its wait for the vertical blank run outside it.

#include "dd_lcd.h"

#include <string.h>

#include <mutex>

#include "dd_util.h"
#include "linuxsvc.h"

static omapfb_osal_surface_t g_lcdSurface;
static DISPLAY_BUF g_displayBuffers[OSAL_MAX_DISPLAYS];
static int frame_buffer_fd = 0;  // 1 once set up
static int s_nPages = 0;
static std::mutex s_PageLock;

void DD_LCD_vInit(void) {
  {
    std::lock_guard<std::mutex> guard(s_PageLock);
    if (frame_buffer_fd == 1) {
      omapfb_stop(&g_lcdSurface);
      omapfb_close(&g_lcdSurface);
    }
    frame_buffer_fd = 0;
    s_nPages = 0;
  }
  if (omapfb_open(&g_lcdSurface) != 0) {
    if (g_lcdSurface.s.fd >= 0) omapfb_close(&g_lcdSurface);
    return;
  }
  if (omapfb_start(&g_lcdSurface) != 0) {
    omapfb_close(&g_lcdSurface);
    return;
  }
  omapfb_set_chromakey(&g_lcdSurface, 0x8401);
  std::lock_guard<std::mutex> guard(s_PageLock);
  s_nPages = g_lcdSurface.s.nDisplays;
  for (int n = 0; n < s_nPages; n++) {
    g_displayBuffers[n].bufferStatus = BUFFER_IS_IDLE;
    omapfb_getpbuff(&g_lcdSurface, &g_displayBuffers[n].buf);
  }
  frame_buffer_fd = 1;
}

int DD_LCD_nPages(void) {
  std::lock_guard<std::mutex> guard(s_PageLock);
  return s_nPages;
}

U32* DD_LCD_pu32GetDisplayBuffer(void) {
  std::lock_guard<std::mutex> guard(s_PageLock);
  for (int n = 0; n < s_nPages; n++) {
    if (g_displayBuffers[n].bufferStatus == BUFFER_IS_IDLE) {
      g_displayBuffers[n].bufferStatus = BUFFER_IS_ALLOCATED;
      return g_displayBuffers[n].buf.buffer;
    }
  }
  return nullptr;
}

void DD_LCD_vFreeDisplayBuffer(U32* pu32Buffer) {
  std::lock_guard<std::mutex> guard(s_PageLock);
  for (int n = 0; n < s_nPages; n++) {
    if (g_displayBuffers[n].buf.buffer == pu32Buffer) g_displayBuffers[n].bufferStatus = BUFFER_IS_IDLE;
  }
}

static int LCD_nPageOnDisplay(void) {
  for (int n = 0; n < s_nPages; n++) {
    if (g_displayBuffers[n].bufferStatus == BUFFER_IS_ON_DISPLAY) return n;
  }
  return -1;
}

void DD_LCD_vDisplayScreenBytes(U32* pu32ScreenBuffer, U32 u32Bytes) {
  osal_buf_t pan;
  {
    std::lock_guard<std::mutex> guard(s_PageLock);
    if (frame_buffer_fd != 1) return;
    int page = -1;
    for (int n = 0; n < s_nPages && page < 0; n++) {
      if (g_displayBuffers[n].buf.buffer == pu32ScreenBuffer) page = n;
    }
    int shown = LCD_nPageOnDisplay();
    if (page < 0) {
      // A bitmap of its own: copied, never more than the page holds.
      if (shown < 0) return;
      U32 bytes = u32Bytes < (U32)g_lcdSurface.s.displaySize ? u32Bytes : (U32)g_lcdSurface.s.displaySize;
      DD_UTIL_Memcpy(g_displayBuffers[shown].buf.buffer, pu32ScreenBuffer, bytes);
      return;
    }
    if (page == shown) return;
    if (shown >= 0) g_displayBuffers[shown].bufferStatus = BUFFER_IS_IDLE;
    g_displayBuffers[page].bufferStatus = BUFFER_IS_ON_DISPLAY;
    pan = g_displayBuffers[page].buf;
  }
  omapfb_putpbuff(&g_lcdSurface, &pan);
}

void DD_LCD_vDisplayScreen(U32* pu32ScreenBuffer) { DD_LCD_vDisplayScreenBytes(pu32ScreenBuffer, DD_LCD_SCREEN_BYTES); }

U32* DD_LCD_pu32GetFrameBufferPointer(void) {
  std::lock_guard<std::mutex> guard(s_PageLock);
  int shown = LCD_nPageOnDisplay();
  return shown < 0 ? nullptr : g_displayBuffers[shown].buf.buffer;
}

void DD_LCD_vScreenDump(U32* pu32Buffer) {
  std::lock_guard<std::mutex> guard(s_PageLock);
  int shown = LCD_nPageOnDisplay();
  if (shown < 0) return;
  U32 bytes = DD_LCD_SCREEN_BYTES < (U32)g_lcdSurface.s.displaySize ? DD_LCD_SCREEN_BYTES
                                                                     : (U32)g_lcdSurface.s.displaySize;
  DD_UTIL_Memcpy(pu32Buffer, g_displayBuffers[shown].buf.buffer, bytes);
}

void DD_LCD_vCLS(void) {
  U32* first = nullptr;
  {
    std::lock_guard<std::mutex> guard(s_PageLock);
    if (frame_buffer_fd != 1) return;
    for (int n = 0; n < s_nPages; n++) memset(g_displayBuffers[n].buf.buffer, 0, (size_t)g_lcdSurface.s.displaySize);
    first = g_displayBuffers[0].buf.buffer;
  }
  DD_LCD_vDisplayScreen(first);
}

void DD_LCD_vSetupPins(void) {}
void DD_LCD_vDisplayPowerOff(void) {}
void DD_LCD_vDisplayPowerOn(void) {}
void DD_LCD_vLCDPowerOff(void) {}
void DD_LCD_vLCDPowerOn(void) {}
void DD_LCD_vEnable(void) {}
void DD_LCD_vDisable(void) {}
void DD_LCD_vDisplayOff(void) {}
void DD_LCD_vDisplayOn(void) {}
void DD_LCD_vSetVCom(float) {}

void* DD_UTIL_FastMemcpyProxy(void* dest, const void* src, U32 n) { return DD_UTIL_Memcpy(dest, src, n); }

void* DD_UTIL_MemcpyProxy(void* dest, const void* src, U32 n, const char*, int) { return memcpy(dest, src, n); }

void* DD_UTIL_MemsetProxy(void* s, int c, U32 n, const char*, int) { return memset(s, c, n); }
