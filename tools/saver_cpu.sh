#!/usr/bin/env bash
# The running screen saver's CPU share under Wine:
#   tools/saver_cpu.sh [--size WxH] [--seconds S] [--rounds R] [WINDOWS_BUILD]
# (build defaults to build/windows, size to 1920x1080, S to 10, R to 1). Starts Gyrata.scr full screen in
# a private virtual X display, waits until the spiral turns (the first presented frames, after the
# splash), then reads the process's CPU time (user + system, every thread) over S seconds; then
# pauses it with Space and reads it again. Prints each figure as a share of one core, with the Wine
# server's and the X server's share beside it (they work for the saver too: messages, the picture).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
size=1920x1080 seconds=10 rounds=1
while [ $# -gt 0 ]; do
  case $1 in
    --size) size=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    *) break ;;
  esac
done
build=$(cd "${1:-$root/build/windows}" && pwd)
saver=$(find "$build" -name Gyrata.scr -print -quit)
[ -f "$saver" ] || { echo "no Gyrata.scr in $build (build it first)"; exit 1; }
export WINEPREFIX=$build/wineprefix
ticks_per_second=$(getconf CLK_TCK)

number=$((90 + RANDOM % 400))
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:$number
work=$(mktemp -d /tmp/gyrata_cpu_XXXXXXXX)
saver_pid=
cleanup() {
  [ -n "$saver_pid" ] && kill -9 "$saver_pid" 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# CPU ticks (user + system) of a process and all its threads.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
share() { awk -v a="$1" -v b="$2" -v t="$ticks_per_second" -v s="$seconds" 'BEGIN { printf "%.1f %%", (b - a) / t / s * 100 }'; }
shot() { import -window root "$work/$1.png"; }

# Two screenshots 0.3 s apart differ.
turning() {
  shot a
  sleep 0.3
  shot b
  [ "$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1)" != 0 ]
}

measure() {  # label
  local server xserver s0 w0 x0
  server=$(pgrep -u "$(id -u)" -f '^(/usr/lib/wine/)?wineserver' | head -1 || true)
  s0=$(ticks "$saver_pid") w0=$([ -n "$server" ] && ticks "$server" || echo 0) x0=$(ticks "$xvfb_pid")
  sleep "$seconds"
  printf "%-8s saver %8s   wine server %8s   X server %8s\n" "$1" "$(share "$s0" "$(ticks "$saver_pid")")" \
    "$([ -n "$server" ] && share "$w0" "$(ticks "$server")" || echo -)" "$(share "$x0" "$(ticks "$xvfb_pid")")"
}

echo "Gyrata.scr under Wine at $size: CPU over $seconds s as a share of one core"
for ((round = 1; round <= rounds; ++round)); do
  cp "$saver" "$work/Gyrata.scr"
  rm -f "$work/Gyrata.ini"
  "$root/cmake/wine-run.sh" "$work/Gyrata.scr" >"$work/saver.out" 2>&1 &
  saver_pid=$!
  window=
  for _ in $(seq 1 300); do
    window=$(xdotool search --all --pid "$saver_pid" --name 'Gyrata$' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "no saver window within 30 s:"; cat "$work/saver.out"; exit 1; }
  xdotool mousemove 10 10  # where the keys go; the saver takes this first position as its start
  # The splash replacing the black window changes the screen too: the spiral turns when three
  # checks in a row see the screen change.
  changes=0
  for _ in $(seq 1 100); do
    if turning; then changes=$((changes + 1)); else changes=0; fi
    [ "$changes" = 3 ] && break
  done
  [ "$changes" = 3 ] || { echo "the spiral did not turn"; exit 1; }
  measure running
  xdotool key space
  sleep 1
  measure paused
  xdotool key Escape
  for _ in $(seq 1 50); do kill -0 "$saver_pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$saver_pid" 2>/dev/null || true
  wait "$saver_pid" 2>/dev/null || true
  saver_pid=
done
