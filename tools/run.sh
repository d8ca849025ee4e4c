#!/usr/bin/env bash
# Builds the Windows screen saver and starts it full screen: under Wine on the current X display on
# Linux. Without a display it says so and writes the first frame a user would see to a PNG instead.
# Extra arguments go to the screen saver (for example /p HWND or /c).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/bootstrap.sh

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "No X display: writing the first shown frame to build/first-frame.png instead."
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j"$(nproc)" --target gyrata-render >/dev/null
  size=1920x1080
  build/native/tools/gyrata-render --size "$size" --frames 86 --out build/first-frame.png
  echo "Wrote build/first-frame.png ($size)."
  exit 0
fi

cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/windows -j"$(nproc)" --target Gyrata >/dev/null
scr=$(find build/windows -name Gyrata.scr -print -quit)
export WINEPREFIX=${WINEPREFIX:-$root/build/windows/wineprefix}
echo "Starting $scr (Esc ends it)."
exec cmake/wine-run.sh "$scr" "$@"
