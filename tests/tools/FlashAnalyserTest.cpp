#include "tools/render/FlashAnalyser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace render {
namespace {

constexpr int kFps = 60;
constexpr int kWidth = 48;
constexpr int kHeight = 27;

struct Rgb {
  std::uint8_t r, g, b;
};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kOrange{251, 139, 36};  // reddish, but not a saturated red
// As luminous as kRed to within 0.01, and not red at all.
constexpr Rgb kGrey{127, 127, 127};
constexpr Rgb kPale{237, 237, 237};  // luminance about 0.85

// The colour of pixel (x, y) in frame f.
using Picture = std::function<Rgb(int f, int x, int y)>;

Picture alternation(Rgb a, Rgb b, double hz) {
  return [=](int f, int, int) { return long(std::floor(f * 2 * hz / kFps)) % 2 == 0 ? a : b; };
}

// A flashing rectangle of w × h pixels on black.
Picture patch(int w, int h, double hz) {
  return [=](int f, int x, int y) {
    return x >= 10 && x < 10 + w && y >= 5 && y < 5 + h ? alternation(kBlack, kWhite, hz)(f, x, y)
                                                        : kBlack;
  };
}

// Black to white and back over `seconds`, in sRGB steps.
Picture fade(double seconds) {
  return [=](int f, int, int) {
    const double half = seconds * kFps / 2;
    const double t = f <= half ? f / half : std::max(0.0, 2 - f / half);
    const auto v = std::uint8_t(std::lround(255 * t));
    return Rgb{v, v, v};
  };
}

struct Case {
  std::string name;
  Picture picture;
  int generalTransitions;
  int redTransitions;
};

std::array<int, 2> worstTransitions(const Picture& picture, int seconds) {
  FlashAnalyser analyser(kFps);
  std::vector<std::uint8_t> frame(std::size_t(kWidth) * kHeight * 4);
  for (int f = 0; f < seconds * kFps; ++f) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const Rgb c = picture(f, x, y);
        std::uint8_t* p = &frame[(std::size_t(y) * kWidth + std::size_t(x)) * 4];
        p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = 255;
      }
    }
    analyser.addFrame(kWidth, kHeight, frame.data());
  }
  std::array<int, 2> worst{};
  for (const auto& window : analyser.windows()) {
    worst[0] = std::max(worst[0], window.transitions[FlashAnalyser::General]);
    worst[1] = std::max(worst[1], window.transitions[FlashAnalyser::Red]);
  }
  return worst;
}

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class FlashAnalyserCase : public testing::TestWithParam<Case> {};

// A flash is two opposing transitions: 3 Hz is the most that passes.
TEST_P(FlashAnalyserCase, CountsTheWorstSecond) {
  const Case& c = GetParam();
  auto worst = worstTransitions(c.picture, 4);
  EXPECT_EQ(worst[0], c.generalTransitions);
  EXPECT_EQ(worst[1], c.redTransitions);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, FlashAnalyserCase,
    testing::Values(Case{"BlackWhite3Hz", alternation(kBlack, kWhite, 3), 6, 0},
                    Case{"BlackWhite4Hz", alternation(kBlack, kWhite, 4), 8, 0},
                    // 8 × 6 of 48 × 27 pixels: a sixth of the area that counts.
                    Case{"PatchBelowTheArea", patch(8, 6, 10), 0, 0},
                    // 18 × 9: just over a ninth of the frame.
                    Case{"PatchOverTheArea", patch(18, 9, 10), 20, 0},
                    Case{"RedAgainstEquallyBrightGrey", alternation(kRed, kGrey, 10), 0, 20},
                    Case{"RedAgainstBlack", alternation(kRed, kBlack, 10), 20, 20},
                    Case{"OrangeAgainstBlack", alternation(kOrange, kBlack, 10), 20, 0},
                    // Both ends are brighter than 0.8: no general flash.
                    Case{"PaleAgainstWhite", alternation(kPale, kWhite, 10), 0, 0},
                    Case{"SlowFade", fade(3), 1, 0}),
    [](const auto& test) { return test.param.name; });

TEST(FlashAnalyser, RefusesFramesOfAnotherSize) {
  FlashAnalyser analyser(kFps);
  std::vector<std::uint8_t> frame(64 * 64 * 4);
  analyser.addFrame(64, 64, frame.data());
  EXPECT_THROW(analyser.addFrame(32, 64, frame.data()), std::invalid_argument);
}

}  // namespace
}  // namespace render
