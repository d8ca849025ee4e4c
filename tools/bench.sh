#!/usr/bin/env bash
# Builds the frame benchmarks (optimised, native) and runs them; extra arguments go to Google Benchmark.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/bootstrap.sh
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DGYRATA_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench -j"$(nproc)" --target gyrata-bench >/dev/null
exec build/bench/tools/bench/gyrata-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
