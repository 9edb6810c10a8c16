#include "layers/clip_catalog_region.h"

#include <filesystem>
#include <map>

#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/raster.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/data/raster_collection.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/table.h"
#include "platform/host/data/workspace.h"
#include "platform/registry/host_object_creation.h"

namespace velk::lumeris {

namespace {

constexpr LONG kGeographicWgs84 = 4326;

// The envelope's centre in geographic degrees.
ComPtr<IPoint> CentreInDegrees(IEnvelope* envelope) {
  ComPtr<IPoint> centre;
  Check(envelope->get_Center(centre.put()));
  if (!centre) ThrowComError(E_POINTER);
  ComPtr<ISpatialReference> sr;
  centre->get_SpatialReference(sr.put());
  if (QueryAs<IProjectedCoordinateSystem>(sr.get())) {
    auto factory = CreateHostObject<ISpatialReferenceFactory>(host::CLSID_SpatialReferenceFactory);
    ComPtr<IGeographicCoordinateSystem> gcs;
    Check(factory->CreateGeographicCoordinateSystem(kGeographicWgs84, gcs.put()));
    Check(centre->Project(gcs.get()));
  }
  return centre;
}

ComPtr<ISpatialReference> AzimuthalEquidistantAt(IPoint* centre) {
  auto factory = CreateHostObject<ISpatialReferenceFactory>(host::CLSID_SpatialReferenceFactory);
  ComPtr<IProjectedCoordinateSystem> pcs;
  Check(factory->CreateProjectedCoordinateSystem(kFactoryCodeWorldAzimuthalEquidistant, pcs.put()));
  double x = 0, y = 0;
  Check(centre->QueryCoords(&x, &y));
  Check(pcs->put_CentralMeridian(VARIANT_TRUE, x));
  Check(pcs->put_LatitudeOfOrigin(y));
  return pcs.As<ISpatialReference>();
}

// Opens the raster files of catalog rows through one raster workspace per folder.
class RowRasters {
 public:
  ComPtr<IRasterDataset> Open(const std::wstring& path) {
    const std::filesystem::path p(ToUtf8(path));
    const std::wstring folder = FromUtf8(p.parent_path().string());
    auto it = workspaces_.find(folder);
    if (it == workspaces_.end()) {
      ComPtr<IWorkspace> ws;
      factory_->OpenFromFile(Bstr(folder), nullptr, ws.put());
      it = workspaces_.emplace(folder, ws).first;
    }
    ComPtr<IRasterDataset> dataset;
    if (auto rasters = it->second.As<IRasterWorkspace>())
      rasters->OpenRasterDataset(Bstr(FromUtf8(p.filename().string())), dataset.put());
    return dataset;
  }

 private:
  ComPtr<IWorkspaceFactory> factory_ =
      CreateHostObject<IWorkspaceFactory>(host::CLSID_RasterWorkspaceFactory);
  std::map<std::wstring, ComPtr<IWorkspace>> workspaces_;
};

}  // namespace

HRESULT ClipCatalogRegion(IEnvelope* envelope, BSTR folder, BSTR name, VARIANT_BOOL reproject,
                          IUnknown* catalogObject, IUnknown* catalogLayer, IGeoDataset** geoDataset,
                          LONG rasterMode) {
  if (!geoDataset) return E_POINTER;
  *geoDataset = nullptr;
  ComPtr<IUnknown> heldCatalog(catalogObject);
  VELK_TRY
  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_RasterWorkspaceFactory);
  ComPtr<IWorkspace> workspace;
  if (FAILED(factory->OpenFromFile(folder, nullptr, workspace.put())) || !workspace)
    return E_INVALIDARG;
  if (!envelope) return E_INVALIDARG;
  ComPtr<IPoint> centre = CentreInDegrees(envelope);
  auto collection = CreateHostObject<IRasterCollection>(host::CLSID_RasterCollection);

  auto layer = RequireInterface<IRasterCatalogLayer>(catalogLayer);
  ComPtr<ITable> table;
  Check(layer->get_Table(table.put()));
  auto features = RequireInterface<IFeatureClass>(table.get());
  Bstr shapeField, pathField;
  Check(features->get_ShapeFieldName(&shapeField));
  Check(layer->get_RasterPathField(&pathField));
  LONG pathIndex = -1;
  Check(table->FindField(pathField, &pathIndex));
  if (pathIndex < 0) ThrowComError(E_POINTER);

  ComPtr<ISpatialReference> envelopeSr;
  envelope->get_SpatialReference(envelopeSr.put());
  auto filter = CreateHostObject<ISpatialFilter>(host::CLSID_SpatialFilter);
  Check(filter->putref_Geometry(envelope));
  Check(filter->put_SpatialRel(kSpatialRelIntersects));
  Check(filter->put_GeometryField(shapeField));
  Check(filter->putref_OutputSpatialReference(envelopeSr.get()));
  ComPtr<ICursor> cursor;
  Check(table->Search(filter.get(), VARIANT_FALSE, cursor.put()));
  if (!cursor) ThrowComError(E_POINTER);
  RowRasters rasters;
  ComPtr<IRow> row;
  while (cursor->NextRow(row.put()) == S_OK && row) {
    Variant value;
    if (FAILED(row->get_Value(pathIndex, &value)) || value.vt != VT_BSTR) continue;
    ComPtr<IRasterDataset> dataset = rasters.Open(BstrToWstring(value.bstrVal));
    ComPtr<IRaster> raster;
    if (!dataset || FAILED(dataset->CreateDefaultRaster(raster.put())) || !raster) continue;
    if (auto resampling = raster.As<IRasterResampling>())
      resampling->put_ResamplingMode(rasterMode == kClipElevationRasters ? kRasterResampleBilinear
                                                                         : kRasterResampleNearest);
    Check(collection->Append(raster.get()));
  }

  ComPtr<ISpatialReference> target;
  if (reproject) {
    target = AzimuthalEquidistantAt(centre.get());
  } else {
    auto geo = RequireInterface<IGeoDataset>(table.get());
    Check(geo->get_SpatialReference(target.put()));
  }
  ComPtr<IEnvelope> extent;
  Check(envelope->get_Envelope(extent.put()));
  if (!extent) ThrowComError(E_POINTER);
  if (target) Check(extent->Project(target.get()));
  Check(collection->putref_Extent(extent.get()));

  ComPtr<IUnknown> saved;
  HRESULT hr = RequireInterface<ISaveAs>(collection.get())
                   ->SaveAs(name, workspace.As<IUnknown>().get(), Bstr(L"GRID"), saved.put());
  if (FAILED(hr)) return hr;
  auto out = RequireInterface<IGeoDataset>(saved.get());
  *geoDataset = out.Detach();
  return S_OK;
  VELK_CATCH
}

}  // namespace velk::lumeris
