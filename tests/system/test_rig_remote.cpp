// The unit on a host rig with a scripted remote dongle at the far end of the
// external GPS port: the dongle's hello is acknowledged, and the remote
// task's question for the dongle's mode comes again every second until the
// dongle acknowledges it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "nvram_files.h"
#include "rig_unit.h"
#include "test_process.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

// What the unit writes to the far end until done(text) holds, or until ms
// have passed (stretched as TEST_bWaitUntil stretches them).
std::string ReadUntil(int fd, const std::function<bool(const std::string&)>& done, int ms) {
  std::string text;
  TEST_bWaitUntil(
      [&] {
        char buffer[256];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, (size_t)n);
        return done(text);
      },
      (U64)ms);
  return text;
}

TEST(RigRemote, TheDongleIsAskedItsModeEverySecondUntilItAcknowledges) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir);
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "L_TASK_Start: task 71 ", 20000)) << Out(unit.get());
  const int fd = open((rig.dir + "/serial/ttyO3").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const std::string hello = NmeaLine("PQVM102");
  const std::string question = NmeaLine("PQVM127,01");
  const auto asked = [&](size_t n) { return [&, n](const std::string& text) { return Count(text, question) >= n; }; };
  // The port may still be settling: say hello until the unit answers.
  std::string heard;
  for (int i = 0; i < 20 && heard.find(question) == std::string::npos; i++) {
    ASSERT_EQ((ssize_t)hello.size(), write(fd, hello.data(), hello.size()));
    heard += ReadUntil(fd, asked(1), 500);
  }
  EXPECT_NE(std::string::npos, heard.find(NmeaLine("PQVM125," + hello.substr(hello.size() - 4, 2)))) << heard;
  ASSERT_NE(std::string::npos, heard.find(question)) << heard << "\nthe unit's log:\n" << Out(unit.get());
  heard = ReadUntil(fd, asked(2), 2500);
  EXPECT_GE(Count(heard, question), 2u) << heard;
  const std::string ack = NmeaLine("PQVM125," + question.substr(question.size() - 4, 2));
  ASSERT_EQ((ssize_t)ack.size(), write(fd, ack.data(), ack.size()));
  // A copy already on its way when the acknowledgement came may still go
  // out; after that the unit keeps quiet: no question for longer than it
  // waits between two.
  std::string after;
  for (double lastAsked = Now(); Now() - lastAsked < 2.5 && Count(after, question) <= 1;) {
    const size_t before = Count(after, question);
    after += ReadUntil(fd, asked(1), 500);
    if (Count(after, question) > before) lastAsked = Now();
  }
  EXPECT_LE(Count(after, question), 1u) << "acknowledged: asked no more\n" << after;
  close(fd);
  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// The remote's MOB (Mark held past a second, with "MOB" chosen for it): the
// place is stored with the MOB icon, a note says a man-overboard point was
// marked and is navigated to, the MOB bar tells where, and its elapsed time
// runs. Before the first fix the mark is refused: it is held again until
// the unit reports it.
TEST(RigRemote, TheRemotesManOverboardStoresThePlaceAndShowsTheMobBarCounting) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}, {"SK01", 1}});
  // The note stands right of the depth readout: a still bottom keeps it in one place.
  StillWater(rig.dir, "12");
  auto feed = FixFeed(rig.dir);
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "L_TASK_Start: task 71 ", 20000)) << Out(unit.get());
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "bottom found at", 10000)) << Out(unit.get());
  const int fd = open((rig.dir + "/serial/ttyO3").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  // Key 0 (Mark) is sent as 58 + 0; state 1 down, 0 up.
  const std::string down = NmeaLine("PQVM100,3A,01"), up = NmeaLine("PQVM100,3A,00");
  const std::string marked = "man overboard at waypoint ";
  for (int i = 0; i < 20 && Count(Out(unit.get()), marked) == 0; i++) {
    ASSERT_EQ((ssize_t)down.size(), write(fd, down.data(), down.size()));
    WaitForCount(unit.get(), marked, 1, 1600);
    ASSERT_EQ((ssize_t)up.size(), write(fd, up.data(), up.size()));
    WaitForCount(unit.get(), marked, 1, 500);
  }
  close(fd);
  const std::string out = Out(unit.get());
  const size_t at = out.find(marked);
  ASSERT_NE(std::string::npos, at) << out;
  EXPECT_TRUE(ShowsBannerGolden(rig.dir, "rig_mob_note", 140)) << "the man-overboard note";
  const std::string index = std::to_string(atoi(out.c_str() + at + marked.size()));

  // The record: an 8-byte file head, then the status (saved: 1) in the low
  // six bits and the icon.
  const std::vector<uint8_t> record = nvfiles::Read(rig.dir + "/usr/velmora/wpts/" + index);
  ASSERT_GE(record.size(), 10u) << index;
  EXPECT_EQ(1, record[8] & 0x3F);
  EXPECT_EQ(30, record[9]) << "the MOB icon";

  // The bar across the bottom: the icon, "MOB at:" and the fixed position;
  // right of it the elapsed time, which moves on.
  constexpr U32 kBarTop = 432, kElapsedLeft = 360;
  // The bar comes with the next frame after the mark.
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "rig_mob_bar", 0, kBarTop, kElapsedLeft - 4, 480 - kBarTop));
  const auto elapsed = [&](const std::vector<COLOR>& s) {
    return Box(s, kElapsedLeft, kBarTop, 800 - kElapsedLeft, 480 - kBarTop);
  };
  const std::vector<COLOR> first = elapsed(Screen(rig.dir));
  ASSERT_FALSE(first.empty());
  const auto bMoved = [&](const std::vector<COLOR>& s) { return !s.empty() && elapsed(s) != first; };
  EXPECT_TRUE(bMoved(WaitForScreen(rig.dir, bMoved, 6000))) << "the elapsed time counts";

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
}

}  // namespace
