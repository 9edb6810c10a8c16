#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer into build-fuzz/ and runs each for
# FUZZ_SECONDS (default 20) from its seed corpus in fuzz/corpus/<target>/. New inputs go to
# build-fuzz/corpus/; an input that fails is kept in build-fuzz/crashes/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/lib/libplatform.so ] || bash scripts/build.sh
CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja >/dev/null
cmake --build build-fuzz -j"${JOBS:-$(nproc)}"
status=0
mkdir -p build-fuzz/crashes
for seeds in fuzz/corpus/*/; do
  target=$(basename "$seeds")
  found="build-fuzz/corpus/$target"
  mkdir -p "$found"
  # Inputs up to 4096 bytes, or what fuzz/corpus/<target>.max_len says (a format whose smallest
  # file is larger).
  max_len=$(cat "fuzz/corpus/$target.max_len" 2>/dev/null || echo 4096)
  echo "fuzzing $target for ${FUZZ_SECONDS:-20} s"
  if ! "build-fuzz/${target}_fuzz" -max_total_time="${FUZZ_SECONDS:-20}" -max_len="$max_len" \
      -timeout=10 -print_final_stats=0 -artifact_prefix="build-fuzz/crashes/${target}-" \
      "$found" "$seeds" >"build-fuzz/$target.log" 2>&1; then
    tail -40 "build-fuzz/$target.log"
    status=1
  fi
done
exit $status
