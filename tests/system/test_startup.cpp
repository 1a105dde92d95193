// The unit's start on a host rig: the splash and the start-up menu, the
// state it settles in, the first-start questions, and what a restart keeps.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "nvram_files.h"
#include "rig_unit.h"
#include "test_process.h"

namespace {

using namespace rigunit;

std::vector<std::string> Environment(const std::string& rig, const std::string& base) {
  return {"VELMORA_DEVROOT=" + rig, "VELMORA_CWD=" + base};
}

TEST_RESULT Stop(std::unique_ptr<TEST_PROCESS> unit) {
  TEST_Signal(unit.get(), SIGTERM);
  return TEST_Finish(std::move(unit), 10000);
}

// The run-system order, mailbox by mailbox: display, keyboard, menu, NVR,
// view key, view, serial, in-line test, tone, info, accessory, speed, chart,
// navigation, NMEA, alarm, PC link, water temperature, battery, ping,
// process, history, clock edit, message box, Bluetooth remote.
TEST(StartUp, WithoutKeysTheUnitRunsEightSecondsAfterPowerUpAndTellsEveryTaskInOrder) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  auto unit = TEST_Spawn(kVelmora, {}, Environment(rig.dir, base.dir));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000)) << Out(unit.get());
  TEST_RESULT r = Stop(std::move(unit));
  EXPECT_EQ(2, r.status) << r.out << r.err;
  const double start = TEST_dLogSeconds(r.out, "VORNE7_SONAR_b start");
  const double running = TEST_dLogSeconds(r.out, "system state 3 (normal run)");
  ASSERT_GT(running, 0) << r.out;
  EXPECT_GE(running - start, 7.9);
  const std::string order = "4 10 15 14 6 5 2 26 18 12 23 11 13 16 19 20 21 24 25 8 9 31 62 72 71";
  EXPECT_NE(std::string::npos, r.out.find("run-system sent to 25 tasks: " + order)) << r.out;
  EXPECT_EQ(0u, Count(r.out, "CMNU 1")) << "a unit that was set up asks nothing";
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// The owner's lines come from the personal block, '|' between lines and a
// byte 3 for an empty one.
TEST(StartUp, MenuDuringTheSplashOffersTheStartUpMenuWhoseChoiceStartsFiveSecondsAfterTheLastKey) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  std::string owner = "Jane Doe|+1 555 0100|\x03|Boat: Sea Wren";
  owner.resize(252, '\0');
  std::ofstream(base.dir + "/personal.dat", std::ios::binary) << owner;

  auto unit = TEST_Spawn(kVelmora, {}, Environment(rig.dir, base.dir));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "initialised after", 20000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGolden(rig.dir, "startup_splash"));

  EXPECT_EQ(0, Tool(rig.dir, "key hold MENU --ms 100"));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "start-up menu shown", 5000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGolden(rig.dir, "startup_menu"));
  // Normal, Simulator, System Status.
  EXPECT_EQ(0, Tool(rig.dir, "key hold DOWN --ms 100"));
  const double lastKey = Now();
  EXPECT_EQ(0, Tool(rig.dir, "key hold DOWN --ms 100"));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "system state 7 (diagnostic)", 10000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGolden(rig.dir, "startup_self_test"));

  TEST_RESULT r = Stop(std::move(unit));
  EXPECT_EQ(2, r.status) << r.out << r.err;
  const double started = TEST_dLogSeconds(r.out, "system state 7 (diagnostic)");
  EXPECT_GE(started - lastKey, 4.5);
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

TEST(StartUp, WithoutATransducerAndWithTheDemonstrationOnTheUnitStartsInPointOfSaleAndSaysSo) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  auto unit = TEST_Spawn(kVelmora, {"fake_transducer"}, Environment(rig.dir, base.dir));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "initialised after", 20000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGolden(rig.dir, "startup_no_transducer"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "system state 6 (point of sale)", 10000)) << Out(unit.get());
  TEST_RESULT r = Stop(std::move(unit));
  EXPECT_EQ(2, r.status) << r.out << r.err;
}

// A new unit as the rig tool makes it: its store holds only its serial
// number. The language is chosen in the quick set-up, which EXIT leaves;
// POWER held ends the unit and the next start finds the answers and asks
// nothing.
TEST(StartUp, AFirstStartAsksTheQuestionsOnceAndTheAnswersOutliveAPowerCycle) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  ASSERT_EQ(0, Tool(rig.dir, "unit " + base.dir + " --serial 4711"));
  EXPECT_EQ(4711u, nvfiles::Stored(base.dir, "SENU"));
  auto unit = TEST_Spawn(kVelmora, {}, Environment(rig.dir, base.dir));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "CMNU 1", 20000)) << Out(unit.get());
  // The panel only: the view behind it moves.
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "startup_language", 120, 11, 560, 224));
  // English, Bulgarian, Croatian, Czech: the panel asks on in Czech.
  for (int i = 0; i < 3; i++) EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "write SLNG = 14 taken", 5000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "startup_czech_title", 120, 11, 560, 40));
  // Max Depth, then Water Type: fresh, shallow salt.
  for (const char* key : {"DOWN", "DOWN", "RIGHT"}) {
    EXPECT_EQ(0, Tool(rig.dir, std::string("key hold ") + key + " --ms 100"));
  }
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "write SSWA = 2 taken", 5000)) << Out(unit.get());
  EXPECT_EQ(0, Tool(rig.dir, "key hold EXIT --ms 100"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "quick set-up done", 5000)) << Out(unit.get());
  // Without a fix the express menu has no rows, so MENU opens the main menu,
  // its tabs in Czech too; MENU again closes it.
  const size_t closed = Count(Out(unit.get()), "CMNU 0");
  EXPECT_EQ(0, Tool(rig.dir, "key hold MENU --ms 100"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "open main", 5000)) << Out(unit.get());
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "startup_czech_main_tabs", 120, 11, 560, 40));
  EXPECT_EQ(0, Tool(rig.dir, "key hold MENU --ms 100"));
  EXPECT_TRUE(WaitForCount(unit.get(), "CMNU 0", closed + 1, 5000)) << Out(unit.get());
  EXPECT_EQ(0, Tool(rig.dir, "key press POWER"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "shutdown (power down)", 10000)) << Out(unit.get());
  Tool(rig.dir, "key release POWER");  // refused when the unit has already ended
  TEST_RESULT r = TEST_Finish(std::move(unit), 15000);
  EXPECT_EQ(10, r.status) << r.out << r.err;
  EXPECT_EQ(1u, Count(r.out, "factory defaults restored")) << r.out;
  EXPECT_EQ(1u, Count(r.out, "CMNU 1"));
  EXPECT_LT(r.out.find("settings written"), r.out.find("display off")) << r.out;
  EXPECT_EQ(14u, nvfiles::Stored(base.dir, "SLNG"));
  EXPECT_EQ(2u, nvfiles::Stored(base.dir, "SSWA"));
  EXPECT_EQ(1u, nvfiles::Stored(base.dir, "SQCD"));
  EXPECT_EQ(0u, nvfiles::Stored(base.dir, "SRDF"));
  EXPECT_EQ(2, Tool(rig.dir, "unit " + base.dir)) << "a store is never overwritten";

  unit = TEST_Spawn(kVelmora, {}, Environment(rig.dir, base.dir));
  // The questions would be up before the tasks are told to run.
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000)) << Out(unit.get());
  r = Stop(std::move(unit));
  EXPECT_EQ(0u, Count(r.out, "CMNU 1")) << r.out;
  EXPECT_EQ(0u, Count(r.out, "factory defaults restored")) << r.out;
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

// The view left at the last shutdown (22, big digits) comes back however the
// view-key task and the view task's move off the splash interleave: EXIT
// starts the system at once, and no later write takes the view away again.
// The unit reads it through the rig as a tester would.
TEST(StartUp, TheSavedViewIsBackAfterEveryOneOfTwentyStarts) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}, {"SVEW", 22}});
  for (int start = 0; start < 20; start++) {
    SCOPED_TRACE("start " + std::to_string(start + 1));
    auto unit = TEST_Spawn(kVelmora, {}, Environment(rig.dir, base.dir));
    ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "registered 4 sonar views", 20000)) << Out(unit.get());
    EXPECT_EQ(0, Tool(rig.dir, "key hold EXIT --ms 50"));
    ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "VIEWKEY_vWriteView: update CVEW to 22", 10000)) << Out(unit.get());
    const TEST_RESULT db = ToolRun(rig.dir, {"db", "CVEW"});
    TEST_RESULT r = Stop(std::move(unit));
    EXPECT_EQ("CVEW 22\n", db.out) << db.err;
    const size_t last = r.out.rfind("update CVEW to");
    ASSERT_NE(std::string::npos, last);
    EXPECT_EQ(0u, r.out.compare(last, 17, "update CVEW to 22")) << r.out.substr(last, 80);
    if (HasFailure()) break;
  }
}

// English and Spanish only: the first step east is Spanish (12), where the
// international list has Bulgarian, and there is no second.
TEST(StartUp, ADomesticUnitOffersEnglishAndSpanish) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  nvfiles::Seed(base.dir, {{"NVER", nvfiles::kVersion}, {"SMDL", 584}});
  auto unit = TEST_Spawn(kVelmora, {}, Environment(rig.dir, base.dir));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "CMNU 1", 20000)) << Out(unit.get());
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "write SLNG = 12 taken", 5000)) << Out(unit.get());
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  // The keys are taken in order: once EXIT has closed the set-up, the
  // second step east has had its turn.
  EXPECT_EQ(0, Tool(rig.dir, "key hold EXIT --ms 100"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "quick set-up done", 5000)) << Out(unit.get());
  TEST_RESULT r = Stop(std::move(unit));
  EXPECT_EQ(1u, Count(r.out, "write SLNG")) << r.out;
}

}  // namespace
