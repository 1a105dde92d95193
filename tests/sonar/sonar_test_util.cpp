#include "sonar_test_util.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>

#include "linuxsvc.h"
#include "s_sim.h"
#include "test_process.h"
#include "test_timing.h"

namespace sonartest {

const std::string& RigDir() {
  static const std::string dir = [] {
    std::string rig = TEST_MakeTempDir("velmora-sonar-rig");
    mkdir((rig + "/dev").c_str(), 0777);
    setenv("VELMORA_DEVROOT", rig.c_str(), 1);
    return rig;
  }();
  return dir;
}

void WriteConfig(const std::string& text, bool bNow) {
  const std::string path = RigDir() + "/dev/sonar.cfg";
  std::ofstream(path + ".new") << text;
  rename((path + ".new").c_str(), path.c_str());
  if (bNow) S_SIM_vLoadConfig();
}

bool WaitFor(const std::function<bool()>& condition, int ms) { return TEST_bWaitUntil(condition, (U64)ms); }

}  // namespace sonartest
