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
for prefix in "${prefixes[@]}"; do "$root/tools/winerun.sh" --prefix "$prefix" --init; done
status=0
ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure --timeout 300 || status=$?
for prefix in "${prefixes[@]}"; do "$root/tools/winerun.sh" --prefix "$prefix" --shutdown; done
exit $status
