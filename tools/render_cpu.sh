#!/usr/bin/env bash
# CPU time per frame of gyrata-render, the native build and the Windows build under Wine side by side:
#   tools/render_cpu.sh [--size WxH] [--frames N] [--rounds R] [NATIVE_BUILD [WINDOWS_BUILD]]
# (builds default to build/native and build/windows, size to 1920x1080, N to 300 and R to 3). Each
# round runs both programs for 5, 85 and 85 + N passes, alternating, and takes the process's user and
# system time; the differences give a hidden frame ((85) - (5)) / 80 and a presented frame
# ((85 + N) - (85)) / N, so start-up and the output file cancel out. Prints per round and the medians.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
size=1920x1080 frames=300 rounds=3
while [ $# -gt 0 ]; do
  case $1 in
    --size) size=$2; shift 2 ;;
    --frames) frames=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    *) break ;;
  esac
done
native=$(cd "${1:-$root/build/native}" && pwd)/tools/gyrata-render
windows=$(cd "${2:-$root/build/windows}" && pwd)  # Wine needs an absolute prefix
[ -x "$native" ] || { echo "no $native"; exit 1; }
[ -f "$windows/tools/gyrata-render.exe" ] || { echo "no $windows/tools/gyrata-render.exe"; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# CPU seconds (user + system) of one run.
cpu_of() {
  /usr/bin/time -f "%U %S" -o "$out/time" "$@" >/dev/null 2>&1
  awk '{printf "%.4f\n", $1 + $2}' "$out/time"
}
native_run() { cpu_of "$native" --size "$size" --frames "$1" --raw "$out/frame.raw"; }
wine_run() {
  cpu_of env WINEPREFIX="$windows/wineprefix" "$root/cmake/wine-run.sh" "$windows/tools/gyrata-render.exe" \
    --size "$size" --frames "$1" --raw "$out/frame.raw"
}
wine_run 1 >/dev/null  # the prefix made, the wine server up

echo "gyrata-render CPU per frame at $size, ms (hidden: fast discs; presented: polygon discs)"
printf "%-6s %14s %14s %14s %14s %8s\n" round "native hidden" "wine hidden" "native shown" "wine shown" "ratio"
for ((r = 1; r <= rounds; r++)); do
  declare -A t=()
  for n in 5 85 $((85 + frames)); do
    t[native$n]=$(native_run $n)
    t[wine$n]=$(wine_run $n)
  done
  awk -v n5="${t[native5]}" -v n85="${t[native85]}" -v nn="${t[native$((85 + frames))]}" \
      -v w5="${t[wine5]}" -v w85="${t[wine85]}" -v wn="${t[wine$((85 + frames))]}" -v f="$frames" -v r="$r" \
      'BEGIN { nh = (n85 - n5) / 80 * 1000; wh = (w85 - w5) / 80 * 1000; ns = (nn - n85) / f * 1000; ws = (wn - w85) / f * 1000;
               printf "%-6s %14.2f %14.2f %14.2f %14.2f %8.2f\n", r, nh, wh, ns, ws, ws / ns }' | tee -a "$out/rows"
done
for c in 2 3 4 5 6; do sort -n -k$c "$out/rows" | awk -v c=$c '{ v[NR] = $c } END { printf " %s", v[int((NR + 1) / 2)] }'; done |
  awk '{ printf "%-6s %14s %14s %14s %14s %8s\n", "median", $1, $2, $3, $4, $5 }'
