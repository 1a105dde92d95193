#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
# One build at a time in the build directory, ./run.sh's too (run.sh says why).
mkdir -p build
exec 9>build/.build.lock
if ! flock -n 9; then
  echo "Another ./run.sh or ./test.sh is building in $(pwd)/build: waiting for it to finish ..."
  flock 9
fi
# Each library and test program compiles as a few units (GoogleTest's headers
# are most of a test file's compile time), and the tests, which mostly wait on timers and
# on the processes they start, run four at a time per processor. The unit's
# code compiles at -O3, where GCC warns of more than at -O2 (the test
# programs' own code at -O1: tests/CMakeLists.txt), and with line tables only
# (-g1), all a backtrace needs, at a fifth less compile time than -g.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_UNITY=ON \
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O3 -g1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O3 -g1 -DNDEBUG"
cmake --build build
# The tests run ./run.sh on this build: it takes the lock itself.
exec 9>&-
ctest --test-dir build --output-on-failure -j "$((4 * $(nproc)))"
