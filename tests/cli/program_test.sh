#!/usr/bin/env bash
# Runs the real program and compares the exact bytes of both streams and the exit code.
# Usage: program_test.sh PROGRAM [WINE_RUN]
set -uo pipefail

program=$1
wine_run=${2:-}
# Wine decodes the Unix arguments with the locale's character set.
export LC_ALL=C.UTF-8

# shellcheck source=program_harness.sh
source "$(dirname "$0")/program_harness.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

cat >usage.txt <<'USAGE'
Usage :
  telvora detect   [--profiles DIR] [--out FICHIER]
  telvora profiles [--profiles DIR]
  telvora service  install|uninstall   (Windows : gestionnaire de services)
  telvora --service                    (interne : lancé par Windows)

Options :
  --profiles  dossier des profils machine TOML (défaut : ./profiles)
  --out       écrit le rapport JSON anonymisé dans FICHIER (detect uniquement)

La lecture se fait toujours sur la machine locale, en lecture seule.

Sortie : JSON sur stdout. Codes de sortie : 0 succès, 1 erreur, 2 usage.
USAGE
: >empty.txt
if [ "$(wc -c <usage.txt)" != 549 ]; then
    echo "FAIL: the expected usage text of this script is not 548 bytes and a line feed"
    exit 1
fi
expect_usage_error() {
    { printf '%s\n\n' "$1"; cat usage.txt; } >"$2"
}

check "no argument" 2 usage.txt empty.txt --
check "-h" 0 usage.txt empty.txt -- -h extra

# Through a pipe as well as into a file: no byte may change on the way.
run --help | cat >piped.bin
code=${PIPESTATUS[0]}
if [ "$code" != 0 ] || ! cmp -s piped.bin usage.txt; then
    echo "FAIL --help through a pipe: exit code $code"
    od -c piped.bin | head -5
    failures=$((failures + 1))
fi

expect_usage_error "erreur : valeur manquante pour --help" e1.txt
check "detect --help" 2 empty.txt e1.txt -- detect --help
expect_usage_error "erreur : option inconnue : --bogus" e2.txt
check "unknown option before unknown command" 2 empty.txt e2.txt -- nope --bogus v
expect_usage_error "commande inconnue : Détecter" e3.txt
check "unknown command" 2 empty.txt e3.txt -- Détecter --out r.json
expect_usage_error "erreur : sous-action manquante pour service : install ou uninstall" e4.txt
check "service alone" 2 empty.txt e4.txt -- service
expect_usage_error "commande service inconnue (install ou uninstall)" e5.txt
check "service Install" 2 empty.txt e5.txt -- service Install

# A command that fails before its output step leaves no file behind.
run detect --profiles absent --out report.json >out.bin 2>err.bin </dev/null
code=$?
if [ "$code" != 1 ] || [ -s out.bin ] || [ -e report.json ] ||
    [ "$(head -c 9 err.bin)" != "erreur : " ] || [ "$(wc -l <err.bin)" != 1 ] ||
    grep -q $'\r' err.bin; then
    echo "FAIL detect with a failing run: exit code $code"
    od -c err.bin | head -5
    failures=$((failures + 1))
fi

# Registration must not be attempted on a real Windows service manager from a test.
if [ -z "$wine_run" ]; then
    for args in "service install extra" "service uninstall" "--service"; do
        # shellcheck disable=SC2086
        run $args >out.bin 2>err.bin </dev/null
        code=$?
        if [ "$code" != 1 ] || [ -s out.bin ] || [ "$(head -c 9 err.bin)" != "erreur : " ]; then
            echo "FAIL $args: exit code $code"
            failures=$((failures + 1))
        fi
    done
fi

[ "$failures" = 0 ] && echo "all program checks passed"
finish
