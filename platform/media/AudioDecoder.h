#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Decodes the first audio stream of a file, whole, into interleaved stereo
// float at 48 kHz: the one format the audio device is opened with. Sample 0
// of the result is the file's time 0: the encoder's priming samples, which
// the container marks, are dropped.
class AudioDecoder {
 public:
  static constexpr int sampleRate = 48000;
  static constexpr int channels = 2;

  // Fails with a reason a person can read for a missing, empty, truncated,
  // unreadable or non-audio file. Runs on the calling thread.
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
