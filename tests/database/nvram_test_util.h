// Helpers of the NVR tests: the real NVR task started and stopped inside the
// test program on the test's base directory, its requests sent as mail, and a
// file layer that counts or refuses the store's writes and flushes.
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
#include "t_nvram.h"
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

// ---------------------------------------------------------------------------
// The task

constexpr SEMA kAckSema = SEMA_PERSONAL_DATA;

class NvramTaskTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    L_MBOX_DefineSema(M_NVRAM, SEMA_MBOX_NVRAM);
  }
  void TearDown() override {
    Stop(true);
    StoreTest::TearDown();
  }

  // Starts the task and waits until it has published its mailbox.
  static void Start() {
    ASSERT_EQ(0, TEST_StartTask(NVRTASK, T_NVRAM_vMain));
    for (int waited = 0; !Has(FCID("TNVR")); waited++) {
      ASSERT_LT(waited, 5000) << "the NVR task never published its mailbox";
      L_CLOCK_Sleep(1);
    }
    // Its start is over once it waits for work: only then has it set up the
    // save timer, which would drop a save signal sent before.
    for (int waited = 0; L_SEMA_GetWaitingTaskID(SEMA_MBOX_NVRAM) != NVRTASK; waited++) {
      ASSERT_LT(waited, 5000) << "the NVR task never waited for work";
      L_CLOCK_Sleep(1);
    }
  }

  // With bShutdown the task is told first (it saves); without, it is cut off
  // as by a power loss.
  static void Stop(bool bShutdown) {
    if (!L_TASK_bIsRunning(NVRTASK)) return;
    if (bShutdown) Command(CMD_ID_SHUTDOWN);
    L_TASK_Terminate(NVRTASK);
    EXPECT_TRUE(TEST_bJoinTask(NVRTASK));
  }

  // A power cycle: the task stops, the table starts empty, the task starts.
  static void Restart(bool bShutdown) {
    Stop(bShutdown);
    H_DATABASE_vInit();
    Start();
  }

  // Sends a request and waits until the task is done with it.
  static void Send(GENERIC_MESSAGE* msg, CMD_ID cmd) {
    msg->Cmd = cmd;
    ASSERT_EQ(0, L_MBOX_SendWaitTicks(M_NVRAM, msg, 3, kAckSema, 10000));
    ASSERT_TRUE(L_MBOX_bIsAcknowledged(msg));
  }

  static void Command(CMD_ID cmd) {
    GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE));
    Send(msg, cmd);
    H_MEMORY_vFree(msg);
  }

  static void WriteToNvr(FOURCHARID id) {
    MSG_NVRAM_WRITE_TO_NVR* msg = (MSG_NVRAM_WRITE_TO_NVR*)H_MEMORY_pvCalloc(1, sizeof *msg);
    msg->id = id;
    Send(&msg->Header, CMD_ID_WRITE_TO_NVR);
    H_MEMORY_vFree(msg);
  }

  // The ten-minute tick, and a request behind it to know it is done.
  static void SaveTick() {
    L_SEMA_Signal(SEMA_NVRAM_UPDATE);
    Command(CMD_ID_INVALID_ID);
  }
};

}  // namespace nvtest
