#!/usr/bin/env bash
# tools/rig given numbers out of range: each is refused in one line with
# status 2 before anything reaches the unit, so no key is left down (a
# POWER held down switches the unit off) and nothing is fed; a hold ended by
# Ctrl-C lets its key up.
set -euo pipefail
rig_tool="$1/tools/rig"
work=$(mktemp -d)
rig="$work/rig"
# The keypad as the rig makes it, read by this test in the unit's place; no
# serial ports, so a feed that got past its numbers would fail on the port.
mkdir -p "$rig/dev/input"
mkfifo "$rig/dev/input/event6"
exec 3<>"$rig/dev/input/event6"
trap 'exec 3<&-; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
touch "$work/nmea"

refused() {
  local option=$1
  shift
  local status=0
  python3 "$rig_tool" --rig "$rig" "$@" >"$work/out" 2>"$work/err" || status=$?
  [ "$status" = 2 ] || fail "$* ended with status $status: $(cat "$work/err")"
  [ ! -s "$work/out" ] || fail "$* printed: $(cat "$work/out")"
  [ "$(wc -l <"$work/err")" = 1 ] || fail "$* did not say why in one line: $(cat "$work/err")"
  grep -q -- "$option" "$work/err" || fail "$* did not name $option: $(cat "$work/err")"
  if read -r -t 0 -u 3; then fail "$* sent a key"; fi
}

for ms in -1 -5 abc 1e3 nan 600001; do refused --ms key hold POWER --ms "$ms"; done
for b in 0 -9600 4801 nan 38400.5; do refused --baud feed ttyO3 "$work/nmea" --baud "$b"; done
for n in -1 0 x; do refused --repeat feed ttyO3 "$work/nmea" --repeat "$n"; done
for s in -1 nan inf 3601; do refused --every feed ttyO3 "$work/nmea" --every "$s"; done
for p in -0.1 1.5 nan; do
  refused --drop feed ttyO3 "$work/nmea" --drop "$p"
  refused --corrupt feed ttyO3 "$work/nmea" --corrupt "$p"
done
for hz in -3 nan inf 10001; do refused hz speed "$hz"; done
for n in -1 4294967295 x; do refused --serial unit "$work" --serial "$n"; done
for n in -1 x; do refused --frames view --frames "$n"; done

# A hold ended by Ctrl-C: down, then up. The tool runs with SIGINT at its
# default, as from a terminal (a background job of a script ignores it).
python3 -c 'import os, signal, sys; signal.signal(signal.SIGINT, signal.SIG_DFL); os.execvp(sys.argv[1], sys.argv[1:])' \
  python3 "$rig_tool" --rig "$rig" key hold MENU --ms 60000 2>/dev/null &
hold=$!
# Each send is the key's input_event and a sync, laid out as this host's;
# the key's value (1 down, 0 up) is the word after its time, type and code.
read -r size at < <(python3 -c 'import struct; print(2 * struct.calcsize("@llHHi"), struct.calcsize("@llHH"))')
value() { timeout 20 dd bs="$size" count=1 iflag=fullblock status=none <&3 | od -An -v -tu1 -j "$at" -N 1 | tr -d ' '; }
[ "$(value)" = 1 ] || fail "no key down"
kill -INT "$hold"
[ "$(value)" = 0 ] || fail "the key stayed down after Ctrl-C"
wait "$hold" || true
echo "every bad number refused before anything was sent"
