#!/usr/bin/env bash
# Pictures of every tab of the settings window as the X server draws them,
# at its own size, on the demo line: scripts/settings-screenshots.sh [OUT_DIR] [LINE]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/screenshots}
line=${2:-$top/demo}
"$top/scripts/prepare-demo.sh" "$line"
. "$top/scripts/xvfb.sh"
start_xvfb
trap 'kill $xvfb 2>/dev/null || true' EXIT
DISPLAY=$display QT_QPA_PLATFORM=xcb CUPS_SERVER="$line/no-printers.sock" \
  timeout -k 5 60 "$top/build/bin/tarvik-settings-tabs" "$line/BIN" "$out"
