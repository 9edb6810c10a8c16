#!/usr/bin/env bash
# The include check on a copy of the tree: the tree as it is passes, and each include planted
# below either passes (allowed by the floors) or fails naming the planted file.
set -euo pipefail
src=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/scripts"
cp "$src/scripts/check_includes.sh" "$work/scripts/"
for d in platform interfaces common layers framework coordinates terrain catalog corvane; do
  [ -d "$src/$d" ] && cp -r "$src/$d" "$work/$d"
done

failures=0
if ! out=$(bash "$work/scripts/check_includes.sh" 2>&1); then
  echo "FAIL: the tree as it is does not pass:"; echo "$out"; failures=1
fi

# file the include is planted in | the include | pass or fail
cases=(
  "terrain/planted.h|coordinates/datum_table.h|fail"
  "terrain/planted.cpp|catalog/mosaic/mosaic_run.h|fail"
  "catalog/planted.h|terrain/radial/radial_los_run.h|fail"
  "coordinates/planted.cpp|terrain/hillshade/hillshade_run.h|fail"
  "framework/planted.h|corvane/object_map.h|fail"
  "framework/planted.cpp|coordinates/coord_tool.h|fail"
  "platform/host/data/planted.h|framework/run_message.h|fail"
  "terrain/planted.cpp|coordinates/coordinate_edit_readers.h|pass"
  "catalog/planted.cpp|framework/run_message.h|pass"
  "corvane/planted.cpp|terrain/radial/radial_los_command.h|pass"
)
for c in "${cases[@]}"; do
  IFS='|' read -r file target want <<<"$c"
  printf '#include "%s"\n' "$target" >"$work/$file"
  if out=$(bash "$work/scripts/check_includes.sh" 2>&1); then got=pass; else got=fail; fi
  if [ "$got" != "$want" ]; then
    echo "FAIL: $file including $target: check says $got, expected $want"; echo "$out"; failures=1
  elif [ "$want" = fail ] && ! grep -q "^$file:1: includes $target" <<<"$out"; then
    echo "FAIL: $file including $target: the check does not name the planted line:"; echo "$out"
    failures=1
  fi
  rm "$work/$file"
done
[ "$failures" = 0 ] && echo "include check: ${#cases[@]} planted includes judged as expected"
exit "$failures"
