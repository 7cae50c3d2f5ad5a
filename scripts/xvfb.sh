# Sourced by the screenshot scripts: start_xvfb starts a private X server
# (1280 x 800) on a free-looking display and sets $display and $xvfb.
start_xvfb() {
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
}

# capture_screen FILE.png: what the screen shows. A window mapped over a tool
# window (which asks for save-unders) is kept off screen by the X server and
# comes out black in a capture of the root alone, so each of the program's
# windows is captured by itself and pasted over the root, bottom to top.
capture_screen() {
  local pnm w x y managed popups=""
  pnm=$(mktemp)
  xwd -root -silent | xwdtopnm 2>/dev/null > "$pnm"
  managed=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
  # Menus and other unmanaged windows lie above the managed ones.
  for w in $(xdotool search --onlyvisible --class tarvik 2>/dev/null); do
    w=$(printf '0x%x' "$w")
    grep -qw "$w" <<<"$managed" || popups="$popups $w"
  done
  for w in $managed $popups; do
    xwininfo -id "$w" 2>/dev/null | grep -q 'IsViewable' || continue
    x=$(xwininfo -id "$w" | sed -n 's/.*Absolute upper-left X: *//p')
    y=$(xwininfo -id "$w" | sed -n 's/.*Absolute upper-left Y: *//p')
    xwd -id "$w" -silent | xwdtopnm 2>/dev/null | pnmpaste - "$x" "$y" "$pnm" > "$pnm.new" 2>/dev/null &&
      mv "$pnm.new" "$pnm"
  done
  pnmtopng < "$pnm" > "$1"
  rm -f "$pnm" "$pnm.new"
}
