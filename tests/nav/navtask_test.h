// The navigation task on the test's thread: a fresh store under a rig of
// its own, an empty database in the normal run, the task started up, and
// the alarm and menu tasks stood in for by mailboxes the tests read.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <vector>

#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_nav.h"
#include "t_nav_alarm.h"
#include "t_nav_int.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "test_process.h"
#include "u_alarm.h"
#include "u_menu.h"

// One message the alarm stand-in received.
struct NAVTEST_ALARM {
  bool bSet;
  S32 id;
  std::string text;
  ALARM_ACTION pCancel;
};

inline U32 s_u32NavTestMs;
inline U32 NAVTEST_u32Clock(void) { return s_u32NavTestMs; }

class NavTask : public ::testing::Test {
 public:
  std::string m_root;

  void SetUp() override {
    m_root = TEST_MakeTempDir("velmora-navtask");
    setenv("VELMORA_DEVROOT", m_root.c_str(), 1);
    H_DATABASE_vInit();
    T_NAV_vRegisterHooks();
    for (MBOX m : {M_NAV, M_ALARM, M_MENU}) Drain(m);
    State(3);
    H_DATABASE_bUpdateEverythingU32(FCID("TALR"), M_ALARM, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingU32(FCID("TMNU"), M_MENU, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    s_u32NavTestMs = 1;
    NAV_vSetClock(NAVTEST_u32Clock);
    NAV_vStartUp();
    T_NAV_NVRAM_vEraseCurrentTrack();
    Mail();
    for (MBOX m : {M_ALARM, M_MENU}) Drain(m);
  }

  void TearDown() override {
    T_NAV_vEndNavigationNow();
    for (TIMER_INFO** pp : {&g_NAV.pAutoZoom, &g_NAV.pUpdateHideStatusTimer, &g_NAV.pUpdateTimer, &g_NAV.pChartSnap}) {
      if (*pp != nullptr) L_TIMER_Release(*pp);
      *pp = nullptr;
    }
    NAV_vSetClock(nullptr);
    // The next test's task starts as the unit's does, with none of this
    // test's route: its start-up leaves these to the unit's first zeros, and
    // a route travelled in reverse here would be drawn so in the next test.
    for (BOOLEAN* pb : {&g_NAV.bCurrentRouteIsInReverse, &g_NAV.bCurrentRouteHasChanged, &g_NAV.bReverse,
                        &g_NAV.bShortenedRoute, &g_NAV.bInitialTravelBackwards, &g_NAV.bStartedRouteInMiddle,
                        &g_NAV.bRecalculate, &g_NAV.bUnifiedTempRoute}) {
      *pb = FALSE;
    }
    for (MBOX m : {M_NAV, M_ALARM, M_MENU}) Drain(m);
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }

  static void Drain(MBOX m) {
    while (void* p = L_MBOX_Receive(m)) H_MEMORY_vDumpMail(p);
  }
  // The task handles what its mailbox holds.
  static void Mail() { NAV_vHandleEvent(SEMA_MBOX_NAV); }
  static void Send(CMD_ID cmd) {
    GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
    p->Cmd = cmd;
    L_MBOX_Send(M_NAV, p, 3, 0);
    Mail();
  }
  static void State(U32 u32State) { H_DATABASE_bUpdateValueU32(FCID("CCST"), u32State, P_HIGHEST); }

  // A fix at (x, y) Mercator metres, with heading and speed.
  static void Boat(S32 x, S32 y, float hdg = 0.0f, float sog = 0.0f) {
    H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), y, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("ILON"), x, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingU32(FCID("IPFI"), 2, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), hdg, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingFloat(FCID("ISOG"), sog, P_NORMAL, D_SPEED, nullptr, DB_NEVER_STALE);
  }
  static void Tick(int n = 1) {
    for (int i = 0; i < n; i++) {
      s_u32NavTestMs += 1000;
      T_NAV_vHandleUpdateTimer();
    }
  }
  static U16 Waypoint(S32 x, S32 y, const char* name, U8 status = WPT_STATUS_SAVED) {
    WAYPOINT w;
    memset(&w, 0, sizeof w);
    w.u8Status = status;
    w.u32DateTime = 1213461000;
    w.pt = {x, y};
    memcpy(w.sName, name, strnlen(name, sizeof w.sName));
    return T_NAV_nAddWaypoint(&w, FALSE);
  }

  static float Float(FOURCHARID id) {
    float f = -999.0f;
    H_DATABASE_bFetchFloat(id, &f, nullptr, nullptr);
    return f;
  }
  // Value words, whatever the key's type.
  static S32 S32Of(FOURCHARID id) {
    DB_DATA_TYPE v = {};
    v.s32Val = -999;
    H_DATABASE_bFetch(id, &v, nullptr, nullptr);
    return v.s32Val;
  }
  static U32 U32Of(FOURCHARID id) {
    DB_DATA_TYPE v = {};
    v.u32Val = 0xDEADu;
    H_DATABASE_bFetch(id, &v, nullptr, nullptr);
    return v.u32Val;
  }
  static BOOLEAN Bool(FOURCHARID id) {
    BOOLEAN b = 0x55;
    H_DATABASE_bFetchBoolean(id, &b, nullptr, nullptr);
    return b;
  }

  // What reached the alarm stand-in since the last call.
  static std::vector<NAVTEST_ALARM> Alarms() {
    std::vector<NAVTEST_ALARM> out;
    while (void* p = L_MBOX_Receive(M_ALARM)) {
      const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
      if (g->Cmd == CMD_ID_SET_ALARM) {
        const ALARM_SET_MESSAGE* a = (const ALARM_SET_MESSAGE*)p;
        out.push_back({true, a->Priority, a->pMessageString != nullptr ? a->pMessageString : "",
                       a->pFunctionAlarmCancel});
      } else if (g->Cmd == CMD_ID_CLEAR_ALARM) {
        out.push_back({false, ((const ALARM_CLEAR_MESSAGE*)p)->Priority, "", nullptr});
      }
      H_MEMORY_vDumpMail(p);
    }
    return out;
  }
  // The same as "+7" and "-7".
  static std::string AlarmLog() {
    std::string s;
    for (const NAVTEST_ALARM& a : Alarms()) s += (a.bSet ? " +" : " -") + std::to_string(a.id);
    return s;
  }
  // How many menu requests named the item since the last call.
  static int MenuRequests(MENU_TEXT name, std::vector<MSG_MENU_REQUEST>* pAll = nullptr) {
    int n = 0;
    while (void* p = L_MBOX_Receive(M_MENU)) {
      const MSG_MENU_REQUEST* r = (const MSG_MENU_REQUEST*)p;
      if (r->pItemName == name) n++;
      if (pAll != nullptr) pAll->push_back(*r);
      H_MEMORY_vDumpMail(p);
    }
    return n;
  }
};
