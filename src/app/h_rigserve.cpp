// Answers a tester's questions about the running unit on a host rig: the
// value of one database key, each task's state and counters, and what the
// menus hold. It only
// reads, and only on a rig: the socket lives in the rig's directory, so a
// unit on its board (no VELMORA_DEVROOT) never offers it.

#include "h_rigserve.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include "dd_devpath.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "linuxsvc.h"
#include "t_menu.h"
#include "u_convert.h"

static const char* const RIGSERVE_SOCKET = "/tmp/velmora/rig.sock";
// A client that does not send its line, or does not read the answer, is
// dropped after this long; the next one is served.
constexpr int RIGSERVE_CLIENT_MS = 1000;
constexpr size_t RIGSERVE_REQUEST_BYTES = 64;

// ---------------------------------------------------------------------------
// The answers

static const char* RIGSERVE_pcState(L_TASK_STATE eState) {
  switch (eState) {
    case L_TASK_RUNNING:
      return "running";
    case L_TASK_WAITING:
      return "waiting";
    case L_TASK_ENDED:
      return "ended";
    default:
      return "not started";
  }
}

// What snprintf wrote, not what it would have written.
static size_t RIGSERVE_szWritten(int n, size_t size) {
  if (n < 0 || size == 0) return 0;
  return (size_t)n < size ? (size_t)n : size - 1;
}

size_t H_RIGSERVE_szStatus(char* pcOut, size_t size) {
  size_t used = RIGSERVE_szWritten(snprintf(pcOut, size, "%3s %-22s %-12s %8s %10s %11s\n", "id", "task", "state",
                                            "mails", "idle ms", "longest ms"),
                                   size);
  for (TASK id = 1; id <= MAINTHREAD_ID; id++) {
    L_TASK_STATUS s;
    if (!L_TASK_bStatus(id, &s)) continue;
    used += RIGSERVE_szWritten(snprintf(pcOut + used, size - used, "%3d %-22s %-12s %8llu %10llu %11llu\n", (int)id,
                                        get_task_name(id), RIGSERVE_pcState(s.eState), (unsigned long long)s.u64Mails,
                                        (unsigned long long)s.u64SinceRunMs, (unsigned long long)s.u64LongestRunMs),
                               size - used);
  }
  return used;
}

static BOOLEAN RIGSERVE_bKeyName(const char* pcKey) {
  if (strlen(pcKey) != 4) return FALSE;
  for (int i = 0; i < 4; i++) {
    if (pcKey[i] < '!' || pcKey[i] > '~') return FALSE;
  }
  return TRUE;
}

// The number as stored and, where the user chooses a unit, as the user reads it.
static int RIGSERVE_nFloat(const char* pcKey, float fValue, DATA_TYPE eType, const char* pcShown, const char* pcStale,
                           char* pcOut, size_t size) {
  const UNIT_TYPE eUnits = H_DATABASE_CurrentUnits(eType);
  if (*pcShown != '\0') return snprintf(pcOut, size, "%s %.6g = %s%s\n", pcKey, (double)fValue, pcShown, pcStale);
  if (eUnits == U_NONE) return snprintf(pcOut, size, "%s %.6g%s\n", pcKey, (double)fValue, pcStale);
  return snprintf(pcOut, size, "%s %.6g = %.2f %s%s\n", pcKey, (double)fValue,
                  dConvertFromInternal(fValue, eType, eUnits), H_DATABASE_pcUnitsString(eUnits, 0), pcStale);
}

size_t H_RIGSERVE_szValue(const char* pcKey, char* pcOut, size_t size) {
  if (!RIGSERVE_bKeyName(pcKey)) {
    return RIGSERVE_szWritten(snprintf(pcOut, size, "? a key is four letters, not \"%.8s\"\n", pcKey), size);
  }
  const FOURCHARID id = (FOURCHARID)((U32)(U8)pcKey[0] | (U32)(U8)pcKey[1] << 8 | (U32)(U8)pcKey[2] << 16 |
                                     (U32)(U8)pcKey[3] << 24);
  DB_DATA_TYPE value = {};
  BOOLEAN bValid = FALSE;
  DB_ATTRIBUTES attributes = {};
  // A key outside the table is one the unit never has: asking the database
  // for it would stop a test build. A live value is only there once its
  // source has given one (the speed over ground after the first fix).
  if (H_DBTABLE_pRow(id) == nullptr) {
    return RIGSERVE_szWritten(snprintf(pcOut, size, "? the unit has no %s\n", pcKey), size);
  }
  if (!H_DATABASE_bFetch(id, &value, &bValid, &attributes)) {
    return RIGSERVE_szWritten(snprintf(pcOut, size, "? %s has no value yet\n", pcKey), size);
  }
  const char* pcStale = bValid ? "" : " (stale)";
  // A setting a menu row sets reads as the row shows it: the name of its
  // choice, or "Auto" rather than a depth of 0 m.
  char acShown[64] = "";
  T_MENU_bValueText(id, acShown, sizeof acShown);
  const char* pcEquals = acShown[0] != '\0' ? " = " : "";
  const DATA_TYPE eType = attributes.DataType;
  const U32 u = value.u32Val;
  int n;
  if (eType == D_FCID) {
    n = snprintf(pcOut, size, "%s %c%c%c%c%s\n", pcKey, (char)(u & 0xFF), (char)(u >> 8 & 0xFF),
                 (char)(u >> 16 & 0xFF), (char)(u >> 24 & 0xFF), pcStale);
  } else {
    switch (H_DATABASE_DataType(eType)) {
      case DF_FLOAT:
        n = RIGSERVE_nFloat(pcKey, value.fVal, eType, acShown, pcStale, pcOut, size);
        break;
      case DF_SIGNED32:
        n = snprintf(pcOut, size, "%s %d%s%s%s\n", pcKey, (int)value.s32Val, pcEquals, acShown, pcStale);
        break;
      case DF_UNSIGNED32:
      case DF_ENUMERATED:
        n = snprintf(pcOut, size, "%s %u%s%s%s\n", pcKey, (unsigned)u, pcEquals, acShown, pcStale);
        break;
      default:
        n = snprintf(pcOut, size, "%s 0x%08x%s\n", pcKey, (unsigned)value.RawData, pcStale);
        break;
    }
  }
  return RIGSERVE_szWritten(n, size);
}

// ---------------------------------------------------------------------------
// The socket

static void RIGSERVE_vAnswer(int fd) {
  const struct timeval limit = {RIGSERVE_CLIENT_MS / 1000, (RIGSERVE_CLIENT_MS % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  char acRequest[RIGSERVE_REQUEST_BYTES + 1];
  size_t have = 0;
  while (have < RIGSERVE_REQUEST_BYTES && memchr(acRequest, '\n', have) == nullptr) {
    const ssize_t n = read(fd, acRequest + have, RIGSERVE_REQUEST_BYTES - have);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    have += (size_t)n;
  }
  acRequest[have] = '\0';
  acRequest[strcspn(acRequest, "\r\n")] = '\0';
  static char s_acAnswer[65536];
  size_t length;
  if (strncmp(acRequest, "db ", 3) == 0) {
    length = H_RIGSERVE_szValue(acRequest + 3, s_acAnswer, sizeof s_acAnswer);
  } else if (strcmp(acRequest, "status") == 0) {
    length = H_RIGSERVE_szStatus(s_acAnswer, sizeof s_acAnswer);
  } else if (strcmp(acRequest, "menus") == 0) {
    length = T_MENU_szMap(s_acAnswer, sizeof s_acAnswer);
  } else {
    length = (size_t)snprintf(s_acAnswer, sizeof s_acAnswer, "? ask \"db KEY\", \"status\" or \"menus\"\n");
  }
  for (size_t sent = 0; sent < length;) {
    const ssize_t n = send(fd, s_acAnswer + sent, length - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    sent += (size_t)n;
  }
}

static void* RIGSERVE_pvThread(void* pvListener) {
  pthread_detach(pthread_self());
  const int listener = (int)(intptr_t)pvListener;
  for (;;) {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      log_me("[%d]%s: the rig's questions are no longer answered: %s", __LINE__, __func__, strerror(errno));
      close(listener);
      return nullptr;
    }
    RIGSERVE_vAnswer(fd);
    close(fd);
  }
}

void H_RIGSERVE_vStart(void) {
  const char* pcRoot = getenv("VELMORA_DEVROOT");
  if (pcRoot == nullptr || *pcRoot == '\0') return;
  struct sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  if (DD_DEVPATH_pcResolve(RIGSERVE_SOCKET, address.sun_path, sizeof address.sun_path) == nullptr) {
    log_me("[%d]%s: the rig's path is too long for its socket: no rig questions answered", __LINE__, __func__);
    return;
  }
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return;
  // A socket left by a unit that ended before is no longer anyone's.
  unlink(address.sun_path);
  if (bind(listener, (const struct sockaddr*)&address, sizeof address) != 0 || listen(listener, 4) != 0) {
    log_me("[%d]%s: cannot answer the rig's questions on %s: %s", __LINE__, __func__, address.sun_path,
           strerror(errno));
    close(listener);
    return;
  }
  if (L_UTILS_threadCreateSimpleThread("rig answers", RIGSERVE_pvThread, (void*)(intptr_t)listener) == 0) {
    close(listener);
    return;
  }
  log_me("[%d]%s: the rig's questions are answered on %s", __LINE__, __func__, address.sun_path);
}
