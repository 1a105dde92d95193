#!/usr/bin/env bash
# Holds the host's build and the board's (armhf, run under qemu) to the same
# bytes for every file the unit stores or sends: each build writes the cases of
# tests/stored/ into a directory of its own, the two directories must match
# file for file and byte for byte, and each build then reads the other's.
#
#   tools/compare-stored-files.sh HOST_BUILD_DIR BOARD_BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 2 ] || { echo "usage: $0 HOST_BUILD_DIR BOARD_BUILD_DIR" >&2; exit 2; }
host=("$1/tests/stored/stored_tests")
board=("$root/cmake/qemu-armhf.sh" "$2/tests/stored/stored_tests")

out=$(mktemp -d "${TMPDIR:-/tmp}/velmora-stored-XXXXXX")
trap 'rm -rf "$out"' EXIT

# run NAME VAR=VALUE PROGRAM...: the program's output is shown only when it fails.
run() {
  local name=$1 setting=$2
  shift 2
  if env "$setting" "$@" --gtest_brief=1 >"$out/$name.log" 2>&1; then
    echo "$name: passed"
  else
    cat "$out/$name.log"
    echo "$name: FAILED"
    return 1
  fi
}

echo "== writing with the host's build and the board's"
run "host writes" VELMORA_STORED_WRITE="$out/host" "${host[@]}"
run "board writes" VELMORA_STORED_WRITE="$out/board" "${board[@]}"

echo "== comparing"
mapfile -t files < <(cd "$out" && find host board -type f | cut -d/ -f2- | sort -u)
passed=0
failed=0
for f in "${files[@]}"; do
  if cmp "$out/host/$f" "$out/board/$f"; then
    passed=$((passed + 1))
  else
    echo "differs between host and board: $f"
    failed=$((failed + 1))
  fi
done
if [ ${#files[@]} -eq 0 ]; then
  echo "no stored files were written"
  failed=1
fi

# Every kind of file the unit stores or sends, by the names the cases give
# them; a kind the builds wrote nothing of is a failure.
echo "== stored file kinds"
kinds=(
  "settings:nvr_entries.dat nvr_statbit.dat"
  "raw blocks:sonar.dat personal.dat"
  "waypoints:nav_waypoint_*"
  "groups:nav_group_*"
  "routes:nav_route_*"
  "tracks:nav_track_*"
  "current-track journal:nav_journal*"
  "transfer stream:nav_transfer*"
  "synchronisation block:nav_sync_block*"
)
for kind in "${kinds[@]}"; do
  name=${kind%%:*}
  count=0
  for pattern in ${kind#*:}; do
    count=$((count + $(find "$out/host" -name "$pattern" -type f | wc -l)))
  done
  if [ "$count" -gt 0 ]; then
    printf '  %-24s %d file(s)\n' "$name" "$count"
  else
    printf '  %-24s none written\n' "$name"
    failed=$((failed + 1))
  fi
done

echo "== reading each build's files with the other"
run "host reads the board's" VELMORA_STORED_READ="$out/board" "${host[@]}" || failed=$((failed + 1))
run "board reads the host's" VELMORA_STORED_READ="$out/host" "${board[@]}" || failed=$((failed + 1))

echo "stored-files: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
