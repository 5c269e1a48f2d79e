#!/usr/bin/env bash
# Builds the driver and runs its main job under Wine: the print host installs the driver's files
# and the sample model data into the Wine machine's printer-driver folder, registers the driver
# with the spooler and reports the sample models and their data files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" all
dir="$root/build/x64"
runner=("$root/tools/winerun.sh" --prefix "$dir/wineprefix")
"${runner[@]}" --init
status=0
"${runner[@]}" "$dir/bin/drvprint.exe" install --code VRDA || status=$?
"${runner[@]}" --shutdown
exit $status
