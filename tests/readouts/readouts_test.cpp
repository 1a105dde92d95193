#include "readouts_test.h"

#include <string.h>

#include <mutex>

#include "g_bmp.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "golden.h"
#include "h_database.h"
#include "h_memory.h"
#include "t_alarm.h"
#include "t_battery.h"
#include "t_startup.h"
#include "t_tone.h"
#include "test_tasks.h"
#include "test_timing.h"
#include "u_keyboard.h"
#include "u_view.h"

namespace rt {

namespace {

std::mutex s_edgeLock;
std::vector<EDGE> s_edges;
U64 s_u64EdgeStart = 0;

double NowMs(void) { return (double)(L_CLOCK_qwGetTimeInMicros() - s_u64EdgeStart) / 1000.0; }

void SinkStart(float frequency) {
  std::lock_guard<std::mutex> lock(s_edgeLock);
  s_edges.push_back({NowMs(), frequency});
}

void SinkStop(void) {
  std::lock_guard<std::mutex> lock(s_edgeLock);
  // The buzzer is silenced whether or not it sounds; only a change is an edge.
  if (!s_edges.empty() && s_edges.back().frequency != 0) s_edges.push_back({NowMs(), 0});
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
};

void Drain(MBOX mbox) {
  while (void* p = L_MBOX_Receive(mbox)) H_MEMORY_vDumpMail(p);
}

void Publish(FOURCHARID key, MBOX mbox) {
  H_DATABASE_bUpdateEverythingU32(key, (U32)mbox, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
}

bool Published(FOURCHARID key) {
  U32 value = 0;
  return H_DATABASE_bFetchU32(key, &value, nullptr, nullptr) && value != 0;
}

}  // namespace

void ReadoutsTest::SetUp() {
  static bool s_bOnce = [] {
    for (const auto& t : kTasks) L_MBOX_DefineSema(t.mbox, t.sema);
    G_TRUETYPE_bInit();
    return true;
  }();
  (void)s_bOnce;
  H_DATABASE_vInit();
  Publish(FCID("TVUE"), kViewBox);
  Publish(FCID("TKBD"), kKeyboardBox);
  Publish(FCID("TMNU"), kMenuBox);
  H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  for (SEMA s : {SEMA_KEYCLICK_GOOD, SEMA_KEYCLICK_BAD, SEMA_VIEW_UPDATE, SEMA_CLEAR_ALARMS, SEMA_INFOBOX_UPDATE,
                 SEMA_FISH_ALARM_LARGE, SEMA_FISH_ALARM_MEDIUM, SEMA_FISH_ALARM_SMALL}) {
    L_SEMA_SetPending(s);
  }
  T_TONE_vSetSink(SinkStart, SinkStop);
  T_ALARM_vSetClock(nullptr);
  ClearEdges();
}

void ReadoutsTest::Start(unsigned tasks) {
  for (unsigned i = 0; i < sizeof kTasks / sizeof kTasks[0]; i++) {
    if ((tasks & (1u << i)) == 0) {
      Publish(kTasks[i].key, kTasks[i].mbox);
      continue;
    }
    ASSERT_EQ(0, TEST_StartTask(kTasks[i].task, kTasks[i].entry));
    ASSERT_TRUE(WaitFor([&] { return Published(kTasks[i].key); }));
    Sync(kTasks[i].mbox);
  }
}

void ReadoutsTest::TearDown() {
  for (const auto& t : kTasks) {
    if (t.task == ALARMTASK && L_TASK_bIsRunning(t.task)) {
      GENERIC_MESSAGE shutdown = {};
      shutdown.Cmd = CMD_ID_SHUTDOWN;
      L_MBOX_SendWaitTicks(t.mbox, &shutdown, 3, SEMA_USER_TEST, 3000);
    }
    L_TASK_Terminate(t.task);
    EXPECT_TRUE(TEST_bJoinTask(t.task));
    Drain(t.mbox);
  }
  for (MBOX mbox : {kViewBox, kKeyboardBox, kMenuBox}) Drain(mbox);
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

// Bursts are heard as edges: a frequency at its start, silence at its end.
// Every edge is due at its place counted from the burst's first edge, to the
// nearest millisecond; it is late only by what a busy machine adds, and a
// late edge does not delay the next.
void ExpectPulses(const std::vector<EDGE>& edges, size_t first, float frequency, int count, double on, double off) {
  const double slack = (double)TEST_u64SlackMs(25);
  ASSERT_GE(edges.size(), first + 2 * (size_t)count);
  const double origin = edges[first].ms;
  for (int i = 0; i < count; i++) {
    const EDGE& start = edges[first + 2 * i];
    const EDGE& stop = edges[first + 2 * i + 1];
    EXPECT_EQ(frequency, start.frequency) << "pulse " << i;
    EXPECT_EQ(0, stop.frequency) << "pulse " << i;
    const double due = origin + i * (on + off);
    EXPECT_GE(start.ms - due, -1.0) << "pulse " << i;
    EXPECT_LE(start.ms - due, slack) << "pulse " << i;
    EXPECT_GE(stop.ms - due - on, -1.0) << "pulse " << i;
    EXPECT_LE(stop.ms - due - on, slack) << "pulse " << i;
  }
}

std::vector<VIEW_REQUEST> ViewRequests(void) {
  std::vector<VIEW_REQUEST> out;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(kViewBox)) {
    if (p->Cmd == CMD_ID_REGISTER_LAYER) {
      const MSG_REGISTER_LAYER* r = (const MSG_REGISTER_LAYER*)p;
      out.push_back({p->Cmd, r->layer, r->pDrawFunction});
    } else if (p->Cmd == CMD_ID_UNREGISTER_LAYER) {
      out.push_back({p->Cmd, ((const MSG_UNREGISTER_LAYER*)p)->layer, nullptr});
    }
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

std::vector<KEY_REQUEST> KeyRequests(void) {
  std::vector<KEY_REQUEST> out;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(kKeyboardBox)) {
    if (p->Cmd == CMD_ID_REGISTER_FOR_KEYS) {
      const MSG_REGISTER_FOR_KEYS* r = (const MSG_REGISTER_FOR_KEYS*)p;
      out.push_back({p->Cmd, r->keys, r->state, r->cursor_mode, r->usage});
      EXPECT_EQ(M_ALARM, r->mailbox);
    } else if (p->Cmd == CMD_ID_UNREGISTER_FOR_KEYS) {
      const MSG_UNREGISTER_FOR_KEYS* r = (const MSG_UNREGISTER_FOR_KEYS*)p;
      out.push_back({p->Cmd, r->keys, KEY_UP, CURSOR_4, 0});
      EXPECT_EQ(M_ALARM, r->mailbox);
    } else {
      out.push_back({p->Cmd, 0, KEY_UP, CURSOR_4, 0});
    }
    H_MEMORY_vDumpMail(p);
  }
  return out;
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
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_TONE)) {
    if (p->Cmd == CMD_ID_PLAY_TONE) {
      const MSG_PLAY_TONE* t = (const MSG_PLAY_TONE*)p;
      EXPECT_TRUE(t->bAlarmTone);
      out.push_back(t->StandardToneID);
    }
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

void Raise(ALARM_PRIORITY id, const ALARM_SET_MESSAGE& alarm, bool bExtended) {
  ALARM_SET_MESSAGE copy = alarm;
  copy.Priority = id;
  ASSERT_TRUE(U_ALARM_bSetAlarm(&copy, bExtended));
  Sync(M_ALARM);
}

void Clear(S32 id) {
  ASSERT_TRUE(U_ALARM_bClearAlarm((ALARM_PRIORITY)id));
  Sync(M_ALARM);
}

void Key(U32 key, CURSOR_POSITION cursor, KEY_STATE state) {
  MSG_KEY_CHANGE* p = (MSG_KEY_CHANGE*)H_MEMORY_pvCalloc(1, sizeof(MSG_KEY_CHANGE));
  p->header.Cmd = CMD_ID_KEY_CHANGE;
  p->key = key;
  p->state = state;
  p->cursor = cursor;
  ASSERT_EQ(0, L_MBOX_Send(M_ALARM, p, 1, 0));
  Sync(M_ALARM);
}

void Sync(MBOX mbox, SEMA ackSema) {
  GENERIC_MESSAGE marker = {};
  marker.Cmd = CMD_ID_INVALID_ID;
  ASSERT_EQ(0, L_MBOX_SendWaitTicks(mbox, &marker, 3, ackSema, 30000));
  ASSERT_TRUE(L_MBOX_bIsAcknowledged(&marker));
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

bool WaitFor(const std::function<bool()>& condition, int ms) {
  for (int waited = 0; waited < ms; waited++) {
    if (condition()) return true;
    L_CLOCK_Sleep(1);
  }
  return condition();
}

PICTURE::PICTURE(DRAW_FUNCTION* pDraw) : pBitmap(G_BUFFERS_pCreateFullScreenBitmap()) {
  G_BMP_vSet(pBitmap, 0x0000);
  WINDOW_SPECIFICATION spec = {};
  spec.drawWindowType = SPLIT_FULL_WINDOW;
  spec.activeWindow = SPLIT_FULL_WINDOW;
  spec.drawWindow = {0, (S32)G_SCREEN_HEIGHT - 1, (S32)G_SCREEN_WIDTH - 1, 0};
  if (pDraw != nullptr) pDraw(pBitmap, &spec);
}

PICTURE::~PICTURE() { G_BUFFERS_vFreeBitmap(pBitmap); }

bool PICTURE::operator==(const PICTURE& other) const {
  const size_t bytes = (size_t)G_SCREEN_WIDTH * G_SCREEN_HEIGHT * sizeof(COLOR);
  return memcmp(pBitmap->pBuffer, other.pBitmap->pBuffer, bytes) == 0;
}

::testing::AssertionResult MatchesGolden(const std::string& name, const PICTURE& picture) {
  return GOLDEN_MatchBitmap(READOUTS_GOLDEN_DIR "/" + name + ".png", picture.pBitmap);
}

DRAW_FUNCTION* Registered(const std::vector<VIEW_REQUEST>& requests, LAYER_ID layer) {
  DRAW_FUNCTION* pDraw = nullptr;
  for (const VIEW_REQUEST& r : requests) {
    if (r.cmd == CMD_ID_REGISTER_LAYER && r.layer == layer) pDraw = r.pDraw;
  }
  return pDraw;
}

}  // namespace rt
