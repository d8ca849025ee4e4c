#!/usr/bin/env bash
# Builds and runs every test: the native build, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, the fuzz targets (clang's libFuzzer) for a fixed number of inputs, the
# format check, and the Windows build (unit tests and end-to-end tests under Wine in a
# private virtual X display). Installs what it needs first. Ends with "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/bootstrap.sh || { echo "bootstrap failed"; exit 1; }

jobs=$(nproc)
passed=0
failed=0
status=0

# The Windows tests get a display of their own with a known size, whatever DISPLAY says.
number=$(( 90 + RANDOM % 400 ))
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'WINEPREFIX="$root/build/windows/wineprefix" wineserver -k >/dev/null 2>&1; kill $xvfb_pid 2>/dev/null' EXIT
export DISPLAY=:$number
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || echo "warning: the virtual display $DISPLAY did not start"

run_build() {  # name, cmake arguments...
  local name=$1; shift
  local dir=build/$name log
  echo "=== $name build"
  if ! cmake -S . -B "$dir" "$@" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"; echo "=== $name: configure failed"; failed=$((failed + 1)); status=1; return
  fi
  if ! cmake --build "$dir" -j"$jobs" >"$dir.build.log" 2>&1; then
    grep -E 'error|Error' "$dir.build.log" | head -40; echo "=== $name: build failed"
    failed=$((failed + 1)); status=1; return
  fi
  log=$dir.test.log
  (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 600) 2>&1 | tee "$log" | grep -vE '^ +[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' 
  local line p f
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then
    echo "=== $name: no test summary"; failed=$((failed + 1)); status=1; return
  fi
  f=$(sed -E 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  p=$((t - f))
  passed=$((passed + p)); failed=$((failed + f))
  [ "$f" -eq 0 ] || status=1
}

mkdir -p build
run_build native -DCMAKE_BUILD_TYPE=RelWithDebInfo
if command -v clang++ >/dev/null; then
  run_build fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DGYRATA_FUZZ=ON
else
  echo "=== fuzz: clang++ not found (tools/bootstrap.sh installs it)"; failed=$((failed + 1)); status=1
fi
run_build sanitize -DCMAKE_BUILD_TYPE=Debug -DGYRATA_SANITIZE=ON
run_build windows -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

echo "$passed passed, $failed failed"
exit $status
