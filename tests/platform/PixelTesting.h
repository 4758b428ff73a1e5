#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "platform/OffscreenRenderer.h"
#include "ui/View.h"

namespace pixeltesting {

// One offscreen context per test program: making one costs far more than a frame.
inline platform::OffscreenRenderer& renderer() {
  static std::unique_ptr<platform::OffscreenRenderer> shared = [] {
    std::string error;
    auto made = platform::OffscreenRenderer::create(error);
    if (!made) {
      ADD_FAILURE() << "no offscreen renderer: " << error;
      std::abort();
    }
    return made;
  }();
  return *shared;
}

struct Rgba {
  int r, g, b, a;
  friend std::ostream& operator<<(std::ostream& out, const Rgba& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
  }
};

inline Rgba at(const platform::Image& image, int x, int y) {
  const std::uint8_t* p = image.pixel(x, y);
  return {p[0], p[1], p[2], p[3]};
}

inline ::testing::AssertionResult near(const Rgba& actual, const Rgba& expected, int tolerance) {
  if (std::abs(actual.r - expected.r) <= tolerance &&
      std::abs(actual.g - expected.g) <= tolerance &&
      std::abs(actual.b - expected.b) <= tolerance &&
      std::abs(actual.a - expected.a) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << actual << " is not within " << tolerance << " of " << expected;
}

// Equality up to `tolerance` per channel, reported as the number of differing
// pixels and the first one. Drawing through an intermediate 8-bit texture may
// round a blended channel differently by a step or two (more under a
// translucent background); a stale picture differs by far more.
inline ::testing::AssertionResult sameImage(const platform::Image& actual,
                                            const platform::Image& expected, int tolerance = 0) {
  if (actual.width != expected.width || actual.height != expected.height) {
    return ::testing::AssertionFailure() << "sizes differ";
  }
  int differing = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < actual.height; ++y) {
    for (int x = 0; x < actual.width; ++x) {
      const std::uint8_t* a = actual.pixel(x, y);
      const std::uint8_t* e = expected.pixel(x, y);
      bool same = true;
      for (int c = 0; c < 4; ++c) {
        same = same && std::abs(int(a[c]) - int(e[c])) <= tolerance;
      }
      if (!same) {
        if (differing++ == 0) {
          firstX = x;
          firstY = y;
        }
      }
    }
  }
  if (differing == 0) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << differing << " pixels differ, the first at (" << firstX << ", " << firstY
         << "): " << at(actual, firstX, firstY) << " instead of " << at(expected, firstX, firstY);
}

inline std::shared_ptr<ui::View> box(const ui::Rect& frame, const ui::Color& color) {
  auto view = std::make_shared<ui::View>(frame);
  view->setBackgroundColor(color);
  return view;
}

inline ui::Color rgb(int r, int g, int b, double alpha = 1) {
  return ui::Color::withRGBA(r / 255.0, g / 255.0, b / 255.0, alpha);
}

}  // namespace pixeltesting
