#pragma once

#include <optional>
#include <vector>

namespace bench {

// When a sound device rendered each sample of a recording of its output,
// from when each chunk of the recording arrived. A chunk can only arrive
// after its last sample was rendered, never before, so over a window of
// chunks the least delayed one tells when the recording's first sample was
// rendered; the windows follow a slow drift between the device's clock and
// the one that stamped the chunks.
class SinkClock {
 public:
  struct Chunk {
    long firstSample;  // index in the recording
    long samples;
    long arrivedNs;  // on the clock that stamped it
  };

  // Chunks in recording order, contiguous; `window` seconds of samples each.
  SinkClock(const std::vector<Chunk>& chunks, int rate, double window);

  // Nanoseconds on the chunks' clock; none outside the recording.
  std::optional<long> renderedAtNs(long sample) const;

 private:
  int rate_;
  long windowSamples_;
  long samples_ = 0;
  // Per window: when the recording's sample 0 would have been rendered.
  std::vector<long> startNs_;
};

}  // namespace bench
