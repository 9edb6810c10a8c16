#include "platform/host/data/raster_objects.h"

#include <cmath>
#include <filesystem>
#include <vector>
#include <unistd.h>

#include <gdal_priv.h>

#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/gdal_dataset_handle.h"
#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/host/data/surface_sight_line.h"
#include "platform/host/data/workspace_objects.h"

namespace velk::host {

namespace {

template <class Base, class Via, class Self>
bool Answer(Self* self, REFIID riid, void** ppv) {
  if (riid != IidOf<Base>()) return false;
  *ppv = static_cast<Base*>(static_cast<Via*>(self));
  static_cast<IUnknown*>(*ppv)->AddRef();
  return true;
}

// Placement of a GDAL raster: size, geotransform, reference, no-data of a band.
struct Grid {
  int width = 0;
  int height = 0;
  double gt[6] = {0, 1, 0, 0, 0, -1};
  double inv[6] = {0, 1, 0, 0, 0, -1};
  ComPtr<ISpatialReference> sr;

  explicit Grid(GDALDataset* ds) {
    width = ds->GetRasterXSize();
    height = ds->GetRasterYSize();
    if (ds->GetGeoTransform(gt) != CE_None) {
      gt[0] = 0;
      gt[1] = 1;
      gt[2] = 0;
      gt[3] = 0;
      gt[4] = 0;
      gt[5] = -1;
    }
    if (!GDALInvGeoTransform(gt, inv)) {
      inv[0] = inv[2] = inv[3] = inv[4] = 0;
      inv[1] = inv[5] = 0;
    }
    sr = WrapSrs(ds->GetSpatialRef());
  }
  void Extent(double& x0, double& y0, double& x1, double& y1) const {
    double xs[4], ys[4];
    int k = 0;
    for (int r : {0, height})
      for (int c : {0, width}) {
        xs[k] = gt[0] + c * gt[1] + r * gt[2];
        ys[k] = gt[3] + c * gt[4] + r * gt[5];
        ++k;
      }
    x0 = std::min(std::min(xs[0], xs[1]), std::min(xs[2], xs[3]));
    x1 = std::max(std::max(xs[0], xs[1]), std::max(xs[2], xs[3]));
    y0 = std::min(std::min(ys[0], ys[1]), std::min(ys[2], ys[3]));
    y1 = std::max(std::max(ys[0], ys[1]), std::max(ys[2], ys[3]));
  }
  // The cell holding the location; false outside the raster.
  bool Cell(double x, double y, int& col, int& row) const {
    double px = inv[0] + x * inv[1] + y * inv[2];
    double py = inv[3] + x * inv[4] + y * inv[5];
    if (!std::isfinite(px) || !std::isfinite(py)) return false;
    double fc = std::floor(px), fr = std::floor(py);
    if (fc < 0 || fr < 0 || fc >= width || fr >= height) return false;
    col = static_cast<int>(fc);
    row = static_cast<int>(fr);
    return true;
  }
};

LONG PixelTypeOf(GDALDataType t) {
  switch (t) {
    case GDT_Byte: return kPixelU8;
    case GDT_Int16: return kPixelS16;
    case GDT_UInt16: return kPixelU16;
    case GDT_Int32: return kPixelS32;
    case GDT_UInt32: return kPixelU32;
    case GDT_Float32: return kPixelFloat;
    case GDT_Float64: return kPixelDouble;
    default: return kPixelUnknown;
  }
}

// Props shared by the raster and the band objects (band 1 stands for the raster).
template <class Derived>
class PropsImpl {
 public:
  HRESULT PropsWidth(LONG* v) {
    if (!v) return E_POINTER;
    *v = Ds()->GetRasterXSize();
    return S_OK;
  }
  HRESULT PropsHeight(LONG* v) {
    if (!v) return E_POINTER;
    *v = Ds()->GetRasterYSize();
    return S_OK;
  }
  HRESULT PropsExtent(IEnvelope** extent) {
    if (!extent) return E_POINTER;
    *extent = nullptr;
    VELK_TRY
    Grid g(Ds());
    double x0, y0, x1, y1;
    g.Extent(x0, y0, x1, y1);
    *extent = NewEnvelope(x0, y0, x1, y1, g.sr.get()).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT PropsReference(ISpatialReference** sr) {
    if (!sr) return E_POINTER;
    VELK_TRY
    *sr = WrapSrs(Ds()->GetSpatialRef()).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT PropsCellSize(double* cx, double* cy) {
    if (!cx || !cy) return E_POINTER;
    Grid g(Ds());
    *cx = std::hypot(g.gt[1], g.gt[4]);
    *cy = std::hypot(g.gt[2], g.gt[5]);
    return S_OK;
  }
  HRESULT PropsNoData(VARIANT* value) {
    if (!value) return E_POINTER;
    VariantInit(value);
    int has = FALSE;
    double nd = Band()->GetNoDataValue(&has);
    if (has) {
      value->vt = VT_R8;
      value->dblVal = nd;
    }
    return S_OK;
  }
  HRESULT PropsPixelType(LONG* type) {
    if (!type) return E_POINTER;
    *type = PixelTypeOf(Band()->GetRasterDataType());
    return S_OK;
  }

 private:
  GDALDataset* Ds() { return static_cast<Derived*>(this)->Handle()->get(); }
  GDALRasterBand* Band() { return Ds()->GetRasterBand(static_cast<Derived*>(this)->BandNumber()); }
};

#define VELK_RASTER_PROPS                                                                      \
  HRESULT get_Width(LONG* v) override { return PropsWidth(v); }                                \
  HRESULT get_Height(LONG* v) override { return PropsHeight(v); }                              \
  HRESULT get_Extent(IEnvelope** e) override { return PropsExtent(e); }                        \
  HRESULT get_SpatialReference(ISpatialReference** sr) override { return PropsReference(sr); } \
  HRESULT QueryCellSize(double* cx, double* cy) override { return PropsCellSize(cx, cy); }     \
  HRESULT get_NoDataValue(VARIANT* v) override { return PropsNoData(v); }                      \
  HRESULT get_PixelType(LONG* t) override { return PropsPixelType(t); }

class RasterStatisticsObject : public ComObjectRoot<RasterStatisticsObject, IRasterStatistics> {
 public:
  void Init(double mn, double mx, double mean, double sd) {
    min_ = mn;
    max_ = mx;
    mean_ = mean;
    sd_ = sd;
  }
  HRESULT get_Minimum(double* v) override { return Out(v, min_); }
  HRESULT get_Maximum(double* v) override { return Out(v, max_); }
  HRESULT get_Mean(double* v) override { return Out(v, mean_); }
  HRESULT get_StandardDeviation(double* v) override { return Out(v, sd_); }

 private:
  static HRESULT Out(double* out, double v) {
    if (!out) return E_POINTER;
    *out = v;
    return S_OK;
  }
  double min_ = 0, max_ = 0, mean_ = 0, sd_ = 0;
};

// Platform-internal: the GDAL band behind a band object.
struct IRasterBandData : IUnknown {
  VELK_INTERFACE_ID("{0DC8F6EA-8A6F-42C8-8679-92A0208164ED}")
  virtual const DatasetPtr& Handle() = 0;
  virtual int BandNumber() = 0;
};

// A band is also a one-band raster and a geodataset of its own (its extent and spatial
// reference are those of IRasterProps).
class RasterBandObject : public ComObjectRoot<RasterBandObject, IRasterBand, IRasterProps,
                                              IRasterBandData, IRaster, IGeoDataset>,
                         public PropsImpl<RasterBandObject> {
 public:
  using IRasterBand::QueryInterface;
  void Init(DatasetPtr handle, int band, IRasterDataset* dataset) {
    handle_ = std::move(handle);
    band_ = band;
    dataset_ = dataset;
  }
  const DatasetPtr& Handle() override { return handle_; }
  int BandNumber() override { return band_; }
  VELK_RASTER_PROPS

  HRESULT get_Statistics(IRasterStatistics** stats) override {
    if (!stats) return E_POINTER;
    *stats = nullptr;
    if (!statsKnown_) {
      GDALRasterBand* b = handle_->get()->GetRasterBand(band_);
      CPLPushErrorHandler(CPLQuietErrorHandler);
      // Statistics stored with the raster (the analysis operators store theirs) are taken as
      // they are; else every cell is read.
      CPLErr err = b->GetStatistics(FALSE, FALSE, &min_, &max_, &mean_, &sd_);
      if (err != CE_None)
        err = b->ComputeStatistics(FALSE, &min_, &max_, &mean_, &sd_, nullptr, nullptr);
      CPLPopErrorHandler();
      if (err != CE_None) return E_FAIL;  // no valid cell
      statsKnown_ = true;
    }
    ComObject<RasterStatisticsObject>* s = nullptr;
    HRESULT hr = ComObject<RasterStatisticsObject>::Create(&s);
    if (FAILED(hr)) return hr;
    s->Init(min_, max_, mean_, sd_);
    *stats = s;
    return S_OK;
  }
  HRESULT get_RasterDataset(IRasterDataset** dataset) override { return dataset_.CopyTo(dataset); }
  HRESULT ReadBlock(LONG column, LONG row, LONG columns, LONG rows, double* values) override {
    if (!values) return E_POINTER;
    GDALDataset* ds = handle_->get();
    if (column < 0 || row < 0 || columns <= 0 || rows <= 0 ||
        column + columns > ds->GetRasterXSize() || row + rows > ds->GetRasterYSize())
      return E_INVALIDARG;
    GDALRasterBand* b = ds->GetRasterBand(band_);
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErr err = b->RasterIO(GF_Read, column, row, columns, rows, values, columns, rows,
                             GDT_Float64, 0, 0, nullptr);
    CPLPopErrorHandler();
    if (err != CE_None) return E_DATA_UNREADABLE;
    int has = FALSE;
    double nd = b->GetNoDataValue(&has);
    if (has) {
      std::size_t n = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
      for (std::size_t i = 0; i < n; ++i)
        if (values[i] == nd) values[i] = kNaN;
    }
    return S_OK;
  }

 private:
  DatasetPtr handle_;
  int band_ = 1;
  ComPtr<IRasterDataset> dataset_;
  bool statsKnown_ = false;
  double min_ = 0, max_ = 0, mean_ = 0, sd_ = 0;
};

template <class Self>
HRESULT BandItem(Self* self, const DatasetPtr& handle, IRasterDataset* dataset, LONG index,
                 IRasterBand** band) {
  (void)self;
  if (!band) return E_POINTER;
  *band = nullptr;
  if (index < 0 || index >= handle->get()->GetRasterCount()) return E_INVALIDARG;
  ComObject<RasterBandObject>* b = nullptr;
  HRESULT hr = ComObject<RasterBandObject>::Create(&b);
  if (FAILED(hr)) return hr;
  b->Init(handle, index + 1, dataset);
  *band = b;
  return S_OK;
}

class RasterObject
    : public ComObjectRoot<RasterObject, IRaster, IRasterProps, IRasterBandCollection,
                           IRasterResampling, IGeoDataset>,
      public PropsImpl<RasterObject> {
 public:
  using IRaster::QueryInterface;
  HRESULT get_ResamplingMode(LONG* mode) override {
    if (!mode) return E_POINTER;
    *mode = resampling_;
    return S_OK;
  }
  HRESULT put_ResamplingMode(LONG mode) override {
    if (mode < kRasterResampleNearest || mode > kRasterResampleCubic) return E_INVALIDARG;
    resampling_ = mode;
    return S_OK;
  }
  void Init(DatasetPtr handle, IRasterDataset* dataset) {
    handle_ = std::move(handle);
    dataset_ = dataset;
  }
  const DatasetPtr& Handle() { return handle_; }
  int BandNumber() { return 1; }
  VELK_RASTER_PROPS
  HRESULT get_RasterDataset(IRasterDataset** dataset) override { return dataset_.CopyTo(dataset); }
  HRESULT get_Count(LONG* count) override {
    if (!count) return E_POINTER;
    *count = handle_->get()->GetRasterCount();
    return S_OK;
  }
  HRESULT Item(LONG index, IRasterBand** band) override {
    return BandItem(this, handle_, dataset_.get(), index, band);
  }

 private:
  DatasetPtr handle_;
  ComPtr<IRasterDataset> dataset_;
  LONG resampling_ = kRasterResampleNearest;
};

class RasterDatasetObject
    : public ComObjectRoot<RasterDatasetObject, IRasterDataset, IDataset, IGeoDataset,
                           IRasterBandCollection, ITemporaryDataset, ISaveAs> {
 public:
  using IRasterDataset::QueryInterface;
  void Init(DatasetPtr handle, IWorkspace* workspace, bool temporary) {
    handle_ = std::move(handle);
    workspace_ = workspace;
    temporary_ = temporary;
  }
  // ITemporaryDataset
  HRESULT get_IsTemporary(VARIANT_BOOL* temporary) override {
    if (!temporary) return E_POINTER;
    *temporary = ToVariantBool(temporary_);
    return S_OK;
  }
  // ISaveAs
  HRESULT SaveAs(BSTR name, IUnknown* workspace, BSTR format, IUnknown** saved) override {
    if (!saved) return E_POINTER;
    *saved = nullptr;
    if (!handle_->get()) return E_DATA_NOT_FOUND;
    const std::wstring kind = BstrToWstring(format);
    if (kind != L"GRID" && kind != L"TIFF") return E_INVALIDARG;
    auto ws = QueryAs<IWorkspace>(workspace);
    if (!ws || !name || !*name) return E_INVALIDARG;
    VELK_TRY
    Bstr folder;
    HRESULT hr = ws->get_PathName(&folder);
    if (FAILED(hr)) return hr;
    const std::string path = (std::filesystem::path(ToUtf8(BstrToWstring(folder.get()))) /
                              ToUtf8(GridDatasetFileName(BstrToWstring(name))))
                                 .string();
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return E_DATA_WRITE_FAILED;
    GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
    if (!gtiff) return E_DATA_WRITE_FAILED;
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
    GDALDataset* copy =
        gtiff->CreateCopy(path.c_str(), handle_->get(), FALSE, nullptr, nullptr, nullptr);
    bool ok = copy != nullptr;
    if (copy) {
      copy->FlushCache();
      ok = CPLGetLastErrorType() != CE_Failure;
    }
    if (copy) GDALClose(copy);
    if (!ok) gtiff->Delete(path.c_str());
    CPLPopErrorHandler();
    if (!ok) {
      std::filesystem::remove(path, ec);
      return E_DATA_WRITE_FAILED;
    }
    ComPtr<IRasterDataset> out;
    hr = OpenRasterFile(path, ws.get(), out.put());
    if (FAILED(hr)) return hr;
    *saved = out.As<IUnknown>().Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT get_Format(BSTR* format) override {
    if (!format) return E_POINTER;
    if (!handle_->get()) return E_DATA_NOT_FOUND;
    *format = AllocBstr(FromUtf8(handle_->get()->GetDriver()->GetDescription()));
    return S_OK;
  }
  HRESULT get_CompleteName(BSTR* path) override {
    if (!path) return E_POINTER;
    *path = AllocBstr(FromUtf8(handle_->path()));
    return S_OK;
  }
  HRESULT CreateDefaultRaster(IRaster** raster) override {
    if (!raster) return E_POINTER;
    *raster = nullptr;
    if (!handle_->get()) return E_DATA_NOT_FOUND;
    ComObject<RasterObject>* r = nullptr;
    HRESULT hr = ComObject<RasterObject>::Create(&r);
    if (FAILED(hr)) return hr;
    r->Init(handle_, this);
    *raster = r;
    return S_OK;
  }
  // IDataset
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(FromUtf8(std::filesystem::path(handle_->path()).filename().string()));
    return S_OK;
  }
  HRESULT get_Type(LONG* type) override {
    if (!type) return E_POINTER;
    *type = kDatasetRasterDataset;
    return S_OK;
  }
  HRESULT get_Workspace(IWorkspace** workspace) override { return workspace_.CopyTo(workspace); }
  HRESULT get_FullName(IName** name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    VELK_TRY
    std::filesystem::path p(handle_->path());
    *name =
        RasterDatasetFullName(FromUtf8(p.parent_path().string()), FromUtf8(p.filename().string()))
            .Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT CanDelete(VARIANT_BOOL* can) override {
    if (!can) return E_POINTER;
    *can = ToVariantBool(
        handle_->get() &&
        access(std::filesystem::path(handle_->path()).parent_path().c_str(), W_OK) == 0);
    return S_OK;
  }
  HRESULT Delete() override {
    if (!handle_->get()) return E_DATA_NOT_FOUND;
    GDALDriver* driver = handle_->get()->GetDriver();
    std::string path = handle_->path();
    handle_->Close();  // bands and rasters of this dataset are unusable from here on
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErr err = driver->Delete(path.c_str());
    CPLPopErrorHandler();
    return err == CE_None ? S_OK : E_DATA_WRITE_FAILED;
  }
  HRESULT CanRename(VARIANT_BOOL* can) override {
    if (!can) return E_POINTER;
    *can = VARIANT_FALSE;
    return S_OK;
  }
  HRESULT Rename(BSTR) override { return E_NOTIMPL; }
  // IGeoDataset (IRasterDataset and IDataset share no method of it)
  HRESULT get_SpatialReference(ISpatialReference** sr) override {
    if (!sr) return E_POINTER;
    if (!handle_->get()) return E_DATA_NOT_FOUND;
    VELK_TRY
    *sr = WrapSrs(handle_->get()->GetSpatialRef()).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT get_Extent(IEnvelope** extent) override {
    if (!extent) return E_POINTER;
    *extent = nullptr;
    if (!handle_->get()) return E_DATA_NOT_FOUND;
    VELK_TRY
    Grid g(handle_->get());
    double x0, y0, x1, y1;
    g.Extent(x0, y0, x1, y1);
    *extent = NewEnvelope(x0, y0, x1, y1, g.sr.get()).Detach();
    return S_OK;
    VELK_CATCH
  }
  // IRasterBandCollection
  HRESULT get_Count(LONG* count) override {
    if (!count) return E_POINTER;
    *count = handle_->get() ? handle_->get()->GetRasterCount() : 0;
    return S_OK;
  }
  HRESULT Item(LONG index, IRasterBand** band) override {
    if (!handle_->get()) return E_DATA_NOT_FOUND;
    return BandItem(this, handle_, this, index, band);
  }

 private:
  DatasetPtr handle_;
  ComPtr<IWorkspace> workspace_;
  bool temporary_ = false;
};

class RasterSurfaceObject : public ComObjectRoot<RasterSurfaceObject, ISurface, IRasterSurface> {
 public:
  using ISurface::QueryInterface;
  HRESULT get_RasterBand(IRasterBand** band) override { return band_.CopyTo(band); }
  HRESULT putref_RasterBand(IRasterBand* band) override {
    auto data = QueryAs<IRasterBandData>(band);
    if (band && !data) return E_INVALIDARG;
    band_ = band;
    handle_ = data ? data->Handle() : nullptr;
    bandNumber_ = data ? data->BandNumber() : 0;
    grid_.reset();
    if (handle_ && handle_->get()) {
      grid_ = std::make_unique<Grid>(handle_->get());
      GDALRasterBand* b = handle_->get()->GetRasterBand(bandNumber_);
      int has = FALSE;
      noData_ = b->GetNoDataValue(&has);
      hasNoData_ = has != 0;
    }
    return S_OK;
  }

  HRESULT GetElevation(IPoint* point, double* z) override {
    if (!z) return E_POINTER;
    *z = kNaN;
    GeomData* d = DataOf(point);
    if (!d || d->type != kGeometryPoint) return E_POINTER;
    if (!grid_) return E_FAIL;
    if (d->IsEmpty()) return S_OK;
    double x = d->parts[0][0].x, y = d->parts[0][0].y;
    if (SrsOf(d->sr.get()) && SrsOf(grid_->sr.get()) &&
        !SameReference(d->sr.get(), grid_->sr.get())) {
      std::vector<double> xs{x}, ys{y};
      if (!TransformXY(d->sr.get(), grid_->sr.get(), xs, ys))
        return S_OK;  // cannot be placed: no elevation
      x = xs[0];
      y = ys[0];
    }
    return GetElevationAt(x, y, z);
  }
  HRESULT GetElevationAt(double x, double y, double* z) override {
    if (!z) return E_POINTER;
    *z = kNaN;
    if (!grid_) return E_FAIL;
    int col = 0, row = 0;
    if (!grid_->Cell(x, y, col, row)) return S_OK;
    double v = kNaN;
    GDALRasterBand* b = handle_->get()->GetRasterBand(bandNumber_);
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErr err = b->RasterIO(GF_Read, col, row, 1, 1, &v, 1, 1, GDT_Float64, 0, 0, nullptr);
    CPLPopErrorHandler();
    if (err != CE_None) return E_DATA_UNREADABLE;
    if ((hasNoData_ && v == noData_) || std::isnan(v)) return S_OK;
    *z = v * zFactor_;
    return S_OK;
  }
  HRESULT IsVoidZ(double z, VARIANT_BOOL* isVoid) override {
    if (!isVoid) return E_POINTER;
    *isVoid = ToVariantBool(std::isnan(z));
    return S_OK;
  }
  HRESULT get_ZFactor(double* f) override {
    if (!f) return E_POINTER;
    *f = zFactor_;
    return S_OK;
  }
  HRESULT put_ZFactor(double f) override {
    if (!std::isfinite(f)) return E_INVALIDARG;
    zFactor_ = f;
    return S_OK;
  }
  HRESULT get_Extent(IEnvelope** extent) override {
    if (!extent) return E_POINTER;
    *extent = nullptr;
    if (!grid_) return E_FAIL;
    VELK_TRY
    double x0, y0, x1, y1;
    grid_->Extent(x0, y0, x1, y1);
    *extent = NewEnvelope(x0, y0, x1, y1, grid_->sr.get()).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT get_Domain(IPolygon** domain) override {
    if (!domain) return E_POINTER;
    *domain = nullptr;
    if (!grid_) return E_FAIL;
    VELK_TRY
    double x0, y0, x1, y1;
    grid_->Extent(x0, y0, x1, y1);
    GeomData d;
    d.type = kGeometryPolygon;
    d.parts = {{Vertex{x0, y0}, Vertex{x0, y1}, Vertex{x1, y1}, Vertex{x1, y0}, Vertex{x0, y0}}};
    d.sr = grid_->sr;
    ComPtr<IGeometry> g = MakeGeometry(std::move(d));
    return g->QueryInterface(IidOf<IPolygon>(), reinterpret_cast<void**>(domain));
    VELK_CATCH
  }
  HRESULT get_SpatialReference(ISpatialReference** sr) override {
    if (!sr) return E_POINTER;
    *sr = nullptr;
    if (!grid_) return E_FAIL;
    return grid_->sr.CopyTo(sr);
  }
  HRESULT get_CanDoCurvature(VARIANT_BOOL* can) override {
    if (!can) return E_POINTER;
    *can = ToVariantBool(grid_ && SurfaceKnowsGroundUnits(Band()));
    return S_OK;
  }
  HRESULT GetLineOfSight(IPoint* observer, IPoint* target, IPoint** obstruction,
                         IPolyline** visibleLines, IPolyline** invisibleLines,
                         VARIANT_BOOL* targetIsVisible, VARIANT_BOOL applyCurvature,
                         VARIANT_BOOL applyRefraction, VARIANT* refractionFactor) override {
    VELK_TRY
    return SurfaceLineOfSight(Band(), observer, target, obstruction, visibleLines, invisibleLines,
                              targetIsVisible, applyCurvature, applyRefraction, refractionFactor);
    VELK_CATCH
  }
  HRESULT InterpolateShape(IGeometry* shape, IGeometry** result, VARIANT* stepSize) override {
    VELK_TRY
    return SurfaceInterpolateShape(Band(), shape, result, stepSize);
    VELK_CATCH
  }

 private:
  SurfaceBand Band() const {
    SurfaceBand b;
    if (!grid_) return b;
    b.band = handle_->get()->GetRasterBand(bandNumber_);
    b.width = grid_->width;
    b.height = grid_->height;
    b.gt = grid_->gt;
    b.inv = grid_->inv;
    b.sr = grid_->sr.get();
    if (hasNoData_) b.noData = noData_;
    b.zFactor = zFactor_;
    return b;
  }

  ComPtr<IRasterBand> band_;
  DatasetPtr handle_;
  int bandNumber_ = 0;
  std::unique_ptr<Grid> grid_;
  double noData_ = 0;
  bool hasNoData_ = false;
  double zFactor_ = 1.0;
};

}  // namespace

std::wstring GridDatasetFileName(const std::wstring& name) {
  return std::filesystem::path(name).has_extension() ? name : name + L".tif";
}

HRESULT OpenRasterFile(const std::string& path, IWorkspace* workspace, IRasterDataset** dataset,
                       bool temporary) {
  if (!dataset) return E_POINTER;
  *dataset = nullptr;
  DatasetPtr handle;
  OpenResult r = OpenGdalDataset(path, DataKind::kRaster, handle);
  if (r == OpenResult::kMissing) return E_DATA_NOT_FOUND;
  if (r != OpenResult::kOk || handle->get()->GetRasterCount() < 1) return E_DATA_UNREADABLE;
  ComObject<RasterDatasetObject>* d = nullptr;
  HRESULT hr = ComObject<RasterDatasetObject>::Create(&d);
  if (FAILED(hr)) return hr;
  d->Init(std::move(handle), workspace, temporary);
  *dataset = d;
  return S_OK;
}

HRESULT CreateRasterSurfaceObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterSurfaceObject>(outer, riid, ppv);
}

}  // namespace velk::host
