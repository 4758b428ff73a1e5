#include "ui/Layer.h"

#include "ui/View.h"

namespace ui {

void Layer::setCornerRadius(double radius) {
  if (radius == cornerRadius_) {
    return;
  }
  cornerRadius_ = radius;
  owner_.setNeedsDisplay();
}

void Layer::setCompositingFilter(std::string_view name) {
  setCompositingFilter(name == "saturationBlendMode" ? CompositingFilter::SaturationBlendMode
                                                     : CompositingFilter::None);
}

void Layer::setCompositingFilter(CompositingFilter filter) {
  if (filter == filter_) {
    return;
  }
  filter_ = filter;
  owner_.setNeedsDisplay();
}

}  // namespace ui
