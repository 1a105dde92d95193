// Helpers of the NVR store tests: a file layer that counts or refuses the
// store's writes and flushes, over a fresh base directory per test.
#pragma once

#include <errno.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "h_database.h"
#include "h_memory.h"
#include "h_nvram.h"
#include "nvram_files.h"
#include "test_tasks.h"

namespace nvtest {

inline std::string Base() { return L_UTILS_cpGetPathnamePtr(); }

inline std::optional<uint32_t> Stored(const char* key) { return nvfiles::Stored(Base(), key); }

inline U32 Fetch(FOURCHARID id) {
  U32 value = 0xDEADBEEF;
  EXPECT_TRUE(H_DATABASE_bFetchU32(id, &value, nullptr, nullptr)) << std::string((const char*)&id, 4);
  return value;
}

inline BOOLEAN Has(FOURCHARID id) { return H_DATABASE_bFetch(id, nullptr, nullptr, nullptr); }

// ---------------------------------------------------------------------------
// A file layer under test control

struct FILE_EVENT {
  NVRAM_FILENAMES_ED eFile;
  bool bSync;    // a flush; otherwise a write
  off_t offset;  // of a write
};

inline std::mutex g_EventLock;
inline std::vector<FILE_EVENT> g_Events;
// Writes to this file fail while the count is above zero (each failure counts it down).
inline std::atomic<int> g_nFailWrites{0};
inline std::atomic<NVRAM_FILENAMES_ED> g_eFailFile{nfFCID_ENTRIES};
inline std::atomic<bool> g_bFailSync{false};

inline ssize_t RecordingWrite(NVRAM_FILENAMES_ED eFile, int fd, const void* pData, size_t size, off_t offset) {
  if (eFile == g_eFailFile && g_nFailWrites > 0) {
    g_nFailWrites--;
    errno = ENOSPC;
    return -1;
  }
  std::lock_guard<std::mutex> guard(g_EventLock);
  g_Events.push_back({eFile, false, offset});
  return pwrite(fd, pData, size, offset);
}

inline int RecordingSync(NVRAM_FILENAMES_ED eFile, int fd) {
  if (g_bFailSync) {
    errno = EIO;
    return -1;
  }
  std::lock_guard<std::mutex> guard(g_EventLock);
  g_Events.push_back({eFile, true, 0});
  return fsync(fd);
}

inline const NVRAM_FILE_OPS kRecordingOps = {RecordingWrite, RecordingSync};

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

// The store's files removed, the real file layer back, a fresh table.
class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vSetClock(nullptr);
    H_DATABASE_vInit();
    H_NVRAM_vSetFileOps(&kRecordingOps);
    Reset();
  }
  void TearDown() override {
    Reset();
    H_NVRAM_vSetFileOps(nullptr);
    H_DATABASE_vInit();
  }
  static void Reset() {
    g_nFailWrites = 0;
    g_bFailSync = false;
    TakeEvents();
    nvfiles::RemoveAll(Base());
    // Forgets the descriptors of the files just removed.
    H_NVRAM_eInit();
  }
};

}  // namespace nvtest
