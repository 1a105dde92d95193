// Helpers of the NVR store tests: the store's writes and flushes recorded,
// faults put into them, over a fresh base directory per test.
#pragma once

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "h_database.h"
#include "h_memory.h"
#include "h_nvram.h"
#include "linux_fs.h"
#include "nvram_files.h"
#include "test_tasks.h"
#include "test_keys.h"

namespace nvtest {

inline std::string Base() { return L_UTILS_cpGetPathnamePtr(); }

inline std::optional<uint32_t> Stored(const char* key) { return nvfiles::Stored(Base(), key); }

// The value word, as the store keeps it.
inline U32 Fetch(FOURCHARID id) {
  DB_DATA_TYPE value = {};
  value.u32Val = 0xDEADBEEF;
  EXPECT_TRUE(H_DATABASE_bFetch(id, &value, nullptr, nullptr)) << std::string((const char*)&id, 4);
  return value.u32Val;
}

inline BOOLEAN Has(FOURCHARID id) { return H_DATABASE_bFetch(id, nullptr, nullptr, nullptr); }

// ---------------------------------------------------------------------------
// The store's file calls, watched and failed through the file services

struct FILE_EVENT {
  NVRAM_FILENAMES_ED eFile;
  bool bSync;    // a flush; otherwise a write
  off_t offset;  // of a write
};

inline std::mutex g_EventLock;
inline std::vector<FILE_EVENT> g_Events;

// Writes and flushes of the four store files, by their names.
inline void RecordStoreCall(const FS_TRACE_RECORD* pRecord) {
  static const char* const kNames[nfCOUNT] = {"/sonar.dat", "/personal.dat", "/nvr_statbit.dat", "/nvr_entries.dat"};
  if (pRecord->u32Call != FS_CALL_WRITE && pRecord->u32Call != FS_CALL_SYNC) return;
  const std::string path = pRecord->pcPath;
  for (U32 i = 0; i < nfCOUNT; i++) {
    const size_t length = strlen(kNames[i]);
    if (path.size() >= length && path.compare(path.size() - length, length, kNames[i]) == 0) {
      std::lock_guard<std::mutex> guard(g_EventLock);
      g_Events.push_back({(NVRAM_FILENAMES_ED)i, pRecord->u32Call == FS_CALL_SYNC, pRecord->offset});
    }
  }
}

inline std::vector<FILE_EVENT> TakeEvents() {
  std::lock_guard<std::mutex> guard(g_EventLock);
  std::vector<FILE_EVENT> events;
  events.swap(g_Events);
  return events;
}

inline int CountWrites(const std::vector<FILE_EVENT>& events, NVRAM_FILENAMES_ED eFile) {
  return (int)std::count_if(events.begin(), events.end(),
                            [&](const FILE_EVENT& e) { return e.eFile == eFile && !e.bSync; });
}

// The next `times` calls under the base directory (or under one file of it)
// fail as the fault says; FS_FAULT_UNTIL_CLEARED for all of them.
inline void Fail(FS_FAULT_KIND eKind, S32 times, const char* file = nullptr, U32 calls = 0) {
  const std::string prefix = Base() + "/" + (file != nullptr ? file : "");
  const FS_FAULT fault = {eKind, prefix.c_str(), calls, times};
  FS_vSetFault(&fault);
}

// The store's files removed, the real file layer back, a fresh table.
class StoreTest : public ::testing::Test {
 protected:
  // The store keeps any settings key: its tests make their own.
  TEST_OWN_KEYS m_ownKeys;

  void SetUp() override {
    H_DATABASE_vSetClock(nullptr);
    H_DATABASE_vInit();
    FS_vSetTrace(RecordStoreCall);
    Reset();
  }
  void TearDown() override {
    Reset();
    FS_vSetTrace(nullptr);
    H_DATABASE_vInit();
  }
  static void Reset() {
    FS_vSetFault(nullptr);
    TakeEvents();
    nvfiles::RemoveAll(Base());
    // Forgets the descriptors of the files just removed.
    H_NVRAM_eInit();
  }
};

}  // namespace nvtest
