#!/usr/bin/env bash
# `make bench-confronto REV=<commit>`: the benchmark of that commit beside today's, on the same
# machine in one run. The commit is checked out as a git worktree under the build folder and its
# bench_spesario built there in a build folder of its own; then both benchmarks run on archives
# generated with the same seed and size, alternating old and new (VOLTE times each), on SQLite and
# on a throwaway PostgreSQL server (tests/pg/cluster.sh). An old benchmark without --pg has no server
# column. The two tables, old and new side by side, go to standard output and to
# BUILD/bench_confronto.md.
#   bench/confronto.sh REV BUILD   (MOVIMENTI, GIRI, VOLTE, JOBS from the environment)
set -eu
rev=${1:?"Indicare la revisione: make bench-confronto REV=<commit>"}
build=$(cd "${2:-build}" && pwd)
movimenti=${MOVIMENTI:-1000000}
giri=${GIRI:-5}
volte=${VOLTE:-2}
radice=$(pwd)

commit=$(git rev-parse --verify --quiet "$rev^{commit}") || { echo "Revisione sconosciuta: $rev" >&2; exit 1; }
breve=$(git rev-parse --short "$commit")
albero=$build/confronto-$breve
if [ ! -e "$albero/sorgente/.git" ]; then
  git worktree add --detach "$albero/sorgente" "$commit"
fi
# What the old commit's own Makefile installs: an earlier build may load a Qt driver that today's does
# not (the first round's opened SQLite through libqt6sql6-sqlite).
mancanti=""
for p in $(sed -n '/^PACKAGES *:=/,/[^\\]$/p' "$albero/sorgente/Makefile" | sed 's/^PACKAGES *:=//; s/\\$//'); do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || mancanti="$mancanti $p"
done
if [ -n "$mancanti" ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $mancanti
  else
    echo "Pacchetti mancanti per $breve. Eseguire:"; echo "  sudo apt-get install$mancanti"; exit 1
  fi
fi
cmake -S "$albero/sorgente" -B "$albero/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$albero/build" -j "${JOBS:-2}" --target bench_spesario
vecchio=$albero/build/bench/bench_spesario
nuovo=$build/bench/bench_spesario
# What the old benchmark accepts, read from its source: only the options it names are passed.
accetta() { grep -q -- "\"$1\"" "$albero/sorgente/bench/bench_spesario.cpp"; }

risultati=$build/confronto-risultati
rm -rf "$risultati"
mkdir -p "$risultati"

# One run: bench_spesario in its own build folder, its table into FILE. Extra arguments follow.
esegui() {
  local programma=$1 file=$2
  shift 2
  echo "== $programma $*" >&2
  (cd "$(dirname "$(dirname "$programma")")" &&
   QT_QPA_PLATFORM=offscreen "$programma" --movimenti "$movimenti" --giri "$giri" --uscita "$file" "$@" >/dev/null)
}

for i in $(seq "$volte"); do
  esegui "$vecchio" "$risultati/sqlite-vecchio-$i.md"
  esegui "$nuovo" "$risultati/sqlite-nuovo-$i.md"
done

# On the server: a new database for every run, inside one throwaway cluster.
pg_vecchio=0
accetta --pg && pg_vecchio=1
export vecchio nuovo risultati volte pg_vecchio movimenti giri
export -f esegui
SPESARIO_PG_FSYNC=on "$radice/tests/pg/cluster.sh" bash -c '
  set -eu
  database() { psql -q "${SPESARIO_TEST_PG}postgres" -c "DROP DATABASE IF EXISTS banco" -c "CREATE DATABASE banco"; }
  for i in $(seq "$volte"); do
    if [ "$pg_vecchio" = 1 ]; then
      database
      esegui "$vecchio" "$risultati/pg-vecchio-$i.md" --pg "${SPESARIO_TEST_PG}banco"
    fi
    database
    esegui "$nuovo" "$risultati/pg-nuovo-$i.md" --pg "${SPESARIO_TEST_PG}banco"
  done'

# Each operation's median over the runs of each side, side by side.
affianca() {
  awk -F'|' -v titolo="$1" -v vecchia="$breve" '
    function campo(s) { gsub(/^ +| +$/, "", s); return s }
    function mediana(lista,   v, n, i, j, t) {
      n = split(lista, v, " ")
      if (n == 0) return ""
      for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
      return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    function cifra(x) { return x == "" ? "-" : (x < 10 ? sprintf("%.2f", x) : sprintf("%.1f", x)) }
    FNR == 1 { lato = FILENAME ~ /-vecchio-/ ? "v" : "n" }
    /^\| / && $3 ~ /[0-9]/ {
      op = campo($2)
      if (!(op in visto)) { visto[op] = 1; ordine[++ops] = op }
      righe[op] = campo($3)
      tempo[op, lato] = tempo[op, lato] " " campo($4)
      pav[op, lato] = pav[op, lato] " " campo($6)
    }
    END {
      printf "### %s\n\n", titolo
      printf "| operazione | righe | %s ms | oggi ms | oggi/%s | pavimento %s ms | pavimento oggi ms |\n", vecchia, vecchia, vecchia
      print "|---|---:|---:|---:|---:|---:|---:|"
      for (k = 1; k <= ops; k++) {
        op = ordine[k]
        v = mediana(tempo[op, "v"]); n = mediana(tempo[op, "n"])
        printf "| %s | %s | %s | %s | %s | %s | %s |\n", op, righe[op], cifra(v), cifra(n),
               (v > 0 && n != "") ? sprintf("%.2f", n / v) : "-", cifra(mediana(pav[op, "v"])), cifra(mediana(pav[op, "n"]))
      }
      print ""
    }' "${@:2}"
}

{
  affianca "SQLite" "$risultati"/sqlite-*.md
  affianca "PostgreSQL" "$risultati"/pg-*.md
  echo "$movimenti movimenti, $giri giri per operazione, $volte esecuzioni alterne per parte; mediane delle" \
       "mediane di ogni esecuzione. Commit $breve contro $(git rev-parse --short HEAD)$(git diff --quiet HEAD || echo ' con modifiche')."
} | tee "$build/bench_confronto.md"
