#!/usr/bin/env bash
# Loopback load test: step-service (successful submissions and /healthz) beside nginx serving a
# small static JSON over TLS, each with wrk -t2 -c16 for DURATION after a warm-up; then
# submissions again with 64 connections (answers past a second of queued hashing are 503s,
# counted as non-2xx).
# Usage: bench/service/wrk_compare.sh [BUILD_DIR] [DURATION]   (run as root: nginx)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
duration=${2:-30s}
accounts=32
service_bin=$build/bin/step-service

work=$(mktemp -d /tmp/wrk-compare.XXXXXX)
chmod 755 "$work"
service_pid=""
nginx_pid=""
cleanup() {
  [ -n "$service_pid" ] && kill -TERM "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null
  [ -n "$nginx_pid" ] && kill -QUIT "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

"$root/tools/make_certs.sh" "$work/tls"
seq 0 $((accounts - 1)) | xargs -P 2 -I {} sh -c \
  "echo bench-password-{} | '$service_bin' account add bench{} --db '$work/steps.db'"

"$service_bin" serve --listen 127.0.0.1:0 --cert "$work/tls/server.pem" \
  --key "$work/tls/server.key" --db "$work/steps.db" --port-file "$work/port" \
  2>"$work/service.log" &
service_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
service_port=$(cat "$work/port")

nginx_port=$(free_port)
mkdir -p "$work/www" "$work/nginx"
printf '{"code":0,"msg":"服务运行正常"}' > "$work/www/static.json"
chmod 644 "$work/www/static.json"
cat > "$work/nginx/nginx.conf" <<CONF
worker_processes 2;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  default_type application/json;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  server {
    listen 127.0.0.1:$nginx_port ssl;
    ssl_certificate $work/tls/server.pem;
    ssl_certificate_key $work/tls/server.key;
    ssl_protocols TLSv1.2 TLSv1.3;
    keepalive_requests 100;
    root $work/www;
  }
}
CONF
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" -g 'daemon off;' &
nginx_pid=$!
sleep 0.5

service_url=https://127.0.0.1:$service_port
nginx_url=https://127.0.0.1:$nginx_port/static.json
curl -sf --cacert "$work/tls/ca.pem" "$nginx_url" >/dev/null
curl -sf --cacert "$work/tls/ca.pem" "$service_url/healthz" >/dev/null

run() {  # name, connections, wrk arguments...
  local name=$1 connections=$2
  shift 2
  echo "== $name" >&2
  BENCH_ACCOUNTS=$accounts wrk -t2 -c"$connections" -d"$duration" --latency "$@" \
    | tee "$work/$name.txt" >&2
  local rps p99 errors
  rps=$(awk '/Requests\/sec/ {print $2}' "$work/$name.txt")
  p99=$(awk '$1 == "99%" {print $2}' "$work/$name.txt")
  errors=$(awk '/Non-2xx/ {print $5}' "$work/$name.txt")
  printf '%-12s %10s req/s   p99 %8s   non-2xx %s\n' "$name" "$rps" "$p99" "${errors:-0}" \
    >> "$work/summary.txt"
}

echo "warming up" >&2
BENCH_ACCOUNTS=$accounts wrk -t2 -c16 -d5s -s "$here/submit.lua" "$service_url" >/dev/null
wrk -t2 -c16 -d3s "$service_url/healthz" >/dev/null
wrk -t2 -c16 -d3s "$nginx_url" >/dev/null

run submission 16 -s "$here/submit.lua" "$service_url"
run healthz 16 "$service_url/healthz"
run nginx 16 "$nginx_url"
run submission64 64 -s "$here/submit.lua" "$service_url"

echo
echo "service RSS peak: $(awk '/VmHWM/ {print $2, $3}' /proc/$service_pid/status)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
cat "$work/summary.txt"
