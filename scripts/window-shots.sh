#!/usr/bin/env bash
# Pictures of every window and box of the station in its language, drawn by
# the windows themselves (offscreen), on the demo line:
#   scripts/window-shots.sh [OUT_DIR] [LINE]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/screenshots/windows}
line=${2:-$(mktemp -d)/LINE}
TARVIK_PRODUCTS_TOOL=$top/build/bin/tarvik-products "$top/scripts/prepare-demo.sh" "$line" >/dev/null
QT_QPA_PLATFORM=offscreen CUPS_SERVER="$line/no-printers.sock" \
  timeout -k 5 120 "$top/build/bin/tarvik-window-shots" "$line/BIN" "$out"
