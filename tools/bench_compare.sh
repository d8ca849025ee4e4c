#!/usr/bin/env bash
# Compares the frame benchmarks of the working tree with those of an earlier commit in one run:
#   tools/bench_compare.sh REV [ROUNDS [FILTER]]
# builds both (optimised, native; REV from `git archive` into build/compare/REV), then runs them in
# turn ROUNDS times (default 5), so that whatever else loads the machine loads both alike, and prints
# per benchmark the median wall and CPU time of each side, their ratio, and the spread of the ratios
# over the rounds. FILTER is a benchmark regex (default all).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
rev=${1:?usage: tools/bench_compare.sh REV [ROUNDS [FILTER]]}
rounds=${2:-5}
filter=${3:-.}
commit=$(git rev-parse --short "$rev")
base=build/compare/$commit
if [ ! -x "$base/build/tools/bench/gyrata-bench" ]; then
  rm -rf "$base/src" && mkdir -p "$base/src"
  git archive "$commit" | tar -x -C "$base/src"
  cmake -S "$base/src" -B "$base/build" -DCMAKE_BUILD_TYPE=Release -DGYRATA_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$base/build" -j"$(nproc)" --target gyrata-bench >/dev/null
fi
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DGYRATA_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench -j"$(nproc)" --target gyrata-bench >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for ((i = 0; i < rounds; i++)); do
  for side in before after; do
    bin=build/bench/tools/bench/gyrata-bench
    [ $side = before ] && bin=$base/build/tools/bench/gyrata-bench
    "$bin" --benchmark_filter="$filter" --benchmark_format=json --benchmark_min_time=0.5 \
      >"$out/$side.$i.json" 2>/dev/null
  done
done
python3 - "$out" "$rounds" "$commit" <<'EOF'
import json, statistics, sys
out, rounds, commit = sys.argv[1], int(sys.argv[2]), sys.argv[3]
times = {}  # name -> side -> list of (wall, cpu) in ms
for side in ("before", "after"):
    for i in range(rounds):
        for b in json.load(open(f"{out}/{side}.{i}.json"))["benchmarks"]:
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
            name = b["name"].replace("/process_time/real_time", "")
            times.setdefault(name, {}).setdefault(side, []).append((b["real_time"] * scale, b["cpu_time"] * scale))
print(f"before = {commit}, after = working tree; medians of {rounds} alternating rounds, ms")
print(f"{'benchmark':32} {'wall before':>11} {'after':>7} {'ratio':>6} {'CPU before':>11} {'after':>7} {'ratio':>6}  CPU ratio range")
for name, sides in times.items():
    b, a = sides["before"], sides["after"]
    med = lambda xs, k: statistics.median(x[k] for x in xs)
    ratios = sorted(a[i][1] / b[i][1] for i in range(rounds))
    print(f"{name:32} {med(b,0):11.2f} {med(a,0):7.2f} {med(a,0)/med(b,0):6.2f} {med(b,1):11.2f} {med(a,1):7.2f} "
          f"{med(a,1)/med(b,1):6.2f}  {ratios[0]:.2f}-{ratios[-1]:.2f}")
EOF
