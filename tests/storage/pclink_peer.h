// The PC's side of a serial line for the PC-link tests and benchmarks:
// lrzsz run through socat's pipes on the far end of a pseudo-terminal, and a
// relay between two terminals that can lose one of the unit's bytes or pace
// the PC's bytes like a real line.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "basetypes.h"
#include "linuxsvc.h"
#include "test_process.h"
#include "u_xmodem.h"

namespace pclink {

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

// A raw pseudo-terminal master; its slave linked at link when one is given.
inline int OpenMaster(const std::string& link) {
  const int fd = posix_openpt(O_RDWR | O_NOCTTY);
  if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) return -1;
  struct termios tio;
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  if (!link.empty() && symlink(ptsname(fd), link.c_str()) != 0) return -1;
  return fd;
}

// The unit's terminal (linked at unitLink) and the PC's (tty), bytes copied
// between their masters. toPeer sees each byte of the unit's and says
// whether it passes; a rate above 0 lets the PC's bytes through at that many
// a second.
struct PC_RELAY {
  int unitMaster = -1;
  int peerMaster = -1;
  std::string tty;
  std::atomic<bool> bStop{false};
  std::thread thread;

  bool Start(const std::string& unitLink, std::function<bool(U8)> toPeer, U32 u32PeerRate) {
    unitMaster = OpenMaster(unitLink);
    peerMaster = OpenMaster("");
    if (unitMaster < 0 || peerMaster < 0) return false;
    tty = ptsname(peerMaster);
    thread = std::thread([=, this] { Run(toPeer, u32PeerRate); });
    return true;
  }

  ~PC_RELAY() {
    bStop = true;
    if (thread.joinable()) thread.join();
    for (int fd : {unitMaster, peerMaster}) {
      if (fd >= 0) close(fd);
    }
  }

  static void Put(int fd, const U8* p, size_t n) {
    for (size_t done = 0; done < n;) {
      const ssize_t w = write(fd, p + done, n - done);
      if (w <= 0) return;
      done += (size_t)w;
    }
  }

  void Run(std::function<bool(U8)> toPeer, U32 u32PeerRate) {
    struct pollfd fds[2] = {{unitMaster, POLLIN, 0}, {peerMaster, POLLIN, 0}};
    U8 buffer[4096];
    double due = 0;  // when the line is free for the PC's next byte
    while (!bStop) {
      if (poll(fds, 2, 20) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        const ssize_t n = read(unitMaster, buffer, sizeof buffer);
        for (ssize_t i = 0; i < n; i++) {
          if (toPeer(buffer[i])) Put(peerMaster, &buffer[i], 1);
        }
      }
      if (fds[1].revents & POLLIN) {
        const ssize_t n = read(peerMaster, buffer, u32PeerRate > 0 ? 16 : sizeof buffer);
        if (n > 0) Put(unitMaster, buffer, (size_t)n);
        // The line is busy until those bytes have gone at its rate.
        if (n > 0 && u32PeerRate > 0) {
          const double now = (double)L_CLOCK_qwGetTimeInMicros() / 1e6;
          // A sleep that overshoots is made up, not added; a pause resets.
          if (now > due + 0.005) due = now;
          due += (double)n / u32PeerRate;
          if (due > now) usleep((useconds_t)((due - now) * 1e6));
        }
      }
      if ((fds[0].revents | fds[1].revents) & (POLLHUP | POLLERR)) usleep(10000);
    }
  }
};

// A PC program on tty through socat's pipes: lrzsz flushes its terminal as
// it ends, which on a pseudo-terminal would drop its last ACK before the
// unit has it. The command is a shell script in dir, so socat sees none of
// its characters.
inline std::unique_ptr<TEST_PROCESS> Peer(const std::string& dir, const std::string& tty, const std::string& command) {
  const std::string script = "cd " + dir + " && " + command + "\n";
  WriteFile(dir + "/peer.sh", std::vector<U8>(script.begin(), script.end()));
  return TEST_Spawn("/usr/bin/env", {"socat", "FILE:" + tty + ",raw,echo=0", "SYSTEM:sh " + dir + "/peer.sh"});
}

// socat's pair of terminals, linked at a and b.
inline std::unique_ptr<TEST_PROCESS> SocatPair(const std::string& a, const std::string& b) {
  auto socat = TEST_Spawn("/usr/bin/env", {"socat", "-d", "pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b});
  for (int i = 0; i < 250 && (access(a.c_str(), F_OK) != 0 || access(b.c_str(), F_OK) != 0); i++) usleep(20000);
  return socat;
}

}  // namespace pclink
