#!/usr/bin/env bash
# Pictures of the catalogue tab "Товари" and of the message dictionary over it,
# under Xvfb with a window manager (openbox), on a copy of the demo line with
# a few phrases in the dictionary: scripts/catalogue-screenshots.sh [OUT_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/screenshots}
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-catalogue.XXXXXX")
trap 'kill $wm $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
wm=""
"$top/scripts/prepare-demo.sh" "$work/line" > /dev/null
export FIREBIRD_LOCK=$work/lock
mkdir -p "$FIREBIRD_LOCK"
# Phrases with IDs that are not their positions: the column "№" shows positions.
{
  for i in $(seq 1 40); do
    echo "INSERT INTO MESSAGES (ID, MESSAGES) VALUES ($((i * 3 + 4)), 'Фраза номер $i для тексту етикетки');"
  done
  echo "COMMIT;"
} | isql-fb -user sysdba -q -ch UTF8 "$work/line/DATABASE/VELM.GDB" > /dev/null
. "$top/scripts/xvfb.sh"
start_xvfb
if command -v openbox > /dev/null; then
  DISPLAY=$display openbox > /dev/null 2>&1 &
  wm=$!
  sleep 1
fi
DISPLAY=$display QT_QPA_PLATFORM=xcb CUPS_SERVER="$work/no-printers.sock" \
  timeout -k 5 60 "$top/build/bin/tarvik-settings-tabs" "$work/line/BIN" "$out" --catalogue
echo "$out/catalogue.png $out/dictionary.png"
