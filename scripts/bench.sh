#!/usr/bin/env bash
# Runs the benchmarks of the native build: every Google Benchmark executable (the hot paths),
# then whole runs of `telvora detect` and `telvora profiles` (bench/detect_bench.sh, needs root).
# Figures only: speed never fails this script, a benchmark that breaks does.
# Usage: bash scripts/bench.sh [MIN_TIME seconds per benchmark, default 0.05] [RUNS per whole
# run, default 5]
set -euo pipefail
cd "$(dirname "$0")/.."
min_time=${1:-0.05}
runs=${2:-5}

cmake --preset linux >/dev/null
benches=()
for source in bench/*_bench.cpp; do
    benches+=("$(basename "$source" .cpp)")
done
cmake --build --preset linux --target "${benches[@]}" telvora

for bench in "${benches[@]}"; do
    "build/linux/bin/$bench" --benchmark_min_time="$min_time"
done
bash bench/detect_bench.sh "$runs"
