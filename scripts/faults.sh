#!/usr/bin/env bash
# Fault runs of the headless station, each on fresh line folders, with the
# figures they end with:
#
#   scripts/faults.sh [kills] [server] [stations] [disk]      (default: all)
#   TARVIK_BUILD=build-x  KILLS=60  SERVER_KILLS=20  STATION_LOADS=400  DISK_RUNS=3
#
#   kills     the station killed with SIGKILL at random moments, then started
#             again: labels without their row, rows without a whole label,
#             the box number against the last box label's number, box labels
#             printed twice
#   server    a private Firebird server killed and started again under a
#             running station: labels without their row, and how long after
#             the server's return the next label came
#   stations  two stations of one scale name on one server: duplicate row
#             numbers and duplicate box numbers
#   disk      the label folder on a small tmpfs that fills up (needs root):
#             the settings file, and rows without a whole label
# Exits non-zero when a figure is not what the station promises.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVIK_BUILD:-build}
case $build in /*) ;; *) build=$top/$build ;; esac
tarvik=$build/bin/tarvik
products=$build/bin/tarvik-products
for tool in "$tarvik" "$products"; do
  [ -x "$tool" ] || { echo "faults: $tool is not built" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-faults.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]:-}"; do [ -n "$p" ] && kill -KILL "$p" 2> /dev/null || true; done
  [ -f "$work/fb/pid" ] && bash "$top/tests/data/firebird-server.sh" stop "$work/fb" || true
  mountpoint -q "$work/disk" 2> /dev/null && umount "$work/disk" || true
  rm -rf "$work"
}
trap cleanup EXIT
export FIREBIRD_LOCK=$work/lock QT_QPA_PLATFORM=offscreen CUPS_SERVER=$work/no-cups.sock LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$FIREBIRD_LOCK" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"
failed=0
figures=()

set_key() {  # FILE SECTION KEY VALUE (the key must exist)
  awk -v s="[$2]" -v k="$3" -v v="$4" '
    { line = $0; cr = sub(/\r$/, "", line) ? "\r" : "" }
    line ~ /^\[/ { here = (tolower(line) == tolower(s)) }
    here && index(tolower(line), tolower(k) "=") == 1 { print k "=" v cr; next }
    { print }' "$1" > "$1.new" && mv "$1.new" "$1"
}

# A line folder: demo settings, a box of BOX loads, a 20 ms poll, LOADS loads of
# distinct weights on a scripted scale, the demo products.
make_line() {  # DIR BOX LOADS
  local bin=$1/BIN
  mkdir -p "$bin" "$1/DATABASE"
  cp "$top"/resources/station/* "$bin/"
  cp "$top/resources/demo/Setting_Prog.ini" "$bin/"
  set_key "$bin/Setting_Prog.ini" Timer interval 20
  set_key "$bin/Setting_Prog.ini" Prog Sum_etic "$2"
  set_key "$bin/Setting_Prog.ini" Prog Type_Scale 1
  "$products" --station-dir "$bin" "$top/resources/demo/products.tsv" > /dev/null 2>&1
  printf '[Driver]\r\nProtocol=Simulator\r\n[Simulator]\r\nScript=readings.txt\r\n' > "$bin/KaloScale.ini"
  awk -v n="$3" 'BEGIN { for (i = 0; i < n; i++) { g = 300 + i; printf "%d.%03d;S;\n0.000;S;\n", int(g / 1000), g % 1000 } }' \
    > "$bin/readings.txt"
}

sql() {  # DB QUERY -> the single value of "... AS V"
  printf 'SET LIST ON;\n%s;\n' "$2" | isql-fb -user sysdba -password quillmoss -q "$1" | awk '$1 == "V" { print $2 }'
}

# Whole label 1s, label 2s, broken files, the highest box number printed, and
# box labels that repeat a number printed before.
count_labels() {  # BIN -> "label1 label2 broken lastbox repeated"
  local pdf=$1/PDF l1=0 l2=0 broken=0 last=0 repeated=0 f n
  local -A seen=()
  shopt -s nullglob
  for f in "$pdf"/*.part; do broken=$((broken + 1)); done
  for f in "$pdf"/*.pdf; do
    if [ ! -s "$f" ] || ! tail -c 1024 "$f" | grep -q '%%EOF'; then broken=$((broken + 1)); continue; fi
    case $f in
      *-label1.pdf) l1=$((l1 + 1)) ;;
      *-label2.pdf)
        l2=$((l2 + 1))
        n=$(pdftotext "$f" - 2> /dev/null | grep -o 'Коробка № *[0-9]*' | grep -o '[0-9]*$' | head -1)
        if [ -n "$n" ]; then
          [ -n "${seen[$n]:-}" ] && repeated=$((repeated + 1))
          seen[$n]=1
          [ "$n" -gt "$last" ] && last=$n
        fi ;;
    esac
  done
  shopt -u nullglob
  echo "$l1 $l2 $broken $last $repeated"
}

# Product labels so far, counted fast (the resume time is measured with it).
label1_count() {
  find "$1/PDF" -maxdepth 1 -name '*-label1.pdf' -size +0 2> /dev/null | wc -l
}

verdict() {  # NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then figures+=("  ok    $1: $3"); else figures+=("  FAIL  $1: $3 (expected $2)"); failed=1; fi
}

run_kills() {
  local n=${KILLS:-60} line=$work/kills
  make_line "$line" 3 5000
  for i in $(seq 1 "$n"); do
    "$tarvik" --station-dir "$line/BIN" --headless > /dev/null 2>> "$line/stderr.txt" &
    pids=($!)
    sleep "0.$((RANDOM % 9 + 2))$((RANDOM % 10))"
    kill -KILL "${pids[0]}" 2> /dev/null || true
    wait "${pids[0]}" 2> /dev/null || true
  done
  # A last start finishes what the journal holds and weighs one more load.
  "$tarvik" --station-dir "$line/BIN" --headless --quit-after 1 > /dev/null 2>> "$line/stderr.txt"
  local db=$line/DATABASE/VELM.GDB rows box labels
  rows=$(sql "$db" "SELECT COUNT(*) AS V FROM DB_ZVIT")
  box=$(sql "$db" "SELECT NUM AS V FROM KOPOBKA")
  read -r l1 l2 broken last repeated <<< "$(count_labels "$line/BIN")"
  figures+=("kills: $n SIGKILLs; $rows rows, $l1 whole product labels, $l2 box labels; $(grep -c 'Перерваний друк' "$line/stderr.txt" || true) restarts announced what they finished")
  verdict "labels without their row" 0 $((l1 > rows ? l1 - rows : 0))
  verdict "rows without a whole label" 0 $((rows > l1 ? rows - l1 : 0))
  verdict "broken label files" 0 "$broken"
  verdict "KOPOBKA against the last box label" "$box" "$last"
  verdict "box labels printed twice" 0 "$repeated"
}

start_server() {
  bash "$top/tests/data/firebird-server.sh" start "$work/fb" > /dev/null
  port=$(cat "$work/fb/port")
}

# A line on the server: its database made by the embedded engine, then served.
server_line() {  # DIR BOX LOADS NAME
  make_line "$1" "$2" "$3"
  set_key "$1/BIN/Setting_Prog.ini" Prog Name_Weight "$4"
  printf '[Database]\r\nPath=127.0.0.1/%s:%s\r\nUser=sysdba\r\nPassword=quillmoss\r\n' "$port" "$5" >> "$1/BIN/Setting_Prog.ini"
}

run_server() {
  local n=${SERVER_KILLS:-20} line=$work/server
  start_server
  make_line "$work/serverdb" 3 1
  server_line "$line" 1000 20000 Server "$work/serverdb/DATABASE/VELM.GDB"
  "$tarvik" --station-dir "$line/BIN" --headless > /dev/null 2> "$line/stderr.txt" &
  pids=($!)
  local worst=0 i before t0 t
  sleep 3
  for i in $(seq 1 "$n"); do
    bash "$top/tests/data/firebird-server.sh" stop "$work/fb" > /dev/null
    sleep 1
    start_server
    before=$(label1_count "$line/BIN")
    t0=$(date +%s%N)
    while [ "$(label1_count "$line/BIN")" -le "$before" ]; do
      sleep 0.05
      [ $(( ($(date +%s%N) - t0) / 1000000 )) -gt 30000 ] && break
    done
    t=$(( ($(date +%s%N) - t0) / 1000000 ))
    [ "$t" -gt "$worst" ] && worst=$t
    sleep 1
  done
  kill -TERM "${pids[0]}"; wait "${pids[0]}" || true
  local rows
  rows=$(sql "127.0.0.1/$port:$work/serverdb/DATABASE/VELM.GDB" "SELECT COUNT(*) AS V FROM DB_ZVIT")
  read -r l1 l2 broken last repeated <<< "$(count_labels "$line/BIN")"
  figures+=("server: $n kills; $rows rows, $l1 product labels; $(grep -c "Немає зв'язку" "$line/stderr.txt" || true) outage messages; the next label came at most $worst ms after the server was back")
  verdict "labels without their row" 0 $((l1 > rows ? l1 - rows : 0))
  verdict "weighing resumed within 5 s" 1 $((worst <= 5000 ? 1 : 0))
}

run_stations() {
  local n=${STATION_LOADS:-400}
  [ -f "$work/fb/port" ] || start_server
  # The line's database set up as a technician does it: the station user and its rights.
  local db=$work/shareddb/LINE.FDB
  mkdir -p "$work/shareddb"
  (umask 077; printf 'st4tion-pw\n' > "$work/station-password")
  ISC_PASSWORD=quillmoss bash "$top/scripts/server-setup.sh" --host 127.0.0.1 --port "$port" \
    --password-file "$work/station-password" "$db" > /dev/null 2>&1
  # The catalogue is loaded by the line's administrator.
  mkdir -p "$work/catalogue/BIN"
  printf '[Database]\r\nPath=127.0.0.1/%s:%s\r\nUser=sysdba\r\nPassword=quillmoss\r\n' "$port" "$db" \
    > "$work/catalogue/BIN/Setting_Prog.ini"
  "$products" --station-dir "$work/catalogue/BIN" "$top/resources/demo/products.tsv" > /dev/null
  station_line "$work/a" 3 "$n" Shared "$db"
  station_line "$work/b" 3 "$n" Shared "$db"
  "$tarvik" --station-dir "$work/a/BIN" --headless --quit-after "$n" > /dev/null 2>&1 & pids=($!)
  "$tarvik" --station-dir "$work/b/BIN" --headless --quit-after "$n" > /dev/null 2>&1 & pids+=($!)
  wait "${pids[@]}" || true
  local remote=127.0.0.1/$port:$db
  figures+=("stations: two of one scale name as the station user, $n loads each; $(sql "$remote" "SELECT COUNT(*) AS V FROM DB_ZVIT") rows")
  verdict "rows" $((2 * n)) "$(sql "$remote" "SELECT COUNT(*) AS V FROM DB_ZVIT")"
  verdict "duplicate row numbers" 0 "$(sql "$remote" "SELECT COUNT(*) - COUNT(DISTINCT ID) AS V FROM DB_ZVIT")"
  verdict "box numbers taken" $((2 * n / 3)) "$(sql "$remote" "SELECT COUNT(*) AS V FROM TARVIK_BOXES")"
  verdict "duplicate box numbers" 0 "$(sql "$remote" "SELECT COUNT(*) - COUNT(DISTINCT NUM) AS V FROM TARVIK_BOXES")"
}

# A line on the server as the station user of server-setup.sh, its password in
# a file of the owner alone.
station_line() {  # DIR BOX LOADS NAME DB
  make_line "$1" "$2" "$3"
  set_key "$1/BIN/Setting_Prog.ini" Prog Name_Weight "$4"
  printf '[Database]\r\nPath=127.0.0.1/%s:%s\r\nUser=TARVIK\r\nPasswordFile=db-password\r\n' "$port" "$5" >> "$1/BIN/Setting_Prog.ini"
  (umask 077; cp "$work/station-password" "$1/BIN/db-password")
}

run_disk() {
  if [ "$(id -u)" -ne 0 ]; then figures+=("disk: skipped (a tmpfs needs root)"); return; fi
  local runs=${DISK_RUNS:-3} r intact=0 orphan=0
  for r in $(seq 1 "$runs"); do
    local line=$work/disk$r
    make_line "$line" 3 200
    mkdir -p "$line/BIN/PDF"
    mount -t tmpfs -o size=400k tmpfs "$line/BIN/PDF"
    timeout 60 "$tarvik" --station-dir "$line/BIN" --headless --quit-after 40 > /dev/null 2> "$line/stderr.txt" || true
    local rows
    rows=$(sql "$line/DATABASE/VELM.GDB" "SELECT COUNT(*) AS V FROM DB_ZVIT")
    read -r l1 l2 broken last repeated <<< "$(count_labels "$line/BIN")"
    umount "$line/BIN/PDF"
    grep -q '^Num_Box=' "$line/BIN/Setting_Prog.ini" && [ -s "$line/BIN/Setting_Prog.ini" ] && intact=$((intact + 1))
    orphan=$((orphan + (rows > l1 ? rows - l1 : 0)))
  done
  figures+=("disk: $runs runs on a label folder that fills up")
  verdict "settings files intact" "$runs" "$intact"
  verdict "rows without a whole label" 0 "$orphan"
}

[ $# -eq 0 ] && set -- kills server stations disk
for what in "$@"; do "run_$what"; done
echo "faults:"
printf '%s\n' "${figures[@]}"
exit "$failed"
