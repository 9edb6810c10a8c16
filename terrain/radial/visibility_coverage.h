// The analysis step of the radial line of sight: the host's visibility operation over the
// prepared surface from the observer feature class, turned into the polygon shapefile
// "loscov<nnnn>.shp" whose field "GRIDCODE" counts the observers that see each area.
#pragma once

#include <functional>
#include <string>

#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/raster.h"

namespace velk::corvane {

// What the analysis step made: the count raster of the observers that see each cell and its
// polygons.
struct VisibilityCoverage {
  ComPtr<IGeoDataset> counts;
  ComPtr<IFeatureClass> coverage;
};

// The coverage, null when any step gives nothing (no raster, no observers, a work folder that
// does not open, an operation that refuses its inputs). Curvature is on, with the refraction
// coefficient given. progress hears the visibility's share done; false stops it (nothing then,
// with no count raster written). A caller that gives the run up afterwards deletes both.
VisibilityCoverage ComputeVisibilityCoverage(const std::wstring& workFolder, IRaster* prepared,
                                             IFeatureClass* observers, double cellSize,
                                             double refraction,
                                             const std::function<bool(double)>& progress = {});

}  // namespace velk::corvane
