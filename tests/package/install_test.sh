#!/usr/bin/env bash
# The Debian package on this machine: built by cpack, installed with apt,
# a line started headless from the installed program until it has printed a
# label, then the package removed again.
#   install_test.sh BUILD_DIR SOURCE_DIR
# Needs root and dpkg; skips (77) where they are missing or where a tarvik
# package is installed already, which it must not remove.
set -euo pipefail
build=$1
src=$2
if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null || ! command -v dpkg-deb >/dev/null; then
  echo "skipped: needs root, apt-get and dpkg-deb"; exit 77
fi
if dpkg-query -W -f '${Status}' tarvik 2>/dev/null | grep -q 'install ok installed'; then
  echo "skipped: a tarvik package is installed already"; exit 77
fi
work=$(mktemp -d)
installed=
cleanup() {
  [ -n "$installed" ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tarvik >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null
deb=$(ls "$work"/pkg/tarvik_*_amd64.deb)
echo "package: $(basename "$deb")"
# Everything the package names is a Debian package already on the machine.
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
installed=1
test "$(readlink -f /usr/bin/tarvik)" = /usr/lib/tarvik/tarvik
test -f /usr/lib/tarvik/components/libKaloScale.so
test -f /usr/share/man/man1/tarvik.1.gz
test -f /usr/share/applications/tarvik.desktop

# A line as the README lays it out: a station folder, the database beside it.
line=$work/line
mkdir -p "$line/BIN"
cp "$src/resources/demo/Setting_Prog.ini" "$line/BIN/"
printf '[Driver]\r\nProtocol=Simulator\r\n[Simulator]\r\nScript=readings.txt\r\n' > "$line/BIN/KaloScale.ini"
printf '0.000;S;\n0.000;S;\n1.234;S;\n1.234;S;\n1.234;S;\n' > "$line/BIN/readings.txt"
tarvik-products --station-dir "$line/BIN" "$src/resources/demo/products.tsv" >/dev/null
env -u DISPLAY CUPS_SERVER="$work/no-cups.sock" \
  timeout -k 5 120 tarvik --station-dir "$line/BIN" --headless --quit-after 1 2>"$work/stderr" || {
  cat "$work/stderr"; exit 1; }
# The fresh station files came from the package, the label went to "Tarvik PDF".
test -f "$line/BIN/Head_1.rtf"
test -f "$line/DATABASE/VELM.GDB"
ls "$line/BIN/PDF/"*-label1.pdf
if grep -v 'XDG_RUNTIME_DIR' "$work/stderr" | grep -q .; then
  echo "the station said:"; cat "$work/stderr"; exit 1
fi

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tarvik >/dev/null
installed=
test ! -e /usr/lib/tarvik
test ! -e /usr/bin/tarvik
echo "installed, ran and removed"
