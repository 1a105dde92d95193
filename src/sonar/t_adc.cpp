// The analogue-input task. The readings themselves are published by the
// co-processor interface's reader; the task only keeps its mailbox empty, so
// nothing sent to it ever waits.

#include "t_adc.h"

#include <sys/syscall.h>
#include <unistd.h>

#include "h_memory.h"
#include "linuxsvc.h"

constexpr TICKS ADC_WAIT_MS = 1000;

void T_ADC_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  for (;;) {
    if (void* pMsg = L_MBOX_ReceiveWaitTicks(M_ADC, ADC_WAIT_MS)) H_MEMORY_vDumpMail(pMsg);
  }
}
