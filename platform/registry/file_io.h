// Whole-file reads and careful writes for the registry file and saved keys.
#pragma once

#include <string>

#include "platform/com/base_types.h"

namespace velk::reg::detail {

// Returns 0 or an errno value (ENOENT when the file is missing).
int ReadWholeFile(const std::string& path, std::string& out);

// Writes path.tmp in the same folder, flushes it to disk and renames it over path, so the file
// is always either the old or the new text. Returns 0 or an errno value; on failure the old
// file is untouched.
int WriteFileAtomically(const std::string& path, const std::string& text);

// Creates a new file; never replaces an existing one (EEXIST). On failure no file is left.
int WriteNewFile(const std::string& path, const std::string& text);

// An exclusive lock on a file (flock: between processes, and between two locks of one
// process), let go when the object goes.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();
  // Waits for the lock on the file, made first when create is set; 0 or an errno value.
  int Acquire(const std::string& path, bool create);

 private:
  int fd_ = -1;
};

// The Win32 error code for an errno value.
LONG ErrnoToStatus(int err);

}  // namespace velk::reg::detail
