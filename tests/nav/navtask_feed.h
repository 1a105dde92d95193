// The positions the kill test feeds the navigation task: point i of the
// boat's way, each far enough from the one before to be a track point.
#pragma once

#include "g_types.h"

inline POINT NAVTASK_FeedPoint(U32 i) {
  return {(S32)(1000000 + i * 40 + i * 37 % 300), (S32)(5000000 + i * 91 % 700)};
}
