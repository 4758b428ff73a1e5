#include "tools/compose/Reverb.h"

#include <array>

namespace compose {

namespace {

// Freeverb's tunings at 44.1 kHz, scaled to our rate.
constexpr std::array<int, 8> combLengths{1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<int, 4> allPassLengths{556, 441, 341, 225};
constexpr int stereoSpread = 23;

int scaled(int length) {
  return length * StereoBuffer::rate / 44100;
}

class Comb {
 public:
  explicit Comb(int length) : buffer_(static_cast<std::size_t>(length), 0.0f) {}
  float process(float input, float feedback, float damp) {
    float output = buffer_[index_];
    store_ = output * (1.0f - damp) + store_ * damp;
    buffer_[index_] = input + store_ * feedback;
    index_ = (index_ + 1) % buffer_.size();
    return output;
  }

 private:
  std::vector<float> buffer_;
  std::size_t index_ = 0;
  float store_ = 0;
};

class AllPass {
 public:
  explicit AllPass(int length) : buffer_(static_cast<std::size_t>(length), 0.0f) {}
  float process(float input) {
    float delayed = buffer_[index_];
    buffer_[index_] = input + delayed * 0.5f;
    index_ = (index_ + 1) % buffer_.size();
    return delayed - input;
  }

 private:
  std::vector<float> buffer_;
  std::size_t index_ = 0;
};

void runChannel(const std::vector<float>& in, std::vector<float>& out, int spread, float feedback,
                float damp) {
  std::vector<Comb> combs;
  for (int length : combLengths) {
    combs.emplace_back(scaled(length + spread));
  }
  std::vector<AllPass> allPasses;
  for (int length : allPassLengths) {
    allPasses.emplace_back(scaled(length + spread));
  }
  for (std::size_t n = 0; n < in.size(); ++n) {
    float input = in[n] * 0.015f;
    float sum = 0;
    for (auto& comb : combs) {
      sum += comb.process(input, feedback, damp);
    }
    for (auto& allPass : allPasses) {
      sum = allPass.process(sum);
    }
    out[n] = sum;
  }
}

}  // namespace

StereoBuffer Reverb::process(const StereoBuffer& input) const {
  StereoBuffer wet(static_cast<double>(input.frames()) / StereoBuffer::rate);
  auto feedback = static_cast<float>(0.7 + 0.28 * size_);
  auto damp = static_cast<float>(0.4 * damping_);
  runChannel(input.left(), wet.left(), 0, feedback, damp);
  runChannel(input.right(), wet.right(), stereoSpread, feedback, damp);
  return wet;
}

}  // namespace compose
