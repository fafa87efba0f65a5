#pragma once
// What the benchmark programs share: timing, table rows, and their two
// options (--rows-only: no table header; --runs N).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace vpo::bench {

struct Options {
  bool header = true;
  int runs = 20;
};

// False (after printing the usage) when an argument is not understood.
inline bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rows-only") == 0) {
      options.header = false;
    } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      options.runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--rows-only] [--runs N]\n", argv[0]);
      return false;
    }
  }
  return true;
}

// Median of `runs` timings of `work`, in milliseconds.
inline double MedianMs(int runs, const std::function<void()>& work) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    work();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

inline void Row(const char* name, double measured, const char* reference) {
  std::printf("| %s | %.2f ms | %s |\n", name, measured, reference);
}

}  // namespace vpo::bench
