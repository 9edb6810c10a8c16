#include "platform/productline/catalog_scan.h"
#include "platform/com/plain_text.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

namespace velk::productline {

int DtedLevelOfSpacing(double arcSeconds) {
  // Levels 0, 1, 2 post every 30, 3 and 1 arc seconds; 3, 4, 5 every 1/3, 1/9, 1/27.
  static constexpr double kSpacing[] = {30.0, 3.0, 1.0, 1.0 / 3, 1.0 / 9, 1.0 / 27};
  for (int level = 0; level < 6; ++level)
    if (std::fabs(arcSeconds - kSpacing[level]) < kSpacing[level] * 0.01) return level;
  return -1;
}

std::vector<std::string> FindFiles(const std::string& folder,
                                   const std::function<bool(const std::string&)>& accept) {
  namespace fs = std::filesystem;
  std::vector<std::string> out;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = ToLower(it->path().filename().string());
    if (accept(name)) out.push_back(it->path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool ForEachFile(std::size_t count, const ScanOptions& options,
                 const std::function<void(std::size_t index)>& work) {
  unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
  threads = std::max(
      1u, std::min<unsigned>(threads, static_cast<unsigned>(std::max<std::size_t>(count, 1))));
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable finished;
  auto worker = [&] {
    for (;;) {
      if (stop.load()) break;
      const std::size_t i = next.fetch_add(1);
      if (i >= count) break;
      work(i);
      if (done.fetch_add(1) + 1 == count) {
        std::lock_guard<std::mutex> lock(mutex);
        finished.notify_all();
      }
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(threads);
  for (unsigned t = 0; t < threads; ++t) pool.emplace_back(worker);
  // The calling thread reports progress and hears the request to stop.
  bool keepGoing = true;
  {
    std::unique_lock<std::mutex> lock(mutex);
    while (done.load() < count) {
      finished.wait_for(lock, std::chrono::milliseconds(50));
      if (keepGoing && options.progress) {
        lock.unlock();
        keepGoing = options.progress(done.load(), count);
        lock.lock();
        if (!keepGoing) {
          stop = true;
          break;
        }
      }
    }
  }
  for (std::thread& t : pool) t.join();
  if (keepGoing && options.progress) keepGoing = options.progress(done.load(), count);
  return keepGoing && done.load() == count;
}

}  // namespace velk::productline
