#!/usr/bin/env bash
# Installs what is missing, builds, and starts the unit on a fresh base
# directory. Only the service layer exists so far: this runs its
# measurements (mail between tasks, the heap) as a first sign of life.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
base=$(mktemp -d /tmp/velmora-XXXXXX)
echo "Base directory: $base"
VELMORA_CWD="$base" ./build/bench/bench_lsvc --benchmark_filter='Mail|Heap' --benchmark_min_time=0.2
