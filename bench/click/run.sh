#!/usr/bin/env bash
# Starts a step service on a free loopback port with one account, measures click-to-message
# against it, prints the service's own timing of each request, and stops it again.
# Usage: bench/click/run.sh [BUILD_DIR] [RUNS]
# DRIVE_WITH, when set, is put in front of the driver (the leak check runs it under valgrind).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-20}
work=$(mktemp -d)
trap 'kill "$service" 2>/dev/null; wait "$service" 2>/dev/null; rm -rf "$work"' EXIT

echo "benchpass" | "$build/bin/step-service" account add bench --db "$work/steps.db" >/dev/null
# Generous idle and request time-outs: under valgrind the client is slow enough to trip the
# usual ones.
"$build/bin/step-service" serve --listen 127.0.0.1:0 --port-file "$work/port" \
  --idle-timeout 120 --request-timeout 120 \
  --cert "$build/tls/server.pem" --key "$build/tls/server.key" --db "$work/steps.db" \
  2>"$work/service.log" &
service=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")

# The bare request trusts what the utility trusts: the system's authorities and the local one.
cat /etc/ssl/certs/ca-certificates.crt "$build/tls/ca.pem" >"$work/trusted.pem"
QT_LOGGING_RULES="*=false" ${DRIVE_WITH:-} \
  "$build/bench/click_to_message_bench" "127.0.0.1:$port" bench benchpass "$runs" "$work/trusted.pem"
echo "service log (the last requests, with the service's own duration):"
tail -n 3 "$work/service.log"
