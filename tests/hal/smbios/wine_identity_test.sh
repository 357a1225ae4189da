#!/bin/bash
# Runs the SMBIOS probe under Wine with fixture /sys/class/dmi/id files, in a mount namespace of
# its own so the host's /sys is untouched. Usage: wine_identity_test.sh PROBE.exe WINE-RUN
set -euo pipefail

if [[ "${TELVORA_IN_NAMESPACE:-}" != 1 ]]; then
    TELVORA_IN_NAMESPACE=1 exec unshare -m "$BASH" "$0" "$@"
fi

probe=$1
wine_run=$2

mount -t tmpfs tmpfs /sys/class
id=/sys/class/dmi/id
mkdir -p "$id"
printf 'LENOVO\n' >"$id/sys_vendor"
printf '20XWCTO1WW\n' >"$id/product_name"
printf 'ThinkPad X1 Carbon Gen 9\n' >"$id/product_version"
printf 'ThinkPad X1 Carbon Gen 9\n' >"$id/product_family"
printf 'LENOVO\n' >"$id/board_vendor"
printf '20XWCTO1WW\n' >"$id/board_name"
printf 'LENOVO\n' >"$id/bios_vendor"
printf 'N32ET86W (1.62 )\n' >"$id/bios_version"
printf '06/01/2023\n' >"$id/bios_date"

expected='backend=windows-native
bios_vendor=LENOVO
bios_version=N32ET86W (1.62 )
bios_release_date=06/01/2023
system_manufacturer=LENOVO
system_product_name=20XWCTO1WW
system_version=ThinkPad X1 Carbon Gen 9
system_family=ThinkPad X1 Carbon Gen 9
baseboard_product=20XWCTO1WW
manufacturer=LENOVO
mtm=20XW
display_name=ThinkPad X1 Carbon Gen 9'

actual=$("$wine_run" "$probe" | tr -d '\r')
if [[ "$actual" != "$expected" ]]; then
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") || true
    exit 1
fi
echo "identity read through Wine matches the fixture"
