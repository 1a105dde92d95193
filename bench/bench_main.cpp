// The main of the benchmark programs: the service layer first, since task
// memory, bitmaps and messages come from its heap.

#include <benchmark/benchmark.h>

#include "test_tasks.h"

int main(int argc, char** argv) {
  TEST_vInitServiceLayer();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
