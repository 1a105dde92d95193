// The NVR store files: slot numbering, the byte layout, the walk over stored
// slots, the erase, the raw blocks and what a failed write leaves.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <limits>
#include <fstream>
#include <map>
#include <random>

#include "db_test_util.h"
#include "nvram_test_util.h"

namespace {

using dbtest::Key;
using nvtest::StoreTest;

std::string EntriesPath() { return nvfiles::Path(nvtest::Base(), nvfiles::kEntries); }
std::string StatusPath() { return nvfiles::Path(nvtest::Base(), nvfiles::kStatus); }
long SizeOf(const char* name) { return nvfiles::Size(nvfiles::Path(nvtest::Base(), name)); }

BOOLEAN Write(FOURCHARID id, U32 value) {
  NVR_ENTRY e;
  e.id = id;
  e.data.vpPointer = nullptr;
  e.data.RawData = value;
  return H_NVRAM_bWriteFCID(&e);
}

std::vector<FOURCHARID> Walk(BOOLEAN (*pfNext)(U32, NVR_ENTRY*)) {
  std::vector<FOURCHARID> keys;
  NVR_ENTRY e;
  for (U32 i = 0; pfNext(i, &e); i++) keys.push_back(e.id);
  return keys;
}

void WriteRaw(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

TEST(NvramSlots, KeysOfDigitsAndCapitalsHaveSlotsAndNoOthers) {
  const struct {
    FOURCHARID id;
    U32 slot;
  } rows[] = {
      {FCID("SLNG"), 1296 * 21 + 36 * 23 + 16},
      {FCID("S000"), 0},
      {FCID("S0A0"), 360},
      {FCID("SZZZ"), 46655},
      {FCID("NVER"), 46656},
      {FCID("CREV"), 46657},
      {FCID("FFST"), 46658},
      // Read as the digit 0 these would share slots 0 and 71 with S000 and S01Z.
      {FCID("Sa00"), NVRAM_NO_SLOT},
      {FCID("S0b0"), NVRAM_NO_SLOT},
      {FCID("Sa1Z"), NVRAM_NO_SLOT},
      {FCID("S:00"), NVRAM_NO_SLOT},
      {Key('S', '0', (char)0xB5, '0'), NVRAM_NO_SLOT},  // '5' with its top bit set
      {Key((char)0xD3, '0', '0', '0'), NVRAM_NO_SLOT},  // 'S' with its top bit set
      {FCID("s000"), NVRAM_NO_SLOT},
      {FCID("FABC"), NVRAM_NO_SLOT},
      {FCID("TNVR"), NVRAM_NO_SLOT},
      {FCID("CNVR"), NVRAM_NO_SLOT},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.slot, H_NVRAM_u32XlatID(row.id)) << dbtest::KeyText(row.id);
    EXPECT_EQ(row.slot != NVRAM_NO_SLOT, H_NVRAM_bHasSlot(row.id)) << dbtest::KeyText(row.id);
  }
  for (U32 slot = 0; slot < NVRAM_SLOTS; slot++) ASSERT_EQ(slot, H_NVRAM_u32XlatID(H_NVRAM_fcidXlatNumber(slot)));
  EXPECT_EQ(FCID("SLNG"), H_NVRAM_fcidXlatNumber(28060));
  EXPECT_EQ(0xFFFFFFFFu, H_NVRAM_fcidXlatNumber(NVRAM_SLOTS));
}

TEST_F(StoreTest, AValueLandsLittleEndianAtFourTimesItsSlotWithItsStatusBitAndNothingElseReads) {
  ASSERT_TRUE(Write(FCID("SLNG"), 0x04030205));
  const std::vector<uint8_t> entries = nvfiles::Read(EntriesPath());
  ASSERT_EQ(112244u, entries.size());
  EXPECT_EQ((std::vector<uint8_t>{0x05, 0x02, 0x03, 0x04}),
            std::vector<uint8_t>(entries.begin() + 112240, entries.end()));
  const std::vector<uint8_t> status = nvfiles::Read(StatusPath());
  EXPECT_EQ(0x10000000u, nvfiles::Word(status, 4 * 876));
  for (U32 w = 0; w < status.size() / 4; w++) {
    if (w == 876) continue;
    ASSERT_EQ(0u, nvfiles::Word(status, 4 * w)) << "word " << w;
  }

  NVR_ENTRY e;
  e.id = FCID("SLNG");
  ASSERT_TRUE(H_NVRAM_bGetItemByID(&e));
  EXPECT_EQ(0x04030205u, e.data.RawData);
  EXPECT_EQ(0x04030205u, (uintptr_t)e.data.vpPointer) << "nothing beyond the stored word";

  EXPECT_FALSE(Write(FCID("Sa00"), 7)) << "a key without a slot is not written";
  for (FOURCHARID id : {FCID("S000"), FCID("Sa00"), FCID("CREV"), FCID("TNVR"), FCID("FXYZ")}) {
    e.id = id;
    e.data.RawData = 0;
    EXPECT_FALSE(H_NVRAM_bGetItemByID(&e)) << dbtest::KeyText(id);
    EXPECT_EQ(0xFFFFFFFFu, e.id);
    EXPECT_EQ(0xFFFFFFFFu, e.data.RawData);
  }
}

TEST_F(StoreTest, TheWalksYieldStoredSlotsInSlotOrder) {
  // Neighbours in one status word, across a word boundary, and far apart.
  const std::vector<FOURCHARID> sKeys = {FCID("S000"), FCID("S001"), FCID("S00V"), FCID("S00W"),
                                         FCID("SLNX"), FCID("SZZY"), FCID("SZZZ")};
  std::vector<FOURCHARID> shuffled = sKeys;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  for (FOURCHARID id : shuffled) ASSERT_TRUE(Write(id, id ^ 0x5A5A5A5A));
  for (FOURCHARID id : {FCID("FFST"), FCID("NVER"), FCID("CREV")}) ASSERT_TRUE(Write(id, 1));

  EXPECT_EQ(sKeys, Walk(H_NVRAM_bReadSEntry));
  EXPECT_EQ((std::vector<FOURCHARID>{FCID("NVER"), FCID("CREV"), FCID("FFST")}), Walk(H_NVRAM_bReadFEntry));
  NVR_ENTRY e;
  ASSERT_TRUE(H_NVRAM_bReadSEntry(0, &e));
  EXPECT_EQ(FCID("S000") ^ 0x5A5A5A5Au, e.data.RawData) << "values come with their keys";
}

// The unit's own settings hold only what the key table allows: a stored key
// it has no row for, a number outside its range, a flag that is neither 0
// nor 1, a float that is not a number and a time zone the unit does not
// offer stay in the file, unread; each of the unit's settings among them is
// counted lost, for the user to be told.
TEST_F(StoreTest, TheWalkPassesOverWhatTheKeyTableRefuses) {
  H_DATABASE_vAllowKeysOutsideTable(FALSE);
  const float fNotANumber = std::numeric_limits<float>::quiet_NaN();
  U32 u32NotANumber;
  memcpy(&u32NotANumber, &fNotANumber, 4);
  for (auto [key, value] : {std::pair{FCID("S000"), 1u}, {FCID("SLNG"), 27u}, {FCID("SSEN"), 2u},
                            {FCID("SCPA"), u32NotANumber}, {FCID("SSS2"), 20u}, {FCID("SLTZ"), (U32)-660},
                            {FCID("SNBS"), 8u}}) {
    ASSERT_TRUE(Write(key, value));
  }
  const U32 u32Lost = H_NVRAM_u32LostSlots();
  EXPECT_EQ((std::vector<FOURCHARID>{FCID("SLTZ"), FCID("SSS2")}), Walk(H_NVRAM_bReadSEntry));
  EXPECT_EQ(4u, H_NVRAM_u32LostSlots() - u32Lost) << "SLNG, SSEN, SCPA and SNBS";
  ASSERT_TRUE(Write(FCID("SLTZ"), (U32)-720));
  EXPECT_EQ((std::vector<FOURCHARID>{FCID("SSS2")}), Walk(H_NVRAM_bReadSEntry)) << "-12:00 is no zone of the unit";
}

TEST_F(StoreTest, AnEraseWithWrongCodesChangesNothing) {
  ASSERT_TRUE(Write(FCID("SLNG"), 5));
  ASSERT_TRUE(Write(FCID("NVER"), NVRAM_VERSION));
  SONAR_DATA_BLOCK sonar = {};
  ASSERT_TRUE(H_NVRAM_bWriteSonarData(&sonar));
  const std::vector<uint8_t> entries = nvfiles::Read(EntriesPath());
  const std::vector<uint8_t> status = nvfiles::Read(StatusPath());

  const struct {
    U32 code1;
    U32 code2;
  } wrong[] = {{0, 0},
               {NVRAM_SCRATCH_CODE2, NVRAM_SCRATCH_CODE1},
               {NVRAM_SCRATCH_CODE1, 0},
               {0, NVRAM_SCRATCH_CODE2},
               {NVRAM_SCRATCH_CODE1 + 1, NVRAM_SCRATCH_CODE2}};
  for (const auto& codes : wrong) {
    EXPECT_FALSE(H_NVRAM_bScratchNVR(codes.code1, codes.code2)) << std::hex << codes.code1 << " " << codes.code2;
  }
  EXPECT_EQ(entries, nvfiles::Read(EntriesPath()));
  EXPECT_EQ(status, nvfiles::Read(StatusPath()));
  EXPECT_EQ(508, SizeOf("sonar.dat"));
  EXPECT_TRUE(Write(FCID("S001"), 1)) << "the open files are still the store's";

  ASSERT_TRUE(H_NVRAM_bScratchNVR(NVRAM_SCRATCH_CODE1, NVRAM_SCRATCH_CODE2));
  for (const char* name : {"sonar.dat", "personal.dat", nvfiles::kStatus, nvfiles::kEntries}) {
    EXPECT_EQ(-1, SizeOf(name)) << name;
  }
  EXPECT_TRUE(Walk(H_NVRAM_bReadSEntry).empty());
  EXPECT_EQ(STATE_VIRGIN, H_NVRAM_eInit());
}

TEST_F(StoreTest, BlocksMoveWholeAndAreFlushed) {
  PERSONALIZATION_DATA_BLOCK person, back = {};
  for (U32 i = 0; i < 126; i++) person.au16Data[i] = (U16)(0xA000 + i);
  EXPECT_FALSE(H_NVRAM_bReadPersonalizationData(&back)) << "nothing stored yet";
  ASSERT_TRUE(H_NVRAM_bWritePersonalizationData(&person));
  EXPECT_EQ(252, SizeOf("personal.dat"));
  std::vector<nvtest::FILE_EVENT> events = nvtest::TakeEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_TRUE(events.back().bSync && events.back().eFile == nfPERSONAL_DATA);
  ASSERT_TRUE(H_NVRAM_bReadPersonalizationData(&back));
  EXPECT_EQ(0, memcmp(&person, &back, sizeof person));

  nvtest::Fail(FS_FAULT_IO_ERROR, 1, "personal.dat", FS_CALL_SYNC);
  EXPECT_FALSE(H_NVRAM_bWritePersonalizationData(&person)) << "a block that did not reach storage";
  EXPECT_FALSE(H_NVRAM_bReadBlock(nfCOUNT, (U8*)&back, 1));
}

TEST_F(StoreTest, AFailedWriteIsReportedAndLeavesTheSlotAsItWas) {
  // The value cannot be written: nothing is marked.
  nvtest::Fail(FS_FAULT_DISK_FULL, 1, nvfiles::kEntries);
  EXPECT_FALSE(Write(FCID("SLNG"), 5));
  EXPECT_FALSE(nvtest::Stored("SLNG"));

  // The mark cannot be written: reported, and not taken as stored, neither
  // now nor after a restart; the next write of the slot marks it.
  nvtest::Fail(FS_FAULT_DISK_FULL, 1, nvfiles::kStatus);
  EXPECT_FALSE(Write(FCID("SLNG"), 5));
  NVR_ENTRY e;
  e.id = FCID("SLNG");
  EXPECT_FALSE(H_NVRAM_bGetItemByID(&e));
  EXPECT_FALSE(nvtest::Stored("SLNG"));
  ASSERT_TRUE(Write(FCID("SLNG"), 5));
  EXPECT_EQ(5u, nvtest::Stored("SLNG"));

  // A slot already marked is not marked again.
  nvtest::TakeEvents();
  ASSERT_TRUE(Write(FCID("SLNG"), 6));
  std::vector<nvtest::FILE_EVENT> events = nvtest::TakeEvents();
  EXPECT_EQ(1, nvtest::CountWrites(events, nfFCID_ENTRIES));
  EXPECT_EQ(0, nvtest::CountWrites(events, nfFCID_STATBIT));
}

TEST_F(StoreTest, AStatusFileMarkingEverySlotIsDamageAndTheStoreStartsAfresh) {
  // An erased sector: every bit set, and a value behind every slot.
  WriteRaw(StatusPath(), std::vector<uint8_t>(nvfiles::kStatusBytes, 0xFF));
  WriteRaw(EntriesPath(), std::vector<uint8_t>(4 * 46659, 0xFF));
  EXPECT_EQ(STATE_VIRGIN, H_NVRAM_eInit());
  EXPECT_EQ(0, SizeOf(nvfiles::kStatus));
  EXPECT_EQ(0, SizeOf(nvfiles::kEntries));
  EXPECT_TRUE(Walk(H_NVRAM_bReadSEntry).empty());
  EXPECT_TRUE(Walk(H_NVRAM_bReadFEntry).empty());

  ASSERT_TRUE(Write(FCID("NVER"), NVRAM_VERSION));
  EXPECT_EQ(STATE_ACTIVE, H_NVRAM_eInit());
  EXPECT_EQ(std::vector<FOURCHARID>{FCID("NVER")}, Walk(H_NVRAM_bReadFEntry));
}

// The header keys but the version and the code revision (the unit's model
// and serial number among them) outlive damage that leaves them readable
// somewhere: the header's copy gives what the store lost, and without the
// copy a status file lost or damaged leaves them in their slots, whose zeros
// (a slot never written) are not taken. Each damage is counted. (The unit's
// own run over every kind of damage is the persistence test's.)
TEST_F(StoreTest, TheUnitsIdentityOutlivesDamageOfTheStatusOrTheSlotFile) {
  const uint32_t kSerialSlot = nvfiles::Slot("SENU");
  std::mt19937 random(4711);
  std::vector<uint8_t> garbage(nvfiles::kStatusBytes);
  for (uint8_t& byte : garbage) byte = (uint8_t)random();
  const struct {
    const char* what;
    long statusBytes;   // kept of the status file; -1 removes it
    long entriesBytes;  // kept of the slot file; -1 keeps it whole
    bool bGarbage;      // the status file overwritten
    bool bCopyGone;
  } rows[] = {
      {"status file cut before the serial's mark", (long)(4 * (kSerialSlot / 32)) - 8, -1, false, false},
      {"slot file empty", (long)nvfiles::kStatusBytes, 0, false, false},
      {"status file missing, copy gone", -1, -1, false, true},
      {"status file of garbage, copy gone", (long)nvfiles::kStatusBytes, -1, true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Reset();
    for (auto [key, value] : {std::pair{FCID("NVER"), NVRAM_VERSION}, {FCID("SMDL"), 584u}, {FCID("SENU"), 4711u},
                              {FCID("SENB"), 7u}, {FCID("SLNG"), 5u}}) {
      ASSERT_TRUE(Write(key, value));
    }
    H_NVRAM_vFlashWriteBack();
    std::vector<uint8_t> status = nvfiles::Read(StatusPath());
    std::vector<uint8_t> entries = nvfiles::Read(EntriesPath());
    if (row.bGarbage) status = garbage;
    if (row.statusBytes >= 0) status.resize((size_t)row.statusBytes);
    if (row.entriesBytes >= 0) entries.resize((size_t)row.entriesBytes);
    WriteRaw(EntriesPath(), entries);
    if (row.statusBytes < 0) {
      unlink(StatusPath().c_str());
    } else {
      WriteRaw(StatusPath(), status);
    }
    if (row.bCopyGone) unlink(nvfiles::Path(nvtest::Base(), nvfiles::kHeaderCopy).c_str());

    const U32 u32Damage = H_NVRAM_u32Damage();
    H_NVRAM_eInit();
    EXPECT_LT(u32Damage, H_NVRAM_u32Damage());
    DB_DATA_TYPE value = {};
    EXPECT_TRUE(H_NVRAM_bReadHeaderCopy(FCID("SENU"), &value) && value.u32Val == 4711u) << value.u32Val;
    EXPECT_TRUE(H_NVRAM_bReadHeaderCopy(FCID("SMDL"), &value) && value.u32Val == 584u) << value.u32Val;
    EXPECT_TRUE(H_NVRAM_bReadHeaderCopy(FCID("SENB"), &value) && value.u32Val == 7u) << value.u32Val;
    EXPECT_FALSE(H_NVRAM_bReadHeaderCopy(FCID("SCFO"), &value)) << "never written";
    EXPECT_FALSE(H_NVRAM_bReadHeaderCopy(FCID("SLNG"), &value)) << "a setting, not the unit's identity";
  }
}

// The copy holds what was written whole: one of garbage holds nothing until
// the store gives its keys again. The erase takes the copy with the store,
// so an erased unit does not get its old identity back.
TEST_F(StoreTest, TheHeaderCopyHoldsOnlyWholeWritesAndGoesWithTheErase) {
  const std::string copy = nvfiles::Path(nvtest::Base(), nvfiles::kHeaderCopy);
  ASSERT_TRUE(Write(FCID("NVER"), NVRAM_VERSION));
  ASSERT_TRUE(Write(FCID("SENU"), 4711));
  H_NVRAM_vFlashWriteBack();
  std::vector<uint8_t> bytes = nvfiles::Read(copy);
  ASSERT_EQ(12u, bytes.size()) << "one key, its value, the check";
  bytes[5] ^= 0x01;
  WriteRaw(copy, bytes);
  H_NVRAM_eInit();
  DB_DATA_TYPE value = {};
  EXPECT_FALSE(H_NVRAM_bReadHeaderCopy(FCID("SENU"), &value)) << value.u32Val;
  H_NVRAM_vCopyHeader();
  EXPECT_TRUE(H_NVRAM_bReadHeaderCopy(FCID("SENU"), &value) && value.u32Val == 4711u) << value.u32Val;

  ASSERT_TRUE(H_NVRAM_bScratchNVR(NVRAM_SCRATCH_CODE1, NVRAM_SCRATCH_CODE2));
  EXPECT_EQ(-1, nvfiles::Size(copy));
  const U32 u32Damage = H_NVRAM_u32Damage();
  EXPECT_EQ(STATE_VIRGIN, H_NVRAM_eInit());
  EXPECT_EQ(u32Damage, H_NVRAM_u32Damage()) << "an erased store is a new one";
  EXPECT_FALSE(H_NVRAM_bReadHeaderCopy(FCID("SENU"), &value));
}

TEST_F(StoreTest, AStoreOfSomeHundredSettingsIsKept) {
  std::map<std::string, uint32_t> values;
  const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (int i = 0; i < 700; i++) values[std::string("S") + digits[i / 36 % 36] + digits[i % 36] + "7"] = (uint32_t)i;
  nvfiles::Seed(nvtest::Base(), values);
  EXPECT_EQ(STATE_ACTIVE, H_NVRAM_eInit());
  EXPECT_EQ(700u, Walk(H_NVRAM_bReadSEntry).size());
}

TEST_F(StoreTest, StatusBitsPastTheLastSpecialSlotMarkNothing) {
  // The last word with every bit but CREV's set, and values behind all its bits.
  std::vector<uint8_t> status(nvfiles::kStatusBytes, 0);
  nvfiles::Put(status, 4 * 1458, 0xFFFFFFFDu);
  WriteRaw(StatusPath(), status);
  WriteRaw(EntriesPath(), std::vector<uint8_t>(4 * 1459 * 32, 0x11));
  EXPECT_EQ(STATE_ACTIVE, H_NVRAM_eInit());
  EXPECT_EQ((std::vector<FOURCHARID>{FCID("NVER"), FCID("FFST")}), Walk(H_NVRAM_bReadFEntry));
}

TEST_F(StoreTest, InitMakesSearchableDirectories) {
  std::string root = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/velmora-root-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(root.data()));
  ASSERT_EQ(0, mkdir((root + "/tmp").c_str(), 0755));
  setenv("VELMORA_DEVROOT", root.c_str(), 1);
  mode_t saved = umask(027);
  H_NVRAM_eInit();
  umask(saved);
  unsetenv("VELMORA_DEVROOT");
  struct stat st;
  ASSERT_EQ(0, stat((root + "/tmp/velmora").c_str(), &st));
  EXPECT_EQ(0750u, st.st_mode & 0777u) << "0777 less the umask";
}

NVR_ENTRY Entry(FOURCHARID id, U32 value) {
  NVR_ENTRY e;
  e.id = id;
  e.data.vpPointer = nullptr;
  e.data.RawData = value;
  return e;
}

// However the replacement fails, the store reads as the old one: its version
// and the kept key at its old value. Once the status file is in place only
// the kept keys stay marked.
TEST_F(StoreTest, AReplacementCutShortLeavesAStoreThatReadsAsTheOldOne) {
  const struct {
    FS_FAULT_KIND eKind;
    const char* file;
    U32 calls;
    S32 times;
    bool bOldMarks;
  } rows[] = {
      {FS_FAULT_DISK_FULL, nullptr, 0, FS_FAULT_UNTIL_CLEARED, true},
      {FS_FAULT_NO_ACCESS, nullptr, 0, FS_FAULT_UNTIL_CLEARED, true},
      {FS_FAULT_SHORT_WRITE, nullptr, 0, FS_FAULT_UNTIL_CLEARED, true},
      {FS_FAULT_IO_ERROR, "nvr_entries.new", FS_CALL_SYNC, 1, true},
      {FS_FAULT_IO_ERROR, "nvr_statbit.new", FS_CALL_RENAME, 1, true},
      {FS_FAULT_IO_ERROR, "nvr_entries.new", FS_CALL_RENAME, 1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.eKind << " " << (row.file ? row.file : "") << " " << row.calls);
    Reset();
    nvfiles::Seed(nvtest::Base(), {{"NVER", 1}, {"SMDL", 584}, {"SLNG", 5}});
    H_NVRAM_eInit();
    const NVR_ENTRY kept[] = {Entry(FCID("NVER"), NVRAM_VERSION), Entry(FCID("SMDL"), 584)};
    nvtest::Fail(row.eKind, row.times, row.file, row.calls);
    EXPECT_FALSE(H_NVRAM_bReplaceStore(kept, 2));
    FS_vSetFault(nullptr);
    H_NVRAM_eInit();
    EXPECT_EQ(1u, nvtest::Stored("NVER"));
    EXPECT_EQ(584u, nvtest::Stored("SMDL"));
    EXPECT_EQ(row.bOldMarks, nvtest::Stored("SLNG").has_value());
    for (const char* name : {"nvr_entries.new", "nvr_statbit.new"}) EXPECT_EQ(-1, SizeOf(name)) << name;
  }
}

}  // namespace
