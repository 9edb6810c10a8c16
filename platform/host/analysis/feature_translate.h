// Copies the features of one GDAL layer into a new shapefile or GeoPackage feature table
// through GDAL's vector translate: a where clause, a box the features must touch, another
// spatial reference, a new name. Plain GDAL; the host's feature-data converter wraps it.
#pragma once

#include <functional>
#include <optional>
#include <string>

class GDALDataset;

namespace velk::host::analysis {

struct FeatureBox {
  double xmin, ymin, xmax, ymax;  // in the source layer's spatial reference
};

struct FeatureTranslateRequest {
  GDALDataset* source = nullptr;  // open; the layer is read from it
  std::string layer;
  std::string where;              // empty: every feature
  std::optional<FeatureBox> box;  // features that touch it
  std::string targetWkt;          // empty: the source's spatial reference
  // A folder of shapefiles (the output is <folder>/<name>.shp) or a GeoPackage file.
  std::string output;
  bool database = false;
  std::string name;
  // A dataset of that name is replaced, once the new one is complete; without it, refused.
  bool replace = true;
  std::function<bool(double)> progress;  // false cancels: nothing is left
};

struct FeatureTranslateResult {
  std::string error;   // empty on success
  long long features = 0;
};

FeatureTranslateResult TranslateFeatures(const FeatureTranslateRequest& request);

}  // namespace velk::host::analysis
