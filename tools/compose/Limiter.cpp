#include "tools/compose/Limiter.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

namespace compose {

void Limiter::process(StereoBuffer& mix) const {
  std::size_t frames = mix.frames();
  std::size_t window = std::max<std::size_t>(1, StereoBuffer::frameAt(lookAhead_));
  // The gain each frame alone would need.
  std::vector<double> needed(frames);
  for (std::size_t n = 0; n < frames; ++n) {
    double peak = std::max(std::fabs(mix.left()[n]), std::fabs(mix.right()[n]));
    needed[n] = peak > ceiling_ ? ceiling_ / peak : 1.0;
  }
  // The least of the next `window` frames (a monotonic queue keeps it linear).
  std::vector<double> ahead(frames);
  std::deque<std::size_t> queue;
  for (std::size_t n = frames; n-- > 0;) {
    while (!queue.empty() && needed[queue.back()] >= needed[n]) {
      queue.pop_back();
    }
    queue.push_back(n);
    while (queue.front() > n + window) {
      queue.pop_front();
    }
    ahead[n] = needed[queue.front()];
  }
  // Falls at once, recovers with the release; never above what is needed.
  double recover = 1.0 - std::exp(-1.0 / (release_ * StereoBuffer::rate));
  double held = 1.0;
  for (std::size_t n = 0; n < frames; ++n) {
    held = std::min(ahead[n], held + (ahead[n] - held) * recover);
    ahead[n] = held;
  }
  // Averaging over the window smooths the fall; at a peak every averaged
  // value already looked ahead to it, so the mean stays below what it needs.
  double sum = 0;
  for (std::size_t n = 0; n < frames; ++n) {
    sum += ahead[n];
    if (n > window) {
      sum -= ahead[n - window - 1];
    }
    double count = static_cast<double>(std::min(n, window) + 1);
    auto gain = static_cast<float>(sum / count);
    mix.left()[n] *= gain;
    mix.right()[n] *= gain;
  }
}

}  // namespace compose
