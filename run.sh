#!/usr/bin/env bash
# Installs what is missing, builds, and starts the unit on a fresh host rig
# (stand-ins for the board's devices) with a fresh base directory. Both go
# when the unit ends, unless --keep is given; other arguments go to the unit.
set -euo pipefail
cd "$(dirname "$0")"
keep=0
unit_args=()
for arg in "$@"; do
  if [ "$arg" = --keep ]; then keep=1; else unit_args+=("$arg"); fi
done

./tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build

rig="" base="" unit=""
finish() {
  if [ -n "$unit" ]; then
    kill "$unit" 2>/dev/null || true
    wait "$unit" 2>/dev/null || true
  fi
  if [ -n "$rig" ]; then ./tools/rig --rig "$rig" stop || true; fi
  if [ "$keep" = 1 ] && [ -n "$rig" ]; then
    echo "Kept the rig $rig and the base directory $base (the log is $base/velmora.log)."
  else
    for dir in "$rig" "$base"; do
      if [ -n "$dir" ]; then rm -rf -- "$dir"; fi
    done
  fi
}
trap finish EXIT
trap 'exit 130' INT TERM

rig=$(./tools/rig create)
base=$(mktemp -d /tmp/velmora-base-XXXXXX)
# A new unit with its serial number: the first start asks the set-up questions.
./tools/rig unit "$base"
# The shop demonstration's photos, where the unit looks for them.
mkdir -p "$base/posphoto"
cp -r build/data/posphoto/480_800 "$base/posphoto/"
log="$base/velmora.log"
export VELMORA_DEVROOT="$rig" VELMORA_CWD="$base"
./build/src/app/velmora "${unit_args[@]}" >"$log" 2>&1 &
unit=$!

tools=$(pwd)/tools
cat <<TEXT

The unit runs (process $unit) on the rig $rig
  base directory  $base
  log             $log

In another terminal:
  export VELMORA_DEVROOT=$rig
  $tools/rig screen screen.png       # the page on display as a PNG
  $tools/rig key hold MENU           # press and release a key; also: key press VIEW, key release VIEW
                                     # keys: POWER MENU EXIT VIEW UP DOWN LEFT RIGHT
  $tools/rig feed ttyO4 FILE.nmea    # NMEA sentences into a serial port (--baud 4800)
  $tools/rig speed 100               # paddlewheel pulses per second
  \$EDITOR $rig/dev/sonar.cfg        # the simulated water: depth, fish, noise, faults
  tail -f $log                       # what the unit logs

Ctrl-C ends the unit and the rig and removes both directories (run.sh --keep
keeps them).
TEXT
set +e
wait "$unit"
status=$?
echo "The unit ended with status $status."
exit "$status"
