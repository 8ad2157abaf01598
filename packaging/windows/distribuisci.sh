#!/bin/bash
# Puts beside Windows executables what they need to run as they stand: every DLL they import from
# the cache or the compiler's runtime (followed through the DLLs' own imports), Qt's platform and
# style plug-ins, Qt's Italian texts and a qt.conf that points Qt at them.
#
#   packaging/windows/distribuisci.sh CACHE DEST FILE.exe...
# The executables are copied into DEST; DLLs that Windows itself provides are left out.
set -euo pipefail
[ $# -ge 3 ] || { echo "uso: $0 CACHE DEST FILE.exe..." >&2; exit 2; }
CACHE=$1 DEST=$2; shift 2
TRIPLETTA=x86_64-w64-mingw32
OBJDUMP=$TRIPLETTA-objdump

# Where a DLL may come from: the cache, then the posix compiler's runtime.
cartelle=("$CACHE/bin" "$CACHE/qt/bin" "$CACHE/lib")
for f in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    p=$($TRIPLETTA-g++-posix -print-file-name=$f)
    [ "$p" != "$f" ] && cartelle+=("$(dirname "$p")")
done

mkdir -p "$DEST/platforms" "$DEST/styles" "$DEST/translations"
# Windows names are not case sensitive: an import of LIBPQ.dll is the cache's libpq.dll.
trova() {
    local d f
    for d in "${cartelle[@]}"; do
        f=$(find "$d" -maxdepth 1 -iname "$1" -print -quit 2>/dev/null)
        [ -n "$f" ] && { echo "$f"; return 0; }
    done
    return 1
}
declare -A visti=()
segui() { # FILE: copies the DLLs FILE imports (once each), then theirs
    local nome origine
    for nome in $($OBJDUMP -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        [ -n "${visti[${nome,,}]:-}" ] && continue
        visti[${nome,,}]=1
        origine=$(trova "$nome") || continue # a DLL of Windows itself
        cp -u "$origine" "$DEST/"
        segui "$origine"
    done
}

for exe in "$@"; do
    cp -u "$exe" "$DEST/"
    segui "$exe"
done
# libpq is loaded by name when a server archive is first opened, not imported: it and its own DLLs.
cp -u "$CACHE/bin/libpq.dll" "$DEST/"
segui "$CACHE/bin/libpq.dll"
for plugin in platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll; do
    cp -u "$CACHE/qt/plugins/$plugin" "$DEST/$plugin"
    segui "$CACHE/qt/plugins/$plugin"
done
cp -u "$CACHE"/qt/translations/*_it.qm "$DEST/translations/"
printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$DEST/qt.conf"
