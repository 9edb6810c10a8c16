#!/usr/bin/env bash
# The Khronos glTF validator (npm package gltf-validator), installed once per machine under the
# user's cache folder.
#   gltf_validate.sh --install     installs it when it is not there yet
#   gltf_validate.sh --where       prints the folder that holds it (exit 1 when not installed)
#   gltf_validate.sh FILE.glb...   validates the files: one line per error or warning, then
#                                  "FILE: N errors, M warnings"; exit 1 when any file has errors
set -euo pipefail
version=2.0.0-dev.3.10
home="${VELK_GLTF_VALIDATOR_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/velk/gltf-validator-$version}"
installed() { [ -f "$home/node_modules/gltf-validator/package.json" ]; }
case "${1:-}" in
  --install)
    installed && exit 0
    command -v npm >/dev/null || { echo "gltf_validate.sh: npm is not installed" >&2; exit 1; }
    mkdir -p "$home"
    npm install --prefix "$home" --no-audit --no-fund --silent "gltf-validator@$version" >/dev/null
    installed
    exit 0 ;;
  --where)
    installed && echo "$home" && exit 0
    exit 1 ;;
  "")
    echo "usage: gltf_validate.sh --install | --where | FILE.glb..." >&2
    exit 2 ;;
esac
installed || { echo "gltf_validate.sh: the validator is not installed (--install)" >&2; exit 2; }
NODE_PATH="$home/node_modules" node "$(dirname "$0")/gltf_validate.js" "$@"
