// The framebuffer wrapper: open, map, pan between the pages of a virtual
// screen four screens high, and wait for the vertical blank.
//
// A character device gets the real ioctls. A regular file (the host rig's
// stand-in) is mapped the same way; the wrapper then plays the device: it
// grants as many rows as the file holds, records the page on display in a
// side file "<device>.page" (the page number as text) and paces the vertical
// blank at 60 Hz.
#pragma once

#include <linux/fb.h>
#include <stdint.h>

#include "basetypes.h"

constexpr int OSAL_MAX_DISPLAYS = 4;
constexpr U32 OMAPFB_XRES = 800;
constexpr U32 OMAPFB_YRES = 480;

typedef struct tag_osal_buf_t {
  U32* buffer;     // first pixel of the page
  int displayIdx;  // page number
} osal_buf_t;

typedef struct tag_osal_surface_t {
  U32* virtDisplays[OSAL_MAX_DISPLAYS];
  int displaySize;  // bytes of one page
  int fd;
  int nDisplays;    // pages the device granted, 1..4
} osal_surface_t;

typedef struct tag_omapfb_osal_surface_t {
  osal_surface_t s;
  int displayIdx;  // the next page omapfb_getpbuff hands out
  struct fb_var_screeninfo varInfo;
  struct fb_fix_screeninfo fixInfo;
  // Host rig stand-in: the mapped file plays the device.
  BOOLEAN bRig;
  int rigPageFd;   // the side file of the page on display
  void* pvMap;
  size_t mapBytes;
} omapfb_osal_surface_t;

typedef enum tag_osalcolorspaceenum_t {
  OSAL_VIDEO_RGB24 = 0,
  OSAL_VIDEO_ARGB32 = 1,
  OSAL_VIDEO_RGBA32 = 2,
  OSAL_VIDEO_RGB565 = 3,
  OSAL_VIDEO_YCBCR = 4,
} osalcolorspaceenum_t;

// Opens the device and asks for 800 x 480 with four pages; 0, or -1 when the
// device cannot be opened or set up. Afterwards s.nDisplays says how many of
// the four pages the device granted.
int omapfb_open(omapfb_osal_surface_t* pS);
// Maps the granted pages; 0 or -1.
int omapfb_start(omapfb_osal_surface_t* pS);
int omapfb_stop(omapfb_osal_surface_t* pS);
void omapfb_close(omapfb_osal_surface_t* pS);
// The next page, in turn.
void omapfb_getpbuff(omapfb_osal_surface_t* pS, osal_buf_t* pBuf);
// Pans to the page and returns after the vertical blank.
void omapfb_putpbuff(omapfb_osal_surface_t* pS, const osal_buf_t* pBuf);
// -1 turns the overlay colour key off.
void omapfb_set_chromakey(omapfb_osal_surface_t* pS, int chroma_val);
int xioctl_trace(int fd, unsigned long req, const char* reqstr, void* arg);
void omapfb_pan(omapfb_osal_surface_t* pS, int xoffset, int yoffset);
void omapfb_fillrgb(omapfb_osal_surface_t* pS, uint32_t rgbValue);
void omapfb_dump(omapfb_osal_surface_t* pS);
int omapfb_setformat(omapfb_osal_surface_t* pS, int w, int h, osalcolorspaceenum_t pixfmt);
