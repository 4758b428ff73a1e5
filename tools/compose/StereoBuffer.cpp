#include "tools/compose/StereoBuffer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace compose {

StereoBuffer::StereoBuffer(double seconds) : left_(frameAt(seconds)), right_(frameAt(seconds)) {}

std::size_t StereoBuffer::frameAt(double seconds) {
  return static_cast<std::size_t>(std::llround(std::max(0.0, seconds) * rate));
}

void StereoBuffer::add(std::size_t frame, double value, double pan) {
  double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * std::numbers::pi / 4.0;
  addStereo(frame, value * std::cos(angle) * std::numbers::sqrt2,
            value * std::sin(angle) * std::numbers::sqrt2);
}

void StereoBuffer::addStereo(std::size_t frame, double left, double right) {
  if (frame < left_.size()) {
    left_[frame] += static_cast<float>(left);
    right_[frame] += static_cast<float>(right);
  }
}

void StereoBuffer::mix(const StereoBuffer& other, double gain) {
  std::size_t count = std::min(frames(), other.frames());
  for (std::size_t i = 0; i < count; ++i) {
    left_[i] += static_cast<float>(other.left_[i] * gain);
    right_[i] += static_cast<float>(other.right_[i] * gain);
  }
}

void StereoBuffer::applyGain(const std::vector<float>& gain) {
  std::size_t count = std::min(frames(), gain.size());
  for (std::size_t i = 0; i < count; ++i) {
    left_[i] *= gain[i];
    right_[i] *= gain[i];
  }
}

std::vector<float> StereoBuffer::interleaved() const {
  std::vector<float> out(frames() * 2);
  for (std::size_t i = 0; i < frames(); ++i) {
    out[2 * i] = left_[i];
    out[2 * i + 1] = right_[i];
  }
  return out;
}

}  // namespace compose
