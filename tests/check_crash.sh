#!/usr/bin/env bash
# A crashing program must end by itself with a failure code within a few seconds.
# Usage: check_crash.sh RUNNER PROGRAM
set -u
start=$(date +%s)
timeout 60 "$1" "$2" >/dev/null 2>&1
status=$?
elapsed=$(( $(date +%s) - start ))
if [ $status -eq 124 ]; then echo "the crashing program hung"; exit 1; fi
if [ $status -eq 0 ]; then echo "the crashing program reported success"; exit 1; fi
if [ $elapsed -gt 30 ]; then echo "the crashing program took ${elapsed}s to end"; exit 1; fi
echo "the crashing program ended with status $status after ${elapsed}s"
