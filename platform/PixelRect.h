#pragma once

#include <vector>

namespace platform {

// A rectangle of device pixels, top-down, half open: x0 ≤ x < x1, y0 ≤ y < y1.
struct PixelRect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

  bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
  // Empty results are all the same: the zero rectangle.
  PixelRect intersection(const PixelRect& o) const;
  // The smallest rectangle holding both; an empty side is ignored.
  PixelRect unionWith(const PixelRect& o) const;
  bool intersects(const PixelRect& o) const { return !intersection(o).isEmpty(); }
  // Appends `rect` minus `hole` to `out`: up to four rectangles that do not
  // overlap (full-width bands above and below the hole, then its sides).
  static void subtract(const PixelRect& rect, const PixelRect& hole, std::vector<PixelRect>& out);

  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

}  // namespace platform
