#include "platform/host/data/raster_collection.h"

#include <filesystem>
#include <vector>

#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/analysis/raster_clip.h"
#include "platform/host/analysis/raster_mosaic.h"
#include "platform/host/data/analysis_op_support.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/workspace.h"

namespace velk::host {
namespace {

// The first raster's spatial reference, or null.
ComPtr<ISpatialReference> FirstRasterReference(IRasterCollection* c) {
  ComPtr<IRaster> first;
  ComPtr<ISpatialReference> sr;
  if (SUCCEEDED(c->get_Raster(0, first.put())))
    if (auto props = first.As<IRasterProps>()) props->get_SpatialReference(sr.put());
  return sr;
}

// Whether the cancel tracker (may be null) still lets the run go on.
bool KeepGoing(IUnknown* tracker) {
  auto t = QueryAs<ITrackCancel>(tracker);
  VARIANT_BOOL go = VARIANT_TRUE;
  return !t || FAILED(t->Continue(&go)) || go != VARIANT_FALSE;
}

class RasterCollection
    : public ComObjectRoot<RasterCollection, IRasterCollection, ISaveAs, IRasterMosaicProps,
                           IRasterResampling> {
 public:
  using IRasterCollection::QueryInterface;
  HRESULT get_KeepCells(VARIANT_BOOL* keep) override {
    if (!keep) return E_POINTER;
    *keep = ToVariantBool(keepCells_);
    return S_OK;
  }
  HRESULT put_KeepCells(VARIANT_BOOL keep) override {
    keepCells_ = keep != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_Replace(VARIANT_BOOL* replace) override {
    if (!replace) return E_POINTER;
    *replace = ToVariantBool(replace_);
    return S_OK;
  }
  HRESULT put_Replace(VARIANT_BOOL replace) override {
    replace_ = replace != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT putref_CancelTracker(IUnknown* tracker) override {
    tracker_ = ComPtr<IUnknown>(tracker);
    return S_OK;
  }
  IUnknown* CancelTracker() const { return tracker_.get(); }
  HRESULT get_ResamplingMode(LONG* mode) override {
    if (!mode) return E_POINTER;
    *mode = resampling_;
    if (resampling_ < 0) {
      *mode = kRasterResampleNearest;
      if (!rasters_.empty())
        if (auto first = rasters_.front().As<IRasterResampling>()) first->get_ResamplingMode(mode);
    }
    return S_OK;
  }
  HRESULT put_ResamplingMode(LONG mode) override {
    if (mode != kRasterResampleNearest && mode != kRasterResampleBilinear &&
        mode != kRasterResampleCubic)
      return E_INVALIDARG;
    resampling_ = mode;
    return S_OK;
  }
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
    auto ws = QueryAs<IWorkspace>(workspace);
    if (keepCells_) return SaveMosaic(name, ws.get(), kind, saved);
    if (kind != L"GRID" && kind != L"TIFF") return E_INVALIDARG;
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
      get_ResamplingMode(&mode);
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
  HRESULT SaveMosaic(BSTR name, IWorkspace* ws, const std::wstring& kind, IUnknown** saved) {
    struct Format {
      const wchar_t* kind;
      const char* driver;
      const wchar_t* suffix;
    };
    static const Format kFormats[] = {{L"GRID", "GTiff", L""},      {L"TIFF", "GTiff", L".tif"},
                                      {L"IMAGINE", "HFA", L".img"}, {L"NITF", "NITF", L".ntf"},
                                      {L"PCIDSK", "PCIDSK", L".pix"}};
    const Format* f = nullptr;
    for (const auto& k : kFormats)
      if (kind == k.kind) f = &k;
    LONG type = -1;
    if (!f || !ws || !name || !*name || FAILED(ws->get_Type(&type)) || type != kWorkspaceFileSystem)
      return E_INVALIDARG;
    std::wstring file = BstrToWstring(name);
    if (f->kind == std::wstring(L"GRID")) file = GridDatasetFileName(file);
    const std::string path =
        (std::filesystem::path(WorkspaceFolder(ws)) / ToUtf8(file)).string();
    analysis::MosaicOptions options;
    options.format = f->driver;
    std::string error;
    VELK_TRY
    HRESULT hr = WriteCollectionMosaic(this, path, options, &error);
    if (FAILED(hr)) return hr;
    ComPtr<IRasterDataset> out;
    hr = OpenRasterFile(path, ws, out.put());
    if (FAILED(hr)) return hr;
    *saved = out.As<IUnknown>().Detach();
    return S_OK;
    VELK_CATCH
  }

  std::vector<ComPtr<IRaster>> rasters_;
  ComPtr<IEnvelope> extent_;
  bool keepCells_ = false;
  bool replace_ = false;
  LONG resampling_ = -1;
  ComPtr<IUnknown> tracker_;
};

}  // namespace

HRESULT WriteCollectionMosaic(IRasterCollection* collection, const std::string& output,
                              analysis::MosaicOptions options, std::string* error) {
  auto* self = dynamic_cast<RasterCollection*>(collection);
  if (!self) return E_INVALIDARG;
  LONG count = 0;
  collection->get_RasterCount(&count);
  if (count == 0) return E_DATA_NOT_FOUND;
  std::vector<std::string> files;
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IRaster> r;
    collection->get_Raster(i, r.put());
    const std::string path = RasterPath(r.get());
    if (path.empty()) return E_DATA_NOT_FOUND;
    files.push_back(path);
  }
  ComPtr<IEnvelope> extent;
  collection->get_Extent(extent.put());
  if (extent) {
    // The region in the rasters' own system: the grid is cut, never warped.
    ComPtr<ISpatialReference> own = FirstRasterReference(collection);
    ComPtr<ISpatialReference> given;
    extent->get_SpatialReference(given.put());
    VARIANT_BOOL same = VARIANT_TRUE;
    if (own && given && SUCCEEDED(own->IsSame(given.get(), &same)) && !same)
      Check(extent->Project(own.get()));
    analysis::MosaicBounds b{};
    Check(extent->QueryCoords(&b.xmin, &b.ymin, &b.xmax, &b.ymax));
    options.bounds = b;
  }
  options.firstBandOnly = false;
  VARIANT_BOOL replace = VARIANT_FALSE;
  self->get_Replace(&replace);
  options.replace = replace != VARIANT_FALSE;
  bool cancelled = false;
  IUnknown* tracker = self->CancelTracker();
  if (tracker) {
    options.progress = [tracker, &cancelled](double) {
      cancelled = !KeepGoing(tracker);
      return !cancelled;
    };
  }
  std::string reason = analysis::MosaicRasters(files, output, options);
  if (error) *error = reason;
  if (reason.empty()) return S_OK;
  return cancelled ? E_ABORT : E_DATA_WRITE_FAILED;
}

HRESULT CreateRasterCollectionObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterCollection>(outer, riid, ppv);
}

}  // namespace velk::host
