#include "terrain/terrain_tools/find_high_low_point.h"

#include <cstdio>

#include "framework/numeric_field_helpers.h"
#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/map_graphics.h"
#include "framework/scratch_folder.h"
#include "platform/host/data/analysis_op_support.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/operations/local_analysis.h"
#include "platform/host/display/map.h"
#include "platform/host/data/raster.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/operations/surface_analysis.h"

namespace velk::corvane {

namespace {

constexpr wchar_t kOutputNames[] = L"stats";
constexpr wchar_t kBoundName[] = L"in";

// The four settings both operators get: output workspace, output names, the area as the
// extent (no snap raster), the map's spatial reference.
void SetEnvironment(IUnknown* op, IWorkspace* workspace, IEnvelope* area, ISpatialReference* sr) {
  auto env = RequireInterface<IRasterAnalysisEnvironment>(op);
  env->putref_OutWorkspace(workspace);
  RequireInterface<IRasterAnalysisOutputNames>(op)->put_DefaultOutputRasterPrefix(
      Bstr(kOutputNames));
  Variant extent;
  extent.vt = VT_UNKNOWN;
  extent.punkVal = area;
  if (area) area->AddRef();
  Variant snap;
  env->SetExtent(kExtentValue, &extent, &snap);
  env->putref_OutSpatialReference(sr);
}

// The rasters a search makes on its way to the points, deleted when it ends.
struct IntermediateRasters {
  ComPtr<IGeoDataset> stats, kept;
  IntermediateRasters() = default;
  IntermediateRasters(const IntermediateRasters&) = delete;
  IntermediateRasters& operator=(const IntermediateRasters&) = delete;
  ~IntermediateRasters() {
    Drop(kept);
    Drop(stats);
  }
  static void Drop(ComPtr<IGeoDataset>& made) {
    auto dataset = QueryAs<IDataset>(made.get());
    made.Reset();
    try {
      if (dataset) dataset->Delete();
    } catch (...) {
      // Nothing more can be cleared.
    }
  }
};

}  // namespace

std::wstring HighLowExpression(double extreme, bool isHighest) {
  // 17 significant digits read back as the same double; the buffer holds 100 characters as the
  // expression always did.
  wchar_t text[100];
  std::swprintf(text, 100, isHighest ? L"setnull([in] < %.17g , [in])" : L"setnull([in] > %.17g , [in])",
                extreme);
  return text;
}

HighLowPointOutcome FindHighLowPoint(HookStruct& hook, const Bstr& folder, IEnvelope* area,
                                     ILayer* layer, bool isHighest) {
  HighLowPointOutcome outcome;
  auto rasterLayer = RequireInterface<IRasterLayer>(layer);
  ComPtr<IRaster> raster;
  rasterLayer->get_Raster(raster.put());
  if (!raster) ThrowComError(E_POINTER);
  auto input = QueryAs<IGeoDataset>(raster.get());
  if (!input) return outcome;

  ComPtr<IMap> map;
  hook.GetFocusMap(map.put());
  if (!map) ThrowComError(E_POINTER);
  ComPtr<IUnknown> mapSr;
  map->get_SpatialReference(mapSr.put());
  auto sr = QueryAs<ISpatialReference>(mapSr.get());

  auto rasterWorkspace = OpenWorkspaceFromFolder(Bstr(folder.str()));
  auto workspace = RequireInterface<IWorkspace>(rasterWorkspace.get());

  auto stats = CreateHostObject<ILocalOp>(host::CLSID_RasterLocalOp);
  SetEnvironment(stats.get(), workspace.get(), area, sr.get());
  // The statistics and the kept cells are only the way to the points: gone on every ending.
  IntermediateRasters made;
  ComPtr<IGeoDataset>& statsResult = made.stats;
  stats->LocalStatistics(input.get(),
                         isHighest ? kCellStatisticMaximum : kCellStatisticMinimum,
                         statsResult.put());
  if (!statsResult) {
    outcome.areaMissesSurface = true;
    return outcome;
  }

  auto bands = RequireInterface<IRasterBandCollection>(statsResult.get());
  ComPtr<IRasterBand> band;
  bands->Item(0, band.put());
  if (!band) ThrowComError(E_POINTER);
  ComPtr<IRasterStatistics> statistics;
  // No statistics: the area holds no cell with a value.
  if (FAILED(band->get_Statistics(statistics.put())) || !statistics) return outcome;
  double maximum = 0, minimum = 0;
  statistics->get_Maximum(&maximum);
  statistics->get_Minimum(&minimum);
  const double extreme = isHighest ? maximum : minimum;

  auto algebra = CreateHostObject<IMapAlgebraOp>(host::CLSID_RasterMapAlgebraOp);
  SetEnvironment(algebra.get(), workspace.get(), area, sr.get());
  algebra->BindRaster(statsResult.get(), Bstr(kBoundName));
  ComPtr<IGeoDataset>& kept = made.kept;
  algebra->Execute(Bstr(HighLowExpression(extreme, isHighest)), kept.put());
  algebra->UnbindRaster(Bstr(kBoundName));
  if (!kept) return outcome;

  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_ShapefileWorkspaceFactory);
  ComPtr<IWorkspace> shapes;
  factory->OpenFromFile(folder.get(), nullptr, shapes.put());
  if (!shapes) ThrowComError(E_POINTER);
  Bstr name = NextFreeNumberedFileName(folder.str(), isHighest ? L"MaxPt" : L"MinPt", L".shp");

  auto conversion = CreateHostObject<IConversionOp>(host::CLSID_ConversionOp);
  ComPtr<IFeatureClass> points;
  if (conversion->RasterDataToPointFeatureData(kept.get(), shapes.get(), name.get(),
                                               points.put()) == host::E_DATA_TOO_MANY_FEATURES) {
    // A run that cannot finish leaves nothing of its own behind.
    outcome.tooManyPoints = true;
    return outcome;
  }
  if (!points) ThrowComError(E_POINTER);

  std::wstring valueText;
  FormatDoubleAsText(valueText, extreme);
  outcome.layer = CreateMarkerFeatureLayer(points.get(), Bstr(name.str()), Bstr(valueText),
                                           isHighest ? 1 : 0);
  if (!outcome.layer) ThrowComError(E_POINTER);
  map->AddLayer(outcome.layer.get());
  outcome.shapefile = name.str();
  outcome.value = extreme;
  return outcome;
}

}  // namespace velk::corvane
