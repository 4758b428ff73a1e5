#pragma once

#include <time.h>

#include <cstdio>
#include <cstdlib>

// Fails an input that costs more than a second of processor time. The
// fuzzer's own time limit counts wall-clock time, which a busy machine
// stretches many times over; it stays on, wider, to catch inputs that block.
class CpuTimeLimit {
 public:
  static constexpr double seconds = 1.0;

  CpuTimeLimit() : start_(now()) {}
  ~CpuTimeLimit() {
    double spent = now() - start_;
    if (spent > seconds) {
      std::fprintf(stderr, "==ERROR: slow input: %.2f s of processor time (limit %.0f s)\n", spent,
                   seconds);
      std::abort();
    }
  }
  CpuTimeLimit(const CpuTimeLimit&) = delete;
  CpuTimeLimit& operator=(const CpuTimeLimit&) = delete;

 private:
  static double now() {
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
  }
  double start_;
};
