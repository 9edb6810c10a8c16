#!/usr/bin/env bash
# Builds and runs every test. SANITIZE=1 builds into build-asan/ with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${SANITIZE:-0}" = 1 ]; then
  export BUILD_DIR=build-asan
  bash scripts/build.sh -DVELK_SANITIZE=ON -DVELK_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  export BUILD_DIR=build
  bash scripts/build.sh
fi
ctest --test-dir "$BUILD_DIR" -j"${JOBS:-$(nproc)}" --output-on-failure --timeout 600
