#!/usr/bin/env bash
# Times `telvora detect` and `telvora profiles` as whole processes (native build): against the
# shipped profiles/ and against 10,000 generated profiles, with a raw SMBIOS table under a tmpfs
# over /sys/firmware inside a mount namespace of its own. Reports the minimum and median wall
# time over repeated runs and the peak RSS (from /usr/bin/time -v). Needs root for the mount.
# Usage: bash bench/detect_bench.sh [RUNS]   (default 15)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-15}

if [ "${TELVORA_IN_NAMESPACE:-}" != 1 ]; then
    cmake --preset linux >/dev/null
    cmake --build --preset linux --target telvora >/dev/null
    TELVORA_IN_NAMESPACE=1 exec unshare -m bash "$0" "$@"
fi

program=$root/build/linux/bin/telvora
# shellcheck source=../tests/cli/smbios_table.sh
source "$root/tests/cli/smbios_table.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

mount -t tmpfs tmpfs /sys/firmware
mkdir -p /sys/firmware/dmi/tables
smbios_table LENOVO 20XWCTO1WW 'ThinkPad X1 Carbon Gen 9' 'ThinkPad X1 Carbon Gen 9' 20XWCTO1WW \
    >/sys/firmware/dmi/tables/DMI

# 10,000 profiles, each with two capabilities; the one that matches the machine sorts last, so
# resolution visits every model profile first.
mkdir many
for ((i = 0; i < 10000; i++)); do
    printf -v name 'many/p%05d.toml' "$i"
    if ((i == 9999)); then
        scope=model match='mtm = ["20XW"]'
    elif ((i % 4 == 3)); then
        scope=family match="version_contains = [\"Generated family $i\"]"
    else
        scope=model
        printf -v match 'mtm = ["%04d"]' "$i"
    fi
    # Builtins only: a fork per file would make the set-up slower than the benchmark.
    printf '%s\n' \
        'schema_version = 1' "id = \"generated-$i\"" "display_name = \"Machine générée $i\"" \
        "scope = \"$scope\"" '' '[matches]' "$match" '' \
        '[[capabilities]]' 'id = "keyboard_backlight"' 'label = "Rétroéclairage du clavier"' \
        'confidence = "assumed"' 'sources = ["generated"]' 'bounds = { min = 0, max = 2 }' \
        'access = { method = "acpi", path = "\\_SB.PCI0.LPCB.EC.HKEY.MLCG" }' '' \
        '[[capabilities]]' 'id = "fan_level"' 'label = "Niveau du ventilateur"' \
        'confidence = "documented"' 'sources = ["generated"]' \
        'access = { method = "ec", offset = 0x2F }' >"$name"
done

# measure LABEL ARGS...: RUNS timed runs (microseconds), then one run under /usr/bin/time -v for the RSS.
measure() {
    local label=$1 start end i
    shift
    "$program" "$@" >/dev/null # warm the page cache
    local -a times=()
    for ((i = 0; i < runs; i++)); do
        start=${EPOCHREALTIME/./}
        "$program" "$@" >/dev/null
        end=${EPOCHREALTIME/./}
        times+=($((end - start)))
    done
    local sorted min median rss
    sorted=$(printf '%s\n' "${times[@]}" | sort -n)
    min=$(head -n1 <<<"$sorted")
    median=$(sed -n "$(((runs + 1) / 2))p" <<<"$sorted")
    rss=$(/usr/bin/time -v "$program" "$@" 2>&1 >/dev/null |
        sed -n 's/.*Maximum resident set size (kbytes): //p')
    printf '%-28s min %5d.%02d ms   median %5d.%02d ms   peak RSS %6d KiB\n' "$label" \
        $((min / 1000)) $((min % 1000 / 10)) $((median / 1000)) $((median % 1000 / 10)) "$rss"
}

"$program" detect --profiles many | grep -q '"profile_id": "generated-9999"'
echo "telvora, $runs runs each, $(nproc) cores"
measure "detect, shipped profiles" detect --profiles "$root/profiles"
measure "detect, 10,000 profiles" detect --profiles many
measure "profiles, shipped profiles" profiles --profiles "$root/profiles"
measure "profiles, 10,000 profiles" profiles --profiles many
