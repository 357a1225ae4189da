#!/usr/bin/env bash
# Runs the real `detect` and `profiles` commands against firmware identities of our choosing and
# compares the exact bytes of both streams and the exit code.
#   natively: raw SMBIOS tables under a tmpfs over /sys/firmware (and /sys/class/dmi/id files for
#             the fallback), read through the Linux source;
#   under Wine: /sys/class/dmi/id files under a tmpfs over /sys/class, from which Wine builds the
#             table that GetSystemFirmwareTable returns.
# Everything happens in a mount namespace of its own, so the host's /sys is untouched.
# Usage: detect_program_test.sh PROGRAM [WINE_RUN]     (exit 77: skipped, no mount namespace)
set -uo pipefail

if [ "${TELVORA_IN_NAMESPACE:-}" != 1 ]; then
    if ! unshare -m true 2>/dev/null; then
        echo "skipped: needs a mount namespace (run as root)"
        exit 77
    fi
    TELVORA_IN_NAMESPACE=1 exec unshare -m bash "$0" "$@"
fi

program=$1
wine_run=${2:-}
# shellcheck source=smbios_table.sh
source "$(dirname "$0")/smbios_table.sh"
# shellcheck source=program_harness.sh
source "$(dirname "$0")/program_harness.sh"
export LC_ALL=C.UTF-8

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

mount -t tmpfs tmpfs /sys/class || exit 1
mount -t tmpfs tmpfs /sys/firmware || exit 1
id_dir=/sys/class/dmi/id
dmi_file=/sys/firmware/dmi/tables/DMI

# set_identity MANUFACTURER PRODUCT VERSION FAMILY BOARD (empty: no such value); the BIOS is
# always the same. Natively as a raw table, under Wine as the id files Wine reads.
set_identity() {
    rm -rf "${dmi_file%/*}" "$id_dir"
    if [ -n "$wine_run" ]; then
        write_id_files "$@"
    else
        mkdir -p "${dmi_file%/*}"
        smbios_table "$@" >"$dmi_file"
    fi
}
write_id_files() {
    mkdir -p "$id_dir"
    local name value
    local -a names=(sys_vendor product_name product_version product_family board_name)
    for name in "${names[@]}"; do
        value=$1
        shift
        [ -n "$value" ] && printf '%s\n' "$value" >"$id_dir/$name"
    done
    printf 'LENOVO\n' >"$id_dir/bios_vendor"
    printf 'N32ET86W (1.62 )\n' >"$id_dir/bios_version"
    printf '06/01/2023\n' >"$id_dir/bios_date"
    printf 'PF0ABCDE\n' >"$id_dir/product_serial"
}

notice="Rapport anonymisé : identité lue en lecture seule dans les tables SMBIOS de l'ordinateur, sans numéro de série ni identifiant unique. Outil indépendant, sans lien avec les fabricants cités, sans garanties."
if [ "$(printf %s "$notice" | wc -c)" != 211 ]; then
    echo "FAIL: the notice of this script is not 211 bytes"
    exit 1
fi
label="SMBIOS type"
# report BACKEND MANUFACTURER MTM DISPLAY_NAME RESOLUTION PROFILE_ID LOADED MTM_SOURCE
#        DISPLAY_NAME_SOURCE: the JSON values as written
report() {
    cat <<JSON
{
  "notice": "$notice",
  "backend": "$1",
  "manufacturer": $2,
  "mtm": $3,
  "display_name": $4,
  "bios_vendor": "LENOVO",
  "bios_version": "N32ET86W (1.62 )",
  "bios_release_date": "06/01/2023",
  "resolution": "$5",
  "profile_id": $6,
  "profiles_loaded": $7,
  "sources": {
    "manufacturer": "$label 1 (System) : Manufacturer",
    "mtm": $8,
    "display_name": $9,
    "bios_vendor": "$label 0 (BIOS) : Vendor",
    "bios_version": "$label 0 (BIOS) : Version",
    "bios_release_date": "$label 0 (BIOS) : Release Date"
  }
}
JSON
}

mkdir prof empty
cat >prof/a-family.toml <<'TOML'
schema_version = 1
id = "x1"
display_name = "ThinkPad X1 Carbon (toutes générations)"
scope = "family"

[matches]
version_contains = ["X1 Carbon"]
TOML
cat >prof/b-model.toml <<'TOML'
schema_version = 1
id = "x1-gen9"
display_name = "ThinkPad X1 Carbon Gen 9"
scope = "model"

[matches]
mtm = ["20XW", "20XX"]

[[capabilities]]
id = "power_profile"
label = "Profil d'alimentation"
confidence = "assumed"
sources = ["doc"]
access = { method = "platform_profile" }
TOML
printf 'not a profile\n' >prof/notes.txt
: >empty.txt

if [ -n "$wine_run" ]; then backend=windows-native; else backend=linux-sysfs; fi
product="\"$label 1 (System) : Product Name\""

# Exact beats the family profile that sorts first.
set_identity LENOVO 20XWCTO1WW 'ThinkPad X1 Carbon Gen 9' 'ThinkPad X1 Carbon Gen 9' 20XWCTO1WW
report "$backend" '"LENOVO"' '"20XW"' '"ThinkPad X1 Carbon Gen 9"' exact '"x1-gen9"' 2 \
    "$product" "\"$label 1 (System) : Version\"" >exact.json
check "exact" 0 exact.json empty.txt -- detect --profiles prof

# Family, written to --out: the same bytes, nothing on standard output.
set_identity LENOVO 21HMCTO1WW 'ThinkPad X1 Carbon Gen 11' 'ThinkPad X1 Carbon Gen 11' 21HMCTO1WW
report "$backend" '"LENOVO"' '"21HM"' '"ThinkPad X1 Carbon Gen 11"' family '"x1"' 2 \
    "$product" "\"$label 1 (System) : Version\"" >family.json
check "family --out" 0 empty.txt empty.txt -- detect --profiles prof --out report.json
cmp -s report.json family.json || fail "family --out: file differs" "$(diff family.json report.json)"

# A known maker without a profile; no machine type, the family names the model.
set_identity 'Dell Inc.' 'Latitude 7440' '' 'Latitude' ''
report "$backend" '"Dell Inc."' null '"Latitude"' dynamic_probe null 2 \
    null "\"$label 1 (System) : Family\"" >dynamic.json
check "dynamic probe" 0 dynamic.json empty.txt -- detect --profiles prof

# Placeholders dropped, the board names the model; escapes where JSON needs them only.
set_identity "Clevo \"Co\" \\ É"$'\t'"x" 'To Be Filled By O.E.M.' 'System Version' '' 'NH5xAx'
report "$backend" '"Clevo \"Co\" \\ É\tx"' null '"NH5xAx"' unsupported null 0 \
    null "\"$label 2 (Baseboard) : Product\"" >unsupported.json
check "unsupported" 0 unsupported.json empty.txt -- detect --profiles empty

if [ -z "$wine_run" ]; then
    # Without the raw table the identity comes from the world-readable id files.
    rm -rf "${dmi_file%/*}"
    write_id_files LENOVO 20XWCTO1WW 'ThinkPad X1 Carbon Gen 9' 'ThinkPad X1 Carbon Gen 9' X
    sed 's/"backend": "linux-sysfs"/"backend": "linux-dmi-id"/' exact.json >fallback.json
    check "id files fallback" 0 fallback.json empty.txt -- detect --profiles prof

    # No firmware data at all.
    rm -rf "$id_dir"
    printf 'erreur : ressource non disponible : table DMI absente : %s\n' "$dmi_file" >e.txt
    check "no firmware tables" 1 empty.txt e.txt -- detect --profiles prof --out never.json
    [ -e never.json ] && fail "no firmware tables: the --out file was created"
fi

# Profile failures come before any firmware access and create no --out file.
if [ -n "$wine_run" ]; then sep='\'; else sep=/; fi
code_pattern='\(os error [0-9]+\)'
run detect --out never.json >out.bin 2>err.bin </dev/null
code=$?
if [ "$code" != 1 ] || [ -s out.bin ] || [ -e never.json ] ||
    ! grep -qE "^erreur : profils \(profiles\) : .+ $code_pattern\$" err.bin || grep -q $'\r' err.bin ||
    [ "$(wc -l <err.bin)" != 1 ]; then
    fail "missing default directory: exit code $code"
    od -c err.bin | head -5
fi
mkdir bad
cp prof/b-model.toml bad/a.toml
printf 'schema_version = 2\nid = ""\n' >bad/b.toml
printf 'erreur : profils (bad) : bad%sb.toml : TOML invalide : ' "$sep" >e.txt
for command in detect profiles; do
    run "$command" --profiles bad --out never.json >out.bin 2>err.bin </dev/null
    code=$?
    if [ "$code" != 1 ] || [ -s out.bin ] || [ -e never.json ] ||
        [ "$(head -c "$(wc -c <e.txt)" err.bin)" != "$(cat e.txt)" ]; then
        fail "$command with an invalid profile: exit code $code"
        cat err.bin
    fi
done

# The listing, and a --out path that names a directory.
cat >listing.json <<JSON
{
  "notice": "$notice",
  "profiles": [
    {
      "id": "x1",
      "display_name": "ThinkPad X1 Carbon (toutes générations)",
      "scope": "family",
      "capabilities": 0
    },
    {
      "id": "x1-gen9",
      "display_name": "ThinkPad X1 Carbon Gen 9",
      "scope": "model",
      "capabilities": 1
    }
  ]
}
JSON
check "profiles" 0 listing.json empty.txt -- profiles --profiles prof
set_identity LENOVO 20XWCTO1WW 'ThinkPad X1 Carbon Gen 9' 'ThinkPad X1 Carbon Gen 9' 20XWCTO1WW
run detect --profiles prof --out prof >out.bin 2>err.bin </dev/null
code=$?
if [ "$code" != 1 ] || [ -s out.bin ] ||
    ! grep -qE "^erreur : écriture de prof : .+ $code_pattern\$" err.bin || grep -q $'\r' err.bin; then
    fail "--out into a directory: exit code $code"
    cat err.bin
fi

[ "$failures" = 0 ] && echo "all detect and profiles checks passed"
finish
