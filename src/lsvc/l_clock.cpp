// Every time of the service layer counts from the process's first monotonic
// reading, so that setting the calendar clock moves none of them. Ticks are
// milliseconds.

#include <errno.h>

#include "l_internal.h"

static std::once_flag s_StartOnce;
static struct timespec s_StartTimespec;

static void CLOCK_vRaw(struct timespec* ts) { clock_gettime(CLOCK_MONOTONIC, ts); }

void CLOCK_internalGetTimespec(struct timespec* ts) {
  std::call_once(s_StartOnce, [] { CLOCK_vRaw(&s_StartTimespec); });
  CLOCK_vRaw(ts);
}

U64 L_CLOCK_qwGetTimeInNans(void) {
  struct timespec now;
  CLOCK_internalGetTimespec(&now);
  S64 ns = (S64)(now.tv_sec - s_StartTimespec.tv_sec) * 1000000000 + (now.tv_nsec - s_StartTimespec.tv_nsec);
  return (U64)ns;
}

U64 L_CLOCK_qwGetTimeInMicros(void) { return L_CLOCK_qwGetTimeInNans() / 1000u; }
U64 L_CLOCK_qwGetTimeInMillis(void) { return L_CLOCK_qwGetTimeInNans() / 1000000u; }
U64 L_CLOCK_qwGetTimeInTicks(void) { return L_CLOCK_qwGetTimeInMillis(); }

static void CLOCK_vAddNanos(struct timespec* ts, U64 nanos) {
  ts->tv_sec += (time_t)(nanos / 1000000000u);
  ts->tv_nsec += (long)(nanos % 1000000000u);
  if (ts->tv_nsec >= 1000000000) {
    ts->tv_sec++;
    ts->tv_nsec -= 1000000000;
  }
}

void L_CLOCK_PrepTimeoutTicks(struct timespec* deadline, TICKS ticks) {
  CLOCK_internalGetTimespec(deadline);
  CLOCK_vAddNanos(deadline, (U64)ticks * 1000000u);
}

void L_CLOCK_PrepTimeoutSeconds(struct timespec* deadline, U32 seconds) {
  CLOCK_internalGetTimespec(deadline);
  deadline->tv_sec += seconds;
}

void L_CLOCK_StoreTimerspec(struct itimerspec* ts, U32 value_ms, U32 interval_ms) {
  ts->it_value.tv_sec = value_ms / 1000;
  ts->it_value.tv_nsec = (long)(value_ms % 1000) * 1000000;
  ts->it_interval.tv_sec = interval_ms / 1000;
  ts->it_interval.tv_nsec = (long)(interval_ms % 1000) * 1000000;
}

U32 L_CLOCK_ScanTimerspec(const struct itimerspec* ts) {
  return (U32)(ts->it_value.tv_sec * 1000 + (ts->it_value.tv_nsec + 500000) / 1000000);
}

// A task asleep is not running: its run ends here as at any other wait.
void L_CLOCK_Sleep(U32 ms) {
  struct timespec left;
  left.tv_sec = ms / 1000;
  left.tv_nsec = (long)(ms % 1000) * 1000000;
  L_TASK_Deactivate();
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
  L_TASK_Activate();
}

// ---------------------------------------------------------------------------
// Ticks as the host services see them: 32 bits, wrapping.

U32 H_TICK_u32ReadFreeRunningTimer(void) { return (U32)(L_CLOCK_qwGetTimeInMicros() / 200u); }
U32 H_TICK_u32ReadFreeRunningTimerInSystemTicks(void) { return (U32)L_CLOCK_qwGetTimeInMillis(); }
U32 H_TICK_u32ReadFreeRunningTimerInMilliSeconds(void) { return (U32)L_CLOCK_qwGetTimeInMillis(); }
U32 H_TICK_u32ElapsedTime(U32 start, U32 end) { return end - start; }

// Fine timers are set by the serial code; nothing reads them back on this board.
static U32 s_u32FastTimer0, s_u32FastTimer1, s_u32FastTimer2;
static void (*s_pfvTurnAroundFn0)(void);
static void (*s_pfvTurnAroundFn1)(void);
static void (*s_pfvTurnAroundFn2)(void);

void H_TICK_vSetFineTimer(U32 timer, U32 value, void (*function)(void)) {
  switch (timer) {
    case 0:
      s_u32FastTimer0 = value;
      s_pfvTurnAroundFn0 = function;
      break;
    case 1:
      s_u32FastTimer1 = value;
      s_pfvTurnAroundFn1 = function;
      break;
    case 2:
      s_u32FastTimer2 = value;
      s_pfvTurnAroundFn2 = function;
      break;
    default:
      break;
  }
}

void H_TICK_vHandleTick(void) {}
