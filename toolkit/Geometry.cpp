#include "ui/Geometry.h"

#include <algorithm>

namespace ui {

Rect Rect::intersection(const Rect& other) const {
  double x0 = std::max(minX(), other.minX());
  double y0 = std::max(minY(), other.minY());
  double x1 = std::min(maxX(), other.maxX());
  double y1 = std::min(maxY(), other.maxY());
  if (x1 <= x0 || y1 <= y0) {
    return Rect::zero();
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::unionWith(const Rect& other) const {
  if (isEmpty()) {
    return other;
  }
  if (other.isEmpty()) {
    return *this;
  }
  double x0 = std::min(minX(), other.minX());
  double y0 = std::min(minY(), other.minY());
  double x1 = std::max(maxX(), other.maxX());
  double y1 = std::max(maxY(), other.maxY());
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace ui
