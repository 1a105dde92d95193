// Fatal errors: a record appended to FATAL.LOG in the base directory, then
// the reset.

#include "error.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "l_internal.h"

void ERROR_error(const char* file, int line, const char* text) {
  char path[512];
  int length = snprintf(path, sizeof path, "%s/FATAL.LOG", L_UTILS_cpGetPathnamePtr());
  if (length < 0 || (size_t)length >= sizeof path) {
    // A cut path would put the record into some other file.
    log_me(" Error opening %s/FATAL.LOG, Result = %d, error %d, %s", L_UTILS_cpGetPathnamePtr(), -1, ENAMETOOLONG,
           strerror(ENAMETOOLONG));
  } else {
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      int saved = errno;
      log_me(" Error opening %s, Result = %d, error %d, %s", path, fd, saved, strerror(saved));
    } else {
      time_t now = time(nullptr);
      char when[64];
      if (ctime_r(&now, when) == nullptr) snprintf(when, sizeof when, "%lld\n", (long long)now);
      dprintf(fd, "%serror: %s in %s at %d\n", when, text, file, line);
      fsync(fd);
      close(fd);
    }
  }
  log_me("error: %s in %s at %d", text, file, line);
}

void __rt_raise(void) {
  ERROR_error(__FILE_NAME__, __LINE__, "rt_raise");
  U_RESET_vReset();
}

void LSVC_vInitFailed(const char* file, int line, const char* what) {
  char text[128];
  snprintf(text, sizeof text, "Service layer set-up failed: %s", what);
  ERROR_error(file, line, text);
  U_RESET_vReset();
}
