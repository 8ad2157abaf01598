#!/usr/bin/env bash
# Runs a command beside a throwaway PostgreSQL cluster: initdb in a temporary folder, the server
# listening only on a Unix socket in that folder, stopped and removed when the command ends, also
# when it fails or is interrupted. The command finds the cluster in SPESARIO_TEST_PG, a URI without
# a database name ("postgresql://spesario@%2Ftmp%2Fspesario-pg.XXXX/"); the user spesario may do
# anything there. PostgreSQL refuses to run as root: run as root, the server runs as nobody.
# With SPESARIO_PG_TCP=1 (the Windows tests under Wine, which have no Unix sockets) the server also
# listens on a free TCP port of 127.0.0.1, never beyond, and SPESARIO_TEST_PG names that port.
#   tests/pg/cluster.sh COMMAND [ARGS...]
set -u
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "PostgreSQL non installato (pacchetto postgresql): impossibile provare l'archivio su server." >&2
  exit 1
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/spesario-pg.XXXXXX")
chmod 755 "$dir"
come=()
if [ "$(id -u)" = 0 ]; then
  chown nobody "$dir"
  come=(runuser -u nobody --)
fi
figlio=
# Ends what the command left running (it runs as a process group of its own), stops the server and
# removes the folder.
ferma() {
  if [ -n "$figlio" ]; then
    kill -TERM -- "-$figlio" 2>/dev/null
    wait "$figlio" 2>/dev/null
  fi
  "${come[@]}" "$bin/pg_ctl" -D "$dir/dati" -m immediate stop >/dev/null 2>&1
  rm -rf "$dir"
}
trap ferma EXIT
trap 'exit 130' INT TERM HUP

if ! "${come[@]}" "$bin/initdb" -D "$dir/dati" -U spesario --auth=trust -E UTF8 --locale=C.UTF-8 \
     >"$dir/initdb.log" 2>&1; then
  cat "$dir/initdb.log" >&2
  exit 1
fi
# The role con_password must give its password (tst_server tries a wrong one); every other role is
# trusted.
"${come[@]}" sed -i '1i local all con_password scram-sha-256' "$dir/dati/pg_hba.conf"
ascolto="listen_addresses=''"
if [ "${SPESARIO_PG_TCP:-}" = 1 ]; then
  porta=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  "${come[@]}" sed -i '1i host all con_password 127.0.0.1/32 scram-sha-256' "$dir/dati/pg_hba.conf"
  ascolto="listen_addresses=127.0.0.1 -c port=$porta"
fi
# No TCP unless asked for; fsync off because a test cluster outlives no crash of its own machine (the
# benchmark sets SPESARIO_PG_FSYNC=on, to time commits as a real server makes them).
if ! "${come[@]}" "$bin/pg_ctl" -D "$dir/dati" -l "$dir/server.log" -w -t 60 \
     -o "-c $ascolto -k $dir -c fsync=${SPESARIO_PG_FSYNC:-off} -c max_connections=200" start >/dev/null; then
  cat "$dir/server.log" >&2
  exit 1
fi
if [ -n "${porta:-}" ]; then
  SPESARIO_TEST_PG="postgresql://spesario@127.0.0.1:$porta/"
else
  SPESARIO_TEST_PG="postgresql://spesario@$(printf '%s' "$dir" | sed 's|/|%2F|g')/"
fi
export SPESARIO_TEST_PG
# In a session of its own, and waited for: a shell waiting on a foreground command runs its traps only
# once the command has ended, so an interrupted run would go on to the last test.
setsid "$@" &
figlio=$!
# A guard, in a session of its own too, does the same cleaning if this script is killed outright
# (SIGKILL, which no trap sees): it waits for the script to go, then ends the command and the server.
setsid bash -c 'script=$1 gruppo=$2 d=$3 b=$4; shift 4
  while kill -0 "$script" 2>/dev/null; do sleep 1; done
  kill -TERM -- "-$gruppo" 2>/dev/null
  if [ -d "$d/dati" ]; then "$@" "$b/pg_ctl" -D "$d/dati" -m immediate stop; rm -rf "$d"; fi' \
  guardia "$$" "$figlio" "$dir" "$bin" "${come[@]}" </dev/null >/dev/null 2>&1 &
wait "$figlio"
