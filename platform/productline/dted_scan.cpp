// DTED cells of a folder tree, read through GDAL's DTED driver.
#include <cmath>
#include <filesystem>
#include <mutex>

#include <cpl_conv.h>
#include <gdal_priv.h>

#include "platform/productline/catalog_scan.h"
#include "platform/com/plain_text.h"
#include "platform/productline/dted_header.h"
#include "platform/productline/gdal_error_capture.h"

namespace velk::productline {
namespace {

// The level a file's extension names (".dt1" -> 1); -1 for another extension.
int LevelOfName(const std::string& lowerName) {
  const std::size_t dot = lowerName.rfind('.');
  if (dot == std::string::npos || lowerName.size() != dot + 4) return -1;
  if (lowerName.compare(dot, 3, ".dt") != 0) return -1;
  const char digit = lowerName[dot + 3];
  return digit >= '0' && digit <= '5' ? digit - '0' : -1;
}

std::string LowerName(const std::string& path) {
  return ToLower(std::filesystem::path(path).filename().string());
}

// Reads one cell; false with the reason when it cannot be used.
bool ReadCell(const std::string& path, DtedCellRow& row, std::string& reason) {
  // Our own check first: GDAL takes any origin the header states.
  DtedHeader header;
  if (!ReadDtedHeaderFile(path, header, reason)) return false;
  // Statistics are kept in the catalog, not written beside the user's cells.
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
  GdalErrorCapture errors;
  const char* drivers[] = {"DTED", nullptr};
  GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY,
                                            drivers, nullptr, nullptr));
  if (!ds) {
    reason = errors.Reason("not a DTED cell");
    return false;
  }
  double gt[6];
  if (ds->GetRasterCount() != 1 || ds->GetGeoTransform(gt) != CE_None || gt[1] <= 0 || gt[5] >= 0) {
    reason = "not a DTED cell";
    return false;
  }
  const int level = DtedLevelOfSpacing(-gt[5] * 3600.0);
  const int named = LevelOfName(LowerName(path));
  if (level < 0) {
    reason = "not a DTED cell: no DTED level has its post spacing";
    return false;
  }
  if (named != level) {
    reason = "the file name says DTED level " + std::to_string(named) + " but the cell is level " +
             std::to_string(level);
    return false;
  }
  // Posts lie on the cell's edges; the pixels GDAL shows are centred on them.
  const int columns = ds->GetRasterXSize();
  const int rows = ds->GetRasterYSize();
  row.footprint.west = gt[0] + gt[1] / 2;
  row.footprint.east = gt[0] + gt[1] * (columns - 0.5);
  row.footprint.north = gt[3] + gt[5] / 2;
  row.footprint.south = gt[3] + gt[5] * (rows - 0.5);
  GDALRasterBand* band = ds->GetRasterBand(1);
  double stats[4];
  if (band->ComputeStatistics(FALSE, &stats[0], &stats[1], &stats[2], &stats[3], nullptr,
                              nullptr) != CE_None) {
    reason = errors.Reason("its elevations cannot be read");
    return false;
  }
  row.path = path;
  row.name = std::filesystem::path(path).filename().string();
  row.level = level;
  row.minimum = stats[0];
  row.maximum = stats[1];
  row.mean = stats[2];
  row.stdDev = stats[3];
  return true;
}

}  // namespace

ScanResult<DtedCellRow> ScanDtedTree(const std::string& folder, const ScanOptions& options) {
  GDALAllRegister();
  ScanResult<DtedCellRow> result;
  const std::vector<std::string> files =
      FindFiles(
          folder, [](const std::string& name) { return LevelOfName(name) >= 0; }, &result.skipped);
  result.filesFound = files.size();
  std::vector<DtedCellRow> rows(files.size());
  std::vector<std::string> reasons(files.size());
  std::vector<char> read(files.size(), 0);
  result.cancelled = !ForEachFile(files.size(), options, [&](std::size_t i) {
    read[i] = ReadCell(files[i], rows[i], reasons[i]) ? 1 : 2;
  });
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (read[i] == 1) result.rows.push_back(std::move(rows[i]));
    if (read[i] == 2) result.problems.push_back({files[i], reasons[i]});
  }
  return result;
}

}  // namespace velk::productline
