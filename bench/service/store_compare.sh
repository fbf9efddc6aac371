#!/usr/bin/env bash
# Submissions on each store, in one run: one step-service on SQLite, one on PostgreSQL, and two
# on PostgreSQL behind HAProxy (deploy/haproxy.cfg), each under wrk -t2 -c16 for DURATION after
# a warm-up. PostgreSQL 15 runs from a temporary folder as nobody, on a Unix socket, with its
# default durability (fsync, synchronous_commit on), like SQLite's synchronous=FULL.
# Usage: bench/service/store_compare.sh [BUILD_DIR] [DURATION]   (run as root)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
duration=${2:-20s}
accounts=32
service_bin=$build/bin/step-service
pg_bin=/usr/lib/postgresql/15/bin

work=$(mktemp -d /tmp/store-compare.XXXXXX)
chmod 755 "$work"
pids=()
as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  [ -d "$work/pg/data" ] && as_nobody "$pg_bin/pg_ctl" stop -D "$work/pg/data" -m fast >/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

"$root/tools/make_certs.sh" "$work/tls"
cat "$work/tls/server.pem" "$work/tls/server.key" > "$work/tls/proxy.pem"

mkdir "$work/pg"
chown nobody:nogroup "$work/pg"
as_nobody "$pg_bin/initdb" -D "$work/pg/data" -U steps --auth=trust -E UTF8 --locale=C >/dev/null
as_nobody "$pg_bin/pg_ctl" start -D "$work/pg/data" -w -l "$work/pg/log" \
  -o "-k $work/pg -c listen_addresses=''" >/dev/null
uri="postgresql://steps@/postgres?host=$work/pg"

add_accounts() {  # store
  seq 0 $((accounts - 1)) | xargs -P 2 -I {} sh -c \
    "echo bench-password-{} | '$service_bin' account add bench{} --db '$1'"
}
add_accounts "$work/steps.db"
add_accounts "$uri"

start_service() {  # store, name, extra arguments...: the port lands in $work/NAME.port
  local store=$1 name=$2
  shift 2
  "$service_bin" serve --listen 127.0.0.1:0 --cert "$work/tls/server.pem" \
    --key "$work/tls/server.key" --db "$store" --port-file "$work/$name.port" "$@" \
    2>>"$work/service.log" &
  pids+=($!)
}
port_of() {  # name
  for _ in $(seq 100); do [ -s "$work/$1.port" ] && break; sleep 0.1; done
  cat "$work/$1.port"
}

start_service "$work/steps.db" sqlite
start_service "$uri" pg
start_service "$uri" pg1 --trusted-proxy 127.0.0.1
start_service "$uri" pg2 --trusted-proxy 127.0.0.1
sqlite_port=$(port_of sqlite)
pg_port=$(port_of pg)
pg1_port=$(port_of pg1)
pg2_port=$(port_of pg2)
proxy_port=$(free_port)
sed -e "s|log /dev/log local0|log stderr local0|" \
    -e "s|127.0.0.1:8443|127.0.0.1:$proxy_port|" \
    -e "s|127.0.0.1:8444|127.0.0.1:$pg1_port|" \
    -e "s|127.0.0.1:8445|127.0.0.1:$pg2_port|" \
    -e "s|/etc/step-service/proxy.pem|$work/tls/proxy.pem|g" \
    -e "s|/etc/step-service/ca.pem|$work/tls/ca.pem|g" \
    "$root/deploy/haproxy.cfg" > "$work/haproxy.cfg"
haproxy -db -f "$work/haproxy.cfg" 2>>"$work/haproxy.log" &
pids+=($!)
sleep 3  # the first health checks

run() {  # name, url
  local name=$1 url=$2
  echo "== $name" >&2
  BENCH_ACCOUNTS=$accounts wrk -t2 -c16 -d5s -s "$here/submit.lua" "$url" >/dev/null
  BENCH_ACCOUNTS=$accounts wrk -t2 -c16 -d"$duration" --latency -s "$here/submit.lua" "$url" \
    | tee "$work/$name.txt" >&2
  local rps p99 errors
  rps=$(awk '/Requests\/sec/ {print $2}' "$work/$name.txt")
  p99=$(awk '$1 == "99%" {print $2}' "$work/$name.txt")
  errors=$(awk '/Non-2xx/ {print $5}' "$work/$name.txt")
  printf '%-18s %8s submissions/s   p99 %8s   non-2xx %s\n' "$name" "$rps" "$p99" \
    "${errors:-0}" >> "$work/summary.txt"
}

# The parts without HTTP: the hash alone, a whole submission on each store.
BENCH_POSTGRES_URI="$uri" "$build/bench/service_bench" --benchmark_min_time=3 \
  | tee "$work/parts.txt" >&2

run sqlite-1 "https://127.0.0.1:$sqlite_port"
run postgres-1 "https://127.0.0.1:$pg_port"
run postgres-2-proxy "https://127.0.0.1:$proxy_port"

echo
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
grep -E '^BM_' "$work/parts.txt"
cat "$work/summary.txt"
# One submission costs the cores it kept busy for 1/rate seconds; a core then carries
# 86400 * rate / cores submissions, i.e. accounts submitting once a day.
awk -v cores="$(nproc)" '$1 == "postgres-1" {
  printf "postgres-1: %.1f ms of core time per submission; one instance per core carries about %.1f million accounts submitting once a day\n",
    1000 * cores / $2, 86400 * $2 / cores / 1e6 }' "$work/summary.txt"
