#!/bin/bash
# The program's icon for Windows, made from packaging/spesario.svg: one .ico with the sizes Windows
# shows (16 to 48 in the lists and menus, 256 on the desktop), the largest PNG-compressed as
# Windows Vista and later read it. Used by the Windows build (the icon in spesario.exe) and by the
# setup program. Needs rsvg-convert (librsvg2-bin) and icotool (icoutils).
#
#   packaging/windows/icona.sh SVG OUT.ico
set -euo pipefail
[ $# -eq 2 ] || { echo "uso: $0 SVG OUT.ico" >&2; exit 2; }
svg=$1 ico=$2
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
piccole=()
for lato in 16 24 32 48; do
    rsvg-convert -w $lato -h $lato "$svg" -o "$lavoro/$lato.png"
    piccole+=("$lavoro/$lato.png")
done
rsvg-convert -w 256 -h 256 "$svg" -o "$lavoro/256.png"
icotool -c -o "$lavoro/icona.ico" "${piccole[@]}" -r "$lavoro/256.png"
mv "$lavoro/icona.ico" "$ico"
