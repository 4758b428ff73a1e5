#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Label.h"
#include "ui/View.h"

namespace ui {

enum class ButtonType { Custom = 0, System = 1 };
enum class ControlState : unsigned { Normal = 0, Highlighted = 1, Disabled = 2, Selected = 4 };
enum class ControlEvent : unsigned { TouchDown = 1, TouchUpInside = 64, TouchUpOutside = 128 };

// A button of the custom type: a title label (white by default) whose text
// block is centred in the button, the lines placed by the label's own
// alignment. Target–action on touch-up-inside: a press and a release both
// inside the button. Targets are not retained: a target usually owns the
// button, and holding it back would make a cycle.
// A button whose user interaction is off ignores touches, also a press that
// began before it was switched off. Only the normal state has a title: the
// button has no highlighted or disabled look.
class Button : public View {
 public:
  static std::shared_ptr<Button> buttonWithType(ButtonType type);
  explicit Button(const Rect& frame = Rect::zero());

  void setTitle(std::string title, ControlState state);
  const std::string& title() const { return title_; }
  const std::shared_ptr<Label>& titleLabel() const { return titleLabel_; }

  void addTarget(std::function<void(Button*)> action, ControlEvent event);
  template <class T>
  void addTarget(T* target, void (T::*action)(Button*), ControlEvent event) {
    addTarget([target, action](Button* sender) { (target->*action)(sender); }, event);
  }

  bool isTracking() const { return tracking_; }

  void layoutSubviews() override;
  void touchesBegan(Point point) override;
  void touchesMoved(Point point) override;
  void touchesEnded(Point point) override;
  void touchesCancelled() override;

 private:
  void sendActions(ControlEvent event);

  std::shared_ptr<Label> titleLabel_;
  std::string title_;
  bool tracking_ = false;
  std::vector<std::pair<ControlEvent, std::function<void(Button*)>>> actions_;
};

}  // namespace ui
