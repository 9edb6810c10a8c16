// The project's thread helpers: how many threads a run takes, indices shared out over threads
// while the caller watches, and a fixed pool that runs batches while its starter does other work.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace velk {

// The threads a run asks for: requested, or every hardware thread when 0; at least one.
unsigned WorkerThreads(unsigned requested);

// The number of threads to use: requested (0: every hardware thread), at most one per
// minRowsPerThread rows and at least one.
inline int ThreadCount(int requested, int rows, int minRowsPerThread = 32) {
  int n = static_cast<int>(WorkerThreads(requested > 0 ? static_cast<unsigned>(requested) : 0u));
  n = std::min(n, std::max(1, rows / std::max(1, minRowsPerThread)));
  return std::max(1, n);
}

// band(first, last) for bands covering [0, rows); the calling thread runs the last band.
template <typename Band>
void ForEachRowBand(int rows, int threads, Band band) {
  threads = std::max(1, std::min(threads, std::max(1, rows)));
  if (threads == 1) {
    band(0, rows);
    return;
  }
  std::vector<std::thread> workers;
  workers.reserve(threads - 1);
  auto bound = [&](int i) { return static_cast<int>(static_cast<long long>(rows) * i / threads); };
  for (int i = 0; i + 1 < threads; ++i) workers.emplace_back(band, bound(i), bound(i + 1));
  band(bound(threads - 1), rows);
  for (auto& w : workers) w.join();
}

// Runs work(i) for every i in [0, count) on up to threads threads, each taking the next index
// as it finishes one. Meanwhile the calling thread calls watch(done) about every 50 ms and once
// at the end; when it returns false no further index is started. True when every index ran and
// watch never said stop.
bool ForEachIndex(std::size_t count, unsigned threads,
                  const std::function<void(std::size_t index)>& work,
                  const std::function<bool(std::size_t done)>& watch);

// A fixed set of worker threads that run one job over the indices of a batch while the thread
// that started it does other work (reading the next batch, writing the last one).
class WorkerPool {
 public:
  // job(worker, index): worker is the number of the thread running it, in [0, Size()).
  using Job = std::function<void(unsigned worker, std::size_t index)>;

  explicit WorkerPool(unsigned threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  unsigned Size() const { return static_cast<unsigned>(threads_.size()); }

  // Starts job over [0, count); at most one batch runs at a time.
  void Start(std::size_t count, Job job);
  // Waits until the batch started last is done; rethrows the first exception a job raised.
  void Wait();

 private:
  void Loop(unsigned worker);

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  Job job_;
  std::size_t count_ = 0;
  std::size_t next_ = 0;      // the next index to hand out
  std::size_t finished_ = 0;  // indices done
  bool running_ = false;
  bool stop_ = false;
  std::exception_ptr error_;
};

}  // namespace velk
