// The current-track journal as a crash or a damaged card can leave it: the
// first two bytes say where track.1 ends and track.2 begins in the rest of
// the input. The replay must take only positions inside the Mercator range,
// leave a ring of at most 21,836 points, and an append after it must follow
// the last whole entry.

#include <fcntl.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "h_database.h"
#include "t_nav_nvram_flash.h"
#include "fuzz_support.h"

static std::string s_journal;
static TRACK s_track;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  FUZZ_vInit();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  char rig[] = "/tmp/velmora-fuzz-journal-XXXXXX";
  if (mkdtemp(rig) == nullptr) abort();
  setenv("VELMORA_DEVROOT", rig, 1);
  T_NAV_NVRAM_vInit();
  s_journal = std::string(rig) + "/usr/velmora/cr_track/track.";
  return 0;
}

static void Put(const std::string& path, const uint8_t* data, size_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0 || write(fd, data, size) != (ssize_t)size) abort();
  close(fd);
}

static bool InRange(POINT p) { return p.x >= -20038300 && p.x <= 20038300 && p.y >= -15433198 && p.y <= 15433198; }

static void ScanChecked(void) {
  U16 it = 0;
  POINT pt;
  U32 points = 0;
  while (U_NAV_eScanTrack(&s_track, &it, &pt, nullptr) != TRACKPOINT_INVALID) {
    if (!InRange(pt) || ++points > 21836) abort();
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t split = ((size_t)data[0] << 8 | data[1]) % (size - 1);
  Put(s_journal + "1", data + 2, split);
  Put(s_journal + "2", data + 2 + split, size - 2 - split);
  T_NAV_NVRAM_vScanCurrentTrack(&s_track);
  ScanChecked();
  const S32 offset = T_NAV_NVRAM_s32JournalOffset();
  if (offset < 0 || offset > (S32)(size - 2 - split)) abort();
  if (s_track.sHeader.u16Count == 0) return 0;
  // One more point, journaled and replayed again: the same ring.
  const U32 N = TRACK_DELTA_ENTRIES;
  const U32 previous = (s_track.sHeader.u16FirstDelta + s_track.sHeader.u16Count + N - 2) % N;
  U_NAV_vAddTrackPoint(&s_track, {s_track.sHeader.ptLast.x / 2, s_track.sHeader.ptLast.y / 2}, 1, FALSE);
  const POINT last = s_track.sHeader.ptLast;
  const U32 newest = (s_track.sHeader.u16FirstDelta + s_track.sHeader.u16Count + N - 2) % N;
  for (U32 i = (previous + 1) % N; i != (newest + 1) % N; i = (i + 1) % N) {
    T_NAV_NVRAM_vAddCurrentTrackPoint(&s_track, (U16)i, (U16)newest, FALSE);
  }
  T_NAV_NVRAM_vScanCurrentTrack(&s_track);
  ScanChecked();
  if (s_track.sHeader.ptLast.x != last.x || s_track.sHeader.ptLast.y != last.y) abort();
  return 0;
}
