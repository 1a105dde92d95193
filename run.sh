#!/usr/bin/env bash
# Installs what is missing, builds the unit and what it runs with, and starts
# it on a fresh host rig (stand-ins for the board's devices) with a fresh
# base directory. Both go when the unit ends, unless --keep is given; other
# arguments go to the unit. ./test.sh builds the tests and benchmarks.
set -euo pipefail
cd "$(dirname "$0")"

usage() {
  cat <<'USAGE'
Usage: ./run.sh [--keep] [UNIT OPTION ...]

Installs what is missing, builds the unit and starts it on a fresh host rig
with a fresh base directory, and prints how to look at its screen and press
its keys. Ctrl-C switches the unit off as POWER held does, then removes the
rig and the base directory.

  --keep        keep the rig and the base directory when the unit ends
  --help, -h    this text

The unit's own options (each a word, some with a value after it):
  task_flush            start no task ...
  task_add IDS          ... but these (task ids 1 to 71, comma-separated)
  task_rem IDS          leave these tasks out
  quit_sec S            end the unit after S seconds (status 4)
  fake_key N            a key code the keypad reports as pressed
  debug_sec S           end the unit with a dump when nothing is logged for S seconds (status 3)
  sleeper N             the sonar's pause between pings, in milliseconds
  fake_transducer       a transducer counts as connected
  no_log                write no log lines
  no_adc                leave the analogue inputs unread
  fsync                 sync the log after every line
  nodisclaimer          accepted, changes nothing
  notone                keep the buzzer silent
A word the unit does not know ends it at once with status 1, saying why.
USAGE
}

keep=0
unit_args=()
for arg in "$@"; do
  case "$arg" in
    --keep) keep=1 ;;
    --help | -h)
      usage
      exit 0
      ;;
    *) unit_args+=("$arg") ;;
  esac
done

./tools/install-deps.sh
# One build at a time in the build directory, ./test.sh's too: two at once
# in a fresh tree break each other's configuration and links. The lock goes
# with the build, before the unit starts, so a second run.sh then starts a
# unit of its own.
mkdir -p build
exec 9>build/.build.lock
if ! flock -n 9; then
  echo "Another ./run.sh or ./test.sh is building in $(pwd)/build: waiting for it to finish ..."
  flock 9
fi
# Each library compiles as a few units: less than half the time of a build
# file by file, as in ./test.sh, which shares the build directory.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_UNITY=ON
cmake --build build --target velmora demo_photos
exec 9>&-

rig="" base="" unit="" log=""
finish() {
  if [ -n "$unit" ] && kill -0 "$unit" 2>/dev/null; then
    kill "$unit" 2>/dev/null || true
    wait "$unit" 2>/dev/null || true
  fi
  if [ -n "$rig" ]; then ./tools/rig --rig "$rig" stop || true; fi
  if [ "$keep" = 1 ] && [ -n "$rig" ]; then
    echo "Kept the rig $rig and the base directory $base (the log is $base/velmora.log)."
    echo "The unit starts on them again (the first command starts the rig's serial links again) with:"
    echo "  tools/rig create $rig"
    echo "  VELMORA_DEVROOT=$rig VELMORA_CWD=$base build/src/app/velmora >>$base/velmora.log"
  else
    for dir in "$rig" "$base"; do
      if [ -n "$dir" ]; then rm -rf -- "$dir"; fi
    done
  fi
}
trap finish EXIT
interrupted=0
trap 'interrupted=1' INT TERM

# Ctrl-C switches the unit off as POWER held for three seconds does, so that
# it saves what the user set; the key goes up once the unit has begun its
# shutdown (it waits for that before it ends). A unit that does not end so
# within half a minute, or a second Ctrl-C, ends it at once.
switch_off() {
  trap 'kill -KILL "$unit" 2>/dev/null' INT TERM
  echo
  echo "Switching the unit off (POWER held) ..."
  if ./tools/rig --rig "$rig" key press POWER; then
    for _ in $(seq 100); do
      if ! kill -0 "$unit" 2>/dev/null || grep -q "shutdown (power down)" "$log"; then break; fi
      sleep 0.1
    done
    ./tools/rig --rig "$rig" key release POWER 2>/dev/null || true
  fi
  for _ in $(seq 300); do
    kill -0 "$unit" 2>/dev/null || return 0
    sleep 0.1
  done
  kill "$unit" 2>/dev/null || true
}

rig=$(./tools/rig create)
base=$(mktemp -d /tmp/velmora-base-XXXXXX)
# A new unit with its serial number: the first start asks the set-up questions.
./tools/rig unit "$base"
# The shop demonstration's photos, where the unit looks for them.
mkdir -p "$base/posphoto"
cp -r build/data/posphoto/480_800 "$base/posphoto/"
log="$base/velmora.log"
export VELMORA_DEVROOT="$rig" VELMORA_CWD="$base"
# A session of its own: the terminal's Ctrl-C comes to this script, which
# ends the unit in order, and not to the unit, which would end at once. What
# the unit says on standard error (why it refused its options) is shown here
# too, since the log goes when the unit ends.
: >"$log"
exec 8> >(trap '' INT; exec tee -a "$log" >&2)
shown=$!
setsid ./build/src/app/velmora "${unit_args[@]}" >>"$log" 2>&8 &
unit=$!
exec 8>&-

# What to do next is the README's, printed from it with this rig's paths.
tools=$(pwd)/tools
echo
echo "The unit runs (process $unit) on the rig $rig"
echo "  base directory  $base"
echo "  log             $log"
echo
echo "In another terminal:"
sed -n '/^<!-- run.sh prints this -->$/,/^<!-- end -->$/p' README.md | grep -v -e '^<!--' -e '^```' |
  sed -e "s|<the rig>|$rig|" -e "s|^tools/|$tools/|" -e "s| tests/| $(pwd)/tests/|" -e 's/^/  /'
echo "  \$EDITOR $rig/dev/sonar.cfg        # the simulated water: depth, fish, noise, faults"
echo "  tail -f $log"
echo
echo "Ctrl-C switches the unit off (as POWER held does) and removes the rig and the"
echo "base directory; with run.sh --keep they stay."

set +e
wait "$unit"
status=$?
if [ "$interrupted" = 1 ]; then
  switch_off
  while :; do
    wait "$unit"
    status=$?
    kill -0 "$unit" 2>/dev/null || break
  done
  wait "$shown"
  echo "The unit ended with status $status."
  exit 130
fi
# Its last words before the status line.
wait "$shown"
echo "The unit ended with status $status."
exit "$status"
