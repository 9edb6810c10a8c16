// The worker pool: every index of a batch runs once, on one of the pool's threads, batch after
// batch; empty batches end at once; an exception of a job reaches the one who waits.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "platform/com/parallel.h"

namespace velk {
namespace {

TEST(WorkerPool, EveryIndexRunsOnceBatchAfterBatch) {
  WorkerPool pool(4);
  ASSERT_EQ(pool.Size(), 4u);
  for (std::size_t count : {0u, 1u, 63u, 64u, 65u, 1000u, 0u, 5000u}) {
    SCOPED_TRACE(count);
    std::vector<std::atomic<int>> runs(count);
    std::atomic<bool> badWorker{false};
    pool.Start(count, [&](unsigned worker, std::size_t i) {
      if (worker >= 4) badWorker = true;
      ++runs[i];
    });
    pool.Wait();
    EXPECT_FALSE(badWorker);
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(runs[i].load(), 1) << i;
  }
}

TEST(WorkerPool, AJobsExceptionReachesTheWaiterAndThePoolGoesOn) {
  WorkerPool pool(3);
  pool.Start(500, [](unsigned, std::size_t i) {
    if (i == 321) throw std::runtime_error("record 321");
  });
  EXPECT_THROW(pool.Wait(), std::runtime_error);
  std::atomic<int> total{0};
  pool.Start(200, [&](unsigned, std::size_t) { ++total; });
  pool.Wait();
  EXPECT_EQ(total.load(), 200);
}

TEST(WorkerPool, NoThreadsAsked) {
  WorkerPool pool(0);  // one thread all the same
  std::atomic<int> total{0};
  pool.Start(10, [&](unsigned worker, std::size_t) { total += static_cast<int>(worker) + 1; });
  pool.Wait();
  EXPECT_EQ(total.load(), 10);
}

}  // namespace
}  // namespace velk
