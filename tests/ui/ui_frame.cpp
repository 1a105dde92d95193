#include "ui_frame.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <mutex>

#include "g_truetype.h"
#include "g_box.h"
#include "golden.h"
#include "test_timing.h"
#include "h_database.h"
#include "h_keyboard.h"
#include "h_memory.h"
#include "platform_rig.h"
#include "t_display.h"
#include "t_keyboard.h"
#include "t_messagebox.h"
#include "t_view.h"
#include "t_viewkey.h"
#include "test_tasks.h"
#include "u_keyboard.h"
#include "u_view.h"

// The input event record as this host lays it out.
struct INPUT_EVENT {
  struct timeval time;
  U16 type;
  U16 code;
  S32 value;
};

static const struct {
  MBOX mbox;
  SEMA sema;
} s_aBindings[] = {{M_VIEW, SEMA_MBOX_VIEW},
                   {M_KEYB, SEMA_MBOX_KEYB},
                   {M_VIEWKEY, SEMA_MBOX_VIEWKEY},
                   {M_DISPLAY, SEMA_MBOX_DISPLAY},
                   {M_MESSAGEBOX, SEMA_MBOX_MESSAGEBOX}};

static bool UI_bPublished(const char (&key)[5]) {
  U32 value = 0;
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(FCID(key), &value, &bValid, nullptr) && bValid;
}

void UI_vStart(void) {
  static std::once_flag s_once;
  std::call_once(s_once, [] {
    RIG_Dir();
    RIG_vMakeFramebuffer(1920);
    H_DATABASE_vInit();
    ASSERT_TRUE(G_TRUETYPE_bInit());
    for (const auto& b : s_aBindings) L_MBOX_DefineSema(b.mbox, b.sema);
    H_DATABASE_bUpdateEverythingU32(FCID("TMNU"), (U32)UI_MENU_MBOX, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    ASSERT_EQ(0, TEST_StartTask(VIEWTASK, T_VIEW_vMain));
    ASSERT_EQ(0, TEST_StartTask(VIEWKEYTASK, T_VIEWKEY_vMain));
    ASSERT_EQ(0, TEST_StartTask(KBDTASK, T_KEYBOARD_vMain));
    // The display task asks for POWER as it starts, and only every 100 ms
    // after when the keyboard task is not there yet: a test's settling
    // marker would not wait for that.
    ASSERT_TRUE(UI_bWaitFor([] { return UI_bPublished("TKBD"); }));
    ASSERT_EQ(0, TEST_StartTask(DISPTASK, T_DISPLAY_vMain));
    ASSERT_EQ(0, TEST_StartTask(MESSAGEBOXTASK, T_MESSAGEBOX_vMain));
    ASSERT_TRUE(UI_bWaitFor([] { return UI_bPublished("TVUE") && UI_bPublished("TKBD") && UI_bPublished("TDSP"); }));
    // The view-key task is told only by the tests of it, which then take its keys.
    UI_vSend(M_VIEW, CMD_ID_RUN_SYSTEM);
  });
}

static int UI_nKeypad(void) {
  static int s_fd = open(RIG_Path("/dev/input/event6").c_str(), O_RDWR | O_NONBLOCK);
  return s_fd;
}

void UI_vKey(UI_KEY key, S32 value) {
  INPUT_EVENT event = {};
  event.type = 1;
  event.code = key;
  event.value = value;
  ASSERT_EQ((ssize_t)sizeof event, write(UI_nKeypad(), &event, sizeof event));
}

void UI_vTap(UI_KEY key) {
  INPUT_EVENT events[2] = {};
  events[0].type = events[1].type = 1;
  events[0].code = events[1].code = key;
  events[0].value = 1;  // down, then up
  ASSERT_EQ((ssize_t)sizeof events, write(UI_nKeypad(), events, sizeof events));
}

int UI_nTapClick(UI_KEY key) {
  UI_vForget(SEMA_KEYCLICK_GOOD);
  UI_vForget(SEMA_KEYCLICK_BAD);
  UI_vTap(key);
  int nClick = 0;
  // Whichever click comes first.
  TEST_bWaitUntil(
      [&nClick] {
        if (L_SEMA_WaitTicks(SEMA_KEYCLICK_GOOD, 5) == 0) nClick = 1;
        else if (L_SEMA_WaitTicks(SEMA_KEYCLICK_BAD, 0) == 0) nClick = -1;
        return nClick != 0;
      },
      300);
  return nClick;
}

bool UI_bWaitFor(const std::function<bool()>& bCondition, int ms) { return TEST_bWaitUntil(bCondition, (U64)ms); }

GENERIC_MESSAGE* UI_pReceive(MBOX mbox, int ms) {
  return (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(mbox, (TICKS)TEST_u64SlackMs((U64)ms));
}

bool UI_bNoMail(MBOX mbox, int ms) {
  GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(mbox, (TICKS)ms);
  if (p == nullptr) return true;
  H_MEMORY_vDumpMail(p);
  return false;
}

void UI_vDrain(MBOX mbox) {
  while (void* p = L_MBOX_Receive(mbox)) H_MEMORY_vDumpMail(p);
}

void UI_vForget(SEMA sema) { L_SEMA_SetPending(sema); }

bool UI_bSignalled(SEMA sema, int ms) { return L_SEMA_WaitTicks(sema, (TICKS)TEST_u64SlackMs((U64)ms)) == 0; }

bool UI_bNoSignal(SEMA sema, int ms) { return L_SEMA_WaitTicks(sema, (TICKS)ms) != 0; }

// A marker of an id no task acts on; one the task never takes stays its own.
bool UI_bSettled(MBOX mbox) {
  GENERIC_MESSAGE* pMarker = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof *pMarker);
  pMarker->Cmd = CMD_ID_INVALID_ID;
  if (!UI_bSendAcked(mbox, pMarker)) return false;
  H_MEMORY_vFree(pMarker);
  return true;
}

std::vector<CMD_ID> UI_MenuRequests(void) {
  EXPECT_TRUE(UI_bSettled(M_VIEWKEY) && UI_bSettled(M_VIEW));
  std::vector<CMD_ID> cmds;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(UI_MENU_MBOX)) {
    cmds.push_back(p->Cmd);
    H_MEMORY_vFree(p);
  }
  return cmds;
}

void UI_vSend(MBOX mbox, CMD_ID cmd) {
  GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  pMsg->Cmd = cmd;
  ASSERT_EQ(0, L_MBOX_Send(mbox, pMsg, 3, 0));
}

void UI_vFrame(void) {
  const U32 u32Begun = T_VIEW_u32FramesBegun();
  T_VIEW_vRequestExpeditedViewUpdate();
  ASSERT_TRUE(UI_bWaitFor([u32Begun] { return T_VIEW_u32LastFrameShown() > u32Begun; }));
}

bool UI_bRegister(const UI_LAYER& layer) {
  MSG_REGISTER_LAYER msg = {};
  msg.header.Cmd = CMD_ID_REGISTER_LAYER;
  msg.layer = layer.layer;
  msg.where_used = layer.whereUsed;
  msg.pDrawFunction = layer.pDraw;
  msg.fcidDisplayFlag = layer.displayKey;
  msg.bDisplay = TRUE;
  msg.pSimString = layer.pSimString;
  msg.user = layer.user;
  msg.eLocation = layer.eSplit;
  msg.fcidSplitControl = layer.splitKey;
  msg.bHorizontalSplit = layer.bHorizontal;
  EXPECT_TRUE(UI_bSendAcked(M_VIEW, &msg));
  return msg.flag;
}

static void UI_vDrawBlack(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  POINT origin = {0, 0};
  G_BOX_vDrawFilled(pBitmap, 0x0000, &origin, G_SCREEN_WIDTH, G_SCREEN_HEIGHT);
}

void UI_vShowBlackView(void) {
  ASSERT_TRUE(U_VIEW_bRegisterLayer(UI_vDrawBlack, SONAR_VIEW_PRIORITY, USED_BY_NONE, 0, 0, TRUE, nullptr, nullptr,
                                    nullptr));
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL);
  ASSERT_TRUE(UI_bWaitFor([] { return T_VIEW_eCurrentLayer() == SONAR_VIEW_PRIORITY; }));
}

std::vector<COLOR> UI_Screen(void) { return GOLDEN_RigScreen(RIG_Dir()); }

static std::string UI_GoldenPath(const std::string& name) {
  return UI_GOLDEN_DIR "/" + name + ".png";
}

::testing::AssertionResult UI_MatchGolden(const std::string& name, const std::vector<COLOR>& pixels, U32 u32Width,
                                          U32 u32Height) {
  GOLDEN_PICTURE picture = {pixels.data(), u32Width, u32Height, u32Width};
  return GOLDEN_Match(UI_GoldenPath(name), picture);
}

::testing::AssertionResult UI_ShowsGolden(const std::string& name, int ms, U64 u64GiveUpAtMs) {
  U32 width = 0, height = 0;
  std::vector<U8> rgb;
  std::string error;
  std::vector<COLOR> screen;
  if (GOLDEN_bReadPng(UI_GoldenPath(name), &width, &height, &rgb, &error) && getenv("UPDATE_GOLDEN") == nullptr) {
    GOLDEN_PICTURE picture = {nullptr, G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
    UI_bWaitFor(
        [&] {
          UI_vFrame();
          screen = UI_Screen();
          picture.pPixels = screen.data();
          if (u64GiveUpAtMs != 0 && L_CLOCK_qwGetTimeInMillis() >= u64GiveUpAtMs) return true;
          return screen.size() == (size_t)G_SCREEN_WIDTH * G_SCREEN_HEIGHT && GOLDEN_rgbFromPicture(picture) == rgb;
        },
        ms);
  } else {
    UI_vFrame();
    screen = UI_Screen();
  }
  return UI_MatchGolden(name, screen, G_SCREEN_WIDTH, G_SCREEN_HEIGHT);
}

bool UI_bSendAcked(MBOX mbox, void* pMsg) {
  return L_MBOX_SendWaitTicks(mbox, pMsg, 3, SEMA_USER_TEST, (TICKS)TEST_u64SlackMs(3000)) == 0 &&
         L_MBOX_bIsAcknowledged(pMsg);
}

void UI_vReset(void) {
  // A key a test let go of is taken before the next test: its release
  // polled later would reach whoever holds the keys then (a demonstration
  // pauses for a customer on any key).
  EXPECT_TRUE(UI_bWaitFor([] {
    for (int key = HKEY_POWER; key < HKEY_NUM_KEYS; key++) {
      if (H_KEYBOARD_bIsDown((HKEY_ID)key)) return false;
    }
    return true;
  }));
  std::vector<std::pair<LAYER_ID, SPLIT_WINDOW_TYPE>> panes;
  L_MUTEX_LockWait(RES_VIEW_LIST);
  for (const LAYER_ITEM* p = T_VIEW_psFirstLayer(); p != nullptr; p = p->next) {
    for (const LAYER_ITEM* q = p; q != nullptr; q = q->pSplit) panes.emplace_back(q->layer, q->eSplit);
  }
  L_MUTEX_Unlock(RES_VIEW_LIST);
  for (const auto& pane : panes) {
    MSG_UNREGISTER_LAYER msg = {};
    msg.header.Cmd = CMD_ID_UNREGISTER_LAYER;
    msg.layer = pane.first;
    msg.eLocation = pane.second;
    EXPECT_TRUE(UI_bSendAcked(M_VIEW, &msg));
  }
  for (MBOX mbox : {UI_MBOX_A, UI_MBOX_B, UI_MBOX_C, (MBOX)M_VIEWKEY}) {
    for (int i = 0; i < 4; i++) {
      MSG_UNREGISTER_FOR_KEYS msg = {};
      msg.header.Cmd = CMD_ID_UNREGISTER_FOR_KEYS;
      msg.keys = 0x1F;
      msg.mailbox = mbox;
      EXPECT_TRUE(UI_bSendAcked(M_KEYB, &msg));
    }
    if (mbox != M_VIEWKEY) UI_vDrain(mbox);
  }
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), NO_VIEW_PRIORITY, P_NORMAL);
  UI_bWaitFor([] { return T_VIEW_eCurrentLayer() == NO_VIEW_PRIORITY; });
  UI_vDrain(UI_MENU_MBOX);
}
