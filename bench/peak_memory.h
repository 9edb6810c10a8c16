// The memory a benchmark's run takes: the process's resident size, sampled while a run lasts.
#pragma once

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace bench {

// The resident memory of the process, in bytes.
inline long long ResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
  return 0;
}

// Samples the resident memory while it lives and keeps the highest value.
class PeakSampler {
 public:
  PeakSampler()
      : peak_(ResidentBytes()), thread_([this] {
          while (!stop_) {
            long long now = ResidentBytes();
            if (now > peak_) peak_ = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
        }) {}
  ~PeakSampler() { Stop(); }
  long long Stop() {
    if (!stop_.exchange(true)) thread_.join();
    return peak_;
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<long long> peak_;
  std::thread thread_;
};

}  // namespace bench
