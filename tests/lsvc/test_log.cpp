#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "error.h"
#include "test_tasks.h"

namespace {

using ::testing::ExitedWithCode;

TEST(Log, LinesCarryTwoTimesTheTaskIdItsNameAndTheText) {
  ::testing::internal::CaptureStdout();
  log_me("hello %d", 5);
  std::atomic<bool> done{false};
  ASSERT_EQ(0, TEST_StartTask(52, [&] {
    log_me("from a task");
    done = true;
  }));
  ASSERT_TRUE(TEST_bJoinTask(52));
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(std::regex_search(out, std::regex(R"((^|\n) *\d+\.\d{3} +\d+\.\d{3} 72 MAINTHREAD hello 5\r\n)"))) << out;
  EXPECT_TRUE(std::regex_search(out, std::regex(R"(\n *\d+\.\d{3} +\d+\.\d{3} 52 RADARTASK from a task\r\n)")))
      << out;
}

// The field lies between the sleep and the time around both lines, however
// late this thread wakes.
TEST(Log, FirstFieldIsTheTimeSinceThePreviousLine) {
  ::testing::internal::CaptureStdout();
  const U64 before = L_CLOCK_qwGetTimeInMillis();
  log_me("first");
  L_CLOCK_Sleep(1500);
  log_me("second");
  const U64 after = L_CLOCK_qwGetTimeInMillis();
  std::string out = ::testing::internal::GetCapturedStdout();
  std::smatch m;
  ASSERT_TRUE(std::regex_search(out, m, std::regex(R"(\n( *\d+)\.(\d{3}) +\d+\.\d{3} 72 MAINTHREAD second)"))) << out;
  EXPECT_EQ(5u, m[1].str().size()) << "seconds right-aligned in five places";
  const U64 field = std::stoul(m[1].str()) * 1000 + std::stoul(m[2].str());
  EXPECT_GE(field, 1500u);
  EXPECT_LE(field, after - before + 2) << "both clocks count whole milliseconds";
}

TEST(Log, ALongTextIsCutToTheBuffer) {
  std::string text(1000, 'x');
  ::testing::internal::CaptureStdout();
  log_me("%s", text.c_str());
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string::npos, out.find(std::string(255, 'x') + "\r\n"));
  EXPECT_EQ(std::string::npos, out.find(std::string(256, 'x')));
}

TEST(LogDeathTest, SigtermEndsWithStatusTwo) {
  EXPECT_EXIT(
      {
        log_me("ready");
        raise(SIGTERM);
        for (;;) L_CLOCK_Sleep(1000);  // until the end it waits for
      },
      ExitedWithCode(2), "");
}

TEST(LogDeathTest, SigintDumpsTheSevenTablesToStandardErrorThenEndsWithStatusTwo) {
  EXPECT_EXIT(
      {
        log_me("ready");
        raise(SIGINT);
        for (;;) L_CLOCK_Sleep(1000);  // until the end it waits for
      },
      ExitedWithCode(2),
      "task information \\(71 total\\)(.|\n)*timer information(.|\n)*semaphore information \\(317 total\\)(.|\n)*"
      "queue information \\(13 total\\)(.|\n)*mutex information \\(117 total\\)(.|\n)*"
      "mbox information \\(81 total\\)(.|\n)*memory block information \\(0 static 8 dynamic\\)(.|\n)*status 2");
}

TEST(LogDeathTest, QuitSecondsEndWithStatusFourEvenWithoutLogOutput) {
  EXPECT_EXIT(
      {
        quit_seconds = 1;
        L_CLOCK_Sleep(5);
        log_me("past the quit time");
        for (;;) L_CLOCK_Sleep(1000);  // until the end it waits for
      },
      ExitedWithCode(4), "quit seconds expired");
  EXPECT_EXIT(
      {
        opt_nolog = 1;
        quit_seconds = 1;
        L_CLOCK_Sleep(5);
        log_me("not printed");
        for (;;) L_CLOCK_Sleep(1000);  // until the end it waits for
      },
      ExitedWithCode(4), "");
}

TEST(LogDeathTest, QuitSecondsEndAQuietProcessToo) {
  EXPECT_EXIT(
      {
        quit_seconds = (S64)L_CLOCK_qwGetTimeInMillis() + 200;
        log_me("the last line before a quiet spell");
        for (;;) L_CLOCK_Sleep(1000);  // until the end it waits for
      },
      ExitedWithCode(4), "quit seconds expired");
}

TEST(LogDeathTest, WatchdogEndsWithStatusThreeWhenTheLogFallsSilent) {
  EXPECT_EXIT(
      {
        debug_seconds = 1;
        log_me("arming the watchdog");
        for (;;) L_CLOCK_Sleep(1000);  // until the end it waits for
      },
      ExitedWithCode(3), "task information");
}

TEST(LogDeathTest, BadCommandLineBailsOutWithStatusOne) {
  EXPECT_EXIT(bail_out("invalid argument %s", "bogus"), ExitedWithCode(1), "");
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(FatalError, RecordIsAppendedToFatalLogInTheBaseDirectory) {
  std::string path = std::string(L_UTILS_cpGetPathnamePtr()) + "/FATAL.LOG";
  std::string before = ReadAll(path);
  ::testing::internal::CaptureStdout();
  ERROR_error("somefile", 123, "something broke");
  std::string out = ::testing::internal::GetCapturedStdout();
  std::string after = ReadAll(path);
  ASSERT_GT(after.size(), before.size());
  std::string added = after.substr(before.size());
  EXPECT_TRUE(std::regex_match(added, std::regex(R"(\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}\nerror: something broke in somefile at 123\n)")))
      << added;
  EXPECT_NE(std::string::npos, out.find("error: something broke in somefile at 123"));
}

TEST(FatalErrorDeathTest, ABaseTheSystemRefusesLeavesTheRecordInTheLog) {
  const char* saved = getenv("VELMORA_CWD");
  std::string original = saved ? saved : "";
  setenv("VELMORA_CWD", (original + "/" + std::string(600, 'd')).c_str(), 1);
  EXPECT_EXIT(
      {
        dup2(2, 1);  // the log goes to standard output; let the matcher see it
        ERROR_vFatal("f", 1, "t");
      },
      ExitedWithCode(10), "Error opening /.*dddd(.|\n)*error: t in f at 1(.|\n)*status 10");
  setenv("VELMORA_CWD", original.c_str(), 1);
}

TEST(FatalErrorDeathTest, ARecordLandsUnderADeepBaseDirectory) {
  // Twelve levels of 60 characters: 732 characters under the test's base.
  // The death test's child runs this body again with the deep base already
  // in its environment, so the levels are added only once.
  std::vector<std::string> levels;
  for (char c = 'a'; c < 'a' + 12; c++) levels.push_back("/" + std::string(60, c));
  std::string root = getenv("VELMORA_CWD"), deep;
  for (const std::string& level : levels) deep += level;
  if (root.ends_with(deep)) root.resize(root.size() - deep.size());
  deep = root;
  for (const std::string& level : levels) {
    deep += level;
    ASSERT_TRUE(mkdir(deep.c_str(), 0777) == 0 || errno == EEXIST) << deep;
  }
  setenv("VELMORA_CWD", deep.c_str(), 1);
  EXPECT_EXIT(ERROR_vFatal("deepfile", 7, "deep trouble"), ExitedWithCode(10), "");
  setenv("VELMORA_CWD", root.c_str(), 1);
  EXPECT_NE(std::string::npos, ReadAll(deep + "/FATAL.LOG").find("error: deep trouble in deepfile at 7\n"));
}

}  // namespace
