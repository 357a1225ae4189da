# Shared by the scripts that run the real program: sourced after `program` and `wine_run` are set.
# check NAME EXPECTED_CODE EXPECTED_STDOUT_FILE EXPECTED_STDERR_FILE -- ARGS... compares the exit
# code and the exact bytes of both streams; `finish` reports and sets the exit status.

failures=0

fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

run() {
    if [ -n "$wine_run" ]; then
        "$wine_run" "$program" "$@"
    else
        "$program" "$@"
    fi
}

check() {
    local name=$1 code=$2 want_out=$3 want_err=$4
    shift 5
    run "$@" >out.bin 2>err.bin </dev/null
    local got=$?
    [ "$got" = "$code" ] || fail "$name: exit code $got, expected $code"
    if ! cmp -s out.bin "$want_out"; then
        fail "$name: standard output differs"
        diff <(od -c "$want_out") <(od -c out.bin) | head -20
    fi
    if ! cmp -s err.bin "$want_err"; then
        fail "$name: standard error differs"
        diff <(od -c "$want_err") <(od -c err.bin) | head -20
    fi
}

finish() {
    if [ "$failures" != 0 ]; then
        echo "$failures failure(s)"
        exit 1
    fi
    exit 0
}
