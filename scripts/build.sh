#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default build/); extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir="${BUILD_DIR:-build}"
# A compiler cache shared by every checkout of the project on this machine (when installed).
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-20G}"
cmake -S . -B "$build_dir" -G Ninja "$@" >/dev/null
cmake --build "$build_dir" -j"${JOBS:-$(nproc)}"
