// The main of every test program: a base directory of its own, death tests
// that tolerate threads, and the service layer brought up once.

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "test_tasks.h"

int main(int argc, char** argv) {
  // Death-test children inherit the parent's base directory, so a FATAL.LOG
  // they write is where the parent looks.
  std::string made;
  if (getenv("VELMORA_CWD") == nullptr) {
    std::string dir = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/velmora-test-XXXXXX";
    if (mkdtemp(dir.data()) != nullptr) {
      setenv("VELMORA_CWD", dir.c_str(), 1);
      made = dir;
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Listing the tests (CTest's discovery) starts nothing: a log line of the
  // service layer on standard output would be read as a test name.
  if (!GTEST_FLAG_GET(list_tests)) TEST_vInitServiceLayer();
  const int rc = RUN_ALL_TESTS();
  // Every test program makes one, thousands in a day's runs: a passing run's
  // goes, a failing one's stays to be looked at.
  if (!made.empty() && rc == 0) {
    std::error_code ignored;
    std::filesystem::remove_all(made, ignored);
  } else if (!made.empty()) {
    fprintf(stderr, "kept for inspection: %s\n", made.c_str());
  }
  return rc;
}
