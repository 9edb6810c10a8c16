#include "platform/host/operations/local_analysis.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <cpl_string.h>
#include <gdal.h>
#include <gdal_priv.h>

#include "platform/com/text.h"
#include "platform/host/analysis/map_algebra.h"
#include "platform/com/parallel.h"
#include "platform/host/data/analysis_op_support.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_objects.h"

namespace velk::host {
namespace {

// The written result as the host's temporary raster dataset in the output workspace.
HRESULT OpenResult(const std::string& path, IRasterAnalysisEnvironment* env, IGeoDataset** result) {
  ComPtr<IWorkspace> workspace;
  env->get_OutWorkspace(workspace.put());
  ComPtr<IRasterDataset> dataset;
  HRESULT hr = OpenRasterFile(path, workspace.get(), dataset.put(), true);
  if (FAILED(hr)) return hr;
  return dataset->QueryInterface(IidOf<IGeoDataset>(), reinterpret_cast<void**>(result));
}

// A window read on several cores: each has a reader of its own (a GDAL dataset is not to be
// shared between threads) and reads its share of a block's rows.
class ParallelWindow {
 public:
  HRESULT Open(const std::string& path, IEnvelope* area) {
    readers_.resize(std::max(1, std::min(4, ThreadCount(0, 1 << 20))));
    for (auto& reader : readers_)
      if (HRESULT hr = reader.Open(path, area); FAILED(hr)) return hr;
    return S_OK;
  }
  const WindowGrid& Placement() const { return readers_.front().Placement(); }
  // Rows first .. first + rows - 1 in the band's own type (WindowReader::ReadNative).
  HRESULT ReadNative(int first, int rows, void* values) {
    const std::size_t rowBytes =
        static_cast<std::size_t>(Placement().columns) *
        GDALGetDataTypeSizeBytes(static_cast<GDALDataType>(Placement().gdalType));
    const int parts = std::min(static_cast<int>(readers_.size()), rows);
    std::vector<HRESULT> results(parts, S_OK);
    ForEachRowBand(parts, parts, [&](int part, int) {
      const int from = static_cast<int>(static_cast<long long>(rows) * part / parts);
      const int to = static_cast<int>(static_cast<long long>(rows) * (part + 1) / parts);
      results[part] = readers_[part].ReadNative(
          first + from, to - from, static_cast<unsigned char*>(values) + from * rowBytes);
    });
    for (HRESULT hr : results)
      if (FAILED(hr)) return hr;
    return S_OK;
  }

 private:
  std::vector<WindowReader> readers_;
};

// Whether the result of one input over a window may be a copy of the input's file: the window
// is the whole grid of a one-band GeoTIFF that keeps nothing in files beside it (a side-car
// no-data value, mask or statistics that the copy would miss).
bool MayCopyPlainGeoTiff(const std::string& path, const WindowGrid& place) {
  GdalDatasetPtr source;
  double gt[6];
  if (FAILED(OpenNorthUpRaster(path, &source, gt))) return false;
  GDALDriver* driver = source->GetDriver();
  if (!driver || std::string(driver->GetDescription()) != "GTiff") return false;
  if (source->GetRasterCount() != 1 || source->GetRasterXSize() != place.columns ||
      source->GetRasterYSize() != place.rows)
    return false;
  char** files = source->GetFileList();
  const int count = CSLCount(files);
  CSLDestroy(files);
  return count == 1;
}

// The input's file copied whole (by the file system, without reading it through) to out under
// a working name, its statistics stored in it, and put in place. False, and nothing left, when
// that fails.
bool CopyResult(const std::string& input, const std::string& out,
                const CellStatistics& statistics) {
  const std::string temp = out + ".part.tif";
  std::error_code ec;
  std::filesystem::remove(temp, ec);
  bool ok = std::filesystem::copy_file(input, temp, ec) && !ec;
  // The copy is ours to write even when the input is read-only.
  if (ok)
    std::filesystem::permissions(temp, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  if (ok && statistics.count > 0) {
    GDALDataset* copy = GDALDataset::FromHandle(GDALOpen(temp.c_str(), GA_Update));
    ok = copy != nullptr;
    if (copy) {
      CPLErrorReset();
      statistics.StoreIn(copy->GetRasterBand(1));
      GDALClose(copy);
      ok = CPLGetLastErrorType() != CE_Failure;
    }
  }
  CPLPopErrorHandler();
  if (ok) std::filesystem::rename(temp, out, ec);
  if (!ok || ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

class RasterLocalOp : public AnalysisOpRoot<RasterLocalOp, ILocalOp> {
 public:
  using ILocalOp::QueryInterface;
  RasterLocalOp() : AnalysisOpRoot(L"stats") {}

  HRESULT LocalStatistics(IGeoDataset* inputs, LONG statistic, IGeoDataset** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!inputs) return E_POINTER;
    if (statistic != kCellStatisticMaximum && statistic != kCellStatisticMinimum)
      return E_INVALIDARG;
    VELK_TRY
    const std::string path = RasterPath(inputs);
    if (path.empty()) return E_INVALIDARG;
    // One input: every statistic of a cell is the cell's own value, over the extent. A whole
    // plain GeoTIFF is copied as a file; else the cells are copied block by block in
    // their own type, with the surface's own no-data value. The band statistics are gathered
    // on the way and stored with the result.
    ParallelWindow reader;
    HRESULT hr = reader.Open(path, ExtentEnvelope(Environment()).get());
    if (FAILED(hr)) return hr;
    const WindowGrid& place = reader.Placement();
    const std::string out = NewOutputPath();
    if (MayCopyPlainGeoTiff(path, place)) {
      CellStatistics statistics;
      if (hr = Gather(reader, nullptr, &statistics); FAILED(hr)) return hr;
      if (CopyResult(path, out, statistics)) return OpenResult(out, Environment(), result);
    }
    GridWriter writer;
    const GDALDataType type = static_cast<GDALDataType>(place.gdalType);
    if (hr = writer.Create(out, place, place.noData || GDALDataTypeIsFloating(type)); FAILED(hr))
      return hr;
    CellStatistics statistics;
    if (hr = Gather(reader, &writer, &statistics); FAILED(hr)) return hr;
    statistics.StoreIn(writer);
    if (hr = writer.Commit(); FAILED(hr)) return hr;
    return OpenResult(out, Environment(), result);
    VELK_CATCH
  }

 private:
  // The statistics of the window's cells, read block by block and gathered on all cores, each
  // block then written when there is a writer.
  static HRESULT Gather(ParallelWindow& reader, GridWriter* writer, CellStatistics* statistics) {
    const WindowGrid& place = reader.Placement();
    const GDALDataType type = static_cast<GDALDataType>(place.gdalType);
    const std::size_t size = GDALGetDataTypeSizeBytes(type);
    const int step = BlockRows(place.columns);
    const std::size_t most = static_cast<std::size_t>(place.columns) * std::min(step, place.rows);
    std::vector<unsigned char> blocks[2];
    for (auto& b : blocks) b.resize(most * size);
    const int count = (place.rows + step - 1) / step;
    auto rowsOf = [&](int b) { return std::min(step, place.rows - b * step); };
    // The next block is read while this one's statistics are gathered (and it is written).
    return Pipelined(
        count,
        [&](int b, int slot) {
          return reader.ReadNative(b * step, rowsOf(b), blocks[slot].data());
        },
        [&](int b, int slot) {
          // A few threads keep up with the reading, which this gathering runs beside.
          const std::size_t n = static_cast<std::size_t>(place.columns) * rowsOf(b);
          const int parts = ThreadCount(0, static_cast<int>(n >> 20), 1);
          std::vector<CellStatistics> part(parts);
          ForEachRowBand(parts, parts, [&](int first, int last) {
            for (int p = first; p < last; ++p) {
              const std::size_t from = n * p / parts, to = n * (p + 1) / parts;
              part[p].Add(blocks[slot].data() + from * size, place.gdalType, to - from,
                          place.noData);
            }
          });
          for (const auto& p : part) statistics->Merge(p);
          return writer ? writer->WriteNative(b * step, rowsOf(b), blocks[slot].data()) : S_OK;
        });
  }
};

class RasterMapAlgebraOp : public AnalysisOpRoot<RasterMapAlgebraOp, IMapAlgebraOp> {
 public:
  using IMapAlgebraOp::QueryInterface;
  RasterMapAlgebraOp() : AnalysisOpRoot(L"calc") {}

  HRESULT BindRaster(IGeoDataset* raster, BSTR name) override {
    if (!raster) return E_POINTER;
    const std::wstring n = BstrToWstring(name);
    if (n.empty() || RasterPath(raster).empty()) return E_INVALIDARG;
    bound_[n] = ComPtr<IGeoDataset>(raster);
    return S_OK;
  }
  HRESULT UnbindRaster(BSTR name) override {
    return bound_.erase(BstrToWstring(name)) ? S_OK : S_FALSE;
  }
  HRESULT Execute(BSTR expression, IGeoDataset** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    VELK_TRY
    std::optional<analysis::MapAlgebraExpression> expr;
    try {
      expr.emplace(BstrToWstring(expression));
    } catch (const std::invalid_argument&) {
      return E_INVALIDARG;
    }
    if (expr->Names().empty()) return E_INVALIDARG;
    // Every raster is read over the first one's window, so their cells line up, and block by
    // block, so that memory does not grow with the window.
    std::vector<ParallelWindow> readers(expr->Names().size());
    ComPtr<IEnvelope> area = ExtentEnvelope(Environment());
    for (std::size_t k = 0; k < readers.size(); ++k) {
      auto it = bound_.find(expr->Names()[k]);
      if (it == bound_.end()) return E_INVALIDARG;
      HRESULT hr = readers[k].Open(RasterPath(it->second.get()), area.get());
      if (FAILED(hr)) return hr;
      const WindowGrid& g = readers[k].Placement();
      const WindowGrid& first = readers[0].Placement();
      if (g.columns != first.columns || g.rows != first.rows ||
          g.geoTransform != first.geoTransform)
        return E_INVALIDARG;  // rasters of other cells: this host does not resample
    }
    WindowGrid place = readers[0].Placement();
    const std::string path = NewOutputPath();
    // Whole-number cells keep their type while every value fits it; a value that does not
    // makes the result floating, written anew.
    for (;;) {
      bool fits = true;
      HRESULT hr = Evaluate(*expr, readers, place, path, &fits);
      if (FAILED(hr)) return hr;
      if (fits) break;
      place.gdalType = GDT_Float64;
      place.noData.reset();
    }
    return OpenResult(path, Environment(), result);
    VELK_CATCH
  }

 private:
  // The expression over n cells of a block (raw: each input's cells in its own type) into
  // written, in the result's type; false when a value does not fit it. Stretches are taken in
  // turn by all cores, each worked as numbers in memory of the thread's own that stays in the
  // cache.
  static bool WorkOut(const analysis::MapAlgebraExpression& expr,
                      const std::vector<ParallelWindow>& readers,
                      const std::vector<std::vector<unsigned char>>& raw, std::size_t n,
                      int gdalType, double noData, unsigned char* written) {
    constexpr std::size_t kStretch = 1 << 14;
    const int stretches = static_cast<int>((n + kStretch - 1) / kStretch);
    const int threads = ThreadCount(0, stretches, 4);
    std::atomic<int> next{0};
    std::atomic<bool> fit{true};
    ForEachRowBand(threads, threads, [&](int, int) {
      std::vector<double> numbers((readers.size() + 1) * kStretch);
      std::vector<const double*> cells;
      for (std::size_t k = 0; k < readers.size(); ++k)
        cells.push_back(numbers.data() + k * kStretch);
      double* out = numbers.data() + readers.size() * kStretch;
      analysis::MapAlgebraOptions one;
      one.threads = 1;
      for (int i = next++; i < stretches && fit; i = next++) {
        const std::size_t begin = i * kStretch, span = std::min(n - begin, kStretch);
        for (std::size_t k = 0; k < readers.size(); ++k) {
          const WindowGrid& in = readers[k].Placement();
          ToNumbers(raw[k].data(), in.gdalType, begin, span, in.noData,
                    numbers.data() + k * kStretch);
        }
        expr.EvaluateInto(cells, span, out, one);
        if (!FromNumbers(out, span, gdalType, noData, written, begin)) fit = false;
      }
    });
    return fit;
  }

  // The expression over the readers' cells into path as the placement's type; *fits false (and
  // nothing written) when a value does not fit a whole-number type or is its no-data value.
  // Each block is read in the rasters' own types; its cells are turned into numbers, worked
  // out and turned into the result's type on all cores, a stretch at a time.
  static HRESULT Evaluate(const analysis::MapAlgebraExpression& expr,
                          std::vector<ParallelWindow>& readers, const WindowGrid& place,
                          const std::string& path, bool* fits) {
    GridWriter writer;
    HRESULT hr = writer.Create(path, place);
    if (FAILED(hr)) return hr;
    const int step = BlockRows(place.columns);
    const std::size_t most = static_cast<std::size_t>(place.columns) * std::min(step, place.rows);
    // Two blocks of each input's cells in their own types: one read while the other is worked.
    std::vector<std::vector<unsigned char>> raw[2];
    for (auto& slot : raw) {
      slot.resize(readers.size());
      for (std::size_t k = 0; k < readers.size(); ++k)
        slot[k].resize(most * GDALGetDataTypeSizeBytes(
                                  static_cast<GDALDataType>(readers[k].Placement().gdalType)));
    }
    std::vector<unsigned char> written(
        most * GDALGetDataTypeSizeBytes(static_cast<GDALDataType>(place.gdalType)));
    const int count = (place.rows + step - 1) / step;
    auto rowsOf = [&](int b) { return std::min(step, place.rows - b * step); };
    bool fit = true;
    // The next block is read while this one is worked out and written.
    hr = Pipelined(
        count,
        [&](int b, int slot) {
          for (std::size_t k = 0; k < readers.size(); ++k)
            if (HRESULT read = readers[k].ReadNative(b * step, rowsOf(b), raw[slot][k].data());
                FAILED(read))
              return read;
          return S_OK;
        },
        [&](int b, int slot) {
          const std::size_t n = static_cast<std::size_t>(place.columns) * rowsOf(b);
          fit =
              WorkOut(expr, readers, raw[slot], n, place.gdalType, writer.NoData(), written.data());
          if (!fit) return E_ABORT;  // no use going on
          return writer.WriteNative(b * step, rowsOf(b), written.data());
        });
    if (!fit) {
      *fits = false;
      return S_OK;  // the writer removes what it wrote
    }
    if (FAILED(hr)) return hr;
    return writer.Commit();
  }

  std::map<std::wstring, ComPtr<IGeoDataset>> bound_;
};

}  // namespace

HRESULT CreateRasterLocalOpObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterLocalOp>(outer, riid, ppv);
}

HRESULT CreateRasterMapAlgebraOpObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterMapAlgebraOp>(outer, riid, ppv);
}

}  // namespace velk::host
