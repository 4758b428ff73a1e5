#include "app/AppDelegate.h"

#include "show/ViewController.h"
#include "ui/Font.h"
#include "ui/Screen.h"

bool AppDelegate::didFinishLaunchingWithOptions(const ui::LaunchOptions&) {
  // The faces are checked before the window is shown (they stay open,
  // shared by every font made later); the track is opened by the controller
  // while its start screen stands.
  if (auto failure = ui::Font::loadFaces()) {
    failure_ = *failure;
    return false;
  }
  const ui::Rect bounds = ui::Screen::main().bounds();
  window_ = std::make_shared<ui::Window>(bounds);
  // The first controller builds every view and starts opening the track
  // while its start screen stands.
  const bool gentle = options_.gentle;
  venue_ = std::make_unique<VenueMode>(
      window_, [gentle] { return std::make_shared<ViewController>(gentle); }, options_.autostart,
      options_.loop);
  venue_->begin();
  return true;
}

std::string AppDelegate::launchFailure(bool wait) const {
  std::string failure = failure_;
  const auto& controller = venue_ ? venue_->controller() : nullptr;
  if (failure.empty() && controller && (wait || controller->musicSettled())) {
    failure = controller->musicFailure();
  }
  // The resources come with the program (the faces through fonts-inter):
  // what mends any of them is the same.
  return failure.empty() ? failure : failure + " (reinstalling invited restores it)";
}
