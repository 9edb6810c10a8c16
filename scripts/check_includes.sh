#!/usr/bin/env bash
# Fails on a project include that points up the layer table (docs/architecture.md): each folder
# may include only the folders listed for it. Apps, tests and benchmarks may use everything.
set -euo pipefail
cd "$(dirname "$0")/.."

# Corvane's floors: framework/ under the features (coordinates/, terrain/, catalog/), which never
# include each other, and corvane/ (the composition root) on top. The coordinate tool's public
# face that other features may use is named file by file.
base='platform|interfaces|common'
coord_face='coordinates/coordinate_edit_readers\.h'
# What the registry may take from platform/win: handles, the last error and threads, and the
# resource modules that carry its scripts; no windows, dialogs or messages.
win_kernel='platform/win/(window_handle|thread|resource_module)\.h'
# folder (as a path prefix) -> folders its includes may name
rules=(
  "platform/com/=platform/com"
  "platform/registry/=platform/com|platform/registry|$win_kernel"
  "platform/win/=platform/com|platform/registry|platform/win"
  "platform/productline/=platform|interfaces"
  "interfaces/=platform/com|interfaces"
  "common/=platform|common"
  "layers/=platform|interfaces|common|layers"
)
# The host's rooms, lowest first: each may include the platform folders above and the rooms
# before it. data/ and analysis/ share a floor: the datasets run the algorithms (mosaic, clip,
# line of sight) and two algorithms read their inputs through the datasets.
host_rooms=(geometry "data|analysis" operations display shell documents application)
below='platform/com|platform/registry|platform/win'
for room in "${host_rooms[@]}"; do
  below+="|platform/host/($room)"
  for r in ${room//|/ }; do rules+=("platform/host/$r/=$below"); done
done
rules+=(
  "framework/=$base|framework"
  "coordinates/=$base|framework|coordinates"
  "terrain/=$base|framework|terrain|$coord_face"
  "catalog/=$base|framework|catalog"
  "corvane/=$base|framework|coordinates|terrain|catalog|corvane"
)

status=0
for rule in "${rules[@]}"; do
  folder=${rule%%=*}
  allowed=${rule#*=}
  [ -d "$folder" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    target=${rest#*\"}
    target=${target%%\"*}
    # Includes of the folder's own neighbours by bare name are not used in this project.
    if ! [[ $target =~ ^($allowed)(/|$) ]]; then
      shown=${allowed//\\/}
      echo "$file:$line: includes $target, above its layer ($folder may include: ${shown//|/, })"
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' --include='*.inc' -E '^\s*#\s*include "' "$folder" || true)
done
# Every host file lives in one of the rooms, so that a rule covers it.
for loose in platform/host/*.h platform/host/*.cpp platform/host/*.inc; do
  [ -e "$loose" ] || continue
  echo "$loose: a host file outside the rooms (${host_rooms[*]//|/ })"
  status=1
done
if [ "$status" = 0 ]; then echo "includes follow the layer table"; fi
exit "$status"
