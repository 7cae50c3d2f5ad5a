#!/usr/bin/env bash
# Soak run of the headless station: N loads from a scripted scale on a fresh
# line folder, then checks the database and the printed labels, and prints the
# wall time and the peak memory of the run.
#
#   scripts/soak.sh [N...]        (default: 1000 10000)
#   TARVIK_BUILD=build-x scripts/soak.sh 500
#
# Each N runs on its own fresh line folder (LINE/BIN + LINE/DATABASE), with
# the demo settings, a box of 7 loads, a 1 ms poll and labels to "Tarvik PDF".
# Exits non-zero when a run fails or a check does not hold.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVIK_BUILD:-build}
case $build in /*) ;; *) build=$top/$build ;; esac
tarvik=$build/bin/tarvik
products=$build/bin/tarvik-products
box=7

if [ $# -eq 0 ]; then
  set -- 1000 10000
fi
for n in "$@"; do
  if ! [[ $n =~ ^[1-9][0-9]*$ ]]; then
    echo "soak: not a number of loads: $n" >&2
    exit 2
  fi
done
for tool in "$tarvik" "$products"; do
  if [ ! -x "$tool" ]; then
    echo "soak: $tool is not built (set TARVIK_BUILD to the build folder)" >&2
    exit 2
  fi
done
if [ ! -e "$build/bin/components/libKaloScale.so" ]; then
  echo "soak: the scale component is not built ($build/bin/components/libKaloScale.so)" >&2
  exit 2
fi
for tool in /usr/bin/time isql-fb timeout; do
  if ! command -v "$tool" > /dev/null; then
    echo "soak: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 2
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-soak.XXXXXX")
station_pid=""
cleanup() {
  # Never leave a station behind: an embedded database held by a stray
  # process keeps it busy. `timeout` leads its own process group, which holds
  # the station and nothing else.
  if [ -n "$station_pid" ] && kill -0 "$station_pid" 2> /dev/null; then
    kill -TERM -- "-$station_pid" 2> /dev/null || true
    sleep 1
    kill -KILL -- "-$station_pid" 2> /dev/null || true
  fi
  if [ "$failed" -eq 0 ]; then
    rm -rf "$work"
  else
    echo "soak: the failed line folders are kept in $work" >&2
  fi
}
failed=0
trap cleanup EXIT
trap 'exit 130' INT TERM

# The embedded engine's lock files, private to this soak.
export FIREBIRD_LOCK=$work/firebird-lock
mkdir -p "$FIREBIRD_LOCK"
export QT_QPA_PLATFORM=offscreen
# No print queue of the machine: "Tarvik PDF" is the only printer.
export CUPS_SERVER=$work/no-cups.sock
export LC_ALL=C.UTF-8
# Qt's runtime folder, so that standard error carries only the station's own words.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

# Sets key=value in [section] of a CRLF settings file (the key must exist).
set_key() {
  local file=$1 section=$2 key=$3 value=$4
  awk -v s="[$section]" -v k="$key" -v v="$value" '
    { line = $0; cr = sub(/\r$/, "", line) ? "\r" : "" }
    line ~ /^\[/ { here = (tolower(line) == tolower(s)) }
    here && index(tolower(line), tolower(k) "=") == 1 { print k "=" v cr; found = 1; next }
    { print }
    END { if (!found) exit 1 }
  ' "$file" > "$file.new"
  mv "$file.new" "$file"
}

# One isql-fb value: "SELECT ... AS X" with SET LIST ON prints "X  value".
sql_value() {
  local db=$1 name=$2 query=$3
  printf 'SET LIST ON;\n%s;\n' "$query" |
    isql-fb -user sysdba -q "$db" |
    awk -v n="$name" '$1 == n { print $2 }'
}

summary=()

soak_one() {
  local n=$1
  local line=$work/line-$n
  local bin=$line/BIN
  mkdir -p "$bin" "$line/DATABASE"
  cp "$top"/resources/station/* "$bin/"
  cp "$top/resources/demo/Setting_Prog.ini" "$bin/"
  set_key "$bin/Setting_Prog.ini" Timer interval 1
  set_key "$bin/Setting_Prog.ini" Prog Sum_etic "$box"
  # Kilograms with three places, as the scale driver reports by default.
  set_key "$bin/Setting_Prog.ini" Prog Type_Scale 1
  "$products" --station-dir "$bin" "$top/resources/demo/products.tsv" > /dev/null

  # Alternating loads (0.250 .. 2.400 kg) and an empty scale, one reading
  # per poll; after the script the driver reports "Error".
  printf '[Driver]\r\nProtocol=Simulator\r\n[Simulator]\r\nScript=readings.txt\r\n' > "$bin/KaloScale.ini"
  awk -v n="$n" 'BEGIN {
    for (i = 0; i < n; i++) {
      g = 250 + (i * 389) % 2151
      printf "%d.%03d;S;\n0.000;S;\n", int(g / 1000), g % 1000
    }
  }' > "$bin/readings.txt"

  # About 10-40 ms per load; a generous bound all the same.
  local limit=$((120 + n / 10))
  local timefile=$line/time.txt errfile=$line/stderr.txt
  echo "soak: $n loads (box of $box), limit ${limit} s, in $line" >&2
  local rc=0
  timeout -k 10 "$limit" /usr/bin/time -v -o "$timefile" \
    "$tarvik" --station-dir "$bin" --headless --quit-after "$n" > "$line/stdout.txt" 2> "$errfile" &
  station_pid=$!
  wait "$station_pid" || rc=$?
  station_pid=""

  local wall rss
  wall=$(awk -F': ' '/Elapsed \(wall clock\) time/ { print $2 }' "$timefile" 2> /dev/null || true)
  rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$timefile" 2> /dev/null || true)

  local ok=1
  check() {  # check WHAT EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
      echo "  ok   $1: $3" >&2
    else
      echo "  FAIL $1: expected $2, got ${3:-nothing}" >&2
      ok=0
    fi
  }
  check "exit status" 0 "$rc"
  if [ -s "$errfile" ]; then
    echo "  the station wrote to standard error (first lines):" >&2
    head -n 5 "$errfile" | sed 's/^/    /' >&2
  fi

  local db=$line/DATABASE/VELM.GDB
  local boxes=$((n / box))
  check "log rows" "$n" "$(sql_value "$db" ROWS_N 'SELECT COUNT(*) AS ROWS_N FROM DB_ZVIT')"
  check "lowest row ID" 1 "$(sql_value "$db" MIN_ID 'SELECT MIN(ID) AS MIN_ID FROM DB_ZVIT')"
  check "highest row ID" "$n" "$(sql_value "$db" MAX_ID 'SELECT MAX(ID) AS MAX_ID FROM DB_ZVIT')"
  check "distinct row IDs" "$n" "$(sql_value "$db" IDS 'SELECT COUNT(DISTINCT ID) AS IDS FROM DB_ZVIT')"
  # A fresh line is at box 1; every closed box advances it by one.
  check "box number in KOPOBKA" "$((boxes + 1))" "$(sql_value "$db" NUM 'SELECT NUM FROM KOPOBKA WHERE ID_num = 1')"
  local label1 label2
  label1=$(find "$bin/PDF" -maxdepth 1 -name '*-label1.pdf' -size +0 2> /dev/null | wc -l)
  label2=$(find "$bin/PDF" -maxdepth 1 -name '*-label2.pdf' -size +0 2> /dev/null | wc -l)
  check "label 1 PDFs" "$n" "$label1"
  check "label 2 PDFs" "$boxes" "$label2"

  local verdict=passed
  if [ "$ok" -ne 1 ]; then
    verdict=FAILED
    failed=1
  fi
  summary+=("$(printf '%6d loads: wall %s, peak RSS %s KB (%s MB), checks %s' \
    "$n" "${wall:-?}" "${rss:-?}" "$(( ${rss:-0} / 1024 ))" "$verdict")")
  if [ "$ok" -eq 1 ]; then
    rm -rf "$line"
  fi
}

for n in "$@"; do
  soak_one "$n"
done
echo "soak summary:"
printf '  %s\n' "${summary[@]}"
exit "$failed"
