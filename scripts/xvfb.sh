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

# start_labels_tab LINE SECONDS LOG: the settings window's tab "Етикетки" of the
# station in LINE/BIN (build/bin/tarvik-labels-tab) on a private X server with
# a window manager, for SECONDS at most. Sets $coords (the file where the tool
# writes where its controls are), $x1 $y1 (the corner of Image1) and an EXIT
# trap that ends the tool, the window manager and the X server.
start_labels_tab() {
  start_xvfb
  export DISPLAY=$display
  openbox >/dev/null 2>&1 &
  wm=$!
  coords=$(mktemp)
  tool=
  trap finish_labels_tab EXIT
  QT_QPA_PLATFORM=xcb CUPS_SERVER="$1/no-printers.sock" \
    timeout -k 3 $(($2 + 30)) "$top/build/bin/tarvik-labels-tab" "$1/BIN" "$2" >"$coords" 2>"$3" &
  tool=$!
  for _ in $(seq 50); do grep -q '^Image2' "$coords" && break; sleep 0.2; done
  read -r _ x1 y1 _ _ < <(grep '^Image1' "$coords")
}

# The tool first, while its X server still runs: it would spin on a lost display.
finish_labels_tab() {
  if [ -n "$tool" ]; then
    kill "$tool" 2>/dev/null || true  # timeout passes it on to the tool
    for _ in $(seq 100); do kill -0 "$tool" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$tool" 2>/dev/null || true
  fi
  kill "$wm" "$xvfb" 2>/dev/null || true
  rm -f "$coords"
}
