#pragma once

#include <functional>
#include <memory>

#include "show/ViewController.h"
#include "ui/Window.h"

// Plays the show in a window for a venue: with autostart the first start
// screen starts on its own, and with looping every show ends by handing the
// window to a new controller, so the start screen comes back and the next
// show starts on its own, music and all, from the beginning. A new controller
// each time keeps every show exactly the first: no counter, label or timer of
// one show reaches the next, and what one show made is freed with it.
class VenueMode {
 public:
  using ControllerFactory = std::function<std::shared_ptr<ViewController>()>;

  VenueMode(std::shared_ptr<ui::Window> window, ControllerFactory make, bool autostart, bool loop);

  // Makes the first controller (a missing track ends the process here, as
  // ever) and shows its start screen.
  void begin();

  // Shows begun so far: the first is 1.
  int shows() const { return shows_; }
  const std::shared_ptr<ViewController>& controller() const { return controller_; }

 private:
  void showNext();

  std::shared_ptr<ui::Window> window_;
  ControllerFactory make_;
  bool autostart_;
  bool loop_;
  int shows_ = 0;
  std::shared_ptr<ViewController> controller_;
};
