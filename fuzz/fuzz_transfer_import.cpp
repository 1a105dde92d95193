// The import over streams of any content, in blocks of any size: the first
// byte says whether the transport ends the import as complete (bit 0) and
// how the rest is cut into blocks (bits 1-2: 128 bytes, 1,024 bytes, a
// length byte before each block, or one block). Whatever was taken, the
// store must then hold what fuzz_navstore.h asks.

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "fuzz_navstore.h"
#include "h_database.h"
#include "fuzz_support.h"
#include "linuxsvc.h"
#include "t_nav_data.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  FUZZ_vInit();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  char rig[] = "/tmp/velmora-fuzz-import-XXXXXX";
  if (mkdtemp(rig) == nullptr) abort();
  setenv("VELMORA_DEVROOT", rig, 1);
  T_NAV_vInitTracksWaypointsRoutes();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool bComplete = data[0] & 1;
  const int mode = (data[0] >> 1) & 3;
  T_NAV_DATA_vSaveBufferInit();
  std::vector<U8> block;
  for (size_t at = 1; at < size;) {
    size_t n = mode == 0 ? 128 : mode == 1 ? 1024 : mode == 3 ? size - at : data[at++];
    if (at >= size) break;
    if (n > size - at) n = size - at;
    // The transport hands over blocks of its own memory, exactly n long.
    block.assign(data + at, data + at + n);
    T_NAV_DATA_vSaveBufferSegment((U32)n, block.data(), nullptr);
    at += n;
  }
  const BOOLEAN bTaken = T_NAV_DATA_bSaveBufferEnd(bComplete);
  if (bTaken) FUZZ_vCheckStore();
  return 0;
}
