#include "SinkClock.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace bench {

namespace {

long samplesToNs(long samples, int rate) {
  return std::lround(double(samples) * 1e9 / double(rate));
}

}  // namespace

SinkClock::SinkClock(const std::vector<Chunk>& chunks, int rate, double window)
    : rate_(rate), windowSamples_(std::max(1L, std::lround(window * rate))) {
  for (const Chunk& chunk : chunks) {
    const long end = chunk.firstSample + chunk.samples;
    samples_ = std::max(samples_, end);
    const auto index = std::size_t((end - 1) / windowSamples_);
    if (startNs_.size() <= index) {
      startNs_.resize(index + 1, LONG_MAX);
    }
    startNs_[index] = std::min(startNs_[index], chunk.arrivedNs - samplesToNs(end, rate));
  }
  // A window without a chunk of its own ends inside a longer chunk: it takes
  // the window before.
  for (std::size_t i = 1; i < startNs_.size(); ++i) {
    if (startNs_[i] == LONG_MAX) {
      startNs_[i] = startNs_[i - 1];
    }
  }
}

std::optional<long> SinkClock::renderedAtNs(long sample) const {
  if (sample < 0 || sample >= samples_ || startNs_.empty()) {
    return std::nullopt;
  }
  const auto index = std::min(std::size_t(sample / windowSamples_), startNs_.size() - 1);
  return startNs_[index] + samplesToNs(sample, rate_);
}

}  // namespace bench
