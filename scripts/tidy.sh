#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy: the bugprone and performance checks, warnings as errors) over the
# project's sources in build/compile_commands.json, or over the files given.
# A whole run parses every source once: several minutes on all cores.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/compile_commands.json ] || bash scripts/build.sh
if [ $# -gt 0 ]; then
  clang-tidy -p build --quiet "$@"
else
  run-clang-tidy -p build -quiet -j "${JOBS:-$(nproc)}" '^(?!.*/build).*\.cpp$'
fi
