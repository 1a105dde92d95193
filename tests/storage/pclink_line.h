// Channel 2 of the UART task on a pseudo-terminal line whose far end an
// XMODEM peer (lrzsz) uses: either straight through a socat pair, or through
// a relay in the test that can lose one byte of the unit's or pace the
// peer's bytes like a serial line.
#pragma once

#include <poll.h>

#include <atomic>
#include <functional>
#include <thread>

#include "nmea_line.h"
#include "u_uart.h"
#include "u_xmodem.h"

namespace pclink {

using namespace nmt;

inline std::vector<U8> Random(size_t size, unsigned seed) {
  std::vector<U8> bytes(size);
  std::srand(seed);
  for (U8& b : bytes) b = (U8)std::rand();
  return bytes;
}

// The bytes as an XMODEM receiver keeps them: the last block filled with 0x1A.
inline std::vector<U8> Padded(std::vector<U8> bytes, size_t block) {
  while (bytes.size() % block != 0) bytes.push_back(XMODEM_PAD);
  return bytes;
}

inline std::vector<U8> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<U8>((std::istreambuf_iterator<char>(in)), {});
}

inline void WriteFile(const std::string& path, const std::vector<U8>& bytes) {
  std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

class PcLine : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = TEST_MakeTempDir("velmora-pclink");
    mkdir((m_dir + "/dev").c_str(), 0700);
    setenv("VELMORA_DEVROOT", m_dir.c_str(), 1);
    PrepareUnit();
  }

  void TearDown() override {
    StopTasks();
    m_bStop = TRUE;
    if (m_relay.joinable()) m_relay.join();
    for (int fd : {m_unitMaster, m_peerMaster, m_peerHold}) {
      if (fd >= 0) close(fd);
    }
    if (m_socat) TEST_Signal(m_socat.get(), SIGTERM);
    m_socat.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }

  // The unit's ttyO3 and the peer's end, joined by socat; the test's thread
  // owns channel 2 unless a task is to claim it.
  void OpenSocatLine(BOOLEAN bOwn = TRUE) {
    m_peerTty = m_dir + "/peer";
    m_socat = TEST_Spawn("/usr/bin/env", {"socat", "-d", "pty,raw,echo=0,link=" + m_dir + "/dev/ttyO3",
                                   "pty,raw,echo=0,link=" + m_peerTty});
    ASSERT_TRUE(WaitFor([&] { return access((m_dir + "/dev/ttyO3").c_str(), F_OK) == 0 &&
                                     access(m_peerTty.c_str(), F_OK) == 0; },
                        5000));
    // Held open so that a peer's exit is no hang-up, which would throw away
    // its last bytes on their way to the unit.
    m_peerHold = open(m_peerTty.c_str(), O_RDWR | O_NOCTTY);
    if (!bOwn) {
      ASSERT_NO_FATAL_FAILURE(StartUart());
      return;
    }
    ASSERT_NO_FATAL_FAILURE(OwnChannel());
  }

  // Two terminals with the relay between their masters. toPeer sees every
  // byte the unit sends and says whether it passes; u32PeerRate > 0 lets the
  // peer's bytes through at that many a second.
  void OpenRelayLine(std::function<bool(U8)> toPeer, U32 u32PeerRate = 0) {
    m_unitMaster = OpenMaster(m_dir + "/dev/ttyO3");
    m_peerMaster = OpenMaster("");
    ASSERT_GE(m_unitMaster, 0);
    ASSERT_GE(m_peerMaster, 0);
    m_peerTty = ptsname(m_peerMaster);
    m_relay = std::thread([=, this] { Relay(toPeer, u32PeerRate); });
    ASSERT_NO_FATAL_FAILURE(OwnChannel());
  }

  // A peer program talking over the line through socat's pipes: lrzsz
  // flushes its terminal as it ends, which on a pseudo-terminal would drop
  // its last ACK before the unit has it.
  // The command is a shell script, so socat sees none of its characters.
  std::unique_ptr<TEST_PROCESS> Peer(const std::string& command) {
    const std::string script = "cd " + m_dir + " && " + command + "\n";
    WriteFile(m_dir + "/peer.sh", std::vector<U8>(script.begin(), script.end()));
    return TEST_Spawn("/usr/bin/env", {"socat", "FILE:" + m_peerTty + ",raw,echo=0", "SYSTEM:sh " + m_dir + "/peer.sh"});
  }

  std::string m_dir;
  std::string m_peerTty;

 private:
  static int OpenMaster(const std::string& link) {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) return -1;
    struct termios tio;
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    if (!link.empty() && symlink(ptsname(fd), link.c_str()) != 0) return -1;
    return fd;
  }

  void Relay(std::function<bool(U8)> toPeer, U32 u32PeerRate) {
    struct pollfd fds[2] = {{m_unitMaster, POLLIN, 0}, {m_peerMaster, POLLIN, 0}};
    U8 buffer[4096];
    while (!m_bStop) {
      if (poll(fds, 2, 50) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        const ssize_t n = read(m_unitMaster, buffer, sizeof buffer);
        for (ssize_t i = 0; i < n; i++) {
          if (toPeer(buffer[i])) Write(m_peerMaster, std::string(1, (char)buffer[i]));
        }
      }
      if (fds[1].revents & POLLIN) {
        const ssize_t n = read(m_peerMaster, buffer, u32PeerRate > 0 ? 64 : sizeof buffer);
        if (n > 0) Write(m_unitMaster, std::string((const char*)buffer, (size_t)n));
        if (n > 0 && u32PeerRate > 0) usleep((useconds_t)(1000000ull * (U64)n / u32PeerRate));
      }
      if ((fds[0].revents | fds[1].revents) & (POLLHUP | POLLERR)) usleep(10000);
    }
  }

  // The UART task running, channel 2 owned by the test's thread.
  void OwnChannel(void) {
    ASSERT_NO_FATAL_FAILURE(StartUart());
    ASSERT_TRUE(U_UART_bAllocateChannel(2));
    ASSERT_TRUE(WaitFor([] { return T_UART_bChannelIsOwned(2); }, 5000));
  }

  std::unique_ptr<TEST_PROCESS> m_socat;
  int m_unitMaster = -1;
  int m_peerMaster = -1;
  int m_peerHold = -1;
  std::atomic<bool> m_bStop{false};
  std::thread m_relay;
};

}  // namespace pclink
