#!/usr/bin/env bash
# ./run.sh in a copy of the tree whose package check, build, rig tool and
# unit are stand-ins: --help tells its usage and the unit's options without
# building; a second run.sh started while the first builds waits for that
# build, saying so, rather than building beside it; and the unit's refusal
# of an option is shown, not only logged.
set -euo pipefail
source_tree="$1"
work=$(mktemp -d)
trap 'touch "$work/release"; wait; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

tree="$work/tree"
mkdir -p "$tree/tools" "$tree/build/src/app" "$tree/build/data/posphoto/480_800" "$work/bin"
cp "$source_tree/run.sh" "$tree/"
cp "$source_tree/README.md" "$tree/"
printf '#!/bin/sh\necho "install-deps" >> "%s/log"\n' "$work" > "$tree/tools/install-deps.sh"
# The rig: a directory for each create, nothing to stop.
cat > "$tree/tools/rig" <<STUB
#!/usr/bin/env bash
[ "\$1" = --rig ] && shift 2
[ "\$1" = create ] && mktemp -d -p "$work"
exit 0
STUB
# The unit: refuses any option, as it refuses one it does not know.
printf '#!/bin/sh\n[ $# = 0 ] && exit 0\necho "velmora: invalid argument $1" >&2\nexit 1\n' > "$tree/build/src/app/velmora"
# The build: each logs its start and end; the first waits for the test's
# word, a bounded while.
cat > "$work/bin/cmake" <<STUB
#!/usr/bin/env bash
case " \$* " in
  *" --build "*)
    echo "build \$\$ starts" >> "$work/log"
    if mkdir "$work/first" 2>/dev/null; then
      for _ in \$(seq 1200); do [ -e "$work/release" ] && break; sleep 0.05; done
    fi
    echo "build \$\$ ends" >> "$work/log" ;;
esac
STUB
chmod +x "$tree/tools/"* "$tree/build/src/app/velmora" "$work/bin/cmake"
export PATH="$work/bin:$PATH"
: > "$work/log"

# until CONDITION: true once it holds, false after a minute.
until_true() {
  for _ in $(seq 1200); do
    if eval "$1"; then return 0; fi
    sleep 0.05
  done
  return 1
}

out=$("$tree/run.sh" --help) || fail "run.sh --help ended with status $?"
for word in Usage --keep task_flush task_add task_rem quit_sec fake_key debug_sec sleeper fake_transducer \
  no_log no_adc fsync nodisclaimer notone; do
  grep -q -- "$word" <<<"$out" || fail "run.sh --help does not tell $word: $out"
done
[ ! -s "$work/log" ] || fail "run.sh --help went on to: $(cat "$work/log")"

"$tree/run.sh" >"$work/first.out" 2>&1 &
first=$!
until_true 'grep -q starts "$work/log"' || fail "the first build never started"
"$tree/run.sh" >"$work/second.out" 2>&1 &
second=$!
until_true 'grep -q "building in .*: waiting" "$work/second.out"' ||
  fail "the second run.sh did not say it waits: $(cat "$work/second.out")"
touch "$work/release"
wait "$first" || fail "the first run.sh ended with status $?: $(cat "$work/first.out")"
wait "$second" || fail "the second run.sh ended with status $?: $(cat "$work/second.out")"
order=$(grep build "$work/log" | awk '{ print $3 }' | tr '\n' ' ')
[ "$order" = "starts ends starts ends " ] || fail "the builds overlapped: $(cat "$work/log")"
grep -q "The unit ended with status 0" "$work/second.out" || fail "the second run.sh did not start its unit"

# A unit that refuses its options says why where run.sh was started.
status=0
"$tree/run.sh" bogus >"$work/bogus.out" 2>&1 || status=$?
[ "$status" = 1 ] || fail "run.sh bogus ended with status $status"
grep -q "velmora: invalid argument bogus" "$work/bogus.out" || fail "the unit's reason was not shown: $(cat "$work/bogus.out")"
echo "run.sh tells its usage, builds one at a time and shows why the unit refused its options"
