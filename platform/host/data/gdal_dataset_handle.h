// A GDAL dataset shared by the host objects that read and write it (a database's tables, a
// shapefile's table object, a raster's bands), closed when the last of them lets go.
// Platform-internal.
#pragma once

#include <memory>
#include <string>

#include "platform/host/data/gdal_drivers.h"

class GDALDataset;

namespace velk::host {

class GdalDatasetHandle {
 public:
  GdalDatasetHandle(GDALDataset* ds, std::string path, bool writable)
      : ds_(ds), path_(std::move(path)), writable_(writable) {}
  ~GdalDatasetHandle();
  GdalDatasetHandle(const GdalDatasetHandle&) = delete;
  GdalDatasetHandle& operator=(const GdalDatasetHandle&) = delete;

  GDALDataset* get() const { return ds_; }
  const std::string& path() const { return path_; }
  bool writable() const { return writable_; }
  // Closes the dataset now (before its files are deleted or renamed).
  void Close();
  // Closes the vector dataset and opens its files again (after they were written past GDAL);
  // false when they cannot be opened (the handle is then closed).
  bool Reopen();

 private:
  GDALDataset* ds_;
  std::string path_;
  bool writable_;
};

using DatasetPtr = std::shared_ptr<GdalDatasetHandle>;

enum class OpenResult { kOk, kMissing, kUnreadable };

// Opens a file with the driver its extension names (driverExtension overrides the file's own,
// for databases whose file carries another extension). Vector data is opened for update when the
// file can be written, else read-only.
OpenResult OpenGdalDataset(const std::string& path, DataKind kind, DatasetPtr& out,
                           const std::string& driverExtension = {});

}  // namespace velk::host
