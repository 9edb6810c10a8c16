// Timing a side of a benchmark beside its peer: the sides run in turn, round after round, so a
// change in the machine's load falls on both alike; each side's minimum and median are kept.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

struct Side {
  std::string name;
  std::function<void()> run;  // one run of the side's whole work
  std::vector<double> seconds{};
  double Min() const { return *std::min_element(seconds.begin(), seconds.end()); }
  double Median() const {
    std::vector<double> s = seconds;
    std::sort(s.begin(), s.end());
    const std::size_t n = s.size();
    return n % 2 ? s[n / 2] : (s[n / 2 - 1] + s[n / 2]) / 2;
  }
};

// Rounds from VELK_BENCH_ROUNDS, else the given number.
inline int Rounds(int fallback) {
  const char* r = std::getenv("VELK_BENCH_ROUNDS");
  return r && std::atoi(r) > 0 ? std::atoi(r) : fallback;
}

// Runs every side once per round, in turn, after one untimed warm-up run of each.
inline void Alternate(std::vector<Side>& sides, int rounds) {
  for (Side& s : sides) s.run();
  for (int r = 0; r < rounds; ++r)
    for (Side& s : sides) {
      const auto t0 = std::chrono::steady_clock::now();
      s.run();
      s.seconds.push_back(
          std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
}

inline void PrintSides(const std::vector<Side>& sides) {
  for (const Side& s : sides)
    std::printf("%-48s min %8.3f s  median %8.3f s  (%zu runs)\n", s.name.c_str(), s.Min(),
                s.Median(), s.seconds.size());
}

// a's time over b's, by minimum and by median.
inline void PrintRatio(const char* what, const Side& a, const Side& b) {
  std::printf("%-48s %.2fx (min)  %.2fx (median)\n", what, a.Min() / b.Min(),
              a.Median() / b.Median());
}

// Runs a shell command line as a user would and gives the peak resident memory of the process
// it started (of the shell's child for a pipeline: the largest of them), in bytes; aborts the
// benchmark when the command fails.
inline long long RunCommand(const std::string& command) {
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
  return static_cast<long long>(usage.ru_maxrss) * 1024;
}

}  // namespace bench
