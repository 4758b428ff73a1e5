#include "show/VenueMode.h"

VenueMode::VenueMode(std::shared_ptr<ui::Window> window, ControllerFactory make, bool autostart,
                     bool loop)
    : window_(std::move(window)), make_(std::move(make)), autostart_(autostart), loop_(loop) {}

void VenueMode::begin() {
  showNext();
}

void VenueMode::showNext() {
  auto next = make_();
  // Only the first start screen may wait for a click: a loop plays unattended.
  next->setAutostart(autostart_ || shows_ > 0);
  if (loop_) {
    next->setShowEndedHandler([this] { showNext(); });
  }
  if (controller_) {
    // The last show's music stops; the show itself ended long ago.
    controller_->viewWillDisappear(false);
    controller_->viewDidDisappear(false);
  }
  ++shows_;
  controller_ = std::move(next);
  window_->setRootViewController(controller_);
  window_->makeKeyAndVisible();
}
