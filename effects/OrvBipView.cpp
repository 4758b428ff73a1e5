#include "effects/OrvBipView.h"

#include <algorithm>

#include "ui/RunLoop.h"

OrvBipView::OrvBipView(const ui::Rect& frame) : View(frame) {}

std::shared_ptr<OrvBipView> OrvBipView::initWithCoder(const ui::Coder& coder) {
  auto view = std::make_shared<OrvBipView>(ui::Rect::zero());
  return view->View::initWithCoder(coder) ? view : nullptr;
}

void OrvBipView::flash(bool animated, double duration) {
  if (gentle_) {
    animated = true;
    duration = std::max(duration, 0.5);
  }
  setHidden(false);
  setAlpha(1.0);
  setBackgroundColor(ui::Color::white());
  if (animated) {
    ui::View::animate(duration, 0.1, ui::AnimationOptions::CurveEaseOut, [this] { setAlpha(0); });
  } else {
    // A drop is never cancelled: it puts out whatever flash is lit when it fires.
    auto self = shared_from_this();
    ui::RunLoop::main().asyncAfter(duration, [self] { self->setAlpha(0); });
  }
}
