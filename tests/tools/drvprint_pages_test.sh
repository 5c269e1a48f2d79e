#!/usr/bin/env bash
# drvprint refuses a page count it cannot print with a usage error (status 2) before it touches
# a printer or the output file; a count it takes goes on to the printer, which does not exist
# here, so the tool fails there instead (status 1).
# Usage: drvprint_pages_test.sh RUNNER DRVPRINT
set -u
runner=$1 program=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
out="Z:${dir//\//\\}\\job.prn"
failed=0 passed=0
check() {
    local pages=$1 expected=$2 status=0
    "$runner" "$program" print --printer "No Such Printer" --out "$out" --pages "$pages" >/dev/null 2>"$dir/stderr" ||
        status=$?
    local fault=""
    if [ "$status" -ne "$expected" ]; then fault="status $status, expected $expected"
    elif [ "$expected" -eq 2 ] && ! grep -q '^usage:' "$dir/stderr"; then fault="no usage text"
    elif [ -e "$dir/job.prn" ]; then fault="the output file was written"; fi
    if [ -n "$fault" ]; then
        echo "--pages '$pages': $fault"
        cat "$dir/stderr"
        failed=$((failed + 1))
    else
        passed=$((passed + 1))
    fi
    rm -f "$dir/job.prn"
}
for pages in 0 00 -1 -5 x 1x "" " 3" 10000; do check "$pages" 2; done
for pages in 1 9999; do check "$pages" 1; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
