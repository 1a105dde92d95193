// The unit's process.

#include <signal.h>

#include "linuxsvc.h"
#include "main.h"

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  log_me("%s start", model_string);
  MAIN_vParseOptions(argc, argv);

  MUTEX_Init();
  SEMA_Init();
  MEM_Init();
  TIMER_Init();
  MBOX_Init();
  QUEUE_Init();
  TASK_Init();

  Main();
}
