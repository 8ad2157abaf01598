#!/bin/bash
# Runs a Windows program under Debian's Wine (packages wine and wine64), headless, in the build's own
# Wine prefix (made on first use), never the user's ~/.wine. The folders of SPESARIO_WINE_DLL (Linux
# paths, colon-separated) go on the program's DLL search path; as CMAKE_CROSSCOMPILING_EMULATOR it
# lets ctest run the tests.
#
#   SPESARIO_WINEPREFIX=build-windows/wine packaging/windows/wine.sh PROGRAM.exe [ARG...]
#   SPESARIO_WINEPREFIX=build-windows/wine packaging/windows/wine.sh --avvia
set -euo pipefail
: "${SPESARIO_WINEPREFIX:?SPESARIO_WINEPREFIX must name the Wine prefix of the build}"
WINEPREFIX=$(realpath -m "$SPESARIO_WINEPREFIX")
export WINEPREFIX WINEARCH=win64
# No Mono or Gecko install prompts, no debug chatter on the test output.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" WINEDEBUG="${WINEDEBUG:--all}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
# Without a console, Qt on Windows sends Qt Test's log and qWarning to the debugger's channel
# (OutputDebugString), which ctest never reads: keep them on the standard streams.
export QT_FORCE_STDERR_LOGGING="${QT_FORCE_STDERR_LOGGING:-1}"
# The offscreen platform on Windows draws text with the fonts of one folder (Qt ships none): the
# Linux machine's DejaVu, as the tests have on Linux.
if [ -z "${QT_QPA_FONTDIR:-}" ] && command -v fc-match >/dev/null; then
    font=$(fc-match -f '%{file}' 'DejaVu Sans' 2>/dev/null || true)
    [ -n "$font" ] && export QT_QPA_FONTDIR="Z:$(dirname "$font" | tr / '\\')"
fi

if [ ! -e "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    # wineboot returns before the prefix's server has written everything.
    wineserver -w
fi
if [ -n "${SPESARIO_WINE_DLL:-}" ]; then
    percorsi="" IFS=:
    for d in $SPESARIO_WINE_DLL; do percorsi="$percorsi;Z:$(realpath -m "$d" | tr / '\\')"; done
    unset IFS
    export WINEPATH="${percorsi#;}"
    # Qt's plug-ins of the first folder, for programs that have no qt.conf beside them (the tests).
    export QT_PLUGIN_PATH="${percorsi#;}"
    QT_PLUGIN_PATH="${QT_PLUGIN_PATH%%;*}"
fi
# The tests read their PDF files with the Linux pdftotext, which Wine starts as it is, through a
# script that makes up for Wine not waiting for it.
if [ -z "${SPESARIO_PDFTOTEXT:-}" ] && command -v pdftotext >/dev/null; then
    export SPESARIO_PDFTOTEXT="Z:$(realpath "$(dirname "${BASH_SOURCE[0]}")/../../tests/support/pdftotext-wine.sh" | tr / '\\')"
fi
# Wine keeps the Unix variables whose names begin with QT_ from Windows programs (they are the host
# Qt's); the prefix's own environment, in its registry, carries them to the program instead.
for v in $(compgen -e | grep '^QT_' || true); do
    wine reg add 'HKCU\Environment' /v "$v" /d "${!v}" /f >/dev/null 2>&1
done
# --avvia: the prefix's server and Wine's own services started to stay until `wineserver -k`, with
# nothing of a caller's standard streams: one started by a test would hold ctest's pipe open, and
# ctest would wait for it until the test's time ran out.
if [ "${1:-}" = --avvia ]; then
    # The one the registry writes above started is ended first: a running server is not made to stay.
    wineserver -k 2>/dev/null || true
    wineserver -w
    wineserver -p </dev/null >/dev/null 2>&1
    exec wine cmd /c exit </dev/null >/dev/null 2>&1
fi
exec wine "$@"
