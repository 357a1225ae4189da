#!/usr/bin/env bash
# Builds and runs every test: the native build, the same tests under ASan and UBSan, and the
# Windows build with its tests under Wine; then fuzzes every hostile input for a bounded time
# (FUZZ_SECONDS per target, default 60) and runs the benchmarks briefly (figures only).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

# Node tools used by tests, pinned by their lockfiles.
for lock in tools/*/package-lock.json; do
  [ -e "$lock" ] || continue
  npm ci --prefix "$(dirname "$lock")" --no-audit --no-fund --loglevel=error
done

echo "== format"
git ls-files -z '*.cpp' '*.hpp' '*.cs' | xargs -0 -r clang-format --dry-run --Werror

stop_wine() {
  if [ -d build/windows/wineprefix ]; then
    WINEPREFIX="$PWD/build/windows/wineprefix" wineserver -k 2>/dev/null || true
  fi
}
trap stop_wine EXIT

for preset in linux asan windows; do
  echo "== $preset"
  cmake --preset "$preset" -DTELVORA_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== fuzz"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

echo "== bench"
bash scripts/bench.sh
