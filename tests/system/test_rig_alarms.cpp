// Alarms of the whole unit on a host rig: a supply the rig lowers, the pop-up
// and the buzzer.

#include <gtest/gtest.h>
#include <signal.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "nvram_files.h"
#include "rig_unit.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

// The supply reading is the sonar stand-in's: a lower one in dev/sonar.cfg
// reaches the battery task within a second or two. 1724 reads 10.49 V
// ((1724 / 4 x 227 + 7147) / 100 hundredths), below the stored 11.0 V
// threshold and far above the power-down.
TEST(Rig, ALowSupplyShowsTheLowBatteryPopUpSoundsItsAlertAndAnyKeyAnswersIt) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  const float threshold = 11.0f;
  uint32_t bits = 0;
  memcpy(&bits, &threshold, sizeof bits);
  // The sonar is off, so the view under the pop-up stays still.
  SeedUnit(base.dir, {{"SQCD", 1}, {"SLBV", bits}, {"SSEN", 0}});
  auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "update CVEW to 21", 20000));
  // The transducer's water temperature has its data box before the picture.
  ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "water temperature sensor 0 found", 5000));
  EXPECT_TRUE(ShowsGolden(rig.dir, "rig_empty"));
  const std::vector<COLOR> empty = Screen(rig.dir);

  const std::string cfg = rig.dir + "/dev/sonar.cfg";
  std::ifstream in(cfg);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  text = std::regex_replace(text, std::regex("adc_supply *= *[0-9]+"), "adc_supply = 1724");
  WriteSonarConfig(rig.dir, text);
  // Wait for the banner before the picture: the first screens after the
  // write still show the view alone, and a golden made from one of them
  // would pass only while the battery task is slower than the first look.
  ASSERT_TRUE(WaitForScreen(rig.dir, [&](const std::vector<COLOR>& s) { return !s.empty() && s != empty; }, 20000) !=
              empty)
      << "the low-voltage banner comes";
  EXPECT_TRUE(ShowsGolden(rig.dir, "rig_low_battery", 5000));

  // Each tone appends its frequency to the buzzer as a 4-byte integer.
  std::vector<int32_t> tones;
  TEST_bWaitUntil(
      [&] {
        const std::vector<uint8_t> bytes = nvfiles::Read(rig.dir + "/dev/buzzer0");
        tones.assign(bytes.size() / 4, 0);
        memcpy(tones.data(), bytes.data(), tones.size() * 4);
        return std::count(tones.begin(), tones.end(), 2070) >= 3;
      },
      2000);
  EXPECT_EQ(3, std::count(tones.begin(), tones.end(), 2070)) << "the general alert at Normal pitch";

  EXPECT_EQ(0, Tool(rig.dir, "key hold EXIT --ms 100"));
  EXPECT_TRUE(WaitForScreen(rig.dir, [&](const std::vector<COLOR>& s) { return s == empty; }, 5000) == empty)
      << "the answered pop-up is gone";

  TEST_Signal(unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(unit), 10000);
  EXPECT_EQ(2, r.status) << r.out << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("error:")) << r.out;
}

}  // namespace
