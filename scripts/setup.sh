#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config libgdal-dev gdal-bin libcairo2-dev libproj-dev proj-bin
      libgeographiclib-dev geographiclib-tools libhivex-dev libhivex-bin libsqlite3-dev libtinygltf-dev
      fonts-dejavu-core libgtest-dev libgmock-dev libbenchmark-dev ccache clang clang-tidy libclang-rt-14-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# The glTF validator (npm) that checks the 3-D viewer's scenes, once per machine; without it
# (offline, no npm) the build goes on and that check is skipped outside CI.
bash "$(dirname "$0")/gltf_validate.sh" --install ||
  echo "setup: the glTF validator could not be installed; its scene check will be skipped" >&2
