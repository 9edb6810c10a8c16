#include "platform/host/analysis/observer_visibility.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "platform/host/analysis/viewshed.h"
#include "platform/host/analysis/visibility_raster.h"

namespace velk::host::analysis {

namespace {

struct DatasetCloser {
  void operator()(GDALDataset* ds) const { GDALClose(ds); }
};
using DatasetPtr = std::unique_ptr<GDALDataset, DatasetCloser>;

// The value of a numeric field, or the fallback when the layer has no such field or the
// feature leaves it empty.
double FieldOr(OGRFeature& f, const char* name, double fallback) {
  const int i = f.GetFieldIndex(name);
  if (i < 0 || !f.IsFieldSetAndNotNull(i)) return fallback;
  return f.GetFieldAsDouble(i);
}

// An observer point's eye height above the ground when its layer has no OFFSETA field (or the
// point leaves it empty).
constexpr double kEyeHeightWithoutField = 1.0;

// The observer's limits from its fields; a missing field leaves the limit open.
ObserverLimits LimitsOf(OGRFeature& f) {
  const ObserverLimits open;
  ObserverLimits l;
  l.offsetA = FieldOr(f, "OFFSETA", kEyeHeightWithoutField);
  l.offsetB = FieldOr(f, "OFFSETB", open.offsetB);
  l.azimuth1 = FieldOr(f, "AZIMUTH1", open.azimuth1);
  l.azimuth2 = FieldOr(f, "AZIMUTH2", open.azimuth2);
  l.vert1 = FieldOr(f, "VERT1", open.vert1);
  l.vert2 = FieldOr(f, "VERT2", open.vert2);
  l.radius1 = FieldOr(f, "RADIUS1", open.radius1);
  l.radius2 = FieldOr(f, "RADIUS2", open.radius2);
  return l;
}

// The surface raster opened and checked: projected, north up, its grid's place on the ground.
struct Surface {
  DatasetPtr dataset;
  const OGRSpatialReference* srs = nullptr;
  double gt[6] = {};
  double metres = 1.0;  // of the system's linear unit
};

std::string OpenSurface(const std::string& path, Surface& s) {
  s.dataset.reset(static_cast<GDALDataset*>(GDALOpen(path.c_str(), GA_ReadOnly)));
  if (!s.dataset || s.dataset->GetRasterCount() < 1) return "cannot read the surface " + path;
  s.srs = s.dataset->GetSpatialRef();
  if (!s.srs || s.dataset->GetGeoTransform(s.gt) != CE_None)
    return "the surface has no spatial reference";
  if (!s.srs->IsProjected()) return "the surface is not in a projected system";
  const double* gt = s.gt;
  if (gt[2] != 0.0 || gt[4] != 0.0 || !(gt[1] > 0) || !(gt[5] < 0))
    return "the surface is not a north-up grid";
  s.metres = s.srs->GetLinearUnits();
  return {};
}

// The observer points as the engine's observers on the surface's grid (points in another
// system projected into the surface's).
std::string ReadObservers(const std::string& path, const Surface& s,
                          std::vector<ViewshedObserver>& observers) {
  DatasetPtr points(static_cast<GDALDataset*>(
      GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr)));
  OGRLayer* layer = points ? points->GetLayer(0) : nullptr;
  if (!layer) return "cannot read the observers " + path;
  OGRSpatialReference target(*s.srs);
  target.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> toSurface;
  if (const OGRSpatialReference* layerSrs = layer->GetSpatialRef();
      layerSrs && !layerSrs->IsSame(&target)) {
    OGRSpatialReference from(*layerSrs);
    from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    toSurface.reset(OGRCreateCoordinateTransformation(&from, &target));
    if (!toSurface) return "the observers cannot be taken into the surface's system";
  }
  const int columns = s.dataset->GetRasterXSize(), rows = s.dataset->GetRasterYSize();
  layer->ResetReading();
  for (auto& f : *layer) {
    const std::string which = "observer " + std::to_string(observers.size() + 1);
    const OGRGeometry* g = f->GetGeometryRef();
    if (!g || wkbFlatten(g->getGeometryType()) != wkbPoint || g->IsEmpty())
      return which + " is not a point";
    double x = g->toPoint()->getX(), y = g->toPoint()->getY();
    if (toSurface && !toSurface->Transform(1, &x, &y)) return which + " cannot be projected";
    ViewshedObserver o;
    const double c = std::floor((x - s.gt[0]) / s.gt[1]), r = std::floor((y - s.gt[3]) / s.gt[5]);
    // Outside the grid stays outside (the engine says so), whatever the int range.
    o.column = c >= 0 && c < columns ? static_cast<int>(c) : -1;
    o.row = r >= 0 && r < rows ? static_cast<int>(r) : -1;
    o.limits = LimitsOf(*f);
    if (const int spot = f->GetFieldIndex("SPOT"); spot >= 0 && f->IsFieldSetAndNotNull(spot))
      o.spot = f->GetFieldAsDouble(spot);
    observers.push_back(o);
  }
  if (observers.empty()) return "there are no observers";
  return {};
}

// The surface's first band as floats, voids NaN.
std::string ReadElevations(const std::string& path, const Surface& s, std::vector<float>& values) {
  const int columns = s.dataset->GetRasterXSize(), rows = s.dataset->GetRasterYSize();
  GDALRasterBand* band = s.dataset->GetRasterBand(1);
  values.resize(static_cast<std::size_t>(columns) * rows);
  if (band->RasterIO(GF_Read, 0, 0, columns, rows, values.data(), columns, rows, GDT_Float32, 0,
                     0) != CE_None)
    return "cannot read the surface " + path;
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  if (hasNoData)
    for (float& v : values)
      if (v == static_cast<float>(noData)) v = NAN;
  return {};
}

}  // namespace

ObserverVisibilityResult ComputeObserverVisibility(const std::string& surfacePath,
                                                   const std::string& observersPath,
                                                   const std::string& outPath,
                                                   const ObserverVisibilityOptions& options) {
  ObserverVisibilityResult result;
  GDALAllRegister();
  Surface surface;
  std::vector<ViewshedObserver> observers;
  result.error = OpenSurface(surfacePath, surface);
  if (!result.error.empty()) return result;
  result.columns = surface.dataset->GetRasterXSize();
  result.rows = surface.dataset->GetRasterYSize();
  result.error = ReadObservers(observersPath, surface, observers);
  if (!result.error.empty()) return result;
  result.observers = static_cast<int>(observers.size());

  ViewshedResult counts;
  {
    std::vector<float> values;
    result.error = ReadElevations(surfacePath, surface, values);
    if (!result.error.empty()) return result;
    const GridView<float> grid{values.data(),
                               result.columns,
                               result.rows,
                               std::fabs(surface.gt[1]) * surface.metres,
                               std::fabs(surface.gt[5]) * surface.metres,
                               std::nullopt};
    ViewshedOptions engineOptions;
    engineOptions.curvature = options.curvature;
    engineOptions.threads = options.threads;
    engineOptions.progress = options.progress;
    counts = ComputeViewshed(grid, observers, engineOptions);
  }
  if (!counts.error.empty()) {
    result.error = counts.error;
    result.cancelled = counts.cancelled;
    return result;
  }
  GridPlacement placement;
  std::copy(std::begin(surface.gt), std::end(surface.gt), placement.geoTransform.begin());
  char* wkt = nullptr;
  surface.srs->exportToWkt(&wkt);
  placement.wkt = wkt ? wkt : "";
  CPLFree(wkt);
  result.error = WriteCountRaster(outPath, counts.counts, result.columns, result.rows, placement);
  return result;
}


}  // namespace velk::host::analysis
