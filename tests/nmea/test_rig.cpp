// The tasks against the host rig's serial ports and its feed tool, a line that
// stays silent, and a full line while the NMEA task is kept waiting.

#include <math.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "navmath.h"
#include "nmea_line.h"
#include "test_timing.h"
#include "test_process.h"
#include "u_uart.h"

namespace {

using namespace nmt;

const char* const kFixKeys[] = {"ILTD", "ILND", "ILAT", "ILON", "ISOG", "IHDG", "IDTM", "IPFI", "ISAN"};

// Each key the fix writes: valid, and held at the external GPS's priority
// (another value offered at the next weaker priority is refused).
void ExpectHeldByTheExternalGps(bool bValid) {
  for (const char* key : kFixKeys) {
    EXPECT_EQ(bValid, Fetch(key).bValid) << key;
    if (bValid) {
      DB_DATA_TYPE other = Fetch(key).data;
      other.RawData ^= 1;
      EXPECT_TRUE(H_DATABASE_bUpdateValue(Key(key), other, P_INTERNAL_GPS)) << key;
    }
  }
}

// 48 07.038 N 11 31.000 E, 2026-12-07 12:35:19 UTC (date -u -d ... +%s).
constexpr U32 kFixTime = 1796646919;

TEST(Rig, TheRigsFeedGivesAFixHeldByTheExternalGpsThatFadesOnceItStops) {
  if (TEST_bEmulated()) GTEST_SKIP() << "the rig tool's feed is paced for the host's own processor";
  TOOL_RIG rig;
  ASSERT_EQ(0, Tool(rig.dir, "create " + rig.dir));
  if (!std::filesystem::exists(rig.dir + "/serial/ttyO3")) GTEST_SKIP() << "no socat: the rig has no serial ports";
  setenv("VELMORA_DEVROOT", rig.dir.c_str(), 1);
  PrepareUnit();
  ASSERT_NO_FATAL_FAILURE(StartUart());
  ASSERT_NO_FATAL_FAILURE(StartNmea());
  ASSERT_NO_FATAL_FAILURE(WaitNmeaHoldsLine2());
  const char* tz = getenv("TZ");
  const std::string savedTz = tz != nullptr ? tz : "";

  setenv("TZ", "UTC", 1);
  tzset();
  const U64 start = NowMs();
  auto feed = TEST_Spawn("/usr/bin/env", {"python3", kRigTool, "--rig", rig.dir, "feed", "ttyO3", VELMORA_NMEA_FIX,
                                          "--baud", "38400", "--repeat", "3", "--every", "1"});
  EXPECT_TRUE(WaitFor([] { return Fetch("ILTD").bValid && Fetch("ISAN").bValid && Fetch("IDTM").bValid; }, 2000))
      << NowMs() - start << " ms";
  ExpectHeldByTheExternalGps(true);
  EXPECT_EQ(kFixTime, Fetch("IDTM").data.u32Val);
  EXPECT_NEAR(48.1173, Fetch("ILTD").data.fVal, 1e-5);
  EXPECT_NEAR(11.516667, Fetch("ILND").data.fVal, 1e-5);
  POSITION pos = {48.1173, 11.0 + 31.0 / 60};
  POINT mm;
  nv_DegrToMeter(&pos, &mm);
  EXPECT_EQ(mm.y, Fetch("ILAT").data.s32Val);
  EXPECT_EQ(mm.x, Fetch("ILON").data.s32Val);
  EXPECT_EQ(1u, Fetch("IPFI").data.u32Val);
  EXPECT_EQ(8u, Fetch("ISAN").data.u32Val);
  EXPECT_EQ(0, TEST_Finish(std::move(feed), 10000).status);
  // Each value times out four seconds after its last write.
  const auto faded = [] {
    return std::none_of(std::begin(kFixKeys), std::end(kFixKeys), [](const char* k) { return Fetch(k).bValid; });
  };
  EXPECT_TRUE(WaitFor(faded, 6000));
  ExpectHeldByTheExternalGps(false);

  // The date is UTC whatever the process's time zone.
  setenv("TZ", "America/New_York", 1);
  tzset();
  EXPECT_EQ(0, Tool(rig.dir, std::string("feed ttyO3 ") + VELMORA_NMEA_FIX + " --baud 38400"));
  EXPECT_TRUE(WaitFor([] { return Fetch("IDTM").bValid; }, 1000));
  EXPECT_EQ(kFixTime, Fetch("IDTM").data.u32Val);
  setenv("TZ", savedTz.c_str(), 1);
  if (tz == nullptr) unsetenv("TZ");
  tzset();
  StopTasks();
  unsetenv("VELMORA_DEVROOT");
}

class Silence : public Line {};

// A PC link in the PC-connect task's slot: its claim on '#' lines, and how
// often one handed it the channel.
std::atomic<int> s_nPc{0};
void StartPcLink(void) {
  static std::atomic<bool> s_bClaimed{false};
  s_nPc = 0;
  s_bClaimed = false;
  ASSERT_EQ(0, TEST_StartTask(PCCTASK, [] {
    U_UART_bRegisterForChannel(2, '#', SEMA_PC_CONNECT);
    s_bClaimed = true;
    const SEMA events[] = {SEMA_PC_CONNECT, 0};
    for (;;) {
      if (L_SEMA_WaitMultiple(events) == SEMA_PC_CONNECT) s_nPc++;
    }
  }));
  ASSERT_TRUE(WaitFor([] { return s_bClaimed.load(); }, 5000));
  ASSERT_TRUE(Handled(M_COM1A));
}

TEST_F(Silence, AfterTwentySilentSecondsTheChannelGoesBackAt4800ForTheNextClaimant) {
  ASSERT_NO_FATAL_FAILURE(StartUnit());
  ASSERT_NO_FATAL_FAILURE(StartPcLink());
  // The scan passes 4800 on its own too; the hand-back ends at 4800.
  EXPECT_TRUE(WaitFor([] { return !T_UART_bChannelIsOwned(2); }, 22000));
  EXPECT_EQ(4800u, T_UART_u32CurrentBaudRate(2));
  Feed("\r\n#hello\r\n");
  // The claimant's task runs on its own.
  WaitFor([] { return s_nPc.load() > 0; }, 2000);
  EXPECT_EQ(1, s_nPc.load());
  std::string got;
  U16 entry;
  while (L_QUEUE_Get(Q_RECEIVE_UART2, &entry) == 0) got += (char)entry;
  EXPECT_EQ("#hello\r\n", got);
}

// A PC that took the line while the NMEA task had yet to run the system
// (and to learn of connect mode) keeps it: the NMEA task neither takes it
// over nor reads what the PC sends.
TEST_F(Silence, APcLinkThatTookTheLineBeforeTheSystemRanKeepsIt) {
  ASSERT_NO_FATAL_FAILURE(StartUart());
  ASSERT_NO_FATAL_FAILURE(StartPcLink());
  Send(2, "\r\n#T\r\n");
  ASSERT_TRUE(WaitFor([] { return s_nPc.load() == 1; }, 5000));
  ASSERT_NO_FATAL_FAILURE(StartNmea());
  ASSERT_TRUE(Handled(M_COM1A));
  Send(2, "#V\r\n");
  const QUEUE rx = T_UART_nGetQueue(2, FALSE);
  EXPECT_TRUE(WaitFor([&] { return L_QUEUE_Inquire(rx) >= 8; }, 5000));
  std::string got;
  U16 entry;
  while (L_QUEUE_Get(rx, &entry) == 0) got += (char)entry;
  EXPECT_EQ("#T\r\n#V\r\n", got);
  EXPECT_EQ(PCCTASK, T_UART_taskChannelOwner(2));
}

// GGA, RMC, GSV and VDM at the pace of a full 38400-baud line, while the far
// end takes nothing and heading-sensor commands keep the NMEA task waiting for
// room: every sentence is parsed and no byte is lost. A minute of it runs
// with VELMORA_NMEA_LOAD_SECONDS=60.
TEST_F(Silence, AFullLineLosesNothingWhileACommandWaitsForAnUnreadLine) {
  if (TEST_bEmulated()) GTEST_SKIP() << "keeping up with a full line is a promise of the board's own processor";
  ASSERT_NO_FATAL_FAILURE(StartUnit());
  const char* env = getenv("VELMORA_NMEA_LOAD_SECONDS");
  const double seconds = env != nullptr ? atof(env) : 5.0;
  const std::string cycle = WithChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
                            WithChecksum("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,071226,003.1,W") +
                            WithChecksum("GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45") +
                            "!AIVDM,1,1,,A,15MgK45P3@G?fl0E`JbR0OwT0@MS,0*4E\r\n";
  const U32 before = T_NMEA_u32SentencesParsed();
  std::atomic<bool> bDone{false};
  U32 sent = 0;
  bool bStalled = false;
  // What is promised on any machine is that the task goes on reading while
  // its commands wait.
  const auto bRoom = [&] { return RoomToFeed(g_au32Written[master[2]] - writtenBase[2], receivedBase[2], cycle.size()); };
  std::thread feeder([&] {
    const double perByte = 10.0 / 38400;
    const U64 start = NowMs();
    size_t bytes = 0;
    while ((NowMs() - start) / 1000.0 < seconds) {
      if (!WaitFor(bRoom, 5000)) {
        bStalled = true;
        break;
      }
      Send(2, cycle);
      bytes += cycle.size();
      sent += 4;
      SleepUntil(start + (U64)(bytes * perByte * 1000.0));
    }
    bDone = true;
  });
  L_CLOCK_Sleep(500);
  ASSERT_EQ(0, tcflow(slave[2], TCOOFF));
  // One queue's worth goes to the writer, which the stopped line holds, and
  // one fills the queue again.
  const std::string fill(2 * UART_TX2_DEPTH, '-');
  U_UART_bTransmitData(2, (const U8*)fill.data(), (int)fill.size());
  while (!bDone) {
    T_NMEA_vRunCompassTest(TEST_SEND_VERSION);
    L_CLOCK_Sleep(700);
  }
  feeder.join();
  EXPECT_FALSE(bStalled) << "the task stopped reading its line";
  // The line stayed full, so every command had to wait for room.
  EXPECT_EQ((S32)UART_TX2_DEPTH, L_QUEUE_Inquire(Q_TRANSMIT_UART2));
  tcflow(slave[2], TCOON);
  ASSERT_TRUE(Consumed());
  EXPECT_EQ(sent, T_NMEA_u32SentencesParsed() - before);
  EXPECT_EQ(0u, T_UART_u32DroppedBytes(2));
}

}  // namespace
