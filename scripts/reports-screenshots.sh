#!/usr/bin/env bash
# Screenshots of the reports window and its chart under Xvfb with a window
# manager, taken by the reports tests: scripts/reports-screenshots.sh [OUTDIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/screenshots}
mkdir -p "$out"
. "$top/scripts/xvfb.sh"
start_xvfb
wm=""
trap 'kill $wm 2>/dev/null; kill $xvfb 2>/dev/null || true' EXIT
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 1
DISPLAY=$display QT_QPA_PLATFORM=xcb \
  TARVIK_REPORTS_SCREENSHOT="$out/reports-window.png" TARVIK_CHART_SCREENSHOT="$out/reports-chart.png" \
  "$top/build/bin/reports_tests" \
  --gtest_filter='ReportsTest.WindowCarriesItsControlsAndColumns:ReportsTest.ChartShows*'
ls "$out"/reports-*.png
