#!/usr/bin/env bash
# Starts the station under Xvfb on a line folder and saves a screenshot of the
# whole screen after a few seconds: scripts/screenshot.sh OUT.png [LINE] [SECONDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: screenshot.sh OUT.png [LINE] [SECONDS]}
line=${2:-$top/demo}
wait=${3:-6}
"$top/scripts/prepare-demo.sh" "$line"
. "$top/scripts/xvfb.sh"
station=""
start_xvfb
# The station goes first: it must close its database while its display lives.
trap 'kill $station 2>/dev/null; wait $station 2>/dev/null; kill $xvfb 2>/dev/null || true' EXIT
DISPLAY=$display "$top/build/bin/tarvik" --station-dir "$line/BIN" &
station=$!
sleep "$wait"
DISPLAY=$display xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$out"
echo "$out"
