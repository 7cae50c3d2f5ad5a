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
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  loads=${TARVIK_DEMO_LOADS:-6}
  echo "run.sh: no display; running headless for $loads loads" >&2
  args+=(--headless --quit-after "$loads")
fi
exec "$top/build/bin/tarvik" "${args[@]}" "$@"
