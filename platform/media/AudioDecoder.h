#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/media/AudioStream.h"

namespace platform {

// Decodes the first audio stream of a file, whole, into interleaved stereo
// float at 48 kHz (see AudioStream): for tests and tools that want every
// sample at once. The player streams instead.
class AudioDecoder {
 public:
  static constexpr int sampleRate = AudioStream::sampleRate;
  static constexpr int channels = AudioStream::channels;

  // Fails with a reason a person can read for a missing, empty, truncated,
  // unreadable or non-audio file; keeps an earlier decode then. Runs on the
  // calling thread.
  bool decodeFile(const std::string& path, std::string& error);

  // Interleaved left/right pairs, full scale ±1.
  const std::vector<float>& samples() const { return samples_; }
  std::vector<float>& samples() { return samples_; }
  std::size_t frames() const { return samples_.size() / channels; }
  // Seconds.
  double duration() const { return static_cast<double>(frames()) / sampleRate; }

 private:
  std::vector<float> samples_;
};

}  // namespace platform
