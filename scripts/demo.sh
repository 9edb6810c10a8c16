#!/usr/bin/env bash
# The main job: the host program `trevik` converts the coordinates of the bundled example (a
# point shapefile of places around the world, the polar ones included) into a new shapefile with
# decimal-degree X/Y, DMS, UTM and MGRS fields, as a user does it in the "Convert Coordinates in
# File" dialog, and says where the output is and how many records were converted.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR=build
# Only what the demo runs: the host program and the two libraries (scripts/test.sh builds the
# tests and benchmarks).
TARGETS="trevik Corvane Lumeris" bash scripts/build.sh
trevik=build/bin/trevik

# The example is made by the project's own code when it is missing.
if [ ! -f examples/places.shp ] || [ ! -f examples/places.dbf ] || [ ! -f examples/places.shx ]; then
  echo "Making the example examples/places.shp"
  rm -f examples/places.shp examples/places.shx examples/places.dbf examples/places.prj examples/places.cpg
  rm -rf build/example-root
  "$trevik" --root build/example-root run examples/make_places.session
fi

# A fresh host root (registry, settings, scratch folder) with an empty output folder.
root=build/demo-root
rm -rf "$root"
mkdir -p "$root/output"
"$trevik" --root "$root" run examples/convert.session | tee "$root/transcript.txt"

output="$PWD/$root/output/places_converted.shp"
counts=$(grep -o '[0-9]* of [0-9]* record(s) converted successfully' "$root/transcript.txt" | head -n 1)
if [ ! -f "$output" ] || [ -z "$counts" ]; then
  echo "The conversion did not complete; the transcript is in $root/transcript.txt" >&2
  exit 1
fi
echo
if command -v ogrinfo >/dev/null; then
  echo "Three of the converted places:"
  ogrinfo -q "$output" places_converted \
    -where "NAME IN ('New York', 'Longyearbyen', 'South Pole')" | grep -E '^  (NAME|DMS|UTM|MGRS) ' || true
  echo
fi
echo "Output: $output"
echo "Converted: $counts"
