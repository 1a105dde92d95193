#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build (-DVELMORA_FUZZ=ON) for a bounded
# time, starting from its seed corpus. The budget is shared
# out among the targets, as many at once as there are processors, each for at
# least 10 seconds. Any finding (a crash, a sanitizer report, a broken check,
# a hang) fails the run; its input is kept in BUILD_DIR/fuzz-out/<target>/.
#
#   tools/run-fuzz.sh BUILD_DIR [SECONDS]     default: 240 seconds in all
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [SECONDS]" >&2; exit 2; }
build=$(cd "$1" && pwd)
budget=${2:-240}
list="$build/fuzz-targets.txt"
[ -s "$list" ] || { echo "no fuzz targets listed in $list: configure with -DVELMORA_FUZZ=ON" >&2; exit 2; }

mapfile -t targets <"$list"
slots=$(nproc)
per=$((budget * slots / ${#targets[@]}))
[ "$per" -gt "$budget" ] && per=$budget
[ "$per" -lt 10 ] && per=10
echo "fuzzing ${#targets[@]} targets for $per s each, $slots at a time"

# Sanitizer reports symbolised without llvm-symbolizer too.
export ASAN_OPTIONS=${ASAN_OPTIONS:-allow_addr2line=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-allow_addr2line=1:print_stacktrace=1}

out="$build/fuzz-out"
rm -rf "$out"
mkdir -p "$out"

# fuzz NAME PROGRAM SEEDS: the seeds first, then inputs of libFuzzer's own
# into a corpus of the run (the committed seeds stay as they are). The log is
# shown on a finding.
fuzz() {
  local name=$1 program=$2 seeds=$3 dir="$out/$1"
  mkdir -p "$dir/corpus"
  if "$program" -max_total_time="$per" -timeout=20 -print_final_stats=1 -artifact_prefix="$dir/" \
    "$dir/corpus" "$seeds" >"$dir/fuzz.log" 2>&1; then
    echo "$name: $(grep -o 'number_of_executed_units: *[0-9]*' "$dir/fuzz.log" | grep -o '[0-9]*$') runs, no finding"
  else
    grep -v '^#[0-9]' "$dir/fuzz.log" | tail -80
    echo "$name: FINDING, input kept in $dir/"
    return 1
  fi
}
export -f fuzz
export out per

printf '%s\n' "${targets[@]}" | xargs -P "$slots" -L 1 bash -c 'fuzz "$@"' _
