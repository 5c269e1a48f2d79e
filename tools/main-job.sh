#!/usr/bin/env bash
# Builds the driver and runs its main job under Wine: the print host installs the driver's files
# and the sample model data into the Wine machine's printer-driver folder, registers the driver
# with the spooler and reports the sample models and their data files; then it adds the sample
# printer (the first model of the master data file) and prints the sample document, three pages,
# through the driver into build/x64/jobs/sample.prn.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" all
dir="$root/build/x64"
runner=("$root/tools/winerun.sh" --prefix "$dir/wineprefix")

# The sample printer's model: the first section of the master data file that is a model.
model=$(awk '/^\[/ { name = $0; gsub(/^\[|\][[:space:]]*$/, "", name);
                     if (name != "Common" && name != "General") { print name; exit } }' "$dir/driver/VRDA.DAT")
[ -n "$model" ] || { echo "main-job.sh: no model in $dir/driver/VRDA.DAT" >&2; exit 1; }
mkdir -p "$dir/jobs"
job="$dir/jobs/sample.prn"
# Wine's drive Z: is the Unix root.
job_windows="Z:${job//\//\\}"

"${runner[@]}" --init
status=0
"${runner[@]}" "$dir/bin/drvprint.exe" install --code VRDA || status=$?
if [ "$status" -eq 0 ]; then
    "${runner[@]}" "$dir/bin/drvprint.exe" print --code VRDA --printer "Sample Printer" --model "$model" \
        --doc "Sample Document" --pages 3 --out "$job_windows" || status=$?
fi
"${runner[@]}" --shutdown
if [ "$status" -eq 0 ]; then echo "The sample job ($model, 3 pages) is in $job"; fi
exit $status
