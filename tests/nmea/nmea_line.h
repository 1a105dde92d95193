// The UART and NMEA tasks run inside the test program on serial lines made of
// pseudo-terminals: the unit's ports are links to the slave ends under a rig
// directory, and the test holds the master ends as the far side of each line.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <poll.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dd_uart.h"
#include "h_database.h"
#include "h_memory.h"
#include "t_nmea.h"
#include "t_nmea_internal.h"
#include "t_startup.h"
#include "t_uart.h"
#include "test_process.h"
#include "test_tasks.h"
#include "test_tempdir.h"
#include "test_timing.h"
#include "u_convert.h"

namespace nmt {

inline const char* const kPorts[UART_CHANNELS] = {"ttyO4", "ttyO1", "ttyO3"};

// The test program's rig: a directory made on first use and removed when
// the program ends.
inline std::string RigDir(void) {
  static std::string dir;
  if (dir.empty()) {
    dir = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/velmora-nmea-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) return dir;
    mkdir((dir + "/dev").c_str(), 0777);
    atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(dir, ignored);
    });
  }
  return dir;
}

inline U64 NowMs(void) { return L_CLOCK_qwGetTimeInMillis(); }

// A feeder at the line's pace naps until its next byte is due. The clock is
// read once: read again after a late wake-up it can pass the due time, and
// the difference would wrap to a nap of weeks.
inline void SleepUntil(U64 u64DueMs) {
  const U64 now = NowMs();
  if (u64DueMs > now) L_CLOCK_Sleep((U32)(u64DueMs - now));
}

// Waits until cond() holds; FALSE after ms (stretched as TEST_bWaitUntil
// stretches them).
template <typename COND>
bool WaitFor(COND cond, U64 ms) {
  return TEST_bWaitUntil(cond, ms);
}

// Every mail sent to the task before has been handled once it acknowledges
// a marker of an id no task acts on. A marker the task never takes stays
// its own, never freed under it.
inline bool Handled(MBOX mbox) {
  GENERIC_MESSAGE* pMarker = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof *pMarker);
  pMarker->Cmd = CMD_ID_INVALID_ID;
  if (L_MBOX_SendWaitTicks(mbox, pMarker, 3, SEMA_USER_TEST, (TICKS)TEST_u64SlackMs(5000)) != 0 ||
      !L_MBOX_bIsAcknowledged(pMarker)) {
    return false;
  }
  H_MEMORY_vFree(pMarker);
  return true;
}

// Bytes written to each descriptor number, for Line::Consumed.
inline std::atomic<U32> g_au32Written[1024];

inline void Write(int fd, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    if (fd >= 0 && fd < 1024) g_au32Written[fd] += (U32)n;
    done += (size_t)n;
  }
}

// Everything the far end receives within ms of quiet.
inline std::string ReadFar(int fd, int ms) {
  std::string got;
  struct pollfd p = {fd, POLLIN, 0};
  while (poll(&p, 1, ms) > 0) {
    char buffer[512];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    got.append(buffer, (size_t)n);
  }
  return got;
}

// Whether bytes more fit the GPS line's receive queue beside all that is
// still unread of what was written since the UART's count stood at
// u32ReceivedBefore. A feed that waits for it loses nothing however starved
// the machine; one at the pace of a full line only when the unit keeps up,
// which is the board's processor's promise.
inline bool RoomToFeed(U32 u32Written, U32 u32ReceivedBefore, size_t bytes) {
  const U32 taken = T_UART_u32ReceivedBytes(2) - u32ReceivedBefore;
  const U32 queued = (U32)L_QUEUE_Inquire(T_UART_nGetQueue(2, FALSE));
  return u32Written - taken + queued + bytes <= UART_RX2_DEPTH;
}

inline std::string WithChecksum(const std::string& body) {
  return "$" + body + "*" + [&] {
    char hex[3];
    snprintf(hex, sizeof hex, "%02X", T_NMEA_u8Checksum(body.c_str()));
    return std::string(hex);
  }() + "\r\n";
}

// A fresh database as Main leaves it, with the WGS 84 datum and the system
// running; the remote task's mailbox is a capture the test reads.
inline void PrepareUnit(void) {
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  L_MBOX_DefineSema(M_COM1A, SEMA_MBOX_COM1A);
  L_MBOX_DefineSema(M_NMEA, SEMA_MBOX_NMEA);
  while (void* pMsg = L_MBOX_Receive(M_BT_REMOTE)) H_MEMORY_vDumpMail(pMsg);
  H_DATABASE_bUpdateEverythingU32(FCID("TBTR"), M_BT_REMOTE, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("SDTM"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
}

// The UART task, waiting out its start period unless told not to.
inline void StartUart(bool bWaitStartPeriod = true) {
  ASSERT_EQ(0, TEST_StartTask(UARTTASK, T_UART_vMain));
  ASSERT_TRUE(WaitFor([] { return H_DATABASE_bFetch(FCID("TURT"), nullptr, nullptr, nullptr); }, 5000));
  // The task names its mailbox before it sets its channels up, which empties
  // their queues; it reads its mail once they are.
  ASSERT_TRUE(Handled(M_COM1A));
  if (bWaitStartPeriod) {
    ASSERT_TRUE(WaitFor([] { return !T_UART_bInStartPeriod(); }, 5000));
  }
}

// Whether the NMEA task (rather than a stand-in in its slot) reads its lines.
inline bool& NmeaReads(void) {
  static bool s_bReads = false;
  return s_bReads;
}

// The NMEA task, told that the system runs, accepting input. The task names
// its mailbox before it resets its state, so the input flag read at once may
// be the one from before; and run-system settles the line, emptying its
// receive queue, after it has claimed it. Bytes sent before the marker behind
// run-system is handled may be thrown away, as a real line's would be.
inline void StartNmea(void) {
  NmeaReads() = true;
  ASSERT_EQ(0, TEST_StartTask(NMEATASK, T_NMEA_vMain));
  ASSERT_TRUE(WaitFor([] { return H_DATABASE_bFetch(FCID("TNME"), nullptr, nullptr, nullptr); }, 5000));
  GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof *pMsg);
  pMsg->Cmd = CMD_ID_RUN_SYSTEM;
  ASSERT_EQ(0, L_MBOX_Send(M_NMEA, pMsg, 3, 0));
  ASSERT_TRUE(Handled(M_NMEA));
  ASSERT_FALSE(g_NMEA.bIgnoreInput);
}

// The NMEA task's claim of channel 2 at run-system is mail to the UART task:
// bytes that come before it is handled are not the NMEA task's.
inline void WaitNmeaHoldsLine2(void) {
  ASSERT_TRUE(WaitFor([] { return T_UART_taskChannelOwner(2) == NMEATASK; }, 5000));
}

inline void StopTasks(void) {
  NmeaReads() = false;
  T_NMEA_vSetFixTrace(nullptr);
  for (TASK task : {NMEATASK, PCCTASK, UARTTASK}) {
    if (L_TASK_bIsRunning(task)) L_TASK_Terminate(task);
    EXPECT_TRUE(TEST_bJoinTask(task));
  }
}

class Line : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VELMORA_DEVROOT", RigDir().c_str(), 1);
    PrepareUnit();
    for (U8 ch = 0; ch < UART_CHANNELS; ch++) ASSERT_NO_FATAL_FAILURE(OpenLine(ch));
  }

  void TearDown() override {
    StopTasks();
    for (U8 ch = 0; ch < UART_CHANNELS; ch++) {
      tcflow(slave[ch], TCOON);
      close(slave[ch]);
      close(master[ch]);
      unlink((RigDir() + "/dev/" + kPorts[ch]).c_str());
    }
  }

  void OpenLine(U8 ch) {
    master[ch] = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master[ch], 0);
    ASSERT_EQ(0, grantpt(master[ch]));
    ASSERT_EQ(0, unlockpt(master[ch]));
    struct termios tio;
    tcgetattr(master[ch], &tio);
    cfmakeraw(&tio);
    tcsetattr(master[ch], TCSANOW, &tio);
    std::string link = RigDir() + "/dev/" + kPorts[ch];
    unlink(link.c_str());
    ASSERT_EQ(0, symlink(ptsname(master[ch]), link.c_str()));
    // The test's own hold on the slave: for its flow.
    slave[ch] = open(ptsname(master[ch]), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave[ch], 0);
    ASSERT_LT(master[ch], 1024);
    writtenBase[ch] = g_au32Written[master[ch]];
    receivedBase[ch] = T_UART_u32ReceivedBytes(ch);
  }

  // Both tasks, the system running, a line end passed.
  void StartUnit(void) {
    ASSERT_NO_FATAL_FAILURE(StartUart());
    ASSERT_NO_FATAL_FAILURE(StartNmea());
    ASSERT_NO_FATAL_FAILURE(WaitNmeaHoldsLine2());
    ReadFar(master[2], 50);
    Send(2, "\r\n");
  }

  // The far end writes to channel ch; Write counts it for Consumed.
  void Send(U8 ch, const std::string& bytes) { Write(master[ch], bytes); }

  // Waits until every byte written to channel ch is in the unit's hands:
  // taken by the UART task and, where the NMEA task owns the line, parsed.
  bool Consumed(U8 ch = 2) {
    const auto bTaken = [&] {
      return T_UART_u32ReceivedBytes(ch) - receivedBase[ch] == g_au32Written[master[ch]] - writtenBase[ch];
    };
    if (!WaitFor(bTaken, 5000) || !Handled(M_COM1A)) return false;
    if (ch != 2 || !NmeaReads()) return true;
    // The NMEA task reads channel 2 only while it owns the line, which its
    // watchdog may hand back at any moment, also during this wait.
    return WaitFor(
               [&] {
                 return T_UART_taskChannelOwner(ch) != NMEATASK || g_NMEA.bChannel2Released ||
                        L_QUEUE_Inquire(T_UART_nGetQueue(ch, FALSE)) == 0;
               },
               10000) &&
           Handled(M_NMEA);
  }

  void Feed(const std::string& bytes, U8 ch = 2) {
    Send(ch, bytes);
    ASSERT_TRUE(Consumed(ch));
  }

  int master[UART_CHANNELS] = {-1, -1, -1};
  int slave[UART_CHANNELS] = {-1, -1, -1};
  U32 writtenBase[UART_CHANNELS] = {};
  U32 receivedBase[UART_CHANNELS] = {};
};

// The key of a text known only at run time.
inline FOURCHARID Key(const std::string& text) {
  return (U32)(U8)text[0] | (U32)(U8)text[1] << 8 | (U32)(U8)text[2] << 16 | (U32)(U8)text[3] << 24;
}

// A value and whether it is within its time-out; the value is meaningless
// when the key was never written.
struct VALUE {
  DB_DATA_TYPE data = {};
  bool bWritten = false;
  bool bValid = false;
};

inline VALUE Fetch(const std::string& key) {
  VALUE v;
  BOOLEAN bValid = FALSE;
  v.bWritten = H_DATABASE_bFetch(Key(key), &v.data, &bValid, nullptr);
  v.bValid = bValid;
  return v;
}

inline std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The string or number after "key": in a line of JSON written by a program
// (no escapes in the values these files hold).
inline bool JString(const std::string& line, const std::string& key, std::string* value) {
  size_t at = line.find("\"" + key + "\": \"");
  size_t skip = key.size() + 5;
  if (at == std::string::npos) {
    at = line.find("\"" + key + "\":\"");
    skip = key.size() + 4;
  }
  if (at == std::string::npos) return false;
  size_t end = line.find('"', at + skip);
  *value = line.substr(at + skip, end - at - skip);
  return true;
}

inline bool JNumber(const std::string& line, const std::string& key, double* value) {
  for (const std::string& form : {"\"" + key + "\": ", "\"" + key + "\":"}) {
    size_t at = line.find(form);
    if (at != std::string::npos && line[at + form.size()] != '"') {
      *value = strtod(line.c_str() + at + form.size(), nullptr);
      return true;
    }
  }
  return false;
}

// A sentence as the framing keeps it: no start character, the checksum's two
// digits at the end.
inline std::string Framed(const std::string& logged) {
  size_t start = logged.find_first_of("$!");
  size_t star = logged.find('*', start);
  return logged.substr(start + 1, star == std::string::npos ? std::string::npos : star + 2 - start);
}

inline const std::string kRigTool = VELMORA_TOOLS_DIR "/rig";

inline int Tool(const std::string& rig, const std::string& arguments) {
  std::string command = "python3 " + kRigTool + " --rig " + rig + " " + arguments + " > /dev/null 2>&1";
  int status = system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A rig made by the rig tool, its relays stopped and its directory removed
// whatever the outcome.
struct TOOL_RIG {
  std::string dir = TEST_MakeTempDir("velmora-nmea-rig");
  ~TOOL_RIG() {
    Tool(dir, "stop");
    TEST_vRemoveUnlessFailed(dir);
  }
};

}  // namespace nmt
