#pragma once

#include <cstddef>
#include <vector>

namespace compose {

// A bus of the mix: left and right as separate arrays, full scale ±1.
class StereoBuffer {
 public:
  static constexpr int rate = 48000;  // samples per second

  explicit StereoBuffer(double seconds);

  std::size_t frames() const { return left_.size(); }
  static std::size_t frameAt(double seconds);

  // Adds a sample at `frame` with equal-power pan (-1 left, 0 centre, 1 right);
  // frames past the end are dropped.
  void add(std::size_t frame, double value, double pan);
  void addStereo(std::size_t frame, double left, double right);
  // Adds `other` × `gain` frame by frame.
  void mix(const StereoBuffer& other, double gain);
  // Multiplies both channels frame by frame.
  void applyGain(const std::vector<float>& gain);

  std::vector<float>& left() { return left_; }
  std::vector<float>& right() { return right_; }
  const std::vector<float>& left() const { return left_; }
  const std::vector<float>& right() const { return right_; }
  // Left/right pairs, as the encoder takes them.
  std::vector<float> interleaved() const;

 private:
  std::vector<float> left_;
  std::vector<float> right_;
};

}  // namespace compose
