// The start-up reader over record files of any content: the input is a
// list of files, each [control][name][length][bytes]: control bits 0-1 pick
// the directory (waypoints, routes, tracks; 3: a waypoint temporary file),
// bit 2 pads the file with zeros to a saved track's size. After the load
// (and its collection) the store must hold what fuzz_navstore.h asks.

#include <fcntl.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "fuzz_navstore.h"
#include "h_database.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "fuzz_support.h"

static std::string s_base;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  FUZZ_vInit();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  char rig[] = "/tmp/velmora-fuzz-load-XXXXXX";
  if (mkdtemp(rig) == nullptr) abort();
  setenv("VELMORA_DEVROOT", rig, 1);
  s_base = std::string(rig) + "/usr/velmora/";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  T_NAV_NVRAM_vErase();
  T_NAV_NVRAM_vInit();
  static const char* const dirs[] = {"wpts/", "routes/", "tracks/", "wpts/"};
  for (size_t at = 0; at + 3 <= size;) {
    const uint8_t control = data[at], name = data[at + 1], length = data[at + 2];
    at += 3;
    const size_t n = length < size - at ? length : size - at;
    std::string path = s_base + dirs[control & 3] + std::to_string(name) + ((control & 3) == 3 ? ".tmp" : "");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) abort();
    if (write(fd, data + at, n) != (ssize_t)n) abort();
    if ((control & 4) && ftruncate(fd, (off_t)(sizeof(FILE_HEADER) + sizeof(TRACK))) != 0) abort();
    close(fd);
    at += n;
  }
  T_NAV_vInitTracksWaypointsRoutes();
  FUZZ_vCheckStore();
  return 0;
}
