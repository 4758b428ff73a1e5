#pragma once

#include "ui/Geometry.h"

namespace ui {

// x' = a·x + c·y + tx, y' = b·x + d·y + ty: points are row vectors, so in
// t.concat(o) t applies first.
struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  static constexpr AffineTransform identity() { return {}; }
  static AffineTransform makeScale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static AffineTransform makeTranslation(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static AffineTransform makeRotation(double radians);

  // This transform followed by `other`.
  AffineTransform concat(const AffineTransform& other) const;
  AffineTransform scaled(double sx, double sy) const { return makeScale(sx, sy).concat(*this); }
  AffineTransform translated(double x, double y) const {
    return makeTranslation(x, y).concat(*this);
  }
  AffineTransform inverted() const;
  bool isIdentity() const { return *this == identity(); }
  double determinant() const { return a * d - b * c; }

  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  Size applyToSize(Size s) const {
    return {a * s.width + c * s.height, b * s.width + d * s.height};
  }
  // The axis-aligned bounding box of the transformed rectangle.
  Rect apply(const Rect& r) const;

  friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

}  // namespace ui
