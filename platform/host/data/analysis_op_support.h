// What the host's raster analysis operators share: their own analysis environment (answered as
// IRasterAnalysisEnvironment), the output raster names, the files behind the datasets they are
// given, and reading and writing the grids they work on.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/object.h"
#include "platform/host/data/raster_analysis_environment.h"

class GDALDataset;
class GDALRasterBand;
struct IEnvelope;
struct IGeoDataset;
struct IWorkspace;

// The text that names an operator's output rasters: the name's first part, followed by the
// first free four-digit number ("stats0000").
struct IRasterAnalysisOutputNames : IUnknown {
  VELK_INTERFACE_ID("{5B0E6A23-2C47-4F6E-9E1D-8A3C7B4D2E61}")
  virtual HRESULT get_DefaultOutputRasterPrefix(BSTR* prefix) = 0;
  virtual HRESULT put_DefaultOutputRasterPrefix(BSTR prefix) = 0;
};

namespace velk::host {

// The output folder of an environment: its workspace's folder, else the host's scratch folder
// (made when missing).
std::string OutputFolder(IRasterAnalysisEnvironment* env);
// The environment's extent envelope when its kind is a given extent; null otherwise.
ComPtr<IEnvelope> ExtentEnvelope(IRasterAnalysisEnvironment* env);
// A free path folder/prefix + "%04d" + extension.
std::string NewNumberedPath(const std::string& folder, const std::wstring& prefix,
                            const char* extension = ".tif");

// An analysis operator's root: its interfaces, then its own analysis environment (made from the
// host's default in FinalConstruct) and the output names' first part.
template <class Derived, class... Interfaces>
class AnalysisOpRoot : public ComObjectRoot<Derived, Interfaces..., IRasterAnalysisEnvironment,
                                            IRasterAnalysisOutputNames> {
 public:
  AnalysisOpRoot(const wchar_t* defaultPrefix) : prefix_(defaultPrefix) {}
  HRESULT FinalConstruct() {
    return CreateRasterAnalysisObject(nullptr, IidOf<IRasterAnalysisEnvironment>(),
                                      env_.put_void());
  }
  HRESULT get_OutWorkspace(IWorkspace** w) override { return env_->get_OutWorkspace(w); }
  HRESULT putref_OutWorkspace(IWorkspace* w) override { return env_->putref_OutWorkspace(w); }
  HRESULT get_OutSpatialReference(ISpatialReference** sr) override {
    return env_->get_OutSpatialReference(sr);
  }
  HRESULT putref_OutSpatialReference(ISpatialReference* sr) override {
    return env_->putref_OutSpatialReference(sr);
  }
  HRESULT GetCellSize(LONG* kind, double* size) override { return env_->GetCellSize(kind, size); }
  HRESULT SetCellSize(LONG kind, VARIANT* size) override { return env_->SetCellSize(kind, size); }
  HRESULT GetExtent(LONG* kind, IUnknown** extent) override {
    return env_->GetExtent(kind, extent);
  }
  HRESULT SetExtent(LONG kind, VARIANT* extent, VARIANT* snap) override {
    return env_->SetExtent(kind, extent, snap);
  }
  HRESULT Validate() override { return env_->Validate(); }
  HRESULT SetAsNewDefaultEnvironment() override { return env_->SetAsNewDefaultEnvironment(); }
  HRESULT get_DefaultOutputRasterPrefix(BSTR* prefix) override {
    if (!prefix) return E_POINTER;
    *prefix = Bstr(prefix_).Detach();
    return S_OK;
  }
  HRESULT put_DefaultOutputRasterPrefix(BSTR prefix) override {
    std::wstring p = BstrToWstring(prefix);
    if (p.empty() || p.find_first_of(L"/\\") != std::wstring::npos) return E_INVALIDARG;
    prefix_ = std::move(p);
    return S_OK;
  }

 protected:
  IRasterAnalysisEnvironment* Environment() const { return env_.get(); }
  std::string NewOutputPath(const char* extension = ".tif") const {
    return NewNumberedPath(OutputFolder(env_.get()), prefix_, extension);
  }

 private:
  ComPtr<IRasterAnalysisEnvironment> env_;
  std::wstring prefix_;
};

struct GdalDatasetCloser {
  void operator()(GDALDataset* dataset) const;
};
using GdalDatasetPtr = std::unique_ptr<GDALDataset, GdalDatasetCloser>;
// Opens a raster file for reading with at least one band and its north-up geotransform:
// E_DATA_UNREADABLE when GDAL cannot read it, E_INVALIDARG for a grid that is not north up
// (only those have rows and columns to work along).
HRESULT OpenNorthUpRaster(const std::string& path, GdalDatasetPtr* dataset, double gt[6]);

// The file behind a raster dataset, raster or band; empty when the object is none of them.
std::string RasterPath(IUnknown* input);
// The folder of a workspace; empty for none.
std::string WorkspaceFolder(IWorkspace* workspace);
// The shapefile behind a feature class of a folder workspace; empty when there is none.
std::string ShapefilePath(IUnknown* featureClass);

// The cell window of a grid (GDAL geotransform, north up) that an envelope touches, or the
// whole grid without envelope; nullopt when they do not meet.
struct CellWindow {
  int column, row, columns, rows;
};
std::optional<CellWindow> WindowOf(const double gt[6], int width, int height, IEnvelope* area);

// A window of a raster's first band as doubles (NaN where the band has no value), with its
// placement.
struct WindowGrid {
  int columns = 0, rows = 0;
  std::array<double, 6> geoTransform{};
  std::string wkt;
  int gdalType = 0;  // the band's GDALDataType
  std::optional<double> noData;  // the band's no-data value, if it has one
  std::vector<double> values;
};
// Reads the part of the raster file inside area (projected into the raster's reference when it
// has another). E_DATA_UNREADABLE for a file GDAL cannot read, E_INVALIDARG for a grid that is
// not north up or an area that misses it.
HRESULT ReadWindowGrid(const std::string& path, IEnvelope* area, WindowGrid* grid);
// The rows of a block of a grid columns wide: blocks of a few million cells (whole tiles of
// 256 rows where a row is short enough), so that a grid is worked through in memory that does
// not grow with its size.
int BlockRows(int columns);

// The window of ReadWindowGrid read block by block.
class WindowReader {
 public:
  // The errors of ReadWindowGrid. Placement() then holds everything but the values.
  HRESULT Open(const std::string& path, IEnvelope* area);
  const WindowGrid& Placement() const { return placement_; }
  // Rows first .. first + rows - 1 of the window (columns * rows values, NaN: no value).
  HRESULT Read(int first, int rows, double* values);
  // The same rows as the band's own type, no-data cells as they are.
  HRESULT ReadNative(int first, int rows, void* values);

 private:
  GdalDatasetPtr src_;
  CellWindow window_{};
  WindowGrid placement_;
};

// Writes a one-band GeoTIFF of the placement's size, type and place block by block, under a
// working name that Commit puts in place: the file appears complete or not at all, and a writer
// destroyed before its Commit removes what it wrote. E_DATA_WRITE_FAILED when it cannot write.
class GridWriter {
 public:
  GridWriter() = default;
  GridWriter(const GridWriter&) = delete;
  GridWriter& operator=(const GridWriter&) = delete;
  ~GridWriter();
  // voids: whether cells without a value may come. They are written as the placement's no-data
  // value, else NaN for a floating type, else the type's lowest value.
  HRESULT Create(const std::string& path, const WindowGrid& placement, bool voids = true);
  // The no-data value written for cells without one; NaN when there is none.
  double NoData() const { return noData_; }
  // Rows first .. first + rows - 1 in the placement's own type, cells without a value as
  // NoData() (FromNumbers makes them).
  HRESULT WriteNative(int first, int rows, const void* values);
  // Band statistics stored with the file, so that asking for them reads no cell; written in
  // full, so that they read back as the same numbers (an extreme is compared with cells).
  void SetStatistics(double minimum, double maximum, double mean, double deviation);
  HRESULT Commit();

 private:
  GdalDatasetPtr dst_;
  std::string path_, temp_;
  double noData_ = 0;
  int columns_ = 0;
  int type_ = 0;
};

// Cells first .. first + n - 1 of a block of a GDAL type as numbers into to (to[0] for the cell
// first), NaN for those equal to noData (when given).
void ToNumbers(const void* from, int gdalType, std::size_t first, std::size_t n,
               std::optional<double> noData, double* to);
// Numbers (NaN: no value) into cells first .. first + n - 1 of a block of a GDAL type, NaN as
// noData. False when a number does not fit a whole-number type (out of range, a fraction, or
// equal to noData); the cells are then left unfinished.
bool FromNumbers(const double* from, std::size_t n, int gdalType, double noData, void* to,
                 std::size_t first);

// Minimum, maximum, mean and standard deviation of the cells with a value, gathered block by
// block.
struct CellStatistics {
  long long count = 0;
  double minimum = 0, maximum = 0, sum = 0, squares = 0;
  // Cells of a GDAL type; those equal to noData (when given) or NaN have no value.
  void Add(const void* values, int gdalType, std::size_t n, std::optional<double> noData);
  void Merge(const CellStatistics& other);
  double Mean() const;       // of the cells with a value; 0 without one
  double Deviation() const;  // their standard deviation
  void StoreIn(GridWriter& writer) const;  // nothing when no cell has a value
  void StoreIn(GDALRasterBand* band) const;  // the same into a band open for update
};

// Blocks 0 .. blocks - 1 through produce(block, slot) and then consume(block, slot), the next
// block produced on a thread of its own while the last is consumed (slot: 0 or 1, alternating,
// for the two blocks' buffers). Stops at the first failure and gives it.
HRESULT Pipelined(int blocks, const std::function<HRESULT(int, int)>& produce,
                  const std::function<HRESULT(int, int)>& consume);

}  // namespace velk::host
