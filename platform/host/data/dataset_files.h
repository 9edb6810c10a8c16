// The files of a file-based dataset (a shapefile's .shp, .shx, .dbf, .prj, ...) handled as one:
// checked copies, moves that are undone when one of them fails, checks that a written file is
// complete, the reason of a failed write in the user's words, and why a chosen path cannot be a
// dataset.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace velk::host {

// The file operations the moves use; tests put in operations that fail on a chosen file.
struct FileOps {
  // 0 or an errno value.
  std::function<int(const std::filesystem::path& from, const std::filesystem::path& to)> rename;
  std::function<int(const std::filesystem::path& file)> remove;
};
const FileOps& SystemFileOps();

// Renames every pair, in order. When one fails the pairs already moved go back and the errno
// value is returned with the file that failed; 0 when every file moved.
int MoveAll(const std::vector<std::pair<std::filesystem::path, std::filesystem::path>>& moves,
            std::filesystem::path& failed, const FileOps& ops = SystemFileOps());

// Copies a file, checking every write and the close, and flushes it to disk. A failed copy
// leaves no file at `to`. 0 or an errno value.
int CopyFileChecked(const std::filesystem::path& from, const std::filesystem::path& to);

// Flushes a written file to disk (0 or an errno value), and a folder after renames in it.
int SyncFile(const std::filesystem::path& file);
void SyncFolder(const std::filesystem::path& folder);

// Whether two files hold the same bytes.
bool SameContent(const std::filesystem::path& a, const std::filesystem::path& b);

// Whether a written dBASE, shape or shape index file holds everything its header announces.
// Files of other kinds are taken as complete.
bool FileComplete(const std::filesystem::path& file);

// Puts the end-of-file mark (0x1A) after the last record of a dBASE file that ends exactly
// where its header says the records end. The host's GDAL handles append records without it (the
// mark after every record costs a read and a write of the file per record) and it is added
// here when the writes are synced, so the files are what GDAL writes with the mark. 0 or an
// errno value.
int MarkDbaseEnd(const std::filesystem::path& file);

// What dBASE writes into every byte of a field of type that has no value (as GDAL's shapefile
// driver writes it: '*' for numbers, '0' for dates, '?' for logicals, else a space).
char DbaseNullMark(char type);

// Rewrites a dBASE file with header (its header with fields added after the others, as GDAL
// writes it), each record followed by the added fields' null marks, in one pass into a file
// beside it that then takes its place. 0 or an errno value (EINVAL when header does not extend
// the file's own); the file is unchanged then.
int AppendDbaseFields(const std::filesystem::path& file, const std::string& header);

// The reason of a failed write to a file in folder, as a user reads it: "disk full" when the
// folder's file system has no room left, "file size limit reached", else the system's text.
std::string WriteFailureText(int err, const std::filesystem::path& folder);

// Why a path the user chose cannot be a table or feature class, in the user's words: too long,
// not there (or a shapefile's .shp or .dbf missing), a folder, a named pipe or device, a name
// with characters datasets cannot have. Empty when nothing is wrong with the path itself. Never
// opens the file, so a pipe cannot block.
std::string WhyNotADataset(const std::string& path);

}  // namespace velk::host
