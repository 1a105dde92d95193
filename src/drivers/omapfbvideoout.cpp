#include "omapfbvideoout.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "dd_devpath.h"
#include "linuxsvc.h"

static const char* const FB_DEVICE = "/dev/fb0";

#ifndef FBIO_WAITFORVSYNC
#define FBIO_WAITFORVSYNC _IOW('F', 0x20, __u32)
#endif

// The overlay colour key of the display controller's framebuffer driver.
typedef struct tag_OMAPFB_COLOR_KEY {
  U8 channel_out;
  U32 background;
  U32 trans_key;
  U8 key_type;  // 0 off, 1 graphics destination, 2 video source
} OMAPFB_COLOR_KEY;
#define OMAPFB_SET_COLOR_KEY _IOW('O', 50, OMAPFB_COLOR_KEY)
#define OMAPFB_GET_COLOR_KEY _IOW('O', 51, OMAPFB_COLOR_KEY)

static int g_offset = 0;
static omapfb_osal_surface_t* g_pS = nullptr;

// ---------------------------------------------------------------------------
// The host rig's device: a regular file of 800-pixel rows at 16 bits.

static const U32 RIG_LINE_LENGTH = OMAPFB_XRES * 2;
static const long RIG_FRAME_NS = 1000000000L / 60;
static struct fb_var_screeninfo s_rigVar;
static off_t s_rigFileBytes;

static void RIG_vRecordPage(omapfb_osal_surface_t* pS) {
  if (pS->rigPageFd < 0) return;
  char text[16];
  int length = snprintf(text, sizeof text, "%u\n", s_rigVar.yres != 0 ? s_rigVar.yoffset / s_rigVar.yres : 0);
  if (pwrite(pS->rigPageFd, text, (size_t)length, 0) == length) (void)!ftruncate(pS->rigPageFd, length);
}

static void RIG_vOpen(omapfb_osal_surface_t* pS, off_t fileBytes) {
  s_rigFileBytes = fileBytes;
  memset(&s_rigVar, 0, sizeof s_rigVar);
  s_rigVar.xres = s_rigVar.xres_virtual = OMAPFB_XRES;
  s_rigVar.yres = s_rigVar.yres_virtual = OMAPFB_YRES;
  s_rigVar.bits_per_pixel = 16;
  s_rigVar.red = {11, 5, 0};
  s_rigVar.green = {5, 6, 0};
  s_rigVar.blue = {0, 5, 0};
  char path[PATH_MAX], side[PATH_MAX + 8];
  pS->rigPageFd = -1;
  if (DD_DEVPATH_pcResolve(FB_DEVICE, path, sizeof path) != nullptr) {
    snprintf(side, sizeof side, "%s.page", path);
    pS->rigPageFd = open(side, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  }
  RIG_vRecordPage(pS);
}

// The next 60 Hz boundary of the monotonic clock.
static void RIG_vWaitForVsync(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  long long ns = (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
  long long next = (ns / RIG_FRAME_NS + 1) * RIG_FRAME_NS;
  struct timespec until = {(time_t)(next / 1000000000LL), (long)(next % 1000000000LL)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

static int RIG_nIoctl(omapfb_osal_surface_t* pS, unsigned long req, void* arg) {
  switch (req) {
    case FBIOGET_FSCREENINFO: {
      struct fb_fix_screeninfo* fix = (struct fb_fix_screeninfo*)arg;
      memset(fix, 0, sizeof *fix);
      snprintf(fix->id, sizeof fix->id, "rig");
      fix->smem_len = (U32)s_rigFileBytes;
      fix->type = FB_TYPE_PACKED_PIXELS;
      fix->visual = FB_VISUAL_TRUECOLOR;
      fix->line_length = RIG_LINE_LENGTH;
      return 0;
    }
    case FBIOGET_VSCREENINFO:
      *(struct fb_var_screeninfo*)arg = s_rigVar;
      return 0;
    case FBIOPUT_VSCREENINFO: {
      // Like a driver with a fixed memory: it grants what the file holds.
      const struct fb_var_screeninfo* want = (const struct fb_var_screeninfo*)arg;
      U32 rows = (U32)(s_rigFileBytes / RIG_LINE_LENGTH);
      if (want->xres != OMAPFB_XRES || want->yres == 0 || want->yres > rows) {
        errno = EINVAL;
        return -1;
      }
      s_rigVar.xres = want->xres;
      s_rigVar.yres = want->yres;
      s_rigVar.yres_virtual = want->yres_virtual < rows ? want->yres_virtual : rows;
      if (s_rigVar.yres_virtual < s_rigVar.yres) s_rigVar.yres_virtual = s_rigVar.yres;
      s_rigVar.xoffset = 0;
      s_rigVar.yoffset = 0;
      RIG_vRecordPage(pS);
      return 0;
    }
    case FBIOPAN_DISPLAY: {
      const struct fb_var_screeninfo* want = (const struct fb_var_screeninfo*)arg;
      if (want->xoffset != 0 || want->yoffset + s_rigVar.yres > s_rigVar.yres_virtual) {
        errno = EINVAL;
        return -1;
      }
      s_rigVar.yoffset = want->yoffset;
      RIG_vRecordPage(pS);
      return 0;
    }
    case FBIO_WAITFORVSYNC:
      RIG_vWaitForVsync();
      return 0;
    default:
      errno = ENOTTY;
      return -1;
  }
}

// Every ioctl of the wrapper goes through here: the real device, or the rig's.
static int FB_nIoctl(int fd, unsigned long req, void* arg) {
  if (g_pS != nullptr && g_pS->bRig && g_pS->s.fd == fd) return RIG_nIoctl(g_pS, req, arg);
  return ioctl(fd, req, arg);
}

// ---------------------------------------------------------------------------

int xioctl_trace(int fd, unsigned long req, const char* reqstr, void* arg) {
  int result;
  do {
    result = FB_nIoctl(fd, req, arg);
  } while (result == -1 && errno == EINTR);
  if (result == -1) {
    int saved = errno;
    log_me("errno %d %s", saved, reqstr);
    errno = saved;
    perror(reqstr);
  }
  return result;
}

int omapfb_open(omapfb_osal_surface_t* pS) {
  g_pS = pS;
  pS->bRig = FALSE;
  pS->rigPageFd = -1;
  pS->pvMap = nullptr;
  pS->mapBytes = 0;
  pS->s.nDisplays = 0;
  pS->s.fd = DD_DEVPATH_nOpen(FB_DEVICE, O_RDWR);
  if (pS->s.fd < 0) {
    perror("omapfb_open");
    return -1;
  }
  struct stat st;
  if (fstat(pS->s.fd, &st) == 0 && S_ISREG(st.st_mode)) {
    pS->bRig = TRUE;
    RIG_vOpen(pS, st.st_size);
  }
  if (xioctl_trace(pS->s.fd, FBIOGET_FSCREENINFO, "FBIOGET_FSCREENINFO", &pS->fixInfo) == -1) return -1;
  if (xioctl_trace(pS->s.fd, FBIOGET_VSCREENINFO, "FBIOGET_VSCREENINFO", &pS->varInfo) == -1) return -1;
  pS->displayIdx = 0;
  pS->s.displaySize = (int)(pS->fixInfo.line_length * pS->varInfo.yres);

  xioctl_trace(pS->s.fd, FBIOGET_VSCREENINFO, "FBIOGET_VSCREENINFO", &pS->varInfo);
  pS->varInfo.xres = OMAPFB_XRES;
  pS->varInfo.yres = OMAPFB_YRES;
  pS->varInfo.xres_virtual = OMAPFB_XRES;
  pS->varInfo.yres_virtual = OMAPFB_YRES * OSAL_MAX_DISPLAYS;
  pS->varInfo.xoffset = 0;
  pS->varInfo.yoffset = 0;
  g_offset = 0;
  if (xioctl_trace(pS->s.fd, FBIOPUT_VSCREENINFO, "FBIOPUT_VSCREENINFO", &pS->varInfo) == -1) return -1;

  // A device may grant fewer rows than were asked for: pages beyond them
  // would lie outside its memory.
  if (xioctl_trace(pS->s.fd, FBIOGET_VSCREENINFO, "FBIOGET_VSCREENINFO", &pS->varInfo) == -1) return -1;
  if (xioctl_trace(pS->s.fd, FBIOGET_FSCREENINFO, "FBIOGET_FSCREENINFO", &pS->fixInfo) == -1) return -1;
  U32 pages = pS->varInfo.yres == OMAPFB_YRES ? pS->varInfo.yres_virtual / OMAPFB_YRES : 0;
  if (pS->varInfo.xres != OMAPFB_XRES || pages == 0 || pS->fixInfo.line_length < OMAPFB_XRES * 2) {
    log_me("[%d]%s: the device gave %ux%u of %u rows, line %u bytes: no screen", __LINE__, __func__,
           pS->varInfo.xres, pS->varInfo.yres, pS->varInfo.yres_virtual, pS->fixInfo.line_length);
    return -1;
  }
  pS->s.nDisplays = pages < (U32)OSAL_MAX_DISPLAYS ? (int)pages : OSAL_MAX_DISPLAYS;
  if (pS->s.nDisplays < OSAL_MAX_DISPLAYS) {
    log_me("[%d]%s: the device granted %u rows: %d pages", __LINE__, __func__, pS->varInfo.yres_virtual,
           pS->s.nDisplays);
  }
  pS->s.displaySize = (int)(pS->fixInfo.line_length * OMAPFB_YRES);
  return 0;
}

int omapfb_start(omapfb_osal_surface_t* pS) {
  size_t bytes = (size_t)pS->s.displaySize * (size_t)pS->s.nDisplays;
  void* base = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, pS->s.fd, 0);
  if (base == MAP_FAILED) {
    perror("omapfb_start");
    return -1;
  }
  pS->pvMap = base;
  pS->mapBytes = bytes;
  for (int n = 0; n < OSAL_MAX_DISPLAYS; n++) {
    pS->s.virtDisplays[n] = n < pS->s.nDisplays ? (U32*)((U8*)base + (size_t)n * (size_t)pS->s.displaySize) : nullptr;
  }
  return 0;
}

int omapfb_stop(omapfb_osal_surface_t* pS) {
  if (pS->pvMap == nullptr) return 0;
  int result = munmap(pS->pvMap, pS->mapBytes);
  if (result != 0) {
    perror("omapfb_stop");
    return -1;
  }
  pS->pvMap = nullptr;
  for (U32*& page : pS->s.virtDisplays) page = nullptr;
  return 0;
}

void omapfb_close(omapfb_osal_surface_t* pS) {
  if (pS->s.fd >= 0) close(pS->s.fd);
  pS->s.fd = -1;
  if (pS->rigPageFd >= 0) close(pS->rigPageFd);
  pS->rigPageFd = -1;
  if (g_pS == pS) g_pS = nullptr;
}

void omapfb_getpbuff(omapfb_osal_surface_t* pS, osal_buf_t* pBuf) {
  pBuf->displayIdx = pS->displayIdx;
  pBuf->buffer = pS->s.virtDisplays[pS->displayIdx];
  pS->displayIdx = (pS->displayIdx + 1) % (pS->s.nDisplays > 0 ? pS->s.nDisplays : 1);
}

static void FB_vPanAndWait(omapfb_osal_surface_t* pS, int page) {
  pS->varInfo.xoffset = (U32)g_offset;
  pS->varInfo.yoffset = OMAPFB_YRES * (U32)page;
  xioctl_trace(pS->s.fd, FBIOPAN_DISPLAY, "FBIOPAN_DISPLAY", &pS->varInfo);
  usleep(200);
  U32 arg = 0;
  xioctl_trace(pS->s.fd, FBIO_WAITFORVSYNC, "FBIO_WAITFORVSYNC", &arg);
}

void omapfb_putpbuff(omapfb_osal_surface_t* pS, const osal_buf_t* pBuf) { FB_vPanAndWait(pS, pBuf->displayIdx); }

void omapfb_set_chromakey(omapfb_osal_surface_t* pS, int chroma_val) {
  OMAPFB_COLOR_KEY key;
  memset(&key, 0, sizeof key);
  FB_nIoctl(pS->s.fd, OMAPFB_GET_COLOR_KEY, &key);
  key.trans_key = (U32)chroma_val;
  key.key_type = chroma_val == -1 ? 0 : 2;
  FB_nIoctl(pS->s.fd, OMAPFB_SET_COLOR_KEY, &key);
}

void omapfb_pan(omapfb_osal_surface_t* pS, int xoffset, int) {
  g_offset = xoffset;
  omapfb_osal_surface_t* target = g_pS != nullptr ? g_pS : pS;
  target->varInfo.xoffset = (U32)xoffset;
  xioctl_trace(target->s.fd, FBIOPAN_DISPLAY, "FBIOPAN_DISPLAY", &target->varInfo);
}

void omapfb_fillrgb(omapfb_osal_surface_t* pS, uint32_t rgbValue) {
  osal_buf_t buf;
  omapfb_getpbuff(pS, &buf);
  if (buf.buffer == nullptr) return;
  for (int i = 0; i < pS->s.displaySize / 4; i++) buf.buffer[i] = rgbValue;
  FB_vPanAndWait(pS, buf.displayIdx);
}

void omapfb_dump(omapfb_osal_surface_t* pS) {
  const struct fb_var_screeninfo* v = &pS->varInfo;
  const struct {
    const char* name;
    U32 value;
  } rows[] = {
      {"xres", v->xres},
      {"yres", v->yres},
      {"xres_virtual", v->xres_virtual},
      {"yres_virtual", v->yres_virtual},
      {"xoffset", v->xoffset},
      {"yoffset", v->yoffset},
      {"bits_per_pixel", v->bits_per_pixel},
      {"nonstd", v->nonstd},
      {"activate", v->activate},
      {"height", v->height},
      {"width", v->width},
      {"red.length", v->red.length},
      {"green.length", v->green.length},
      {"blue.length", v->blue.length},
      {"transp.length", v->transp.length},
      {"red.offset", v->red.offset},
      {"green.offset", v->green.offset},
      {"blue.offset", v->blue.offset},
      {"transp.offset", v->transp.offset},
  };
  for (const auto& row : rows) printf("%s = %d\n", row.name, (int)row.value);
}

int omapfb_setformat(omapfb_osal_surface_t* pS, int w, int h, osalcolorspaceenum_t pixfmt) {
  struct fb_var_screeninfo* v = &pS->varInfo;
  switch (pixfmt) {
    case OSAL_VIDEO_RGB24:
      v->bits_per_pixel = 24;
      v->nonstd = 7;
      break;
    case OSAL_VIDEO_ARGB32:
      v->bits_per_pixel = 32;
      v->nonstd = 13;
      v->red = {16, 8, 0};
      v->green = {8, 8, 0};
      v->blue = {0, 8, 0};
      v->transp = {24, 8, 0};
      break;
    case OSAL_VIDEO_RGBA32:
      v->bits_per_pixel = 32;
      v->nonstd = 13;
      v->red = {8, 8, 0};
      v->green = {16, 8, 0};
      v->blue = {24, 8, 0};
      v->transp = {0, 8, 0};
      break;
    case OSAL_VIDEO_RGB565:
      v->bits_per_pixel = 16;
      v->nonstd = 0;
      break;
    case OSAL_VIDEO_YCBCR:
      v->bits_per_pixel = 16;
      v->nonstd = 1;
      break;
    default:
      return -1;
  }
  U32 bits = v->bits_per_pixel;
  v->xres = (U32)w;
  v->yres = (U32)h;
  v->xoffset = 0;
  v->yoffset = 0;
  v->activate = 128;
  v->yres_virtual = 4 * (U32)h;
  int result = xioctl_trace(pS->s.fd, FBIOPUT_VSCREENINFO, "FBIOPUT_VSCREENINFO", v);
  if (result == -1) return result;
  if (v->transp.offset == 0) log_me("ASSERT failed %s:%d", __FILE_NAME__, __LINE__);
  xioctl_trace(pS->s.fd, FBIOGET_VSCREENINFO, "FBIOGET_VSCREENINFO", v);
  xioctl_trace(pS->s.fd, FBIOGET_FSCREENINFO, "FBIOGET_FSCREENINFO", &pS->fixInfo);
  if (v->xres != (U32)w || v->yres != (U32)h || v->bits_per_pixel != bits || v->yres_virtual != 4 * (U32)h) {
    printf("%d, %d, %d\n", w, h, (int)bits);
    return -1;
  }
  pS->s.displaySize = (int)(pS->fixInfo.line_length * (U32)h);
  return 0;
}
