#!/usr/bin/env bash
# Drives one submission in update-steps on the current X display (tools/run.sh runs it under
# Xvfb): types account, password and step count into the main window, presses 更新步数, waits for
# the message box, saves a screenshot of the screen and closes the box and the window. A
# screenshot taken just before the click (demo-filled.png beside the other) shows what was typed.
# The program runs with HOME set to the given folder, so it never touches the user's documents.
# Usage: tools/headless_submit.sh UPDATE_STEPS HOME_DIR SCREENSHOT ACCOUNT PASSWORD STEPS
# Exit status 0 when the message box was shown.
set -uo pipefail

if [ $# -ne 6 ]; then
  echo "usage: $0 UPDATE_STEPS HOME_DIR SCREENSHOT ACCOUNT PASSWORD STEPS" >&2
  exit 2
fi
# The program ignores a HOME that is not absolute and falls back to the user's own.
program=$1 home=$(realpath -m "$2") screenshot=$3 account=$4 password=$5 steps=$6
shots=$(dirname "$screenshot")
mkdir -p "$home" "$shots"
[ -d "$home/.runtime" ] || mkdir -m 700 "$home/.runtime"

# Only HOME decides the documents folder: no XDG folder of the user's may point elsewhere.
env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u QT_QPA_PLATFORM \
  HOME="$home" XDG_RUNTIME_DIR="$home/.runtime" "$program" &
pid=$!

fail() {
  echo "$*" >&2
  import -window root "$screenshot" 2>/dev/null && echo "Screen at the failure: $screenshot" >&2
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  exit 1
}

# Control places inside the main window (x, y of the top left corner).
account_box=(116 73)
password_box=(116 113)
steps_box=(116 154)
submit_button=(113 250)

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^更新运动步数$' | head -n 1)
[ -n "$window" ] || fail "update-steps showed no main window within 20 s."
# There is no window manager to hand out the focus.
timeout 5 xdotool windowfocus --sync "$window" || fail "The main window took no keyboard focus."

# Clicks into a box, replaces what it holds by the text, slowly enough for every key to land.
fill_box() {
  local x=$1 y=$2 text=$3
  xdotool mousemove --sync --window "$window" $((x + 20)) $((y + 12)) click 1 &&
    sleep 0.1 &&
    xdotool key --clearmodifiers ctrl+a BackSpace &&
    xdotool type --delay 30 -- "$text"
}
fill_box "${account_box[@]}" "$account" || fail "Could not type the account."
fill_box "${password_box[@]}" "$password" || fail "Could not type the password."
fill_box "${steps_box[@]}" "$steps" || fail "Could not type the step count."
sleep 0.2
import -window root "$shots/demo-filled.png"

xdotool mousemove --sync --window "$window" $((submit_button[0] + 48)) $((submit_button[1] + 20)) \
  click 1 || fail "Could not click 更新步数."
box=$(timeout 30 xdotool search --sync --onlyvisible --name '^温馨提示!$' | head -n 1)
[ -n "$box" ] || fail "No message box within 30 s of the click on 更新步数."
sleep 0.3  # let the box paint its first frame
import -window root "$screenshot" || fail "Could not save the screenshot."
echo "Screenshot: $screenshot"

# Enter closes the box, Esc then closes the main window, which ends the program.
timeout 5 xdotool windowfocus --sync "$box" && xdotool key Return
for _ in $(seq 50); do
  [ -z "$(xdotool search --onlyvisible --name '^温馨提示!$')" ] && break
  sleep 0.1
done
timeout 5 xdotool windowfocus --sync "$window" && xdotool key Escape
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "update-steps did not close; stopping it." >&2
  kill "$pid"
fi
wait "$pid"
echo "update-steps ended with status $?."
