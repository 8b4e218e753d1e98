#!/usr/bin/env bash
# Runs kelvra-server under load on this machine (see `make bench-server`):
#   scripts/bench-server.sh BIN_DIR SECONDS
# BIN_DIR holds kelvra-server and kelvra-server-load. SQLite first, then PostgreSQL
# (a private server on a unix socket, as the server tests start it) with two
# kelvra-server processes sharing 32 accounts between 64 connections.
set -euo pipefail
bin=$1
seconds=${2:-10}
work=$(mktemp -d /tmp/kelvra-server-bench-XXXXXX)
pids=()
pg_stop=""
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  if [ -n "$pg_stop" ]; then eval "$pg_stop" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Starts kelvra-server with STORE_ARGS on a free port and sets $port to it.
serve() {
  local log
  log=$(mktemp "$work/server-XXXXXX.log")
  "$bin/kelvra-server" "$@" --listen 127.0.0.1:0 --account-rate 1000000 >/dev/null 2>"$log" &
  pids+=($!)
  for _ in $(seq 100); do
    port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$log")
    if [ -n "$port" ]; then return; fi
    sleep 0.05
  done
  cat "$log" >&2
  exit 1
}

echo "== SQLite, one server"
"$bin/kelvra-server-load" setup --data "$work/data" 64
serve --data "$work/data"
"$bin/kelvra-server-load" run "$port" download 64 "$seconds" 64
"$bin/kelvra-server-load" run "$port" upload 64 "$seconds" 64

pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | tail -1)
if [ -z "$pg_bin" ]; then
  echo "== PostgreSQL: not installed, skipped"
  exit 0
fi
as=""
if [ "$(id -u)" = 0 ]; then
  as="runuser -u postgres --"
  chmod 777 "$work"
fi
$as "$pg_bin/initdb" -D "$work/db" -A trust -U kelvra -E UTF8 --no-sync >/dev/null
$as "$pg_bin/pg_ctl" -D "$work/db" -l "$work/pg.log" -w \
  -o "-k $work -c listen_addresses='' -F" start >/dev/null
pg_stop="$as $pg_bin/pg_ctl -D $work/db -m immediate stop"
echo "host=$work dbname=postgres user=kelvra" >"$work/database"

echo "== PostgreSQL, two servers"
"$bin/kelvra-server-load" setup --database-file "$work/database" 32
serve --database-file "$work/database"
first=$port
serve --database-file "$work/database"
second=$port
"$bin/kelvra-server-load" run "$first,$second" download 64 "$seconds" 32
"$bin/kelvra-server-load" run "$first,$second" upload 64 "$seconds" 32
