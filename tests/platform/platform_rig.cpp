#include "platform_rig.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "test_process.h"

static void RIG_vMakeDirs(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0755);
  }
  mkdir(path.c_str(), 0755);
}

static void RIG_vWriteAt(const std::string& path, const std::string& content) {
  RIG_vMakeDirs(path.substr(0, path.rfind('/')));
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

const std::string& RIG_Dir(void) {
  static std::string s_dir;
  static std::once_flag s_once;
  std::call_once(s_once, [] {
    s_dir = TEST_MakeTempDir("velmora-rig");
    // Each test program makes its own, megabytes with its frame buffer: gone
    // with the program, or thousands of runs fill the disk.
    atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(s_dir, ignored);
    });
    setenv("VELMORA_DEVROOT", s_dir.c_str(), 1);
    RIG_vMakeDirs(s_dir + "/dev/input");
    mkfifo((s_dir + "/dev/input/event6").c_str(), 0666);
    RIG_vWriteAt(s_dir + "/dev/paddlewheel", std::string(4, '\0'));
    RIG_vWriteAt(s_dir + "/dev/buzzer0", "");
    RIG_vWriteAt(s_dir + "/sys/class/backlight/pwm-backlight/brightness", "");
    RIG_vWriteAt(s_dir + "/sys/class/pwm/ehrpwm.2:0/run", "");
    RIG_vWriteAt(s_dir + "/sys/module/board_am335x_Halcyra/parameters/system_id", "0\n");
  });
  return s_dir;
}

std::string RIG_Path(const std::string& boardPath) { return RIG_Dir() + boardPath; }

void RIG_vWriteFile(const std::string& boardPath, const std::string& content) {
  RIG_vWriteAt(RIG_Path(boardPath), content);
}

std::string RIG_ReadFile(const std::string& boardPath) {
  std::ifstream in(RIG_Path(boardPath), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void RIG_vMakeFramebuffer(U32 rows) {
  std::string path = RIG_Path("/dev/fb0");
  RIG_vMakeDirs(path.substr(0, path.rfind('/')));
  unlink(path.c_str());
  std::ofstream(path, std::ios::binary).close();
  (void)!truncate(path.c_str(), (off_t)rows * 800 * 2);
}

double RIG_dNowMs(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}
