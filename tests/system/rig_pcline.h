// A PC on ttyO3 of a host rig: its end of the line, and the unit it talks
// to on a fresh rig.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdio.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "rig_unit.h"
#include "test_timing.h"

namespace rigunit {

// The PC's end of the line.
struct PC_LINE {
  int fd = -1;
  ~PC_LINE() {
    if (fd >= 0) close(fd);
  }

  // The end of a serial line at path, raw.
  void OpenRaw(const std::string& path) {
    fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << path;
    struct termios tio;
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }

  void Send(const std::string& bytes) const { ASSERT_EQ((ssize_t)bytes.size(), write(fd, bytes.data(), bytes.size())); }

  // What arrives until done(got) holds, or until ms have passed (stretched
  // as TEST_bWaitUntil stretches them).
  std::string Until(const std::function<bool(const std::string&)>& done, int ms = 5000) const {
    std::string got;
    TEST_bWaitUntil(
        [&] {
          struct pollfd p = {fd, POLLIN, 0};
          while (poll(&p, 1, 0) > 0) {
            char buffer[512];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, (size_t)n);
          }
          return done(got);
        },
        (U64)ms);
    return got;
  }

  // The reply of nLines lines (each ended by CR LF or LF CR).
  std::string Ask(const std::string& request, size_t nLines = 1) const {
    Send(request);
    return Until([nLines](const std::string& got) { return Lines(got) >= nLines; });
  }

  // What a request brings before the reply to a probe sent after it: the
  // unit answers the line in order, so "" shows it was not answered, with
  // no silence to wait out.
  std::string Unanswered(const std::string& request, const std::string& probe, const std::string& reply) const {
    Send(request);
    Send(probe);
    const std::string got = Until([&reply](const std::string& g) { return g.find(reply) != std::string::npos; });
    const size_t at = got.find(reply);
    return at == std::string::npos ? got + "(no reply to the probe " + probe + ")" : got.substr(0, at);
  }

  static size_t Lines(const std::string& got) {
    size_t n = 0;
    for (size_t i = 0; i + 1 < got.size(); i++) {
      if ((got[i] == '\r' && got[i + 1] == '\n') || (got[i] == '\n' && got[i + 1] == '\r')) {
        n++;
        i++;
      }
    }
    return n;
  }
};

// The unit on a fresh rig, and the PC's end of ttyO3 once the unit answers
// there. The NMEA task keeps channel 2 for its first 20 s without
// sentences, so the PC asks until the unit answers, as a PC tool would.
struct PC_SESSION {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  std::unique_ptr<TEST_PROCESS> unit;
  PC_LINE pc;

  // A failed conversation is read beside what the unit logged meanwhile.
  ~PC_SESSION() {
    if (unit && ::testing::Test::HasFailure()) fprintf(stderr, "the unit's log:\n%s\n", Out(unit.get()).c_str());
  }

  // prepare, when given, changes the rig before the unit starts.
  void Start(const std::map<std::string, uint32_t>& settings,
             const std::function<void(const std::string& rigDir)>& prepare = {}) {
    ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
    if (prepare) prepare(rig.dir);
    SeedUnit(base.dir, settings);
    unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
    ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "update CVEW to ", 20000)) << Out(unit.get());
  }

  // The PC's end of ttyO3, raw.
  void Open(void) { pc.OpenRaw(rig.dir + "/serial/ttyO3"); }

  void Connect(void) {
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string kTest = "#1234567890\r\n";
    std::string test;
    for (int i = 0; i < 80 && test != kTest; i++) {
      pc.Send("\r\n#T\r\n");
      test = pc.Until([&](const std::string& got) { return got.find(kTest) != std::string::npos; }, 500);
      const size_t at = test.rfind('#');
      test = at == std::string::npos ? "" : test.substr(at);
    }
    ASSERT_EQ(kTest, test);
    // A unit slow to take the line answers tests sent before it did after
    // the first answer; the model, asked last, is answered after them all.
    pc.Send("#M\r");
    const auto bModel = [&kTest](std::string got) {
      for (size_t at; (at = got.find(kTest)) != std::string::npos;) got.erase(at, kTest.size());
      return PC_LINE::Lines(got) >= 1;
    };
    ASSERT_TRUE(bModel(pc.Until(bModel)));
  }

  // A PC's first request, sent once the NMEA task has given back the line
  // it heard nothing on: answered at once.
  void ConnectWithOneRequest(void) {
    ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "channel 2 released", 60000)) << Out(unit.get());
    ASSERT_NO_FATAL_FAILURE(Open());
    pc.Until([](const std::string&) { return true; });  // the NMEA task's queries to the line
    ASSERT_EQ("#1234567890\r\n", pc.Ask("#T\r"));
  }

  // A PC program on the line through socat's pipes (lrzsz flushes a
  // terminal as it ends, which would lose its last ACK). The bound is for a
  // hang only: a store of 3,000 records through the thread checker's build
  // on two busy cores takes a good part of a minute. With sDump, every byte
  // the unit sent on the line is kept in that file, the bytes the program
  // read as well.
  TEST_RESULT RunOnLine(const std::string& script, const std::string& sDump = "") {
    std::ofstream(base.dir + "/pc.sh") << "cd " << base.dir << " && " << script << "\n";
    std::vector<std::string> args = {"socat", "FILE:" + rig.dir + "/serial/ttyO3,raw,echo=0",
                                      "SYSTEM:sh " + base.dir + "/pc.sh"};
    if (!sDump.empty()) args.insert(args.begin() + 1, {"-r", sDump});
    return TEST_Run("/usr/bin/env", args, {}, 180000);
  }
};

}  // namespace rigunit
