#!/bin/bash
# The third-party parts of the Windows build (Qt qtbase, SQLite, OpenSSL, libpq, libmdb), cross-built
# with mingw-w64 from Debian's own source packages at the versions the Linux build uses, into a cache
# folder outside the build tree named by those versions. Each part leaves a mark when it is installed,
# so a second run does nothing and a run broken off resumes at the part it was building.
#
#   packaging/windows/dipendenze.sh [PART...]     PART: qt sqlite openssl libpq mdb (default: all)
#   packaging/windows/dipendenze.sh --cartella    prints the cache folder and does nothing else
#
# JOBS sets the parallel jobs (default: the number of cores). Run it with `nice` on a shared machine.
set -euo pipefail

QUI=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TRIPLETTA=x86_64-w64-mingw32
CC_WIN=$TRIPLETTA-gcc-posix
CXX_WIN=$TRIPLETTA-g++-posix
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}
# Raised when the recipe changes what ends up in the cache, so an old cache is not taken for a new one.
RICETTA=2

# What building needs; the -dev packages are those whose versions the Windows parts follow.
PACCHETTI="g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
           cmake ninja-build make patch pkg-config perl dpkg-dev tcl bison flex autoconf automake libtool gettext
           qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libsqlite3-dev libpq-dev libssl-dev
           mdbtools-dev"

dice() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }
muori() { printf 'dipendenze.sh: %s\n' "$*" >&2; exit 1; }

installa_pacchetti() {
    local mancanti="" p
    for p in $PACCHETTI; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || mancanti="$mancanti $p"
    done
    [ -z "$mancanti" ] && return 0
    if [ "$(id -u)" = 0 ]; then
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $mancanti
    else
        muori "pacchetti mancanti; eseguire: sudo apt-get install$mancanti"
    fi
}

# The source lines of the distribution's own suites (the codename and codename-*), copied from the
# binary entries apt already has: the same mirror, never a host name of our own.
righe_deb_src() {
    local codename f
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] || continue
        awk -v cn="$codename" '
            function emetti(  n, s, i, buone) {
                if (tipi !~ /(^|[ \t])deb([ \t]|$)/ || uris == "") return
                n = split(suites, s, /[ \t]+/); buone = ""
                for (i = 1; i <= n; i++)
                    if (s[i] == cn || index(s[i], cn "-") == 1) buone = buone " " s[i]
                if (buone == "") return
                print "Types: deb-src"; print "URIs: " uris; print "Suites:" buone
                if (comp != "") print "Components: " comp
                if (firma != "") print "Signed-By: " firma
                print ""
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { emetti(); tipi = uris = suites = comp = firma = ""; next }
            { k = $1; sub(/:$/, "", k); v = $0; sub(/^[^:]*:[ \t]*/, "", v) }
            k == "Types" { tipi = v } k == "URIs" { uris = v } k == "Suites" { suites = v }
            k == "Components" { comp = v } k == "Signed-By" { firma = v }
            k == "Enabled" && v ~ /^[Nn]o/ { tipi = "" }
            END { emetti() }' "$f"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -e "$f" ] || continue
        awk -v cn="$codename" '
            $1 == "deb" { i = 2                                     # options [..] come before the URI
                          if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                          s = $(i + 1)
                          if (s == cn || index(s, cn "-") == 1) { sub(/^deb/, "deb-src"); print } }' "$f"
    done
}

assicura_deb_src() {
    local esistenti
    esistenti=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
                grep -E '^[[:space:]]*deb-src[[:space:]]|^Types:.*deb-src' || true)
    [ -n "$esistenti" ] && return 0
    local righe
    righe=$(righe_deb_src)
    [ -n "$righe" ] || muori "nessuna voce deb di Debian da cui ricavare deb-src in /etc/apt"
    local destinazione=/etc/apt/sources.list.d/spesario-deb-src.list
    grep -q '^Types:' <<<"$righe" && destinazione=/etc/apt/sources.list.d/spesario-deb-src.sources
    if [ "$(id -u)" = 0 ]; then
        dice "aggiungo $destinazione"
        printf '%s\n' "$righe" >"$destinazione"
        apt-get update
    else
        printf 'Servono i sorgenti Debian (deb-src). Aggiungere in %s:\n\n%s\n\npoi: sudo apt-get update\n' \
            "$destinazione" "$righe" >&2
        exit 1
    fi
}

# Version and source package of each part come from the installed -dev package of the Linux build. A
# mirror may no longer carry that version (a security update replaced it) or lack some of its files:
# then the newest version of the same upstream series that it carries whole is taken, said on stderr.
# The choice is recorded, so later runs and --cartella name the same cache.
sorgente_di() { dpkg-query -W -f='${source:Package}' "$1"; }
cartella_sorgenti() { echo "$LAVORO/src-$1-$(tr '~:' '__' <<<"$2")"; }

# estrai PACKAGE VERSION FOLDER: fetches and unpacks a Debian source package, its patches applied.
estrai() {
    local pkg=$1 ver=$2 dir=$3 dsc
    rm -rf "$dir"; mkdir -p "$dir"
    if (cd "$dir" && apt-get source -q "$pkg=$ver" >&2); then
        touch "$dir/.estratto"; return 0
    fi
    # The same Debian files brought by hand into $RADICE/sorgenti serve as well: dpkg-source checks
    # them against the checksums of their .dsc.
    dsc=$RADICE/sorgenti/${pkg}_${ver#*:}.dsc
    if [ -e "$dsc" ]; then
        rm -rf "$dir"; mkdir -p "$dir"
        if (cd "$dir" && dpkg-source -x "$dsc" >&2); then
            touch "$dir/.estratto"; return 0
        fi
    fi
    rm -rf "$dir"
    return 1
}

versione_di() {
    local src ver registro serie v
    src=$(sorgente_di "$1"); ver=$(dpkg-query -W -f='${source:Version}' "$1")
    registro=$LAVORO/versione-$src-$(tr '~:' '__' <<<"$ver")
    if [ -e "$registro" ]; then cat "$registro"; return 0; fi
    if [ "$SOLO_LETTURA" = 1 ]; then echo "$ver"; return 0; fi
    # The series: the upstream version less its last part (3.0.19 -> 3.0., 15.18 -> 15.).
    serie=$(sed -E 's/-[^-]*$//; s/[^.]*$//' <<<"$ver")
    for v in "$ver" $(apt-cache showsrc "$src" 2>/dev/null | sed -n 's/^Version: //p' |
                      grep -F -- "$serie" | grep -vxF -- "$ver" | sort -u -r -V); do
        case $v in "$ver" | "$serie"*) ;; *) continue ;; esac
        if [ -e "$(cartella_sorgenti "$src" "$v")/.estratto" ] || estrai "$src" "$v" "$(cartella_sorgenti "$src" "$v")"; then
            mkdir -p "$LAVORO"; echo "$v" >"$registro"
            [ "$v" = "$ver" ] || echo "dipendenze.sh: $src $ver non si può avere dal mirror; uso $v" >&2
            echo "$v"; return 0
        fi
    done
    # Nothing to be had: the part that needs it stops with the reason when it is built.
    echo "$ver"
}

leggi_versioni() {
    RADICE=${XDG_CACHE_HOME:-$HOME/.cache}/spesario
    # Sources and build folders, kept apart from the installed cache: a run broken off resumes there.
    LAVORO=$RADICE/lavoro
    QT_SRC=$(sorgente_di qt6-base-dev)         QT_VER=$(versione_di qt6-base-dev)
    SQLITE_SRC=$(sorgente_di libsqlite3-dev)   SQLITE_VER=$(versione_di libsqlite3-dev)
    PQ_SRC=$(sorgente_di libpq-dev)            PQ_VER=$(versione_di libpq-dev)
    SSL_SRC=$(sorgente_di libssl-dev)          SSL_VER=$(versione_di libssl-dev)
    MDB_SRC=$(sorgente_di mdbtools-dev)        MDB_VER=$(versione_di mdbtools-dev)
    TR_PKG=qt6-translations-l10n
    local nome
    nome="windows-r$RICETTA-qt$QT_VER-sqlite$SQLITE_VER-pq$PQ_VER-ssl$SSL_VER-mdb$MDB_VER"
    PREFISSO=$RADICE/$(tr '~:' '__' <<<"$nome")
}

fatto() { [ -e "$PREFISSO/.fatto-$1" ]; }
segna() { touch "$PREFISSO/.fatto-$1"; }

# The folder of a Debian source package, unpacked once into $LAVORO.
sorgenti() {
    local dir
    dir=$(cartella_sorgenti "$1" "$2")
    if [ ! -e "$dir/.estratto" ] && ! estrai "$1" "$2" "$dir"; then
        muori "apt-get source $1=$2 non riuscito. Se il mirror non ha i file, metterli in
$RADICE/sorgenti/ (elenco: apt-get source --print-uris $1=$2) e rieseguire."
    fi
    find "$dir" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n1
}

cronometro() { # PART COMMAND...: runs and records the time it took
    local inizio=$SECONDS parte=$1; shift
    "$@"
    dice "$parte: $((SECONDS - inizio)) s"
    echo "$parte $((SECONDS - inizio))" >>"$PREFISSO/tempi.txt"
}

# --- Qt qtbase -------------------------------------------------------------------------------------
# Against the host's Qt tools of the same version. tabletevent off: Debian's source drops the bundled
# wintab.h. dynamicgl off: with OpenGL off, 6.4's Windows platform plugin does not compile otherwise.
# Image and font libraries are Qt's bundled ones, so nothing else has to be built for them.
parte_qt() {
    local src build=$LAVORO/qt-build-$(tr '~:' '__' <<<"$QT_VER")
    src=$(sorgenti "$QT_SRC" "$QT_VER")
    # With Direct2D off, QtGui has neither DirectWrite font engine nor font database, but 6.4's print
    # engine and Windows platform plug-in ask only for DirectWrite before using them, and fail to link.
    # They are made to ask for both.
    sed -i 's/^#if QT_CONFIG(directwrite\(3\?\))$/#if QT_CONFIG(directwrite\1) \&\& QT_CONFIG(direct2d)/' \
        "$src/src/printsupport/platform/windows/qprintengine_win.cpp" \
        "$src/src/plugins/platforms/windows/qwindowsintegration.cpp"
    # 6.4's sort keys on Windows are half uninitialised and compared in the wrong byte order, so
    # lists sorted by name came out in no order: the keys are made byte by byte (applied once).
    if ! patch -d "$src" -p1 -R -s -f --dry-run <"$QUI/qt-chiave-ordinamento.patch" >/dev/null 2>&1; then
        patch -d "$src" -p1 -N -s <"$QUI/qt-chiave-ordinamento.patch"
    fi
    if [ ! -e "$build/build.ninja" ]; then
        rm -rf "$build"
        cmake -S "$src" -B "$build" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$QUI/mingw-w64.cmake" \
            -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_INSTALL_PREFIX="$PREFISSO/qt" \
            -DQT_HOST_PATH=/usr \
            -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DBUILD_SHARED_LIBS=ON \
            -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
            -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
            -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF \
            -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_direct2d=OFF \
            -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF \
            -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
            -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
            -DFEATURE_freetype=ON -DFEATURE_harfbuzz=ON \
            -DFEATURE_style_windowsvista=ON
    fi
    cmake --build "$build" -j "$JOBS"
    # The prefix given again: a cache renamed since the configure step still gets it.
    cmake --install "$build" --prefix "$PREFISSO/qt"
    # Qt's Italian texts are platform independent: the Linux package's files serve as they are.
    mkdir -p "$PREFISSO/qt/translations"
    dpkg -L "$TR_PKG" | grep -E '/qt(base)?_it\.qm$' | xargs -r cp -t "$PREFISSO/qt/translations"
    [ -e "$PREFISSO/qt/translations/qtbase_it.qm" ] || muori "qtbase_it.qm non trovato in $TR_PKG"
}

# --- SQLite ----------------------------------------------------------------------------------------
# The amalgamation made from Debian's source tree, built as one DLL with the compile-time options of
# Debian's own build, so that the Windows archive behaves as the Linux one.
parte_sqlite() {
    local src build=$LAVORO/sqlite-build-$(tr '~:' '__' <<<"$SQLITE_VER") opzioni
    src=$(sorgenti "$SQLITE_SRC" "$SQLITE_VER")
    mkdir -p "$build"
    if [ ! -e "$build/sqlite3.c" ]; then
        (cd "$build" && "$src/configure" --disable-tcl >/dev/null && make sqlite3.c)
    fi
    opzioni=$(opzioni_sqlite_debian "$src")
    dice "sqlite: opzioni $opzioni"
    mkdir -p "$PREFISSO/bin" "$PREFISSO/lib/pkgconfig" "$PREFISSO/include"
    # shellcheck disable=SC2086
    $CC_WIN -O2 -shared $opzioni -DSQLITE_API='__declspec(dllexport)' \
        -o "$PREFISSO/bin/libsqlite3-0.dll" "$build/sqlite3.c" \
        -Wl,--out-implib,"$PREFISSO/lib/libsqlite3.dll.a"
    # The shell too, on the same DLL: the tests hold the archive from another process with it. wmain
    # (-municode): its arguments reach it whole, not through the ANSI code page.
    # shellcheck disable=SC2086
    $CC_WIN -O2 $opzioni -DUNICODE -municode -I"$build" -o "$PREFISSO/bin/sqlite3.exe" "$build/shell.c" \
        -L"$PREFISSO/lib" -lsqlite3
    cp "$build/sqlite3.h" "$src/src/sqlite3ext.h" "$PREFISSO/include/" 2>/dev/null ||
        cp "$build/sqlite3.h" "$build/sqlite3ext.h" "$PREFISSO/include/"
    cat >"$PREFISSO/lib/pkgconfig/sqlite3.pc" <<EOF
prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: SQLite
Description: SQL database engine
Version: ${SQLITE_VER%%-*}
Libs: -L\${libdir} -lsqlite3
Cflags: -I\${includedir}
EOF
}

# The -DSQLITE_* switches of debian/rules (the ones that do not name Unix-only features).
opzioni_sqlite_debian() {
    grep -ohE -- '-DSQLITE_[A-Z0-9_]+(=[^ "\\]+)?' "$1/debian/rules" | sort -u |
        grep -vE 'SQLITE_(OS_UNIX|ENABLE_LOCKING_STYLE|HAVE_|USE_URI=0)' | tr '\n' ' ' || true
}

# --- OpenSSL ---------------------------------------------------------------------------------------
parte_openssl() {
    local src build=$LAVORO/openssl-build-$(tr '~:' '__' <<<"$SSL_VER")
    src=$(sorgenti "$SSL_SRC" "$SSL_VER")
    mkdir -p "$build"
    if [ ! -e "$build/Makefile" ]; then
        (cd "$build" && CC=$CC_WIN CXX=$CXX_WIN AR=$TRIPLETTA-ar RANLIB=$TRIPLETTA-ranlib RC=$TRIPLETTA-windres \
            "$src/Configure" mingw64 shared no-tests --prefix="$PREFISSO" --libdir=lib \
            --openssldir=ssl)
    fi
    make -C "$build" -j "$JOBS" build_sw
    make -C "$build" install_sw
}

# --- libpq -----------------------------------------------------------------------------------------
# Only the client library, its headers and pg_config's view of them; with OpenSSL so that
# sslmode=require works from a desk.
parte_libpq() {
    local src build=$LAVORO/libpq-build-$(tr '~:' '__' <<<"$PQ_VER")
    src=$(sorgenti "$PQ_SRC" "$PQ_VER")
    mkdir -p "$build"
    if [ ! -e "$build/config.status" ]; then
        (cd "$build" && CC=$CC_WIN \
            CPPFLAGS="-I$PREFISSO/include" LDFLAGS="-L$PREFISSO/lib" \
            PKG_CONFIG_LIBDIR="$PREFISSO/lib/pkgconfig" \
            "$src/configure" --host=$TRIPLETTA --prefix="$PREFISSO" \
            --with-ssl=openssl --without-readline --without-zlib --without-icu --without-gssapi \
            --without-ldap --without-perl --without-python --without-tcl --disable-nls \
            --with-system-tzdata=/nessuna)
    fi
    # The generated headers first, on their own: src/port, which libpq's makefile builds before it,
    # also compiles its server objects, and in a parallel build these could start before
    # utils/errcodes.h was there (a fresh machine's build stopped on it).
    make -C "$build/src/backend" generated-headers
    # libpq's makefile builds src/port and src/common it needs first.
    make -C "$build/src/interfaces/libpq" -j "$JOBS"
    make -C "$build/src/include" install
    make -C "$build/src/interfaces/libpq" install
}

# --- libmdb of mdbtools ----------------------------------------------------------------------------
parte_mdb() {
    local src build=$LAVORO/mdb-build-$(tr '~:' '__' <<<"$MDB_VER")
    src=$(sorgenti "$MDB_SRC" "$MDB_VER")
    if [ ! -x "$src/configure" ]; then
        (cd "$src" && autoreconf -fi)
    fi
    mkdir -p "$build"
    if [ ! -e "$build/config.status" ]; then
        (cd "$build" && CC=$CC_WIN "$src/configure" --host=$TRIPLETTA --prefix="$PREFISSO" \
            --disable-glib --disable-man --disable-gtk-doc --enable-shared --disable-static \
            --without-unixodbc)
    fi
    make -C "$build/src/libmdb" -j "$JOBS"
    make -C "$build/src/libmdb" install
    make -C "$build/include" install
    [ -e "$build/libmdb.pc" ] && install -D -m 644 "$build/libmdb.pc" "$PREFISSO/lib/pkgconfig/libmdb.pc"
}

principale() {
    SOLO_LETTURA=0
    if [ "${1:-}" = --cartella ]; then
        SOLO_LETTURA=1; leggi_versioni; echo "$PREFISSO"; return 0
    fi
    local parti=("$@")
    [ ${#parti[@]} -gt 0 ] || parti=(qt sqlite openssl libpq mdb)
    installa_pacchetti
    # Done already: nothing is fetched, not even to choose versions.
    SOLO_LETTURA=1; leggi_versioni
    local p da_fare=0 blocco
    for p in "${parti[@]}"; do fatto "$p" || da_fare=1; done
    if [ $da_fare = 0 ]; then
        dice "già pronto: $PREFISSO"
        return 0
    fi
    assicura_deb_src
    SOLO_LETTURA=0; leggi_versioni
    mkdir -p "$PREFISSO" "$LAVORO"
    for p in "${parti[@]}"; do
        case $p in qt | sqlite | openssl | libpq | mdb) ;; *) muori "parte sconosciuta: $p" ;; esac
        # Two runs at once (Qt in one, the small parts in another) never build the same part together.
        exec {blocco}>"$LAVORO/.blocco-$p"
        flock "$blocco"
        if fatto "$p"; then
            dice "$p: già installato"
        else
            # libpq links OpenSSL: that comes first.
            if [ "$p" = libpq ] && ! fatto openssl; then muori "libpq richiede openssl: eseguire prima la parte openssl"; fi
            dice "$p: inizio"
            cronometro "$p" "parte_$p"
            segna "$p"
        fi
        exec {blocco}>&-
    done
    dice "pronto: $PREFISSO"
}

# One line, read whole before it runs: editing this file while it runs does not disturb the run.
principale "$@"; exit $?
