// What the boater set on a rig, through damage and power cuts: a settings
// file cut in half keeps what it still holds, and a change made by the keys
// is kept by a power cut a few seconds later.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <bit>
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

// The slot file cut at its half: the set-up's record (SQCD), the language and
// the water type lie past the cut, the collision limit (SCPA 1.0 NM against
// the factory 0.5) and the serial number before it. The limit stays, the
// set-up questions are asked again without a factory reset, and the count
// the log gives is that of the settings the status file marks past the cut.
TEST(RigSettings, ASettingsFileCutInHalfKeepsWhatItStillHoldsAndAsksTheQuestionsAgain) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}, {"SCPA", std::bit_cast<uint32_t>(1.0f)}, {"SLNG", 5}, {"SSWA", 2}});
  const std::string entries = nvfiles::Path(base.dir, nvfiles::kEntries);
  std::vector<uint8_t> bytes = nvfiles::Read(entries);
  bytes.resize(bytes.size() / 2);
  std::ofstream(entries, std::ios::binary | std::ios::trunc).write((const char*)bytes.data(), (long)bytes.size());
  const std::vector<uint8_t> status = nvfiles::Read(nvfiles::Path(base.dir, nvfiles::kStatus));
  size_t cut = 0;
  for (uint32_t slot = 0; slot < 46656; slot++) cut += nvfiles::Marked(status, slot) && 4 * slot + 4 > bytes.size();
  ASSERT_EQ(3u, cut) << "SQCD, SLNG and SSWA";

  auto unit = TEST_Spawn(kVelmora, {}, Environment(rig.dir, base.dir));
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "CMNU 1", 20000)) << Out(unit.get());
  const TEST_RESULT db = ToolRun(rig.dir, {"db", "SCPA"});
  TEST_Signal(unit.get(), SIGTERM);
  const TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ("SCPA 1\n", db.out) << db.err;
  EXPECT_NE(std::string::npos, r.out.find("settings lost to damage or a change of format (3 counted)")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("note: Some settings could not be read")) << r.out;
  EXPECT_EQ(std::string::npos, r.out.find("factory defaults restored")) << r.out;
}

// Feet chosen under Setup > Units - Depth, then the power cut (kill -9) five
// seconds later: the store holds feet. Restore Defaults confirmed, the power
// cut five seconds later again: the store holds the factory metres.
TEST(RigSettings, APowerCutFiveSecondsAfterAChangeOrRestoreDefaultsKeepsIt) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  SeedUnit(base.dir, {{"SQCD", 1}});
  const auto PowerCutAfter = [&](std::unique_ptr<TEST_PROCESS> unit) {
    sleep(5);
    TEST_Signal(unit.get(), SIGKILL);
    const TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
    EXPECT_EQ(SIGKILL, r.signal) << r.out;
  };
  constexpr uint32_t kMetres = 10, kFeet = 11;

  auto unit = Start(rig.dir, base.dir);
  ASSERT_TRUE(unit);
  for (const char* key : {"MENU", "RIGHT", "RIGHT", "DOWN", "RIGHT"}) {
    EXPECT_EQ(0, Tool(rig.dir, std::string("key hold ") + key + " --ms 100"));
  }
  ASSERT_TRUE(WaitForCount(unit.get(), "write SUDP = 11 taken", 1, 5000)) << Out(unit.get());
  PowerCutAfter(std::move(unit));
  EXPECT_EQ(kFeet, nvfiles::Stored(base.dir, "SUDP"));

  unit = Start(rig.dir, base.dir);
  ASSERT_TRUE(unit);
  for (const char* key : {"MENU", "RIGHT", "RIGHT", "DOWN", "DOWN", "DOWN", "DOWN", "RIGHT"}) {
    EXPECT_EQ(0, Tool(rig.dir, std::string("key hold ") + key + " --ms 100"));
  }
  ASSERT_TRUE(WaitForCount(unit.get(), "confirm Restore Defaults", 1, 5000)) << Out(unit.get());
  EXPECT_EQ(0, Tool(rig.dir, "key hold RIGHT --ms 100"));
  ASSERT_TRUE(WaitForCount(unit.get(), "settings back to their factory values", 1, 5000)) << Out(unit.get());
  PowerCutAfter(std::move(unit));
  EXPECT_EQ(kMetres, nvfiles::Stored(base.dir, "SUDP"));
}

}  // namespace
