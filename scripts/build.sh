#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default build/); extra arguments go to CMake. TARGETS
# (space-separated) builds only those targets and what they need; default: everything.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir="${BUILD_DIR:-build}"
# A compiler cache shared by every checkout of the project on this machine (when installed).
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-20G}"
cmake -S . -B "$build_dir" -G Ninja "$@" >/dev/null
targets=()
for t in ${TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build_dir" -j"${JOBS:-$(nproc)}" "${targets[@]}"
