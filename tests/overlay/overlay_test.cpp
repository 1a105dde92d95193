#include "overlay_test.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>

#include "g_bmp.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "golden.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_nav_nvram_flash.h"
#include "test_process.h"
#include "u_view.h"
#include "u_wstring.h"

namespace ot {

namespace {

void Publish(const char (&pcKey)[5], MBOX mbox) {
  H_DATABASE_bUpdateEverythingU32(FCID(pcKey), (U32)mbox, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
}

void Drain(MBOX mbox, std::vector<std::string>* pLog) {
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(mbox)) {
    char line[32] = {};
    if (p->Cmd == CMD_ID_REGISTER_LAYER) {
      snprintf(line, sizeof line, "+%d", (int)((const MSG_REGISTER_LAYER*)p)->layer);
    } else if (p->Cmd == CMD_ID_UNREGISTER_LAYER) {
      snprintf(line, sizeof line, "-%d", (int)((const MSG_UNREGISTER_LAYER*)p)->layer);
    } else if (p->Cmd == CMD_ID_REGISTER_FOR_KEYS) {
      snprintf(line, sizeof line, "+K %X", (unsigned)((const MSG_REGISTER_FOR_KEYS*)p)->keys);
    } else if (p->Cmd == CMD_ID_UNREGISTER_FOR_KEYS) {
      snprintf(line, sizeof line, "-K %X", (unsigned)((const MSG_UNREGISTER_FOR_KEYS*)p)->keys);
    }
    if (pLog != nullptr && line[0] != 0) pLog->push_back(line);
    H_MEMORY_vDumpMail(p);
  }
}

}  // namespace

void OverlayTest::SetUp() {
  static const bool s_bFonts = G_TRUETYPE_bInit();
  ASSERT_TRUE(s_bFonts);
  m_root = TEST_MakeTempDir("velmora-overlay");
  setenv("VELMORA_DEVROOT", m_root.c_str(), 1);
  H_DATABASE_vInit();
  // The texts' language follows the emptied store (English), not the last
  // test's choice.
  U_WSTRING_vUpdateCurrentLanguage();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  Publish("TVUE", M_VIEW);
  Publish("TKBD", M_KEYB);
  Publish("TMNU", M_MENU);
  T_NAV_vInitTracksWaypointsRoutes();
  T_NAV_EDIT_vResetState();
  Mail();
  Click();
}

void OverlayTest::TearDown() {
  T_NAV_EDIT_vResetState();
  Mail();
  Drain(M_MENU, nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(m_root, ignored);
}

std::vector<std::string> Mail(void) {
  std::vector<std::string> log;
  Drain(M_KEYB, &log);
  Drain(M_VIEW, &log);
  return log;
}

BOOLEAN Key(U32 key, CURSOR_POSITION cursor, U32 count) {
  MSG_KEY_CHANGE msg = {};
  msg.header.Cmd = CMD_ID_KEY_CHANGE;
  msg.key = key;
  msg.state = KEY_DOWN;
  msg.count = count;
  msg.cursor = cursor;
  return T_NAV_EDIT_bHandleKeys(&msg);
}

int Click(void) {
  int click = 0;
  while (L_SEMA_WaitTicks(SEMA_KEYCLICK_GOOD, 0) == 0) click = 1;
  while (L_SEMA_WaitTicks(SEMA_KEYCLICK_BAD, 0) == 0) click = click == 1 ? 2 : -1;
  return click;
}

// The value word, whatever the key's type.
U32 Setting(const char (&pcKey)[5]) {
  DB_DATA_TYPE value = {};
  value.u32Val = 0xDEADBEEF;
  H_DATABASE_bFetch(FCID(pcKey), &value, nullptr, nullptr);
  return value.u32Val;
}

void Set(const char (&pcKey)[5], U32 value) {
  H_DATABASE_bUpdateEverythingU32(FCID(pcKey), value, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

void PutWaypoint(U32 u32Slot, const char* pcName, S32 x, S32 y, U32 u32DateTime) {
  WAYPOINT* p = T_NAV_pGetWaypoint(u32Slot);
  *p = {};
  p->u8Status = WPT_STATUS_SAVED;
  p->u32DateTime = u32DateTime;
  p->pt = {x, y};
  memcpy(p->sName, pcName, std::min(sizeof p->sName, strlen(pcName)));
}

std::vector<COLOR> Picture(void (*pfRender)(BITMAP*, WINDOW_SPECIFICATION_POINTER)) {
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(pBitmap, 0x0000);
  WINDOW_SPECIFICATION windowSpec = {};
  pfRender(pBitmap, &windowSpec);
  const COLOR* p = (const COLOR*)pBitmap->pBuffer;
  std::vector<COLOR> pixels(p, p + G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  G_BUFFERS_vFreeBitmap(pBitmap);
  return pixels;
}

::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<COLOR>& picture) {
  const GOLDEN_PICTURE golden = {picture.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
  return GOLDEN_Match(OVERLAY_GOLDEN_DIR "/" + name + ".png", golden);
}

}  // namespace ot
