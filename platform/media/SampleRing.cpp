#include "platform/media/SampleRing.h"

#include <algorithm>
#include <cstring>

namespace platform {

SampleRing::SampleRing(std::size_t capacityFrames)
    : capacity_(capacityFrames), data_(capacityFrames * channels) {}

std::size_t SampleRing::write(const float* in, std::size_t frames) {
  std::size_t written = written_.load(std::memory_order_relaxed);
  std::size_t free = capacity_ - (written - read_.load(std::memory_order_acquire));
  std::size_t count = std::min(frames, free);
  std::size_t at = written % capacity_;
  std::size_t first = std::min(count, capacity_ - at);
  std::memcpy(data_.data() + at * channels, in, first * channels * sizeof(float));
  std::memcpy(data_.data(), in + first * channels, (count - first) * channels * sizeof(float));
  written_.store(written + count, std::memory_order_release);
  return count;
}

std::size_t SampleRing::read(float* out, std::size_t frames) {
  std::size_t read = read_.load(std::memory_order_relaxed);
  std::size_t count = std::min(frames, written_.load(std::memory_order_acquire) - read);
  std::size_t at = read % capacity_;
  std::size_t first = std::min(count, capacity_ - at);
  std::memcpy(out, data_.data() + at * channels, first * channels * sizeof(float));
  std::memcpy(out + first * channels, data_.data(), (count - first) * channels * sizeof(float));
  read_.store(read + count, std::memory_order_release);
  return count;
}

std::size_t SampleRing::available() const {
  // Read first: a later `written_` is never behind it.
  std::size_t read = read_.load(std::memory_order_acquire);
  return written_.load(std::memory_order_acquire) - read;
}

void SampleRing::clear() {
  written_.store(0, std::memory_order_relaxed);
  read_.store(0, std::memory_order_relaxed);
}

}  // namespace platform
