// The navigation task with a chart view on screen: the view and pane, the
// chart's scale, the cursor key, and the clicks and notes the user gets.
#pragma once

#include "navtask_test.h"
#include "t_nav_group_data.h"
#include "t_nav_views.h"

class NavViews : public NavTask {
 public:
  void SetUp() override {
    NavTask::SetUp();
    Clicks();
  }

  static void View(S32 view, S32 split = 1) {
    H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), view, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("CVAS"), split, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  }
  // A value word, whatever the key's type.
  static void Put(FOURCHARID id, S32 v) {
    DB_DATA_TYPE word = {};
    word.s32Val = v;
    H_DATABASE_bUpdateEverything(id, word, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  }
  // The chart on screen at this many pixels per 2^20 metres, the boat at (x, y).
  static void Chart(S32 ppm = 1 << 20, S32 x = 1000000, S32 y = 5000000) {
    View(52);
    Put(FCID("ICPM"), ppm);
    Boat(x, y);
    H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), 1213461000u, P_NORMAL, D_DATETIME, nullptr, DB_NEVER_STALE);
  }
  // The cursor already placed at (x, y).
  static void Cursor(S32 x, S32 y) {
    H_DATABASE_bUpdateEverythingBoolean(FCID("ICAC"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    Put(FCID("ICLN"), x);
    Put(FCID("ICLT"), y);
    H_DATABASE_bUpdateEverythingFloat(FCID("ICHD"), 0.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  }
  // 1 accepted, -1 refused, 2 both, 0 none since the last call.
  static int Clicks() {
    int click = 0;
    while (L_SEMA_WaitTicks(SEMA_KEYCLICK_GOOD, 0) == 0) click = 1;
    while (L_SEMA_WaitTicks(SEMA_KEYCLICK_BAD, 0) == 0) click = click == 1 ? 2 : -1;
    return click;
  }
  // The texts of the notes and errors raised since the last call.
  static std::string Notes() {
    std::string s;
    for (const NAVTEST_ALARM& a : Alarms()) {
      if (a.bSet) s += a.text + "|";
    }
    return s;
  }
  static U16 Linked(S32 x, S32 y, const char* name) {
    const U16 w = Waypoint(x, y, name);
    T_NAV_GROUP_DATA_bAddLink(T_NAV_GROUP_DATA_nGetDefaultGroup(), w);
    return w;
  }
  static U16 SavedRoute(std::initializer_list<U16> points, const char* name) {
    ROUTE r;
    memset(&r, 0, sizeof r);
    for (U16 p : points) r.anWaypoint[r.nCount++] = p;
    r.u32DateTime = 1213461000;
    memcpy(r.sName, name, strnlen(name, sizeof r.sName));
    const U16 i = T_NAV_nAddRoute(&r);
    T_NAV_GROUP_DATA_bAddLink(T_NAV_GROUP_DATA_nGetDefaultGroup(), (U16)(NAV_ITEM_ROUTE_BASE | i));
    return i;
  }
};
