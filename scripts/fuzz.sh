#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 19, ASan and UBSan), replays every seed and past finding,
# then fuzzes each target for a bounded time on a scratch copy of its seeds, so the repository
# stays clean. Any finding fails the run; its input is kept in build/fuzz/findings/ and belongs,
# once fixed, in fuzz/regressions/<target>/ (replayed by `ctest --preset fuzz`).
# Usage: bash scripts/fuzz.sh [SECONDS per target, default 60]; FUZZ_JOBS targets run at once
# (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
jobs=${FUZZ_JOBS:-2}

cmake --preset fuzz -DTELVORA_WERROR=ON >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

findings=$PWD/build/fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

targets=()
for source in fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
done

fuzz_one() {
    local target=$1
    local -a options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
        -artifact_prefix="$findings/$target-")
    [ -e "fuzz/dict/$target.dict" ] && options+=(-dict="fuzz/dict/$target.dict")
    mkdir "$work/$target"
    cp -R "fuzz/corpus/$target/." "$work/$target/"
    if ! "build/fuzz/bin/$target" "${options[@]}" "$work/$target" >"$work/$target.log" 2>&1; then
        touch "$work/$target.failed"
    fi
}

echo "fuzzing ${#targets[@]} targets for ${seconds} s each, $jobs at a time"
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n || true
    done
    fuzz_one "$target" &
done
wait

status=0
printf '%-22s %12s %8s %8s %8s\n' target executions exec/s cov ft
for target in "${targets[@]}"; do
    log=$work/$target.log
    if [ -e "$work/$target.failed" ]; then
        echo "== $target: FINDING (input in $findings/)"
        { grep -E -A30 'ERROR|fuzz check failed|runtime error|deadly signal' "$log" ||
            tail -n 30 "$log"; } 2>&1 | head -60 || true
        status=1
        continue
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$done_line")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$done_line")
    printf '%-22s %12s %8s %8s %8s\n' "$target" "$runs" "$speed" "$cov" "$ft"
done
exit "$status"
