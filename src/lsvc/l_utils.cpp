// Small routines the service layer and its callers share: starting a plain
// thread, setting real-time priorities, and number texts.

#include <errno.h>
#include <sched.h>
#include <string.h>

#include "h_memory.h"
#include "l_internal.h"

pthread_t L_UTILS_threadCreateSimpleThread(const char* name, void* (*function)(void*), void* argument) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  int result = pthread_attr_setstacksize(&attr, LSVC_szStackSize(24576));
  if (result != 0) {
    log_me("pthread_attr_setstack result = %d, %d, %s", result, result, strerror(result));
    pthread_attr_destroy(&attr);
    return 0;
  }
  pthread_t thread;
  result = pthread_create(&thread, &attr, function, argument);
  pthread_attr_destroy(&attr);
  if (result != 0) {
    log_me("pthread_create result = %d, %d, %s", result, result, strerror(result));
    return 0;
  }
  char shortName[16];
  snprintf(shortName, sizeof shortName, "%s", name);
  pthread_setname_np(thread, shortName);
  log_me("pthread_create (%s): %lu", name, (unsigned long)thread);
  return thread;
}

BOOLEAN L_UTILS_bSetRealTime(const char* name, int priority) {
  struct sched_param sp = {};
  sp.sched_priority = priority;
  int result = pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp);
  if (result != 0) {
    log_me("[%d]%s: no real-time priority for \"%s\" (%s): normal priority", __LINE__, __func__, name,
           strerror(result));
    return FALSE;
  }
  return TRUE;
}

void show_linux_priority(const char* name) {
  static std::once_flag s_once;
  std::call_once(s_once, [] {
    log_me("sched priorities min %d max %d", sched_get_priority_min(SCHED_FIFO), sched_get_priority_max(SCHED_FIFO));
  });
  int policy;
  struct sched_param sp;
  if (pthread_getschedparam(pthread_self(), &policy, &sp) == 0) {
    log_me("priority for \"%s\" is %d policy %d", name, sp.sched_priority, policy);
  } else {
    log_me("could not get priority for \"%s\"", name);
  }
}

char* itoa(S32 value, char* buffer, int base) {
  char* out = buffer;
  if (base < 2 || base > 36) {
    *out = '\0';
    return buffer;
  }
  U32 magnitude = value < 0 ? 0u - (U32)value : (U32)value;
  if (value < 0) *out++ = '-';
  char digits[33];
  int n = 0;
  do {
    U32 d = magnitude % (U32)base;
    digits[n++] = (char)(d < 10 ? '0' + d : 'A' + d - 10);
    magnitude /= (U32)base;
  } while (magnitude != 0);
  while (n > 0) *out++ = digits[--n];
  *out = '\0';
  return buffer;
}

U32 atoh(const char* text) {
  U32 value = 0;
  for (; text != nullptr && *text != '\0'; text++) {
    char c = *text;
    U32 d;
    if (c >= '0' && c <= '9') {
      d = (U32)(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      d = (U32)(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      d = (U32)(c - 'A' + 10);
    } else {
      break;
    }
    value = value * 16 + d;
  }
  return value;
}

char* U_UTILS_strdup(const char* text) {
  size_t length = strlen(text) + 1;
  char* copy = (char*)H_MEMORY_pvMalloc((U32)length);
  memcpy(copy, text, length);
  return copy;
}
