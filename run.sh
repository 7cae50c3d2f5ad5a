#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo line folder if it is
# missing (demo/BIN/ is the station, demo/DATABASE/ its database) and starts
# the station on it. Without a display it runs headless for a few loads.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
"$top/scripts/prepare-demo.sh" "$top/demo"
args=(--station-dir "$top/demo/BIN")
# The demo prints to "Tarvik PDF" (demo/BIN/PDF/), not to this machine's
# printers; TARVIK_DEMO_PRINTERS=1 lists them too.
if [ -z "${TARVIK_DEMO_PRINTERS:-}" ]; then
  export CUPS_SERVER="$top/demo/no-printers.sock"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  loads=${TARVIK_DEMO_LOADS:-6}
  # The simulated scale puts a load on about every 11 s.
  seconds=${TARVIK_DEMO_SECONDS:-120}
  echo "run.sh: no display; running headless for $loads loads or $seconds s" >&2
  # The station quits cleanly on SIGTERM, so the time bound ends it properly.
  status=0
  timeout -k 10 "$seconds" "$top/build/bin/tarvik" "${args[@]}" --headless --quit-after "$loads" "$@" || status=$?
  echo "run.sh: labels   $top/demo/BIN/PDF/ ($(ls "$top/demo/BIN/PDF" 2>/dev/null | wc -l) PDF files)" >&2
  echo "run.sh: log      table DB_ZVIT in $top/demo/DATABASE/VELM.GDB" >&2
  echo "run.sh: settings $top/demo/BIN/Setting_Prog.ini" >&2
  case "$status" in 124|137) status=0 ;; esac  # the time bound ended the run
  exit "$status"
fi
exec "$top/build/bin/tarvik" "${args[@]}" "$@"
