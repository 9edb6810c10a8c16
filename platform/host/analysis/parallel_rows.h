// The analysis engines' thread helpers: rows 0 .. rows - 1 split into contiguous bands, one
// band per thread; or a queue of tasks taken in turn by a few threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace velk::host::analysis {

// The number of threads to use: requested (0: every hardware thread), at most one per
// minRowsPerThread rows and at least one.
inline int ThreadCount(int requested, int rows, int minRowsPerThread = 32) {
  int n = requested > 0 ? requested : static_cast<int>(std::thread::hardware_concurrency());
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

// task(t, state) for every t in [0, tasks) on at most `threads` threads (the calling thread is
// one of them); each thread takes the next task nobody has begun and keeps one State of its
// own (default-constructed), for scratch buffers that outlive a task.
template <typename State, typename Task>
void ForEachTask(std::size_t tasks, int threads, Task task) {
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max(1, threads)),
                                               std::max<std::size_t>(1, tasks));
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    State state{};
    for (std::size_t t; (t = next.fetch_add(1, std::memory_order_relaxed)) < tasks;) task(t, state);
  };
  std::vector<std::thread> workers;
  workers.reserve(n - 1);
  for (std::size_t i = 1; i < n; ++i) workers.emplace_back(work);
  work();
  for (auto& w : workers) w.join();
}

}  // namespace velk::host::analysis
