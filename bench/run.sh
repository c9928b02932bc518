#!/usr/bin/env bash
# Prints every benchmark's figures: one section per bench/*.sh. No pass or fail.
set -uo pipefail
BUILD=${1:-build}
cd "$(dirname "$0")/.."
export BUILD
source bench/lib.sh
printf '%-60s %14s %s\n' "figure" "value" "unit"
for script in bench/*.sh; do
    case "$script" in bench/lib.sh | bench/run.sh) continue ;; esac
    echo "$(basename "$script" .sh):"
    source "$script"
done
