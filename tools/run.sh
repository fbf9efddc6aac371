#!/usr/bin/env bash
# Runs the step updater against a local step service.
# Installs what is missing and builds the two programs it runs (tools/setup.sh); reuses the
# certificates made at configure time (build/tls); creates build/service/steps.db with the account
# "demo" when there is none and prints its password; starts build/bin/step-service in the
# background on the address update-steps is built to call (127.0.0.1:8443 by default) and starts
# build/bin/update-steps. The service is stopped again when the program ends.
# Without a display the same runs under Xvfb (1920x1080x24): one submission (demo, its password,
# 12345 steps) is driven with xdotool, the screen with the message box is saved to
# build/screenshots/demo.png, and the steps the service recorded and the user.ini the program
# wrote (under the throw-away home build/demo-home) are printed. Exit status 0 only when the
# steps were recorded.
#
# Usage: tools/run.sh [--build DIR] [--state DIR]
#   --build DIR  use the programs already built in DIR instead of installing and building
#   --state DIR  keep the database, the demo home and the screenshots in DIR (default: build dir)
set -euo pipefail

build=""
state=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$(realpath -m "${2:?--build needs a folder}"); shift 2 ;;
    --state) state=$(realpath -m "${2:?--state needs a folder}"); shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--state DIR]" >&2; exit 2 ;;
  esac
done
cd "$(dirname "$0")/.."
if [ -z "$build" ]; then
  # Only what runs here: the tests and benchmarks are tools/test.sh's to build.
  tools/setup.sh --target update-steps --target step-service
  build=$PWD/build
fi
state=${state:-$build}

# shellcheck source=tools/local_service.sh
source tools/local_service.sh
trap stop_service EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

read_service_port
tools/make_certs.sh "$build/tls"
prepare_demo_account
start_service

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting update-steps; the step service stops when it ends."
  "$build/bin/update-steps"
  exit
fi

demo_steps=12345
demo_home="$state/demo-home"
screenshot="$state/screenshots/demo.png"
echo "No display found: running update-steps under Xvfb (1920x1080x24) with HOME=$demo_home."
# A fresh home each run: the program starts as on first use, with empty boxes.
rm -rf "$demo_home"
recorded_before=$(step_service steps "$demo_account" --db "$service_db")
submitted=0
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
  tools/headless_submit.sh "$build/bin/update-steps" "$demo_home" "$screenshot" \
  "$demo_account" "$demo_password" "$demo_steps" || submitted=$?
stop_service

echo
echo "The service's log:"
cat "$service_log"
recorded=$(step_service steps "$demo_account" --db "$service_db")
echo
echo "step-service steps $demo_account --db $service_db:"
echo "${recorded:-(nothing recorded)}"
user_ini=$(find "$demo_home" -name user.ini -print -quit)
echo
if [ -n "$user_ini" ]; then
  echo "$user_ini:"
  iconv -f GBK -t UTF-8 "$user_ini" | tr -d '\r'
else
  echo "update-steps wrote no user.ini under $demo_home."
fi
echo

today=$(date +%F)
newest=$(head -n 1 <<<"$recorded")
if [ "$submitted" -eq 0 ] && [ "$recorded" != "$recorded_before" ] &&
  [ "$(cut -f1,2 <<<"$newest")" = "$today	$demo_steps" ]; then
  echo "Done: the service recorded $demo_steps steps for $demo_account today."
  exit 0
fi
echo "Failed: the service recorded no new count of $demo_steps steps for $demo_account." >&2
exit 1
