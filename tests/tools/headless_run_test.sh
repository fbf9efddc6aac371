#!/usr/bin/env bash
# Runs tools/run.sh as on a machine without a display, with its database, demo home and
# screenshots in a scratch folder, and checks what it left: 12345 steps recorded for demo today,
# a user.ini holding 帐号=demo and a scrambled 密码, and a full-screen screenshot.
# Usage: headless_run_test.sh SOURCE_DIR BUILD_DIR SERVICE_HOST
set -uo pipefail
source_dir=$1 build=$2 host=$3
port=${host##*:}

state=$(mktemp -d "${TMPDIR:-/tmp}/headless_run.XXXXXX")
trap 'rm -rf "$state"' EXIT
# A HOME of the test's own: the run must keep to its throw-away home.
user_home="$state/user-home"
run=(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$user_home"
  "$source_dir/tools/run.sh" --build "$build" --state "$state")

# A network namespace of its own gives the run a loopback where the port is free, whatever a
# developer's step-service is doing on the shared one.
if unshare --net --map-root-user ip link set lo up 2>/dev/null; then
  unshare --net --map-root-user sh -c 'ip link set lo up && exec "$@"' sh "${run[@]}"
elif (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  echo "Skipped: 127.0.0.1:$port is in use and no network namespace of our own is allowed here."
  exit 77
else
  "${run[@]}"
fi
status=$?

failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

recorded=$("$build/bin/step-service" steps demo --db "$state/service/steps.db")
user_ini="$state/demo-home/Documents/Vormeth/user.ini"
settings=$(iconv -f GBK -t UTF-8 "$user_ini" 2>/dev/null | tr -d '\r')
check "run.sh exits with status 0" test "$status" -eq 0
check "12345 steps recorded for demo today" grep -qx "$(date +%F)	12345	.*" <<<"$recorded"
check "user.ini holds 帐号=demo" grep -qx '帐号=demo' <<<"$settings"
check "user.ini holds a scrambled 密码" grep -qx '密码=..*' <<<"$settings"
check "the password is not stored as typed" \
  test -z "$(grep -x "密码=$(cat "$state/service/demo.password")" <<<"$settings")"
check "the user's own documents are left alone" test ! -e "$user_home/Documents"
check "a 1920x1080 screenshot" \
  test "$(identify -format '%wx%h' "$state/screenshots/demo.png" 2>/dev/null)" = 1920x1080
[ "$failures" -eq 0 ]
