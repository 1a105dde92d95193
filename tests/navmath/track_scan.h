// A track's points as its scan hands them out, and an empty track on the
// heap (131 KB is no stack variable), for the tests of the ring and of the
// journal that rebuilds it.
#pragma once

#include <memory>
#include <vector>

#include "u_nav.h"

struct TRACKTEST_POINT {
  POINT pt;
  U16 depth;
  TRACKPOINT_TYPE type;
  bool operator==(const TRACKTEST_POINT& o) const {
    return pt.x == o.pt.x && pt.y == o.pt.y && depth == o.depth && type == o.type;
  }
};

inline std::vector<TRACKTEST_POINT> TRACKTEST_Scan(const TRACK* t) {
  std::vector<TRACKTEST_POINT> out;
  U16 it = 0;
  POINT pt = {0, 0};
  U16 depth = 0;
  for (TRACKPOINT_TYPE type; (type = U_NAV_eScanTrack(t, &it, &pt, &depth)) != TRACKPOINT_INVALID;) {
    out.push_back({pt, depth, type});
  }
  return out;
}

inline std::unique_ptr<TRACK> TRACKTEST_Fresh() {
  auto t = std::make_unique<TRACK>();
  U_NAV_vClearTrack(&t->sHeader);
  return t;
}
