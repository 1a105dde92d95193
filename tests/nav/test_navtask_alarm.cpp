// The navigation alarms as the alarm task receives them: edge-triggered
// off course, the self-clearing past-waypoint alarm whose arrival handler
// runs once however the user and the expiry race, the pop-ups, and the AIS
// alarm that all targets share.

#include <atomic>
#include <thread>

#include "navtask_test.h"
#include "test_timing.h"
#include "ui_texts.h"

namespace {

std::atomic<int> s_nArrivals{0};
std::atomic<NAV_COMPLETE> s_pLastComplete{nullptr};

// An arrival handler that ends the alarm's life at once.
void CountingArrival(NAV_COMPLETE pComplete) {
  s_nArrivals++;
  s_pLastComplete = pComplete;
  if (pComplete != nullptr) pComplete();
}

// One without: the alarm stays outstanding.
void KeepingArrival(NAV_COMPLETE pComplete) {
  s_nArrivals++;
  s_pLastComplete = pComplete;
}

// The notes' clock: each update is a second after the one before.
std::atomic<U64> s_qwNowMs{1000000};
U64 NowMs() { return s_qwNowMs; }
struct FAKE_CLOCK {
  FAKE_CLOCK() { T_NAV_ALARM_vSetClock(NowMs); }
  ~FAKE_CLOCK() { T_NAV_ALARM_vSetClock(nullptr); }
};

void Update(bool off, bool past = false, bool arrival = false, NAV_ARRIVAL_FUNCTION f = CountingArrival) {
  s_qwNowMs += 1000;
  T_NAV_vUpdateAlarms(off, FALSE, past, arrival, f);
}

TEST_F(NavTask, OffCourseIsRaisedOnceClearedOnceAndQuietAfterADismissal) {
  for (int i = 0; i < 30; i++) Update(true);
  EXPECT_EQ(" +7", AlarmLog());
  Update(false);
  Update(false);
  EXPECT_EQ(" -7", AlarmLog());

  Update(true);
  std::vector<NAVTEST_ALARM> raised = Alarms();
  ASSERT_EQ(1u, raised.size());
  EXPECT_EQ("Off Course Alarm", raised[0].text);
  raised[0].pCancel();  // the user dismisses it
  Update(true);
  Update(false);
  EXPECT_EQ("", AlarmLog()) << "nothing to clear once the user dismissed it";
  Update(true);
  EXPECT_EQ(" +7", AlarmLog()) << "the next course error is raised again";
}

TEST_F(NavTask, PastWaypointWinsAndClearsItselfOnTheFifthUpdate) {
  s_nArrivals = 0;
  Update(false, true, true);
  EXPECT_EQ(" +9", AlarmLog());
  for (int i = 0; i < 4; i++) Update(false, true, true);
  EXPECT_EQ("", AlarmLog());
  EXPECT_EQ(0, s_nArrivals.load());
  Update(false, true, true);
  EXPECT_EQ(" -9", AlarmLog());
  EXPECT_EQ(1, s_nArrivals.load());
  EXPECT_EQ(T_NAV_vPastWaypointAlarmCancelledComplete, s_pLastComplete.load());

  // The next one comes only after the handler ended the last.
  s_nArrivals = 0;
  Update(false, false, true, KeepingArrival);
  EXPECT_EQ(" +10", AlarmLog());
  T_NAV_vArrivalAlarmCancelled();  // dismissed: the handler now, no clear later
  EXPECT_EQ(1, s_nArrivals.load());
  for (int i = 0; i < 8; i++) Update(false, true, false, KeepingArrival);
  EXPECT_EQ("", AlarmLog()) << "no new alarm while the handler keeps the last";
  EXPECT_EQ(1, s_nArrivals.load());
  s_pLastComplete.load()();
  Update(false, true, false, KeepingArrival);
  EXPECT_EQ(" +9", AlarmLog());
}

// The alarm task's dismissal against this task's expiry, on two threads, at
// the update where the expiry falls due: the handler runs once either way.
TEST_F(NavTask, ADismissalRacingTheExpiryRunsTheArrivalOnce) {
  H_DATABASE_vDeleteEntry(FCID("TALR"));  // no mail: the race is the point
  // Each round starts a thread: an emulated processor gets fewer.
  const int kRounds = TEST_bEmulated() ? 500 : 10000;
  for (int round = 0; round < kRounds; round++) {
    s_nArrivals = 0;
    Update(false, true);
    for (int i = 0; i < 4; i++) Update(false);
    std::atomic<bool> go{false};
    std::thread user([&] {
      while (!go) {
      }
      T_NAV_vPastWaypointAlarmCancelled();
    });
    go = true;
    Update(false);
    user.join();
    ASSERT_EQ(1, s_nArrivals.load()) << "round " << round;
  }
}

TEST_F(NavTask, NotesGoAfterTheirUpdatesAndANewErrorReplacesTheShownOne) {
  FAKE_CLOCK clock;
  T_NAV_vSetNavUINote(Track_cleared, nullptr, FALSE);
  EXPECT_EQ(" +13", AlarmLog());
  for (int i = 0; i < 4; i++) Update(false);
  EXPECT_EQ("", AlarmLog());
  Update(false);
  EXPECT_EQ(" -13", AlarmLog());

  T_NAV_vSetNavUINoteWithTimeout(MOB_navigation_in_progress, nullptr, 2, FALSE);
  Update(false);
  Update(false);
  EXPECT_EQ(" +13 -13", AlarmLog());

  // Dismissed by the user: nothing left to clear.
  T_NAV_vSetNavUINote(Track_cleared, nullptr, FALSE);
  T_NAV_vUINoteCancelled();
  for (int i = 0; i < 6; i++) Update(false);
  EXPECT_EQ(" +13", AlarmLog());

  T_NAV_vSetNavUIError(Fix_Required);
  T_NAV_vSetNavUIError(No_Routes);
  EXPECT_EQ(" +13 -13 +13", AlarmLog());
}

// Updates held up by a busy task come one right after the other: a note
// still shows for the seconds it asked for.
TEST_F(NavTask, ANoteStaysItsSecondsThoughTheUpdatesComeInABunch) {
  FAKE_CLOCK clock;
  T_NAV_vSetNavUINoteWithTimeout(MOB_navigation_in_progress, nullptr, 2, FALSE);
  EXPECT_EQ(" +13", AlarmLog());
  T_NAV_vUpdateAlarms(FALSE, FALSE, FALSE, FALSE, CountingArrival);
  T_NAV_vUpdateAlarms(FALSE, FALSE, FALSE, FALSE, CountingArrival);
  s_qwNowMs += 1999;
  T_NAV_vUpdateAlarms(FALSE, FALSE, FALSE, FALSE, CountingArrival);
  EXPECT_EQ("", AlarmLog()) << "shown for 1.999 s of its 2";
  s_qwNowMs += 1;
  T_NAV_vUpdateAlarms(FALSE, FALSE, FALSE, FALSE, CountingArrival);
  EXPECT_EQ(" -13", AlarmLog());
}

TEST_F(NavTask, ANoteFillsItsPlaceholder) {
  // The message points into the note buffer: each is read before the next.
  auto shown = [](const char* const* table, const char* param) {
    T_NAV_vSetNavUINote(table, param, param != nullptr);
    const std::vector<NAVTEST_ALARM> a = Alarms();
    return a.size() == 1 ? a[0].text : "?";
  };
  EXPECT_EQ("Waypoint WP007 Created", shown(Waypoint_Created, "WP007"));
  EXPECT_EQ("Waypoint  Created", shown(Waypoint_Created, nullptr));
  EXPECT_EQ("Track cleared", shown(Track_cleared, "ignored"));
}

ais_DeviceInfo Target(U32 mmsi) {
  ais_DeviceInfo t;
  memset(&t, 0, sizeof t);
  t.aisInfo.MMSI = mmsi;
  return t;
}

TEST_F(NavTask, TheAisAlarmEndsWithItsLastTarget) {
  ais_DeviceInfo a = Target(211000001), b = Target(211000002);
  T_NAV_vUpdateAisAlarm(TRUE, &a);
  T_NAV_vUpdateAisAlarm(TRUE, &b);
  std::vector<NAVTEST_ALARM> raised = Alarms();
  ASSERT_EQ(2u, raised.size());
  EXPECT_EQ("AIS Alarm for <211000002>", raised[1].text);
  // The second raise replaces the first, whose callback the alarm task runs:
  // that is no dismissal.
  raised[0].pCancel();
  T_NAV_vUpdateAisAlarm(TRUE, &a);
  T_NAV_vUpdateAisAlarm(FALSE, &a);
  EXPECT_EQ("", AlarmLog()) << "one target still in alarm";
  T_NAV_vUpdateAisAlarm(FALSE, &b);
  T_NAV_vUpdateAisAlarm(FALSE, &b);
  EXPECT_EQ(" -15", AlarmLog());

  // Dismissed: the targets it was raised for stay quiet, a new one is heard.
  T_NAV_vUpdateAisAlarm(TRUE, &a);
  raised = Alarms();
  ASSERT_EQ(1u, raised.size());
  raised[0].pCancel();
  T_NAV_vUpdateAisAlarm(TRUE, &b);
  EXPECT_EQ(" +15", AlarmLog());
  T_NAV_vUpdateAisAlarm(FALSE, &b);
  EXPECT_EQ(" -15", AlarmLog()) << "only the dismissed target is left in alarm";
  T_NAV_vUpdateAisAlarm(FALSE, &a);
  EXPECT_EQ("", AlarmLog());
}

// A boater knows a ship by the name its static report gives, or by its call
// sign before a name came; the banner and the target's own copy both carry
// it, the copy cut to its field.
TEST_F(NavTask, TheAisAlarmNamesTheShipOnceItsNameIsKnown) {
  ais_DeviceInfo a = Target(211000003);
  strcpy(a.aisInfo.Name, "RAMMER");
  a.aisInfo.validityFlag[NAME_FLAG_INDEX] = TRUE;
  T_NAV_vUpdateAisAlarm(TRUE, &a);
  std::vector<NAVTEST_ALARM> raised = Alarms();
  ASSERT_EQ(1u, raised.size());
  EXPECT_EQ("AIS Alarm for RAMMER", raised[0].text);
  EXPECT_STREQ("AIS Alarm for RAMMER", a.sAlarmString);
  T_NAV_vUpdateAisAlarm(FALSE, &a);
  AlarmLog();

  // The banner of an alarm raised and ended again.
  const auto banner = [this](ais_DeviceInfo* t) {
    T_NAV_vUpdateAisAlarm(TRUE, t);
    const std::vector<NAVTEST_ALARM> shown = Alarms();
    T_NAV_vUpdateAisAlarm(FALSE, t);
    AlarmLog();
    return shown.size() == 1 ? shown[0].text : "?";
  };
  ais_DeviceInfo b = Target(211000004);
  strcpy(b.aisInfo.Name, "ABCDEFGHIJKLMNOPQRST");
  b.aisInfo.validityFlag[NAME_FLAG_INDEX] = TRUE;
  EXPECT_EQ("AIS Alarm for ABCDEFGHIJKLMNOPQRST", banner(&b));
  ais_DeviceInfo c = Target(211000005);
  strcpy(c.aisInfo.CallSign, "WDC1234");
  c.aisInfo.validityFlag[CALLSIGN_FLAG_INDEX] = TRUE;
  EXPECT_EQ("AIS Alarm for WDC1234", banner(&c));
}

}  // namespace
