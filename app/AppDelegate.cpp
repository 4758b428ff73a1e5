#include "app/AppDelegate.h"

#include "show/ViewController.h"
#include "ui/Font.h"
#include "ui/Screen.h"

bool AppDelegate::didFinishLaunchingWithOptions(const ui::LaunchOptions&) {
  // Every resource is checked before the window is shown: the faces here
  // (they stay open, shared by every font made later), the track by the
  // controller.
  if (auto failure = ui::Font::loadFaces()) {
    failure_ = *failure;
    return false;
  }
  const ui::Rect bounds = ui::Screen::main().bounds();
  window_ = std::make_shared<ui::Window>(bounds);
  auto controller = std::make_shared<ViewController>(gentle_);
  if (!controller->musicFailure().empty()) {
    failure_ = controller->musicFailure();
    return false;
  }
  window_->setRootViewController(controller);
  window_->makeKeyAndVisible();
  return true;
}
