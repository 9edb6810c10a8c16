#include "terrain/threat_dome/threat_dome.h"

#include <cmath>
#include <vector>

#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "framework/layer_symbol.h"
#include "framework/scene_helpers.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/globe_layer_kind.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/property_set.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/geometry/vector3d.h"
#include "platform/host/data/workspace.h"
#include "terrain/linear_los/los_results.h"
#include "terrain/threat_dome/dome_mesh.h"

namespace velk::corvane {

namespace {

constexpr double kDegree = 0.017453292519943295;
constexpr LONG kDomeColour = 255;
constexpr LONG kDomeColourSecondValue = 80;
constexpr LONG kWireframeColour = 0x4100C2;

ComPtr<IColor> RgbColour(LONG rgb) {
  auto colour = CreateHostObject<IColor>(host::CLSID_RgbColor);
  Check(colour->put_RGB(rgb));
  return colour;
}

ComPtr<IPoint> HostPoint(const DomePoint& p, ISpatialReference* sr) {
  auto point = CreateHostObject<IPoint>(host::CLSID_Point);
  point->put_ZAware(VARIANT_TRUE);
  point->put_MAware(VARIANT_TRUE);
  point->PutCoords(p.x, p.y);
  point->put_Z(p.z);
  point->put_M(p.m);
  point->put_SpatialReference(sr);
  return point;
}

DomePoint FromHost(IPoint* p) {
  DomePoint out;
  p->get_X(&out.x);
  p->get_Y(&out.y);
  p->get_Z(&out.z);
  out.z = std::isfinite(out.z) ? out.z : 0.0;
  return out;
}

// A geometry of the class, with heights and measures, holding the points.
ComPtr<IGeometry> PartOf(REFCLSID clsid, const std::vector<DomePoint>& points,
                         ISpatialReference* sr) {
  auto part = CreateHostObject<IGeometry>(clsid);
  Check(part->put_ZAware(VARIANT_TRUE));
  Check(part->put_MAware(VARIANT_TRUE));
  auto collection = RequireInterface<IPointCollection>(part.get());
  for (const DomePoint& p : points) Check(collection->AddPoint(HostPoint(p, sr).get()));
  return part;
}

bool IsProjectedInMetres(ISpatialReference* sr, double& metresPerUnit) {
  auto projected = QueryAs<IProjectedCoordinateSystem>(sr);
  if (!projected) return false;
  return SUCCEEDED(projected->get_MetersPerUnit(&metresPerUnit)) && metresPerUnit > 0;
}

bool SameSystem(ISpatialReference* a, ISpatialReference* b) {
  if (a == b) return true;
  VARIANT_BOOL same = VARIANT_FALSE;
  return a && b && SUCCEEDED(a->IsSame(b, &same)) && same == VARIANT_TRUE;
}

// The shapefile class of that name in the workspace, or null.
ComPtr<IFeatureClass> OpenClass(IFeatureWorkspace* workspace, const std::wstring& name) {
  ComPtr<IFeatureClass> fc;
  if (FAILED(workspace->OpenFeatureClass(Bstr(name), fc.put()))) return nullptr;
  return fc;
}

}  // namespace

CThreatDome::CThreatDome(double azimuthStep, double elevationStep)
    : azimuthStep_(azimuthStep), elevationStep_(elevationStep) {
  error_ = CheckDomeSteps(azimuthStep, elevationStep);
  counts_ = CountsOf(azimuthStep, elevationStep);
  grid_ = DomePointGrid(counts_.Rows(), counts_.Columns());
  // The dome's colour carries its second value (set first) beside the RGB value.
  domeColour_ = CreateHostObject<IColor>(host::CLSID_RgbColor);
  Check(domeColour_->put_Transparency(kDomeColourSecondValue));
  Check(domeColour_->put_RGB(kDomeColour));
  wireframeColour_ = RgbColour(kWireframeColour);
  if (auto zel = FindZelExtension()) zel->get_Settings(settings_.put());
}

CThreatDome::~CThreatDome() = default;

void CThreatDome::ReadCurvature(host::analysis::CurvatureOptions& curvature, bool& refraction) {
  curvature = {};
  refraction = false;
  VARIANT_BOOL can = VARIANT_FALSE;
  surface_->get_CanDoCurvature(&can);
  if (can != VARIANT_TRUE) return;
  auto terrain = RequireInterface<ITerrainSettings>(settings_.get());
  VARIANT_BOOL use = VARIANT_FALSE;
  terrain->get_TerrainUseCurveRefraction(&use);
  if (use != VARIANT_TRUE) return;
  curvature.useCurvature = true;
  refraction = true;
  Check(terrain->get_TerrainRefraction(&curvature.refraction));
}

ComPtr<IPoint> CThreatDome::ComputeDomePoint(IPoint* centre, double radius, double azimuth,
                                             double elevation) {
  ComPtr<ISpatialReference> sr;
  centre->get_SpatialReference(sr.put());
  const DomePoint eye = FromHost(centre);
  const DomePoint target = DomeRayTarget(eye, radius, azimuth, elevation);
  ComPtr<IPoint> end = HostPoint(target, sr.get());
  host::analysis::CurvatureOptions curvature;
  bool refraction = false;
  ReadCurvature(curvature, refraction);
  Variant factor;
  if (refraction) factor = Variant(curvature.refraction);
  const VARIANT_BOOL flag = ToVariantBool(curvature.useCurvature);
  ComPtr<IPoint> obstruction;
  VARIANT_BOOL visible = VARIANT_FALSE;
  surface_->GetLineOfSight(centre, end.get(), obstruction.put(), nullptr, nullptr, &visible, flag,
                           flag, &factor);
  DomePoint result = eye;  // a copy: the caller's centre is never handed out
  if (visible == VARIANT_TRUE)
    result = target;
  else if (obstruction)
    result = FromHost(obstruction.get());
  result.m = 0.0;
  PackMeasure(result, eye, azimuth, elevation);
  return HostPoint(result, sr.get());
}

void CThreatDome::PackMeasure(DomePoint& p, const DomePoint& centre, double azimuth,
                              double elevation) const {
  (void)centre;
  p.m = 0.0;
  PackTextureCoordinates(azimuth, elevation, &p.m);
  const double az = azimuth * kDegree, el = elevation * kDegree;
  const double horizontal = std::fabs(elevation) == 90.0 ? 0.0 : std::cos(el);
  auto direction =
      host::NewVector3D(horizontal * std::sin(az), horizontal * std::cos(az), std::sin(el));
  PackNormal(direction.get(), &p.m);
}

bool CThreatDome::TraceOnGrid(IPoint* centre, const DomePoint& eye, double radius,
                              host::analysis::CurvatureOptions curvature) {
  // The surface's band, when it is a north-up raster of a projected system in metres, in the
  // centre's system.
  auto rasterSurface = QueryAs<IRasterSurface>(surface_.get());
  if (!rasterSurface) return false;
  ComPtr<IRasterBand> band;
  if (FAILED(rasterSurface->get_RasterBand(band.put())) || !band) return false;
  auto props = QueryAs<IRasterProps>(band.get());
  if (!props) return false;
  ComPtr<ISpatialReference> surfaceSr, centreSr;
  props->get_SpatialReference(surfaceSr.put());
  centre->get_SpatialReference(centreSr.put());
  double metresPerUnit = 0.0;
  if (!IsProjectedInMetres(surfaceSr.get(), metresPerUnit) || metresPerUnit != 1.0 ||
      !SameSystem(surfaceSr.get(), centreSr.get()))
    return false;
  LONG width = 0, height = 0;
  double cellX = 0.0, cellY = 0.0, xmin = 0.0, ymin = 0.0, xmax = 0.0, ymax = 0.0;
  ComPtr<IEnvelope> extent;
  props->get_Width(&width);
  props->get_Height(&height);
  props->QueryCellSize(&cellX, &cellY);
  if (FAILED(props->get_Extent(extent.put())) || !extent || !(cellX > 0) || !(cellY > 0))
    return false;
  extent->QueryCoords(&xmin, &ymin, &xmax, &ymax);
  if (std::fabs(xmin + width * cellX - xmax) > 1e-6 * cellX * width) return false;  // not north-up
  // The window of cells the rays can reach, with a cell to spare.
  auto clampColumn = [&](double x) {
    return static_cast<LONG>(
        std::max(0.0, std::min<double>(width, std::floor((x - xmin) / cellX))));
  };
  auto clampRow = [&](double y) {
    return static_cast<LONG>(
        std::max(0.0, std::min<double>(height, std::floor((ymax - y) / cellY))));
  };
  const LONG c0 = std::max<LONG>(0, clampColumn(eye.x - radius) - 1);
  const LONG c1 = std::min<LONG>(width, clampColumn(eye.x + radius) + 2);
  const LONG r0 = std::max<LONG>(0, clampRow(eye.y + radius) - 1);
  const LONG r1 = std::min<LONG>(height, clampRow(eye.y - radius) + 2);
  std::vector<double> values;
  std::vector<float> cells;
  DomeSurface s;
  s.grid.cellX = cellX;
  s.grid.cellY = cellY;
  s.originX = xmin + c0 * cellX;
  s.originY = ymax - r0 * cellY;
  if (c1 > c0 && r1 > r0) {
    values.resize(static_cast<std::size_t>(c1 - c0) * static_cast<std::size_t>(r1 - r0));
    if (FAILED(band->ReadBlock(c0, r0, c1 - c0, r1 - r0, values.data()))) return false;
    double zFactor = 1.0;
    surface_->get_ZFactor(&zFactor);
    cells.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
      cells[i] = static_cast<float>(values[i] * zFactor);
    s.grid.values = cells.data();
    s.grid.columns = static_cast<int>(c1 - c0);
    s.grid.rows = static_cast<int>(r1 - r0);
  }
  DomeRayOptions options;
  options.azimuthStep = azimuthStep_;
  options.elevationStep = elevationStep_;
  options.curvature = curvature;
  std::function<bool()> keepGoing;
  if (cancelCheck_) keepGoing = [this] { return cancelCheck_->Continue(); };
  DomeRaysResult rays = ComputeDomeRays(s, eye, radius, options, keepGoing);
  if (!rays.error.empty()) {
    error_ = rays.error;
    return true;
  }
  grid_ = std::move(rays.grid);
  return true;
}

void CThreatDome::BuildThreatDomeGeometry(IPoint* centre, double radius, ISurface* surface,
                                          DomeCancelCheck* cancelCheck) {
  if (!centre || !surface) return;
  surface_ = surface;
  cancelCheck_ = cancelCheck;
  ComPtr<ISpatialReference> sr;
  centre->get_SpatialReference(sr.put());
  if (!sr) return;
  spatialReference_ = sr;
  if (!CheckDomeSteps(azimuthStep_, elevationStep_).empty()) return;
  if (!(radius > 0.0) || !std::isfinite(radius)) {
    error_ = "The dome radius must be a number greater than 0";
    return;
  }
  error_.clear();
  dome_.Reset();
  wireframe_.Reset();
  grid_ = DomePointGrid(counts_.Rows(), counts_.Columns());
  const DomePoint eye = FromHost(centre);

  host::analysis::CurvatureOptions curvature;
  bool refraction = false;
  ReadCurvature(curvature, refraction);
  if (!TraceOnGrid(centre, eye, radius, curvature)) {
    for (std::int32_t i = 0; i < counts_.Rows(); ++i)
      for (std::int32_t j = 0; j < counts_.Columns(); ++j) {
        if (cancelCheck_ && !cancelCheck_->Continue()) break;
        ComPtr<IPoint> p = ComputeDomePoint(centre, radius, i * azimuthStep_,
                                            (j - counts_.elevationCount) * elevationStep_);
        grid_.At(i, j) = FromHost(p.get());
      }
  }
  if (!error_.empty()) return;
  for (std::int32_t i = 0; i < counts_.Rows(); ++i)
    for (std::int32_t j = 0; j < counts_.Columns(); ++j)
      if (auto& cell = grid_.At(i, j))
        PackMeasure(*cell, eye, i * azimuthStep_, (j - counts_.elevationCount) * elevationStep_);

  const DomeMesh mesh = BuildDomeMesh(grid_, {eye.x, eye.y, eye.z, 0.0}, counts_);
  auto dome = CreateHostObject<IGeometry>(host::CLSID_MultiPatch);
  Check(dome->put_ZAware(VARIANT_TRUE));
  Check(dome->put_MAware(VARIANT_TRUE));
  Check(dome->put_SpatialReference(sr.get()));
  auto patches = RequireInterface<IGeometryCollection>(dome.get());
  for (const auto& strip : mesh.strips)
    Check(patches->AddGeometry(PartOf(host::CLSID_TriangleStrip, strip, sr.get()).get()));
  Check(patches->AddGeometry(PartOf(host::CLSID_TriangleFan, mesh.fan, sr.get()).get()));
  auto wireframe = CreateHostObject<IPolyline>(host::CLSID_Polyline);
  Check(wireframe->put_ZAware(VARIANT_TRUE));
  Check(wireframe->put_MAware(VARIANT_TRUE));
  Check(wireframe->put_SpatialReference(sr.get()));
  auto paths = RequireInterface<IGeometryCollection>(wireframe.get());
  for (const auto* lines : {&mesh.meridians, &mesh.rings})
    for (const auto& line : *lines)
      Check(paths->AddGeometry(PartOf(host::CLSID_Path, line, sr.get()).get()));
  dome_ = dome;
  wireframe_ = wireframe;
}

HRESULT CThreatDome::WriteThreatDomeOutput(IUnknown* layerTarget, const std::wstring& nameSuffix,
                                           const std::wstring& folderPath) {
  auto group = QueryAs<IGroupLayer>(layerTarget);
  if (!group || (!dome_ && !wireframe_)) return S_FALSE;
  auto props = CreateHostObject<IPropertySet>(host::CLSID_PropertySet);
  Check(props->SetProperty(Bstr(L"DATABASE"), Variant(Bstr(folderPath))));
  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_ShapefileWorkspaceFactory);
  ComPtr<IWorkspace> ws;
  if (FAILED(factory->Open(props.get(), nullptr, ws.put())) || !ws) return S_FALSE;
  auto workspace = RequireInterface<IFeatureWorkspace>(ws.get());

  struct Output {
    std::wstring name;
    LONG type;
    IGeometry* shape;
    IColor* colour;
    LONG size;
    ComPtr<IFeatureClass> made;  // made by this call
    ComPtr<ILayer> layer;
  };
  Output outputs[] = {
      {L"Wireframe" + nameSuffix, kGeometryPolyline,
       wireframe_ ? RequireInterface<IGeometry>(wireframe_.get()).get() : nullptr,
       wireframeColour_.get(), 1, nullptr, nullptr},
      {L"Dome" + nameSuffix, kGeometryMultiPatch, dome_.get(), domeColour_.get(), 2, nullptr,
       nullptr},
  };
  auto undo = [&](HRESULT hr) {
    for (Output& o : outputs)
      if (o.made)
        if (auto ds = QueryAs<IDataset>(o.made.get())) ds->Delete();
    return hr;
  };
  for (Output& o : outputs) {
    if (!o.shape) continue;
    ComPtr<IFeatureClass> fc = OpenClass(workspace.get(), o.name);
    if (!fc) {
      fc =
          CreateShapefileClass(folderPath, o.name, o.type, spatialReference_.get(), true, true, {});
      if (!fc) return undo(E_FAIL);
      o.made = fc;
    }
    ComPtr<IFeature> feature;
    HRESULT hr = fc->CreateFeature(feature.put());
    if (SUCCEEDED(hr)) hr = feature->putref_Shape(o.shape);
    if (SUCCEEDED(hr)) hr = feature->Store();
    if (FAILED(hr)) {
      if (feature && !o.made) feature->Delete();
      return undo(hr);
    }
    if (o.made) {
      auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
      Check(layer->putref_FeatureClass(fc.get()));
      o.layer = RequireInterface<ILayer>(layer.get());
      ApplyLayerSymbol(o.type, o.colour, o.size, Bstr(o.name), o.layer.get());
    }
  }
  for (Output& o : outputs)
    if (o.layer) Check(group->Add(o.layer.get()));
  return S_OK;
}

bool IsSurfaceLayerOfKind(ILayer* layer, LONG kind) {
  if (!layer) return false;
  if (QueryAs<ISurfaceLayer>(layer)) return true;
  auto extensions = QueryAs<ILayerExtensions>(layer);
  if (!extensions) return false;
  LONG count = 0;
  extensions->get_ExtensionCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IUnknown> extension;
    if (FAILED(extensions->get_Extension(i, extension.put()))) continue;
    auto layerKind = QueryAs<IGlobeLayerKind>(extension.get());
    LONG value = -1;
    if (layerKind && SUCCEEDED(layerKind->get_Kind(&value)) && value == kind) return true;
  }
  return false;
}

}  // namespace velk::corvane
