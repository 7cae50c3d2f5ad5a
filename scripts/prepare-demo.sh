#!/usr/bin/env bash
# Lays out a demo line folder: LINE/BIN/ (the station) and LINE/DATABASE/.
# Files already there are kept; only missing ones are added.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
line=${1:-$top/demo}
mkdir -p "$line/BIN" "$line/DATABASE"
if [ -d "$top/resources/station" ]; then
  for f in "$top/resources/station"/*; do
    [ -e "$f" ] || continue
    dest="$line/BIN/$(basename "$f")"
    [ -e "$dest" ] || cp "$f" "$dest"
  done
fi
# A ready line: three products, label 1 on the first, the box label on the
# second, a box of three loads, labels to the "Tarvik PDF" printer.
[ -e "$line/BIN/Setting_Prog.ini" ] || cp "$top/resources/demo/Setting_Prog.ini" "$line/BIN/Setting_Prog.ini"
products=${TARVIK_PRODUCTS_TOOL:-$top/build/bin/tarvik-products}
if [ -x "$products" ]; then
  "$products" --station-dir "$line/BIN" --if-empty "$top/resources/demo/products.tsv"
fi
if [ ! -e "$line/BIN/KaloScale.ini" ]; then
  # The simulated scale: puts loads on and takes them off every few seconds,
  # in grams with one place, the form of the default scale type "2,5 кг".
  printf '[Driver]\r\nProtocol=Simulator\r\n[Output]\r\nUnit=g\r\n' > "$line/BIN/KaloScale.ini"
fi
