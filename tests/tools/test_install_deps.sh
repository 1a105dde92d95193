#!/usr/bin/env bash
# tools/install-deps.sh against a stand-in package database: a machine that
# also has the board's armhf packages installs nothing twice, and a package
# present only for armhf is installed for the host.
set -euo pipefail
script="$1/tools/install-deps.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

# The package database: "name architecture status" a line, each matching
# line printed in the asked format, with no line end unless it asks for one,
# as dpkg-query -W -f does.
cat > "$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
format=${2#-f=}
shift 2
for p in "$@"; do
  found=0
  while read -r name arch status; do
    [ "$name" = "$p" ] || continue
    found=1
    line=${format//'${Package}'/$name}
    line=${line//'${Architecture}'/$arch}
    printf '%b' "${line//'${Status}'/$status}"
  done < "$STUB_DB"
  [ $found = 1 ] || echo "dpkg-query: no packages found matching $p" >&2
done
exit 0
STUB
cat > "$work/bin/dpkg" <<'STUB'
#!/usr/bin/env bash
[ "$1" = --print-architecture ] && echo amd64
STUB
printf '#!/usr/bin/env bash\necho "apt-get $*" >> "$STUB_LOG"\n' > "$work/bin/apt-get"
printf '#!/usr/bin/env bash\n"$@"\n' > "$work/bin/sudo"
printf '#!/usr/bin/env bash\necho 1000\n' > "$work/bin/id"
chmod +x "$work/bin/"*

export STUB_DB="$work/db" STUB_LOG="$work/log" PATH="$work/bin:$PATH"
fail() { echo "FAIL: $*"; exit 1; }

# Installed for both architectures, every one.
: > "$STUB_DB"
for p in $("$script" --list); do
  printf '%s amd64 install ok installed\n%s armhf install ok installed\n' "$p" "$p" >> "$STUB_DB"
done
: > "$STUB_LOG"
out=$("$script")
[ -z "$out" ] || fail "an installed machine was told: $out"
[ ! -s "$STUB_LOG" ] || fail "an installed machine ran: $(cat "$STUB_LOG")"

# zlib1g-dev only for armhf, lrzsz not at all, the fonts architecture-independent.
grep -v -e '^zlib1g-dev amd64' -e '^lrzsz ' -e '^fonts-dejavu-extra ' "$STUB_DB" > "$work/db2"
echo "fonts-dejavu-extra all install ok installed" >> "$work/db2"
mv "$work/db2" "$STUB_DB"
"$script" > /dev/null
expected="apt-get update -qq
apt-get install -y -qq --no-install-recommends zlib1g-dev lrzsz"
[ "$(cat "$STUB_LOG")" = "$expected" ] || fail "expected
$expected
got
$(cat "$STUB_LOG")"
echo "install-deps: both cases pass"
