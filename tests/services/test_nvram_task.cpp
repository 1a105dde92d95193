// The NVR task, run for real inside the test program, must keep every setting
// across restarts: first start, restore, format change, header keys, the full
// save, the requests it serves, the backlight it lights, and a store that
// fills up or turns read-only.

#include <gtest/gtest.h>
#include <string.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <regex>

#include "nvram_task_util.h"
#include "test_timing.h"
#include "u_storefault.h"
#include "ui_texts.h"
#include "version.h"

namespace {

using nvtest::Fetch;
using nvtest::Has;
using nvtest::NvramTaskTest;
using nvtest::Stored;

const std::string kEntries = nvfiles::kEntries;
const std::string kStatus = nvfiles::kStatus;

std::vector<uint8_t> StoreFile(const std::string& name) {
  return nvfiles::Read(nvfiles::Path(nvtest::Base(), name.c_str()));
}

constexpr U32 kNormalRun = 3;

// The store keeps value words: so do the tests.
void Set(FOURCHARID id, U32 value) {
  DB_DATA_TYPE word = {};
  word.u32Val = value;
  ASSERT_FALSE(H_DATABASE_bUpdateValue(id, word, P_NORMAL));
}

// Waits until the store holds the value (header keys reach it by mail).
bool StoredSoon(const char* key, U32 value) {
  for (int waited = 0; waited < 2000; waited++) {
    if (Stored(key) == value) return true;
    L_CLOCK_Sleep(1);
  }
  return false;
}

TEST_F(NvramTaskTest, FirstStartWritesTheVersionPublishesTheTaskAndStoresHeaderKeysAlreadySet) {
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingU32(FCID("SMDL"), 585, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE));
  Start();
  const std::string base = nvtest::Base();
  EXPECT_EQ(5836, nvfiles::Size(nvfiles::Path(base, nvfiles::kStatus)));
  EXPECT_EQ(NVRAM_VERSION, nvfiles::Word(nvfiles::Read(nvfiles::Path(base, nvfiles::kEntries)), 186624));
  EXPECT_EQ(585u, Stored("SMDL"));
  EXPECT_FALSE(Stored("SCFO")) << "a header key without a value is not stored";

  BOOLEAN bReady = FALSE;
  EXPECT_TRUE(H_DATABASE_bFetchBoolean(FCID("CNVR"), &bReady, nullptr, nullptr));
  EXPECT_TRUE(bReady);
  DB_ATTRIBUTES attributes = {};
  EXPECT_EQ(14u, Fetch(FCID("TNVR")));
  ASSERT_TRUE(H_DATABASE_bFetch(FCID("TNVR"), nullptr, nullptr, &attributes));
  EXPECT_EQ(D_MAILBOX, attributes.DataType);
}

// A slot file cut short loses the values past its end. Those settings keep
// their defaults and are not counted as restored, the status file forgets
// them (so no later growth of the slot file brings zeros back), and the user
// is told once. Replayed: a store the unit wrote, its slot file cut at half.
// The unit's identity (the header keys but the version and the code
// revision) read at the first pass comes back at the second, from its copy.
std::vector<const char* const*> g_notes;
void TakeNote(const char* const* ppText, const char*) { g_notes.push_back(ppText); }

TEST_F(NvramTaskTest, SettingsPastTheEndOfACutSlotFileKeepTheirDefaultsAndTheUserIsTold) {
  const std::string base = nvtest::Base();
  const std::vector<uint8_t> status = nvfiles::Read(std::string(CUT_STORE_DIR) + "/" + kStatus);
  const std::vector<uint8_t> entries = nvfiles::Read(std::string(CUT_STORE_DIR) + "/" + kEntries);
  ASSERT_EQ(5836u, status.size());
  ASSERT_EQ(186628u / 2, entries.size());
  U32 whole = 0, cut = 0;
  for (uint32_t slot = 0; slot < NVRAM_S_SLOTS; slot++) {
    if (!nvfiles::Marked(status, slot)) continue;
    (4 * slot + 4 <= entries.size() ? whole : cut)++;
  }
  ASSERT_GT(whole, 20u);
  ASSERT_GT(cut, 20u);
  std::map<FOURCHARID, U32> identity;  // read whole at the first pass
  for (FOURCHARID id : g_afcidNvramHeader) {
    const uint32_t slot = id == NVRAM_HEADER_END ? NVRAM_SLOTS : H_NVRAM_u32XlatID(id);
    if (slot < NVRAM_S_SLOTS && nvfiles::Marked(status, slot) && 4 * slot + 4 <= entries.size()) {
      identity[id] = *nvfiles::Word(entries, 4 * slot);
    }
  }
  ASSERT_TRUE(identity.count(FCID("SENU")));
  for (int pass = 0; pass < 2; pass++) {
    // Once with the half file, once with an empty one.
    std::ofstream(nvfiles::Path(base, kStatus.c_str()), std::ios::binary)
        .write((const char*)status.data(), (std::streamsize)status.size());
    std::ofstream(nvfiles::Path(base, kEntries.c_str()), std::ios::binary)
        .write((const char*)entries.data(), pass == 0 ? (std::streamsize)entries.size() : 0);
    H_DATABASE_vInit();
    g_notes.clear();
    U_STOREFAULT_vSetNoteAction(TakeNote);
    // The version lay past the end too: the start writes it again and reads
    // it back with the rest.
    EXPECT_EQ(pass == 0 ? whole + 1 : 1 + identity.size(), T_NVRAM_u32Start()) << pass;
    U_STOREFAULT_vSetNoteAction(nullptr);
    EXPECT_EQ(std::vector<const char* const*>{Settings_Reset}, g_notes) << pass;
    const std::vector<uint8_t> mended = StoreFile(kStatus);
    for (uint32_t slot = 0; slot < NVRAM_S_SLOTS; slot++) {
      if (!nvfiles::Marked(status, slot)) continue;
      const FOURCHARID id = H_NVRAM_fcidXlatNumber(slot);
      if (pass == 0 && 4 * slot + 4 <= entries.size()) {
        EXPECT_EQ(*nvfiles::Word(entries, 4 * slot), Fetch(id)) << slot;
      } else if (identity.count(id)) {
        EXPECT_EQ(identity[id], Fetch(id)) << slot;
        EXPECT_TRUE(nvfiles::Marked(mended, slot)) << slot;
      } else {
        EXPECT_FALSE(nvfiles::Marked(mended, slot)) << slot;
        EXPECT_FALSE(Has(id)) << slot << " has no default here, so no value";
      }
    }
    while (void* pMsg = L_MBOX_Receive(M_NVRAM)) H_MEMORY_vDumpMail(pMsg);
    H_NVRAM_eInit();
  }
  EXPECT_EQ(identity[FCID("SENU")], Stored("SENU")) << "the serial number comes back, never as 0";
}

TEST_F(NvramTaskTest, AUserSettingIsSavedAtShutdownAndRestoredAtPriorityTwo) {
  Start();
  Set(FCID("SLNG"), 5);
  Command(CMD_ID_SHUTDOWN);
  EXPECT_FALSE(Stored("SLNG")) << "without a system state nothing is saved";
  Set(FCID("CCST"), kNormalRun);
  Command(CMD_ID_SHUTDOWN);
  EXPECT_EQ(5u, Stored("SLNG"));

  Restart(false);
  EXPECT_EQ(5u, Fetch(FCID("SLNG")));
  DB_DATA_TYPE value;
  value.RawData = 0;
  DB_ATTRIBUTES attributes = {D_UNITS, nullptr, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(FCID("SLNG"), &value, P_DEFAULT_SETTING, &attributes);
  EXPECT_EQ(5u, value.RawData) << "a default does not override a stored setting";
  EXPECT_TRUE(H_DATABASE_bUpdateValueU32(FCID("SLNG"), 0, P_DEFAULT_SETTING));
  EXPECT_TRUE(H_DATABASE_bUpdateValueU32(FCID("SLNG"), 1, P_SELECTED_GPS_OVERRIDE)) << "held at 2, not weaker";
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SLNG"), 7, P_NORMAL)) << "the user's next change is taken";
  Command(CMD_ID_RESET_POS);
  EXPECT_EQ(5u, Fetch(FCID("SLNG"))) << "the reset puts the stored language back";
}

TEST_F(NvramTaskTest, TheTenMinuteTickSavesChangedSettings) {
  Start();
  Set(FCID("CCST"), kNormalRun);
  Set(FCID("SVEW"), 22);
  L_SEMA_Signal(SEMA_NVRAM_UPDATE);
  EXPECT_TRUE(StoredSoon("SVEW", 22));
}

// A boat's power goes with its ignition, seldom by POWER: a setting changed
// is in the store within seconds, and a burst of changes (keys held on a
// slider) is one save, not one per step.
TEST_F(NvramTaskTest, AChangedSettingIsStoredWithinSecondsAndABurstOfChangesIsOneSave) {
  Start();
  Set(FCID("CCST"), kNormalRun);
  Command(CMD_ID_INVALID_ID);
  ::testing::internal::CaptureStdout();
  for (U32 step = 1; step <= 20; step++) Set(FCID("SSS2"), step);
  Set(FCID("SLNG"), 5);
  const bool bStored = TEST_bWaitUntil([] { return Stored("SSS2") == 20u && Stored("SLNG") == 5u; }, 10000);
  Command(CMD_ID_INVALID_ID);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(bStored) << "without a shutdown";
  size_t saves = 0;
  for (size_t at = out.find("settings written"); at != std::string::npos; at = out.find("settings written", at + 1)) {
    saves++;
  }
  EXPECT_EQ(1u, saves) << out;
}

// Every kind of damage is told with the one note, and the unit's identity
// (here its serial number) is kept wherever a file still holds it; a sound
// store says nothing. A damaged version word, a stored time zone the unit
// does not offer and a model that is none of the table's are damage too.
std::vector<const char* const*> g_damageNotes;
void TakeDamageNote(const char* const* ppText, const char*) { g_damageNotes.push_back(ppText); }

TEST_F(NvramTaskTest, EveryDamageIsToldOnceAndTheSerialNumberIsKept) {
  const struct {
    const char* what;
    U32 u32Version;
    const char* key;  // a further setting, and its word
    FOURCHARID id;
    U32 u32Word;
    bool bDamage;
  } rows[] = {
      {"a sound store", NVRAM_VERSION, "SLTZ", FCID("SLTZ"), (U32)-660, false},
      {"a garbage version word", 0x1D2C3B4Au, "SLTZ", FCID("SLTZ"), (U32)-660, true},
      {"a zone the unit does not offer", NVRAM_VERSION, "SLTZ", FCID("SLTZ"), (U32)-7, true},
      {"a garbage model", NVRAM_VERSION, "SMDL", FCID("SMDL"), 3901694137u, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Stop(false);
    nvfiles::RemoveAll(nvtest::Base());
    std::map<std::string, uint32_t> seed = {{"NVER", row.u32Version}, {"SENU", 4711}, {"SMDL", 584}};
    seed[row.key] = row.u32Word;
    nvfiles::Seed(nvtest::Base(), seed);
    H_DATABASE_vInit();
    g_damageNotes.clear();
    U_STOREFAULT_vSetNoteAction(TakeDamageNote);
    Start();
    U_STOREFAULT_vSetNoteAction(nullptr);
    EXPECT_EQ(row.bDamage, (bool)T_NVRAM_bSettingsLost());
    // None of the rows stores the version or the ages: only where nothing
    // was lost may the waypoint tree be taken for an older software's.
    VERSION_bDetectVersionChange();
    EXPECT_EQ(!row.bDamage, (bool)VERSION_bIsUpgradingToGroupedWaypointManagement());
    EXPECT_EQ(row.bDamage ? std::vector<const char* const*>{Settings_Reset} : std::vector<const char* const*>{},
              g_damageNotes);
    EXPECT_EQ(4711u, Fetch(FCID("SENU")));
    EXPECT_EQ(4711u, Stored("SENU"));
    if (row.bDamage) {
      EXPECT_FALSE(Has(row.id) && Fetch(row.id) == row.u32Word) << "not restored";
    } else {
      EXPECT_EQ(row.u32Word, Fetch(row.id));
    }
  }
}

TEST_F(NvramTaskTest, HeaderKeysAreStoredAndFlushedAsSoonAsTheyChange) {
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingU32(FCID("SMDL"), 585, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE));
  Start();
  // The store now holds SMDL: after a restart its subscription comes from the read.
  Restart(false);
  nvtest::TakeEvents();
  Set(FCID("SMDL"), 600);
  ASSERT_TRUE(StoredSoon("SMDL", 600));
  Command(CMD_ID_INVALID_ID);
  // The value, then both slot files flushed.
  std::vector<nvtest::FILE_EVENT> events = nvtest::TakeEvents();
  ASSERT_EQ(3u, events.size());
  EXPECT_EQ(4 * (off_t)nvfiles::Slot("SMDL"), events[0].offset);
  EXPECT_FALSE(events[0].bSync);
  EXPECT_TRUE(events[1].bSync && events[2].bSync);

  Set(FCID("SLNG"), 4);
  Command(CMD_ID_INVALID_ID);
  EXPECT_FALSE(Stored("SLNG")) << "not a header key";
}

TEST_F(NvramTaskTest, AWriteRequestIsStoredAndFlushedBeforeItIsAnswered) {
  Start();
  Set(FCID("SVEW"), 22);
  Set(FCID("CCST"), kNormalRun);
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("Sa00"), 3, P_NORMAL));
  nvtest::TakeEvents();
  WriteToNvr(FCID("SVEW"));
  EXPECT_EQ(22u, Stored("SVEW"));
  std::vector<nvtest::FILE_EVENT> events = nvtest::TakeEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_TRUE(events.back().bSync);

  // Only settings with a slot are stored.
  WriteToNvr(FCID("CCST"));
  WriteToNvr(FCID("Sa00"));
  WriteToNvr(FCID("SNON"));
  EXPECT_EQ(0, nvtest::CountWrites(nvtest::TakeEvents(), nfFCID_ENTRIES));
}

TEST_F(NvramTaskTest, TheSaveWritesWhatDiffersAndAlwaysTheHeaderKeys) {
  Start();
  Set(FCID("CCST"), kNormalRun);
  Set(FCID("SMDL"), 585);
  const std::vector<FOURCHARID> keys = {FCID("S0A0"), FCID("S0A1"), FCID("SVEW"), FCID("SLNG"), FCID("FFST")};
  for (FOURCHARID id : keys) Set(id, id & 0xFFFF);
  Set(FCID("FABC"), 1);  // an F item without a slot is not the store's
  Command(CMD_ID_SHUTDOWN);
  for (FOURCHARID id : keys) EXPECT_EQ(id & 0xFFFF, Stored(std::string((const char*)&id, 4).c_str()));

  nvtest::TakeEvents();
  Command(CMD_ID_SHUTDOWN);
  std::vector<nvtest::FILE_EVENT> events = nvtest::TakeEvents();
  EXPECT_EQ(1, nvtest::CountWrites(events, nfFCID_ENTRIES)) << "only SMDL, a header key";
  EXPECT_EQ(0, nvtest::CountWrites(events, nfFCID_STATBIT));
  ASSERT_FALSE(events.empty());
  EXPECT_TRUE(events.back().bSync);

  Set(FCID("SVEW"), 23);
  Command(CMD_ID_SHUTDOWN);
  EXPECT_EQ(2, nvtest::CountWrites(nvtest::TakeEvents(), nfFCID_ENTRIES));
  EXPECT_EQ(23u, Stored("SVEW"));
}

TEST_F(NvramTaskTest, BurnInAndPointOfSaleSaveOnlyTheSaveAlwaysKeys) {
  // The System Status screen (7) asks for saves of its own settings: it saves everything.
  const struct {
    U32 state;
    bool bEverything;
  } rows[] = {{2, false}, {6, false}, {kNormalRun, true}, {7, true}};
  for (const auto& row : rows) {
    Stop(false);
    nvfiles::RemoveAll(nvtest::Base());
    H_DATABASE_vInit();
    Start();
    Set(FCID("CCST"), row.state);
    for (FOURCHARID id : {FCID("SLNG"), FCID("SIMT"), FCID("SVEW"), FCID("FFST")}) Set(id, 9);
    Command(CMD_ID_SHUTDOWN);
    EXPECT_EQ(9u, Stored("SLNG")) << row.state;
    EXPECT_EQ(9u, Stored("SIMT")) << row.state;
    EXPECT_EQ(row.bEverything, Stored("SVEW").has_value()) << row.state;
    EXPECT_EQ(row.bEverything, Stored("FFST").has_value()) << row.state;
  }
}

TEST_F(NvramTaskTest, BlocksAreServedByMailWithTheirResult) {
  Start();
  SONAR_DATA_BLOCK sonar, back = {};
  for (U32 i = 0; i < 254; i++) sonar.au16Data[i] = (U16)(3 * i);
  MSG_READ_SONAR_DATA* msg = (MSG_READ_SONAR_DATA*)H_MEMORY_pvCalloc(1, sizeof *msg);
  msg->pSonarData = &back;
  Send(&msg->Header, CMD_ID_READ_SONAR_DATA);
  EXPECT_FALSE(msg->bSuccess) << "nothing stored";
  msg->pSonarData = &sonar;
  Send(&msg->Header, CMD_ID_WRITE_SONAR_DATA);
  EXPECT_TRUE(msg->bSuccess);
  msg->pSonarData = &back;
  Send(&msg->Header, CMD_ID_READ_SONAR_DATA);
  EXPECT_TRUE(msg->bSuccess);
  EXPECT_EQ(0, memcmp(&sonar, &back, sizeof back));
  H_MEMORY_vFree(msg);
}

// A store that cannot be written must not end the process: the unit runs,
// and the store heals once writes succeed again.
TEST_F(NvramTaskTest, AStoreThatCannotBeWrittenIsLoggedNotFatalAndHealsLater) {
  nvtest::Fail(FS_FAULT_DISK_FULL, FS_FAULT_UNTIL_CLEARED, nvfiles::kEntries);
  Start();
  EXPECT_FALSE(Stored("NVER"));
  Set(FCID("SMDL"), 600);
  Command(CMD_ID_INVALID_ID);
  EXPECT_FALSE(Stored("SMDL"));
  EXPECT_TRUE(L_TASK_bIsRunning(NVRTASK));

  FS_vSetFault(nullptr);
  Set(FCID("SMDL"), 601);
  EXPECT_TRUE(StoredSoon("SMDL", 601));
  // The store now lacks its version: the next start writes it and restores.
  Restart(false);
  EXPECT_EQ(NVRAM_VERSION, Stored("NVER"));
  EXPECT_EQ(601u, Fetch(FCID("SMDL")));
}

// The panel lights once the stored settings are in: at the stored level but
// never darker than 5, at 10 (7 in ice mode) when none is stored; and the
// display task hears of every later change of the level.
TEST_F(NvramTaskTest, TheStartLightsThePanelAtTheRestoredLevelAndTellsTheDisplayOfChanges) {
  const struct {
    S32 stored;  // -1: none
    BOOLEAN bIce;
    U32 level;
    const char* brightness;
  } rows[] = {{-1, FALSE, 10, "250"}, {-1, TRUE, 7, "113"}, {3, FALSE, 5, "50"}, {8, TRUE, 8, "150"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.stored);
    Stop(true);
    H_DATABASE_vInit();
    std::map<std::string, uint32_t> seed = {{"NVER", nvfiles::kVersion}};
    if (row.stored >= 0) seed["SBAK"] = (uint32_t)row.stored;
    nvfiles::Seed(nvtest::Base(), seed);
    std::ofstream(nvtest::RigPath(nvtest::kBrightness), std::ios::trunc);
    if (row.bIce) Set(FCID("SICE"), TRUE);
    Start();
    EXPECT_EQ(row.level, Fetch(FCID("SBAK")));
    EXPECT_EQ(row.brightness, nvtest::RigFile(nvtest::kBrightness));
  }

  while (void* pMsg = L_MBOX_Receive(M_DISPLAY)) H_MEMORY_vDumpMail(pMsg);
  Set(FCID("SBAK"), 6);
  MESSAGE_NEW_DATA* pNotice = (MESSAGE_NEW_DATA*)L_MBOX_Receive(M_DISPLAY);
  ASSERT_NE(nullptr, pNotice) << "the display task is not told";
  EXPECT_EQ(CMD_ID_NEW_DATA, pNotice->Header.Cmd);
  EXPECT_EQ(FCID("SBAK"), pNotice->FourCharId);
  EXPECT_EQ(6u, pNotice->dbValue.RawData);
  H_MEMORY_vDumpMail(pNotice);
}

// A store of another format becomes one of the same bytes as a store written
// with only the version, SMDL and SCFO; its blocks go, and of its settings
// only those two come back.
TEST_F(NvramTaskTest, AFormatChangeLeavesAStoreOfOnlyTheVersionModelAndScfo) {
  const std::string base = nvtest::Base();
  nvfiles::Seed(base, {{"NVER", 1}, {"SMDL", 584}, {"SCFO", 7}, {"SLNG", 5}, {"CREV", 3}});
  std::ofstream(nvfiles::Path(base, "sonar.dat")) << std::string(508, 'x');
  Start();
  const std::string reference = base + "/reference";
  mkdir(reference.c_str(), 0777);
  nvfiles::Seed(reference, {{"NVER", nvfiles::kVersion}, {"SMDL", 584}, {"SCFO", 7}});
  for (const std::string& name : {kEntries, kStatus}) {
    EXPECT_EQ(nvfiles::Read(nvfiles::Path(reference, name.c_str())), StoreFile(name)) << name;
  }
  EXPECT_EQ(-1, nvfiles::Size(nvfiles::Path(base, "sonar.dat")));
  EXPECT_EQ(584u, Fetch(FCID("SMDL")));
  EXPECT_EQ(7u, Fetch(FCID("SCFO")));
  EXPECT_FALSE(Has(FCID("SLNG")));
  EXPECT_FALSE(Has(FCID("CREV")));
}

// A format change the store has no room for leaves the old store as it was,
// for the next start to change; meanwhile none of its other settings are
// taken, and the unit runs.
TEST_F(NvramTaskTest, AFormatChangeOnAFullStoreKeepsTheOldStoreForTheNextStart) {
  nvfiles::Seed(nvtest::Base(), {{"NVER", 1}, {"SMDL", 584}, {"SCFO", 7}, {"SLNG", 5}});
  const std::vector<uint8_t> entries = StoreFile(kEntries);
  const std::vector<uint8_t> status = StoreFile(kStatus);
  nvtest::Fail(FS_FAULT_DISK_FULL, FS_FAULT_UNTIL_CLEARED);
  Start();
  EXPECT_EQ(entries, StoreFile(kEntries));
  EXPECT_EQ(status, StoreFile(kStatus));
  EXPECT_EQ(584u, Fetch(FCID("SMDL")));
  EXPECT_FALSE(Has(FCID("SLNG"))) << "a setting of the old format";

  FS_vSetFault(nullptr);
  Restart(true);
  EXPECT_EQ(NVRAM_VERSION, Stored("NVER"));
  EXPECT_EQ(584u, Stored("SMDL"));
  EXPECT_EQ(7u, Stored("SCFO"));
  EXPECT_FALSE(Stored("SLNG"));
}

// A store that fills up or turns read-only never stops the unit: what was
// saved before is still restored, a save that fails says so and a block
// write reports it, and the first save after the fault writes what differs.
TEST_F(NvramTaskTest, AFullOrReadOnlyStoreKeepsWhatWasSavedAndTheNextSaveWritesTheRest) {
  for (FS_FAULT_KIND eKind : {FS_FAULT_DISK_FULL, FS_FAULT_READ_ONLY, FS_FAULT_NO_ACCESS}) {
    SCOPED_TRACE(eKind);
    Stop(true);
    nvfiles::RemoveAll(nvtest::Base());
    H_DATABASE_vInit();
    Start();
    Set(FCID("CCST"), kNormalRun);
    Set(FCID("SLNG"), 5);
    Set(FCID("SMDL"), 585);
    Command(CMD_ID_SHUTDOWN);
    ASSERT_EQ(5u, Stored("SLNG"));

    nvtest::Fail(eKind, FS_FAULT_UNTIL_CLEARED);
    Restart(true);
    EXPECT_EQ(5u, Fetch(FCID("SLNG")));
    EXPECT_EQ(585u, Fetch(FCID("SMDL")));
    Set(FCID("CCST"), kNormalRun);
    Set(FCID("SLNG"), 6);
    Set(FCID("SMDL"), 586);
    SONAR_DATA_BLOCK sonar = {};
    MSG_WRITE_SONAR_DATA* msg = (MSG_WRITE_SONAR_DATA*)H_MEMORY_pvCalloc(1, sizeof *msg);
    msg->pSonarData = &sonar;
    Send(&msg->Header, CMD_ID_WRITE_SONAR_DATA);
    EXPECT_FALSE(msg->bSuccess);
    H_MEMORY_vFree(msg);
    ::testing::internal::CaptureStdout();
    Command(CMD_ID_SHUTDOWN);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::regex_search(out, std::regex("settings written, [1-9][0-9]* failed"))) << out;
    EXPECT_EQ(5u, Stored("SLNG"));
    EXPECT_EQ(585u, Stored("SMDL"));
    EXPECT_TRUE(L_TASK_bIsRunning(NVRTASK));

    FS_vSetFault(nullptr);
    Command(CMD_ID_SHUTDOWN);
    EXPECT_EQ(6u, Stored("SLNG"));
    EXPECT_EQ(586u, Stored("SMDL"));
  }
}

}  // namespace
