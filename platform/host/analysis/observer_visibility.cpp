#include "platform/host/analysis/observer_visibility.h"

#include <cmath>
#include <memory>

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

}  // namespace

ObserverVisibilityResult ComputeObserverVisibility(const std::string& surfacePath,
                                                   const std::string& observersPath,
                                                   const std::string& outPath,
                                                   const ObserverVisibilityOptions& options) {
  ObserverVisibilityResult result;
  GDALAllRegister();
  DatasetPtr surface(static_cast<GDALDataset*>(GDALOpen(surfacePath.c_str(), GA_ReadOnly)));
  if (!surface || surface->GetRasterCount() < 1) {
    result.error = "cannot read the surface " + surfacePath;
    return result;
  }
  const OGRSpatialReference* srs = surface->GetSpatialRef();
  double gt[6];
  if (!srs || surface->GetGeoTransform(gt) != CE_None) {
    result.error = "the surface has no spatial reference";
    return result;
  }
  if (!srs->IsProjected()) {
    result.error = "the surface is not in a projected system";
    return result;
  }
  if (gt[2] != 0.0 || gt[4] != 0.0 || !(gt[1] > 0) || !(gt[5] < 0)) {
    result.error = "the surface is not a north-up grid";
    return result;
  }
  const double metres = srs->GetLinearUnits();
  result.columns = surface->GetRasterXSize();
  result.rows = surface->GetRasterYSize();

  DatasetPtr points(static_cast<GDALDataset*>(
      GDALOpenEx(observersPath.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr)));
  OGRLayer* layer = points ? points->GetLayer(0) : nullptr;
  if (!layer) {
    result.error = "cannot read the observers " + observersPath;
    return result;
  }
  OGRSpatialReference target(*srs);
  target.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> toSurface;
  if (const OGRSpatialReference* layerSrs = layer->GetSpatialRef();
      layerSrs && !layerSrs->IsSame(&target)) {
    OGRSpatialReference from(*layerSrs);
    from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    toSurface.reset(OGRCreateCoordinateTransformation(&from, &target));
    if (!toSurface) {
      result.error = "the observers cannot be taken into the surface's system";
      return result;
    }
  }

  std::vector<ViewshedObserver> observers;
  layer->ResetReading();
  for (auto& f : *layer) {
    const OGRGeometry* g = f->GetGeometryRef();
    if (!g || wkbFlatten(g->getGeometryType()) != wkbPoint || g->IsEmpty()) {
      result.error = "observer " + std::to_string(observers.size() + 1) + " is not a point";
      return result;
    }
    double x = g->toPoint()->getX(), y = g->toPoint()->getY();
    if (toSurface && !toSurface->Transform(1, &x, &y)) {
      result.error = "observer " + std::to_string(observers.size() + 1) + " cannot be projected";
      return result;
    }
    ViewshedObserver o;
    const double c = std::floor((x - gt[0]) / gt[1]), r = std::floor((y - gt[3]) / gt[5]);
    // Outside the grid stays outside (the engine says so), whatever the int range.
    o.column = c >= 0 && c < result.columns ? static_cast<int>(c) : -1;
    o.row = r >= 0 && r < result.rows ? static_cast<int>(r) : -1;
    const ObserverLimits d;
    o.limits.offsetA = FieldOr(*f, "OFFSETA", d.offsetA);
    o.limits.offsetB = FieldOr(*f, "OFFSETB", d.offsetB);
    o.limits.azimuth1 = FieldOr(*f, "AZIMUTH1", d.azimuth1);
    o.limits.azimuth2 = FieldOr(*f, "AZIMUTH2", d.azimuth2);
    o.limits.vert1 = FieldOr(*f, "VERT1", d.vert1);
    o.limits.vert2 = FieldOr(*f, "VERT2", d.vert2);
    o.limits.radius1 = FieldOr(*f, "RADIUS1", d.radius1);
    o.limits.radius2 = FieldOr(*f, "RADIUS2", d.radius2);
    if (const int spot = f->GetFieldIndex("SPOT"); spot >= 0 && f->IsFieldSetAndNotNull(spot))
      o.spot = f->GetFieldAsDouble(spot);
    observers.push_back(o);
  }
  if (observers.empty()) {
    result.error = "there are no observers";
    return result;
  }
  result.observers = static_cast<int>(observers.size());

  GDALRasterBand* band = surface->GetRasterBand(1);
  std::vector<float> values(static_cast<std::size_t>(result.columns) * result.rows);
  if (band->RasterIO(GF_Read, 0, 0, result.columns, result.rows, values.data(), result.columns,
                     result.rows, GDT_Float32, 0, 0) != CE_None) {
    result.error = "cannot read the surface " + surfacePath;
    return result;
  }
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  if (hasNoData)
    for (float& v : values)
      if (v == static_cast<float>(noData)) v = NAN;
  GridView<float> grid{values.data(),
                       result.columns,
                       result.rows,
                       std::fabs(gt[1]) * metres,
                       std::fabs(gt[5]) * metres,
                       std::nullopt};
  ViewshedOptions engineOptions;
  engineOptions.curvature = options.curvature;
  engineOptions.threads = options.threads;
  const ViewshedResult counts = ComputeViewshed(grid, observers, engineOptions);
  values.clear();
  values.shrink_to_fit();
  if (!counts.error.empty()) {
    result.error = counts.error;
    return result;
  }
  GridPlacement placement;
  std::copy(std::begin(gt), std::end(gt), placement.geoTransform.begin());
  char* wkt = nullptr;
  srs->exportToWkt(&wkt);
  placement.wkt = wkt ? wkt : "";
  CPLFree(wkt);
  result.error = WriteCountRaster(outPath, counts.counts, result.columns, result.rows, placement);
  return result;
}

}  // namespace velk::host::analysis
