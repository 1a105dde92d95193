// A fatal error appends its record to FATAL.LOG in the base directory, where
// it outlives the reset that follows.

#include "error.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "l_internal.h"

static const char FATAL_LOG_NAME[] = "FATAL.LOG";

// The log is opened relative to the base directory, so no joined path is
// built: a base as long as the system accepts is no reason to lose the record.
static int ERROR_nOpenFatalLog(void) {
  const int dir = open(L_UTILS_cpGetPathnamePtr(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return -1;
  const int fd = openat(dir, FATAL_LOG_NAME, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  const int saved = errno;
  close(dir);
  errno = saved;
  return fd;
}

void ERROR_error(const char* file, int line, const char* text) {
  const int fd = ERROR_nOpenFatalLog();
  if (fd < 0) {
    const int saved = errno;
    log_me(" Error opening %s/%s, Result = %d, error %d, %s", L_UTILS_cpGetPathnamePtr(), FATAL_LOG_NAME, fd, saved,
           strerror(saved));
  } else {
    time_t now = time(nullptr);
    char when[64];
    if (ctime_r(&now, when) == nullptr) snprintf(when, sizeof when, "%lld\n", (long long)now);
    dprintf(fd, "%serror: %s in %s at %d\n", when, text, file, line);
    fsync(fd);
    close(fd);
  }
  log_me("error: %s in %s at %d", text, file, line);
}

void ERROR_vFatal(const char* file, int line, const char* text) {
  ERROR_error(file, line, text);
  U_RESET_vReset();
}

void __rt_raise(void) { ERROR_vFatal(__FILE_NAME__, __LINE__, "rt_raise"); }

void LSVC_vInitFailed(const char* file, int line, const char* what) {
  char text[128];
  snprintf(text, sizeof text, "Service layer set-up failed: %s", what);
  ERROR_vFatal(file, line, text);
}
