// Settings across restarts: the unit's own process on a fresh base directory,
// and processes killed again and again in the middle of their saves and of
// changes of the store's format.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "nvram_files.h"
#include "nvram_saver.h"
#include "test_process.h"
#include "test_tempdir.h"
#include "test_timing.h"

namespace {

const std::string kSaver = NVRAM_SAVER;

// The helper's board files (the backlight) go to a rig of its own.
std::vector<std::string> SaverEnvironment(const std::string& base) {
  static const std::string s_rig = TEST_MakeTempDir("velmora-saver-rig");
  return {"VELMORA_CWD=" + base, "VELMORA_DEVROOT=" + s_rig};
}

// The unit until its start-up has restored the store and checked its
// version, or until it ends by itself on an error; then it is told to stop.
TEST_RESULT RunUnit(const std::string& base) {
  auto p = TEST_Spawn(std::string(VELMORA_BINARY), {}, {"VELMORA_CWD=" + base});
  bool bFailed = false;
  TEST_bWaitUntil(
      [&] {
        std::lock_guard<std::mutex> guard(p->lock);
        bFailed = p->out.find("error:") != std::string::npos;
        return p->out.find("initialised after") != std::string::npos || bFailed;
      },
      20000);
  // A unit that reported an error ends by itself, with its own status.
  if (!bFailed) TEST_Signal(p.get(), SIGTERM);
  return TEST_Finish(std::move(p), 20000);
}

TEST(Persistence, TheFirstStartCreatesTheStoreWithItsVersion) {
  const std::string base = TEST_MakeTempDir("velmora-nvr");
  TEST_RESULT r = RunUnit(base);
  ASSERT_EQ(2, r.status) << r.out << r.err;
  EXPECT_NE(std::string::npos, r.out.find("T_NVRAM_vMain: store ready")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("software version changed")) << "start-up checks the stored version";
  EXPECT_EQ(5836, nvfiles::Size(nvfiles::Path(base, nvfiles::kStatus)));
  EXPECT_EQ(nvfiles::kVersion, nvfiles::Stored(base, "NVER"));
  EXPECT_EQ(nvfiles::kVersion, nvfiles::Word(nvfiles::Read(nvfiles::Path(base, nvfiles::kEntries)), 186624));
  EXPECT_EQ(-1, nvfiles::Size(nvfiles::Path(base, "sonar.dat"))) << "the blocks are made when first written";
}

TEST(Persistence, AStoreOfAnotherFormatKeepsOnlyTheModelAndScfo) {
  const std::string base = TEST_MakeTempDir("velmora-nvr");
  nvfiles::Seed(base, {{"NVER", 0x00000001}, {"SMDL", 584}, {"SCFO", 7}, {"SLNG", 5}, {"SVEW", 22}, {"CREV", 3}});
  TEST_RESULT r = RunUnit(base);
  ASSERT_EQ(2, r.status) << r.out << r.err;
  EXPECT_EQ(nvfiles::kVersion, nvfiles::Stored(base, "NVER"));
  EXPECT_EQ(584u, nvfiles::Stored(base, "SMDL"));
  EXPECT_EQ(7u, nvfiles::Stored(base, "SCFO"));
  for (const char* key : {"SLNG", "SVEW", "CREV"}) EXPECT_FALSE(nvfiles::Stored(base, key)) << key;
}

void CopyStore(const std::string& from, const std::string& to) {
  for (const char* name : {nvfiles::kStatus, nvfiles::kEntries, nvfiles::kHeaderCopy}) {
    const std::vector<uint8_t> bytes = nvfiles::Read(nvfiles::Path(from, name));
    std::ofstream(nvfiles::Path(to, name), std::ios::binary).write((const char*)bytes.data(), (long)bytes.size());
  }
}

void Resize(const std::string& path, size_t bytes) {
  std::vector<uint8_t> data = nvfiles::Read(path);
  data.resize(bytes);
  std::ofstream(path, std::ios::binary | std::ios::trunc).write((const char*)data.data(), (long)data.size());
}

void PutWord(const std::string& dir, const std::string& key, uint32_t value) {
  const std::string path = nvfiles::Path(dir, nvfiles::kEntries);
  std::vector<uint8_t> data = nvfiles::Read(path);
  nvfiles::Put(data, 4 * nvfiles::Slot(key), value);
  std::ofstream(path, std::ios::binary | std::ios::trunc).write((const char*)data.data(), (long)data.size());
}

// A unit that has run once (model 584, serial number 4711), its settings
// store then damaged each way a pulled card or a cut power damages it. The
// serial number and the model survive (the model's default is 585, a lost
// serial number 0xFFFFFFFF), the unit never runs as a burn-in unit or as a
// model it does not know, the one note tells of the damage, and the mended
// store holds both again for the next start.
TEST(Persistence, EveryDamageOfTheSettingsStoreKeepsTheSerialNumberAndModelAndIsTold) {
  const TEST_TEMP_DIR unit{TEST_MakeTempDir("velmora-unit")};
  nvfiles::Seed(unit.dir, {{"NVER", nvfiles::kVersion}, {"SMDL", 584}, {"SENU", 4711}, {"SQCD", 1}});
  TEST_RESULT r = RunUnit(unit.dir);
  ASSERT_EQ(2, r.status) << r.out << r.err;
  ASSERT_EQ(std::string::npos, r.out.find("could not be read")) << r.out;
  const std::string status = nvfiles::kStatus, entries = nvfiles::kEntries;
  std::mt19937 random(584);
  const struct {
    const char* what;
    std::function<void(const std::string&)> damage;
  } rows[] = {
      {"status file missing", [&](const std::string& d) { unlink(nvfiles::Path(d, status.c_str()).c_str()); }},
      {"status file empty", [&](const std::string& d) { Resize(nvfiles::Path(d, status.c_str()), 0); }},
      {"status file short", [&](const std::string& d) { Resize(nvfiles::Path(d, status.c_str()), 1000); }},
      {"status file of garbage",
       [&](const std::string& d) {
         std::vector<uint8_t> garbage(nvfiles::kStatusBytes);
         for (uint8_t& byte : garbage) byte = (uint8_t)random();
         std::ofstream(nvfiles::Path(d, status.c_str()), std::ios::binary | std::ios::trunc)
             .write((const char*)garbage.data(), (long)garbage.size());
       }},
      {"entries cut before the serial number",
       [&](const std::string& d) { Resize(nvfiles::Path(d, entries.c_str()), 4 * nvfiles::Slot("SENU") - 4); }},
      {"garbage version word", [&](const std::string& d) { PutWord(d, "NVER", 0x5EE1F00Du); }},
      {"garbage model number", [&](const std::string& d) { PutWord(d, "SMDL", 3901694137u); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-damaged")};
    CopyStore(unit.dir, base.dir);
    row.damage(base.dir);
    r = RunUnit(base.dir);
    EXPECT_EQ(2, r.status) << r.out << r.err;
    EXPECT_NE(std::string::npos, r.out.find("note: Some settings could not be read")) << r.out;
    EXPECT_EQ(std::string::npos, r.out.find("burn-in prepared")) << r.out;
    EXPECT_EQ(std::string::npos, r.out.find("is not one of ours")) << r.out;
    EXPECT_EQ(4711u, nvfiles::Stored(base.dir, "SENU"));
    EXPECT_EQ(584u, nvfiles::Stored(base.dir, "SMDL"));
  }
}

TEST(Persistence, ABaseThatIsNoDirectoryIsAHardwareFailure) {
  const std::string base = TEST_MakeTempDir("velmora-nvr") + "/plain-file";
  std::ofstream(base) << "not a directory";
  TEST_RESULT r = RunUnit(base);
  EXPECT_EQ(10, r.status);
  EXPECT_NE(std::string::npos, r.out.find("error: NVR Hardware Failure")) << r.out;
}

// ---------------------------------------------------------------------------
// Killed in the middle of saves

struct SAVER_RUN {
  bool bBegun = false;
  std::map<uint32_t, uint32_t> restored;  // key -> value
  uint32_t u32Saving = 0;                 // last generation it began to save
  uint32_t u32Saved = 0;                  // last generation it finished
};

SAVER_RUN Parse(const std::string& out) {
  SAVER_RUN run;
  std::istringstream lines(out);
  std::string word;
  while (lines >> word) {
    if (word == "R") {
      uint32_t key, value;
      lines >> std::hex >> key >> value >> std::dec;
      run.restored[key] = value;
    } else if (word == "begin") {
      run.bBegun = true;
    } else if (word == "saving") {
      lines >> run.u32Saving;
    } else if (word == "saved") {
      lines >> run.u32Saved;
    }
  }
  return run;
}

// Fifty kills at random moments, most of them while a save of all 700
// settings is under way, some while the store is being opened or made. Every
// following start must restore the store, and every setting must hold one
// whole value of some generation between the last finished save and the last
// begun one: never the bytes of two.
TEST(Persistence, KillingASaveNeverLeavesABrokenOrMixedStore) {
  const std::string base = TEST_MakeTempDir("velmora-kill");
  std::mt19937 random(20260607);
  uint32_t u32Finished = 0;  // every setting holds this generation or a later one
  uint32_t u32Begun = 0;     // no setting holds a later one
  int midSave = 0;

  for (int i = 0; i < 51; i++) {
    auto p = TEST_Spawn(kSaver, {std::to_string(u32Begun + 1)}, SaverEnvironment(base));
    ASSERT_NE(nullptr, p);
    // The last run only shows what the fiftieth kill left.
    const bool bLast = i == 50;
    const bool bEarly = !bLast && i % 5 == 0;
    if (!bEarly) {
      ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "begin", 20000)) << "start " << i << " never restored";
    }
    if (!bLast) usleep(bEarly ? random() % 20000 : random() % 60000);
    TEST_Signal(p.get(), SIGKILL);
    TEST_RESULT r = TEST_Finish(std::move(p), 20000);
    ASSERT_EQ(SIGKILL, r.signal) << "run " << i << " ended by itself with " << r.status << "\n" << r.out;

    SAVER_RUN run = Parse(r.out);
    if (run.bBegun) {
      if (u32Finished > 0) {
        EXPECT_EQ(NVRSAVER_KEYS, run.restored.size()) << "run " << i;
      }
      for (uint32_t k = 0; k < NVRSAVER_KEYS; k++) {
        auto found = run.restored.find(NVRSAVER_fcidKey(k));
        if (found == run.restored.end()) continue;
        const int64_t g = NVRSAVER_s64Generation(k, found->second);
        EXPECT_TRUE(g >= (int64_t)u32Finished && g <= (int64_t)u32Begun)
            << "run " << i << " setting " << k << " holds 0x" << std::hex << found->second << std::dec
            << " (generation " << g << ", expected " << u32Finished << ".." << u32Begun << ")";
      }
    }
    if (run.u32Saving > run.u32Saved) midSave++;
    u32Begun = std::max(u32Begun, run.u32Saving);
    u32Finished = std::max(u32Finished, run.u32Saved);
    if (HasFailure()) break;
  }
  RecordProperty("kills_mid_save", midSave);
  EXPECT_GT(u32Finished, 0u);
  EXPECT_GE(midSave, 20) << "too few kills landed inside a save to tell";
}

int CountLines(const std::string& out, const std::string& word) {
  std::istringstream lines(out);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) count += line.rfind(word + " ", 0) == 0;
  return count;
}

// Two hundred kills (a tenth of them in the slower runs) while the store's
// format is changed again and again: each start of the task finds the store
// marked as of another format and changes it. Wherever the kill lands, the
// store is the old one or the new one, and holds the model and SCFO either way.
TEST(Persistence, KillingAFormatChangeNeverLosesTheModelOrScfo) {
  const std::string base = TEST_MakeTempDir("velmora-change");
  nvfiles::Seed(base, {{"NVER", NVRSAVER_OLD_VERSION}, {"SMDL", 584}, {"SCFO", 7}, {"SLNG", 5}});
  std::mt19937 random(20260611);
  const int kKills = (int)TEST_u32Rounds(200);
  int midChange = 0;
  for (int i = 0; i < kKills; i++) {
    auto p = TEST_Spawn(kSaver, {"change"}, SaverEnvironment(base));
    ASSERT_NE(nullptr, p);
    ASSERT_TRUE(TEST_bWaitForOutput(p.get(), "changing 1", 20000)) << "kill " << i;
    usleep(random() % 15000);
    TEST_Signal(p.get(), SIGKILL);
    TEST_RESULT r = TEST_Finish(std::move(p), 20000);
    ASSERT_EQ(SIGKILL, r.signal) << "run " << i << " ended by itself with " << r.status << "\n" << r.out;
    midChange += CountLines(r.out, "changing") > CountLines(r.out, "changed");

    const std::optional<uint32_t> version = nvfiles::Stored(base, "NVER");
    EXPECT_EQ(584u, nvfiles::Stored(base, "SMDL")) << "kill " << i;
    EXPECT_EQ(7u, nvfiles::Stored(base, "SCFO")) << "kill " << i;
    EXPECT_TRUE(version == NVRSAVER_OLD_VERSION || version == nvfiles::kVersion) << "kill " << i;
    if (version == nvfiles::kVersion) {
      EXPECT_FALSE(nvfiles::Stored(base, "SLNG")) << "kill " << i << ": a store of this format with an old setting";
    }
    if (HasFailure()) break;
  }
  RecordProperty("kills_mid_change", midChange);
  EXPECT_GE(midChange, kKills / 5) << "too few kills landed inside a change to tell";
}

}  // namespace
