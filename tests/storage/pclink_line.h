// Channel 2 of the UART task on a pseudo-terminal line whose far end the PC
// (lrzsz) uses: straight through a socat pair, or through the relay.
#pragma once

#include "nmea_line.h"
#include "pclink_peer.h"
#include "u_uart.h"

namespace pclink {

using namespace nmt;

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
    m_relay.reset();
    if (m_peerHold >= 0) close(m_peerHold);
    if (m_socat) TEST_Signal(m_socat.get(), SIGTERM);
    m_socat.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }

  // The unit's ttyO3 and the PC's end, joined by socat; the test's thread
  // owns channel 2 unless a task is to claim it.
  void OpenSocatLine(BOOLEAN bOwn = TRUE) {
    m_peerTty = m_dir + "/peer";
    m_socat = SocatPair(m_dir + "/dev/ttyO3", m_peerTty);
    // Held open so that a PC's exit is no hang-up, which would throw away
    // its last bytes on their way to the unit.
    m_peerHold = open(m_peerTty.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(m_peerHold, 0);
    ASSERT_NO_FATAL_FAILURE(StartUart());
    if (bOwn) {
      ASSERT_NO_FATAL_FAILURE(OwnChannel());
    }
  }

  void OpenRelayLine(std::function<bool(U8)> toPeer, U32 u32PeerRate = 0) {
    m_relay = std::make_unique<PC_RELAY>();
    ASSERT_TRUE(m_relay->Start(m_dir + "/dev/ttyO3", toPeer, u32PeerRate));
    m_peerTty = m_relay->tty;
    ASSERT_NO_FATAL_FAILURE(StartUart());
    ASSERT_NO_FATAL_FAILURE(OwnChannel());
  }

  std::unique_ptr<TEST_PROCESS> Peer(const std::string& command) { return pclink::Peer(m_dir, m_peerTty, command); }

  std::string m_dir;
  std::string m_peerTty;

 private:
  static void OwnChannel(void) {
    ASSERT_TRUE(U_UART_bAllocateChannel(2));
    ASSERT_TRUE(WaitFor([] { return T_UART_bChannelIsOwned(2); }, 5000));
  }

  std::unique_ptr<TEST_PROCESS> m_socat;
  std::unique_ptr<PC_RELAY> m_relay;
  int m_peerHold = -1;
};

}  // namespace pclink
