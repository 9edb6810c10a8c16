#include "terrain/radial/visibility_coverage.h"

#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/scratch_folder.h"
#include "platform/com/variant.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/property_set.h"
#include "platform/host/data/raster_analysis_environment.h"
#include "platform/host/operations/surface_analysis.h"
#include "platform/host/data/workspace.h"

namespace velk::corvane {

namespace {
constexpr LONG kVisibilityKind = 1;
}

VisibilityCoverage ComputeVisibilityCoverage(const std::wstring& workFolder, IRaster* prepared,
                                             IFeatureClass* observers, double cellSize,
                                             double refraction,
                                             const std::function<bool(double)>& progress) {
  if (!prepared || !observers) return {};
  const Bstr name = NextFreeNumberedFileName(workFolder, L"loscov", L".shp");
  auto rasterWorkspace = QueryAs<IWorkspace>(OpenWorkspaceFromFolder(Bstr(workFolder)).get());
  if (!rasterWorkspace) return {};

  auto op = CreateHostObject<ISurfaceOp>(host::CLSID_RasterSurfaceOp);
  auto env = RequireInterface<IRasterAnalysisEnvironment>(op.get());
  Check(env->putref_OutWorkspace(rasterWorkspace.get()));
  Variant size(cellSize);
  env->SetCellSize(kCellSizeValue, &size);
  env->SetExtent(kExtentIntersectionOfInputs, nullptr, nullptr);

  ComPtr<IRasterDataset> dataset;
  prepared->get_RasterDataset(dataset.put());
  auto surface = QueryAs<IGeoDataset>(dataset.get());
  auto points = QueryAs<IGeoDataset>(observers);
  if (!surface || !points) return {};
  Variant curvature(1.0), k(refraction);
  if (auto watched = QueryAs<IAnalysisProgress>(op.get())) watched->SetProgress(progress);
  ComPtr<IGeoDataset> visibility;
  op->Visibility(surface.get(), points.get(), kVisibilityKind, &curvature, &k, visibility.put());

  ComPtr<IFeatureClass> coverage;
  if (visibility) {
    auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_ShapefileWorkspaceFactory);
    ComPtr<IWorkspace> shapes;
    factory->OpenFromFile(Bstr(workFolder), nullptr, shapes.put());
    if (shapes) {
      auto convert = CreateHostObject<IConversionOp>(host::CLSID_ConversionOp);
      ComPtr<IGeoDataset> polygons;
      convert->RasterDataToPolygonFeatureData(visibility.get(), shapes.get(), name.get(),
                                              VARIANT_FALSE, polygons.put());
      coverage = QueryAs<IFeatureClass>(polygons.get());
    }
  }
  Check(env->putref_OutWorkspace(nullptr));
  return {visibility, coverage};
}

}  // namespace velk::corvane
