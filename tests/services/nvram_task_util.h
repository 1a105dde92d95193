// Helpers of the NVR task tests: the real NVR task started and stopped inside
// the test program on the test's base directory, its requests sent as mail.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "nvram_test_util.h"
#include "t_nvram.h"

namespace nvtest {

constexpr SEMA kAckSema = SEMA_PERSONAL_DATA;

// The board files the task touches (the backlight) lie under a rig of the
// base directory, never the host's own.
inline const std::string kBrightness = "/sys/class/backlight/pwm-backlight/brightness";

inline std::string RigPath(const std::string& boardPath) { return Base() + "/rig" + boardPath; }

inline std::string RigFile(const std::string& boardPath) {
  std::ifstream in(RigPath(boardPath));
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class NvramTaskTest : public StoreTest {
 protected:
  static void SetUpTestSuite() {
    for (const char* dir : {"/rig", "/rig/tmp", "/rig/sys", "/rig/sys/class", "/rig/sys/class/backlight",
                            "/rig/sys/class/backlight/pwm-backlight"}) {
      mkdir((Base() + dir).c_str(), 0777);
    }
    setenv("VELMORA_DEVROOT", (Base() + "/rig").c_str(), 1);
  }
  static void TearDownTestSuite() { unsetenv("VELMORA_DEVROOT"); }

  void SetUp() override {
    StoreTest::SetUp();
    L_MBOX_DefineSema(M_NVRAM, SEMA_MBOX_NVRAM);
  }
  void TearDown() override {
    Stop(true);
    while (void* pMsg = L_MBOX_Receive(M_DISPLAY)) H_MEMORY_vDumpMail(pMsg);
    // A start on an empty store, as at the next power-up of a new unit, so
    // that no later test finds this test's settings lost.
    Reset();
    H_DATABASE_vInit();
    T_NVRAM_u32Start();
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
