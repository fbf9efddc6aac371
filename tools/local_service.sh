# The local step service for tools/run.sh (sourced, not run): its database with the demo
# account, starting it in the background and stopping it again.
# shellcheck shell=bash
: "${build:?the build folder, holding bin/ and tls/}" "${state:?the folder service/ goes in}"

demo_account=demo
service_dir="$state/service"
service_db="$service_dir/steps.db"
service_log="$service_dir/step-service.log"
# The demo password lives beside the database so that every later run can print it again.
demo_password_file="$service_dir/demo.password"
service_pid=""

step_service() { "$build/bin/step-service" "$@"; }

# The host:port update-steps was built to call; only a local one can be served from here.
# Sets service_port.
read_service_port() {
  local host
  host=$(sed -n 's/^STEP_SERVICE_HOST:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
  host=${host:-127.0.0.1:8443}
  case "$host" in
    127.0.0.1:[0-9]* | localhost:[0-9]*) service_port=${host#*:} ;;
    *)
      echo "update-steps is built to call $host, which is no local address; rebuild with" \
        "-DSTEP_SERVICE_HOST=127.0.0.1:8443 to run it against the local step service." >&2
      return 1
      ;;
  esac
}

# Creates the database with the demo account when it has none; sets demo_password.
prepare_demo_account() {
  mkdir -p "$service_dir"
  if step_service account list --db "$service_db" 2>/dev/null | cut -f1 | grep -qx "$demo_account"; then
    if [ ! -s "$demo_password_file" ]; then
      echo "$service_db has the account $demo_account but its password ($demo_password_file)" \
        "is gone; remove the database to start afresh." >&2
      return 1
    fi
  else
    # Letters and digits only: the headless run types it key by key.
    demo_password=$(LC_ALL=C tr -dc 'a-z0-9' </dev/urandom | head -c 12 || true)
    printf '%s\n' "$demo_password" | step_service account add "$demo_account" --db "$service_db" >/dev/null
    (umask 077 && printf '%s\n' "$demo_password" >"$demo_password_file")
  fi
  demo_password=$(head -n 1 "$demo_password_file")
  echo "Step-service database: $service_db"
  echo "Demo account: $demo_account    password: $demo_password"
}

# True when something accepts connections on the port.
port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# Starts the service in the background and returns once it accepts connections.
start_service() {
  if port_taken "$service_port"; then
    echo "127.0.0.1:$service_port is in use already (another step-service?);" \
      "stop whatever listens there and run again." >&2
    return 1
  fi
  local port_file="$service_dir/port"
  rm -f "$port_file"
  # Started directly, not through step_service: $! must be the service itself.
  "$build/bin/step-service" serve --listen "127.0.0.1:$service_port" \
    --cert "$build/tls/server.pem" --key "$build/tls/server.key" --db "$service_db" \
    --port-file "$port_file" >"$service_log" 2>&1 &
  service_pid=$!
  for _ in $(seq 100); do
    [ -s "$port_file" ] && break
    if ! kill -0 "$service_pid" 2>/dev/null; then
      service_pid=""
      echo "step-service did not start:" >&2
      cat "$service_log" >&2
      return 1
    fi
    sleep 0.1
  done
  if [ ! -s "$port_file" ]; then
    echo "step-service did not listen within 10 s; see $service_log." >&2
    stop_service
    return 1
  fi
  echo "step-service listens on 127.0.0.1:$service_port (log: $service_log)."
}

# Stops the service started above, if it still runs: SIGTERM, then SIGKILL after 10 s.
stop_service() {
  [ -n "$service_pid" ] || return 0
  local pid=$service_pid
  service_pid=""
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "step-service stopped."
}
