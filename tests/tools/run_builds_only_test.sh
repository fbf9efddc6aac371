#!/usr/bin/env bash
# tools/run.sh builds only the two programs it runs, not the tests and benchmarks. It runs with
# stand-ins for dpkg-query (everything installed) and cmake (records what it is asked and ends the
# run at the build), so nothing is installed, configured or built.
# Usage: run_builds_only_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/run_builds_only.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin"
cat >"$scratch/bin/dpkg-query" <<'STUB'
#!/bin/sh
printf 'install ok installed'
STUB
cat >"$scratch/bin/cmake" <<'STUB'
#!/bin/sh
echo "$*" >>"$CMAKE_CALLS"
[ "$1" = "--build" ] && exit 3
exit 0
STUB
chmod +x "$scratch/bin/dpkg-query" "$scratch/bin/cmake"

CMAKE_CALLS="$scratch/calls" PATH="$scratch/bin:$PATH" "$source_dir/tools/run.sh" \
  >"$scratch/out" 2>&1
built=$(grep -- '^--build' "$scratch/calls")
echo "asked to build: $built"
if [ "$built" = "--build build --target update-steps --target step-service" ]; then
  echo "ok: only update-steps and step-service"
  exit 0
fi
echo "FAILED: run.sh should build update-steps and step-service alone"
cat "$scratch/out"
exit 1
