#!/usr/bin/env bash
# Makes the README's picture of the results window: the whole-road test walks
# the kitchen order of bench/data/kitchen.txt to its cutting maps and saves the
# main window, under Xvfb when it is installed (package xvfb), else on Qt's
# offscreen display. Usage: scripts/screenshot.sh [picture.png]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
OUT="$(realpath -m "${1:-$ROOT/docs/results-window.png}")"
mkdir -p "$(dirname "$OUT")"
export KV_SCREENSHOT="$OUT"
export FONTCONFIG_FILE="$ROOT/platform/testsupport/fonts.conf" LC_ALL=C.UTF-8
TEST=("$BUILD_DIR/app/kv_app_tests" --gtest_filter='WholeRoad.FromAnEmptyFolder*')
if command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" "${TEST[@]}"
else
  QT_QPA_PLATFORM=offscreen "${TEST[@]}"
fi
echo "Written: $OUT"
