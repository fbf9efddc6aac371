#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz (Clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each for a bounded time on a scratch copy
# of its seed corpus, so the committed seeds stay as they are. A crash, leak, undefined behaviour
# or an input slower than the time-out stops that target; its input lands in
# build-fuzz/findings/ and the script fails once every target has run.
# Usage: tools/fuzz.sh [SECONDS_PER_TARGET (default 10)] [TARGET...(default: all)]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-10}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for corpus in tests/fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DBUILD_FUZZERS=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build-fuzz --target fuzzers

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p build-fuzz/findings build-fuzz/logs
failed=()
for target in "${targets[@]}"; do
  # The JSON engine stops a script after 2 s on its own; an input may run several scripts.
  timeout=10
  [ "$target" = json_document_fuzz ] && timeout=30
  cp -r "tests/fuzz/corpus/$target" "$scratch/$target"
  log=build-fuzz/logs/$target.log
  if build-fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout="$timeout" \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target-" \
      "$scratch/$target" >"$log" 2>&1; then
    outcome=ok
  else
    outcome=FAILED
    failed+=("$target")
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)
  echo "fuzz $target: $outcome, ${runs:-?} runs in ${seconds} s, ${coverage:-no coverage line}"
  [ "$outcome" = ok ] || tail -n 40 "$log"
done

echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets with findings: ${failed[*]} (inputs in build-fuzz/findings/, logs in build-fuzz/logs/)"
  exit 1
fi
