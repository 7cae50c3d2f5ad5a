#!/usr/bin/env bash
# Bad input against the built headless station: settings keys, stand-by
# pictures, label templates, layout files, settings files, product rows and
# scale readings, each on a fresh line folder, with a time limit per case.
# Prints one row per case and the totals:
#
#   scripts/bad-input.sh [PATTERN]        (only the cases whose name matches)
#   TARVIK_BUILD=build-x  CASE_TIMEOUT=30
#
# Outcomes:
#   clear error     the expected error, naming what is wrong, and nothing printed,
#                   logged or counted
#   correct result  no error, and the labels, rows and box number expected
#   unclear error   an error that does not name what is wrong
#   damage          the expected error, but something was printed, logged or counted
#   silent wrong    no error, and not the expected result
#   hang            the case did not end within its time
#   crash           the station died of a signal
# Exits non-zero unless every case is a clear error or a correct result.
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVIK_BUILD:-build}
case $build in /*) ;; *) build=$top/$build ;; esac
tarvik=$build/bin/tarvik
products=$build/bin/tarvik-products
for tool in "$tarvik" "$products"; do
  [ -x "$tool" ] || { echo "bad-input: $tool is not built" >&2; exit 2; }
done
command -v isql-fb > /dev/null || { echo "bad-input: isql-fb is missing" >&2; exit 2; }
limit=${CASE_TIMEOUT:-30}
only=${1:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-bad-input.XXXXXX")
trap 'rm -rf "$work"' EXIT
export FIREBIRD_LOCK=$work/lock QT_QPA_PLATFORM=offscreen CUPS_SERVER=$work/no-cups.sock LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$FIREBIRD_LOCK" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"

set_key() {  # FILE SECTION KEY VALUE: replaces the key, or adds it to its section
  awk -v s="[$2]" -v k="$3" -v v="$4" '
    { line = $0; cr = sub(/\r$/, "", line) ? "\r" : "" }
    line ~ /^\[/ { if (here && !done) { print k "=" v cr; done = 1 } here = (tolower(line) == tolower(s)) }
    here && index(tolower(line), tolower(k) "=") == 1 { print k "=" v cr; done = 1; next }
    { print }
    END { if (!done) { if (!here) print s "\r"; print k "=" v "\r" } }' "$1" > "$1.new" && mv "$1.new" "$1"
}

del_key() {  # FILE SECTION KEY
  awk -v s="[$2]" -v k="$3" '
    { line = $0; sub(/\r$/, "", line) }
    line ~ /^\[/ { here = (tolower(line) == tolower(s)) }
    here && index(tolower(line), tolower(k) "=") == 1 { next }
    { print }' "$1" > "$1.new" && mv "$1.new" "$1"
}

sql() {  # DB QUERY -> the single value of "... AS V"
  printf 'SET LIST ON;\n%s;\n' "$2" | isql-fb -user sysdba -password quillmoss -q "$1" 2> /dev/null |
    awk '$1 == "V" { print $2 }'
}

# A BMP of W x H at 24 bits, with its header fields then changed by the caller.
bmp() {  # FILE WIDTH HEIGHT
  python3 - "$@" << 'EOF'
import struct, sys
path, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
row = (w * 3 + 3) // 4 * 4
pixels = bytes(row * abs(h))
head = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(path, 'wb').write(head + info + pixels)
EOF
}

patch_bmp() {  # FILE OFFSET STRUCT-FORMAT VALUE: one header field rewritten
  python3 - "$@" << 'EOF'
import struct, sys
path, at, fmt, value = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4])
b = bytearray(open(path, 'rb').read())
struct.pack_into(fmt, b, at, value)
open(path, 'wb').write(bytes(b))
EOF
}

rtf() {  # TEXT -> a template in the station's rich text
  printf '{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs24 %s\\par}' "$1"
}

# The line every case starts from: the fresh station files, the demo settings
# with a 20 ms poll and a box of three, three loads on a scripted scale, the
# demo catalogue.
base=$work/base
mkdir -p "$base/BIN" "$base/DATABASE"
cp "$top"/resources/station/* "$base/BIN/"
cp "$top/resources/demo/Setting_Prog.ini" "$base/BIN/"
set_key "$base/BIN/Setting_Prog.ini" Timer interval 20
set_key "$base/BIN/Setting_Prog.ini" Prog Type_Scale 1
"$products" --station-dir "$base/BIN" "$top/resources/demo/products.tsv" > /dev/null 2>&1 ||
  { echo "bad-input: the demo catalogue could not be imported" >&2; exit 2; }
# Raw: the station's own handling of bad readings is tried; the driver's is tested on its own.
printf '[Driver]\r\nProtocol=Simulator\r\n[Simulator]\r\nScript=readings.txt\r\nRaw=1\r\n' > "$base/BIN/KaloScale.ini"
printf '1.234;S;\n0.000;S;\n2.004;S;\n0.000;S;\n1.500;S;\n0.000;S;\n' > "$base/BIN/readings.txt"

declare -A totals
rows=()
failed=0

# One case: NAME EXPECTED SETUP...
#   EXPECTED  "ok L1 L2"         no error; L1 product labels (and rows), L2 box labels
#             "error TEXT|TEXT"  an error holding every TEXT; nothing printed, logged, counted
#             "poll TEXT L1"     a reading the station refuses: the error, then polling goes
#                                on and L1 later loads are labelled; ended after POLL_SECONDS
# SETUP is run in the case's station folder with $bin, $line and $db set.
run_case() {
  local name=$1 expected=$2
  shift 2
  [ -n "$only" ] && [[ $name != *$only* ]] && return
  local line=$work/case bin db quit=3
  rm -rf "$line" && cp -a "$base" "$line"
  bin=$line/BIN db=$line/DATABASE/VELM.GDB
  (cd "$bin" && bin=$bin line=$line db=$db eval "$*") > /dev/null 2>&1
  # One label run per load; a box label is printed within its load's run.
  [[ $expected == ok* ]] && quit=$(awk '{ print $2 }' <<< "$expected")
  [ "$quit" -gt 0 ] || quit=1
  local box0 rc
  box0=$(sql "$db" "SELECT NUM AS V FROM KOPOBKA")
  if [[ $expected == poll* ]]; then
    # Ends by SIGTERM, as a line PC shuts down; a station that does not stop then hangs.
    rc=$( { timeout -k 10 -s TERM "${POLL_SECONDS:-8}" "$tarvik" --station-dir "$bin" --headless \
      > "$line/stdout.txt" 2> "$line/stderr.txt" < /dev/null; echo $?; } 2> /dev/null)
    [ "$rc" = 124 ] && rc=0
  else
    rc=$( { timeout -s KILL "$limit" "$tarvik" --station-dir "$bin" --headless --quit-after "$quit" \
      > "$line/stdout.txt" 2> "$line/stderr.txt" < /dev/null; echo $?; } 2> /dev/null)
  fi
  local l1 l2 logged box outcome errors
  l1=$(find "$bin/PDF" -name '*-label1.pdf' 2> /dev/null | wc -l)
  l2=$(find "$bin/PDF" -name '*-label2.pdf' 2> /dev/null | wc -l)
  logged=$(sql "$db" "SELECT COUNT(*) AS V FROM DB_ZVIT")
  box=$(sql "$db" "SELECT NUM AS V FROM KOPOBKA")
  errors=$(grep -c -e '^Tarvik ver.1.1: ' -e '^Налаштування станції: ' "$line/stderr.txt")
  if [ "$rc" = 137 ] || [ "$rc" = 124 ]; then
    outcome="hang"
  elif [ "$rc" -gt 128 ] || grep -q 'AddressSanitizer\|runtime error:' "$line/stderr.txt"; then
    outcome="crash"
  elif [[ $expected == poll* ]]; then
    local text want
    read -r _ text want <<< "$expected"
    if [ "$errors" = 0 ]; then
      outcome="silent wrong"
    elif ! grep -qF -- "$text" "$line/stderr.txt"; then
      outcome="unclear error"
    elif [ "$l1" = "$want" ] && [ "$logged" = "$want" ]; then
      outcome="clear error"
    else
      outcome="damage"
    fi
  elif [[ $expected == error* ]]; then
    local texts=${expected#error } all=1 t
    IFS='|' read -r -a wanted <<< "$texts"
    for t in "${wanted[@]}"; do grep -qF -- "$t" "$line/stderr.txt" || all=0; done
    if [ "$errors" = 0 ]; then
      outcome="silent wrong"
    elif [ "$all" = 0 ]; then
      outcome="unclear error"
    elif [ "$l1$l2" != 00 ] || [ "$logged" != 0 ] || [ "$box" != "$box0" ]; then
      outcome="damage"
    else
      outcome="clear error"
    fi
  else
    read -r _ w1 w2 <<< "$expected"
    if [ "$errors" != 0 ]; then
      outcome="unclear error"
    elif [ "$l1" = "$w1" ] && [ "$l2" = "$w2" ] && [ "$logged" = "$w1" ] && [ "$box" = $((box0 + w2)) ]; then
      outcome="correct result"
    else
      outcome="silent wrong"
    fi
  fi
  totals[$outcome]=$((${totals[$outcome]:-0} + 1))
  case $outcome in "clear error" | "correct result") ;; *) failed=1 ;; esac
  local first
  first=$(grep -m1 -e '^Tarvik ver.1.1: ' -e '^Налаштування станції: ' "$line/stderr.txt" | cut -c1-150)
  rows+=("$(printf '%-38s | %-26s | %-14s | %s/%s/%s/%s | %s' "$name" "${expected:0:26}" "$outcome" \
    "$l1" "$l2" "$logged" "$((box - box0))" "${first:-—}")")
  printf '%s\n' "${rows[-1]}"
  if [ -n "${BAD_INPUT_KEEP:-}" ]; then cp -a "$line" "$work/../bad-input-$name" 2> /dev/null || true; fi
}

ini=Setting_Prog.ini
printf '%-38s | %-26s | %-14s | %s | %s\n' case expected outcome "pdf1/pdf2/rows/box+" "first error line"

# --- a sound line, as a reference -------------------------------------------
run_case "sound line"                     "ok 3 1"   true

# --- settings keys -----------------------------------------------------------
run_case "interval=-5"                    "error [Timer] interval" set_key $ini Timer interval -5
run_case "interval=0"                     "error [Timer] interval" set_key $ini Timer interval 0
run_case "interval=abc"                   "error [Timer] interval" set_key $ini Timer interval abc
run_case "interval empty"                 "error [Timer] interval" set_key $ini Timer interval "''"
run_case "interval=99999999999"           "error [Timer] interval" set_key $ini Timer interval 99999999999
run_case "interval=3600001"               "error [Timer] interval" set_key $ini Timer interval 3600001
run_case "Weigth_Num_Sim_1=1000000000"    "error Weigth_Num_Sim_1" set_key $ini Weigth Weigth_Num_Sim_1 1000000000
run_case "KG_Num_Sim_2=-1"                "error KG_Num_Sim_2"     set_key $ini Weigth KG_Num_Sim_2 -1
run_case "Netto_Num_Sim_1=x"              "error Netto_Num_Sim_1"  set_key $ini Weigth Netto_Num_Sim_1 x
run_case "Tara_Num_Sim_2=99"              "error Tara_Num_Sim_2"   set_key $ini Weigth Tara_Num_Sim_2 99
run_case "Weigth Tara_1=0 (divisor)"      "error [Weigth] Tara_1"  set_key $ini Weigth Tara_1 0
run_case "Weigth_1=abc"                   "error Weigth_1"         set_key $ini Weigth Weigth_1 abc
run_case "Weigth_2=-1000"                 "error Weigth_2"         set_key $ini Weigth Weigth_2 -1000
run_case "KG_1 empty"                     "error KG_1"             set_key $ini Weigth KG_1 "''"
run_case "Weigth_Num_Sim_1=4 (in bounds)" "ok 3 1"                 set_key $ini Weigth Weigth_Num_Sim_1 4
run_case "Sum_etic=0"                     "error Sum_etic"         set_key $ini Prog Sum_etic 0
run_case "Sum_etic empty"                 "error Sum_etic"         set_key $ini Prog Sum_etic "''"
run_case "Sum_etic=123456"                "error Sum_etic"         set_key $ini Prog Sum_etic 123456
run_case "Sum_etic=-2"                    "error Sum_etic"         set_key $ini Prog Sum_etic -2
run_case "Kil_golovok empty"              "error Kil_golovok"      set_key $ini Prog Kil_golovok "''"
run_case "Kil_golovok=x"                  "error Kil_golovok"      set_key $ini Prog Kil_golovok x
run_case "Tara_1=1.5"                     "error Tara_1"           set_key $ini Tovar Tara_1 1.5
run_case "Tara_1 empty"                   "error Tara_1"           set_key $ini Tovar Tara_1 "''"
run_case "Tara_2=abc"                     "error Tara_2"           set_key $ini Tovar Tara_2 abc
run_case "Tara_2=1 2"                     "error Tara_2"           set_key $ini Tovar Tara_2 "'1 2'"
run_case "Bar_1 empty"                    "error Bar_1"            set_key $ini Tovar Bar_1 "''"
run_case "Bar_2 empty"                    "error Bar_2"            set_key $ini Tovar Bar_2 "''"
run_case "Bar_1 with 7 W"                 "error Bar_1"            set_key $ini Tovar Bar_1 2WWWWWWW
run_case "Bar_2 with 10 C"                "error Bar_2"            set_key $ini Tovar Bar_2 CCCCCCCCCCWW
run_case "Bar_1 of 81 characters"         "error Bar_1"            set_key $ini Tovar Bar_1 123456789012345678901234567890123456789012345678901234567890123456789012345678901
run_case "Bar_1 with letters for EAN-13"  "error Штрих код етикетки 1" set_key $ini Tovar Bar_1 20ABCDEWWWWW
run_case "Bar_2 with letters for Code 128" "ok 3 1"                set_key $ini Tovar Bar_2 21CCCCCWWWWWWX
run_case "Bar_Type_1=abc"                 "error Bar_Type_1"       set_key $ini Tovar Bar_Type_1 abc
run_case "Bar_Check_1=yes"                "error Bar_Check_1"      set_key $ini Tovar Bar_Check_1 yes
run_case "Printer_1=x"                    "error Printer_1"        set_key $ini Printer_USE Printer_1 x
run_case "Tovar_1=x"                      "error Tovar_1"          set_key $ini Tovar Tovar_1 x
run_case "Tovar_1=99 (no such product)"   "error Tovar_1"          set_key $ini Tovar Tovar_1 99
run_case "Tovar_2=-3"                     "error Tovar_2"          set_key $ini Tovar Tovar_2 -3
run_case "Num_Box=abc"                    "error Num_Box"          set_key $ini Prog Num_Box abc
run_case "Num_Box of 16 digits"           "error Num_Box"          set_key $ini Prog Num_Box 1234567890123456
run_case "Weight_Zero=1,5"                "error Weight_Zero"      set_key $ini Prog Weight_Zero 1,5
run_case "Weight_Zero empty"              "error Weight_Zero"      set_key $ini Prog Weight_Zero "''"
run_case "Name_Weight of 11 characters"   "error Name_Weight"      set_key $ini Prog Name_Weight ABCDEFGHIJK
run_case "Com_port=x"                     "error Com_port"         set_key $ini Prog Com_port x
run_case "Type_Scale=x"                   "error Type_Scale"       set_key $ini Prog Type_Scale x

# --- settings files ----------------------------------------------------------
all_missing="error Tara_1|Tara_2|Sum_etic|Kil_golovok|Bar_1|Bar_2"
run_case "no Setting_Prog.ini (fresh)"    "$all_missing" rm -f $ini
run_case "empty Setting_Prog.ini"         "$all_missing" ": > $ini"
run_case "Setting_Prog.ini of random bytes" "$all_missing" "head -c 4096 /dev/urandom | tr -d '[]=' > $ini"
run_case "Setting_Prog.ini of 30 MB"      "$all_missing" "head -c 30000000 /dev/zero | tr '\\\\0' 'x' > $ini"
run_case "Setting_Prog.ini is a folder"   "error Setting_Prog.ini" "rm -f $ini && mkdir $ini"
run_case "Setting_Prog.ini with LF lines" "ok 3 1" "sed -i 's/\\r\$//' $ini"
run_case "Setting_Prog.ini, no last newline" "ok 3 1" "printf '%s' \"\$(cat $ini)\" > $ini.x && mv $ini.x $ini"
run_case "four keys missing at once"      "error Tara_1|Sum_etic|Bar_2|Kil_golovok" \
  "del_key $ini Tovar Tara_1; del_key $ini Prog Sum_etic; del_key $ini Tovar Bar_2; del_key $ini Prog Kil_golovok"

# --- stand-by pictures (a box of one: every run would print both labels) ------
one="set_key $ini Prog Sum_etic 1;"
run_case "Barcod.bmp 100000x100000"       "error Barcod.bmp|завеликий"   "$one bmp Barcod.bmp 4 4; patch_bmp Barcod.bmp 18 '<i' 100000; patch_bmp Barcod.bmp 22 '<i' 100000"
run_case "Barcod_2.bmp 100000x100000"     "error Barcod_2.bmp|завеликий" "$one bmp Barcod_2.bmp 4 4; patch_bmp Barcod_2.bmp 18 '<i' 100000; patch_bmp Barcod_2.bmp 22 '<i' 100000"
run_case "Barcod.bmp height -100000"      "error Barcod.bmp"   "$one bmp Barcod.bmp 4 4; patch_bmp Barcod.bmp 22 '<i' -100000"
run_case "Barcod_2.bmp height -2^31"      "error Barcod_2.bmp" "$one bmp Barcod_2.bmp 4 4; patch_bmp Barcod_2.bmp 22 '<i' -2147483648"
run_case "Barcod_2.bmp width 0"           "error Barcod_2.bmp" "$one bmp Barcod_2.bmp 4 4; patch_bmp Barcod_2.bmp 18 '<i' 0"
run_case "Barcod_2.bmp truncated"         "error Barcod_2.bmp" "$one bmp Barcod_2.bmp 300 100; truncate -s 2000 Barcod_2.bmp"
run_case "Barcod.bmp truncated header"    "error Barcod.bmp"   "$one head -c 20 Barcod.bmp > x && mv x Barcod.bmp"
run_case "Barcod.bmp empty"               "error Barcod.bmp"   "$one : > Barcod.bmp"
run_case "Barcod.bmp missing (restored)"  "ok 3 3"             "$one rm Barcod.bmp"
run_case "Barcod_2.bmp is text"           "error Barcod_2.bmp" "$one echo 'not a picture' > Barcod_2.bmp"
run_case "Barcod.bmp 7 bits a pixel"      "error Barcod.bmp"   "$one bmp Barcod.bmp 40 20; patch_bmp Barcod.bmp 28 '<H' 7"
run_case "Barcod_2.bmp pixels beyond end" "error Barcod_2.bmp" "$one bmp Barcod_2.bmp 40 20; patch_bmp Barcod_2.bmp 10 '<I' 1000000"
run_case "Barcod.bmp stored top row first" "ok 3 3" "$one bmp Barcod.bmp 200 60; patch_bmp Barcod.bmp 22 '<i' -60"
run_case "Barcod_2.bmp 2000x500 (in bounds)" "ok 3 3" "$one bmp Barcod_2.bmp 2000 500"

# --- label templates -----------------------------------------------------------
run_case "Body_1.rtf of 20 MB"            "error Body_1.rtf|завеликий" \
  "{ printf '{\\\\rtf1 '; head -c 20000000 /dev/zero | tr '\\\\0' 'a'; printf '}'; } > Body_1.rtf"
run_case "Head_1.rtf, 80000 placeholders" "error Head_1.rtf|\$" \
  "{ printf '{\\\\rtf1 '; for i in \$(seq 8000); do printf '\$name\$price\$date\$netto\$tara\$heads\$place\$exp\$summa\$text1'; done; printf '}'; } > Head_1.rtf"
run_case "Body_2.rtf missing (restored)"  "ok 3 3"           "$one rm Body_2.rtf"
run_case "Body_2.rtf is a folder"         "error Body_2.rtf" "$one rm Body_2.rtf && mkdir Body_2.rtf"
run_case "Button_1.rtf is a folder"       "error Button_1.rtf" "rm Button_1.rtf && mkdir Button_1.rtf"
run_case "Head_1.rtf, 500 placeholders"   "ok 3 1" \
  "{ printf '{\\\\rtf1 '; for i in \$(seq 500); do printf '\$name '; done; printf '}'; } > Head_1.rtf"

# --- layout files --------------------------------------------------------------
run_case "St_Tick_1.ini width 1000000000" "error St_Tick_1.ini" "set_key St_Tick_1.ini 0 0 'Ширина етикетки=1000000000'"
run_case "St_Tick_1.ini width -5"         "error St_Tick_1.ini" "set_key St_Tick_1.ini 0 0 'Ширина етикетки=-5'"
run_case "St_Tick_2.ini height abc"       "error St_Tick_2.ini" "set_key St_Tick_2.ini 1 1 'Висота етикетки=abc'"
run_case "St_Tick_2.ini X 100001"         "error St_Tick_2.ini" "set_key St_Tick_2.ini 8 8 'X тіла=100001'"
run_case "St_Tick_1.ini line without ="   "error St_Tick_1.ini" "set_key St_Tick_1.ini 3 3 'Висота заголовка'"
# "count" decides how many lines are read; the others keep a new label's values.
run_case "St_Tick_1.ini count=5"          "ok 3 1"              "set_key St_Tick_1.ini count count 5"
run_case "St_Tick_2.ini count=99999"      "error St_Tick_2.ini" "set_key St_Tick_2.ini count count 99999"
run_case "St_Tick_1.ini count=abc"        "error St_Tick_1.ini" "set_key St_Tick_1.ini count count abc"
run_case "St_Tick_1.ini count=-1"         "error St_Tick_1.ini" "set_key St_Tick_1.ini count count -1"
run_case "St_Tick_2.ini negative X"       "ok 3 1"              "set_key St_Tick_2.ini 8 8 'X тіла=-5'"

# --- product rows ----------------------------------------------------------------
product() {  # COLUMN VALUE: label 1's product (the first) changed in the catalogue
  printf "UPDATE TOBAP SET %s = %s WHERE ID_TOB = (SELECT MIN(ID_TOB) FROM TOBAP);\nCOMMIT;\n" "$1" "$2" |
    isql-fb -user sysdba -password quillmoss -q "$db"
}
run_case "product PRICE abc"              "error Ціна товару"  product PRICE "\"'abc'\""
run_case "product PRICE empty"            "error Ціна товару"  product PRICE "\"''\""
run_case "product PRICE NULL"             "error Ціна товару"  product PRICE NULL
run_case "product BARCOD empty"           "error Штрих код"    product BARCOD "\"''\""
# The table holds at most 13 characters of BARCOD and 6 of SELL_DATE.
run_case "product BARCOD of 13 digits"    "error Штрих код"    product BARCOD "\"'1234567890123'\""
run_case "product SELL_DATE 999999"       "error Термін придатності" product SELL_DATE "\"'999999'\""
run_case "product SELL_DATE abc"          "ok 3 1"             product SELL_DATE "\"'abc'\""
run_case "empty catalogue"                "error Каталог товарів порожній" \
  "printf 'DELETE FROM TOBAP;\nCOMMIT;\n' | isql-fb -user sysdba -password quillmoss -q \$db"

# --- scale readings (the simulator hands the station these texts) -----------------
run_case "reading abc"                    "poll Вага 1" "printf 'abc;S;\n0.000;S;\n1.234;S;\n' > readings.txt"
run_case "reading with no weight"         "poll Вага 1" "printf ';S;\n0.000;S;\n1.234;S;\n' > readings.txt"
run_case "reading -1.000 then a load"     "ok 1 0" "printf -- '-1.000;S;\n0.000;S;\n1.234;S;\n' > readings.txt"
run_case "reading unstable then stable"   "ok 1 0" "printf '1.234;U;\n1.234;S;\n' > readings.txt"
run_case "reading without fields"         "poll Вага 1" "printf '@@@\n1.234;S;\n' > readings.txt"
run_case "reading 99999999999999"         "poll Штрих 1" "printf '99999999999999;S;\n0.000;S;\n1.234;S;\n' > readings.txt"
run_case "reading 1e5"                    "poll Вага 1" "printf '1e5;S;\n0.000;S;\n1.234;S;\n' > readings.txt"

echo
total=0
for o in "clear error" "correct result" "unclear error" "damage" "silent wrong" "hang" "crash"; do
  n=${totals[$o]:-0}
  total=$((total + n))
  printf '%-15s %d\n' "$o" "$n"
done
printf '%-15s %d\n' "cases" "$total"
exit "$failed"
