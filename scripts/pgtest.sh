#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the library tests, reachable only through a local socket.
#
#   pgtest.sh start DIR           a fresh cluster in DIR (one already there is stopped and wiped)
#   pgtest.sh stop DIR            stops it and removes DIR
#   pgtest.sh pause DIR [MODE]    stops the server, keeping its data (MODE: fast or immediate)
#   pgtest.sh resume DIR          starts the paused server again
#
# start leaves in DIR: uri (postgresql://solvane@<socket folder>:<port>/solvane_test) and
# pgpass (libpq's password file for role solvane, to be named by PGPASSFILE), server.log.
# With PGTEST_TCP=1 the server also listens on 127.0.0.1 and uri names that (programs under
# Wine reach no Unix socket); PGTEST_PORT chooses another port than 54329.
# It also listens on this machine's first non-loopback IPv4 address, named in DIR/netaddr, for
# the tests of what a client does with a server across the network (TLS): pg_hba.conf lets
# nobody in that way. PGTEST_NETWORK=0 leaves that out.
# As root the server runs as user nobody, as anyone else as that user.
set -euo pipefail

readonly port=${PGTEST_PORT:-54329}
readonly tcp=${PGTEST_TCP:-0}
readonly network=${PGTEST_NETWORK:-1}
readonly role=solvane
readonly database=solvane_test
readonly marker=state

die() {
  echo "pgtest: $*" >&2
  exit 1
}

usage() {
  die "usage: pgtest.sh start|stop|resume DIR, or pgtest.sh pause DIR [fast|immediate]"
}

[ $# -ge 2 ] || usage
command=$1
dir=$(realpath -m -- "$2")
[ "$dir" != / ] || die "refusing to use / as the cluster folder"

# Settings of the caller's own servers must not leak into the commands below.
while read -r name; do unset "$name"; done < <(compgen -e | grep '^PG' || true)

bindir=
while read -r candidate; do
  [ -x "$candidate/initdb" ] && [ -x "$candidate/pg_ctl" ] && [ -x "$candidate/psql" ] \
    && bindir=$candidate
done < <(printf '%s\n' /usr/lib/postgresql/*/bin | sort -V)
[ -n "$bindir" ] || die "no PostgreSQL server found under /usr/lib/postgresql/*/bin (install postgresql: scripts/install-deps.sh)"

if [ "$(id -u)" -eq 0 ]; then
  server_user=nobody
  id "$server_user" >/dev/null 2>&1 || die "user $server_user is missing; initdb cannot run as root"
  # A root folder that only root may enter (a chroot unpacked into a mktemp folder) keeps
  # every other user from running any program; a real system's / is always open to all.
  if [ -z "$(find / -maxdepth 0 -perm -o=x)" ]; then
    echo "pgtest: / is closed to other users; opening it (o+rx) so that $server_user can run the server" >&2
    chmod o+rx /
  fi
else
  server_user=$(id -un)
fi

# Runs a command as the user that owns the cluster, from a folder that user can read.
as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    (cd / && runuser -u "$server_user" -- "$@")
  else
    (cd / && "$@")
  fi
}

owned_folder() {
  mkdir -p -- "$1"
  chmod "$2" -- "$1"
  [ "$(id -u)" -ne 0 ] || chown "$server_user:" -- "$1"
}

# libpq's URI form names a socket folder by its percent-encoded path.
percent_encode() {
  local LC_ALL=C text=$1 out='' c i
  for ((i = 0; i < ${#text}; i++)); do
    c=${text:i:1}
    case $c in
      [A-Za-z0-9._~-]) out+=$c ;;
      *) printf -v c '%%%02X' "'$c"; out+=$c ;;
    esac
  done
  printf '%s' "$out"
}

load_state() {
  data='' sock='' log='' temps=()
  # shellcheck source=/dev/null
  [ -f "$dir/$marker" ] && . "$dir/$marker"
  return 0
}

running() {
  [ -n "$data" ] && [ -f "$data/postmaster.pid" ] && as_server "$bindir/pg_ctl" status -D "$data" >/dev/null 2>&1
}

server_start() {
  as_server "$bindir/pg_ctl" start -D "$data" -l "$log" -w -t 30 >/dev/null \
    || { tail -n 20 "$log" >&2 2>/dev/null || true; die "the server in $dir did not start within 30 s (log above, $log)"; }
}

server_stop() {
  local mode=$1
  running || return 0
  as_server "$bindir/pg_ctl" stop -D "$data" -m "$mode" -w -t 30 >/dev/null && return 0
  # Stuck sessions do not keep a fast stop from ending the server.
  if [ "$mode" = immediate ] \
    || ! as_server "$bindir/pg_ctl" stop -D "$data" -m immediate -w -t 30 >/dev/null; then
    die "the server in $dir did not stop within 30 s"
  fi
}

# Stops what runs in DIR and removes DIR, refusing a folder this script did not make.
wipe() {
  [ -e "$dir" ] || return 0
  if [ ! -f "$dir/$marker" ] && [ -n "$(ls -A -- "$dir")" ]; then
    die "$dir is not a cluster folder of this script (no $marker file); not touching it"
  fi
  load_state
  server_stop fast
  local t
  for t in "${temps[@]}"; do
    case $t in /tmp/solvane-pg.*) rm -rf -- "$t" ;; esac
  done
  rm -rf -- "$dir"
}

# A start that fails half-way leaves no server running.
stop_failed_start() {
  local status=$?
  [ $status -eq 0 ] || server_stop immediate
}

start() {
  wipe
  trap stop_failed_start EXIT
  mkdir -p -- "$dir"
  chmod 0755 -- "$dir"

  # The server user must reach DIR; a root checkout under /root is out of nobody's reach.
  local root=$dir
  temps=()
  if ! as_server test -x "$dir"; then
    root=$(mktemp -d /tmp/solvane-pg.XXXXXX)
    temps+=("$root")
    chmod 0755 -- "$root"
  fi
  data=$root/data
  sock=$root/sock
  # A socket path has at most 107 bytes, and the setting is a list: a long or odd folder
  # name gets a short one.
  if [ ${#sock} -gt 80 ] || [[ ! $sock =~ ^[A-Za-z0-9._/-]+$ ]]; then
    sock=$(mktemp -d /tmp/solvane-pg.XXXXXX)
    temps+=("$sock")
  fi
  log=$root/server.log
  {
    printf 'data=%q\nsock=%q\nlog=%q\ntemps=(' "$data" "$sock" "$log"
    [ ${#temps[@]} -eq 0 ] || printf '%q ' "${temps[@]}"
    printf ')\n'
  } >"$dir/$marker"
  [ "$log" = "$dir/server.log" ] || ln -s -- "$log" "$dir/server.log"

  owned_folder "$data" 0700
  owned_folder "$sock" 0711
  touch -- "$log"
  [ "$(id -u)" -ne 0 ] || chown "$server_user:" -- "$log"

  as_server "$bindir/initdb" -D "$data" -U "$server_user" --no-locale -E UTF8 --no-sync \
    --auth-local=peer --auth-host=reject --no-instructions >"$root/initdb.log" 2>&1 \
    || { cat "$root/initdb.log" >&2; die "initdb failed in $data"; }

  local listen=() netaddr=
  [ "$tcp" = 1 ] && listen+=(127.0.0.1)
  if [ "$network" = 1 ]; then
    netaddr=$(ip -4 -o addr show scope global 2>/dev/null | awk '{sub(/\/.*/, "", $4); print $4; exit}' || true)
    [ -z "$netaddr" ] || listen+=("$netaddr")
  fi
  cat >>"$data/postgresql.conf" <<EOF
listen_addresses = '$(IFS=,; echo "${listen[*]}")'
port = $port
unix_socket_directories = '$sock'
fsync = off
synchronous_commit = off
full_page_writes = off
shared_buffers = 16MB
max_connections = 30
password_encryption = 'scram-sha-256'
logging_collector = off
lc_messages = 'C'
EOF
  # The test role by password only; the superuser through the socket as its own OS user.
  cat >"$data/pg_hba.conf" <<EOF
local $database $role scram-sha-256
local all $server_user peer
EOF
  if [ "$tcp" = 1 ]; then
    echo "host $database $role 127.0.0.1/32 scram-sha-256" >>"$data/pg_hba.conf"
    # Under Wine the connection of a client killed mid-transaction can outlive it: the server
    # ends such a session itself, as it does at once when a real client dies.
    echo "idle_in_transaction_session_timeout = '8s'" >>"$data/postgresql.conf"
  fi

  server_start
  [ -z "$netaddr" ] || echo "$netaddr" >"$dir/netaddr"

  local password
  password=$(od -An -tx1 -N18 /dev/urandom | tr -d ' \n')
  as_server env PGCONNECT_TIMEOUT=10 "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$sock" -p "$port" \
    -U "$server_user" -d postgres >/dev/null <<EOF || die "creating role $role and database $database failed"
CREATE ROLE $role LOGIN PASSWORD '$password';
CREATE DATABASE $database OWNER $role;
EOF

  local escaped=${sock//\\/\\\\}
  escaped=${escaped//:/\\:}
  (umask 077 && printf '%s:%s:%s:%s:%s\n' "$escaped" "$port" "$database" "$role" "$password" >"$dir/pgpass")
  if [ "$tcp" = 1 ]; then
    (umask 077 && printf '127.0.0.1:%s:%s:%s:%s\n' "$port" "$database" "$role" "$password" >>"$dir/pgpass")
    printf 'postgresql://%s@127.0.0.1:%s/%s\n' "$role" "$port" "$database" >"$dir/uri"
  else
    printf 'postgresql://%s@%s:%s/%s\n' "$role" "$(percent_encode "$sock")" "$port" "$database" >"$dir/uri"
  fi
  trap - EXIT
  echo "pgtest: PostgreSQL $("$bindir/postgres" -V | awk '{print $3}') on $sock, $(cat "$dir/uri")"
}

need_cluster() {
  [ -f "$dir/$marker" ] || die "no cluster in $dir (run pgtest.sh start $dir)"
  load_state
}

case $command in
  start)
    [ $# -eq 2 ] || usage
    start
    ;;
  stop)
    [ $# -eq 2 ] || usage
    wipe
    ;;
  pause)
    [ $# -le 3 ] || usage
    mode=${3:-fast}
    [ "$mode" = fast ] || [ "$mode" = immediate ] || usage
    need_cluster
    server_stop "$mode"
    ;;
  resume)
    [ $# -eq 2 ] || usage
    need_cluster
    running || server_start
    ;;
  *) usage ;;
esac
