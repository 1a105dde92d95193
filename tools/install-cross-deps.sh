#!/usr/bin/env bash
# Installs what the board's (armhf) build and its tests under emulation need,
# when missing: the cross compiler, qemu's user-mode emulator and the armhf
# builds of the libraries the host build uses.
#
# Every "-dev" package in tools/install-deps.sh is installed for armhf too,
# so a folder that adds a library there is cross-built without a change here.
# Host-only ones are listed below; target-only ones go in target_extra.
set -euo pipefail
cd "$(dirname "$0")/.."

tools=(g++-arm-linux-gnueabihf qemu-user)
# GoogleTest is built from source for the target; benchmarks are not built;
# the navigation peers (GeographicLib, PROJ), OpenSSL and the second PNG
# decoder serve host tests only, and the rig's screen window runs on the host.
host_only=(libgtest-dev libgmock-dev libbenchmark-dev libgeographiclib-dev libproj-dev libsdl2-dev libssl-dev libspng-dev libnova-dev)
target_extra=()

target=()
for p in $(./tools/install-deps.sh --list) "${target_extra[@]}"; do
  case "$p" in *-dev) ;; *) continue ;; esac
  for h in "${host_only[@]}"; do [ "$p" = "$h" ] && continue 2; done
  target+=("$p:armhf")
done

# A package of architecture "all" (headers only, such as RapidJSON) has no
# armhf build: installed once, it serves both.
installed() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ] ||
    [ "$(dpkg-query -W -f='${Architecture} ${Status}' "${1%:armhf}" 2>/dev/null)" = "all install ok installed" ]
}

missing=()
for p in "${tools[@]}" "${target[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#target[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx armhf; then
  $sudo dpkg --add-architecture armhf
fi
# A mirror caught mid-sync fails an index now and then: a few tries, and
# then the indexes at hand, which hold what a machine of this release needs.
for try in 1 2 3; do
  $sudo apt-get update -qq && break
  [ "$try" -eq 3 ] && echo "apt-get update failed three times; installing from the indexes at hand" >&2
  sleep $((try * 15))
done
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
