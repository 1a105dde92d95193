// Running another implementation as a reference: one process per batch, the
// rows on its standard input, its answer read back line by line.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

// TRUE when `program` can be run (and the build is not for another machine,
// whose emulator cannot start the host's tools).
inline bool bHavePeer(const std::string& program) {
#if VELMORA_NAV_PEERS
  return system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
#else
  (void)program;
  return false;
#endif
}

// The output lines of `command` run on `input`; fails the test when the
// command does not succeed.
inline std::vector<std::string> RunPeer(const std::string& command, const std::string& input) {
  char path[] = "/tmp/velmora-peer-XXXXXX";
  const int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  if (fd < 0) return {};
  EXPECT_EQ((ssize_t)input.size(), write(fd, input.data(), input.size()));
  close(fd);
  std::vector<std::string> lines;
  FILE* pipe = popen((command + " < " + path).c_str(), "r");
  char buffer[4096];
  while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) lines.emplace_back(buffer);
  const int status = pipe != nullptr ? pclose(pipe) : -1;
  unlink(path);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
  return lines;
}

// The numbers of one output line.
inline std::vector<double> Numbers(const std::string& line) {
  std::istringstream in(line);
  std::vector<double> out;
  for (double v; in >> v;) out.push_back(v);
  return out;
}

// The smaller angle between two bearings, degrees.
inline double BearingGap(double a, double b) {
  const double d = fmod(fabs(a - b), 360.0);
  return d > 180.0 ? 360.0 - d : d;
}
