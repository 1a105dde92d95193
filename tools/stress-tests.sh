#!/usr/bin/env bash
# Runs one test suite (a ctest label such as rig_tests) N times the way the
# CI runs it, four tests per processor, but on a starved machine: pinned to
# two cores, with a busy loop on each of them. Prints each test that failed
# at least once, with how often; the exit status is 1 when any did.
#
#   tools/stress-tests.sh [--build DIR] [--cores A,B] SUITE N
#
# DIR is the build directory (build/ by default; build-asan for the
# sanitizer build); A,B the two cores (0,1 by default). The output of every
# failed run is kept in DIR/stress/SUITE-RUN.log.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
cores=0,1
while [ $# -gt 2 ]; do
  case $1 in
    --build) build=$2 ;;
    --cores) cores=$2 ;;
    *) break ;;
  esac
  shift 2
done
if [ $# -ne 2 ] || ! [[ $2 =~ ^[1-9][0-9]*$ ]] || ! [[ $cores =~ ^[0-9]+,[0-9]+$ ]]; then
  echo "usage: $0 [--build DIR] [--cores A,B] SUITE N" >&2
  exit 2
fi
suite=$1
runs=$2
jobs=$((4 * 2))
logs=$build/stress
mkdir -p "$logs"
rm -f "$logs/$suite"-*.log

# The busy loops end with the script, however it ends.
busy=()
stop_busy() {
  for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap stop_busy EXIT
for core in ${cores//,/ }; do
  taskset -c "$core" bash -c 'while :; do :; done' &
  busy+=($!)
done

failures=$(mktemp)
trap 'stop_busy; rm -f "$failures"' EXIT
for run in $(seq 1 "$runs"); do
  log=$logs/$suite-$run.log
  if taskset -c "$cores" ctest --test-dir "$build" -L "^$suite\$" -j "$jobs" --output-on-failure >"$log" 2>&1; then
    rm -f "$log"
    echo "run $run: passed"
  else
    # ctest ends with "The following tests FAILED:" and one "N - name (why)" line each.
    sed -n '/The following tests FAILED:/,$p' "$log" | sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' \
      | tee -a "$failures" | sed "s/^/run $run: failed: /"
  fi
done

echo "== $suite, $runs runs in $build, pinned to cores $cores with a busy loop on each"
if [ -s "$failures" ]; then
  sort "$failures" | uniq -c | sort -rn
  exit 1
fi
echo "no test failed"
