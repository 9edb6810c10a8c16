#include "platform/host/data/gdal_dataset_handle.h"

#include <algorithm>
#include <cctype>

#include <filesystem>
#include <unistd.h>

#include <gdal_priv.h>

namespace velk::host {

GdalDatasetHandle::~GdalDatasetHandle() { Close(); }

void GdalDatasetHandle::Close() {
  if (ds_) {
    GDALClose(GDALDataset::ToHandle(ds_));
    ds_ = nullptr;
  }
}

bool GdalDatasetHandle::Reopen() {
  Close();
  DatasetPtr fresh;
  if (OpenGdalDataset(path_, DataKind::kVector, fresh) != OpenResult::kOk) return false;
  std::swap(ds_, fresh->ds_);
  writable_ = fresh->writable_;
  return true;
}

OpenResult OpenGdalDataset(const std::string& path, DataKind kind, DatasetPtr& out,
                           const std::string& driverExtension) {
  out.reset();
  std::error_code ec;
  // A raster table of a GeoPackage: "GPKG:<file>:<table>".
  if (kind == DataKind::kRaster && path.rfind("GPKG:", 0) == 0) {
    const std::size_t colon = path.rfind(':');
    if (colon <= 5 || !std::filesystem::is_regular_file(path.substr(5, colon - 5), ec))
      return OpenResult::kMissing;
    const char* gpkg[] = {"GPKG", nullptr};
    CPLPushErrorHandler(CPLQuietErrorHandler);
    GDALDataset* ds = GDALDataset::FromHandle(
        GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, gpkg, nullptr, nullptr));
    CPLPopErrorHandler();
    if (!ds) return OpenResult::kUnreadable;
    out = std::make_shared<GdalDatasetHandle>(ds, path, false);
    return OpenResult::kOk;
  }
  if (!std::filesystem::is_regular_file(path, ec)) return OpenResult::kMissing;
  const std::string extension = driverExtension.empty() ? ExtensionOf(path) : driverExtension;
  GDALDriver* driver = DriverForExtension(extension, kind);
  // RPF frames (CADRG, CIB) are NITF files named by series and zone: "ON2", "JG2", "I1A".
  if (!driver && kind == DataKind::kRaster && extension.size() == 3 &&
      std::all_of(extension.begin(), extension.end(),
                  [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }))
    driver = GetGDALDriverManager()->GetDriverByName("NITF");
  if (!driver) return OpenResult::kUnreadable;
  const char* allowed[] = {driver->GetDescription(), nullptr};
  unsigned flags =
      (kind == DataKind::kRaster ? GDAL_OF_RASTER : GDAL_OF_VECTOR) | GDAL_OF_VERBOSE_ERROR;
  bool writable = kind == DataKind::kVector && access(path.c_str(), W_OK) == 0;
  // dBASE records are appended without the end-of-file mark after each (that costs a read and
  // a write of the file per record); the table puts the mark back when it syncs.
  const char* shapefileOptions[] = {"DBF_EOF_CHAR=NO", nullptr};
  const bool shapefile = EQUAL(driver->GetDescription(), "ESRI Shapefile");
  CPLPushErrorHandler(CPLQuietErrorHandler);
  GDALDataset* ds = nullptr;
  if (writable) {
    ds = GDALDataset::FromHandle(GDALOpenEx(path.c_str(), flags | GDAL_OF_UPDATE, allowed,
                                            shapefile ? shapefileOptions : nullptr, nullptr));
    if (!ds) writable = false;
  }
  if (!ds)
    ds = GDALDataset::FromHandle(
        GDALOpenEx(path.c_str(), flags | GDAL_OF_READONLY, allowed, nullptr, nullptr));
  CPLPopErrorHandler();
  if (!ds) return OpenResult::kUnreadable;
  out = std::make_shared<GdalDatasetHandle>(ds, path, writable);
  return OpenResult::kOk;
}

}  // namespace velk::host
