# Shared by the end-to-end scripts: runs a private copy of the screen saver under Wine, sends it keys
# through X as a user's keyboard would, and measures what the X screen shows. Sourced, not run.
#
# The caller sets prefix, wine_run, driver and saver, and calls e2e_begin first.

# The saver's window at 1366x768 starts at x = -1 and is 1368 wide; the spiral turns around the
# window's pixel (684, 384), which is the screen's (683, 384).
centre_x=683
centre_y=384

# The real ImageMagick, not a wrapper that may stand earlier on PATH.
im_convert=convert
[ -x /usr/bin/convert ] && im_convert=/usr/bin/convert

status=0
saver_pid=
work=

fail() { echo "FAILED: $*"; status=1; }
ok() { echo "ok: $*"; }

# Kills whatever this script started that is still running, and removes its files.
e2e_cleanup() {
  if [ -n "$saver_pid" ] && kill -0 "$saver_pid" 2>/dev/null; then
    echo "the saver was still running: killed"
    kill -9 "$saver_pid" 2>/dev/null
    wait "$saver_pid" 2>/dev/null
  fi
  [ -n "$work" ] && [ -z "${GYRATA_E2E_KEEP:-}" ] && rm -rf "$work"
  [ -n "${GYRATA_E2E_KEEP:-}" ] && echo "kept $work"
}

# A fresh directory (no "." in its path) with its own copy of the saver, so the settings file beside it
# belongs to this test alone.
e2e_begin() {
  if [ -z "${DISPLAY:-}" ]; then
    echo "FAILED: DISPLAY is not set"
    exit 1
  fi
  work=$(mktemp -d /tmp/gyrata_e2e_XXXXXXXX)
  trap e2e_cleanup EXIT
  cp "$saver" "$work/Gyrata.scr"
  ini="$work/Gyrata.ini"
}

# Starts the saver copy with no argument and waits (at most 20 s) for its window.
start_saver() {
  env WINEPREFIX="$prefix" "$wine_run" "$work/Gyrata.scr" >"$work/saver.out" 2>&1 &
  saver_pid=$!
  window=
  for _ in $(seq 1 200); do
    window=$(xdotool search --all --pid "$saver_pid" --name '^Tarnwick : Gyrata$' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$window" ]; then
    fail "no saver window within 20 s"
    exit 1
  fi
  ok "saver window $window"
  # Keys go to the window under the pointer; the saver's window covers the whole screen.
  xdotool mousemove "$centre_x" "$centre_y"
}

# Waits (at most limit seconds) for the saver to end; sets exit_code, or fails and kills it.
wait_for_exit() {  # limit
  local tenths=$(($1 * 10))
  for _ in $(seq 1 "$tenths"); do
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$saver_pid" 2>/dev/null; then
    fail "the saver still runs after $1 s"
    kill -9 "$saver_pid" 2>/dev/null
  fi
  wait "$saver_pid"
  exit_code=$?
  saver_pid=
}

press() {  # X key names, one press and release each
  local key
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.15
  done
}

shot() {  # name: a screenshot of the whole X screen as $work/name.png
  timeout 20 import -window root "$work/$1.png" || fail "screenshot $1"
}

# Mean red, green and blue (0..1) of the 201x201 square around the spiral's centre.
centre_means() {  # name
  "$im_convert" "$work/$1.png" -crop 201x201+$((centre_x - 100))+$((centre_y - 100)) +repage \
    -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info:
}

# Largest value (0..1) of one channel over the whole screen.
screen_maximum() {  # name channel(r|g|b)
  "$im_convert" "$work/$1.png" -format "%[fx:maxima.$2]" info:
}

# Number of pixels in which two screenshots differ.
pixels_differing() {  # name name
  compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 | cut -d' ' -f1
}

# The colour scheme the centre shows: 0 (red bright, green dim), 1 (green bright, red dim),
# 2 (blue bright, green dim), or "none". Each scheme keeps its third channel at 0 over the whole
# screen; the bright channel averages well above the dim one.
scheme_shown() {  # name
  local r g b
  read -r r g b <<<"$(centre_means "$1")"
  if awk -v r="$r" -v g="$g" -v b="$b" 'BEGIN { exit !(r > 0.6 && g > 0.15 && g < 0.55 && b == 0) }' &&
     [ "$(screen_maximum "$1" b)" = 0 ]; then
    echo 0
  elif awk -v r="$r" -v g="$g" -v b="$b" 'BEGIN { exit !(g > 0.6 && r > 0.15 && r < 0.55 && b == 0) }' &&
       [ "$(screen_maximum "$1" b)" = 0 ]; then
    echo 1
  elif awk -v r="$r" -v g="$g" -v b="$b" 'BEGIN { exit !(b > 0.6 && g > 0.15 && g < 0.55 && r == 0) }' &&
       [ "$(screen_maximum "$1" r)" = 0 ]; then
    echo 2
  else
    echo none
  fi
}

# Takes screenshots until the centre shows the scheme (at most limit seconds).
wait_for_scheme() {  # scheme limit what
  local tries=0 seen=none
  local start=$SECONDS
  while [ $((SECONDS - start)) -lt "$2" ]; do
    tries=$((tries + 1))
    shot "wait_$tries"
    seen=$(scheme_shown "wait_$tries")
    if [ "$seen" = "$1" ]; then
      ok "$3: scheme $1 on screen ($(centre_means "wait_$tries"))"
      last_wait_shot="wait_$tries"
      return 0
    fi
    sleep 0.2
  done
  fail "$3: scheme $1 not on screen within $2 s (last seen: $seen, centre $(centre_means "wait_$tries"))"
  return 1
}

# How the spiral moved from one paused picture to the next: tries every turn of a whole number of
# steps (0.0385 rad each, up to 14 either way) about the centre, on the 501x501 square around it at
# half size, and prints the best number of steps, how far (mean difference, 0..1) that turned picture
# is from the second one, and the best differences among the clockwise (positive) and the
# anticlockwise (negative) turns.
best_turn() {  # name name
  local a="$work/$1_centre.png" b="$work/$2_centre.png" k angle d best_k=none best_d=1 plus=1 minus=1
  local crop=501x501+$((centre_x - 250))+$((centre_y - 250))
  "$im_convert" "$work/$1.png" -crop "$crop" +repage -resize '251x251!' "$a"
  "$im_convert" "$work/$2.png" -crop "$crop" +repage -resize '251x251!' "$b"
  for k in $(seq -14 14); do
    angle=$(awk -v k="$k" 'BEGIN { printf "%.6f", k * 0.0385 * 45 / atan2(1, 1) }')
    d=$("$im_convert" "$a" -virtual-pixel black -distort SRT "125.5,125.5 1 $angle" "$b" \
          -compose difference -composite -crop 177x177+37+37 +repage -format '%[fx:mean]' info:)
    if awk -v d="$d" -v best="$best_d" 'BEGIN { exit !(d < best) }'; then
      best_k=$k
      best_d=$d
    fi
    if [ "$k" -gt 0 ] && awk -v d="$d" -v best="$plus" 'BEGIN { exit !(d < best) }'; then plus=$d; fi
    if [ "$k" -lt 0 ] && awk -v d="$d" -v best="$minus" 'BEGIN { exit !(d < best) }'; then minus=$d; fi
  done
  echo "$best_k $best_d $plus $minus"
}

# Bytes of a file as hexadecimal, for messages.
hex_of() { od -An -tx1 "$1" | tr -s ' \n' ' '; }

# The file holds exactly the bytes printf makes of the format.
expect_file_bytes() {  # file printf-format what
  if [ ! -f "$1" ]; then
    fail "$3: $1 does not exist"
  elif cmp -s "$1" <(printf "$2"); then
    ok "$3: $(hex_of "$1")"
  else
    fail "$3: holds $(hex_of "$1"), not $(printf "$2" | od -An -tx1 | tr -s ' \n' ' ')"
  fi
}
