// RPF frames of a folder tree: the tables of contents found there and the frames they list,
// each frame read through GDAL's NITF driver.
#include <filesystem>
#include <set>
#include <vector>

#include <gdal_priv.h>

#include "platform/productline/catalog_scan.h"
#include "platform/com/plain_text.h"
#include "platform/productline/gdal_error_capture.h"
#include "platform/productline/rpf_series_scales.h"
#include "platform/productline/rpf_toc.h"

namespace velk::productline {
namespace {

constexpr int kFrameSide = 1536;

struct FrameJob {
  std::string path;
  std::string tocPath;
  std::string productType;
  std::string tocScale;
};

// "1:1M", "1:500K", "1:50,000" -> the scale denominator; 0 when the text is none of these.
std::uint32_t ScaleOfText(std::string text) {
  if (text.rfind("1:", 0) == 0) text.erase(0, 2);
  std::uint64_t value = 0;
  std::size_t i = 0;
  for (; i < text.size(); ++i) {
    if (text[i] == ',') continue;
    if (text[i] < '0' || text[i] > '9') break;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
    if (value > 1000000000) return 0;
  }
  const std::string rest = text.substr(i);
  if (rest == "K" || rest == "k")
    value *= 1000;
  else if (rest == "M" || rest == "m")
    value *= 1000000;
  else if (!rest.empty())
    return 0;
  return value <= 0xffffffffu ? static_cast<std::uint32_t>(value) : 0;
}

bool ReadFrame(const FrameJob& job, RpfFrameRow& row, std::string& reason) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(job.path, ec)) {
    reason = "listed in " + job.tocPath + " but missing";
    return false;
  }
  const std::string name = std::filesystem::path(job.path).filename().string();
  const std::size_t dot = name.rfind('.');
  const std::string series =
      dot == std::string::npos ? std::string() : ToUpper(name.substr(dot + 1, 2));
  const RpfSeriesScale* known = series.size() == 2 ? FindRpfSeriesScale(series) : nullptr;
  std::uint32_t scale = known ? known->scale : ScaleOfText(job.tocScale);
  if (scale == 0) {
    reason = "no RPF series has the code \"" + series + "\" of its name";
    return false;
  }
  GdalErrorCapture errors;
  const char* drivers[] = {"NITF", nullptr};
  GDALDatasetUniquePtr ds(GDALDataset::Open(job.path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY,
                                            drivers, nullptr, nullptr));
  if (!ds) {
    reason = errors.Reason("not an RPF frame");
    return false;
  }
  double gt[6];
  if (ds->GetRasterCount() != 1 || ds->GetRasterXSize() != kFrameSide ||
      ds->GetRasterYSize() != kFrameSide || ds->GetGeoTransform(gt) != CE_None || gt[1] <= 0 ||
      gt[5] >= 0 || gt[2] != 0 || gt[4] != 0) {
    reason = "not an RPF frame: not a georeferenced 1536 x 1536 image";
    return false;
  }
  // Real frames are compressed (vector quantisation, JPEG), so a file far smaller than its
  // pixels is no fault; a frame cut short opens but its last line of blocks cannot be read.
  // A JPEG stream that ends early is read with a warning and padded: cut short too.
  std::vector<GByte> last(kFrameSide);
  const std::size_t before = errors.Messages().size();
  if (ds->GetRasterBand(1)->RasterIO(GF_Read, 0, kFrameSide - 1, kFrameSide, 1, last.data(),
                                     kFrameSide, 1, GDT_Byte, 0, 0, nullptr) != CE_None ||
      errors.Messages().size() != before) {
    reason = errors.Reason("the frame is cut short");
    return false;
  }
  row.path = job.path;
  row.name = name;
  row.series = series;
  row.scale = scale;
  row.product = !job.productType.empty() ? job.productType : known ? known->productType : "";
  row.footprint.west = gt[0];
  row.footprint.north = gt[3];
  row.footprint.east = gt[0] + gt[1] * kFrameSide;
  row.footprint.south = gt[3] + gt[5] * kFrameSide;
  return true;
}

}  // namespace

ScanResult<RpfFrameRow> ScanRpfTree(const std::string& folder, const ScanOptions& options) {
  GDALAllRegister();
  ScanResult<RpfFrameRow> result;
  const std::vector<std::string> tocs =
      FindFiles(
          folder, [](const std::string& name) { return name == "a.toc"; }, &result.skipped);
  std::vector<FrameJob> jobs;
  std::set<std::string> seen;
  for (const std::string& tocPath : tocs) {
    RpfToc toc;
    std::string reason;
    if (!ReadRpfToc(tocPath, toc, reason)) {
      result.problems.push_back({tocPath, reason});
      continue;
    }
    for (const RpfTocFrameInfo& f : toc.frames) {
      if (!seen.insert(f.path).second) continue;
      // A table may name frames anywhere ("../", absolute folders): only the loaded tree loads.
      if (!PathInside(folder, f.path)) {
        result.problems.push_back(
            {f.path, "it lies outside the folder being loaded (listed by " + tocPath + "); skipped"});
        continue;
      }
      const RpfTocBoundaryInfo& b = toc.boundaries[f.boundary];
      jobs.push_back({f.path, tocPath, b.productType, b.scale});
    }
  }
  result.filesFound = tocs.size() + jobs.size();
  std::vector<RpfFrameRow> rows(jobs.size());
  std::vector<std::string> reasons(jobs.size());
  std::vector<char> read(jobs.size(), 0);
  result.cancelled = !ForEachFile(jobs.size(), options, [&](std::size_t i) {
    read[i] = ReadFrame(jobs[i], rows[i], reasons[i]) ? 1 : 2;
  });
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (read[i] == 1) result.rows.push_back(std::move(rows[i]));
    if (read[i] == 2) result.problems.push_back({jobs[i].path, reasons[i]});
  }
  return result;
}

}  // namespace velk::productline
