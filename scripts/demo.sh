#!/usr/bin/env bash
# The main job: the host program registers the libraries in a fresh root and lists the classes
# it can create.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR=build
bash scripts/build.sh
root="$PWD/build/demo-root"
rm -rf "$root"
mkdir -p "$root"
build/bin/trevik --root "$root" register build/lib/libCorvane.so
build/bin/trevik --root "$root" classes
