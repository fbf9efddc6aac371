#!/usr/bin/env bash
# Installs what is missing, builds, and starts the step updater (build/bin/update-steps).
# Without a display it runs the program under Xvfb (1920x1080x24), saves a screenshot of the
# screen to build/screenshots/run.png and closes the window again with Esc.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

if [ -n "${DISPLAY:-}" ]; then
  exec build/bin/update-steps
fi

echo "No display found: running update-steps under Xvfb (1920x1080x24)."
mkdir -p build/screenshots
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -uo pipefail
  build/bin/update-steps &
  pid=$!
  window=$(timeout 20 xdotool search --sync --name "^更新运动步数$" | head -n 1)
  if [ -z "$window" ]; then
    echo "update-steps showed no window."
    kill "$pid" 2>/dev/null
    exit 1
  fi
  sleep 0.5  # let the first frame reach the screen
  xdotool getwindowgeometry "$window"
  import -window root build/screenshots/run.png
  echo "Screenshot: build/screenshots/run.png"
  xdotool windowfocus --sync "$window" key Escape 2>/dev/null
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "update-steps did not close on Esc; stopping it."
    kill "$pid"
  fi
  wait "$pid"
  echo "update-steps ended with status $?."
'
