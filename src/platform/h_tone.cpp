#include "h_tone.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "dd_devpath.h"
#include "linuxsvc.h"

static int s_nHandle = -1;

void H_TONE_vInit(void) {}

void H_TONE_vStartTone(float fFrequency) {
  S32 nFrequency = (S32)fFrequency;
  if (opt_notone) return;
  if (s_nHandle < 0) {
    // Appending: a rig's buzzer is a file that keeps every tone in order.
    s_nHandle = DD_DEVPATH_nOpen("/dev/buzzer0", O_WRONLY | O_APPEND);
    if (s_nHandle < 0) s_nHandle = DD_DEVPATH_nOpen("/dev/buzzer", O_WRONLY | O_APPEND);
    if (s_nHandle < 0) return;
  }
  while (write(s_nHandle, &nFrequency, sizeof nFrequency) < 0 && errno == EINTR) {
  }
}

void H_TONE_vStopTone(void) {
  if (s_nHandle >= 0) close(s_nHandle);
  s_nHandle = -1;
}
