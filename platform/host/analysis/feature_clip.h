// The host's feature clip: the features of a vector layer cut to a rectangle and written as a
// new shapefile with the source's fields and spatial reference. Plain OGR, no host objects.
#pragma once

#include <string>

class GDALDataset;

namespace velk::host::analysis {

struct FeatureClipOptions {
  std::string source;       // the dataset (a shapefile, a GeoPackage, a folder of shapefiles)
  // Open already (a VPF library read through OGDI has no path GDAL opens by itself): the
  // layer is read from it and source is not opened. Its reading state is restored afterwards.
  GDALDataset* dataset = nullptr;
  std::string layer;        // the layer inside it; empty: the first
  double xmin = 0, ymin = 0, xmax = 0, ymax = 0;  // the rectangle, in the source's units
  std::string output;       // the new shapefile (.shp)
};

struct FeatureClipOutcome {
  bool ok = false;
  long features = 0;   // features written (those the rectangle cuts or holds)
  std::string problem;
};

// Writes the features whose shapes meet the rectangle, each cut to it, into the output. The
// output is written under a working name and takes its name only when complete; an existing
// output is refused. A source that does not open, a layer that is not there, an empty
// rectangle or a write that fails give the reason and leave nothing under the output's name.
FeatureClipOutcome ClipFeatures(const FeatureClipOptions& options);

}  // namespace velk::host::analysis
