#include "platform/host/raster_collection.h"

#include <filesystem>
#include <vector>

#include "platform/com/text.h"
#include "platform/host/analysis/raster_clip.h"
#include "platform/host/analysis/raster_mosaic.h"
#include "platform/host/analysis_op_support.h"
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

  // The rasters put together into one GeoTIFF, as the raster dataset's own save does: "GRID" or
  // "TIFF", never over an existing file. An extent with a spatial reference is a region clipped
  // through GDAL's warper onto a grid in that system (bilinear into 32-bit floats when the first
  // raster resamples other than by nearest neighbour); one without is the area, in the rasters'
  // own system, the rasters are cut to; no extent, their union.
  HRESULT SaveAs(BSTR name, IUnknown* workspace, BSTR format, IUnknown** saved) override {
    if (!saved) return E_POINTER;
    *saved = nullptr;
    const std::wstring kind = BstrToWstring(format);
    if (kind != L"GRID" && kind != L"TIFF") return E_INVALIDARG;
    auto ws = QueryAs<IWorkspace>(workspace);
    if (!ws || !name || !*name) return E_INVALIDARG;
    ComPtr<ISpatialReference> sr;
    if (extent_) extent_->get_SpatialReference(sr.put());
    if (rasters_.empty()) return sr ? E_DATA_NOT_FOUND : E_INVALIDARG;
    VELK_TRY
    std::vector<std::string> files;
    for (const auto& r : rasters_) {
      const std::string path = RasterPath(r.get());
      if (path.empty()) return sr ? E_DATA_NOT_FOUND : E_INVALIDARG;
      files.push_back(path);
    }
    const std::string path = (std::filesystem::path(WorkspaceFolder(ws.get())) /
                              ToUtf8(GridDatasetFileName(BstrToWstring(name))))
                                 .string();
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return E_DATA_WRITE_FAILED;
    if (sr) {
      analysis::RasterClipRequest request;
      Check(extent_->QueryCoords(&request.xmin, &request.ymin, &request.xmax, &request.ymax));
      Bstr wkt;
      if (SUCCEEDED(sr->ExportToWkt(&wkt))) request.targetWkt = ToUtf8(wkt.str());
      request.sources = std::move(files);
      LONG mode = kRasterResampleNearest;
      if (auto first = rasters_.front().As<IRasterResampling>()) first->get_ResamplingMode(&mode);
      request.options.bilinear = mode != kRasterResampleNearest;
      if (!analysis::ClipRasters(request, path).empty()) return E_DATA_WRITE_FAILED;
    } else {
      analysis::MosaicOptions options;
      if (extent_) {
        analysis::MosaicBounds b{};
        extent_->QueryCoords(&b.xmin, &b.ymin, &b.xmax, &b.ymax);
        options.bounds = b;
      }
      if (!analysis::MosaicRasters(files, path, options).empty()) return E_DATA_WRITE_FAILED;
    }
    ComPtr<IRasterDataset> out;
    HRESULT hr = OpenRasterFile(path, ws.get(), out.put());
    if (FAILED(hr)) return hr;
    *saved = out.As<IUnknown>().Detach();
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
