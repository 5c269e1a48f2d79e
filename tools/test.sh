#!/usr/bin/env bash
# Builds both architectures and runs every test of the 64-bit build under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" all
dir="$root/build/x64"
# The build's Wine machine, and a second one for the printers of the second module code.
prefixes=("$dir/wineprefix" "$dir/wineprefix-VRDB")
# Make the prefixes before CTest lists the tests: their first start prints set-up messages.
for prefix in "${prefixes[@]}"; do
    "$root/tools/winerun.sh" --prefix "$prefix" --init
    # Keep each machine's desktop open for the whole run; the shutdown below ends the holder.
    setsid "$root/tools/winerun.sh" --prefix "$prefix" "$dir/bin/deskhold.exe" </dev/null >/dev/null 2>&1 &
done
status=0
ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure --timeout 300 || status=$?
# Now and then a Wine program ends at once, before any of its code runs: a failure in hundredths
# of a second with no output at all. Such failures, and only such, are run once more; any other
# failure stands, and every first failure stays listed above.
if [ $status -ne 0 ]; then
    instant=$(awk '
        /^[0-9]+\/[0-9]+ Test: / { name = $3; lines = 0; inout = 0 }
        /^Output:/ { inout = 1; next }
        /^<end of output>/ { inout = 0 }
        inout && !/^-+$/ && NF > 0 { lines++ }
        /^Test time = / { t = $4 }
        /^Test Failed\./ { if (t < 0.2 && lines == 0) print name; else other = 1 }
        END { if (other) print "(other)" }' "$dir/Testing/Temporary/LastTest.log")
    if [ -n "$instant" ] && ! grep -qx '(other)' <<<"$instant"; then
        echo "Programs that ended before running, run once more: $instant"
        status=0
        ctest --test-dir "$dir" -R "^($(paste -sd'|' <<<"$instant"))\$" --output-on-failure --timeout 300 || status=$?
    fi
fi
for prefix in "${prefixes[@]}"; do "$root/tools/winerun.sh" --prefix "$prefix" --shutdown; done
exit $status
