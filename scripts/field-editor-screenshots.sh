#!/usr/bin/env bash
# The field text editor driven through a real X server with a window manager:
# opened from "Редагувати" on label 1's body block, its placeholder list, the
# find dialog and its message, the replace and font dialogs, a hint in the
# status bar, and the preview after the editor closed.
#   scripts/field-editor-screenshots.sh [OUT_DIR] [LINE]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/screenshots}
line=${2:-$(mktemp -d)/LINE}
mkdir -p "$out"
"$top/scripts/prepare-demo.sh" "$line"
. "$top/scripts/xvfb.sh"
start_labels_tab "$line" 80 "$out/field-editor.log"
shot() { sleep 1.5; capture_screen "$out/$1.png"; echo "$out/$1.png"; }
at() { grep "^$1 " "$coords" | tail -1 | cut -d' ' -f2-3; }

# The body block of the demo label 1 lies at (8, 44), 216 x 156 page pixels.
xdotool mousemove $((x1 + 100)) $((y1 + 100)) click 3
sleep 0.5
xdotool mousemove $((x1 + 130)) $((y1 + 112)) click 1
for _ in $(seq 50); do grep -q '^TBExit' "$coords" && break; sleep 0.2; done
shot field-1-editor

read -r ex ey < <(at RichEdit1)
xdotool mousemove "$ex" "$ey" click 1
xdotool key ctrl+End
xdotool type --delay 40 ' Нетто: '
xdotool key ctrl+shift+p
shot field-2-placeholders
xdotool key Down Down Return
xdotool type --delay 40 ' кг'
xdotool key shift+Home
xdotool key ctrl+f
shot field-3-find
xdotool type --delay 40 'xyz'
xdotool key Return
shot field-4-not-found
xdotool key Return
sleep 0.3
xdotool key Escape

read -r bx by < <(at TBReplace)
xdotool mousemove "$bx" "$by" click 1
shot field-5-replace
xdotool key Escape
read -r bx by < <(at TBFont)
xdotool mousemove "$bx" "$by" click 1
shot field-6-font
xdotool key Escape
read -r bx by < <(at TBNumb)
xdotool mousemove "$bx" "$by"
shot field-7-hint

read -r bx by < <(at TBExit)
xdotool mousemove "$bx" "$by" click 1
xdotool mousemove $((x1 + 300)) $((y1 + 340))
shot field-8-preview
