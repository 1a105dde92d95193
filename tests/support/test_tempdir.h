// Temporary directories that go with the test that made them: thousands of
// runs a day would otherwise fill /tmp. A failed test's stay to be looked
// at, and their paths are printed.
#pragma once

#include <string>

// Removes dir unless the running test has failed; then prints where it is.
void TEST_vRemoveUnlessFailed(const std::string& dir);

// Owns a directory (made by TEST_MakeTempDir) for the test's scope.
struct TEST_TEMP_DIR {
  std::string dir;
  ~TEST_TEMP_DIR() { TEST_vRemoveUnlessFailed(dir); }
};
