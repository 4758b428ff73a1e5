#include "ui/Button.h"

#include <algorithm>

namespace ui {

std::shared_ptr<Button> Button::buttonWithType(ButtonType) {
  return std::make_shared<Button>();
}

Button::Button(const Rect& frame) : View(frame), titleLabel_(std::make_shared<Label>()) {
  titleLabel_->setTextColor(Color::white());
  addSubview(titleLabel_);
}

void Button::setTitle(std::string title, ControlState state) {
  if (state != ControlState::Normal) {
    return;
  }
  title_ = std::move(title);
  titleLabel_->setText(title_);
}

void Button::addTarget(std::function<void(Button*)> action, ControlEvent event) {
  actions_.emplace_back(event, std::move(action));
}

void Button::layoutSubviews() {
  const Rect area = bounds();
  const Size fit = titleLabel_->sizeThatFits(area.size);
  const double width = std::min(fit.width, area.width());
  titleLabel_->setFrame(
      Rect(area.midX() - width * 0.5, area.midY() - fit.height * 0.5, width, fit.height));
}

void Button::touchesBegan(Point) {
  if (!isUserInteractionEnabled()) {
    return;
  }
  tracking_ = true;
  sendActions(ControlEvent::TouchDown);
}

void Button::touchesMoved(Point) {
  if (!isUserInteractionEnabled()) {
    tracking_ = false;
  }
}

void Button::touchesEnded(Point point) {
  if (!tracking_) {
    return;
  }
  tracking_ = false;
  if (!isUserInteractionEnabled()) {
    return;
  }
  sendActions(pointInside(point) ? ControlEvent::TouchUpInside : ControlEvent::TouchUpOutside);
}

void Button::touchesCancelled() {
  tracking_ = false;
}

void Button::sendActions(ControlEvent event) {
  // An action may add targets to this button; it runs on a copy.
  std::vector<std::function<void(Button*)>> matching;
  for (const auto& [registered, action] : actions_) {
    if (registered == event) {
      matching.push_back(action);
    }
  }
  for (const auto& action : matching) {
    action(this);
  }
}

}  // namespace ui
