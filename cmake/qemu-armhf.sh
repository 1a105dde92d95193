#!/bin/sh
# qemu-armhf.sh PROGRAM [ARGS...]: runs an armhf program on this host under
# qemu's user-mode emulator, as the board's processor, with the loader and C++
# runtime of Debian's cross compiler (qemu falls back to the host's root for
# the multiarch libraries).
#
# A program that starts itself again (GoogleTest's death tests exec argv[0])
# would hand an ARM executable to the host kernel, which cannot run it without
# a binfmt_misc registration that containers seldom have. So the program sees
# this script as its argv[0] and the real executable in VELMORA_ARMHF_EXE: its
# exec comes back here with options only, and is emulated like the first run.
set -eu

self=$(readlink -f "$0")
if [ $# -gt 0 ] && [ -f "$1" ]; then
  VELMORA_ARMHF_EXE=$(readlink -f "$1")
  export VELMORA_ARMHF_EXE
  shift
elif [ -z "${VELMORA_ARMHF_EXE:-}" ]; then
  echo "usage: $0 PROGRAM [ARGS...]" >&2
  exit 2
fi

qemu=$(command -v qemu-arm || command -v qemu-arm-static || true)
if [ -z "$qemu" ]; then
  echo "$0: no qemu-arm; run tools/install-cross-deps.sh" >&2
  exit 2
fi
# The C library comes from the cross compiler's runtime, matching its loader:
# once armhf library packages are installed, the multiarch directories hold
# a C library of another build, and a loader paired with a foreign C library
# crashes in the first thread start.
exec "$qemu" -cpu cortex-a8 -L /usr/arm-linux-gnueabihf -E LD_LIBRARY_PATH=/usr/arm-linux-gnueabihf/lib \
  -0 "$self" "$VELMORA_ARMHF_EXE" "$@"
