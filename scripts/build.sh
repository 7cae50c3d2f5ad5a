#!/usr/bin/env bash
# Configures (once) and builds the project into build/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=${TARVIK_JOBS:-$(nproc)}
if [ ! -f "$top/build/build.ninja" ]; then
  cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$top/build" -j "$jobs"
