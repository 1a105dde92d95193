#!/usr/bin/env bash
# Installs what is missing, builds, and starts the unit on a fresh host rig
# (stand-ins for the board's devices) with a fresh base directory.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build

rig=$(./tools/rig create)
base=$(mktemp -d /tmp/velmora-base-XXXXXX)
log="$base/velmora.log"
export VELMORA_DEVROOT="$rig" VELMORA_CWD="$base"
./build/src/app/velmora "$@" >"$log" 2>&1 &
unit=$!
trap 'kill "$unit" 2>/dev/null || true; wait "$unit" 2>/dev/null || true; ./tools/rig --rig "$rig" stop' EXIT
trap 'exit 130' INT TERM

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

Ctrl-C ends the unit and the rig.
TEXT
set +e
wait "$unit"
status=$?
echo "The unit ended with status $status."
exit "$status"
