#include "platform/host/data/file_dataset_swap.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <gdal_priv.h>

#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset_files.h"
#include "platform/host/data/gdal_dataset_handle.h"

namespace velk::host {

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> FilesOf(const TableCore& core) {
  std::vector<fs::path> files;
  if (!core.Source() || !core.Source()->get()) return files;
  if (char** list = core.Source()->get()->GetFileList()) {
    for (char** f = list; *f; ++f) files.emplace_back(*f);
    CSLDestroy(list);
  }
  return files;
}

// The file's name under another base name: "a.shp" with base "b" is "b.shp".
fs::path Rebased(const fs::path& file, const std::string& oldBase, const std::string& newBase,
                 const fs::path& folder) {
  std::string name = file.filename().string();
  return folder / (newBase + name.substr(std::min(oldBase.size(), name.size())));
}

bool AnyFileWithBase(const fs::path& folder, const std::string& base) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().stem().string() == base) return true;
  return false;
}

// A base name beside `base` that no file of the folder has.
std::string FreeBase(const fs::path& folder, const std::string& base, const std::string& tag) {
  std::string name = base + tag;
  for (int k = 2; AnyFileWithBase(folder, name); ++k) name = base + tag + std::to_string(k);
  return name;
}

void RemoveFiles(const std::vector<fs::path>& files) {
  std::error_code ec;
  for (const auto& f : files) fs::remove(f, ec);
}

// Closes the dataset of core (every buffered write goes to its files) and checks that the files
// are whole and on disk. 0 or an errno value (EIO when the driver reported a failure).
int CloseAndCheck(TableCore& core, const std::vector<fs::path>& files) {
  CPLErrorReset();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  core.Sync();
  core.Invalidate();
  CPLPopErrorHandler();
  int err = CPLGetLastErrorType() >= CE_Failure ? EIO : 0;
  for (const auto& f : files) {
    if (!FileComplete(f)) err = err ? err : EIO;
    if (int e = SyncFile(f); e && !err) err = e;
  }
  return err;
}

HRESULT Reopen(const FileDatasetPlace& place, TableCore& core, const fs::path& main,
               const std::wstring& name) {
  DatasetPtr ds;
  if (OpenGdalDataset(main.string(), DataKind::kVector, ds) != OpenResult::kOk ||
      ds->get()->GetLayerCount() < 1)
    return E_DATA_UNREADABLE;
  core.Rebind(ds, ds->get()->GetLayer(0), name, place.lockKey(name));
  return S_OK;
}

std::string Describe(const char* what, const fs::path& file, int err, const fs::path& folder) {
  std::string reason = err == ENOSPC || err == EFBIG ? WriteFailureText(err, folder)
                                                     : std::string(std::strerror(err));
  return std::string(what) + " " + file.filename().string() + ": " + reason;
}

}  // namespace

HRESULT StartFileEdit(const FileDatasetPlace& place, TableCore& core, DatasetEdit& edit,
                      std::string& why) {
  const fs::path folder(place.folder);
  const std::vector<fs::path> files = FilesOf(core);
  if (files.empty()) {
    why = "the dataset's files are not known";
    return E_DATA_UNREADABLE;
  }
  const std::string base = ToUtf8(core.Name());
  const std::string working = FreeBase(folder, base, "_editing");
  core.Sync();
  std::vector<fs::path> made;
  for (const auto& f : files) {
    fs::path to = Rebased(f, base, working, folder);
    if (int err = CopyFileChecked(f, to)) {
      RemoveFiles(made);
      why = "could not copy " + f.filename().string() + ": " + WriteFailureText(err, folder);
      return E_DATA_WRITE_FAILED;
    }
    made.push_back(to);
  }
  fs::path main = Rebased(fs::path(core.Source()->path()), base, working, folder);
  DatasetPtr ds;
  if (OpenGdalDataset(main.string(), DataKind::kVector, ds) != OpenResult::kOk ||
      ds->get()->GetLayerCount() < 1 || !ds->writable()) {
    RemoveFiles(made);
    why = "the working copy could not be opened for writing";
    return E_DATA_WRITE_FAILED;
  }
  const std::wstring workingName = FromUtf8(working);
  edit.core = std::make_shared<TableCore>(ds, ds->get()->GetLayer(0), workingName,
                                          place.lockKey(workingName), true);
  // The copy's writes reach its files when the edit stops, not row by row (a shapefile's whole
  // index is written again at every sync).
  edit.core->BeginBatch();
  edit.object = MakeTableObject(edit.core, place.workspace, place.host, L"");
  edit.files = made;
  return S_OK;
}

HRESULT StopFileEdit(const FileDatasetPlace& place, TableCore& core, DatasetEdit& edit, bool save,
                     std::string& why) {
  const fs::path folder(place.folder);
  DatasetEdit e = std::move(edit);
  edit = DatasetEdit{};
  e.object = nullptr;
  if (!e.core) return E_FAIL;
  if (!save) {
    CPLPushErrorHandler(CPLQuietErrorHandler);
    e.core->Invalidate();
    CPLPopErrorHandler();
    RemoveFiles(e.files);
    return S_OK;
  }
  if (int err = CloseAndCheck(*e.core, e.files)) {
    why = WriteFailureText(err == EIO ? 0 : err, folder);
    RemoveFiles(e.files);
    return E_DATA_WRITE_FAILED;
  }
  // Only the files that changed are moved over their originals.
  const std::string base = ToUtf8(core.Name());
  const std::string working = ToUtf8(e.core->Name());
  const fs::path main(core.Source()->path());
  std::vector<std::pair<fs::path, fs::path>> moves;
  for (const auto& w : e.files) {
    fs::path original = Rebased(w, working, base, folder);
    if (!SameContent(w, original)) moves.emplace_back(w, original);
  }
  std::vector<std::pair<fs::path, fs::path>> backups;
  HRESULT hr = S_OK;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  core.Invalidate();
  CPLPopErrorHandler();
  fs::path failed;
  if (moves.size() > 1) {
    // Several files change: the originals are kept as hard links until all have moved.
    for (const auto& [w, original] : moves) {
      fs::path keep = Rebased(original, base, FreeBase(folder, base, "_previous"), folder);
      std::error_code ec;
      fs::create_hard_link(original, keep, ec);
      if (ec) {
        why = Describe("could not keep", original, ec.value(), folder);
        hr = E_DATA_WRITE_FAILED;
        break;
      }
      backups.emplace_back(keep, original);
    }
  }
  if (SUCCEEDED(hr)) {
    if (int err = MoveAll(moves, failed)) {
      for (const auto& [keep, original] : backups) ::rename(keep.c_str(), original.c_str());
      backups.clear();
      why = Describe("could not replace", failed, err, folder);
      hr = E_DATA_WRITE_FAILED;
    }
  }
  for (const auto& [keep, original] : backups) ::unlink(keep.c_str());
  SyncFolder(folder);
  RemoveFiles(e.files);
  HRESULT reopened = Reopen(place, core, main, core.Name());
  if (SUCCEEDED(hr) && FAILED(reopened)) {
    why = "the converted data could not be opened again";
    hr = reopened;
  }
  return hr;
}

HRESULT TakeFileName(const FileDatasetPlace& place, TableCore& core, const std::wstring& name,
                     bool replace, std::string& why) {
  const fs::path folder(place.folder);
  const std::string base = ToUtf8(core.Name());
  const std::string finalBase = ToUtf8(name);
  const fs::path main(core.Source()->path());
  const std::vector<fs::path> files = FilesOf(core);
  // On failure the unfinished output goes: nothing of it is left to be taken for complete.
  if (int err = CloseAndCheck(core, files)) {
    why = WriteFailureText(err == EIO ? 0 : err, folder);
    RemoveFiles(files);
    return E_DATA_WRITE_FAILED;
  }

  // The dataset of that name, moved aside first.
  std::vector<std::pair<fs::path, fs::path>> aside;
  std::error_code ec;
  const std::string oldBase = FreeBase(folder, finalBase, "_replaced");
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().stem().string() != finalBase) continue;
    aside.emplace_back(entry.path(), Rebased(entry.path(), finalBase, oldBase, folder));
  }
  if (!aside.empty() && !replace) {
    why = "a dataset of that name exists";
    RemoveFiles(files);
    return E_DATA_EXISTS;
  }
  fs::path failed;
  if (int err = MoveAll(aside, failed)) {
    why = Describe("could not move away", failed, err, folder);
    RemoveFiles(files);
    return E_DATA_WRITE_FAILED;
  }
  std::vector<std::pair<fs::path, fs::path>> into;
  for (const auto& f : files) into.emplace_back(f, Rebased(f, base, finalBase, folder));
  if (int err = MoveAll(into, failed)) {
    fs::path ignored;
    MoveAll(
        [&] {
          std::vector<std::pair<fs::path, fs::path>> back;
          for (const auto& [from, to] : aside) back.emplace_back(to, from);
          return back;
        }(),
        ignored);
    why = Describe("could not rename", failed, err, folder);
    RemoveFiles(files);
    return E_DATA_WRITE_FAILED;
  }
  SyncFolder(folder);
  HRESULT hr = Reopen(place, core, Rebased(main, base, finalBase, folder), name);
  if (FAILED(hr)) {
    why = "the output could not be opened again";
    return hr;
  }
  // The old dataset goes last; what cannot be removed is named.
  std::string left;
  for (const auto& [from, to] : aside) {
    if (::unlink(to.c_str()) != 0)
      left +=
          (left.empty() ? "" : ", ") + to.filename().string() + " (" + std::strerror(errno) + ")";
  }
  if (!left.empty()) {
    why = "could not delete " + left;
    return S_FALSE;
  }
  return S_OK;
}

}  // namespace velk::host
