#!/usr/bin/env bash
# The shipped libraries link against system libraries only: no MinGW run-time DLL (libgcc,
# libstdc++, winpthread, ssp) and nothing of our own.
# Usage: check_imports.sh OBJDUMP LIBRARY...
set -u
objdump=$1; shift
allowed='^(kernel32|user32|gdi32|advapi32|shell32|winspool\.drv|version|msvcrt|ole32|oleaut32|comctl32|comdlg32|uxtheme|imm32|ws2_32|netapi32|shlwapi|secur32|msxml6|psapi)(\.dll)?$'
status=0
for lib in "$@"; do
    imports=$("$objdump" -p "$lib" | sed -n 's/^[[:space:]]*DLL Name: //p')
    [ -n "$imports" ] || { echo "$lib: no imports found"; status=1; }
    while read -r dll; do
        [ -z "$dll" ] && continue
        if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed"; then
            echo "$lib imports $dll, which is not a system library"; status=1
        fi
    done <<<"$imports"
done
[ $status -eq 0 ] && echo "$# libraries import system libraries only"
exit $status
