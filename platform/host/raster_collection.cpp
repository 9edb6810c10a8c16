#include "platform/host/raster_collection.h"

#include <vector>

#include "platform/com/text.h"
#include "platform/host/analysis/raster_clip.h"
#include "platform/host/analysis/surface_preparation.h"
#include "platform/host/data_errors.h"
#include "platform/host/geometry.h"
#include "platform/host/raster.h"
#include "platform/host/raster_objects.h"
#include "platform/host/spatial_reference.h"
#include "platform/host/workspace.h"

namespace velk::host {
namespace {

class RasterCollection : public ComObjectRoot<RasterCollection, IRasterCollection, ISaveAs> {
 public:
  using IRasterCollection::QueryInterface;
  HRESULT get_RasterCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(rasters_.size());
    return S_OK;
  }
  HRESULT get_Raster(LONG index, IRaster** raster) override {
    if (!raster) return E_POINTER;
    *raster = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= rasters_.size()) return E_INVALIDARG;
    return rasters_[static_cast<std::size_t>(index)].CopyTo(raster);
  }
  HRESULT Append(IRaster* raster) override {
    if (!raster) return E_POINTER;
    rasters_.emplace_back(raster);
    return S_OK;
  }
  HRESULT get_Extent(IEnvelope** extent) override {
    if (!extent) return E_POINTER;
    *extent = nullptr;
    return extent_ ? extent_->get_Envelope(extent) : S_OK;
  }
  HRESULT putref_Extent(IEnvelope* extent) override {
    if (!extent) {
      extent_.Reset();
      return S_OK;
    }
    VARIANT_BOOL empty = VARIANT_TRUE;
    if (FAILED(extent->get_IsEmpty(&empty)) || empty) return E_INVALIDARG;
    ComPtr<IEnvelope> copy;
    HRESULT hr = extent->get_Envelope(copy.put());
    if (FAILED(hr)) return hr;
    extent_ = copy;
    return S_OK;
  }

 // ISaveAs
  HRESULT SaveAs(BSTR name, IUnknown* workspace, BSTR format, IUnknown** saved) override {
    if (!saved) return E_POINTER;
    *saved = nullptr;
    if (BstrToWstring(format) != L"GRID" || !name || !*name || !extent_) return E_INVALIDARG;
    auto ws = QueryAs<IWorkspace>(workspace);
    if (!ws) return E_INVALIDARG;
    if (rasters_.empty()) return E_DATA_NOT_FOUND;
    VELK_TRY
    Bstr folder;
    Check(ws->get_PathName(&folder));
    analysis::RasterClipRequest request;
    Check(extent_->QueryCoords(&request.xmin, &request.ymin, &request.xmax, &request.ymax));
    ComPtr<ISpatialReference> sr;
    extent_->get_SpatialReference(sr.put());
    if (sr) {
      Bstr wkt;
      if (SUCCEEDED(sr->ExportToWkt(&wkt))) request.targetWkt = ToUtf8(wkt.str());
    }
    for (const auto& raster : rasters_) {
      ComPtr<IRasterDataset> dataset;
      Bstr path;
      if (FAILED(raster->get_RasterDataset(dataset.put())) || !dataset ||
          FAILED(dataset->get_CompleteName(&path)))
        return E_DATA_NOT_FOUND;
      request.sources.push_back(ToUtf8(path.str()));
    }
    LONG mode = kRasterResampleNearest;
    if (auto first = rasters_.front().As<IRasterResampling>()) first->get_ResamplingMode(&mode);
    request.options.bilinear = mode != kRasterResampleNearest;
    const std::string out =
        analysis::GridRasterPath(ToUtf8(folder.str()), ToUtf8(BstrToWstring(name)));
    if (!analysis::ClipRasters(request, out).empty()) return E_DATA_WRITE_FAILED;
    ComPtr<IRasterDataset> dataset;
    Check(OpenRasterFile(out, ws.get(), dataset.put()));
    *saved = dataset.As<IUnknown>().Detach();
    return S_OK;
    VELK_CATCH
  }

 private:
  std::vector<ComPtr<IRaster>> rasters_;
  ComPtr<IEnvelope> extent_;
};

}  // namespace

HRESULT CreateRasterCollectionObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterCollection>(outer, riid, ppv);
}

}  // namespace velk::host
