#!/usr/bin/env bash
# Remakes the rich-text corpus from the sources beside it: LibreOffice, AbiWord
# and pandoc each write RTF from our own HTML, flat ODF and Markdown texts.
# The hand-written files (hand-*.rtf) are sources themselves and are kept.
# Needs libreoffice-writer-nogui, abiword and pandoc (scripts/debian-packages.txt).
# The output is committed, so the tests do not depend on these writers' versions.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$here/sources
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
soffice=(soffice "-env:UserInstallation=file://$work/profile" --headless)

rm -f "$here"/lo-*.rtf "$here"/abiword-*.rtf "$here"/pandoc-*.rtf

# LibreOffice from HTML and flat ODF.
"${soffice[@]}" --convert-to "rtf:Rich Text Format" --outdir "$work/lo" "$src"/*.html "$src"/*.fodt >/dev/null 2>&1
for f in "$work"/lo/*.rtf; do cp "$f" "$here/lo-$(basename "$f")"; done

# pandoc from Markdown, directly and through ODF read by LibreOffice (which
# then writes real lists, tables and footnotes of its own).
for f in "$src"/*.md; do
  name=$(basename "$f" .md)
  pandoc -s -f markdown -t rtf -o "$here/pandoc-${name#pandoc-}.rtf" "$f"
  pandoc -s -f markdown -t odt -o "$work/${name#pandoc-}.odt" "$f"
done
"${soffice[@]}" --convert-to "rtf:Rich Text Format" --outdir "$work/lo-pandoc" "$work"/*.odt >/dev/null 2>&1
for f in "$work"/lo-pandoc/*.rtf; do cp "$f" "$here/lo-md-$(basename "$f")"; done

# AbiWord from HTML, and from the flat ODF as LibreOffice saves it in ODF.
"${soffice[@]}" --convert-to odt --outdir "$work/odt" "$src"/*.fodt >/dev/null 2>&1
for f in "$src"/*.html "$work"/odt/*.odt; do
  name=$(basename "$f"); name=${name%.*}
  abiword --to=rtf -o "$here/abiword-$name.rtf" "$f" 2>/dev/null 2>&1
done
ls "$here"/*.rtf | wc -l
