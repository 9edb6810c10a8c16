#include "platform/host/analysis/feature_clip.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <filesystem>
#include <memory>

#include "platform/host/analysis/shapefile_files.h"
#include "platform/host/data/gdal_drivers.h"

namespace velk::host::analysis {
namespace {

struct DatasetCloser {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

FeatureClipOutcome Fail(std::string why) {
  FeatureClipOutcome o;
  o.problem = std::move(why);
  return o;
}

}  // namespace

FeatureClipOutcome ClipFeatures(const FeatureClipOptions& options) {
  namespace fs = std::filesystem;
  EnsureGdalDrivers();
  if (!(options.xmax > options.xmin) || !(options.ymax > options.ymin))
    return Fail("the clip rectangle is empty");
  const fs::path output(options.output);
  std::error_code ec;
  if (fs::exists(output, ec)) return Fail("the output exists already: " + options.output);
  Dataset opened;
  GDALDataset* source = options.dataset;
  if (!source) {
    opened.reset(static_cast<GDALDataset*>(GDALOpenEx(
        options.source.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr)));
    source = opened.get();
  }
  if (!source) return Fail("cannot open " + options.source);
  OGRLayer* in = options.layer.empty() ? source->GetLayer(0)
                                       : source->GetLayerByName(options.layer.c_str());
  if (!in) return Fail("no layer " + options.layer + " in " + options.source);
  // A layer that others read too gets its spatial filter back when the clip is done.
  std::unique_ptr<OGRGeometry> earlierFilter(
      in->GetSpatialFilter() ? in->GetSpatialFilter()->clone() : nullptr);
  struct FilterRestore {
    OGRLayer* layer;
    OGRGeometry* filter;
    ~FilterRestore() {
      layer->SetSpatialFilter(filter);
      layer->ResetReading();
    }
  } restore{in, earlierFilter.get()};

  OGRPolygon rectangle;
  {
    OGRLinearRing ring;
    ring.addPoint(options.xmin, options.ymin);
    ring.addPoint(options.xmin, options.ymax);
    ring.addPoint(options.xmax, options.ymax);
    ring.addPoint(options.xmax, options.ymin);
    ring.closeRings();
    rectangle.addRing(&ring);
  }
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  if (!driver) return Fail("no shapefile driver");
  const fs::path working = output.parent_path() / ("~clip_" + output.stem().string() + ".shp");
  RemoveShapefile(working);
  Dataset out(driver->Create(working.string().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!out) return Fail("cannot write in " + output.parent_path().string());
  const OGRwkbGeometryType type = in->GetGeomType();
  OGRLayer* target = out->CreateLayer(working.stem().string().c_str(), in->GetSpatialRef(), type,
                                      nullptr);
  bool ok = target != nullptr;
  OGRFeatureDefn* definition = in->GetLayerDefn();
  for (int i = 0; ok && i < definition->GetFieldCount(); ++i)
    ok = target->CreateField(definition->GetFieldDefn(i)) == OGRERR_NONE;
  long written = 0;
  if (ok) {
    in->SetSpatialFilterRect(options.xmin, options.ymin, options.xmax, options.ymax);
    in->ResetReading();
    OGRFeature* feature;
    while (ok && (feature = in->GetNextFeature()) != nullptr) {
      std::unique_ptr<OGRFeature, void (*)(OGRFeature*)> owned(feature,
                                                               &OGRFeature::DestroyFeature);
      OGRGeometry* shape = feature->GetGeometryRef();
      if (!shape || !shape->Intersects(&rectangle)) continue;
      std::unique_ptr<OGRGeometry> cut(shape->Intersection(&rectangle));
      if (!cut || cut->IsEmpty()) continue;
      // Keep the source's kind: a line cut into pieces stays a (multi)line, a point a point.
      if (wkbFlatten(type) == wkbLineString && wkbFlatten(cut->getGeometryType()) != wkbLineString)
        cut.reset(OGRGeometryFactory::forceToMultiLineString(cut.release()));
      if (wkbFlatten(type) == wkbPolygon && wkbFlatten(cut->getGeometryType()) != wkbPolygon)
        cut.reset(OGRGeometryFactory::forceToMultiPolygon(cut.release()));
      OGRFeature copy(target->GetLayerDefn());
      copy.SetFrom(feature, TRUE);
      copy.SetGeometryDirectly(cut.release());
      ok = target->CreateFeature(&copy) == OGRERR_NONE;
      if (ok) ++written;
    }
  }
  if (ok) out->FlushCache();
  out.reset();
  if (!ok || !CommitShapefile(working, output)) {
    RemoveShapefile(working);
    return Fail("cannot write " + options.output);
  }
  FeatureClipOutcome outcome;
  outcome.ok = true;
  outcome.features = written;
  return outcome;
}

}  // namespace velk::host::analysis
