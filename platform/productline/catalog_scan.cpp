#include "platform/productline/catalog_scan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "platform/com/parallel.h"
#include "platform/com/plain_text.h"

namespace velk::productline {

int DtedLevelOfSpacing(double arcSeconds) {
  // Levels 0, 1, 2 post every 30, 3 and 1 arc seconds; 3, 4, 5 every 1/3, 1/9, 1/27.
  static constexpr double kSpacing[] = {30.0, 3.0, 1.0, 1.0 / 3, 1.0 / 9, 1.0 / 27};
  for (int level = 0; level < 6; ++level)
    if (std::fabs(arcSeconds - kSpacing[level]) < kSpacing[level] * 0.01) return level;
  return -1;
}

bool PathInside(const std::string& folder, const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path root = fs::absolute(folder, ec).lexically_normal();
  const fs::path inner = fs::absolute(path, ec).lexically_normal();
  const fs::path relative = inner.lexically_relative(root);
  return !relative.empty() && *relative.begin() != ".." && !relative.is_absolute();
}

std::vector<std::string> FindFiles(const std::string& folder,
                                   const std::function<bool(const std::string&)>& accept,
                                   std::vector<ScanProblem>* skipped) {
  namespace fs = std::filesystem;
  std::vector<std::string> out;
  auto skip = [&](const std::string& path, const std::string& why) {
    if (skipped) skipped->push_back({path, why});
  };
  // Folders and files by their identity on disk (device and inode), with the path they were
  // first reached by: a link or a bind mount to a place already seen is followed once.
  std::map<std::pair<dev_t, ino_t>, std::string> seen;
  auto firstVisit = [&](const fs::path& p, const struct stat& st) {
    return seen.emplace(std::make_pair(st.st_dev, st.st_ino), p.string());
  };
  struct stat st{};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return out;
  firstVisit(folder, st);
  // The real tree first, the links after it, so a place reached both ways keeps its own path.
  std::vector<fs::path> folders = {fs::path(folder)};
  std::vector<fs::path> links;
  auto take = [&](const fs::path& p) {
    if (::stat(p.c_str(), &st) != 0) {
      skip(p.string(), "skipped: a link to nothing");
      return;
    }
    if (S_ISDIR(st.st_mode)) {
      auto [at, fresh] = firstVisit(p, st);
      if (fresh)
        folders.push_back(p);
      else
        skip(p.string(), "skipped: the same folder as \"" + at->second + "\"");
      return;
    }
    if (!S_ISREG(st.st_mode)) return;
    if (!accept(ToLower(p.filename().string()))) return;
    auto [at, fresh] = firstVisit(p, st);
    if (fresh)
      out.push_back(p.string());
    else
      skip(p.string(), "skipped: the same file as \"" + at->second + "\"");
  };
  while (!folders.empty() || !links.empty()) {
    if (folders.empty()) {
      const fs::path link = links.front();
      links.erase(links.begin());
      take(link);
      continue;
    }
    const fs::path current = folders.back();
    folders.pop_back();
    std::error_code ec;
    fs::directory_iterator it(current, ec);
    if (ec) {
      skip(current.string(), "skipped: the folder cannot be read (" + ec.message() + ")");
      continue;
    }
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
      if (it->is_symlink(ec))
        links.push_back(it->path());
      else
        take(it->path());
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool ForEachFile(std::size_t count, const ScanOptions& options,
                 const std::function<void(std::size_t index)>& work) {
  std::function<bool(std::size_t)> watch;
  if (options.progress) watch = [&](std::size_t done) { return options.progress(done, count); };
  return ForEachIndex(count, WorkerThreads(options.threads), work, watch);
}

}  // namespace velk::productline
