#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace platform {

// A fixed ring of interleaved stereo frames between one producer thread and
// one consumer thread, without locks: write() on the producer's side, read()
// on the consumer's, each only ever blocked by nothing. The counters only
// grow; their difference is what the ring holds.
class SampleRing {
 public:
  static constexpr int channels = 2;

  explicit SampleRing(std::size_t capacityFrames);

  // Producer: copies as many of `frames` as fit; returns how many did.
  std::size_t write(const float* in, std::size_t frames);
  // Consumer: copies up to `frames` out; returns how many there were.
  std::size_t read(float* out, std::size_t frames);

  std::size_t capacity() const { return capacity_; }
  // Frames waiting to be read (exact on the consumer's side, a lower bound
  // elsewhere).
  std::size_t available() const;
  // Empties the ring. Only while neither side is inside write() or read().
  void clear();

 private:
  std::size_t capacity_;
  std::vector<float> data_;
  std::atomic<std::size_t> written_{0};  // frames ever written; producer stores
  std::atomic<std::size_t> read_{0};     // frames ever read; consumer stores
};

}  // namespace platform
