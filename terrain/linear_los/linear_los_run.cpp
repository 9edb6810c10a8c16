#include "terrain/linear_los/linear_los_run.h"

#include <cstdio>
#include <filesystem>

#include "framework/corvane_module.h"
#include "framework/host_object_creation.h"
#include "framework/message_helpers.h"
#include "framework/scratch_folder.h"
#include "framework/surface_lookup.h"
#include "framework/surface_preparation.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/data/raster.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/win/format_message.h"
#include "framework/resource_text.h"
#include "framework/temporary_file.h"
#include "terrain/linear_los/los_results.h"

namespace velk::corvane {

namespace {

namespace fs = std::filesystem;

constexpr double kClipExpansion = 1.05;

ComPtr<IPoint> CopyPoint(IPoint* point) {
  if (!point) ThrowComError(E_POINTER);
  ComPtr<IClone> copy;
  Check(RequireInterface<IClone>(point)->Clone(copy.put()));
  return RequireInterface<IPoint>(copy.get());
}

// Deletes what the run made but did not keep, when the run leaves.
struct RunLeftovers {
  PreparedSurface surface;
  std::vector<ComPtr<IFeatureClass>> classes;  // deleted unless kept
  bool keep = false;
  ~RunLeftovers() {
    try {
      if (!keep)
        for (auto& fc : classes)
          if (auto ds = QueryAs<IDataset>(fc.get())) ds->Delete();
    } catch (...) {
      // Nothing more can be cleared.
    }
    DiscardPreparedSurface(surface);
  }
};

bool ShapefileFree(const fs::path& folder, const std::wstring& base) {
  for (const wchar_t* ext : {L".shp", L".shx", L".dbf", L".prj", L".cpg"})
    if (fs::exists(folder / (base + ext))) return false;
  return true;
}

// The area a catalog layer is clipped to: the graphics' envelope 5 % larger each way, in the
// map's system; null without graphics.
ComPtr<IEnvelope> ClipArea(IEnvelope* graphics, ISpatialReference* srMap) {
  if (!graphics) return nullptr;
  ComPtr<IClone> copy;
  Check(RequireInterface<IClone>(graphics)->Clone(copy.put()));
  auto area = RequireInterface<IEnvelope>(copy.get());
  Check(area->Expand(kClipExpansion, kClipExpansion, VARIANT_TRUE));
  Check(area->put_SpatialReference(srMap));
  return area;
}

// The result layers' names for run number n over the layer named layerName.
LinearLosLayerTexts LayerTexts(const std::wstring& n, const std::wstring& layerName) {
  LinearLosLayerTexts texts;
  texts.group = FormatResourceText(kIdsLinearVisibilityGroup, {n, layerName});
  texts.start =
      FormatResourceText(kIdsPointLocationForVisibility, {LoadResString(kIdsStart), n, layerName});
  texts.end =
      FormatResourceText(kIdsPointLocationForVisibility, {LoadResString(kIdsEnd), n, layerName});
  texts.lines = FormatResourceText(kIdsVisibilityOf, {n, layerName});
  return texts;
}

// The observer and target (copies of the picked points) placed on the surface: a point without
// a system of its own is in the map's; both are projected into the surface's system and made
// 3-D at the ground plus their offsets (z1, z2). False when either stands on a void.
bool PlaceEnds(const LinearLosRunParameters& p, ISurface* surface, ISpatialReference* srSurf,
               ISpatialReference* srMap, IPoint* p1, IPoint* p2, double& z1, double& z2) {
  for (IPoint* point : {p1, p2}) {
    ComPtr<ISpatialReference> own;
    point->get_SpatialReference(own.put());
    if (!own || QueryAs<IUnknownCoordinateSystem>(own.get())) {
      own = srMap;
      Check(point->put_SpatialReference(srMap));
    }
    if (!SameSpatialReference(srSurf, own.get())) Check(point->Project(srSurf));
  }
  Check(surface->GetElevation(p1, &z1));
  Check(surface->GetElevation(p2, &z2));
  z1 += p.startOffset;
  z2 += p.endOffset;
  VARIANT_BOOL void1 = VARIANT_FALSE, void2 = VARIANT_FALSE;
  Check(surface->IsVoidZ(z1, &void1));
  Check(surface->IsVoidZ(z2, &void2));
  if (void1 || void2) return false;
  MakePointAware(p1);
  MakePointAware(p2);
  Check(p1->put_Z(z1));
  Check(p2->put_Z(z2));
  return true;
}

// Curvature and refraction as the settings ask, when the surface can apply them.
void ChooseCurvature(ISurface* surface, ITerrainSettings* settings, VARIANT_BOOL& curvature,
                     Variant& refraction) {
  VARIANT_BOOL can = VARIANT_FALSE;
  Check(surface->get_CanDoCurvature(&can));
  if (!can || !settings) return;
  VARIANT_BOOL use = VARIANT_FALSE;
  Check(settings->get_TerrainUseCurveRefraction(&use));
  if (!use) return;
  curvature = VARIANT_TRUE;
  double factor = 0;
  Check(settings->get_TerrainRefraction(&factor));
  refraction = Variant(factor);
}

// The profile graph of the line between the written observer and target: the line draped on the
// surface, its ends at the eye heights z1 and z2, written as the next "profile" shapefile.
ProfileGraphOutcome DrawProfile(HookStruct& hook, ISurface* surface, ISpatialReference* srSurf,
                                IFeatureClass* startClass, IFeatureClass* endClass, double z1,
                                double z2, const std::wstring& work, const std::wstring& title) {
  ComPtr<IFeature> from, to;
  Check(startClass->GetFeature(0, from.put()));
  Check(endClass->GetFeature(0, to.put()));
  ComPtr<IGeometry> a, b;
  Check(from->get_Shape(a.put()));
  Check(to->get_Shape(b.put()));
  auto line = CreateHostObject<IPolyline>(host::CLSID_Polyline);
  auto points = RequireInterface<IPointCollection>(line.get());
  Check(points->AddPoint(RequireInterface<IPoint>(a.get()).get()));
  Check(points->AddPoint(RequireInterface<IPoint>(b.get()).get()));
  Check(line->put_SpatialReference(srSurf));
  ComPtr<IGeometry> shaped;
  Check(surface->InterpolateShape(RequireInterface<IGeometry>(line.get()).get(), shaped.put(),
                                  nullptr));
  auto profileLine = QueryAs<IPolyline>(shaped.get());
  if (!profileLine) return {};
  auto vertices = RequireInterface<IPointCollection>(profileLine.get());
  LONG count = 0;
  Check(vertices->get_PointCount(&count));
  for (auto [index, z] : {std::pair{LONG{0}, z1}, std::pair{count - 1, z2}}) {
    ComPtr<IPoint> vertex;
    Check(vertices->get_Point(index, vertex.put()));
    Check(vertex->put_Z(z));
    Check(vertices->UpdatePoint(index, vertex.get()));
  }
  const std::wstring profileName = NextFreeNumberedFileName(work + L"/", L"profile", L".shp").str();
  return WriteProfileFeatures(hook, profileLine.get(), work, profileName, title);
}

}  // namespace

std::wstring NextFreeRunNumber(const std::wstring& folder) {
  for (int n = 0; n <= 9999; ++n) {
    wchar_t number[8];
    std::swprintf(number, 8, L"%04d", n);
    if (ShapefileFree(folder, L"los2dc" + std::wstring(number)) &&
        ShapefileFree(folder, L"loslocstart" + std::wstring(number)) &&
        ShapefileFree(folder, L"loslocend" + std::wstring(number)))
      return number;
  }
  ThrowComError(E_FAIL, L"every run number is taken");
}

LinearLosRunOutcome RunLinearLos(HookStruct& hook, ITerrainSettings* settings,
                                 const LinearLosRunParameters& p) {
  LinearLosRunOutcome outcome;
  if (!p.surfaceLayer && !p.surfaceDataset) return outcome;
  outcome.ran = true;
  const std::wstring work = ScratchWorkFolder(L"LinearLOS");
  // The clip's name, held until the clip is gone.
  const TemporaryNameClaim claim(work, L"llos");
  RunLeftovers leftovers;

  outcome.workFolder = work;
  ComPtr<IMap> map;
  Check(hook.GetFocusMap(map.put()));
  if (!map) ThrowComError(E_POINTER);
  ComPtr<IUnknown> mapReference;
  map->get_SpatialReference(mapReference.put());
  auto srMap = QueryAs<ISpatialReference>(mapReference.get());

  std::wstring layerName;
  if (p.surfaceLayer) {
    Bstr name;
    p.surfaceLayer->get_Name(&name);
    layerName = name.str();
  }
  // A catalog DTED layer is analysed through a copy of the area around the graphics; any other
  // layer as it is.
  leftovers.surface = PrepareSurface({.surfaceLayer = p.surfaceLayer,
                                      .area = ClipArea(p.graphicsEnvelope.get(), srMap.get()),
                                      .workFolder = claim.Folder(),
                                      .name = claim.Name()});
  ComPtr<ILayer> analysisLayer = leftovers.surface.layer;
  if (!analysisLayer) {
    outcome.status = kIdsCouldNotCreateLos;
    return outcome;
  }

  ComPtr<ISurface> surface = GetSurfaceFromLayer(analysisLayer.get());
  ComPtr<ISpatialReference> srSurf;
  if (surface) surface->get_SpatialReference(srSurf.put());
  // A surface in no known system cannot place the picked points.
  if (!surface || !srSurf || QueryAs<IUnknownCoordinateSystem>(srSurf.get())) {
    outcome.messages.push_back(kIdsInvalidDataset);
    return outcome;
  }

  ComPtr<IPoint> p1 = CopyPoint(p.observer.get()), p2 = CopyPoint(p.target.get());
  double z1 = 0, z2 = 0;
  if (!PlaceEnds(p, surface.get(), srSurf.get(), srMap.get(), p1.get(), p2.get(), z1, z2)) {
    outcome.messages.push_back(kIdsPointOutsideSurface);
    return outcome;
  }

  VARIANT_BOOL curvature = VARIANT_FALSE;
  Variant refraction;
  ChooseCurvature(surface.get(), settings, curvature, refraction);
  ComPtr<IPoint> obstruction;
  ComPtr<IPolyline> seen, hidden;
  VARIANT_BOOL targetVisible = VARIANT_FALSE;
  Check(surface->GetLineOfSight(p1.get(), p2.get(), obstruction.put(), seen.put(), hidden.put(),
                                &targetVisible, curvature, curvature, &refraction));
  if (!seen && !hidden) {
    outcome.messages.push_back(kIdsCouldNotCreateLos);
    return outcome;
  }
  // The lines stay in the surface's system, the system their shapefile is written in.

  const std::wstring n = NextFreeRunNumber(work);
  outcome.number = n;
  const std::wstring linesName = L"los2dc" + n + L".shp", startName = L"loslocstart" + n + L".shp",
                     endName = L"loslocend" + n + L".shp";
  auto written = [&](ComPtr<IFeatureClass> fc, const std::wstring& name) {
    if (fc) {
      leftovers.classes.push_back(fc);
      outcome.files.push_back((fs::path(work) / name).wstring());
    }
    return fc;
  };
  auto lines = written(
      CreateSightLineFeatureClass(work, linesName, seen.get(), hidden.get(), srSurf.get(), p.zAware),
      linesName);
  auto startClass =
      written(CreateLocationFeatureClass(work, startName, p1.get(), p.startOffset, srSurf.get()),
              startName);
  auto endClass =
      written(CreateLocationFeatureClass(work, endName, p2.get(), p.endOffset, srSurf.get()),
              endName);
  leftovers.keep = true;

  outcome.group = AddLinearLosResultLayers(hook, settings, startClass.get(), endClass.get(),
                                           lines.get(), LayerTexts(n, layerName));
  if (!outcome.group) return outcome;

  VARIANT_BOOL profile = VARIANT_FALSE;
  if (settings) Check(settings->get_TerrainDisplayLOSProfile(&profile));
  if (profile)
    outcome.profile = DrawProfile(hook, surface.get(), srSurf.get(), startClass.get(),
                                  endClass.get(), z1, z2, work,
                                  FormatResourceText(kIdsVisibilityOf, {n, layerName}));
  outcome.targetVisible = targetVisible != VARIANT_FALSE;
  outcome.status = outcome.targetVisible ? kIdsTargetVisible : kIdsTargetNotVisible;
  return outcome;
}

}  // namespace velk::corvane
