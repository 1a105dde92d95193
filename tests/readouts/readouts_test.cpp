#include "readouts_test.h"

#include <stdio.h>
#include <stdlib.h>

#include <map>
#include <mutex>

#include "g_bmp.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "golden.h"
#include "h_database.h"
#include "h_memory.h"
#include "t_alarm.h"
#include "t_battery.h"
#include "t_info.h"
#include "t_speed.h"
#include "t_startup.h"
#include "t_temp.h"
#include "t_tone.h"
#include "test_tasks.h"
#include "test_timing.h"
#include "u_info.h"
#include "u_menu.h"
#include "u_view.h"

namespace rt {

namespace {

std::mutex s_edgeLock;
std::vector<EDGE> s_edges;
U64 s_u64EdgeStart = 0;

// The buzzer is silenced whether or not it sounds; only a change is an edge.
void Sink(float frequency) {
  std::lock_guard<std::mutex> lock(s_edgeLock);
  const double ms = (double)(L_CLOCK_qwGetTimeInMicros() - s_u64EdgeStart) / 1000.0;
  if (frequency != 0 || (!s_edges.empty() && s_edges.back().frequency != 0)) s_edges.push_back({ms, frequency});
}

const struct {
  TASK task;
  MBOX mbox;
  SEMA sema;
  FOURCHARID key;
  void (*entry)(void);
} kTasks[] = {
    {TONETASK, M_TONE, SEMA_MBOX_TONE, FCID("TTON"), T_TONE_vMain},
    {ALARMTASK, M_ALARM, SEMA_MBOX_ALARM, FCID("TALR"), T_ALARM_vMain},
    {BATTTASK, M_BATTERY, SEMA_MBOX_BATT, FCID("TBAT"), T_BATTERY_vMain},
    {INFOTASK, M_INFO, SEMA_MBOX_INFO, FCID("TINF"), T_INFO_vMain},
    {SPEEDTASK, M_SPEED, SEMA_MBOX_SPEED, FCID("TSPD"), T_SPEED_vMain},
    {WTEMPTASK, M_WTEMP, SEMA_MBOX_WTEMP, FCID("TTEM"), T_TEMP_vMain},
};

void Publish(FOURCHARID key, MBOX mbox) {
  H_DATABASE_bUpdateEverythingU32(key, (U32)mbox, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
}

std::vector<std::string> s_viewLog;
std::map<LAYER_ID, DRAW_FUNCTION*> s_draws;

void PollView(void) {
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(kViewBox)) {
    if (p->Cmd == CMD_ID_REGISTER_LAYER) {
      const MSG_REGISTER_LAYER* r = (const MSG_REGISTER_LAYER*)p;
      s_viewLog.push_back("+" + std::to_string(r->layer));
      s_draws[r->layer] = r->pDrawFunction;
    } else if (p->Cmd == CMD_ID_UNREGISTER_LAYER) {
      s_viewLog.push_back("-" + std::to_string(((const MSG_UNREGISTER_LAYER*)p)->layer));
    }
    H_MEMORY_vDumpMail(p);
  }
}

}  // namespace

void ReadoutsTest::SetUp() {
  static bool s_bOnce = [] {
    for (const auto& t : kTasks) L_MBOX_DefineSema(t.mbox, t.sema);
    return G_TRUETYPE_bInit();
  }();
  ASSERT_TRUE(s_bOnce);
  H_DATABASE_vInit();
  Publish(FCID("TVUE"), kViewBox);
  Publish(FCID("TKBD"), kKeyboardBox);
  Publish(FCID("TMNU"), kMenuBox);
  H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  for (SEMA s : {SEMA_KEYCLICK_GOOD, SEMA_KEYCLICK_BAD, SEMA_VIEW_UPDATE, SEMA_CLEAR_ALARMS, SEMA_FISH_ALARM_LARGE}) {
    L_SEMA_SetPending(s);
  }
  s_viewLog.clear();
  s_draws.clear();
  U_INFO_vForgetRequests();
  T_TONE_vSetSink(Sink, [] { Sink(0); });
  ClearEdges();
}

void ReadoutsTest::Start(unsigned tasks) {
  for (unsigned i = 0; i < sizeof kTasks / sizeof kTasks[0]; i++) {
    if ((tasks & (1u << i)) == 0) {
      Publish(kTasks[i].key, kTasks[i].mbox);
      continue;
    }
    ASSERT_EQ(0, TEST_StartTask(kTasks[i].task, kTasks[i].entry));
    ASSERT_TRUE(WaitFor([&] { return H_DATABASE_bFetchU32(kTasks[i].key, nullptr, nullptr, nullptr); }));
    Sync(kTasks[i].mbox);
  }
}

void ReadoutsTest::TearDown() {
  for (const auto& t : kTasks) {
    // The alarm task gives its pending alarms back to the heap at shutdown.
    if (t.task == ALARMTASK && L_TASK_bIsRunning(t.task)) {
      GENERIC_MESSAGE shutdown = {};
      shutdown.Cmd = CMD_ID_SHUTDOWN;
      L_MBOX_SendWaitTicks(t.mbox, &shutdown, 3, SEMA_USER_TEST, 3000);
    }
    L_TASK_Terminate(t.task);
    EXPECT_TRUE(TEST_bJoinTask(t.task));
    Commands(t.mbox);
  }
  for (MBOX mbox : {kViewBox, kKeyboardBox, kMenuBox}) Commands(mbox);
  T_TONE_vSetSink(nullptr, nullptr);
  T_ALARM_vSetClock(nullptr);
}

std::vector<EDGE> Edges(void) {
  std::lock_guard<std::mutex> lock(s_edgeLock);
  return s_edges;
}

void ClearEdges(void) {
  std::lock_guard<std::mutex> lock(s_edgeLock);
  s_edges.clear();
  s_u64EdgeStart = L_CLOCK_qwGetTimeInMicros();
}

bool WaitForEdges(size_t n, int ms) {
  return WaitFor([n] { return Edges().size() >= n; }, ms);
}

// Every edge is due at its place counted from the burst's first edge, to the
// nearest millisecond, and never comes early; a busy machine only makes it
// late.
void ExpectPulses(const std::vector<EDGE>& edges, size_t first, float frequency, int count, double on, double off) {
  ASSERT_GE(edges.size(), first + 2 * (size_t)count);
  for (int i = 0; i < 2 * count; i++) {
    const EDGE& edge = edges[first + i];
    const double late = edge.ms - edges[first].ms - (i / 2) * (on + off) - (i % 2) * on;
    EXPECT_EQ(i % 2 == 0 ? frequency : 0.0f, edge.frequency) << "edge " << i;
    EXPECT_GE(late, -1.0) << "edge " << i;
  }
}

std::vector<std::string> ViewLog(void) {
  PollView();
  std::vector<std::string> log;
  log.swap(s_viewLog);
  return log;
}

std::vector<std::string> KeyLog(void) {
  std::vector<std::string> log;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(kKeyboardBox)) {
    char text[32];
    if (p->Cmd == CMD_ID_REGISTER_FOR_KEYS) {
      const MSG_REGISTER_FOR_KEYS* r = (const MSG_REGISTER_FOR_KEYS*)p;
      EXPECT_EQ(M_ALARM, r->mailbox);
      EXPECT_EQ(REGISTER_ALARM, r->usage);
      snprintf(text, sizeof text, "+%X/%u", (unsigned)r->keys, (unsigned)r->state);
      log.push_back(text);
    } else if (p->Cmd == CMD_ID_UNREGISTER_FOR_KEYS) {
      snprintf(text, sizeof text, "-%X", (unsigned)((const MSG_UNREGISTER_FOR_KEYS*)p)->keys);
      log.push_back(text);
    }
    H_MEMORY_vDumpMail(p);
  }
  return log;
}

std::vector<CMD_ID> Commands(MBOX mbox) {
  std::vector<CMD_ID> out;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(mbox)) {
    out.push_back(p->Cmd);
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

std::vector<TONE_SEQUENCE> ToneRequests(void) {
  std::vector<TONE_SEQUENCE> out;
  while (MSG_PLAY_TONE* p = (MSG_PLAY_TONE*)L_MBOX_Receive(M_TONE)) {
    if (p->bAlarmTone) out.push_back(p->StandardToneID);
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

void Raise(ALARM_PRIORITY id, ALARM_SET_MESSAGE alarm, bool bExtended) {
  alarm.Priority = id;
  ASSERT_TRUE(U_ALARM_bSetAlarm(&alarm, bExtended));
  Sync(M_ALARM);
}

void Clear(S32 id) {
  ASSERT_TRUE(U_ALARM_bClearAlarm((ALARM_PRIORITY)id));
  Sync(M_ALARM);
}

void Key(U32 key, CURSOR_POSITION cursor, KEY_STATE state, bool bSync) {
  MSG_KEY_CHANGE* p = (MSG_KEY_CHANGE*)H_MEMORY_pvMalloc(sizeof(MSG_KEY_CHANGE));
  *p = {{{}, CMD_ID_KEY_CHANGE}, key, state, 1, cursor, 0};
  ASSERT_EQ(0, L_MBOX_Send(M_ALARM, p, 1, 0));
  if (bSync) Sync(M_ALARM);
}

void Sync(MBOX mbox, SEMA ackSema) {
  GENERIC_MESSAGE marker = {};
  marker.Cmd = CMD_ID_INVALID_ID;
  ASSERT_EQ(0, L_MBOX_SendWaitTicks(mbox, &marker, 3, ackSema, 30000));
  ASSERT_TRUE(L_MBOX_bIsAcknowledged(&marker));
}

std::vector<std::string> AlarmMail(void) {
  std::vector<std::string> out;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_ALARM)) {
    const ALARM_SET_MESSAGE* a = (const ALARM_SET_MESSAGE*)p;
    out.push_back(p->Cmd == CMD_ID_SET_ALARM ? "+" + std::to_string(a->Priority) + "/" +
                                                   std::to_string(a->InitialToneID) + " " + a->pMessageString
                                             : "-" + std::to_string(a->Priority));
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

std::vector<std::string> MenuNames(void) {
  std::vector<std::string> out;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(kMenuBox)) {
    const MSG_MENU_REQUEST* r = (const MSG_MENU_REQUEST*)p;
    if (r->pItemName != nullptr) out.push_back(r->pItemName[0]);
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

void Send(MBOX mbox, CMD_ID cmd) {
  GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
  p->Cmd = cmd;
  ASSERT_EQ(0, L_MBOX_Send(mbox, p, 3, 0));
  Sync(mbox);
}

void ForgetClicks(void) {
  L_SEMA_SetPending(SEMA_KEYCLICK_GOOD);
  L_SEMA_SetPending(SEMA_KEYCLICK_BAD);
}

int Click(int ms) {
  for (int waited = 0; waited <= ms; waited++) {
    if (L_SEMA_WaitTicks(SEMA_KEYCLICK_GOOD, 0) == 0) return 1;
    if (L_SEMA_WaitTicks(SEMA_KEYCLICK_BAD, 0) == 0) return -1;
    L_CLOCK_Sleep(1);
  }
  return 0;
}

bool WaitFor(const std::function<bool()>& condition, int ms) { return TEST_bWaitUntil(condition, (U64)ms); }

U64 StressMs(U64 fallback) {
  const char* text = getenv("VELMORA_STRESS_SECONDS");
  const U64 seconds = text != nullptr ? strtoull(text, nullptr, 10) : 0;
  return 1000 * (seconds > 0 ? seconds : fallback);
}

std::vector<COLOR> Picture(LAYER_ID layer) {
  PollView();
  return Picture(s_draws[layer]);
}

std::vector<COLOR> Picture(DRAW_FUNCTION* pDraw) {
  BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(pBitmap, 0x0000);
  WINDOW_SPECIFICATION windowSpec = {};
  windowSpec.drawWindowType = SPLIT_FULL_WINDOW;
  windowSpec.drawWindow = {0, (S32)G_SCREEN_HEIGHT - 1, (S32)G_SCREEN_WIDTH - 1, 0};
  if (pDraw != nullptr) pDraw(pBitmap, &windowSpec);
  const COLOR* p = (const COLOR*)pBitmap->pBuffer;
  std::vector<COLOR> pixels(p, p + G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  G_BUFFERS_vFreeBitmap(pBitmap);
  return pixels;
}

::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<COLOR>& picture) {
  const GOLDEN_PICTURE golden = {picture.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
  return GOLDEN_Match(READOUTS_GOLDEN_DIR "/" + name + ".png", golden);
}

}  // namespace rt
