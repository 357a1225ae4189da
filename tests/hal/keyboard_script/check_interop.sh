#!/usr/bin/env bash
# Takes the C# interop types out of the probe script, compiles each one alone as Add-Type will
# (C# 5, warnings as errors, only the core library), then runs the checks of their pure methods.
# Usage: check_interop.sh keyboard_script.ps1 interop_test.cs work_dir
set -euo pipefail

script=$1
test_source=$2
work=$3

for tool in mcs mono; do
    if ! command -v "$tool" >/dev/null; then
        echo "check_interop: $tool is missing: install mono-mcs and mono-runtime (scripts/deps.sh)" >&2
        exit 1
    fi
done

rm -rf "$work"
mkdir -p "$work"

# Each type's source is a single-quoted here-string assigned to $<Type>Source.
awk -v dir="$work" '
    inside && /^'\''@$/ { inside = 0; close(out); next }
    inside { print > out; next }
    /^\$[A-Za-z]+Source = @'\''$/ {
        name = substr($1, 2)
        sub(/Source$/, "", name)
        out = dir "/" name ".cs"
        inside = 1
    }
    END { if (inside) { print "check_interop: unterminated here-string" > "/dev/stderr"; exit 1 } }
' "$script"

sources=()
for type in TpKbBacklight HidKbBacklight; do
    if [ ! -s "$work/$type.cs" ]; then
        echo "check_interop: no \$${type}Source here-string in $script" >&2
        exit 1
    fi
    sources+=("$work/$type.cs")
done

flags=(-noconfig -langversion:5 -warn:4 -warnaserror -nologo)
for source in "${sources[@]}"; do
    mcs "${flags[@]}" -target:library -out:"${source%.cs}.dll" "$source"
done
mcs "${flags[@]}" -out:"$work/interop_test.exe" "${sources[@]}" "$test_source"
mono "$work/interop_test.exe"
