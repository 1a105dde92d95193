#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing;
# with --fuzz also those of the fuzz build.
set -euo pipefail

packages=(
  cmake ninja-build g++ make
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev
  libbluetooth-dev
  libssl-dev
  # Inflate for the card task's PNG images (on the board too).
  zlib1g-dev
  # A second PNG decoder the card task's is checked and timed against.
  libspng-dev
  libfreetype-dev python3 python3-fonttools gettext socat libsdl2-dev
  fonts-dejavu-extra fonts-wqy-microhei fonts-material-design-icons-iconfont fonts-symbola
  # Reference implementations the navigation maths is checked and timed against.
  geographiclib-tools libgeographiclib-dev proj-bin libproj-dev python3-scipy
  # gpsdecode, the AIS decoder's benchmark peer.
  gpsd-clients
  # gpsd, which reads the NMEA output back in the output tests.
  gpsd
  # The PC link's XMODEM peer (sx, rx).
  lrzsz
  # The almanac's peers: libnova (linked by the test) and PyEphem.
  libnova-dev python3-ephem
  # RapidJSON, the accessory JSON decoder's benchmark peer.
  rapidjson-dev
)

# The list alone, for tools/install-cross-deps.sh.
if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

# The fuzz build's compiler and libFuzzer too (-DVELMORA_FUZZ=ON, tools/run-fuzz.sh).
if [ "${1:-}" = --fuzz ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

# A package installed for the board's architecture too (armhf, for the
# cross build) has one line per architecture: only the host's own line, or
# the one of an architecture-independent package, says it is here.
native=$(dpkg --print-architecture)
declare -A present=()
while read -r name arch status; do
  if [ "$status" = "install ok installed" ] && { [ "$arch" = "$native" ] || [ "$arch" = all ]; }; then
    present[$name]=1
  fi
done < <(dpkg-query -W -f='${Package} ${Architecture} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
  [ -n "${present[$p]:-}" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails an index now and then: a few tries, and
# then the indexes at hand, which hold what a machine of this release needs.
for try in 1 2 3; do
  $sudo apt-get update -qq && break
  [ "$try" -eq 3 ] && echo "apt-get update failed three times; installing from the indexes at hand" >&2
  sleep $((try * 15))
done
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
