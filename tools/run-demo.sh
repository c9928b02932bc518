#!/usr/bin/env bash
# make run: the default desktop, unpaint run on it, and the desktop again.
set -euo pipefail
BUILD=${1:-build}
qevos="$BUILD/bin/qevos"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
desktop="$work/desktop.json"
"$qevos" desktop init "$desktop" >/dev/null
echo "The desktop before (the focused tile has a background):"
"$qevos" desktop show "$desktop"
echo
echo "\$ qevos run --desktop desktop.json $BUILD/image/unpaint"
status=0
"$qevos" run --desktop "$desktop" "$BUILD/image/unpaint" || status=$?
echo "exit status $status"
echo
echo "The desktop after (the focused tile's background is cleared):"
"$qevos" desktop show "$desktop"
