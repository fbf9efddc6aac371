#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite; then builds the sanitizer tree
# (build-asan: AddressSanitizer, LeakSanitizer, UndefinedBehaviorSanitizer) and runs the unit and
# integration tests again under it; last the Windows leg (tools/test-windows.sh): the Windows
# build cross-compiled and its unit and integration tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 600

sanitizer_start=$SECONDS
[ -f build-asan/build.ninja ] || cmake -S . -B build-asan -G Ninja -DSANITIZE=ON
cmake --build build-asan
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir build-asan -L 'unit|integration' --output-on-failure --parallel "$(nproc)" \
  --timeout 600
echo "sanitizer leg (build and tests): $((SECONDS - sanitizer_start)) s"

tools/test-windows.sh
