#!/usr/bin/env bash
# Runs an e2e_driver scenario and, while the driver says READY, looks at the X screen itself: the
# colours the saver's window really shows.
#   screen_check.sh window PREFIX WINE_RUN DRIVER SAVER [args...]
set -u
kind=$1 prefix=$2 wine_run=$3 driver=$4 saver=$5
shift 5
work=$(mktemp -d)
trap 'kill $driver_pid 2>/dev/null; rm -rf "$work"' EXIT

env WINEPREFIX="$prefix" "$wine_run" "$driver" "$kind" "$saver" "$@" >"$work/out" 2>&1 &
driver_pid=$!

status=0
for _ in $(seq 1 300); do
  grep -q READY "$work/out" && break
  kill -0 $driver_pid 2>/dev/null || break
  sleep 0.1
done
if grep -q READY "$work/out"; then
  import -window root "$work/screen.png"
  pixel() { convert "$work/screen.png" -format "%[pixel:p{$1,$2}]" info:; }
  expect() {  # x y colour what
    local seen; seen=$(pixel "$1" "$2")
    if [ "$seen" = "$3" ]; then echo "ok: $4 ($1,$2) $seen"; else echo "FAILED: $4 ($1,$2) is $seen, not $3"; status=1; fi
  }
  case $kind in
    window)
      expect 683 384 "srgb(47,111,191)" "the square drawn into the back buffer, centre of the screen"
      expect 10 700 "srgb(0,0,0)" "the clear colour"
      expect 1365 767 "srgb(0,0,0)" "the clear colour at the last screen pixel"
      ;;
  esac
else
  echo "FAILED: the driver never said READY"
  status=1
fi
for _ in $(seq 1 200); do kill -0 $driver_pid 2>/dev/null || break; sleep 0.1; done
wait $driver_pid
driver_status=$?
cat "$work/out"
[ $driver_status -eq 0 ] || status=1
exit $status
