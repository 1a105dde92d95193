#include "wptmgr_rig.h"

#include <stdio.h>

#include "g_bmp.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "h_memory.h"
#include "t_nav.h"
#include "t_nav_group.h"
#include "u_view.h"

namespace {

void Publish(FOURCHARID key, MBOX mbox) {
  H_DATABASE_bUpdateEverythingU32(key, (U32)mbox, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
}

void Drain(MBOX mbox, std::vector<std::string>* pLog) {
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(mbox)) {
    char text[32] = {};
    if (p->Cmd == CMD_ID_REGISTER_LAYER) {
      snprintf(text, sizeof text, "+%d", (int)((const MSG_REGISTER_LAYER*)p)->layer);
    } else if (p->Cmd == CMD_ID_UNREGISTER_LAYER) {
      snprintf(text, sizeof text, "-%d", (int)((const MSG_UNREGISTER_LAYER*)p)->layer);
    } else if (p->Cmd == CMD_ID_REGISTER_FOR_KEYS) {
      snprintf(text, sizeof text, "+%X", (unsigned)((const MSG_REGISTER_FOR_KEYS*)p)->keys);
    } else if (p->Cmd == CMD_ID_UNREGISTER_FOR_KEYS) {
      snprintf(text, sizeof text, "-%X", (unsigned)((const MSG_UNREGISTER_FOR_KEYS*)p)->keys);
    }
    if (pLog != nullptr && text[0] != '\0') pLog->push_back(text);
    H_MEMORY_vDumpMail(p);
  }
}

}  // namespace

void Wpm::SetUp() {
  static const bool s_bFonts = G_TRUETYPE_bInit();
  ASSERT_TRUE(s_bFonts);
  T_NAV_vRegisterHooks();
  T_NAV_GROUP_vRegisterHooks();
  NavStore::SetUp();
  Publish(FCID("TVUE"), M_VIEW);
  Publish(FCID("TKBD"), M_KEYB);
  Publish(FCID("TMNU"), M_MENU);
  H_DATABASE_bUpdateEverythingS32(FCID("INCN"), 12, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("SUDS"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  for (SEMA s : {SEMA_KEYCLICK_GOOD, SEMA_KEYCLICK_BAD, SEMA_VIEW_UPDATE}) L_SEMA_SetPending(s);
  Registrations();
}

void Wpm::TearDown() {
  // A cancel of a route of three points or more only asks whether to save
  // it: the navigation a test started would go on into the next test.
  T_NAV_vEndNavigationNow();
  T_NAV_GROUP_vShutdown();
  g_WPM.bWindowUp = FALSE;
  g_WPM.eSortByOrder = SORTBY_ATOZ;
  g_WPM.s16SortByMenuSelection = 0;
  g_WPM.pPopupAlarmWindow = nullptr;
  g_WPM.u16CurrentGroupID = g_WPM.u16ParentGroupID = 0xFFFF;
  Registrations();
  for (MBOX m : {M_MENU, M_NAV}) Drain(m, nullptr);
  NavStore::TearDown();
}

U16 Wpm::Group(const char* name, U16 parent) {
  GROUP_HEADER h = {};
  h.u8Status = WPT_STATUS_GROUP_HEADER;
  h.u16ParentIndex = h.u16FirstBodyIndex = 0xFFFF;
  h.u32DateTime = 0x5F5E1000;
  memcpy(h.sName, name, strnlen(name, sizeof h.sName));
  const U16 g = T_NAV_GROUP_DATA_nNewGroup(&h);
  EXPECT_TRUE(T_NAV_GROUP_DATA_bAddLink(parent == 0xFFFF ? T_NAV_GROUP_DATA_nGetRootGroup() : parent, g));
  return g;
}

U16 Wpm::Waypoint(const char* name, U16 group, S32 x, S32 y, U32 date, U8 icon) {
  WAYPOINT w = NAVTEST_Waypoint(x, y, name);
  w.u32DateTime = date;
  w.u8Icon = icon;
  const U16 id = T_NAV_nAddWaypoint(&w, TRUE);
  EXPECT_NE(0xFFFF, id) << name;
  EXPECT_TRUE(T_NAV_GROUP_DATA_bAddLink(group, id)) << name;
  return id;
}

U16 Wpm::Route(const char* name, U16 group, const std::vector<U16>& points) {
  ROUTE r = {};
  r.nCount = (U32)points.size();
  r.u32DateTime = 0x5F5E1000;
  memcpy(r.sName, name, strnlen(name, sizeof r.sName));
  for (size_t i = 0; i < points.size(); i++) r.anWaypoint[i] = points[i];
  const U16 index = T_NAV_nAddRoute(&r);
  EXPECT_LT(index, 50);
  const U16 id = (U16)(0x8800 | index);
  EXPECT_TRUE(T_NAV_GROUP_DATA_bAddLink(group, id));
  return id;
}

void Wpm::Boat(S32 lat, S32 lon) {
  H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), lat, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ILON"), lon, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
}

BOOLEAN Wpm::Key(U32 key, CURSOR_POSITION cursor) {
  MSG_KEY_CHANGE m = {{{}, CMD_ID_KEY_CHANGE}, key, KEY_DOWN, 1, cursor, 0};
  return T_NAV_GROUP_bHandleKeys(&m);
}

int Wpm::Click(void) {
  int click = 0;
  if (L_SEMA_WaitTicks(SEMA_KEYCLICK_GOOD, 0) == 0) click = 1;
  if (L_SEMA_WaitTicks(SEMA_KEYCLICK_BAD, 0) == 0) click = click == 0 ? -1 : 2;
  return click;
}

std::vector<std::string> Wpm::Names(void) {
  std::vector<std::string> names;
  for (U32 i = 0; i < g_WPM.u16ListCount; i++) {
    char name[32];
    WPM_bItemName(g_WPM.au16ListIDs[i], name, sizeof name);
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> Wpm::Registrations(void) {
  std::vector<std::string> log;
  Drain(M_VIEW, &log);
  Drain(M_KEYB, &log);
  Drain(M_MENU, nullptr);
  return log;
}

S32 Wpm::Zoom(void) {
  S32 zoom = -1;
  H_DATABASE_bFetchS32(FCID("INCN"), &zoom, nullptr, nullptr);
  return zoom;
}

std::vector<COLOR> Wpm::Picture(void) {
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(pBitmap, 0x0000);
  WINDOW_SPECIFICATION windowSpec = {};
  windowSpec.drawWindowType = SPLIT_FULL_WINDOW;
  windowSpec.drawWindow = {0, (S32)G_SCREEN_HEIGHT - 1, (S32)G_SCREEN_WIDTH - 1, 0};
  T_NAV_GROUP_vRender(pBitmap, &windowSpec);
  const COLOR* p = (const COLOR*)pBitmap->pBuffer;
  std::vector<COLOR> pixels(p, p + G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  G_BUFFERS_vFreeBitmap(pBitmap);
  return pixels;
}
