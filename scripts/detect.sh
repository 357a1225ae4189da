#!/usr/bin/env bash
# Builds the native program and runs `telvora detect` on the shipped profiles/ directory.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target telvora >/dev/null
exec build/linux/bin/telvora detect "$@"
