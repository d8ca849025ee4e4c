#!/usr/bin/env bash
# Runs an e2e_driver scenario and, while the driver says READY, looks at the X screen itself: the
# colours the saver's window really shows.
#   screen_check.sh window PREFIX WINE_RUN DRIVER SAVER [args...]
set -u
kind=$1 prefix=$2 wine_run=$3 driver=$4 saver=$5
shift 5
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=screen_lib.sh
source "$here/screen_lib.sh"
work=$(mktemp -d)
trap 'kill $driver_pid 2>/dev/null; rm -rf "$work"' EXIT

env WINEPREFIX="$prefix" "$wine_run" "$driver" "$kind" "$saver" "$@" >"$work/out" 2>&1 &
driver_pid=$!

for _ in $(seq 1 300); do
  grep -q READY "$work/out" && break
  kill -0 $driver_pid 2>/dev/null || break
  sleep 0.1
done
if grep -q READY "$work/out"; then
  import -window root "$work/screen.png"
  case $kind in
    window)
      # The spiral in scheme 0 (red bright, green dim, never any blue) at the centre; the window covers
      # the screen, so no pixel anywhere has blue and every edge strip shows the spiral's red.
      seen=$(scheme_shown screen)
      [ "$seen" = 0 ] && ok "the spiral in scheme 0 at the centre ($(centre_means screen))" \
                      || fail "the centre shows scheme $seen ($(centre_means screen)), not the spiral's scheme 0"
      for strip in 1366x8+0+0 1366x8+0+760 8x768+0+0 8x768+1358+0; do
        red=$("$im_convert" "$work/screen.png" -crop "$strip" +repage -format '%[fx:maxima.r]' info:)
        awk -v r="$red" 'BEGIN { exit !(r > 0) }' && ok "edge strip $strip shows the spiral (red up to $red)" \
                                                 || fail "edge strip $strip shows no spiral"
      done
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
