#!/usr/bin/env bash
# Installs the Debian packages that are missing, then configures and builds into build/.
# Usage: tools/setup.sh [--target NAME]... [extra cmake -D options]
#   --target NAME  build only this target (and what it needs); may be given more than once.
#                  Without it every target is built, tests and benchmarks included.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=()
while [ $# -gt 0 ] && [ "$1" = "--target" ]; do
  targets+=(--target "${2:?--target needs a name}")
  shift 2
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

wanted=$(grep -v '^\s*#' tools/packages.txt | grep -v '^\s*$')
missing=()
for package in $wanted; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja "$@"
elif [ $# -gt 0 ]; then
  cmake -S . -B build "$@"
fi
cmake --build build "${targets[@]}"
