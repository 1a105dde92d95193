// The main of every test program: a base directory of its own, death tests
// that tolerate threads, and the service layer brought up once.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "test_tasks.h"

int main(int argc, char** argv) {
  // Death-test children inherit the parent's base directory, so a FATAL.LOG
  // they write is where the parent looks.
  if (getenv("VELMORA_CWD") == nullptr) {
    std::string dir = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/velmora-test-XXXXXX";
    if (mkdtemp(dir.data()) != nullptr) setenv("VELMORA_CWD", dir.c_str(), 1);
  }
  ::testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Listing the tests (CTest's discovery) starts nothing: a log line of the
  // service layer on standard output would be read as a test name.
  if (!GTEST_FLAG_GET(list_tests)) TEST_vInitServiceLayer();
  return RUN_ALL_TESTS();
}
