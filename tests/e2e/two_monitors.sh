#!/usr/bin/env bash
# The full-screen saver on a desk of two monitors side by side: a nested X server with two Xinerama
# heads (1366x768 at 0,0, the primary, and 800x600 at 1366,0) inside the display that DISPLAY names,
# and a Wine prefix of its own that reads the monitors from Xinerama. An open picture on the second
# monitor stands for the user's documents: the saver must hide it and show it again at the end.
# Exit code 0 when every check held.
#   two_monitors.sh SCENARIO PREFIX WINE_RUN DRIVER SAVER
# Scenarios: escape (keys and a click over the second monitor, then Esc there), close (a close from
# outside sent to the black window), display-change (the system's message to every window).
set -u
scenario=$1 prefix=$2 wine_run=$3 driver=$4 saver=$5
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=screen_lib.sh
source "$here/screen_lib.sh"
e2e_begin

xephyr_pid=
document_pid=
monitors_cleanup() {
  [ -n "$document_pid" ] && kill "$document_pid" 2>/dev/null
  [ -n "$xephyr_pid" ] && WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
  [ -n "$xephyr_pid" ] && kill "$xephyr_pid" 2>/dev/null
}
trap 'e2e_cleanup; monitors_cleanup' EXIT

number=$(( 500 + RANDOM % 400 ))
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
Xephyr ":$number" -ac -nolisten tcp +xinerama -screen 1366x768+0+0 -screen 800x600+1366+0 >"$work/xephyr.out" 2>&1 &
xephyr_pid=$!
export DISPLAY=:$number
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { fail "the nested X server did not start: $(cat "$work/xephyr.out")"; exit 1; }

# The prefix is made once; Wine then takes the monitors from Xinerama rather than XRandR. The setting
# is read when Wine's processes start, so the server that wrote it is let go first.
if [ ! -f "$prefix/.gyrata-xinerama" ]; then
  env WINEPREFIX="$prefix" "$wine_run" reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f \
    >/dev/null 2>&1 || { fail "could not set UseXRandR"; exit 1; }
  WINEPREFIX="$prefix" wineserver -w
  touch "$prefix/.gyrata-xinerama"
fi

driver_says() { env WINEPREFIX="$prefix" "$wine_run" "$driver" "$@" 2>/dev/null | tr -d '\r'; }

seen=$(driver_says monitors | tr '\n' ';')
if [ "$seen" = "monitors 2;monitor 0,0-1366,768 primary;monitor 1366,0-2166,600;" ]; then
  ok "Wine sees the two monitors: $seen"
else
  fail "Wine sees $seen"
  exit 1
fi

# Mean red, green, blue (0..1) and the largest value of any channel, over the second monitor less
# its first column, on which the main window's last column stands.
second_monitor() {  # name
  "$im_convert" "$work/$1.png" -crop 799x600+1367+0 +repage -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b] %[fx:maxima]' info:
}

# Takes screenshots until the second monitor shows the picture (at most 10 s): its program repaints
# what a closed window uncovers when it gets round to it.
wait_for_document() {  # what
  local r g b max tries
  for tries in $(seq 1 50); do
    shot "document_$tries"
    read -r r g b max <<<"$(second_monitor "document_$tries")"
    if awk -v r="$r" -v g="$g" -v b="$b" 'BEGIN { exit !(r > 0.15 && r < 0.25 && g > 0.35 && g < 0.45 && b > 0.75 && b < 0.85) }'; then
      ok "$1: the second monitor shows the picture ($r $g $b)"
      return 0
    fi
    sleep 0.2
  done
  fail "$1: the second monitor shows $r $g $b, not the picture"
}

"$im_convert" -size 800x600 xc:'#3366cc' "$work/document.png"
display -geometry 800x600+1366+0 "$work/document.png" &
document_pid=$!
wait_for_document "before the saver"

# The close scenario starts from a settings file, so that a save would show.
first_scheme=0
if [ "$scenario" != escape ]; then
  printf '2 1 1\0' >"$ini"
  cp "$ini" "$work/before.ini"
  first_scheme=2
fi
start_saver
wait_for_scheme "$first_scheme" 15 "the spiral on the primary monitor" || exit 1
read -r r g b max <<<"$(second_monitor "$last_wait_shot")"
[ "$max" = 0 ] && ok "the second monitor is black" || fail "the second monitor shows $r $g $b (largest value $max)"

windows=$(driver_says saver-windows | sort | tr '\n' ';')
[ "$windows" = "cover 1367,0-2166,600;foreground main;main -1,0-1367,768;" ] &&
  ok "the main window as on one monitor, one black window beside it: $windows" || fail "the saver's windows: $windows"

case $scenario in
  escape)
    # Over the second monitor: a click on the black window leaves the main window in the
    # foreground, and Enter, Down and Esc there steer and end the saver as on the primary.
    xdotool mousemove 1766 300
    sleep 0.2
    xdotool click 1
    sleep 0.3
    foreground=$(driver_says saver-windows | grep '^foreground')
    [ "$foreground" = "foreground main" ] && ok "after a click on the black window: $foreground" ||
      fail "after a click on the black window: $foreground"
    press Return
    wait_for_scheme 1 10 "Enter over the second monitor"
    press Down Escape
    wait_for_exit 5
    [ "$exit_code" = 0 ] && ok "Esc over the second monitor: exit code 0" || fail "Esc: exit code $exit_code"
    expect_file_bytes "$ini" '1 4 -1\0' "settings file after Esc"
    ;;
  close)
    # Enter over the second monitor changes the scheme; the close then goes to the black window,
    # and the run ends as a close of the main window does: at once, exit code 0, nothing saved.
    xdotool mousemove 1766 300
    press Return
    wait_for_scheme 0 10 "Enter over the second monitor"
    if driver_says post-close 'Tarnwick : Gyrata : cover' | grep -q PASSED; then
      ok "WM_CLOSE posted to the black window"
    else
      fail "the driver could not post WM_CLOSE to the black window"
    fi
    wait_for_exit 5
    [ "$exit_code" = 0 ] && ok "closed from outside: exit code 0" || fail "closed from outside: exit code $exit_code"
    cmp -s "$ini" "$work/before.ini" && ok "settings file unchanged: $(hex_of "$ini")" ||
      fail "settings file changed to $(hex_of "$ini")"
    ;;
  display-change)
    # One message, as on a single monitor, and the end without saving once it is dismissed.
    driver_says display-change >"$work/driver.out"
    grep -q PASSED "$work/driver.out" && ok "one display-change message, dismissed" ||
      fail "display change: $(tr '\n' ' ' <"$work/driver.out")"
    wait_for_exit 5
    [ "$exit_code" = 0 ] && ok "after the message: exit code 0" || fail "after the message: exit code $exit_code"
    cmp -s "$ini" "$work/before.ini" && ok "settings file unchanged: $(hex_of "$ini")" ||
      fail "settings file changed to $(hex_of "$ini")"
    ;;
  *)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac

# Nothing of the saver stays on either monitor.
wait_for_document "after the end"
left=$(driver_says saver-windows | grep -v '^foreground' | tr '\n' ' ')
[ -z "$left" ] && ok "no window of the saver left" || fail "windows left: $left"

[ $status -eq 0 ] && echo PASSED || echo FAILED
exit $status
