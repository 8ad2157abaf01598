#!/bin/bash
# Makes the setup program from a folder that runs as it stands (make windows' build-windows/dist):
# the program's version from the top CMakeLists.txt, its icon from packaging/spesario.svg, the
# uninstaller's list of files from the folder itself, then makensis on spesario.nsi.
#
#   packaging/windows/setup.sh DIST OUT.exe
# Needs makensis (nsis), rsvg-convert (librsvg2-bin) and icotool (icoutils).
set -euo pipefail
[ $# -eq 2 ] || { echo "uso: $0 DIST OUT.exe" >&2; exit 2; }
qui=$(cd "$(dirname "$0")" && pwd)
radice=$(cd "$qui/../.." && pwd)
dist=$(realpath "$1")
uscita=$(realpath -m "$2")
[ -f "$dist/spesario.exe" ] || { echo "$dist/spesario.exe non c'è: prima make windows" >&2; exit 1; }

versione=$(sed -n 's/^set(SPESARIO_VERSIONE "\(.*\)")$/\1/p' "$radice/CMakeLists.txt")
[ -n "$versione" ] || { echo "versione non trovata in CMakeLists.txt" >&2; exit 1; }
# "1.01.0003" -> "1.1.3.0": numbers without leading zeros, four of them.
IFS=. read -r -a parti <<<"$versione"
numeri=()
for p in "${parti[@]}" 0 0 0 0; do numeri+=("$((10#$p))"); done
numeri=$(IFS=.; echo "${numeri[*]:0:4}")

lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
"$qui/icona.sh" "$radice/packaging/spesario.svg" "$lavoro/spesario.ico"

# The uninstaller deletes by name what DIST holds, then its folders, the deepest first, each only
# when empty.
{
    (cd "$dist" && find . -type f | LC_ALL=C sort) | while IFS= read -r f; do
        f=${f#./}
        printf 'Delete "$INSTDIR\\%s"\n' "${f//\//\\}"
    done
    (cd "$dist" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while IFS= read -r d; do
        d=${d#./}
        printf 'RMDir "$INSTDIR\\%s"\n' "${d//\//\\}"
    done
} >"$lavoro/elenco.nsh"

mkdir -p "$(dirname "$uscita")"
makensis -V2 -WX -INPUTCHARSET UTF8 \
    -DVERSIONE="$versione" -DVERSIONE_NUMERI="$numeri" -DDIST="$dist" -DELENCO="$lavoro/elenco.nsh" \
    -DICONA="$lavoro/spesario.ico" -DUSCITA="$uscita" "$qui/spesario.nsi"
echo "$uscita"
