#!/usr/bin/env bash
# Builds both architectures and runs every test of the 64-bit build under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" all
dir="$root/build/x64"
runner=("$root/tools/winerun.sh" --prefix "$dir/wineprefix")
# Make the prefix before CTest lists the tests: its first start prints set-up messages.
"${runner[@]}" --init
status=0
ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure --timeout 300 || status=$?
"${runner[@]}" --shutdown
exit $status
