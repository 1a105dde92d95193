#include "test_tempdir.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>

void TEST_vRemoveUnlessFailed(const std::string& dir) {
  if (dir.empty()) return;
  if (::testing::Test::HasFailure()) {
    fprintf(stderr, "kept for inspection: %s\n", dir.c_str());
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}
