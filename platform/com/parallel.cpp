#include "platform/com/parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace velk {

namespace {

// Indices handed out at a time: few enough to share out a batch evenly, many enough that the
// lock is rarely taken.
constexpr std::size_t kChunk = 64;

}  // namespace

unsigned WorkerThreads(unsigned requested) {
  return std::max(1u, requested ? requested : std::thread::hardware_concurrency());
}

bool ForEachIndex(std::size_t count, unsigned threads,
                  const std::function<void(std::size_t index)>& work,
                  const std::function<bool(std::size_t done)>& watch) {
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
  bool keepGoing = true;
  {
    std::unique_lock<std::mutex> lock(mutex);
    while (done.load() < count) {
      finished.wait_for(lock, std::chrono::milliseconds(50));
      if (keepGoing && watch) {
        lock.unlock();
        keepGoing = watch(done.load());
        lock.lock();
        if (!keepGoing) {
          stop = true;
          break;
        }
      }
    }
  }
  for (std::thread& t : pool) t.join();
  if (keepGoing && watch) keepGoing = watch(done.load());
  return keepGoing && done.load() == count;
}

WorkerPool::WorkerPool(unsigned threads) {
  threads = std::max(1u, threads);
  for (unsigned w = 0; w < threads; ++w) threads_.emplace_back([this, w] { Loop(w); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (auto& t : threads_) t.join();
}

void WorkerPool::Start(std::size_t count, Job job) {
  Wait();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    job_ = std::move(job);
    count_ = count;
    next_ = 0;
    finished_ = 0;
    error_ = nullptr;
    running_ = count > 0;
  }
  wake_.notify_all();
}

void WorkerPool::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return !running_; });
  if (error_) {
    std::exception_ptr e = error_;
    error_ = nullptr;
    std::rethrow_exception(e);
  }
}

void WorkerPool::Loop(unsigned worker) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || (running_ && next_ < count_); });
    if (stop_) return;
    const std::size_t begin = next_, end = std::min(count_, next_ + kChunk);
    next_ = end;
    lock.unlock();
    std::exception_ptr failure;
    try {
      for (std::size_t i = begin; i < end; ++i) job_(worker, i);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (failure && !error_) error_ = failure;
    finished_ += end - begin;
    if (finished_ == count_) {
      running_ = false;
      done_.notify_all();
    }
  }
}

}  // namespace velk
