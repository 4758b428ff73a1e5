#pragma once

#include <string>
#include <string_view>

namespace ui {

class View;

enum class CompositingFilter { None, SaturationBlendMode };

// The drawing properties of a view that the show sets on its layer.
class Layer {
 public:
  explicit Layer(View& owner) : owner_(owner) {}
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double radius);

  CompositingFilter compositingFilter() const { return filter_; }
  // Only "saturationBlendMode" is known; any other name clears the filter.
  void setCompositingFilter(std::string_view name);
  void setCompositingFilter(CompositingFilter filter);

 private:
  View& owner_;
  double cornerRadius_ = 0;
  CompositingFilter filter_ = CompositingFilter::None;
};

}  // namespace ui
