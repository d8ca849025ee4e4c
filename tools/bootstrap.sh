#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run command need, when they are missing.
# Safe to run again: it only calls apt-get for what is not there yet.
set -euo pipefail

packages=(
  cmake g++ make pkg-config clang libclang-rt-dev clang-format
  libgtest-dev googletest libbenchmark-dev libpng-dev libgdk-pixbuf-2.0-dev
  mingw-w64 g++-mingw-w64-i686-posix
  wine wine32:i386
  xvfb xdotool x11-utils imagemagick fonts-dejavu-core
  xserver-xephyr libxinerama1:i386
)
optional=(libcairo2-dev libfreetype-dev libagg-dev)

missing=()
for p in "${packages[@]}" "${optional[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index now and then; what is already there usually serves, and
# the install below fails plainly if a package really cannot be had.
if ! "${as_root[@]}" apt-get update -qq; then
  sleep 10
  "${as_root[@]}" apt-get update -qq || echo "bootstrap: some package indexes did not update; going on" >&2
fi
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
# Benchmark comparisons only; the build does without them.
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${optional[@]}" >/dev/null || true
