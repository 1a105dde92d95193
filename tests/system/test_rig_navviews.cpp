// Wiping the navigation store from the Setup menu on a host rig.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "rig_unit.h"

namespace {

using namespace rigunit;

size_t Files(const std::string& dir) {
  std::error_code ec;
  size_t n = 0;
  for (auto it = std::filesystem::directory_iterator(dir, ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec)) {
    n++;
  }
  return ec ? 999 : n;
}

// Setup, "Format Nav Directories", Yes: the store is emptied, the unit ends
// with status 5, and the next start makes a new root and nothing else.
TEST(RigNavViews, FormatNavDirectoriesEmptiesTheStoreAndEndsTheUnitWithStatus5) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const std::string base = TEST_MakeTempDir("velmora-base");
  SeedUnit(base, {{"SQCD", 1}});
  const std::string store = rig.dir + "/usr/velmora/";
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "run-system sent to", 20000));
  usleep(500 * 1000);
  EXPECT_GT(Files(store + "wpts"), 0u) << "the root of a new store";
  // Setup is the tab after Alarms; the navigation task's item is its fifth row.
  EXPECT_EQ(0, Tool(rig.dir, "key hold MENU --ms 100"));
  ASSERT_TRUE(WaitForCount(unit.get(), "CMNU 3", 1, 5000));
  for (const char* key : {"RIGHT", "DOWN", "DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"}) {
    EXPECT_EQ(0, Tool(rig.dir, std::string("key hold ") + key + " --ms 100"));
  }
  ASSERT_TRUE(WaitForCount(unit.get(), "action Format Nav Directories", 1, 5000)) << Out(unit.get());
  usleep(500 * 1000);  // the question comes up
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  TEST_RESULT r = TEST_Finish(std::move(unit), 20000);
  EXPECT_EQ(5, r.status) << r.out << r.err;
  for (const char* dir : {"wpts", "routes", "tracks", "cr_track"}) EXPECT_EQ(0u, Files(store + dir)) << dir;

  auto again = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base});
  ASSERT_TRUE(TEST_bWaitForOutput(again.get(), "run-system sent to", 20000));
  usleep(500 * 1000);
  TEST_Signal(again.get(), SIGTERM);
  TEST_RESULT second = TEST_Finish(std::move(again), 10000);
  EXPECT_EQ(2, second.status) << second.out;
  EXPECT_GT(Files(store + "wpts"), 0u);
  EXPECT_EQ(0u, Files(store + "routes"));
  EXPECT_EQ(0u, Files(store + "tracks"));
}

}  // namespace
