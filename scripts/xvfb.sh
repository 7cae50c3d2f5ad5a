# Sourced by the screenshot scripts: start_xvfb starts a private X server
# (1280 x 800) on a free-looking display and sets $display and $xvfb.
start_xvfb() {
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
}
