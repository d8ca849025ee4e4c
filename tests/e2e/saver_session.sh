#!/usr/bin/env bash
# A user's session with the full-screen saver under Wine: it starts from a private copy of the
# executable (and a known settings file, or none), gets keys through X, is looked at through X
# screenshots, and ends by Esc or by a close from outside. Exit code 0 when every check held.
#   saver_session.sh SCENARIO PREFIX WINE_RUN DRIVER SAVER [RENDER RESOURCES]
# Scenarios: spiral, colour, pause, help, steer, escape, close, splash (which also needs gyrata-render
# and the resources folder).
set -u
scenario=$1 prefix=$2 wine_run=$3 driver=$4 saver=$5 render=${6:-} resources=${7:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=screen_lib.sh
source "$here/screen_lib.sh"
e2e_begin

# Esc, then the exit and the settings file it must leave.
escape_and_expect() {  # printf-format of the file
  press Escape
  wait_for_exit 5
  [ "$exit_code" = 0 ] && ok "Esc: exit code 0" || fail "Esc: exit code $exit_code"
  expect_file_bytes "$ini" "$1" "settings file after Esc"
  local names
  names=$(cd "$work" && ls -A | grep -v '\.png$' | grep -v '^saver\.out$' | sort | tr '\n' ' ')
  [ "$names" = "Gyrata.ini Gyrata.scr " ] && ok "no temporary file left" || fail "files beside the saver: $names"
}

# Two screenshots 0.2 s apart differ widely.
expect_spiral_turns() {
  shot moving_a
  sleep 0.2
  shot moving_b
  local n
  n=$(pixels_differing moving_a moving_b)
  [ "$n" -gt 10000 ] && ok "the spiral turns: $n pixels changed in 0.2 s" || fail "only $n pixels changed in 0.2 s"
}

# Lets the paused spiral run for a moment and pauses it again: the next picture is a whole number
# of passes on from the last one.
run_a_little() {  # name of the next picture
  xdotool key --delay 300 space space
  sleep 0.4
  shot "$1"
}

# The second picture is the first turned the expected way: the best turn has that sign and fits
# clearly better than any turn the other way (the pictures are painted over the previous ones without
# clearing, so even the right turn leaves a small difference).
expect_turn() {  # from to sign(+|-) what
  local k d plus minus
  read -r k d plus minus <<<"$(best_turn "$1" "$2")"
  if awk -v k="$k" -v plus="$plus" -v minus="$minus" -v s="$3" \
       'BEGIN { exit !((s == "+" && k > 0 && plus < 0.7 * minus) || (s == "-" && k < 0 && minus < 0.7 * plus)) }'; then
    ok "$4: turned by $k steps (difference $d; best clockwise $plus, anticlockwise $minus)"
  else
    fail "$4: best turn $k steps (difference $d; best clockwise $plus, anticlockwise $minus); expected a $3 turn"
  fi
  last_turn_fit=$d
}

# No turn explains the second picture: the best fit is well behind what a plain turn of the same
# session achieved.
expect_no_turn_fits() {  # from to what
  local k d plus minus
  read -r k d plus minus <<<"$(best_turn "$1" "$2")"
  if awk -v d="$d" -v plain="$plain_turn_fit" 'BEGIN { exit !(d > 1.5 * plain) }'; then
    ok "$3: no turn of the old picture fits (best $k steps, difference $d; a plain turn: $plain_turn_fit)"
  else
    fail "$3: the picture only turned ($k steps, difference $d; a plain turn: $plain_turn_fit)"
  fi
}

case $scenario in
  spiral)
    # No settings file: scheme 0 (red bright, green dim, no blue) once the 85 hidden frames are over.
    start_saver
    wait_for_scheme 0 15 "first shown frames" || exit 1
    expect_spiral_turns
    escape_and_expect '0 3 -1\0'
    ;;
  colour)
    # Enter: scheme 1 once the next 85 hidden frames are over.
    start_saver
    wait_for_scheme 0 15 "before Enter" || exit 1
    press Return
    wait_for_scheme 1 10 "after Enter"
    escape_and_expect '1 3 -1\0'
    ;;
  pause)
    start_saver
    wait_for_scheme 0 15 "before Space" || exit 1
    press space
    sleep 0.5
    shot paused_a
    sleep 0.4
    shot paused_b
    n=$(pixels_differing paused_a paused_b)
    [ "$n" = 0 ] && ok "paused: the picture stands still" || fail "paused, yet $n pixels changed"
    press space
    sleep 0.3
    shot resumed_a
    sleep 0.3
    shot resumed_b
    n=$(pixels_differing resumed_a resumed_b)
    [ "$n" -gt 10000 ] && ok "resumed: $n pixels changed" || fail "resumed, yet only $n pixels changed"
    escape_and_expect '0 3 -1\0'
    ;;
  steer)
    # From a file without its NUL: scheme 2, period 3, direction -1 (clockwise on the screen). Down,
    # Up, Right, Left, Right leave period 3 and direction +1.
    printf '2 3 -1' >"$ini"
    start_saver
    wait_for_scheme 2 15 "scheme 2 from the settings file" || exit 1
    press space
    sleep 0.4
    shot still_0
    run_a_little still_1
    expect_turn still_0 still_1 + "direction -1 from the file"
    plain_turn_fit=$last_turn_fit
    press Down
    run_a_little still_2
    expect_no_turn_fits still_1 still_2 "after Down"
    press Up
    run_a_little still_3
    expect_no_turn_fits still_2 still_3 "after Up"
    # A turn is measured between two pictures after the key: the first run after a change of
    # direction leaves the older pictures' traces on the other side of the discs.
    press Right
    run_a_little still_4
    run_a_little still_5
    expect_turn still_4 still_5 - "after Right"
    press Left
    run_a_little still_6
    run_a_little still_7
    expect_turn still_6 still_7 + "after Left"
    press Right
    escape_and_expect '2 3 1\0'
    ;;
  escape)
    # No settings file; Enter, Down, Right from 0, 3, -1 give 1, 4, +1.
    start_saver
    wait_for_scheme 0 15 "before the keys" || exit 1
    press Return Down Right
    escape_and_expect '1 4 1\0'
    ;;
  help)
    # Paused, F1 brings the panel into the box at window x 559..808, y 284..483 (the window starts at
    # screen x -1); the second F1 gives back every pixel of the paused picture.
    start_saver
    wait_for_scheme 0 15 "before F1" || exit 1
    press space
    sleep 0.5
    shot paused_a
    press F1
    sleep 0.6
    shot panel
    if result=$(python3 "$here/panel_check.py" "$im_convert" "$work/paused_a.png" "$work/panel.png" 558 284 807 483); then
      ok "panel over the paused picture: $result"
    else
      fail "panel over the paused picture: $result"
    fi
    press F1
    sleep 0.6
    shot paused_b
    n=$(pixels_differing paused_a paused_b)
    [ "$n" = 0 ] && ok "second F1: the paused picture is back, every pixel" || fail "second F1: $n pixels differ"
    # Unpaused, the spiral turns under the panel.
    press space F1
    sleep 0.4
    shot turning_a
    sleep 0.2
    shot turning_b
    "$im_convert" "$work/turning_a.png" -crop 200x150+583+309 +repage "$work/box_a.png"
    "$im_convert" "$work/turning_b.png" -crop 200x150+583+309 +repage "$work/box_b.png"
    n=$(pixels_differing box_a box_b)
    [ "$n" -gt 2000 ] && ok "the spiral turns under the panel: $n pixels of the box changed" ||
      fail "under the panel only $n pixels changed"
    escape_and_expect '0 3 -1\0'
    ;;
  splash)
    # The splash is the whole screen from the first moments of the window: the picture's own pixels
    # at its place (window 357, 277, so screen 356, 277), and every other pixel as gyrata-render draws
    # the splash on the window's 1368 x 768 view. It stays for a second; then the spiral turns.
    env WINEPREFIX="$prefix" "$wine_run" "$render" --splash --size 1368x768 --raw "$work/expected.raw.png" \
      >"$work/render.out" 2>&1 || { fail "gyrata-render --splash: $(cat "$work/render.out")"; exit 1; }
    rm -f "$work/render.out"
    "$im_convert" -size 1368x768 -depth 8 "bgra:$work/expected.raw.png" -alpha off -crop 1366x768+1+0 +repage \
      "$work/expected.png"
    start_saver
    found=$(date +%s.%N)
    seen=
    for try in $(seq 1 10); do
      shot "splash_$try"
      elapsed=$(awk -v a="$found" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
      awk -v e="$elapsed" 'BEGIN { exit !(e <= 1.0) }' || break
      if [ "$(pixels_differing splash_$try expected)" = 0 ]; then seen=splash_$try; break; fi
    done
    if [ -n "$seen" ]; then
      ok "the splash fills the screen, every pixel as drawn by gyrata-render, $elapsed s after the window was found"
      "$im_convert" "$work/$seen.png" -crop 655x214+356+277 +repage "$work/picture.png"
      n=$(compare -metric AE "$work/picture.png" "$resources/load_scr.png" null: 2>&1 | cut -d' ' -f1)
      [ "$n" = 0 ] && ok "the splash picture's own pixels at screen 356, 277" || fail "$n pixels of the picture differ"
      sleep 0.6
      shot splash_later
      n=$(pixels_differing splash_later expected)
      [ "$n" = 0 ] && ok "still the splash 0.6 s later" || fail "0.6 s later $n pixels differ from the splash"
      # It goes when its one-second timer fires, well before the 3 s bound of the effect loop's wait.
      gone=
      for try in $(seq 1 40); do
        shot splash_gone
        n=$(pixels_differing splash_gone expected)
        [ "$n" != 0 ] && gone=$(awk -v a="$found" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }') && break
        sleep 0.05
      done
      if [ -n "$gone" ] && awk -v g="$gone" 'BEGIN { exit !(g >= 0.9 && g < 2.9) }'; then
        ok "the splash gave way $gone s after the window was found"
      else
        fail "the splash gave way ${gone:-never} s after the window was found (expected 0.9 to 2.9 s)"
      fi
    else
      fail "no screenshot within the first second showed the splash (last: $(pixels_differing "splash_$try" expected) pixels differ, $elapsed s)"
    fi
    wait_for_scheme 0 15 "after the splash" || exit 1
    expect_spiral_turns
    escape_and_expect '0 3 -1\0'
    ;;
  close)
    # A close from outside ends the program at once: the file is not saved, whatever the keys did.
    printf '2 1 1\0' >"$ini"
    cp "$ini" "$work/before.ini"
    start_saver
    wait_for_scheme 2 15 "scheme 2 from the settings file" || exit 1
    press Return Down
    wait_for_scheme 0 10 "Enter took effect"
    if env WINEPREFIX="$prefix" "$wine_run" "$driver" post-close >"$work/driver.out" 2>&1; then
      ok "WM_CLOSE posted"
    else
      fail "the driver could not post WM_CLOSE: $(cat "$work/driver.out")"
    fi
    wait_for_exit 5
    [ "$exit_code" = 0 ] && ok "closed from outside: exit code 0" || fail "closed from outside: exit code $exit_code"
    if cmp -s "$ini" "$work/before.ini"; then
      ok "settings file unchanged: $(hex_of "$ini")"
    else
      fail "settings file changed to $(hex_of "$ini")"
    fi
    [ -e "$ini.tmp" ] && fail "a temporary settings file was left"
    ;;
  *)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac

[ $status -eq 0 ] && echo PASSED || echo FAILED
exit $status
