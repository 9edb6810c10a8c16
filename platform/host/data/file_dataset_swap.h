// Edits and final names of file-based datasets (shapefiles and dBASE tables in a folder) made
// safe: an edit works on a copy of the dataset's files beside it and the changed files replace
// the originals by rename once the copy is complete and on disk (one rename when, as usual, only
// the .dbf changed, so even a killed process leaves the old or the new dataset); a new dataset
// takes its final name only once complete, and a dataset it replaces is moved aside first and
// removed last. Platform-internal.
#pragma once

#include <functional>
#include <string>

#include "platform/host/data/table_objects.h"

namespace velk::host {

struct FileDatasetPlace {
  std::string folder;
  // The schema lock key of a dataset of the folder by base name.
  std::function<std::string(const std::wstring&)> lockKey;
  IWorkspace* workspace = nullptr;
  DatasetHost* host = nullptr;
};

HRESULT StartFileEdit(const FileDatasetPlace& place, TableCore& core, DatasetEdit& edit,
                      std::string& why);
HRESULT StopFileEdit(const FileDatasetPlace& place, TableCore& core, DatasetEdit& edit, bool save,
                     std::string& why);
HRESULT TakeFileName(const FileDatasetPlace& place, TableCore& core, const std::wstring& base,
                     bool replace, std::string& why);

}  // namespace velk::host
