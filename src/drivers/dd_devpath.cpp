#include "dd_devpath.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>

const char* DD_DEVPATH_pcResolve(const char* pcPath, char* pcBuffer, size_t size) {
  // Read at every open: opens are rare, and tests point a process at a rig
  // after it has started.
  const char* root = getenv("VELMORA_DEVROOT");
  int length = (root != nullptr && root[0] != '\0') ? snprintf(pcBuffer, size, "%s%s", root, pcPath)
                                                    : snprintf(pcBuffer, size, "%s", pcPath);
  if (length < 0 || (size_t)length >= size) return nullptr;
  return pcBuffer;
}

int DD_DEVPATH_nOpen(const char* pcPath, int nFlags) {
  char path[PATH_MAX];
  if (DD_DEVPATH_pcResolve(pcPath, path, sizeof path) == nullptr) {
    errno = ENAMETOOLONG;
    return -1;
  }
  return open(path, nFlags | O_CLOEXEC);
}

FILE* DD_DEVPATH_pfOpen(const char* pcPath, const char* pcMode) {
  char path[PATH_MAX];
  if (DD_DEVPATH_pcResolve(pcPath, path, sizeof path) == nullptr) {
    errno = ENAMETOOLONG;
    return nullptr;
  }
  char mode[8];
  snprintf(mode, sizeof mode, "%se", pcMode);
  return fopen(path, mode);
}
