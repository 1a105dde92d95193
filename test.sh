#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
# Each library and test program compiles as a few units (GoogleTest's headers
# are most of a test file's compile time), and the tests, which mostly wait on timers and
# on the processes they start, run four at a time per processor. The unit's
# code compiles at -O3, where GCC warns of more than at -O2 (the test
# programs' own code at -O1: tests/CMakeLists.txt), and with line tables only
# (-g1), all a backtrace needs, at a fifth less compile time than -g.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_UNITY=ON \
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O3 -g1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O3 -g1 -DNDEBUG"
cmake --build build
ctest --test-dir build --output-on-failure -j "$((4 * $(nproc)))"
