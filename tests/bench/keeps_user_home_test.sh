#!/usr/bin/env bash
# Runs a benchmark that starts update-steps as a user whose home and documents folder (named in
# user-dirs.dirs under XDG_CONFIG_HOME) are scratch folders, and checks that it left both alone:
# the program must have run in a throw-away home of the benchmark's own.
# Usage: keeps_user_home_test.sh COMMAND [ARGUMENT...]
set -uo pipefail
scratch=$(mktemp -d "${TMPDIR:-/tmp}/keeps_user_home.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/config"
printf 'XDG_DOCUMENTS_DIR="%s/documents"\n' "$scratch" >"$scratch/config/user-dirs.dirs"

HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" "$@" || {
  echo "FAILED: the benchmark itself failed"
  exit 1
}
left=$(find "$scratch/home" "$scratch/documents" -mindepth 1 2>/dev/null)
if [ -n "$left" ]; then
  echo "FAILED: the benchmark wrote into the user's home or documents:"
  echo "$left"
  exit 1
fi
echo "ok: the user's home and documents were left alone"
