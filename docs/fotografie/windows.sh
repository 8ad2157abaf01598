#!/bin/bash
# The user guide's Windows pictures, taken from the real setup program and the program it installs,
# under Wine in a throwaway prefix, on the display of xvfb-run. There is no window manager: Wine
# draws the windows' frames itself (Managed=N), the clicks and keys go through xdotool and each
# picture is cut from the whole screen (xwd), so that a message box over its window is in it.
#
#   xvfb-run -a -s "-screen 0 1280x1024x24" docs/fotografie/windows.sh SETUP.exe FOTOGRAFIE.exe DIST DOCS
# FOTOGRAFIE.exe is the guide's screenshot program built for Windows: it writes the sample archive.
# DIST gives it its DLLs. The pictures go into DOCS/immagini/. Needs wine, wine64, fonts-wine,
# fonts-liberation, xdotool, x11-apps (xwd), netpbm; the prefix goes in build-windows/fotografie/.
set -euo pipefail
[ $# -eq 4 ] || { echo "uso: $0 SETUP.exe FOTOGRAFIE.exe DIST DOCS" >&2; exit 2; }
qui=$(cd "$(dirname "$0")" && pwd)
radice=$(cd "$qui/../.." && pwd)
setup=$(realpath "$1")
fotografie=$(realpath "$2")
dist=$(realpath "$3")
immagini=$(realpath -m "$4/immagini")
lavoro="$radice/build-windows/fotografie"
[ -n "${DISPLAY:-}" ] || { echo "$0: serve uno schermo (xvfb-run)" >&2; exit 2; }

export LC_ALL=C.UTF-8
export WINEPREFIX="$lavoro/wine" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
rm -rf "$lavoro"
mkdir -p "$lavoro" "$immagini"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

muori() { echo "fotografie: $*" >&2; exit 1; }
# The id of the visible window whose title TITOLO (a regular expression) matches, once it is there
# (at most a minute).
finestra() { # TITOLO
    local id
    for _ in $(seq 120); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true)
        [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.5
    done
    muori "la finestra \"$1\" non compare"
}
# A window's place on the screen: X Y LARGHEZZA ALTEZZA.
posto() { # ID
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$X $Y $WIDTH $HEIGHT"
}
# The smallest part of the screen that holds every window given, into immagini/NOME.png.
fotografa() { # NOME ID...
    local nome=$1 x0=100000 y0=100000 x1=0 y1=0 x y l a
    shift
    sleep 1.5  # the last drawing done
    for id in "$@"; do
        read -r x y l a < <(posto "$id")
        ((x < x0)) && x0=$x; ((y < y0)) && y0=$y
        ((x + l > x1)) && x1=$((x + l)); ((y + a > y1)) && y1=$((y + a))
    done
    xwd -root -silent | xwdtopnm 2>/dev/null |
        pnmcut -left "$x0" -top "$y0" -width $((x1 - x0)) -height $((y1 - y0)) |
        pnmtopng -compression 9 >"$immagini/$nome.png"
    # A window drawn shows more than a few colours; a blank or black one does not.
    [ "$(pngtopnm "$immagini/$nome.png" | ppmhist -noheader | wc -l)" -ge 8 ] ||
        muori "$nome.png è vuota: la finestra non era disegnata"
    echo "$immagini/$nome.png ($((x1 - x0)) x $((y1 - y0)))"
}
clic() { # ID X Y: a click at X,Y inside that window
    local x y l a
    read -r x y l a < <(posto "$1")
    xdotool mousemove --sync $((x + $2)) $((y + $3)) click 1
}
# Keys to a window, made active first by a click on its title bar (a window Wine draws as active).
tasto() { # ID TASTO...
    local id=$1
    shift
    clic "$id" 120 8
    sleep 0.3
    xdotool key --delay 100 "$@"
}

echo "Prefisso Wine nuovo: $WINEPREFIX"
wineboot --init >/dev/null 2>&1
wineserver -w
# Wine's own fonts (Tahoma for the texts, Marlett for the frames' buttons): Debian's Wine does not
# find them where fonts-wine puts them, the prefix's Fonts folder it reads.
cp $(dpkg -L fonts-wine | grep -E '\.(ttf|fon)$') "$WINEPREFIX/drive_c/windows/Fonts/"
# The program's Arial as on Windows: the same widths, from a font of this machine.
for f in "Arial=Liberation Sans" "Times New Roman=Liberation Serif" "Courier New=Liberation Mono"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${f%%=*}" /d "${f#*=}" /f >/dev/null 2>&1
done
# No window manager on this display: Wine draws title bars and borders itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w

# ---- the setup program's pages, Avanti to the end; the first one says nothing of this program
wine "$setup" >/dev/null 2>&1 &
setup_pid=$!
s=$(finestra "^Installazione di Gestione spese anticipate")
tasto "$s" Return  # Avanti
fotografa setup-componenti "$s"
tasto "$s" Return
fotografa setup-cartella "$s"
tasto "$s" Return
# The files written, the page goes on to the last one by itself.
for _ in $(seq 240); do
    [ -e "$WINEPREFIX/drive_c/users/Public/Desktop/Gestione spese anticipate.lnk" ] && break
    sleep 0.5
done
sleep 2
fotografa setup-fine "$s"
tasto "$s" Return
wait $setup_pid || muori "l'installazione non è terminata bene"
wineserver -w

programma='C:\Program Files\Corvalle\Spesario\spesario.exe'
titolo='^Gestione spese anticipate$'
# A program left running, outside this shell's jobs: stopped with the Wine server, without a word.
avvia() { (wine "$@" >/dev/null 2>&1 &); }
# The start window's Continua has the focus.
continua() {
    local a
    a=$(finestra "$titolo")
    tasto "$a" space
}

# ---- the first start on a new desk: the start window, then the notice of the new empty archive
avvia "$programma"
a=$(finestra "$titolo")
fotografa windows-avvio "$a"
continua
m=$(finestra '^Controllo:$')
fotografa windows-primo-avvio "$a" "$m"
tasto "$m" Return
r=$(finestra "$titolo")
tasto "$r" alt+c  # Esci
wineserver -w

# ---- the ledger with a client's movements, on the guide's sample archive written into that archive
mkdir -p "$WINEPREFIX/drive_c/fotografie"
cp -r "$dist/." "$fotografie" "$WINEPREFIX/drive_c/fotografie/"
wine 'C:\fotografie\fotografie.exe' --archivio-di-prova || muori "archivio di prova non scritto"
wineserver -w
avvia "$programma"
continua
sleep 3
r=$(finestra "$titolo")
clic "$r" 300 121  # Codice Fiscale
xdotool type --delay 50 RSSMRA70A01H501U
xdotool key Tab
fotografa windows-registro "$r"
wineserver -k
wineserver -w

# ---- a desk that used the earlier program: its setting names a folder holding its archive, and
# this program's own setting is not there yet
precedente="$WINEPREFIX/drive_c/Studio/Spesario"
mkdir -p "$precedente"
cp "$radice/tests/convert/dati/casi.mdb" "$precedente/archivio.mdb"
wine reg delete 'HKCU\Software\Spesario' /f >/dev/null 2>&1
wine reg add 'HKCU\Software\VB and VBA Program Settings\Spesario\Costanti' /v Connessione \
    /d 'C:\Studio\Spesario' /f >/dev/null 2>&1
wineserver -w
avvia "$programma"
a=$(finestra "$titolo")
continua
m=$(finestra '^Controllo:$')
fotografa windows-conversione "$a" "$m"
wineserver -k
wineserver -w

# ---- the uninstaller's first page
avvia 'C:\Program Files\Corvalle\Spesario\disinstalla.exe'
d=$(finestra "^Disinstallazione di Gestione spese anticipate")
clic "$d" 120 8
fotografa disinstalla "$d"
wineserver -k
wineserver -w
echo "fotografie di Windows fatte in $SECONDS s"
