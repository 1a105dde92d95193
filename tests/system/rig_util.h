// What the whole-process tests on a host rig share: the unit's binary and the
// rig tool, a rig made and removed around a test, the screen as the rig's
// screen tool saves it, and waiting for log lines.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "golden.h"
#include "test_process.h"

namespace rig {

inline const std::string kVelmora = VELMORA_BINARY;
inline const std::string kRigTool = VELMORA_TOOLS_DIR "/rig";

// The tool widens RGB565 by repeating the high bits; the top bits give it back.
inline std::vector<COLOR> FromRgb(const std::vector<U8>& rgb) {
  std::vector<COLOR> pixels(rgb.size() / 3);
  for (size_t i = 0; i < pixels.size(); i++) {
    pixels[i] = (COLOR)((rgb[3 * i] >> 3) << 11 | (rgb[3 * i + 1] >> 2) << 5 | rgb[3 * i + 2] >> 3);
  }
  return pixels;
}

inline int Tool(const std::string& rig, const std::string& arguments) {
  std::string command = "python3 " + kRigTool + " --rig " + rig + " " + arguments + " > /dev/null";
  int status = system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline TEST_RESULT ToolRun(const std::string& rig, const std::vector<std::string>& arguments) {
  std::vector<std::string> args = {"python3", kRigTool, "--rig", rig};
  args.insert(args.end(), arguments.begin(), arguments.end());
  return TEST_Run("/usr/bin/env", args, {}, 20000);
}

// A refusal is one line that names the tool, with status 2, never a trace.
inline void ExpectRefusal(const TEST_RESULT& r, const std::string& why) {
  EXPECT_EQ(2, r.status) << r.err;
  EXPECT_EQ(0u, r.err.rfind("rig: ", 0)) << r.err;
  EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
  EXPECT_NE(std::string::npos, r.err.find(why)) << r.err;
}

// Ends the rig's helpers (pseudo-terminal relays, the paddlewheel) and
// removes the rig whatever the test's outcome.
struct RIG_GUARD {
  std::string dir;
  ~RIG_GUARD() {
    Tool(dir, "stop");
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

// The page on display as the rig's screen tool saves it, in RGB565; empty
// when it cannot be had.
inline std::vector<COLOR> Screen(const std::string& rig) {
  const std::string png = rig + "/screen.png";
  U32 width = 0, height = 0;
  std::vector<U8> rgb;
  std::string error;
  if (Tool(rig, "screen " + png) != 0 || !GOLDEN_bReadPng(png, &width, &height, &rgb, &error)) return {};
  return FromRgb(rgb);
}

inline void MakeRig(const std::string& dir) {
  std::string command = "python3 " + kRigTool + " create " + dir + " > /dev/null";
  ASSERT_EQ(0, system(command.c_str()));
}

// The screen on display once it differs from before (or after two seconds).
inline std::vector<COLOR> NextScreen(const std::string& rig, const std::vector<COLOR>& before) {
  std::vector<COLOR> screen;
  for (int i = 0; i < 40 && (screen = Screen(rig)) == before; i++) usleep(50 * 1000);
  return screen;
}

inline ::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<COLOR>& screen) {
  if (screen.size() != 800u * 480u) return ::testing::AssertionFailure() << "no screen";
  GOLDEN_PICTURE picture = {screen.data(), 800, 480, 800};
  return GOLDEN_Match(RIG_GOLDEN_DIR "/" + name + ".png", picture);
}

// Waits until the unit's output holds text at least n times.
inline bool WaitForCount(TEST_PROCESS* p, const std::string& text, size_t n, int ms) {
  for (int waited = 0; waited <= ms; waited += 10) {
    {
      std::lock_guard<std::mutex> guard(p->lock);
      size_t count = 0;
      for (size_t at = p->out.find(text); at != std::string::npos; at = p->out.find(text, at + 1)) count++;
      if (count >= n) return true;
    }
    usleep(10 * 1000);
  }
  return false;
}

}  // namespace rig
