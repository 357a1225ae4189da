#!/usr/bin/env bash
# Installs the Debian packages that building and testing telvora need. Idempotent: it asks apt
# only when a package is missing. Needs root (it uses sudo when not run as root).
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache git
  googletest libgtest-dev libbenchmark-dev
  libtomlplusplus-dev nlohmann-json3-dev
  g++-mingw-w64-x86-64-posix wine wine64
  mono-mcs mono-runtime
  clang libclang-rt-14-dev clang-format
  clang-19
  libclang-rt-19-dev
  util-linux
  time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Node.js and npm come with the machine image (not from Debian here).
command -v npm >/dev/null || echo "deps: npm is missing: install Node.js 20 and npm" >&2

[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
