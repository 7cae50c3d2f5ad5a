#!/usr/bin/env bash
# The layout editor driven through a real X server with a window manager:
# the tab "Етикетки" before and after a drag of label 1's head block, then
# the popup "Редагувати" and the field text editor it opens.
#   scripts/layout-editor-screenshots.sh [OUT_DIR] [LINE]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/screenshots}
line=${2:-$(mktemp -d)/LINE}
mkdir -p "$out"
"$top/scripts/prepare-demo.sh" "$line"
. "$top/scripts/xvfb.sh"
start_labels_tab "$line" 60 "$out/labels-tab.log"
shot() { sleep 1.5; capture_screen "$out/$1.png"; echo "$out/$1.png"; }

# The demo barcode picture lies at (12, 244), 208 x 68 page pixels: grab it
# at (100, 280) and drag it 40 px left and 60 px up, over the bottom block.
xdotool mousemove $((x1 + 100)) $((y1 + 280))
shot layout-1-before
xdotool mousedown 1
for step in $(seq 1 20); do xdotool mousemove $((x1 + 100 - step * 2)) $((y1 + 280 - step * 3)); done
shot layout-2-dragging
xdotool mouseup 1
xdotool mousemove $((x1 + 200)) $((y1 + 140))
shot layout-3-after
grep -a -A3 '^\[16\]' "$line/BIN/St_Tick_1.ini" | tr -d '\r' | iconv -f cp1251 -t utf-8

# The popup on the body block, then "Редагувати".
xdotool mousemove $((x1 + 100)) $((y1 + 80)) click 3
sleep 1
shot layout-4-popup
xdotool mousemove $((x1 + 130)) $((y1 + 92)) click 1
shot layout-5-editor
# Closing the editor ("Выход") writes the template back.
for _ in $(seq 50); do grep -q '^TBExit' "$coords" && break; sleep 0.2; done
read -r _ bx by < <(grep '^TBExit' "$coords")
xdotool mousemove "$bx" "$by" click 1
sleep 0.5

# A width that is no number, typed into the list: refused in a box above the window.
read -r _ cx cy < <(grep '^Cell2' "$coords")
xdotool mousemove "$cx" "$cy" click 1
xdotool type --delay 50 abc
xdotool key Return
shot layout-6-refused
xdotool key Return
sleep 0.5
grep -a -A1 '^\[2\]' "$line/BIN/St_Tick_1.ini" | tr -d '\r' | iconv -f cp1251 -t utf-8
# The tool ends by itself.
wait "$tool" || true
tool=
