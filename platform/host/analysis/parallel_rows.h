// Splits rows 0 .. rows - 1 into contiguous bands and runs one band per thread.
#pragma once

#include <algorithm>
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

}  // namespace velk::host::analysis
