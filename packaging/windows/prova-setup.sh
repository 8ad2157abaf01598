#!/bin/bash
# The setup program tried on a desk that ran the earlier program, in a fresh Wine prefix: the earlier
# program's own setting names a folder holding casi.mdb as archivio.mdb; the setup runs silently;
# the installed program starts, is offered the conversion (answered through SPESARIO_RISPOSTE, as a
# script answers it) and converts in that folder; a second setup over the first keeps everything;
# the uninstaller takes the program away and leaves the archive. Ends with "N passed, M failed".
#
#   xvfb-run -a packaging/windows/prova-setup.sh SETUP.exe DIST [--senza-access] [--solo-installazione]
# DIST is the folder the setup was made from (its files are compared). --senza-access: the program
# was built without libmdb, so it must find the earlier program's archive, say that it cannot
# convert it and leave it alone; the row checks are skipped. --solo-installazione leaves out the
# program's start, for a setup made from a stand-in folder. Needs wine, wine64, mdbtools (mdb-json),
# python3; the prefix goes in build-windows/prova-setup/ (SPESARIO_PROVA_SETUP elsewhere).
set -uo pipefail
uso="uso: $0 SETUP.exe DIST [--senza-access] [--solo-installazione]"
[ $# -ge 2 ] || { echo "$uso" >&2; exit 2; }
qui=$(cd "$(dirname "$0")" && pwd)
radice=$(cd "$qui/../.." && pwd)
setup=$(realpath "$1")
dist=$(realpath "$2")
shift 2
programma=1 access=1
for opzione in "$@"; do
    case $opzione in
    --solo-installazione) programma=0 ;;
    --senza-access) access=0 ;;
    *) echo "$uso" >&2; exit 2 ;;
    esac
done
casi="$radice/tests/convert/dati/casi.mdb"
lavoro=$(realpath -m "${SPESARIO_PROVA_SETUP:-$radice/build-windows/prova-setup}")

export LC_ALL=C.UTF-8
export WINEPREFIX="$lavoro/wine" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko prompts; no menu entries written into this machine's own desktop for the
# shortcuts the setup makes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
rm -rf "$lavoro"
mkdir -p "$lavoro"
trap 'wineserver -k >/dev/null 2>&1' EXIT

passati=0 falliti=0 saltati=0
esito() { # DESCRIZIONE CODICE
    if [ "$2" -eq 0 ]; then
        passati=$((passati + 1)); echo "ok  $1"
    else
        falliti=$((falliti + 1)); echo "NO  $1"
    fi
}
controlla() { # DESCRIZIONE COMANDO...
    local d=$1; shift
    "$@" >/dev/null 2>&1
    esito "$d" $?
}
# A value of a registry key as `reg query` prints it, in the console's code page (437 under the C
# locale); empty when missing.
valore() { # CHIAVE NOME
    wine reg query "$1" /v "$2" 2>/dev/null | iconv -f CP437 -t UTF-8 | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
attendi() { wineserver -w; }

echo "Prefisso Wine nuovo: $WINEPREFIX"
wineboot --init >/dev/null 2>&1
attendi
c="$WINEPREFIX/drive_c"
installata="$c/Program Files/Corvalle/Spesario"
menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Gestione spese anticipate.lnk"
desktop="$c/users/Public/Desktop/Gestione spese anticipate.lnk"
condivisa="$c/ProgramData/Corvalle/Spesario"
disinstalla='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Spesario'
precedente_chiave='HKCU\Software\VB and VBA Program Settings\Spesario\Costanti'
precedente_win='C:\Studio Nicolò\Spesario'
precedente="$c/Studio Nicolò/Spesario"

impronta() { (cd "$1" && find . -type f -exec md5sum {} + | LC_ALL=C sort); }

# The desk as the earlier program left it: its archive in the folder its setting names, and its
# default folder already there with a backup of its own, which the setup must leave alone.
mkdir -p "$precedente" "$condivisa/backup"
cp "$casi" "$precedente/archivio.mdb"
printf 'copia del programma precedente' >"$condivisa/backup/archivio-2020-01-01.mdb"
condivisa_prima=$(impronta "$condivisa")
wine reg add "$precedente_chiave" /v Connessione /t REG_SZ /d "$precedente_win" /f >/dev/null 2>&1
attendi
controlla "l'impostazione del programma precedente è scritta" test "$(valore "$precedente_chiave" Connessione)" = "$precedente_win"

# ---- the setup, silent
wine "$setup" /S
esito "l'installazione silenziosa termina con 0" $?
attendi
mancanti=0
while IFS= read -r f; do
    cmp -s "$dist/$f" "$installata/$f" || { echo "    manca o è diverso: $f"; mancanti=1; }
done < <(cd "$dist" && find . -type f | sed 's|^\./||')
esito "ogni file del programma è in Program Files\\Corvalle\\Spesario" $mancanti
controlla "il programma di disinstallazione è installato" test -f "$installata/disinstalla.exe"
controlla "la voce \"Gestione spese anticipate\" è nel menu Start" test -f "$menu"
controlla "il collegamento è sul desktop" test -f "$desktop"
controlla "la cartella condivisa ProgramData\\Corvalle\\Spesario, che c'era, è intatta" \
    test "$condivisa_prima" = "$(impronta "$condivisa")"
controlla "voce di disinstallazione: nome" test "$(valore "$disinstalla" DisplayName)" = "Gestione spese anticipate"
controlla "voce di disinstallazione: versione" test "$(valore "$disinstalla" DisplayVersion)" = "1.01.0003"
controlla "voce di disinstallazione: produttore" test "$(valore "$disinstalla" Publisher)" = "Corvalle Software S.r.l."
controlla "voce di disinstallazione: icona" test "$(valore "$disinstalla" DisplayIcon)" = 'C:\Program Files\Corvalle\Spesario\spesario.exe,0'
controlla "voce di disinstallazione: dimensione" test "$(( $(valore "$disinstalla" EstimatedSize) ))" -gt 0
controlla "voce di disinstallazione: comando silenzioso" test "$(valore "$disinstalla" QuietUninstallString)" = '"C:\Program Files\Corvalle\Spesario\disinstalla.exe" /S'

# ---- the installed program's first start, the conversion offered and accepted
if [ $programma -eq 1 ]; then
    esegui() { # LOG: the installed program, answering Yes
        SPESARIO_RISPOSTE=si QT_QPA_PLATFORM=windows timeout 600 \
            wine 'C:\Program Files\Corvalle\Spesario\spesario.exe' >"$1" 2>&1
    }
    esegui "$lavoro/primo.log"
    esito "il programma installato si avvia e si chiude con 0" $?
    attendi
    controlla "la conversione è offerta per l'archivio del programma precedente" \
        grep -qF "Il file $precedente_win\\archivio.mdb è un archivio del programma precedente." "$lavoro/primo.log"
    if [ $access -eq 1 ]; then
        controlla "la conversione termina con 16 movimenti di 8 clienti" \
            grep -qF "Conversione terminata: 16 movimenti di 8 clienti." "$lavoro/primo.log"
        controlla "l'originale resta intatto come archivio-access.mdb" cmp -s "$casi" "$precedente/archivio-access.mdb"
        # Every row of casi.mdb, read by mdbtools' own reader, in the converted archive field by field.
        mdb-json -D '%Y-%m-%d' -T '%Y-%m-%d %H:%M:%S' "$casi" ANTICIPI >"$lavoro/casi.json"
        python3 - "$lavoro/casi.json" "$precedente/archivio.mdb" >"$lavoro/righe.log" 2>&1 <<'PY'
import decimal, json, sqlite3, sys
attese = [json.loads(r, parse_float=decimal.Decimal) for r in open(sys.argv[1], encoding="utf-8") if r.strip()]
db = sqlite3.connect("file:" + sys.argv[2] + "?mode=ro", uri=True)
db.row_factory = sqlite3.Row
trovate = {r["ID"]: r for r in db.execute("SELECT * FROM ANTICIPI")}
errori = 0
if len(trovate) != len(attese):
    print("righe:", len(trovate), "invece di", len(attese)); errori += 1
def importo(v):
    return decimal.Decimal(v if v is not None else 0)
for a in attese:
    t = trovate.get(a["ID"])
    if t is None:
        print("manca ID", a["ID"]); errori += 1; continue
    for campo in ("DESCRIZIONE", "RAGIONESOCIALE", "CODICEFISCALE", "PARTITAIVA"):
        if (a.get(campo) or "") != (t[campo] or ""):
            print("ID", a["ID"], campo, repr(a.get(campo)), "->", repr(t[campo])); errori += 1
    if a["CODICEANA"] != t["CODICEANA"] or a["DATAOP"][:10] != str(t["DATAOP"])[:10]:
        print("ID", a["ID"], "codice o data diversi"); errori += 1
    for campo in ("ENTRATA", "USCITA"):
        if importo(a.get(campo)) != decimal.Decimal(t[campo]) / 10000:
            print("ID", a["ID"], campo, a.get(campo), "->", t[campo]); errori += 1
sys.exit(1 if errori else 0)
PY
        esito "l'archivio convertito contiene ogni riga di casi.mdb" $?
        sed 's/^/    /' "$lavoro/righe.log"
    else
        # Without libmdb the program has found the archive all the same: it says that it cannot
        # convert it and leaves it as it was, with nothing beside it.
        controlla "il programma dice che questa versione non converte l'archivio" \
            grep -qF "Impossibile convertire l'archivio $precedente_win\\archivio.mdb: questa versione del programma non legge gli archivi Access del programma precedente." "$lavoro/primo.log"
        controlla "l'archivio del programma precedente resta intatto, senza nulla accanto" \
            bash -c "cmp -s '$casi' '$precedente/archivio.mdb' && [ \"\$(ls -A '$precedente')\" = archivio.mdb ]"
        saltati=$((saltati + 3))
        echo "--  conversione, righe di casi.mdb e originale come archivio-access.mdb non controllati (3):" \
             "questa build per Windows non ha libmdb e non converte gli archivi Access"
    fi
    controlla "la cartella predefinita non ha ricevuto un archivio" test ! -e "$condivisa/archivio.mdb"

    controlla "l'impostazione del programma precedente è intatta" \
        test "$(valore "$precedente_chiave" Connessione)" = "$precedente_win"

    if [ $access -eq 1 ]; then
        # From then on that archive, by the program's own setting: with the earlier program's gone, the
        # next start still opens it, asks nothing and makes no empty archive in the default folder.
        wine reg delete "$precedente_chiave" /v Connessione /f >/dev/null 2>&1
        attendi
        esegui "$lavoro/secondo.log"
        esito "il secondo avvio si chiude con 0" $?
        attendi
        controlla "il secondo avvio usa lo stesso archivio, senza domande" \
            bash -c "! grep -qE 'programma precedente|nuovo archivio vuoto' '$lavoro/secondo.log' &&
                     [ ! -e '$condivisa/archivio.mdb' ] && cmp -s '$casi' '$precedente/archivio-access.mdb'"
    else
        # Nothing converted, nothing stored: the next start finds the same archive, asks again and
        # still leaves it as it was.
        esegui "$lavoro/secondo.log"
        esito "il secondo avvio si chiude con 0" $?
        attendi
        controlla "il secondo avvio chiede di nuovo e lascia l'archivio com'era" \
            bash -c "grep -qF 'Il file $precedente_win\\archivio.mdb è un archivio del programma precedente.' '$lavoro/secondo.log' &&
                     cmp -s '$casi' '$precedente/archivio.mdb' && [ ! -e '$condivisa/archivio.mdb' ]"
    fi
else
    echo "--  avvio del programma tralasciato (--solo-installazione)"
fi

# ---- a setup while the program is open on the desk (its start window, waiting): refused, and
# nothing replaced
QT_QPA_PLATFORM=windows wine 'C:\Program Files\Corvalle\Spesario\spesario.exe' >/dev/null 2>&1 &
aperto=$!
sleep 10
programma_prima=$(impronta "$installata")
wine "$setup" /S
controlla "con il programma aperto l'installazione si rifiuta" test $? -ne 0
controlla "con il programma aperto nessun file è sostituito" test "$programma_prima" = "$(impronta "$installata")"
wineserver -k
# Killed by the server: no word of it on the trial's output.
wait $aperto 2>/dev/null
attendi

# ---- an upgrade over the installed version keeps everything and puts the program back
prima=$(impronta "$precedente"; impronta "$condivisa")
wine "$setup" /S
esito "l'installazione sopra la versione installata termina con 0" $?
attendi
controlla "dopo l'aggiornamento il programma è al suo posto" cmp -s "$dist/spesario.exe" "$installata/spesario.exe"
controlla "dopo l'aggiornamento la voce di disinstallazione c'è" test -n "$(valore "$disinstalla" DisplayName)"
controlla "l'aggiornamento non tocca archivio e cartella condivisa" \
    test "$prima" = "$(impronta "$precedente"; impronta "$condivisa")"

# ---- the uninstaller, silent: the program goes, the archive stays
wine 'C:\Program Files\Corvalle\Spesario\disinstalla.exe' /S
esito "la disinstallazione silenziosa termina con 0" $?
# The uninstaller runs on from a copy of itself in the temporary folder.
attendi
rimasti=0
while IFS= read -r f; do
    [ -e "$installata/$f" ] && { echo "    rimasto: $f"; rimasti=1; }
done < <(cd "$dist" && find . -type f | sed 's|^\./||')
esito "i file del programma non ci sono più" $rimasti
controlla "il programma di disinstallazione non c'è più" test ! -e "$installata/disinstalla.exe"
controlla "la voce del menu Start non c'è più" test ! -e "$menu"
controlla "il collegamento sul desktop non c'è più" test ! -e "$desktop"
controlla "la voce di disinstallazione non c'è più" test -z "$(valore "$disinstalla" DisplayName)"
controlla "la cartella condivisa resta" test -d "$condivisa"
controlla "l'archivio e l'originale restano, intatti" \
    test "$prima" = "$(impronta "$precedente"; impronta "$condivisa")"

# ---- a desk without the shared folder: the setup makes it (the right of every user to change it,
# given with icacls, cannot be seen under Wine, whose icacls does nothing)
rm -rf "$condivisa"
wine "$setup" /S
esito "su un computer senza cartella condivisa l'installazione termina con 0" $?
attendi
controlla "la cartella condivisa è creata" test -d "$condivisa"
wine 'C:\Program Files\Corvalle\Spesario\disinstalla.exe' /S
attendi
controlla "la cartella creata resta dopo la disinstallazione" test -d "$condivisa"

echo "durata: $SECONDS s"
echo "$passati passed, $falliti failed$([ $saltati -eq 0 ] || echo ", $saltati skipped")"
[ $falliti -eq 0 ]
