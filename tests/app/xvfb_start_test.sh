#!/usr/bin/env bash
# update-steps under Xvfb with a 1920 x 1080 screen and no window manager shows a window named
# 更新运动步数 at 804, 384. Usage: xvfb_start_test.sh PATH/TO/update-steps
# It runs with a throw-away home, so the start writes no settings of the user's.
set -euo pipefail
program=$1
home=$(mktemp -d "${TMPDIR:-/tmp}/xvfb_start.XXXXXX")
trap 'rm -rf "$home"' EXIT
export HOME=$home
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME XDG_DOCUMENTS_DIR
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -uo pipefail
  "$0" &
  pid=$!
  trap "kill $pid 2>/dev/null; wait $pid 2>/dev/null" EXIT
  window=$(timeout 20 xdotool search --sync --name "^更新运动步数$" | head -n 1)
  if [ -z "$window" ]; then echo "no window named 更新运动步数"; exit 1; fi
  geometry=$(xdotool getwindowgeometry "$window")
  echo "$geometry"
  grep -q "Position: 804,384" <<<"$geometry" && grep -q "Geometry: 312x312" <<<"$geometry"
' "$program"
