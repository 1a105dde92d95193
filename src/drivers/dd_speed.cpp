#include "dd_speed.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dd_devpath.h"
#include "error.h"

static const char* const SPEED_DEVICE = "/dev/paddlewheel";

static int s_nHandle = -1;
static BOOLEAN s_bRegularFile = FALSE;  // a rig's file holds the count at offset 0
static BOOLEAN s_bPrimed = FALSE;
static U32 s_u32LastCount = 0;

void DD_SPEED_vInit(void) {
  if (s_nHandle >= 0) close(s_nHandle);
  s_bPrimed = FALSE;
  s_nHandle = DD_DEVPATH_nOpen(SPEED_DEVICE, O_RDONLY);
  if (s_nHandle < 0) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "DD_SPEED_vInit open?");
  }
  struct stat st;
  s_bRegularFile = fstat(s_nHandle, &st) == 0 && S_ISREG(st.st_mode);
}

U32 DD_SPEED_u32GetPulses(void) {
  U32 count = 0;
  ssize_t n;
  do {
    n = s_bRegularFile ? pread(s_nHandle, &count, sizeof count, 0) : read(s_nHandle, &count, sizeof count);
  } while (n < 0 && errno == EINTR);
  if (n != (ssize_t)sizeof count) return 0;
  if (!s_bPrimed) {
    s_bPrimed = TRUE;
    s_u32LastCount = count;
    return 0;
  }
  U32 pulses = count - s_u32LastCount;
  s_u32LastCount = count;
  return pulses;
}
