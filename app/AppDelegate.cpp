#include "app/AppDelegate.h"

#include "show/ViewController.h"
#include "ui/Screen.h"

bool AppDelegate::didFinishLaunchingWithOptions(const ui::LaunchOptions&) {
  const ui::Rect bounds = ui::Screen::main().bounds();
  window_ = std::make_shared<ui::Window>(bounds);
  // Builds every view and the music player; a missing or unplayable track
  // ends the process here, before the window is shown.
  window_->setRootViewController(std::make_shared<ViewController>(gentle_));
  window_->makeKeyAndVisible();
  return true;
}
