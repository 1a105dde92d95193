// The requests of the sensor tasks for a readout slot. The speed and the
// water-temperature tasks ask from their own threads, so the request table
// and the search for a free slot run under one lock.

#include "u_info.h"

#include <mutex>

#include "h_database.h"

constexpr U32 INFO_MAX_REQUESTS = 5;
constexpr U32 INFO_WINDOWS = 5;

static std::mutex s_lock;
static U32 s_nRequests = 0;
static FOURCHARID s_fcid[INFO_MAX_REQUESTS];
static U32 s_nWindow[INFO_MAX_REQUESTS];

static const FOURCHARID fcidWindow[INFO_WINDOWS] = {FCID("SIS1"), FCID("SIS2"), FCID("SIS3"), FCID("SIS4"),
                                                    FCID("SIS5")};

static BOOLEAN INFO_bSelectBoxLocked(FOURCHARID fcid, U32 u32Window) {
  if (u32Window < 1 || u32Window > INFO_WINDOWS) return FALSE;
  for (FOURCHARID slot : fcidWindow) {
    U32 value = 0;
    if (H_DATABASE_bFetchU32(slot, &value, nullptr, nullptr) && value == fcid) return TRUE;
  }
  for (U32 n = 0; n < INFO_WINDOWS; n++) {
    const FOURCHARID slot = fcidWindow[(u32Window - 1 + n) % INFO_WINDOWS];
    U32 value = 0;
    if (H_DATABASE_bFetchU32(slot, &value, nullptr, nullptr) && value == 0) {
      H_DATABASE_bUpdateValueU32(slot, fcid, P_NORMAL);
      return TRUE;
    }
  }
  return FALSE;
}

BOOLEAN U_INFO_bSelectBox(FOURCHARID fcidItemToBeDisplayed, U32 u32Desired_window) {
  std::lock_guard<std::mutex> guard(s_lock);
  return INFO_bSelectBoxLocked(fcidItemToBeDisplayed, u32Desired_window);
}

BOOLEAN U_INFO_bDisplayInInfoBox(FOURCHARID fcidItemToBeDisplayed, U32 u32Desired_window) {
  std::lock_guard<std::mutex> guard(s_lock);
  if (s_nRequests >= INFO_MAX_REQUESTS) return FALSE;
  s_fcid[s_nRequests] = fcidItemToBeDisplayed;
  s_nWindow[s_nRequests] = u32Desired_window;
  s_nRequests++;
  return INFO_bSelectBoxLocked(fcidItemToBeDisplayed, u32Desired_window);
}

void U_INFO_vReinitializeInfoBoxes(void) {
  std::lock_guard<std::mutex> guard(s_lock);
  for (U32 i = 0; i < s_nRequests; i++) INFO_bSelectBoxLocked(s_fcid[i], s_nWindow[i]);
}

void U_INFO_vForgetRequests(void) {
  std::lock_guard<std::mutex> guard(s_lock);
  s_nRequests = 0;
}
