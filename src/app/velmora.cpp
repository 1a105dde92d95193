// The unit's process.

#include <signal.h>

#include "linuxsvc.h"
#include "main.h"

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  log_me("%s start", model_string);
  MAIN_vParseOptions(argc, argv);

  LSVC_vInit();

  Main();
}
