#pragma once

namespace ui {

// Components are sRGB values from 0 to 1, not premultiplied.
struct Color {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 0;

  static constexpr Color black() { return {0, 0, 0, 1}; }
  static constexpr Color white() { return {1, 1, 1, 1}; }
  static constexpr Color yellow() { return {1, 1, 0, 1}; }
  static constexpr Color clear() { return {0, 0, 0, 0}; }
  static constexpr Color withWhite(double white, double alpha) {
    return {white, white, white, alpha};
  }
  static constexpr Color withRGBA(double r, double g, double b, double a) { return {r, g, b, a}; }

  friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace ui
